// "Archive Password" and "Confirm Archive Password": the echo follows "&Hide Password" at once, the
// field is emptied when the dialog closes, and at creation a confirmation that differs from the
// first password only in letter case is refused and asked for again.
#include "ArchiveFixtures.h"

#include "ArchivePropertiesForm.h"
#include "DialogScript.h"
#include "QtWorkspaceDialogs.h"
#include "SecretText.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

TEST(PasswordDialog, HidePasswordSwitchesTheEchoAtOnce) {
    QtWorkspaceDialogs dialogs;
    SecretText password;
    int hide = 1;
    ASSERT_TRUE(Drive({[&](QWidget* d) {
                          EXPECT_EQ(d->windowTitle(), QStringLiteral("Archive Password"));
                          EXPECT_EQ(Child<QLabel>(d, "archiveName")->text(), QStringLiteral("Trip.kvq"));
                          auto* edit = Child<QLineEdit>(d, "password");
                          auto* box = Child<QCheckBox>(d, "hidePassword");
                          EXPECT_EQ(box->text(), QStringLiteral("&Hide Password"));
                          EXPECT_TRUE(box->isChecked());
                          EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
                          Type(QStringLiteral("Open Sesame"));
                          box->click();
                          EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
                          EXPECT_EQ(hide, 0);
                          box->click();
                          EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
                          box->click();
                          edit->setFocus();
                          Press(Qt::Key_Return);
                      }},
                      [&] { return dialogs.AskPassword(QStringLiteral("Trip.kvq"), password, hide); }));
    EXPECT_EQ(password.Text(), QStringLiteral("Open Sesame"));
    EXPECT_EQ(hide, 0);

    // Shown in clear the next time, as the box was left.
    Drive({[&](QWidget* d) {
              EXPECT_FALSE(Child<QCheckBox>(d, "hidePassword")->isChecked());
              EXPECT_EQ(Child<QLineEdit>(d, "password")->echoMode(), QLineEdit::Normal);
              Press(Qt::Key_Escape);
          }},
          [&] { return dialogs.AskPassword(QString(), password, hide); });
}

TEST(PasswordDialog, FieldIsEmptiedWhenTheDialogCloses) {
    QtWorkspaceDialogs dialogs;
    int hide = 1;
    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
        SecretText password;
        QPointer<QLineEdit> field;
        const bool accepted = Drive({[&](QWidget* d) {
                                        field = Child<QLineEdit>(d, "password");
                                        Type(QStringLiteral("hunter22"));
                                        Press(key);
                                        // The dialog has hidden, and still exists until the call returns.
                                        ASSERT_FALSE(field.isNull());
                                        EXPECT_TRUE(field->text().isEmpty());
                                        EXPECT_FALSE(field->isUndoAvailable());
                                    }},
                                    [&] { return dialogs.AskConfirmPassword(password, hide); });
        EXPECT_EQ(accepted, key == Qt::Key_Return);
        EXPECT_EQ(password.Text(), accepted ? QStringLiteral("hunter22") : QString());
        EXPECT_TRUE(field.isNull()); // nothing of the dialog is left behind
    }
}

// The engine asks through the Qt dialogs, as the desktop program's host does.
class DialogBackedHost : public ScriptedHost {
public:
    explicit DialogBackedHost(QtWorkspaceDialogs& dialogs)
        : dialogs_(dialogs) {}

    bool AskCreateSettings(const std::string& /*path*/, CreateSettings& settings) override {
        ArchivePropertiesForm form;
        form.thumbnails = false;
        form.SelectThumbnailMode(0);
        SecretText password;
        if (!dialogs_.AskCreateSettings(form, password)) {
            return false;
        }
        settings.encrypt = form.encryption;
        settings.method = form.method;
        settings.thumbnails = form.thumbnails;
        settings.password = password.Utf8();
        return true;
    }
    bool AskConfirmPassword(std::string& password) override {
        SecretText typed;
        int hide = 1;
        if (!dialogs_.AskConfirmPassword(typed, hide)) {
            return false;
        }
        password = typed.Utf8();
        return true;
    }

private:
    QtWorkspaceDialogs& dialogs_;
};

TEST(PasswordDialog, ConfirmationDifferingInCaseIsRefusedAndAskedAgain) {
    QtWorkspaceDialogs dialogs;
    DialogBackedHost host(dialogs);
    MemoryFileSystem fs;
    fs.MakeDirectory("/a");
    CCodeArchive archive(host, fs);
    auto typeAndOk = [](const QString& text) {
        return [text](QWidget* d) {
            auto* field = Child<QLineEdit>(d, "password");
            EXPECT_TRUE(field->text().isEmpty()) << "the field starts empty";
            field->setFocus();
            Type(text);
            Press(Qt::Key_Return);
        };
    };
    const Status status = Drive({typeAndOk(QStringLiteral("Secret1")), typeAndOk(QStringLiteral("secret1")),
                                 typeAndOk(QStringLiteral("Secret1"))},
                                [&] { return archive.Create("/a/Case.kvq"); });
    ASSERT_EQ(status, kOk);
    EXPECT_EQ(host.messages, std::vector<Status>({kErrConfirmPassword}));
    archive.Close(true);

    // The key is the first password, not the mistyped confirmation.
    ScriptedHost opener;
    Status wrong = kOk;
    OpenArchive(fs, opener, "/a/Case.kvq", "secret1", &wrong);
    EXPECT_NE(wrong, kOk);
    Status right = kErrGeneral;
    OpenArchive(fs, opener, "/a/Case.kvq", "Secret1", &right);
    EXPECT_EQ(right, kOk);
}

} // namespace
