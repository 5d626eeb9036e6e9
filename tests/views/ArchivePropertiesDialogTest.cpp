// "Archive Properties" through the Qt dialogs: the last creation's choices shown again, the enable
// rules, the password field, and what reaches the form only on OK.
#include "DialogScript.h"

#include "ArchivePropertiesForm.h"
#include "Preferences.h"
#include "QtWorkspaceDialogs.h"
#include "SecretText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

ArchivePropertiesForm BlowfishForm() {
    Preferences p;
    p.encryptionEnabled = 1;
    p.encryptionMethod = ArchivePropertiesForm::kBlowfish;
    p.thumbnailsEnabled = 1;
    p.highQualityThumbnails = 1;
    p.thumbnailFormat = 6; // 64 pixels, high colour
    return ArchivePropertiesForm::FromPreferences(p);
}

void Choose(QComboBox* list, int index) {
    list->setFocus();
    list->setCurrentIndex(index);
}

TEST(ArchivePropertiesDialog, ShowsTheLastChoicesAgainWithAnEmptyPassword) {
    QtWorkspaceDialogs dialogs;
    ArchivePropertiesForm form = BlowfishForm();
    SecretText password(QStringLiteral("left over"));
    auto expectShown = [](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Archive Properties"));
        EXPECT_TRUE(Child<QCheckBox>(d, "encryption")->isChecked());
        EXPECT_EQ(Child<QComboBox>(d, "method")->currentText(), QStringLiteral("64-bit BlowFish Encryption"));
        EXPECT_EQ(Child<QComboBox>(d, "thumbnails")->currentText(),
                  QStringLiteral("Enable High-Quality Thumbnails (Anti-Aliased)"));
        EXPECT_EQ(Child<QComboBox>(d, "thumbnailSize")->currentText(), QStringLiteral("64 by 64 pixels"));
        EXPECT_EQ(Child<QComboBox>(d, "thumbnailColours")->currentText(),
                  QStringLiteral("High Color (16 bit)"));
        auto* edit = Child<QLineEdit>(d, "password");
        EXPECT_TRUE(edit->text().isEmpty());
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(edit->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), edit);
    };
    ASSERT_TRUE(Drive({[&](QWidget* d) {
                          expectShown(d);
                          Type(QStringLiteral("Sesame42"));
                          Press(Qt::Key_Return);
                      }},
                      [&] { return dialogs.AskCreateSettings(form, password); }));
    EXPECT_EQ(password.Text(), QStringLiteral("Sesame42"));
    EXPECT_EQ(form.method, ArchivePropertiesForm::kBlowfish);
    EXPECT_EQ(form.thumbnailFormat, 6);
    EXPECT_TRUE(form.highQuality);

    // The choices of this creation come back the next time; the password does not.
    Preferences stored;
    form.StoreInto(stored);
    ArchivePropertiesForm again = ArchivePropertiesForm::FromPreferences(stored);
    SecretText second(QStringLiteral("stale"));
    EXPECT_FALSE(Drive({[&](QWidget* d) {
                           expectShown(d);
                           Press(Qt::Key_Escape);
                       }},
                       [&] { return dialogs.AskCreateSettings(again, second); }));
    EXPECT_TRUE(second.IsEmpty());
}

TEST(ArchivePropertiesDialog, EncryptionOffGreysButKeepsPasswordAndMethod) {
    QtWorkspaceDialogs dialogs;
    ArchivePropertiesForm form = BlowfishForm();
    SecretText password;
    ASSERT_TRUE(Drive({[&](QWidget* d) {
                          auto* box = Child<QCheckBox>(d, "encryption");
                          auto* edit = Child<QLineEdit>(d, "password");
                          auto* method = Child<QComboBox>(d, "method");
                          Type(QStringLiteral("abc1"));
                          box->setFocus();
                          Press(Qt::Key_Space);
                          EXPECT_FALSE(box->isChecked());
                          EXPECT_FALSE(edit->isEnabled());
                          EXPECT_FALSE(method->isEnabled());
                          EXPECT_EQ(edit->text(), QStringLiteral("abc1"));
                          EXPECT_EQ(method->currentIndex(), 1);

                          Press(Qt::Key_Space);
                          EXPECT_TRUE(edit->isEnabled());
                          EXPECT_TRUE(method->isEnabled());
                          EXPECT_EQ(edit->selectedText(), QStringLiteral("abc1"));

                          Press(Qt::Key_Space); // off again, and OK
                          Press(Qt::Key_Return);
                      }},
                      [&] { return dialogs.AskCreateSettings(form, password); }));
    EXPECT_FALSE(form.encryption);
    EXPECT_EQ(form.method, ArchivePropertiesForm::kBlowfish);
    // An archive without encryption gets no password, whatever the greyed field held.
    EXPECT_TRUE(password.IsEmpty());
}

TEST(ArchivePropertiesDialog, ThumbnailChoicesReachTheFormOnlyOnOk) {
    QtWorkspaceDialogs dialogs;
    ArchivePropertiesForm form = BlowfishForm();
    const ArchivePropertiesForm before = form;
    SecretText password;
    auto change = [](QWidget* d) {
        auto* mode = Child<QComboBox>(d, "thumbnails");
        auto* size = Child<QComboBox>(d, "thumbnailSize");
        auto* colours = Child<QComboBox>(d, "thumbnailColours");
        Choose(mode, 0); // "Disable Thumbnails (Smaller Archive Size)"
        EXPECT_FALSE(size->isEnabled());
        EXPECT_FALSE(colours->isEnabled());
        Choose(mode, 1);
        EXPECT_TRUE(size->isEnabled());
        EXPECT_TRUE(colours->isEnabled());
        Choose(size, 1);
        Choose(colours, 0);
        Choose(Child<QComboBox>(d, "method"), 0);
    };
    EXPECT_FALSE(Drive({[&](QWidget* d) {
                           change(d);
                           Press(Qt::Key_Escape);
                       }},
                       [&] { return dialogs.AskCreateSettings(form, password); }));
    EXPECT_EQ(form.thumbnailFormat, before.thumbnailFormat);
    EXPECT_EQ(form.method, before.method);
    EXPECT_TRUE(form.highQuality);

    ASSERT_TRUE(Drive({[&](QWidget* d) {
                          change(d);
                          Child<QLineEdit>(d, "password")->setFocus();
                          Type(QString(70, QLatin1Char('x'))); // the field takes 64 characters
                          Press(Qt::Key_Return);
                      }},
                      [&] { return dialogs.AskCreateSettings(form, password); }));
    EXPECT_EQ(form.thumbnailFormat, 3); // 48 pixels, grey scale
    EXPECT_TRUE(form.thumbnails);
    EXPECT_FALSE(form.highQuality);
    EXPECT_EQ(form.method, ArchivePropertiesForm::kBasic);
    EXPECT_EQ(password.Text(), QString(64, QLatin1Char('x')));
}

TEST(ArchivePropertiesDialog, HelpOnlyWithAHandler) {
    QtWorkspaceDialogs dialogs;
    ArchivePropertiesForm form;
    SecretText password;
    Drive({[&](QWidget* d) {
              EXPECT_FALSE(Child<QPushButton>(d, "help")->isVisible());
              Press(Qt::Key_Escape);
          }},
          [&] { return dialogs.AskCreateSettings(form, password); });

    int asked = 0;
    dialogs.SetHelpHandler([&asked](int resource) { asked = resource; });
    Drive({[&](QWidget* d) {
              auto* help = Child<QPushButton>(d, "help");
              EXPECT_TRUE(help->isVisible());
              EXPECT_EQ(help->text(), QStringLiteral("Help"));
              help->click();
              Press(Qt::Key_Escape);
          }},
          [&] { return dialogs.AskCreateSettings(form, password); });
    EXPECT_EQ(asked, 12338);
}

} // namespace
