#pragma once
// The ArchiveHost of the desktop program: how the engine reaches a person while the Workspace's
// archives are open. Messages, prompts and choosers go to WorkspaceDialogs, the suppressible
// confirmations and alerts through DialogRules with the preference flag each one names, the
// progress calls to a ProgressWindow, and the catalogue notifications to the Workspace, which
// freezes and refills the panes around them.
#include "ArchiveHost.h"
#include "CCodeArchive.h"

#include <vector>

namespace quorvane {

class MainFrame;
class Preferences;
class ProgressWindow;
class Workspace;
class WorkspaceDialogs;

class WorkspaceHost : public ArchiveHost {
public:
    WorkspaceHost(Workspace& workspace, WorkspaceDialogs& dialogs, Preferences& preferences);

    // The window long operations show; none: progress is not shown and nothing cancels.
    void SetProgressWindow(ProgressWindow* window) { progress_ = window; }
    // The frame is disabled while a progress window is open and shows the wait cursor.
    void SetFrame(MainFrame* frame) { frame_ = frame; }

    // Makes every later poll report Cancel, as if the user had pressed it (a close request while
    // an operation runs); cleared when the command that was running has unwound.
    void RequestCancel() { cancelRequested_ = true; }
    void ClearCancelRequest() { cancelRequested_ = false; }
    bool CancelRequested() const { return cancelRequested_; }
    bool ProgressShown() const { return !progressOwners_.empty(); }

    void ShowMessage(Status code, const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    // "Archive Password" with "&Hide Password" bound to "PH"; the typed text lives in a SecretText
    // that is wiped when the prompt is over.
    bool AskPassword(const std::string& displayName, std::string& password) override;
    // "Archive Properties": the choices remembered in "PX", "ET", "IN", "IS", "IH" are offered and
    // the ones taken are remembered. The engine shows it again after a refused password, with the
    // password typed before in `settings`.
    bool AskCreateSettings(const std::string& path, CreateSettings& settings) override;
    // "Confirm Archive Password" in a SecretText of its own: the engine compares it with the first
    // password it was given, never the confirmation with itself.
    bool AskConfirmPassword(std::string& password) override;
    bool Confirm(const Prompt& prompt) override;
    void Alert(const Prompt& prompt) override;
    bool ChooseFolder(std::string& folder) override;

    void ProgressOpen(int kind, const std::string& archiveName, int thumbnailFormat, int quality) override;
    // The frame is disabled from the first Open to the Close of the last window; a second Open for
    // the same archive replaces its window (the window cancels the old one).
    void ProgressOpenFor(const CCodeArchive* archive, int kind, const std::string& archiveName,
                         int thumbnailFormat, int quality) override;
    void ProgressTotal(int total) override;
    void ProgressText(const std::string& text, const ProgressCounts& counts) override;
    void ProgressPiece(int piece, int pieces) override;
    bool PollCancel() override;
    void ProgressClose() override;
    void WaitCursor(bool on) override;

    void CatalogueAboutToChange(CCodeArchive& archive) override;
    void CatalogueChanged(CCodeArchive& archive) override;

private:
    Workspace& workspace_;
    WorkspaceDialogs& dialogs_;
    Preferences& prefs_;
    ProgressWindow* progress_ = nullptr;
    MainFrame* frame_ = nullptr;
    // The archives whose progress windows are open, in opening order (null: none named).
    std::vector<const CCodeArchive*> progressOwners_;
    bool cancelRequested_ = false;
};

} // namespace quorvane
