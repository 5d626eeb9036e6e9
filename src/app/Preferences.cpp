#include "Preferences.h"

#include "Format.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <QVariant>

#include <algorithm>
#include <limits>

namespace quorvane {

namespace {

const char* const kGroup = "Preferences";

// A stored 32-bit number (either signedness), or nothing when the value is missing or is not one.
bool ReadNumber(const QSettings& settings, const char* key, int& value) {
    const QVariant stored = settings.value(QLatin1String(key));
    if (!stored.isValid()) {
        return false;
    }
    bool ok = false;
    const qlonglong n = stored.toLongLong(&ok);
    if (!ok || n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<uint32_t>::max()) {
        return false;
    }
    value = static_cast<int32_t>(static_cast<uint32_t>(n));
    return true;
}

int Number(const QSettings& settings, const char* key, int fallback) {
    int value = fallback;
    return ReadNumber(settings, key, value) ? value : fallback;
}

int Flag(const QSettings& settings, const char* key, int fallback) {
    return Number(settings, key, fallback) != 0 ? 1 : 0;
}

int Clamped(const QSettings& settings, const char* key, int fallback, int low, int high) {
    return std::clamp(Number(settings, key, fallback), low, high);
}

QString Folder(const QSettings& settings, const char* key) {
    const QString stored = settings.value(QLatin1String(key)).toString();
    return stored.isEmpty() ? Preferences::DefaultFolder() : stored;
}

bool IsSlideCount(int n) {
    return n == 1 || n == 2 || n == 3 || n == 4 || n == 6 || n == 8;
}

void Write(QSettings& settings, const char* key, int value) {
    settings.setValue(QLatin1String(key), value);
}

} // namespace

Preferences::Preferences()
    : archiveFolder(DefaultFolder())
    , importFolder(DefaultFolder()) {}

void Preferences::Load(QSettings& settings) {
    Load(settings, QDateTime::currentDateTimeUtc().date());
}

void Preferences::Load(QSettings& settings, QDate todayUtc) {
    const Preferences defaults;
    settings.beginGroup(QLatin1String(kGroup));

    findMatchCase = Flag(settings, "FC", defaults.findMatchCase);
    findExactMatch = Flag(settings, "FW", defaults.findExactMatch);
    findStart = Clamped(settings, "FS", defaults.findStart, 0, kMaxEntries);
    // Settings written before the find text had a name of its own kept it under "FW", in place of
    // the exact-match number: a text there that is not a number is that find text.
    int unused = 0;
    if (settings.contains(QStringLiteral("FindText"))) {
        findText = settings.value(QStringLiteral("FindText")).toString();
    } else if (settings.contains(QStringLiteral("FW")) && !ReadNumber(settings, "FW", unused)) {
        findText = settings.value(QStringLiteral("FW")).toString();
    } else {
        findText = defaults.findText;
    }
    findText.truncate(kMaxFindText);

    slideDelay = Clamped(settings, "SW", defaults.slideDelay, 0, 900);
    slideAutoAdvance = Flag(settings, "SX", defaults.slideAutoAdvance);
    slideShowInfo = Flag(settings, "SI", defaults.slideShowInfo);
    slideSR = Number(settings, "SR", defaults.slideSR);
    slideSZ = Number(settings, "SZ", defaults.slideSZ);
    slideShowComments = Flag(settings, "SU", defaults.slideShowComments);
    // The slideshow lays out only these counts; any other drew one image per screen anyway, but
    // stepped its slot counter through that many images (0 never reached its end at all).
    slidesPerScreen = Number(settings, "SP", defaults.slidesPerScreen);
    if (!IsSlideCount(slidesPerScreen)) {
        slidesPerScreen = defaults.slidesPerScreen;
    }

    autoCloseWait = Clamped(settings, "TW", defaults.autoCloseWait, 1, 60);
    autoCloseOn = Flag(settings, "TX", defaults.autoCloseOn);
    closeOnLock = Flag(settings, "LX", defaults.closeOnLock);

    hidePassword = Flag(settings, "PH", defaults.hidePassword);
    encryptionEnabled = Flag(settings, "PX", defaults.encryptionEnabled);
    thumbnailsEnabled = Flag(settings, "IN", defaults.thumbnailsEnabled);
    thumbnailFormat = Clamped(settings, "IS", defaults.thumbnailFormat, 1, 8);
    highQualityThumbnails = Flag(settings, "IH", defaults.highQualityThumbnails);
    encryptionMethod =
        static_cast<uint32_t>(Number(settings, "ET", static_cast<int>(defaults.encryptionMethod)));

    const uint32_t red = static_cast<uint32_t>(Number(settings, "CR", 0)) & 0xFF;
    const uint32_t green = static_cast<uint32_t>(Number(settings, "CG", 0)) & 0xFF;
    const uint32_t blue = static_cast<uint32_t>(Number(settings, "CB", 0)) & 0xFF;
    backgroundColour = red | (green << 8) | (blue << 16);
    previewFit = Flag(settings, "PS", defaults.previewFit);

    alertDelete = Flag(settings, "DD", defaults.alertDelete);
    alertEmptyBin = Flag(settings, "DT", defaults.alertEmptyBin);
    alertClose = Flag(settings, "DC", defaults.alertClose);
    alertDefragCancelled = Flag(settings, "DE", defaults.alertDefragCancelled);
    alertFileOpen = Flag(settings, "DF", defaults.alertFileOpen);
    alertUnused = Flag(settings, "DA", defaults.alertUnused);
    alertPerformance = Flag(settings, "DB", defaults.alertPerformance);
    alertWelcome = Flag(settings, "DG1", defaults.alertWelcome);
    alertGettingStarted = Flag(settings, "DG2", defaults.alertGettingStarted);
    alertUpdate = Flag(settings, "DU", defaults.alertUpdate);
    updateMonth = Number(settings, "UM", defaults.updateMonth);
    updateYear = Number(settings, "UY", defaults.updateYear);

    treeWidth = Clamped(settings, "MTW", defaults.treeWidth, 0, kMaxColumnWidth);
    listWidth = Clamped(settings, "MLW", defaults.listWidth, 0, kMaxColumnWidth);
    listViewMode = Clamped(settings, "MLS", defaults.listViewMode, 0, 4);

    archiveFolder = Folder(settings, "FLDA");
    importFolder = Folder(settings, "FLDB");

    settings.endGroup();

    // The update reminder falls due once both the year and the month have reached the stored date
    // (compared separately); the next one is three months on, January of next year from October on.
    if (todayUtc.isValid() && todayUtc.year() >= updateYear && todayUtc.month() >= updateMonth) {
        alertUpdate = 0;
        updateYear = todayUtc.year();
        updateMonth = todayUtc.month() + 3;
        if (updateMonth > 12) {
            updateMonth = 1;
            updateYear = todayUtc.year() + 1;
        }
    }
    // The reminder itself is not shown: its flag always ends the load set.
    alertUpdate = 1;

    // Every run offers Twofish first; the method chosen during the run is what is saved.
    encryptionMethod = 0x0CAB0001;

    password.Wipe();
    enableAllAlerts = 0;
}

void Preferences::Save(QSettings& settings) {
    enableAllAlerts = 0;
    settings.beginGroup(QLatin1String(kGroup));
    Write(settings, "FC", findMatchCase);
    Write(settings, "FW", findExactMatch);
    Write(settings, "FS", findStart);
    settings.setValue(QStringLiteral("FindText"), findText);
    Write(settings, "SW", slideDelay);
    Write(settings, "SX", slideAutoAdvance);
    Write(settings, "SI", slideShowInfo);
    Write(settings, "SR", slideSR);
    Write(settings, "SZ", slideSZ);
    Write(settings, "SU", slideShowComments);
    Write(settings, "SP", slidesPerScreen);
    Write(settings, "TW", autoCloseWait);
    Write(settings, "TX", autoCloseOn);
    Write(settings, "PH", hidePassword);
    Write(settings, "PX", encryptionEnabled);
    Write(settings, "IN", thumbnailsEnabled);
    Write(settings, "IS", thumbnailFormat);
    Write(settings, "IH", highQualityThumbnails);
    Write(settings, "ET", static_cast<int>(encryptionMethod));
    Write(settings, "CR", backgroundRed());
    Write(settings, "CG", backgroundGreen());
    Write(settings, "CB", backgroundBlue());
    Write(settings, "PS", previewFit);
    Write(settings, "DD", alertDelete);
    Write(settings, "DT", alertEmptyBin);
    Write(settings, "DC", alertClose);
    Write(settings, "DE", alertDefragCancelled);
    Write(settings, "DF", alertFileOpen);
    Write(settings, "DA", alertUnused);
    Write(settings, "DB", alertPerformance);
    Write(settings, "DU", alertUpdate);
    Write(settings, "UM", updateMonth);
    Write(settings, "UY", updateYear);
    Write(settings, "DG1", alertWelcome);
    Write(settings, "DG2", alertGettingStarted);
    Write(settings, "MTW", treeWidth);
    Write(settings, "MLW", listWidth);
    Write(settings, "MLS", listViewMode);
    settings.setValue(QStringLiteral("FLDA"), archiveFolder);
    settings.setValue(QStringLiteral("FLDB"), importFolder);
    Write(settings, "LX", closeOnLock);
    settings.endGroup();
}

void Preferences::ApplyAlertReset() {
    if (enableAllAlerts != 0) {
        alertDelete = 0;
        alertEmptyBin = 0;
        alertClose = 0;
        alertDefragCancelled = 0;
        alertFileOpen = 0;
        alertUnused = 0;
        alertPerformance = 0;
        alertWelcome = 0;
        alertGettingStarted = 0;
    }
    enableAllAlerts = 0;
}

int* Preferences::AlertFlag(const QString& key) {
    struct Named {
        const char* key;
        int Preferences::*flag;
    };
    static constexpr Named kFlags[] = {
        {"DD", &Preferences::alertDelete},          {"DT", &Preferences::alertEmptyBin},
        {"DC", &Preferences::alertClose},           {"DE", &Preferences::alertDefragCancelled},
        {"DF", &Preferences::alertFileOpen},        {"DA", &Preferences::alertUnused},
        {"DB", &Preferences::alertPerformance},     {"DG1", &Preferences::alertWelcome},
        {"DG2", &Preferences::alertGettingStarted}, {"DU", &Preferences::alertUpdate},
    };
    for (const Named& named : kFlags) {
        if (key == QLatin1String(named.key)) {
            return &(this->*named.flag);
        }
    }
    return nullptr;
}

int Preferences::ColumnWidth(int stored, int available) {
    return std::clamp(stored, 0, std::max(0, available));
}

QString Preferences::DefaultFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = QDir::homePath();
    }
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

} // namespace quorvane
