// Every dialog can be used with the keyboard alone: Tab reaches each input control in a sensible
// order, and the mnemonics of the labels and boxes work.
#include "DialogScript.h"

#include "ArchivePropertiesForm.h"
#include "AutoCloseCountdown.h"
#include "HelpWindow.h"
#include "Preferences.h"
#include "PropertyTexts.h"
#include "QtWorkspaceDialogs.h"
#include "SecretText.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

struct Walk {
    const char* dialog;
    std::function<void(QtWorkspaceDialogs&)> open;
    QStringList order; // from the control that has the focus when the dialog opens
};

TEST(Keyboard, TabReachesEveryControlInOrder) {
    Preferences preferences;
    const std::vector<Walk> walks = {
        {"Archive Properties",
         [](QtWorkspaceDialogs& d) {
             ArchivePropertiesForm form;
             SecretText password;
             d.AskCreateSettings(form, password);
         },
         {"password", "method", "thumbnails", "thumbnailSize", "thumbnailColours", "OK", "Cancel",
          "encryption"}},
        {"Archive Password",
         [](QtWorkspaceDialogs& d) {
             SecretText password;
             int hide = 1;
             d.AskPassword(QStringLiteral("Trip.kvq"), password, hide);
         },
         {"password", "hidePassword", "OK", "Cancel"}},
        {"Confirm Archive Password",
         [](QtWorkspaceDialogs& d) {
             SecretText password;
             int hide = 0;
             d.AskConfirmPassword(password, hide);
         },
         {"password", "hidePassword", "OK", "Cancel"}},
        {"Edit Comment",
         [](QtWorkspaceDialogs& d) {
             QString comment;
             d.EditComment(comment);
         },
         {"comment", "OK", "Cancel"}},
        {"Find",
         [](QtWorkspaceDialogs& d) {
             FindRequest request;
             d.AskFind(request);
         },
         {"findText", "matchCase", "exactMatch", "findNext", "cancel"}},
        {"Welcome",
         [](QtWorkspaceDialogs& d) {
             int flag = 0;
             d.Welcome(flag);
         },
         {"open", "new", "doNotShowAtStartup", "cancel"}},
        {"Confirmation",
         [](QtWorkspaceDialogs& d) {
             bool box = false;
             d.Confirm({12313, QStringLiteral("Confirm Close Archive."), QStringLiteral("Close?")}, box);
         },
         {"button0", "button1", "doNotShowAgain"}},
        {"Preferences",
         [&preferences](QtWorkspaceDialogs& d) { d.EditPreferences(preferences); },
         {"automatic", "delay", "showInfo", "showComments", "backgroundColour", "imagesPerSlide", "OK",
          "Cancel"}},
        {"Import",
         [](QtWorkspaceDialogs& d) { d.ChooseImportFiles(QDir::tempPath()); },
         {"fileNameEdit", "fileTypeCombo", "removeOriginals"}},
        {"Export",
         [](QtWorkspaceDialogs& d) { d.ChooseExportFolder(); },
         {"folderEdit", "Select", "Cancel", "lookInCombo", "sidebar"}},
        {"Properties",
         [](QtWorkspaceDialogs& d) {
             d.ShowProperties(PropertyTexts::Page(PropertyPageKind::Folder, {}, {}, QLocale::c()));
         },
         {"OK", "Cancel"}},
    };
    for (const Walk& walk : walks) {
        QtWorkspaceDialogs dialogs;
        QStringList seen;
        Drive({[&](QWidget*) {
                  seen = TabWalk();
                  Press(Qt::Key_Escape);
              }},
              [&] { walk.open(dialogs); });
        EXPECT_TRUE(InOrder(seen, walk.order))
            << walk.dialog << ": " << seen.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(Keyboard, PreferencesPagesAndGeneralControls) {
    QtWorkspaceDialogs dialogs;
    Preferences preferences;
    QStringList general;
    Drive({[&](QWidget* sheet) {
              auto* tabs = sheet->findChild<QTabWidget*>();
              Press(Qt::Key_Tab, Qt::ControlModifier);
              EXPECT_EQ(tabs->currentIndex(), 1);
              sheet->findChild<QWidget*>(QStringLiteral("enableAutoClose"))->setFocus();
              general = TabWalk();
              Press(Qt::Key_Tab, Qt::ControlModifier);
              EXPECT_EQ(tabs->currentIndex(), 0);
              Press(Qt::Key_Escape);
          }},
          [&] { dialogs.EditPreferences(preferences); });
    EXPECT_TRUE(InOrder(general, {"enableAutoClose", "wait", "enableAlerts", "OK", "Cancel"}))
        << general.join(QLatin1Char(' ')).toStdString();
}

TEST(Keyboard, Mnemonics) {
    QtWorkspaceDialogs dialogs;
    FindRequest request;
    Drive({[](QWidget* d) {
              auto* edit = Child<QLineEdit>(d, "findText");
              // A box's mnemonic clicks it the way a mouse would, after a short press.
              Press(Qt::Key_M, Qt::AltModifier);
              EXPECT_TRUE(WaitUntil([d] { return Child<QCheckBox>(d, "matchCase")->isChecked(); }));
              Press(Qt::Key_E, Qt::AltModifier);
              EXPECT_TRUE(WaitUntil([d] { return Child<QCheckBox>(d, "exactMatch")->isChecked(); }));
              Press(Qt::Key_N, Qt::AltModifier);
              EXPECT_EQ(QApplication::focusWidget(), edit);
              Type(QStringLiteral("sea"));
              Press(Qt::Key_F, Qt::AltModifier); // "&Find Next"
          }},
          [&] { EXPECT_TRUE(dialogs.AskFind(request)); });
    EXPECT_EQ(request.text, QStringLiteral("sea"));
    EXPECT_TRUE(request.matchCase);
    EXPECT_TRUE(request.exactMatch);

    SecretText password;
    int hide = 1;
    Drive({[](QWidget* d) {
              Press(Qt::Key_H, Qt::AltModifier);
              EXPECT_TRUE(WaitUntil(
                  [d] { return Child<QLineEdit>(d, "password")->echoMode() == QLineEdit::Normal; }));
              Press(Qt::Key_Escape);
          }},
          [&] { dialogs.AskPassword(QString(), password, hide); });
    EXPECT_EQ(hide, 0);

    int flag = 0;
    EXPECT_EQ(
        Drive({[](QWidget*) { Press(Qt::Key_N, Qt::AltModifier); }}, [&] { return dialogs.Welcome(flag); }),
        WelcomeChoice::New);
}

// The help window: Tab goes from its buttons into the text and on through the text's links, Return
// follows the chosen link and Alt+B ("&Back") returns.
TEST(Keyboard, HelpIsReadWithTheKeyboard) {
    HelpWindow help;
    help.ShowTopic(HelpTopic::Contents);
    help.show();
    help.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    auto* text = Child<QTextBrowser>(&help, "helpText");
    const QUrl contents = text->source();
    Child<QWidget>(&help, "contents")->setFocus();
    const QStringList walk = TabWalk();
    EXPECT_TRUE(InOrder(walk, {"contents", "helpText"})) << walk.join(QLatin1Char(' ')).toStdString();

    text->setFocus();
    Press(Qt::Key_Tab); // the first link
    ASSERT_EQ(QApplication::focusWidget(), text);
    ASSERT_TRUE(text->textCursor().hasSelection()) << "no link was chosen";
    Press(Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return text->source() != contents; })) << "the link was not followed";
    Press(Qt::Key_B, Qt::AltModifier);
    EXPECT_TRUE(WaitUntil([&] { return text->source() == contents; })) << "Back did not return";
}

// Help asked from a modal dialog is not left blocked behind it: it takes the keys, Esc puts it away
// (not the dialog), and the dialog has the keys again.
TEST(Keyboard, HelpFromADialogTakesTheKeysOverIt) {
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("asking"));
    auto* ask = new QPushButton(QStringLiteral("Help"), &dialog);
    QObject::connect(ask, &QPushButton::clicked, [] { HelpWindow::Open(HelpTopic::Archives); });
    Drive({[&](QWidget*) { ask->click(); },
           [&](QWidget* help) {
               EXPECT_EQ(help->objectName(), QStringLiteral("helpWindow"));
               EXPECT_EQ(QApplication::focusWidget(), Child<QWidget>(help, "helpText"));
               const QPointer<QWidget> gone(help);
               Press(Qt::Key_Escape);
               EXPECT_TRUE(WaitUntil([&] { return gone.isNull(); }));
               EXPECT_TRUE(dialog.isVisible()) << "Esc cancelled the dialog below";
               EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
               dialog.reject();
           }},
          [&] { dialog.exec(); });
}

// Esc and Ctrl+W put the help window away, and the window it was asked from has the keys again.
TEST(Keyboard, EscOrCtrlWClosesTheHelp) {
    QWidget main;
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    for (const QKeyCombination key : {QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W}) {
        const QPointer<HelpWindow> help = HelpWindow::Open(HelpTopic::Keyboard);
        ASSERT_TRUE(QTest::qWaitForWindowActive(help.data()));
        Press(key.key(), key.keyboardModifiers());
        EXPECT_TRUE(WaitUntil([&] { return help.isNull(); })) << key.toCombined();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&main)) << key.toCombined();
    }
}

TEST(Keyboard, DialogsAreCentredOnTheirWindow) {
    QWidget window;
    window.setGeometry(100, 120, 900, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QtWorkspaceDialogs dialogs(&window);
    QPoint dialogCentre;
    QString comment;
    Drive({[&](QWidget* d) {
              dialogCentre = d->frameGeometry().center();
              Press(Qt::Key_Escape);
          }},
          [&] { dialogs.EditComment(comment); });
    const QPoint windowCentre = window.frameGeometry().center();
    EXPECT_LE((dialogCentre - windowCentre).manhattanLength(), 40)
        << dialogCentre.x() << "," << dialogCentre.y() << " vs " << windowCentre.x() << ","
        << windowCentre.y();
}

} // namespace
