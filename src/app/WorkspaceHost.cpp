#include "WorkspaceHost.h"

#include "ArchivePropertiesForm.h"
#include "DialogRules.h"
#include "MainFrame.h"
#include "Preferences.h"
#include "ProgressWindow.h"
#include "SecretText.h"
#include "StringTable.h"
#include "Workspace.h"
#include "WorkspaceDialogs.h"

#include <algorithm>

namespace quorvane {

namespace {

Confirmation ToConfirmation(const Prompt& prompt) {
    return {prompt.dialogId, QString::fromStdString(prompt.title), QString::fromStdString(prompt.text)};
}

// Zeroes a password's bytes before the string lets go of them.
void WipeString(std::string& text) {
    std::fill(text.begin(), text.end(), '\0');
    text.clear();
}

} // namespace

WorkspaceHost::WorkspaceHost(Workspace& workspace, WorkspaceDialogs& dialogs, Preferences& preferences)
    : workspace_(workspace)
    , dialogs_(dialogs)
    , prefs_(preferences) {}

void WorkspaceHost::ShowMessage(Status code, const std::string& text) {
    dialogs_.ShowMessage(text.empty() ? StringTable::ErrorText(code) : QString::fromStdString(text));
}

void WorkspaceHost::ShowNotice(const std::string& text) {
    dialogs_.ShowMessage(QString::fromStdString(text));
}

bool WorkspaceHost::AskPassword(const std::string& displayName, std::string& password) {
    SecretText typed;
    if (!dialogs_.AskPassword(QString::fromStdString(displayName), typed, prefs_.hidePassword)) {
        return false;
    }
    password = typed.Utf8();
    return true;
}

bool WorkspaceHost::AskCreateSettings(const std::string& /*path*/, CreateSettings& settings) {
    ArchivePropertiesForm form = ArchivePropertiesForm::FromPreferences(prefs_);
    SecretText first;
    first.SetUtf8(settings.password);
    WipeString(settings.password);
    if (!dialogs_.AskCreateSettings(form, first)) {
        return false;
    }
    form.StoreInto(prefs_);
    settings.encrypt = form.encryption;
    settings.password = form.encryption ? first.Utf8() : std::string();
    settings.method = form.method;
    settings.thumbnails = form.thumbnails;
    settings.thumbnailFormat = static_cast<uint8_t>(std::clamp(form.thumbnailFormat, 1, 8));
    settings.highQuality = form.highQuality;
    return true;
}

bool WorkspaceHost::AskConfirmPassword(std::string& password) {
    SecretText typed;
    if (!dialogs_.AskConfirmPassword(typed, prefs_.hidePassword)) {
        return false;
    }
    password = typed.Utf8();
    return true;
}

bool WorkspaceHost::Confirm(const Prompt& prompt) {
    int unbound = 0; // a prompt without a preference flag is always asked
    int* flag = prefs_.AlertFlag(QString::fromStdString(prompt.flag));
    return DialogRules::Confirm(dialogs_, ToConfirmation(prompt), flag ? *flag : unbound);
}

void WorkspaceHost::Alert(const Prompt& prompt) {
    int unbound = 0;
    int* flag = prefs_.AlertFlag(QString::fromStdString(prompt.flag));
    DialogRules::Alert(dialogs_, ToConfirmation(prompt), flag ? *flag : unbound);
}

bool WorkspaceHost::ChooseFolder(std::string& folder) {
    const std::optional<QString> chosen = dialogs_.ChooseExportFolder();
    if (!chosen) {
        return false;
    }
    QString path = *chosen;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }
    folder = path.toStdString();
    return true;
}

void WorkspaceHost::ProgressOpen(int kind, const std::string& archiveName, int thumbnailFormat, int quality) {
    ProgressOpenFor(nullptr, kind, archiveName, thumbnailFormat, quality);
}

void WorkspaceHost::ProgressOpenFor(const CCodeArchive* archive, int kind, const std::string& archiveName,
                                    int thumbnailFormat, int quality) {
    if (progressOwners_.empty() && frame_) {
        frame_->SetFrameDisabled(true);
    }
    if (archive) {
        // The window replaces the one the archive still has; it is one Close, not two.
        std::erase(progressOwners_, archive);
    }
    progressOwners_.push_back(archive);
    if (progress_) {
        progress_->Open(archive, kind, QString::fromStdString(archiveName), thumbnailFormat, quality);
    }
}

void WorkspaceHost::ProgressTotal(int total) {
    if (progress_) {
        progress_->Total(total);
    }
}

void WorkspaceHost::ProgressText(const std::string& text, const ProgressCounts& counts) {
    if (progress_) {
        progress_->Text(QString::fromStdString(text), counts);
    }
}

void WorkspaceHost::ProgressPiece(int piece, int pieces) {
    if (progress_) {
        progress_->Piece(piece, pieces);
    }
}

bool WorkspaceHost::PollCancel() {
    if (cancelRequested_) {
        return true;
    }
    const bool cancelled = progress_ && progress_->Poll();
    // The poll may have brought a close request.
    return cancelled || cancelRequested_;
}

void WorkspaceHost::ProgressClose() {
    if (progressOwners_.empty()) {
        return;
    }
    progressOwners_.pop_back();
    if (progress_) {
        progress_->Close();
    }
    if (progressOwners_.empty() && frame_) {
        frame_->SetFrameDisabled(false);
    }
}

void WorkspaceHost::WaitCursor(bool on) {
    if (frame_) {
        frame_->SetWaitCursor(on);
    }
}

void WorkspaceHost::CatalogueAboutToChange(CCodeArchive& archive) {
    workspace_.CatalogueAboutToChange(archive);
}

void WorkspaceHost::CatalogueChanged(CCodeArchive& archive) {
    workspace_.CatalogueChanged(archive);
}

} // namespace quorvane
