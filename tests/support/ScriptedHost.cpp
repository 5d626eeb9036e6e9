#include "ScriptedHost.h"

namespace quorvane {

CreateSettings ScriptedHost::Plain(uint8_t thumbnailFormat) {
    CreateSettings s;
    s.encrypt = false;
    s.password.clear();
    s.thumbnails = thumbnailFormat != 0;
    s.thumbnailFormat = thumbnailFormat != 0 ? thumbnailFormat : 8;
    s.highQuality = true;
    return s;
}

CreateSettings ScriptedHost::Encrypted(uint32_t method, const std::string& password,
                                       uint8_t thumbnailFormat) {
    CreateSettings s = Plain(thumbnailFormat);
    s.encrypt = true;
    s.method = method;
    s.password = password;
    return s;
}

void ScriptedHost::QueueCreate(const CreateSettings& settings) {
    createSettings.push_back(settings);
    if (settings.encrypt) {
        confirmPasswords.push_back(settings.password);
    }
}

void ScriptedHost::ShowMessage(Status code, const std::string& text) {
    messages.push_back(code);
    messageTexts.push_back(text);
}

void ScriptedHost::ShowNotice(const std::string& text) {
    notices.push_back(text);
}

bool ScriptedHost::AskPassword(const std::string& /*displayName*/, std::string& password) {
    ++passwordPrompts;
    if (passwords.empty()) {
        return false;
    }
    std::optional<std::string> answer = passwords.front();
    passwords.pop_front();
    if (!answer) {
        return false;
    }
    password = *answer;
    return true;
}

bool ScriptedHost::AskCreateSettings(const std::string& /*path*/, CreateSettings& settings) {
    if (createSettings.empty()) {
        return false;
    }
    std::optional<CreateSettings> answer = createSettings.front();
    createSettings.pop_front();
    if (!answer) {
        return false;
    }
    settings = *answer;
    return true;
}

bool ScriptedHost::AskConfirmPassword(std::string& password) {
    if (confirmPasswords.empty()) {
        return false;
    }
    std::optional<std::string> answer = confirmPasswords.front();
    confirmPasswords.pop_front();
    if (!answer) {
        return false;
    }
    password = *answer;
    return true;
}

bool ScriptedHost::Confirm(const Prompt& prompt) {
    if (suppressed.count(prompt.flag) != 0) {
        return true;
    }
    dialogs.push_back(prompt.dialogId);
    if (confirmAnswers.empty()) {
        return true;
    }
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

void ScriptedHost::Alert(const Prompt& prompt) {
    if (suppressed.count(prompt.flag) == 0) {
        dialogs.push_back(prompt.dialogId);
    }
}

bool ScriptedHost::ChooseFolder(std::string& chosen) {
    if (!folder) {
        return false;
    }
    chosen = *folder;
    return true;
}

void ScriptedHost::ProgressOpen(int kind, const std::string& /*archiveName*/, int /*thumbnailFormat*/,
                                int /*quality*/) {
    progressKinds.push_back(kind);
    progressOpen = true;
    cancelPressed_ = false;
}

void ScriptedHost::ProgressTotal(int /*total*/) {}

void ScriptedHost::ProgressText(const std::string& text, const ProgressCounts& /*counts*/) {
    progressTexts.push_back(text);
    if (!cancelAtText.empty() && text == cancelAtText) {
        cancelPressed_ = true;
    }
}

void ScriptedHost::ProgressPiece(int piece, int pieces) {
    this->pieces.emplace_back(piece, pieces);
    ++piecesShown;
    if (piece == cancelAtPiece) {
        cancelPressed_ = true;
    }
    if (onPiece) {
        onPiece(piece, pieces);
    }
}

bool ScriptedHost::PollCancel() {
    ++polls;
    if (cancelAtPoll >= 0 && polls >= cancelAtPoll) {
        cancelPressed_ = true;
    }
    return cancelPressed_;
}

void ScriptedHost::ProgressClose() {
    progressOpen = false;
}

void ScriptedHost::CatalogueAboutToChange(CCodeArchive& /*archive*/) {
    ++catalogueNotices;
}

void ScriptedHost::CatalogueChanged(CCodeArchive& /*archive*/) {
    ++catalogueNotices;
}

} // namespace quorvane
