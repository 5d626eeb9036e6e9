#pragma once
// A host for tests: records everything the engine shows and answers from queues.
#include "ArchiveHost.h"

#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quorvane {

class ScriptedHost : public ArchiveHost {
public:
    // Answers; an empty queue answers "cancel" for dialogs and "Yes" for confirmations.
    std::deque<std::optional<std::string>> passwords;
    std::deque<std::optional<CreateSettings>> createSettings;
    std::deque<std::optional<std::string>> confirmPasswords;
    std::deque<bool> confirmAnswers;
    std::optional<std::string> folder;
    std::set<std::string> suppressed; // preference flags that are set ("DD", "DT", ...)
    // Cancel becomes pressed at this poll (counted from 1 across the host's life), or never.
    long cancelAtPoll = -1;
    // Cancel becomes pressed when a progress text equal to this is shown.
    std::string cancelAtText;
    // Cancel becomes pressed when this piece of a large file is reported (from 1), or never.
    int cancelAtPiece = -1;
    // Called at every piece shown, after it is recorded.
    std::function<void(int piece, int pieces)> onPiece;

    // What was shown.
    std::vector<Status> messages;
    std::vector<std::string> messageTexts;
    std::vector<std::string> notices;
    std::vector<int> dialogs; // dialog ids of confirmations and alerts that were shown
    std::vector<int> progressKinds;
    std::vector<std::string> progressTexts;
    std::vector<std::pair<int, int>> pieces; // (piece, pieces) of every piece report
    long polls = 0;
    int piecesShown = 0;
    int passwordPrompts = 0;
    int catalogueNotices = 0; // CatalogueAboutToChange and CatalogueChanged calls, together
    bool progressOpen = false;

    // Convenience: an unencrypted archive with the given thumbnail format (0 = none).
    static CreateSettings Plain(uint8_t thumbnailFormat = 0);
    static CreateSettings Encrypted(uint32_t method, const std::string& password,
                                    uint8_t thumbnailFormat = 0);
    // Queues the answers that create an archive with `settings` (password asked twice when encrypted).
    void QueueCreate(const CreateSettings& settings);

    void ShowMessage(Status code, const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    bool AskPassword(const std::string& displayName, std::string& password) override;
    bool AskCreateSettings(const std::string& path, CreateSettings& settings) override;
    bool AskConfirmPassword(std::string& password) override;
    bool Confirm(const Prompt& prompt) override;
    void Alert(const Prompt& prompt) override;
    bool ChooseFolder(std::string& chosen) override;
    void ProgressOpen(int kind, const std::string& archiveName, int thumbnailFormat, int quality) override;
    void ProgressTotal(int total) override;
    void ProgressText(const std::string& text, const ProgressCounts& counts) override;
    void ProgressPiece(int piece, int pieces) override;
    bool PollCancel() override;
    void ProgressClose() override;
    void CatalogueAboutToChange(CCodeArchive& archive) override;
    void CatalogueChanged(CCodeArchive& archive) override;

private:
    bool cancelPressed_ = false;
};

} // namespace quorvane
