#include "AppFakes.h"

#include "PropertyTexts.h"

#include <algorithm>

namespace quorvane::testing {

namespace {

// The next scripted answer, or `fallback` when the script has run out.
template <typename T>
T Take(std::deque<T>& queue, const T& fallback) {
    T answer = queue.empty() ? fallback : queue.front();
    if (!queue.empty()) {
        queue.pop_front();
    }
    return answer;
}

const char* LayoutName(PaneLayout layout) {
    switch (layout) {
    case PaneLayout::HidePreview:
        return "HidePreview";
    case PaneLayout::ShowAll:
        return "ShowAll";
    case PaneLayout::HideArchive:
        return "HideArchive";
    }
    return "?";
}

} // namespace

bool CallLog::Saw(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

int CallLog::Count(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

std::vector<int> FakeTreePane::Gather(SelectionPurpose purpose) {
    gathered.push_back(purpose);
    return selection;
}

void FakeTreePane::SelectFolder(int archive, int folder) {
    Note("SelectFolder " + std::to_string(archive) + " " + std::to_string(folder));
}

bool FakeTreePane::UpOneLevel() {
    Note("UpOneLevel");
    return atArchiveNode;
}

std::vector<int> FakeContentsPane::Gather(SelectionPurpose purpose) {
    gathered.push_back(purpose);
    return selection;
}

void FakeContentsPane::RemoveAll() {
    Note("RemoveAll");
    items.clear();
}

void FakeContentsPane::ShowFolder(int archive, int folder, int entryCount) {
    Note("ShowFolder " + std::to_string(archive) + " " + std::to_string(folder) + " " +
         std::to_string(entryCount));
}

void FakeContentsPane::SelectEntry(int number, bool rename) {
    Note("SelectEntry " + std::to_string(number) + (rename ? " rename" : ""));
}

void FakeContentsPane::EndSlideshow() {
    Note("EndSlideshow");
    slideshowRunning = false;
}

void FakePreviewPane::ShowItem(const PreviewItem& item) {
    Note("ShowItem " + std::to_string(item.number));
    shownName = item.name;
    shownNumber = item.number;
    shownBytes.assign(item.data.begin(), item.data.end());
}

void FakePreviewPane::ClearItem() {
    Note("ClearItem");
    shownName.clear();
    shownNumber = -1;
    std::fill(shownBytes.begin(), shownBytes.end(), uint8_t{0});
    shownBytes.clear();
}

void FakeMainFrame::SetLayout(PaneLayout newLayout) {
    Note(std::string("SetLayout ") + LayoutName(newLayout));
    layout = newLayout;
}

void FakeMainFrame::EnsureArchivePaneVisible() {
    Note("EnsureArchivePaneVisible");
    if (layout == PaneLayout::HideArchive) {
        layout = PaneLayout::ShowAll;
    }
}

void FakeMainFrame::EnsurePreviewVisible() {
    Note("EnsurePreviewVisible");
    if (layout == PaneLayout::HidePreview) {
        layout = PaneLayout::ShowAll;
    }
}

void FakeMainFrame::SetCaption(int column, const QString& text) {
    if (column >= 0 && column < 3) {
        captions[column] = text;
    }
}

void FakeMainFrame::BeginProgress(int range) {
    Note("BeginProgress " + std::to_string(range));
    progressRange = range;
    progressPosition = 0;
}

void FakeMainFrame::SetFrameDisabled(bool value) {
    Note(value ? "SetFrameDisabled on" : "SetFrameDisabled off");
    disabled = value;
    ++activityNotes;
}

std::optional<QString> FakeDialogs::ChooseArchiveToOpen(const QString& folder) {
    Note("ChooseArchiveToOpen " + folder.toStdString());
    return Take(openChoices, std::optional<QString>());
}

std::optional<QString> FakeDialogs::ChooseArchiveToCreate(const QString& folder, const QString& fileName) {
    Note("ChooseArchiveToCreate " + folder.toStdString() + " " + fileName.toStdString());
    return Take(createChoices, std::optional<QString>());
}

QStringList FakeDialogs::ChooseImportFiles(const QString& folder) {
    Note("ChooseImportFiles " + folder.toStdString());
    return Take(importChoices, QStringList());
}

std::optional<QString> FakeDialogs::ChooseExportFolder() {
    Note("ChooseExportFolder");
    return Take(exportChoices, std::optional<QString>());
}

bool FakeDialogs::AskPassword(const QString& archiveName, SecretText& password, int& /*hidePassword*/) {
    Note("AskPassword " + archiveName.toStdString());
    const std::optional<QString> answer = Take(passwords, std::optional<QString>());
    if (!answer) {
        return false;
    }
    password.Set(*answer);
    return true;
}

bool FakeDialogs::AskConfirmPassword(SecretText& password, int& /*hidePassword*/) {
    Note("AskConfirmPassword");
    const std::optional<QString> answer = Take(confirmPasswords, std::optional<QString>());
    if (!answer) {
        return false;
    }
    password.Set(*answer);
    return true;
}

bool FakeDialogs::AskCreateSettings(ArchivePropertiesForm& form, SecretText& password) {
    Note("AskCreateSettings");
    createPrefills.push_back(password.Text());
    const std::optional<ArchivePropertiesForm> answer =
        Take(createSettings, std::optional<ArchivePropertiesForm>());
    if (!answer) {
        return false;
    }
    form = *answer;
    password.Set(Take(passwords, std::optional<QString>()).value_or(QString()));
    return true;
}

bool FakeDialogs::EditComment(QString& comment) {
    Note("EditComment " + comment.toStdString());
    const std::optional<QString> answer = Take(comments, std::optional<QString>());
    if (answer) {
        comment = *answer;
    }
    return answer.has_value();
}

bool FakeDialogs::AskFind(FindRequest& request) {
    Note("AskFind");
    if (insideFind) {
        insideFind();
    }
    const std::optional<FindRequest> answer = Take(finds, std::optional<FindRequest>());
    if (answer) {
        request = *answer;
    }
    return answer.has_value();
}

bool FakeDialogs::EditPreferences(Preferences& /*preferences*/) {
    Note("EditPreferences");
    return Take(preferenceAnswers, false);
}

void FakeDialogs::ShowProperties(const PropertyPage& page) {
    Note("ShowProperties " + page.title.toStdString());
    shownProperties.push_back(page.title.toStdString());
    propertiesShown.emplace_back(page.kind, page.number);
}

void FakeDialogs::ShowMessage(const QString& text) {
    Note("ShowMessage");
    messages.push_back(text);
}

bool FakeDialogs::AskOkCancel(const QString& text) {
    Note("AskOkCancel " + text.toStdString());
    return Take(okCancelAnswers, false);
}

void FakeDialogs::Inform(const DialogStrings& dialog) {
    Note("Inform " + dialog.title.toStdString());
    informed.push_back(dialog);
}

bool FakeDialogs::Confirm(const Confirmation& confirmation, bool& doNotShowAgain) {
    Note("Confirm " + std::to_string(confirmation.resource));
    shownConfirmations.push_back(confirmation);
    const Answer answer = Take(confirmations, Answer{});
    doNotShowAgain = answer.doNotShowAgain;
    return answer.yes;
}

void FakeDialogs::Alert(const Confirmation& confirmation, bool& doNotShowAgain) {
    Note("Alert " + std::to_string(confirmation.resource));
    shownAlerts.push_back(confirmation);
    doNotShowAgain = Take(alertBoxes, false);
}

WelcomeChoice FakeDialogs::Welcome(int& flag) {
    Note("Welcome");
    if (clickStartupBox) {
        flag = flag != 0 ? 0 : 1;
    }
    return Take(welcomes, WelcomeChoice::Cancel);
}

bool FakeDialogs::GettingStarted(int& flag) {
    Note("GettingStarted");
    if (clickStartupBox) {
        flag = flag != 0 ? 0 : 1;
    }
    return Take(gettingStarted, false);
}

void FakeProgressWindow::Open(const CCodeArchive* /*archive*/, int kind, const QString& archiveName,
                              int /*thumbnailFormat*/, int /*quality*/) {
    Note("Open " + std::to_string(kind) + " " + archiveName.toStdString());
    open = true;
}

bool FakeProgressWindow::Poll() {
    ++polls;
    if (onPoll) {
        onPoll();
    }
    return cancelled;
}

void FakeProgressWindow::Close() {
    Note("Close");
    open = false;
}

} // namespace quorvane::testing
