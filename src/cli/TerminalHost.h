#pragma once
// The engine's host on a terminal: messages on stderr as "kvq: <text>", passwords from a file, the
// environment or the terminal without echo, confirmations answered yes (the verbs are explicit),
// and a progress bar on stderr when it is a terminal. Ctrl+C is turned into the progress window's
// Cancel.
#include "ArchiveHost.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::cli {

// Installs the SIGINT handler (without SA_RESTART, so that a blocked terminal read returns).
void InstallInterruptHandler();
bool Interrupted();

// Where a password comes from: a fixed text (file or environment) or the terminal.
struct PasswordSource {
    std::optional<std::string> fixed;
    std::string origin; // "file", "environment", "terminal": for messages
};

// The first line of `path` without its line ending; nullopt with `error` set when unreadable.
std::optional<std::string> ReadPasswordFile(const std::string& path, std::string& error);

class TerminalHost : public ArchiveHost {
public:
    explicit TerminalHost(PasswordSource source);

    // Settings and password handed to CCodeArchive::Create.
    void SetCreateSettings(const CreateSettings& settings) { createSettings_ = settings; }
    // With capture on, ShowMessage only records (the caller prints the text itself).
    void SetCapture(bool capture) { capture_ = capture; }

    bool PromptsOnTerminal() const { return !source_.fixed.has_value(); }
    bool PasswordMissing() const { return passwordMissing_; }
    // AskCreateSettings gave up because the password was refused (too short, too long, or typed
    // differently twice), not because the user cancelled.
    bool PasswordRefused() const { return passwordRefused_; }
    bool CancelRequested() const { return cancelRequested_; }
    // The texts shown (with capture on, the caller prints them).
    const std::vector<std::string>& MessageTexts() const { return messageTexts_; }
    // The password the last successful AskPassword or AskCreateSettings gave.
    const std::string& LastPassword() const { return lastPassword_; }
    void WipePassword();

    void ShowMessage(Status code, const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    bool AskPassword(const std::string& displayName, std::string& password) override;
    bool AskCreateSettings(const std::string& path, CreateSettings& settings) override;
    bool AskConfirmPassword(std::string& password) override;
    bool Confirm(const Prompt& prompt) override;
    void Alert(const Prompt& prompt) override;
    bool ChooseFolder(std::string& folder) override;
    void ProgressOpen(int kind, const std::string& archiveName, int thumbnailFormat, int quality) override;
    void ProgressTotal(int total) override;
    void ProgressText(const std::string& text, const ProgressCounts& counts) override;
    void ProgressPiece(int piece, int pieces) override;
    bool PollCancel() override;
    void ProgressClose() override;

    void SetExportFolder(const std::string& folder) { exportFolder_ = folder; }

private:
    // Reads one line from the terminal without echo; false when there is no terminal or on Ctrl+C.
    bool PromptTerminal(const std::string& prompt, std::string& answer);
    void Draw(bool force);
    void ClearBar();

    PasswordSource source_;
    std::optional<CreateSettings> createSettings_;
    std::optional<std::string> exportFolder_;
    bool capture_ = false;
    bool passwordMissing_ = false;
    bool passwordRefused_ = false;
    bool cancelRequested_ = false;
    int createRounds_ = 0;
    std::string lastPassword_;
    std::vector<std::string> messageTexts_;

    // Progress bar state.
    bool barEnabled_ = false;
    bool barOpen_ = false;
    bool barDrawn_ = false;
    std::string title_;
    std::string line_;
    int total_ = 0;
    ProgressCounts counts_{};
    int piece_ = 0;
    int pieces_ = 0;
    std::chrono::steady_clock::time_point started_{};
    std::chrono::steady_clock::time_point lastDraw_{};
};

} // namespace quorvane::cli
