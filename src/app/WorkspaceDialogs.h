#pragma once
// Every dialog the Workspace shows. The desktop program answers with Qt dialogs (its ArchiveHost
// sits on the same implementation), the tests with fakes that answer from a script.
#include "StringTable.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quorvane {

class ArchivePropertiesForm;
class CCodeArchive;
class Preferences;
class SecretText;

// A confirmation or alert with the box "Do not display this message again.".
struct Confirmation {
    int resource = 0;
    QString title;
    QString text;
};

enum class WelcomeChoice { Open, New, Cancel };

// The one page the "Properties" sheet shows.
enum class PropertiesPage { File = 0, Folder = 1, Archive = 2 };

struct FindRequest {
    QString text;
    bool matchCase = false;
    bool exactMatch = false;
};

class WorkspaceDialogs {
public:
    virtual ~WorkspaceDialogs() = default;

    // "Open Archive": the chosen archive's path, nothing when cancelled.
    virtual std::optional<QString> ChooseArchiveToOpen(const QString& folder) = 0;
    // "Create Archive As", asking before an existing file is replaced.
    virtual std::optional<QString> ChooseArchiveToCreate(const QString& folder, const QString& fileName) = 0;
    // "Import": the chosen files as full paths, empty when cancelled.
    virtual QStringList ChooseImportFiles(const QString& folder) = 0;
    // "Select Export Folder": a folder that exists, nothing when cancelled.
    virtual std::optional<QString> ChooseExportFolder() = 0;

    // "Archive Password" and "Confirm Archive Password"; "&Hide Password" reads and sets `hidePassword`.
    virtual bool AskPassword(const QString& archiveName, SecretText& password, int& hidePassword) = 0;
    virtual bool AskConfirmPassword(SecretText& password, int& hidePassword) = 0;
    // "Archive Properties" when creating an archive.
    virtual bool AskCreateSettings(ArchivePropertiesForm& form, SecretText& password) = 0;
    // "Edit Comment".
    virtual bool EditComment(QString& comment) = 0;
    // "Find": true for "&Find Next".
    virtual bool AskFind(FindRequest& request) = 0;

    // A message box with an OK button.
    virtual void ShowMessage(const QString& text) = 0;
    // A question with OK and Cancel: true for OK.
    virtual bool AskOkCancel(const QString& text) = 0;
    // One of the string table's message dialogs (title, text, OK).
    virtual void Inform(const DialogStrings& dialog) = 0;

    // A confirmation (Yes/No; true for Yes) or an alert (OK). `doNotShowAgain` holds the box's
    // state on entry and on return. DialogRules decides when they are shown and what the box stores.
    virtual bool Confirm(const Confirmation& confirmation, bool& doNotShowAgain) = 0;
    virtual void Alert(const Confirmation& confirmation, bool& doNotShowAgain) = 0;

    // "Welcome to Quorvane" and "Getting Started" (true for Yes): their box sets `flag` to 1 or 0
    // the moment it is clicked, not when the dialog is left.
    virtual WelcomeChoice Welcome(int& flag) = 0;
    virtual bool GettingStarted(int& flag) = 0;

    // ---- the Properties and Preferences commands
    // "Properties" with its one page: a file's or a folder's (`number` its entry number) or the
    // archive's (`number` 0). The page reads its texts from `archive` while it is shown.
    virtual void ShowProperties(PropertiesPage page, CCodeArchive& archive, int number) = 0;
    // "Preferences", editing `preferences` directly: true for OK.
    virtual bool EditPreferences(Preferences& preferences) = 0;
};

} // namespace quorvane
