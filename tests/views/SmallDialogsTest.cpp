// "Edit Comment", "Find", the message boxes and confirmations, "Welcome to Quorvane", "Getting
// Started", the AutoClose countdown and the "Properties" sheet.
#include "DialogScript.h"

#include "AutoCloseCountdown.h"
#include "PropertyTexts.h"
#include "QtWorkspaceDialogs.h"
#include "StringTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

TEST(CommentDialog, KeepsTheTextOnCancelAndTakesAtMost128Characters) {
    QtWorkspaceDialogs dialogs;
    int closed = 0;
    dialogs.SetClosedHandler([&closed] { ++closed; });
    QString comment = QStringLiteral("Grandma's garden");
    EXPECT_FALSE(Drive({[](QWidget* d) {
                           EXPECT_EQ(d->windowTitle(), QStringLiteral("Edit Comment"));
                           auto* edit = Child<QLineEdit>(d, "comment");
                           EXPECT_EQ(QApplication::focusWidget(), edit);
                           EXPECT_EQ(edit->selectedText(), QStringLiteral("Grandma's garden"));
                           Type(QStringLiteral("something else"));
                           Press(Qt::Key_Escape);
                       }},
                       [&] { return dialogs.EditComment(comment); }));
    EXPECT_EQ(comment, QStringLiteral("Grandma's garden"));

    EXPECT_TRUE(Drive({[](QWidget*) {
                          Type(QString(130, QLatin1Char('c')));
                          Press(Qt::Key_Return);
                      }},
                      [&] { return dialogs.EditComment(comment); }));
    EXPECT_EQ(comment, QString(128, QLatin1Char('c')));
    EXPECT_EQ(closed, 2); // each closing counts as activity
}

TEST(FindDialog, FindNextIsTheDefaultAndCancelKeepsTheRequest) {
    QtWorkspaceDialogs dialogs;
    FindRequest request{QStringLiteral("beach"), true, false};
    ASSERT_TRUE(Drive({[](QWidget* d) {
                          EXPECT_EQ(d->windowTitle(), QStringLiteral("Find"));
                          auto* edit = Child<QLineEdit>(d, "findText");
                          EXPECT_EQ(QApplication::focusWidget(), edit);
                          EXPECT_EQ(edit->text(), QStringLiteral("beach"));
                          EXPECT_TRUE(Child<QCheckBox>(d, "matchCase")->isChecked());
                          EXPECT_FALSE(Child<QCheckBox>(d, "exactMatch")->isChecked());
                          EXPECT_TRUE(Child<QPushButton>(d, "findNext")->isDefault());
                          Type(QString(200, QLatin1Char('x')));
                          Child<QCheckBox>(d, "exactMatch")->click();
                          Child<QCheckBox>(d, "matchCase")->click();
                          edit->setFocus();
                          Press(Qt::Key_Return);
                      }},
                      [&] { return dialogs.AskFind(request); }));
    EXPECT_EQ(request.text, QString(128, QLatin1Char('x')));
    EXPECT_FALSE(request.matchCase);
    EXPECT_TRUE(request.exactMatch);

    const FindRequest before = request;
    EXPECT_FALSE(Drive({[](QWidget* d) {
                           Child<QCheckBox>(d, "matchCase")->click();
                           Press(Qt::Key_Escape);
                       }},
                       [&] { return dialogs.AskFind(request); }));
    EXPECT_EQ(request.text, before.text);
    EXPECT_EQ(request.matchCase, before.matchCase);
}

TEST(MessageDialogs, ConfirmationsKeepTheirBoxAndEscapeAnswersNo) {
    QtWorkspaceDialogs dialogs;
    const Confirmation close{12313, QStringLiteral("Confirm Close Archive."),
                             QStringLiteral("Are you sure you want to close this archive?")};
    struct Case {
        int key;
        bool tick;
        bool yes;
    };
    for (const Case& c : {Case{Qt::Key_Return, true, true}, Case{Qt::Key_Escape, false, false},
                          Case{Qt::Key_Escape, true, false}}) {
        bool box = false;
        const bool yes = Drive(
            {[&](QWidget* d) {
                auto* message = qobject_cast<QMessageBox*>(d);
                ASSERT_NE(message, nullptr);
                EXPECT_EQ(message->windowTitle(), close.title);
                EXPECT_EQ(message->text(), close.text);
                EXPECT_EQ(message->checkBox()->text(), QStringLiteral("Do not display this message again."));
                EXPECT_EQ(Child<QPushButton>(d, "button0")->text(), QStringLiteral("&Yes"));
                EXPECT_EQ(Child<QPushButton>(d, "button1")->text(), QStringLiteral("&No"));
                if (c.tick) {
                    message->checkBox()->click();
                }
                Press(c.key);
            }},
            [&] { return dialogs.Confirm(close, box); });
        EXPECT_EQ(yes, c.yes);
        EXPECT_EQ(box, c.tick); // DialogRules decides whether a No stores it
    }

    // An alert shows the box as the flag left it; "File Open Error" words its box its own way.
    bool box = true;
    Drive({[](QWidget* d) {
              auto* message = qobject_cast<QMessageBox*>(d);
              EXPECT_TRUE(message->checkBox()->isChecked());
              EXPECT_EQ(message->checkBox()->text(),
                        QStringLiteral("Do not display this message for this file again."));
              message->checkBox()->click();
              Press(Qt::Key_Return);
          }},
          [&] {
              dialogs.Alert({kDlgFileOpenError, QStringLiteral("File Open Error"), QStringLiteral("x")}, box);
          });
    EXPECT_FALSE(box);
}

TEST(MessageDialogs, OkCancelMessageAndInform) {
    QtWorkspaceDialogs dialogs;
    const QString bin = StringTable::Text(kStrImportIntoBin);
    for (const auto& [key, ok] : {std::pair{Qt::Key_Return, true}, std::pair{Qt::Key_Escape, false}}) {
        EXPECT_EQ(Drive({[&, key = key](QWidget* d) {
                            EXPECT_EQ(qobject_cast<QMessageBox*>(d)->text(), bin);
                            EXPECT_EQ(d->windowTitle(), QStringLiteral("Quorvane"));
                            Press(key);
                        }},
                        [&] { return dialogs.AskOkCancel(bin); }),
                  ok);
    }
    Drive({[](QWidget* d) {
              EXPECT_EQ(qobject_cast<QMessageBox*>(d)->text(),
                        QStringLiteral("The password must be at least 4 characters long."));
              Press(Qt::Key_Escape);
          }},
          [&] { dialogs.ShowMessage(QStringLiteral("The password must be at least 4 characters long.")); });
    Drive({[](QWidget* d) {
              EXPECT_EQ(d->windowTitle(), QStringLiteral("AutoClose"));
              EXPECT_EQ(Child<QPushButton>(d, "button0")->text(), QStringLiteral("&OK"));
              EXPECT_EQ(qobject_cast<QMessageBox*>(d)->checkBox(), nullptr);
              Press(Qt::Key_Return);
          }},
          [&] { dialogs.Inform(StringTable::Dialog(kDlgAutoCloseDone)); });
}

TEST(MessageDialogs, StartupBoxesChangeTheirFlagTheMomentTheyAreClicked) {
    QtWorkspaceDialogs dialogs;
    int flag = 0;
    EXPECT_EQ(Drive({[&](QWidget* d) {
                        EXPECT_EQ(d->windowTitle(), QStringLiteral("Welcome to Quorvane"));
                        auto* box = Child<QCheckBox>(d, "doNotShowAtStartup");
                        EXPECT_EQ(box->text(), QStringLiteral("Do not display this message at startup."));
                        EXPECT_FALSE(Child<QPushButton>(d, "help")->isVisible());
                        box->click();
                        EXPECT_EQ(flag, 1);
                        box->click();
                        EXPECT_EQ(flag, 0);
                        box->click();
                        Child<QPushButton>(d, "new")->click();
                    }},
                    [&] { return dialogs.Welcome(flag); }),
              WelcomeChoice::New);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(Drive({[](QWidget* d) {
                        EXPECT_TRUE(Child<QCheckBox>(d, "doNotShowAtStartup")->isChecked());
                        EXPECT_TRUE(Child<QPushButton>(d, "open")->isDefault());
                        Press(Qt::Key_Return);
                    }},
                    [&] { return dialogs.Welcome(flag); }),
              WelcomeChoice::Open);
    EXPECT_EQ(Drive({[](QWidget*) { Press(Qt::Key_Escape); }}, [&] { return dialogs.Welcome(flag); }),
              WelcomeChoice::Cancel);

    // "Getting Started": the box counts even when the answer is No.
    int started = 0;
    EXPECT_FALSE(Drive({[&](QWidget* d) {
                           auto* message = qobject_cast<QMessageBox*>(d);
                           EXPECT_EQ(
                               message->text(),
                               QStringLiteral("Would you like to import images to your new archive now?"));
                           message->checkBox()->click();
                           EXPECT_EQ(started, 1);
                           Child<QPushButton>(d, "button1")->click();
                       }},
                       [&] { return dialogs.GettingStarted(started); }));
    EXPECT_EQ(started, 1);
}

TEST(AutoCloseCountdown, CountsDownWithoutALoopOfItsOwnAndReportsCancel) {
    QWidget window;
    window.show();
    AutoCloseCountdown countdown(&window);
    QSignalSpy cancelled(&countdown, &AutoCloseCountdown::cancelled);
    countdown.show(); // returns at once: the caller's own check drives it
    EXPECT_TRUE(countdown.isVisible());
    EXPECT_EQ(countdown.windowTitle(), QStringLiteral("AutoClose"));
    EXPECT_EQ(countdown.windowModality(), Qt::ApplicationModal);
    auto* cancel = countdown.findChild<QPushButton*>(QStringLiteral("cancel"));
    EXPECT_EQ(cancel->text(), QStringLiteral("&Cancel"));
    EXPECT_TRUE(cancel->isDefault());
    for (int remaining = 14; remaining >= 1; --remaining) {
        countdown.SetRemaining(remaining);
        EXPECT_EQ(countdown.Text(),
                  QStringLiteral("AutoClose will automatically close all open archives in %1 seconds.")
                      .arg(remaining));
    }
    countdown.Finish();
    EXPECT_FALSE(countdown.isVisible());
    EXPECT_EQ(cancelled.count(), 0);

    countdown.show();
    cancel->click();
    EXPECT_EQ(cancelled.count(), 1);
    countdown.show();
    QTest::keyClick(&countdown, Qt::Key_Escape);
    EXPECT_EQ(cancelled.count(), 2);
    EXPECT_FALSE(countdown.isVisible());
}

TEST(PropertiesSheet, OnePageWithItsLabelsAndTexts) {
    QtWorkspaceDialogs dialogs;
    PropertyArchive archive;
    archive.catalogueLoaded = true;
    archive.fileName = QStringLiteral("Trip.kvq");
    archive.path = QStringLiteral("/home/ann/Trip.kvq");
    archive.entryCount = 3;
    const PropertyPage page =
        PropertyTexts::Page(PropertyPageKind::Archive, PropertyEntry(), archive, QLocale(QLocale::English));
    Drive({[&](QWidget* d) {
              EXPECT_EQ(d->windowTitle(), QStringLiteral("Properties"));
              auto* tabs = Child<QTabWidget>(d, "pages");
              ASSERT_EQ(tabs->count(), 1);
              EXPECT_EQ(tabs->tabText(0), QStringLiteral("Archive Information"));
              EXPECT_EQ(Child<QLabel>(d, "name")->text(), QStringLiteral("Trip.kvq"));
              QStringList shown;
              for (size_t i = 0; i < page.lines.size(); ++i) {
                  shown << Child<QLabel>(d, QStringLiteral("field%1").arg(i).toLatin1().constData())->text();
              }
              EXPECT_EQ(shown.value(0), QStringLiteral("Quorvane Archive"));
              EXPECT_EQ(shown.value(4), QStringLiteral("2 Items"));
              Press(Qt::Key_Escape);
          }},
          [&] { dialogs.ShowProperties(page); });
}

} // namespace
