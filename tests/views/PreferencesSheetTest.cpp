// The "Preferences" sheet: refused values keep it open on their page, the enable rules, the
// images-per-slide list, the colour, the alert request, and nothing stored on Cancel.
#include "DialogScript.h"

#include "ColourSwatch.h"
#include "Preferences.h"
#include "QtWorkspaceDialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

QTabWidget* Tabs(QWidget* sheet) {
    return sheet->findChild<QTabWidget*>();
}

void ClickOk(QWidget* sheet) {
    sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

TEST(PreferencesSheet, RefusedValuesKeepTheSheetOpenOnTheirPage) {
    QtWorkspaceDialogs dialogs;
    struct Case {
        int page;
        const char* field;
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {0, "delay", "901", "Please enter an integer between 0 and 900."},
        {1, "wait", "0", "Please enter an integer between 1 and 60."},
        {1, "wait", "61", "Please enter an integer between 1 and 60."},
        {0, "delay", "", "Please enter an integer between 0 and 900."},
    };
    for (const Case& c : cases) {
        Preferences preferences;
        preferences.slideDelay = 20;
        preferences.autoCloseWait = 5;
        QString said;
        const bool ok = Drive({[&](QWidget* sheet) {
                                   EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Preferences"));
                                   QTabWidget* tabs = Tabs(sheet);
                                   EXPECT_EQ(tabs->tabText(0), QStringLiteral("Slideshow"));
                                   EXPECT_EQ(tabs->tabText(1), QStringLiteral("General"));
                                   tabs->setCurrentIndex(c.page);
                                   auto* field = Child<QSpinBox>(sheet, c.field);
                                   field->setFocus();
                                   field->selectAll();
                                   Press(Qt::Key_Delete);
                                   Type(QString::fromLatin1(c.typed));
                                   // The other page in front: the refusal brings the field's page back.
                                   tabs->setCurrentIndex(1 - c.page);
                                   ClickOk(sheet);
                                   EXPECT_TRUE(sheet->isVisible());
                                   EXPECT_EQ(tabs->currentIndex(), c.page);
                                   EXPECT_EQ(NameOf(sheet->focusWidget()), QString::fromLatin1(c.field));
                                   // Mended, the sheet takes it.
                                   field->selectAll();
                                   Type(QStringLiteral("7"));
                                   ClickOk(sheet);
                               },
                               [&](QWidget* box) {
                                   said = qobject_cast<QMessageBox*>(box)->text();
                                   Press(Qt::Key_Return);
                               }},
                              [&] { return dialogs.EditPreferences(preferences); });
        EXPECT_TRUE(ok);
        EXPECT_EQ(said, QString::fromLatin1(c.message)) << c.typed;
        EXPECT_EQ(c.page == 0 ? preferences.slideDelay : preferences.autoCloseWait, 7) << c.typed;
    }
}

TEST(PreferencesSheet, ManualGreysTheDelayAtOnceAndKeepsIt) {
    QtWorkspaceDialogs dialogs;
    Preferences preferences;
    preferences.slideAutoAdvance = 1;
    preferences.slideDelay = 42;
    preferences.autoCloseOn = 1;
    ASSERT_TRUE(Drive({[](QWidget* sheet) {
                          auto* delay = Child<QSpinBox>(sheet, "delay");
                          EXPECT_TRUE(delay->isEnabled());
                          Child<QRadioButton>(sheet, "manual")->click();
                          EXPECT_FALSE(delay->isEnabled());
                          for (QLabel* label : sheet->findChildren<QLabel*>()) {
                              if (label->text() == QLatin1String("Delay") ||
                                  label->text() == QLatin1String("in seconds.")) {
                                  EXPECT_FALSE(label->isEnabled()) << label->text().toStdString();
                              }
                          }
                          EXPECT_EQ(delay->value(), 42);
                          Tabs(sheet)->setCurrentIndex(1);
                          auto* wait = Child<QSpinBox>(sheet, "wait");
                          Child<QRadioButton>(sheet, "disableAutoClose")->click();
                          EXPECT_FALSE(wait->isEnabled());
                          ClickOk(sheet);
                      }},
                      [&] { return dialogs.EditPreferences(preferences); }));
    EXPECT_EQ(preferences.slideAutoAdvance, 0);
    EXPECT_EQ(preferences.slideDelay, 42);
    EXPECT_EQ(preferences.autoCloseOn, 0);

    Drive({[](QWidget* sheet) {
              EXPECT_TRUE(Child<QRadioButton>(sheet, "manual")->isChecked());
              EXPECT_FALSE(Child<QSpinBox>(sheet, "delay")->isEnabled());
              Child<QRadioButton>(sheet, "automatic")->click();
              EXPECT_TRUE(Child<QSpinBox>(sheet, "delay")->isEnabled());
              Press(Qt::Key_Escape);
          }},
          [&] { return dialogs.EditPreferences(preferences); });
    EXPECT_EQ(preferences.slideAutoAdvance, 0); // Cancel stores nothing
}

TEST(PreferencesSheet, ImagesPerSlideColourAndTheOtherSlideshowChoices) {
    QtWorkspaceDialogs dialogs;
    Preferences preferences;
    preferences.slidesPerScreen = 1;
    preferences.backgroundColour = 0x00102030; // blue 0x10, green 0x20, red 0x30
    ASSERT_TRUE(Drive({[](QWidget* sheet) {
                           auto* images = Child<QComboBox>(sheet, "imagesPerSlide");
                           QStringList items;
                           for (int i = 0; i < images->count(); ++i) {
                               items << images->itemText(i);
                           }
                           EXPECT_EQ(items, QStringList({"1", "2", "3", "4", "6", "8"}));
                           EXPECT_EQ(images->currentIndex(), 0);
                           images->setCurrentIndex(4);
                           auto* swatch = Child<ColourSwatch>(sheet, "backgroundColour");
                           EXPECT_EQ(swatch->Colour(), QColor(0x30, 0x20, 0x10));
                           Child<QCheckBox>(sheet, "showInfo")->click();
                           Child<QCheckBox>(sheet, "showComments")->click();
                           swatch->click();
                           ClickOk(sheet);
                       },
                       [](QWidget* colours) {
                           auto* chooser = qobject_cast<QColorDialog*>(colours);
                           ASSERT_NE(chooser, nullptr);
                           EXPECT_EQ(chooser->currentColor(), QColor(0x30, 0x20, 0x10));
                           chooser->setCurrentColor(QColor(0xAA, 0xBB, 0xCC));
                           chooser->accept();
                       }},
                      [&] { return dialogs.EditPreferences(preferences); }));
    EXPECT_EQ(preferences.slidesPerScreen, 6);
    EXPECT_EQ(preferences.backgroundColour, 0x00CCBBAAu);
    EXPECT_EQ(preferences.slideShowInfo, 1);
    EXPECT_EQ(preferences.slideShowComments, 0);

    Drive({[](QWidget* sheet) {
              EXPECT_EQ(Child<QComboBox>(sheet, "imagesPerSlide")->currentIndex(), 4); // the fifth item
              Press(Qt::Key_Escape);
          }},
          [&] { return dialogs.EditPreferences(preferences); });

    // A value the list does not hold selects nothing and is kept.
    preferences.slidesPerScreen = 5;
    Drive({[](QWidget* sheet) {
              EXPECT_EQ(Child<QComboBox>(sheet, "imagesPerSlide")->currentIndex(), -1);
              ClickOk(sheet);
          }},
          [&] { return dialogs.EditPreferences(preferences); });
    EXPECT_EQ(preferences.slidesPerScreen, 5);
}

TEST(PreferencesSheet, AlertRequestShowsEveryAlertAgainAndOpensClear) {
    QtWorkspaceDialogs dialogs;
    Preferences preferences;
    preferences.alertDelete = 1;
    preferences.alertClose = 1;
    preferences.alertWelcome = 1;
    preferences.alertGettingStarted = 1;
    preferences.alertUpdate = 1;
    // Cancel leaves every flag as it was, however the box was left.
    EXPECT_FALSE(Drive({[](QWidget* sheet) {
                           Tabs(sheet)->setCurrentIndex(1);
                           Child<QCheckBox>(sheet, "enableAlerts")->click();
                           Press(Qt::Key_Escape);
                       }},
                       [&] { return dialogs.EditPreferences(preferences); }));
    EXPECT_EQ(preferences.alertDelete, 1);

    ASSERT_TRUE(Drive({[](QWidget* sheet) {
                          Tabs(sheet)->setCurrentIndex(1);
                          auto* box = Child<QCheckBox>(sheet, "enableAlerts");
                          EXPECT_EQ(box->text(),
                                    QStringLiteral("Enable all previously disabled program alerts."));
                          EXPECT_FALSE(box->isChecked());
                          box->click();
                          ClickOk(sheet);
                      }},
                      [&] { return dialogs.EditPreferences(preferences); }));
    EXPECT_EQ(preferences.alertDelete, 0);
    EXPECT_EQ(preferences.alertClose, 0);
    EXPECT_EQ(preferences.alertWelcome, 0);
    EXPECT_EQ(preferences.alertGettingStarted, 0);
    EXPECT_EQ(preferences.alertUpdate, 1); // not one of the program alerts
    EXPECT_EQ(preferences.enableAllAlerts, 0);

    Drive({[](QWidget* sheet) {
              EXPECT_FALSE(Child<QCheckBox>(sheet, "enableAlerts")->isChecked());
              Press(Qt::Key_Escape);
          }},
          [&] { return dialogs.EditPreferences(preferences); });
}

TEST(PreferencesSheet, TheLockBoxStoresLxAndIsNotTiedToTheWait) {
    QtWorkspaceDialogs dialogs;
    Preferences preferences;
    ASSERT_EQ(preferences.closeOnLock, 1);
    preferences.autoCloseOn = 0;
    ASSERT_TRUE(Drive({[](QWidget* sheet) {
                          Tabs(sheet)->setCurrentIndex(1);
                          auto* box = Child<QCheckBox>(sheet, "closeOnLock");
                          EXPECT_EQ(box->text(),
                                    QStringLiteral("Close all archives when the screen locks or the "
                                                   "computer suspends"));
                          EXPECT_TRUE(box->isChecked());
                          EXPECT_TRUE(box->isEnabled()) << "AutoClose being off greys only the wait";
                          box->click();
                          ClickOk(sheet);
                      }},
                      [&] { return dialogs.EditPreferences(preferences); }));
    EXPECT_EQ(preferences.closeOnLock, 0);
    // Cancel stores nothing.
    EXPECT_FALSE(Drive({[](QWidget* sheet) {
                           Tabs(sheet)->setCurrentIndex(1);
                           EXPECT_FALSE(Child<QCheckBox>(sheet, "closeOnLock")->isChecked());
                           Child<QCheckBox>(sheet, "closeOnLock")->click();
                           Press(Qt::Key_Escape);
                       }},
                       [&] { return dialogs.EditPreferences(preferences); }));
    EXPECT_EQ(preferences.closeOnLock, 0);
}

} // namespace
