#pragma once
// The Workspace's dialogs as Qt dialogs, each modal on the given parent window and centred on it.
// File dialogs are Qt's own (not the desktop's native ones), so that they look the same everywhere
// and tests can drive them.
#include "WorkspaceDialogs.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <utility>

namespace quorvane {

class QtWorkspaceDialogs : public WorkspaceDialogs {
public:
    explicit QtWorkspaceDialogs(QWidget* parent = nullptr);

    void SetParentWindow(QWidget* parent) { parent_ = parent; }
    QWidget* ParentWindow() const { return parent_; }
    // Until a handler is given the dialogs show no Help button; it receives the dialog's resource
    // number (12338 Archive Properties, 12341 Welcome).
    void SetHelpHandler(std::function<void(int resource)> handler) { help_ = std::move(handler); }
    // Runs each time one of these dialogs has closed: leaving a dialog counts as activity for auto close.
    void SetClosedHandler(std::function<void()> handler) { closed_ = std::move(handler); }

    std::optional<QString> ChooseArchiveToOpen(const QString& folder) override;
    // An empty `fileName` offers "Archive.kvq".
    std::optional<QString> ChooseArchiveToCreate(const QString& folder, const QString& fileName) override;
    // The Import dialog carries the box "Remove the originals after import"; it keeps its state
    // for the rest of the session.
    QStringList ChooseImportFiles(const QString& folder) override;
    bool RemoveOriginalsChosen() override { return removeOriginals_; }
    std::optional<QString> ChooseExportFolder() override;

    bool AskPassword(const QString& archiveName, SecretText& password, int& hidePassword) override;
    bool AskConfirmPassword(SecretText& password, int& hidePassword) override;
    bool AskCreateSettings(ArchivePropertiesForm& form, SecretText& password) override;
    bool EditComment(QString& comment) override;
    bool AskFind(FindRequest& request) override;
    bool EditPreferences(Preferences& preferences) override;
    void ShowProperties(const PropertyPage& page) override;

    void ShowMessage(const QString& text) override;
    bool AskOkCancel(const QString& text) override;
    void Inform(const DialogStrings& dialog) override;
    bool Confirm(const Confirmation& confirmation, bool& doNotShowAgain) override;
    void Alert(const Confirmation& confirmation, bool& doNotShowAgain) override;
    WelcomeChoice Welcome(int& flag) override;
    bool GettingStarted(int& flag) override;

    // Where the export folder chooser starts; the user's Pictures folder (else home) by default.
    void SetExportStartFolder(const QString& folder) { exportStart_ = folder; }

private:
    bool AskPasswordOf(int resource, const QString& archiveName, SecretText& password, int& hidePassword);

    QPointer<QWidget> parent_;
    std::function<void(int)> help_;
    std::function<void()> closed_;
    QString exportStart_;
    bool removeOriginals_ = false;
};

} // namespace quorvane
