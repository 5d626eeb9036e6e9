#pragma once
// Every dialog the Workspace shows. The desktop program answers with Qt dialogs (its ArchiveHost
// sits on the same implementation), the tests with fakes that answer from a script.
#include "StringTable.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quorvane {

class ArchivePropertiesForm;
class Preferences;
class SecretText;
struct PropertyPage;

// A confirmation or alert with the box "Do not display this message again.".
struct Confirmation {
    int resource = 0;
    QString title;
    QString text;
};

enum class WelcomeChoice { Open, New, Cancel };

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
    // Whether "Remove the originals after import" was ticked in the Import dialog just accepted.
    virtual bool RemoveOriginalsChosen() { return false; }
    // "Select Export Folder": a folder that exists, nothing when cancelled.
    virtual std::optional<QString> ChooseExportFolder() = 0;

    // "Archive Password" and "Confirm Archive Password"; "&Hide Password" reads and sets `hidePassword`.
    // The password field starts empty; `password` receives what was typed (the confirmation is
    // compared by the caller with the first password, which it keeps in a buffer of its own).
    virtual bool AskPassword(const QString& archiveName, SecretText& password, int& hidePassword) = 0;
    virtual bool AskConfirmPassword(SecretText& password, int& hidePassword) = 0;
    // "Archive Properties" when creating an archive; `form` changes only on OK.
    virtual bool AskCreateSettings(ArchivePropertiesForm& form, SecretText& password) = 0;
    // "Edit Comment".
    virtual bool EditComment(QString& comment) = 0;
    // "Find": true for "&Find Next".
    virtual bool AskFind(FindRequest& request) = 0;
    // The "Preferences" sheet: true for OK, after its values went into `preferences` (the alert
    // reset applied); nothing changes on Cancel.
    virtual bool EditPreferences(Preferences& preferences) = 0;
    // The "Properties" sheet with its one page.
    virtual void ShowProperties(const PropertyPage& page) = 0;

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
};

} // namespace quorvane
