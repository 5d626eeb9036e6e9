#include "QtWorkspaceDialogs.h"

#include "ArchivePropertiesDialog.h"
#include "CommentDialog.h"
#include "ExportFolderDialog.h"
#include "FileTypeFilter.h"
#include "FindDialog.h"
#include "MessageDialog.h"
#include "PasswordDialog.h"
#include "Preferences.h"
#include "PreferencesSheet.h"
#include "PropertiesSheet.h"
#include "SecretText.h"
#include "StringTable.h"
#include "WelcomeDialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>

#include <utility>

namespace quorvane {

namespace {

constexpr QSize kFileDialogSize(780, 500);

// A dialog on the heap, deleted when the call ends. Whatever closes the parent window while the
// dialog runs (auto close, the end of the session) deletes the dialog with it; the guard then reads
// null and the call answers as if it was cancelled, instead of touching a deleted object.
template <typename Dialog>
class Running {
public:
    Running(Dialog* dialog, std::function<void()> closed)
        : dialog_(dialog)
        , closed_(std::move(closed)) {}
    ~Running() {
        delete dialog_.data();
        if (closed_) {
            closed_();
        }
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    Dialog* operator->() const { return dialog_.data(); }
    Dialog* get() const { return dialog_.data(); }
    // True when the dialog was accepted and still exists.
    bool Accepted() {
        const int result = dialog_->exec();
        return !dialog_.isNull() && result == QDialog::Accepted;
    }
    // The index of the button that ended a message dialog; -1 when none did or it is gone.
    int Run() {
        const int index = dialog_->Run();
        return dialog_.isNull() ? -1 : index;
    }
    bool Alive() const { return !dialog_.isNull(); }

private:
    QPointer<Dialog> dialog_;
    std::function<void()> closed_;
};

// Qt's own file dialog, at a size that shows a folder's names without scrolling sideways.
QFileDialog* FileDialog(QWidget* parent, int title, const QString& folder) {
    auto* dialog = new QFileDialog(parent, StringTable::Text(title), folder);
    dialog->setObjectName(QStringLiteral("fileDialog"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->resize(dialog->sizeHint().expandedTo(kFileDialogSize));
    return dialog;
}

QFileDialog* ArchiveFileDialog(QWidget* parent, int title, const QString& folder) {
    QFileDialog* dialog = FileDialog(parent, title, folder);
    dialog->setDefaultSuffix(QStringLiteral("kvq"));
    FileTypeFilter(StringTable::Text(kStrArchiveFilter)).ApplyTo(*dialog);
    return dialog;
}

QString FirstSelected(QFileDialog& dialog) {
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace

QtWorkspaceDialogs::QtWorkspaceDialogs(QWidget* parent)
    : parent_(parent)
    , exportStart_(Preferences::DefaultFolder()) {}

std::optional<QString> QtWorkspaceDialogs::ChooseArchiveToOpen(const QString& folder) {
    Running dialog(ArchiveFileDialog(parent_, kStrOpenArchiveTitle, folder), closed_);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    if (!dialog.Accepted()) {
        return std::nullopt;
    }
    return FirstSelected(*dialog.get());
}

std::optional<QString> QtWorkspaceDialogs::ChooseArchiveToCreate(const QString& folder,
                                                                 const QString& fileName) {
    Running dialog(ArchiveFileDialog(parent_, kStrCreateArchiveTitle, folder), closed_);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // Qt's save dialog asks before it lets an existing file be chosen.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->selectFile(fileName.isEmpty() ? QStringLiteral("Archive.kvq") : fileName);
    if (!dialog.Accepted()) {
        return std::nullopt;
    }
    return FirstSelected(*dialog.get());
}

QStringList QtWorkspaceDialogs::ChooseImportFiles(const QString& folder) {
    Running dialog(FileDialog(parent_, kStrImportTitle, folder), closed_);
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    FileTypeFilter(StringTable::Text(kStrImportFilter)).ApplyTo(*dialog.get());
    auto* remove = new QCheckBox(QStringLiteral("&Remove the originals after import"), dialog.get());
    remove->setObjectName(QStringLiteral("removeOriginals"));
    remove->setAccessibleName(remove->text().remove(u'&'));
    remove->setToolTip(QStringLiteral("Each file is deleted only after its copy in the archive was read back "
                                      "and found identical; any other file is kept."));
    remove->setChecked(removeOriginals_);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout())) {
        grid->addWidget(remove, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (!dialog.Accepted()) {
        return {};
    }
    removeOriginals_ = remove->isChecked();
    QStringList files;
    for (const QString& file : dialog->selectedFiles()) {
        files << QFileInfo(file).absoluteFilePath();
    }
    return files;
}

std::optional<QString> QtWorkspaceDialogs::ChooseExportFolder() {
    Running dialog(new ExportFolderDialog(exportStart_, parent_), closed_);
    dialog->resize(dialog->sizeHint().expandedTo(kFileDialogSize));
    if (!dialog.Accepted()) {
        return std::nullopt;
    }
    return dialog->ResultPath();
}

bool QtWorkspaceDialogs::AskPasswordOf(int resource, const QString& archiveName, SecretText& password,
                                       int& hidePassword) {
    Running dialog(new PasswordDialog(resource, archiveName, hidePassword != 0, parent_), closed_);
    QObject::connect(dialog.get(), &PasswordDialog::hidePasswordChanged,
                     [&hidePassword](bool hide) { hidePassword = hide ? 1 : 0; });
    const bool accepted = dialog.Accepted();
    if (!accepted) {
        password.Wipe();
        return false;
    }
    dialog->TakePassword(password);
    return true;
}

bool QtWorkspaceDialogs::AskPassword(const QString& archiveName, SecretText& password, int& hidePassword) {
    return AskPasswordOf(kDlgPassword, archiveName, password, hidePassword);
}

bool QtWorkspaceDialogs::AskConfirmPassword(SecretText& password, int& hidePassword) {
    // Its own field, starting empty: what is typed here is compared with the first password, never
    // read back from it.
    return AskPasswordOf(kDlgConfirmPassword, QString(), password, hidePassword);
}

bool QtWorkspaceDialogs::AskCreateSettings(ArchivePropertiesForm& form, SecretText& password) {
    Running dialog(new ArchivePropertiesDialog(form, parent_), closed_);
    if (help_) {
        dialog->SetHelpHandler([this] { help_(kDlgArchiveProperties); });
    }
    if (!dialog.Accepted()) {
        password.Wipe();
        return false;
    }
    form = dialog->Form();
    if (form.encryption) {
        dialog->TakePassword(password);
    } else {
        // No password goes with an archive that is not encrypted, whatever the greyed field kept.
        password.Wipe();
    }
    return true;
}

bool QtWorkspaceDialogs::EditComment(QString& comment) {
    Running dialog(new CommentDialog(comment, parent_), closed_);
    if (!dialog.Accepted()) {
        return false;
    }
    comment = dialog->Comment();
    return true;
}

bool QtWorkspaceDialogs::AskFind(FindRequest& request) {
    Running dialog(new FindDialog(request, parent_), closed_);
    if (!dialog.Accepted()) {
        return false;
    }
    request = dialog->Request();
    return true;
}

bool QtWorkspaceDialogs::EditPreferences(Preferences& preferences) {
    Running dialog(new PreferencesSheet(preferences, parent_), closed_);
    if (!dialog.Accepted()) {
        return false;
    }
    dialog->StoreInto(preferences);
    return true;
}

void QtWorkspaceDialogs::ShowProperties(const PropertyPage& page) {
    Running dialog(new PropertiesSheet(page, parent_), closed_);
    dialog.Accepted();
}

void QtWorkspaceDialogs::ShowMessage(const QString& text) {
    DialogStrings strings{StringTable::Text(kStrApplicationTitle), text, {}, {QStringLiteral("OK")}, {}};
    Running dialog(new MessageDialog(strings, QMessageBox::Warning, parent_), closed_);
    dialog.Run();
}

bool QtWorkspaceDialogs::AskOkCancel(const QString& text) {
    DialogStrings strings{StringTable::Text(kStrApplicationTitle),
                          text,
                          {},
                          {QStringLiteral("OK"), QStringLiteral("Cancel")},
                          {}};
    Running dialog(new MessageDialog(strings, QMessageBox::Question, parent_), closed_);
    return dialog.Run() == 0;
}

void QtWorkspaceDialogs::Inform(const DialogStrings& strings) {
    DialogStrings shown = strings;
    if (shown.buttons.isEmpty()) {
        shown.buttons << QStringLiteral("OK");
    }
    Running dialog(new MessageDialog(shown, QMessageBox::Information, parent_), closed_);
    dialog.Run();
}

bool QtWorkspaceDialogs::Confirm(const Confirmation& confirmation, bool& doNotShowAgain) {
    const DialogStrings strings{confirmation.title,
                                confirmation.text,
                                StringTable::DoNotDisplayAgain(),
                                {QStringLiteral("&Yes"), QStringLiteral("&No")},
                                {}};
    Running dialog(new MessageDialog(strings, QMessageBox::Question, parent_), closed_);
    dialog->SetCheckBoxState(doNotShowAgain);
    const bool yes = dialog.Run() == 0;
    if (dialog.Alive()) {
        doNotShowAgain = dialog->CheckBoxState();
    }
    return yes;
}

void QtWorkspaceDialogs::Alert(const Confirmation& confirmation, bool& doNotShowAgain) {
    // "File Open Error" has a box of its own wording.
    const QString own = StringTable::Dialog(confirmation.resource).checkBox;
    const DialogStrings strings{confirmation.title,
                                confirmation.text,
                                own.isEmpty() ? StringTable::DoNotDisplayAgain() : own,
                                {QStringLiteral("&OK")},
                                {}};
    Running dialog(new MessageDialog(strings, QMessageBox::Information, parent_), closed_);
    dialog->SetCheckBoxState(doNotShowAgain);
    dialog.Run();
    if (dialog.Alive()) {
        doNotShowAgain = dialog->CheckBoxState();
    }
}

WelcomeChoice QtWorkspaceDialogs::Welcome(int& flag) {
    Running dialog(new WelcomeDialog(flag, parent_), closed_);
    if (help_) {
        dialog->SetHelpHandler([this] { help_(kDlgWelcome); });
    }
    if (!dialog.Accepted()) {
        return WelcomeChoice::Cancel;
    }
    return dialog->Choice();
}

bool QtWorkspaceDialogs::GettingStarted(int& flag) {
    Running dialog(new MessageDialog(StringTable::Dialog(kDlgGettingStarted), QMessageBox::Question, parent_),
                   closed_);
    dialog->SetCheckBoxState(flag != 0, [&flag](bool checked) { flag = checked ? 1 : 0; });
    return dialog.Run() == 0;
}

} // namespace quorvane
