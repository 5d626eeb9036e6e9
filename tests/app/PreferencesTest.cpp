// Preferences: first-start defaults, a round trip through a settings file, the load rules (update
// reminder, Twofish, colour bytes, clamping of damaged values), the alert reset and the password field.
#include "Preferences.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <map>

using namespace quorvane;

namespace {

class PreferencesTest : public ::testing::Test {
protected:
    QString Path() const { return dir_.filePath(QStringLiteral("Quorvane.conf")); }

    // Writes raw values into the Preferences group, as a damaged or foreign file would hold them.
    void WriteRaw(const std::map<QString, QVariant>& values) {
        QSettings settings(Path(), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Preferences"));
        for (const auto& [key, value] : values) {
            settings.setValue(key, value);
        }
    }

    Preferences Loaded(QDate today = QDate(2001, 1, 15)) {
        QSettings settings(Path(), QSettings::IniFormat);
        Preferences p;
        p.Load(settings, today);
        return p;
    }

    QVariant Stored(const QString& key) {
        QSettings settings(Path(), QSettings::IniFormat);
        return settings.value(QStringLiteral("Preferences/") + key);
    }

    QTemporaryDir dir_;
};

TEST_F(PreferencesTest, FirstStartGivesTheDefaults) {
    Preferences p = Loaded(QDate(2001, 1, 15));
    EXPECT_EQ(p.autoCloseOn, 1);
    EXPECT_EQ(p.closeOnLock, 1);
    EXPECT_EQ(p.autoCloseWait, 10);
    EXPECT_EQ(p.treeWidth, 180);
    EXPECT_EQ(p.listWidth, 180);
    EXPECT_EQ(p.listViewMode, 2);
    EXPECT_EQ(p.slideDelay, 15);
    EXPECT_EQ(p.slidesPerScreen, 1);
    EXPECT_EQ(p.thumbnailFormat, 8);
    EXPECT_EQ(p.encryptionMethod, 0x0CAB0001u);
    EXPECT_EQ(p.backgroundColour, 0u);
    for (const char* flag : {"DD", "DT", "DC", "DE", "DF", "DA", "DB", "DG1", "DG2"}) {
        EXPECT_EQ(*p.AlertFlag(QString::fromLatin1(flag)), 0) << flag;
    }
    EXPECT_EQ(p.alertUpdate, 1);
    EXPECT_EQ(p.archiveFolder, Preferences::DefaultFolder());
    EXPECT_EQ(p.importFolder, Preferences::DefaultFolder());
    EXPECT_TRUE(QDir(p.archiveFolder).exists());
    EXPECT_TRUE(p.findText.isEmpty());
}

TEST_F(PreferencesTest, RoundTripKeepsEveryValue) {
    Preferences p;
    p.findMatchCase = 1;
    p.findExactMatch = 1;
    p.findStart = 77;
    p.findText = QStringLiteral("Beach 2004");
    p.slideDelay = 900;
    p.slideAutoAdvance = 0;
    p.slideShowInfo = 1;
    p.slideSR = 5;
    p.slideSZ = -3;
    p.slideShowComments = 0;
    p.slidesPerScreen = 6;
    p.autoCloseWait = 60;
    p.autoCloseOn = 0;
    p.closeOnLock = 0;
    p.hidePassword = 0;
    p.encryptionEnabled = 0;
    p.thumbnailsEnabled = 0;
    p.thumbnailFormat = 3;
    p.highQualityThumbnails = 0;
    p.encryptionMethod = 0x0CAB0002;
    p.backgroundColour = 0x00123456;
    p.previewFit = 0;
    p.alertDelete = 1;
    p.alertEmptyBin = 1;
    p.alertClose = 1;
    p.alertDefragCancelled = 1;
    p.alertFileOpen = 1;
    p.alertUnused = 1;
    p.alertPerformance = 1;
    p.alertWelcome = 1;
    p.alertGettingStarted = 1;
    p.updateMonth = 4;
    p.updateYear = 2030;
    p.treeWidth = 250;
    p.listWidth = 321;
    p.listViewMode = 4;
    p.archiveFolder = QStringLiteral("/srv/archives/");
    p.importFolder = QStringLiteral("/srv/import/");
    p.password.Set(QStringLiteral("never stored"));
    p.enableAllAlerts = 1;
    {
        QSettings settings(Path(), QSettings::IniFormat);
        p.Save(settings);
    }
    EXPECT_EQ(p.enableAllAlerts, 0);

    // Each colour component is its own byte; the method chosen during the run is what is saved.
    EXPECT_EQ(Stored(QStringLiteral("CR")).toInt(), 0x56);
    EXPECT_EQ(Stored(QStringLiteral("CG")).toInt(), 0x34);
    EXPECT_EQ(Stored(QStringLiteral("CB")).toInt(), 0x12);
    EXPECT_EQ(Stored(QStringLiteral("ET")).toUInt(), 0x0CAB0002u);
    // The exact-match number and the find text each keep their own name.
    EXPECT_EQ(Stored(QStringLiteral("FW")).toInt(), 1);
    EXPECT_EQ(Stored(QStringLiteral("FindText")).toString(), QStringLiteral("Beach 2004"));

    const Preferences q = Loaded(QDate(2001, 1, 15));
    EXPECT_EQ(q.findMatchCase, 1);
    EXPECT_EQ(q.findExactMatch, 1);
    EXPECT_EQ(q.findStart, 77);
    EXPECT_EQ(q.findText, p.findText);
    EXPECT_EQ(q.slideDelay, 900);
    EXPECT_EQ(q.slideAutoAdvance, 0);
    EXPECT_EQ(q.slideShowInfo, 1);
    EXPECT_EQ(q.slideSR, 5);
    EXPECT_EQ(q.slideSZ, -3);
    EXPECT_EQ(q.slideShowComments, 0);
    EXPECT_EQ(q.slidesPerScreen, 6);
    EXPECT_EQ(q.autoCloseWait, 60);
    EXPECT_EQ(q.autoCloseOn, 0);
    EXPECT_EQ(q.closeOnLock, 0);
    EXPECT_EQ(Stored(QStringLiteral("LX")).toInt(), 0);
    EXPECT_EQ(q.hidePassword, 0);
    EXPECT_EQ(q.encryptionEnabled, 0);
    EXPECT_EQ(q.thumbnailsEnabled, 0);
    EXPECT_EQ(q.thumbnailFormat, 3);
    EXPECT_EQ(q.highQualityThumbnails, 0);
    EXPECT_EQ(q.backgroundColour, 0x00123456u);
    EXPECT_EQ(q.previewFit, 0);
    EXPECT_EQ(q.alertDelete + q.alertEmptyBin + q.alertClose + q.alertDefragCancelled + q.alertFileOpen +
                  q.alertUnused + q.alertPerformance + q.alertWelcome + q.alertGettingStarted,
              9);
    EXPECT_EQ(q.updateMonth, 4);
    EXPECT_EQ(q.updateYear, 2030);
    EXPECT_EQ(q.treeWidth, 250);
    EXPECT_EQ(q.listWidth, 321);
    EXPECT_EQ(q.listViewMode, 4);
    EXPECT_EQ(q.archiveFolder, QStringLiteral("/srv/archives/"));
    EXPECT_EQ(q.importFolder, QStringLiteral("/srv/import/"));
    // Never stored, and every run starts with Twofish offered first.
    EXPECT_TRUE(q.password.IsEmpty());
    EXPECT_EQ(q.enableAllAlerts, 0);
    EXPECT_EQ(q.encryptionMethod, 0x0CAB0001u);
    QSettings settings(Path(), QSettings::IniFormat);
    for (const QString& key : settings.allKeys()) {
        EXPECT_NE(settings.value(key).toString(), QStringLiteral("never stored")) << key.toStdString();
    }
}

TEST_F(PreferencesTest, DamagedValuesAreBroughtIntoRange) {
    struct Case {
        const char* key;
        QVariant stored;
        int Preferences::*field;
        int expected;
    };
    const Case cases[] = {
        {"SP", 0, &Preferences::slidesPerScreen, 1},
        {"SP", 5, &Preferences::slidesPerScreen, 1},
        {"SP", -8, &Preferences::slidesPerScreen, 1},
        {"SP", 8, &Preferences::slidesPerScreen, 8},
        {"TW", 0, &Preferences::autoCloseWait, 1},
        {"TW", 61, &Preferences::autoCloseWait, 60},
        {"SW", -1, &Preferences::slideDelay, 0},
        {"SW", 901, &Preferences::slideDelay, 900},
        {"IS", 9, &Preferences::thumbnailFormat, 8},
        {"IS", 0, &Preferences::thumbnailFormat, 1},
        {"MLS", 7, &Preferences::listViewMode, 4},
        {"MLS", -2, &Preferences::listViewMode, 0},
        {"MTW", -1, &Preferences::treeWidth, 0},
        {"MLW", 99999, &Preferences::listWidth, Preferences::kMaxColumnWidth},
        {"FS", -5, &Preferences::findStart, 0},
        {"TX", 2, &Preferences::autoCloseOn, 1},
        {"DD", -1, &Preferences::alertDelete, 1},
        {"PS", 255, &Preferences::previewFit, 1},
        // Not a number at all: the default.
        {"TW", QStringLiteral("ten"), &Preferences::autoCloseWait, 10},
        {"SW", QStringLiteral(""), &Preferences::slideDelay, 15},
        {"MLW", QStringLiteral("99999999999"), &Preferences::listWidth, 180},
    };
    for (const Case& c : cases) {
        QFile::remove(Path());
        WriteRaw({{QString::fromUtf8(c.key), c.stored}});
        const Preferences p = Loaded();
        EXPECT_EQ(p.*c.field, c.expected) << c.key << " = " << c.stored.toString().toStdString();
    }
}

TEST_F(PreferencesTest, ColourComponentsUseTheirLowByteOnly) {
    WriteRaw({{"CR", 0x1FF}, {"CG", 0x280}, {"CB", -1}});
    EXPECT_EQ(Loaded().backgroundColour, 0x00FF80FFu);
}

TEST_F(PreferencesTest, UpdateReminderDateMovesOnWhenDue) {
    struct Case {
        int month;
        int year;
        QDate today;
        int expectedMonth;
        int expectedYear;
    };
    const Case cases[] = {
        {11, 2000, QDate(2000, 11, 3), 1, 2001}, // months 10..12 lead to January of the next year
        {10, 2000, QDate(2000, 12, 31), 1, 2001}, {6, 2000, QDate(2000, 9, 1), 12, 2000},
        {6, 2000, QDate(2001, 1, 20), 6, 2000}, // a later year with an earlier month is not due
        {6, 2000, QDate(2000, 5, 31), 6, 2000},   {6, 2000, QDate(2024, 7, 1), 10, 2024},
    };
    for (const Case& c : cases) {
        QFile::remove(Path());
        WriteRaw({{"UM", c.month}, {"UY", c.year}, {"DU", 1}});
        const Preferences p = Loaded(c.today);
        EXPECT_EQ(p.updateMonth, c.expectedMonth) << c.today.toString().toStdString();
        EXPECT_EQ(p.updateYear, c.expectedYear) << c.today.toString().toStdString();
        // The reminder is never shown: its flag always ends the load set.
        EXPECT_EQ(p.alertUpdate, 1);
    }
}

TEST_F(PreferencesTest, TwofishIsOfferedWhateverWasStored) {
    WriteRaw({{"ET", 0x0CAB0003}});
    EXPECT_EQ(Loaded().encryptionMethod, 0x0CAB0001u);
}

TEST_F(PreferencesTest, ExactMatchSurvivesARestart) {
    {
        Preferences p;
        p.findExactMatch = 1;
        p.findText = QStringLiteral("x");
        QSettings settings(Path(), QSettings::IniFormat);
        p.Save(settings);
    }
    const Preferences q = Loaded();
    EXPECT_EQ(q.findExactMatch, 1);
    EXPECT_EQ(q.findText, QStringLiteral("x"));
}

TEST_F(PreferencesTest, FindTextLeftUnderTheSharedNameIsRead) {
    // Settings from before the find text had its own name: the text replaced the number.
    WriteRaw({{"FW", QStringLiteral("Sunset")}});
    const Preferences p = Loaded();
    EXPECT_EQ(p.findText, QStringLiteral("Sunset"));
    EXPECT_EQ(p.findExactMatch, 0);
    // The find text is at most 128 characters, like the Find dialog's field.
    WriteRaw({{"FindText", QString(300, QLatin1Char('a'))}});
    EXPECT_EQ(Loaded().findText.size(), Preferences::kMaxFindText);
}

TEST_F(PreferencesTest, AlertResetLeavesTheUpdateReminderAlone) {
    Preferences p;
    for (const char* flag : {"DD", "DT", "DC", "DE", "DF", "DA", "DB", "DG1", "DG2", "DU"}) {
        *p.AlertFlag(QString::fromLatin1(flag)) = 1;
    }
    p.ApplyAlertReset(); // not asked for: nothing changes
    EXPECT_EQ(p.alertDelete, 1);

    p.enableAllAlerts = 1;
    p.ApplyAlertReset();
    for (const char* flag : {"DD", "DT", "DC", "DE", "DF", "DA", "DB", "DG1", "DG2"}) {
        EXPECT_EQ(*p.AlertFlag(QString::fromLatin1(flag)), 0) << flag;
    }
    EXPECT_EQ(p.alertUpdate, 1);
    EXPECT_EQ(p.enableAllAlerts, 0);
    EXPECT_EQ(p.AlertFlag(QStringLiteral("SW")), nullptr);
}

TEST_F(PreferencesTest, ColumnWidthStaysInsideTheWindow) {
    EXPECT_EQ(Preferences::ColumnWidth(180, 1000), 180);
    EXPECT_EQ(Preferences::ColumnWidth(1500, 1000), 1000);
    EXPECT_EQ(Preferences::ColumnWidth(-1, 1000), 0);
    EXPECT_EQ(Preferences::ColumnWidth(180, -5), 0);
}

TEST(SecretText, WipeZeroesEveryByteItHeld) {
    SecretText secret;
    secret.Set(QStringLiteral("short"));
    secret.Set(
        QStringLiteral("a much longer password \u00e9\u00e8")); // grows: the old storage is wiped first
    EXPECT_EQ(secret.Text(), QStringLiteral("a much longer password \u00e9\u00e8"));
    EXPECT_EQ(secret.Utf8(), "a much longer password \xC3\xA9\xC3\xA8");
    const std::span<const char> storage = secret.Storage();
    ASSERT_FALSE(storage.empty());
    EXPECT_TRUE(std::any_of(storage.begin(), storage.end(), [](char c) { return c != 0; }));

    secret.Wipe();
    EXPECT_TRUE(secret.IsEmpty());
    EXPECT_TRUE(secret.Text().isEmpty());
    EXPECT_TRUE(std::all_of(storage.begin(), storage.end(), [](char c) { return c == 0; }));

    // A shorter text after a longer one leaves no tail of the longer one behind.
    secret.Set(QStringLiteral("0123456789abcdef"));
    secret.Set(QStringLiteral("xy"));
    const std::span<const char> reused = secret.Storage();
    EXPECT_TRUE(std::all_of(reused.begin() + 2, reused.end(), [](char c) { return c == 0; }));
}

TEST(SecretText, CopiesAreIndependent) {
    SecretText a(QStringLiteral("alpha"));
    SecretText b = a;
    EXPECT_TRUE(a == b);
    a.Wipe();
    EXPECT_EQ(b.Text(), QStringLiteral("alpha"));
    EXPECT_FALSE(a == b);
}

} // namespace
