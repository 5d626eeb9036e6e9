#pragma once
// Fakes of the panes, the main frame and the dialogs for tests of the application layer. Each
// records what it was asked in `calls` (one line per call, e.g. "ShowFolder 1 0 12") and answers
// from fields or queues the test sets up.
#include "ArchivePropertiesForm.h"
#include "ContentsPane.h"
#include "MainFrame.h"
#include "PreviewPane.h"
#include "ProgressWindow.h"
#include "PropertyTexts.h"
#include "SecretText.h"
#include "TreePane.h"
#include "WorkspaceDialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::testing {

class CallLog {
public:
    std::vector<std::string> calls;
    void Note(std::string call) { calls.push_back(std::move(call)); }
    bool Saw(const std::string& call) const;
    int Count(const std::string& call) const;
};

class FakeTreePane : public TreePane, public CallLog {
public:
    std::vector<int> selection; // what Gather answers
    std::vector<SelectionPurpose> gathered;
    bool atArchiveNode = false;

    std::vector<int> Gather(SelectionPurpose purpose) override;
    void Rebuild() override { Note("Rebuild"); }
    void Clear() override { Note("Clear"); }
    void SelectFolder(int archive, int folder) override;
    bool UpOneLevel() override;
    void BeginRename() override { Note("BeginRename"); }
    void DragFinished() override { Note("DragFinished"); }
};

class FakeContentsPane : public ContentsPane, public CallLog {
public:
    std::vector<int> selection; // what Gather answers
    std::vector<SelectionPurpose> gathered;
    std::vector<int> items; // entry numbers inserted since the last RemoveAll
    int focused = 0;
    bool slideshowRunning = false;

    std::vector<int> Gather(SelectionPurpose purpose) override;
    void RemoveAll() override;
    void ShowFolder(int archive, int folder, int entryCount) override;
    void InsertEntry(int number) override { items.push_back(number); }
    void EndFill(bool sort) override { Note(sort ? "EndFill sorted" : "EndFill"); }
    void SelectEntry(int number, bool rename) override;
    void UpdateItem(int number) override { Note("UpdateItem " + std::to_string(number)); }
    void BeginRename() override { Note("BeginRename"); }
    void ForgetReselect() override { Note("ForgetReselect"); }
    void SetRedraw(bool on) override { Note(on ? "SetRedraw on" : "SetRedraw off"); }
    void CommandEnded() override { Note("CommandEnded"); }
    int FocusedEntry() const override { return focused; }
    int SelectedCount() const override { return static_cast<int>(selection.size()); }
    void OpenAt(int position) override { Note("OpenAt " + std::to_string(position)); }
    void Resort() override { Note("Resort"); }
    void EndSlideshow() override;
    bool SlideshowRunning() const override { return slideshowRunning; }
    void DragFinished() override { Note("DragFinished"); }
};

class FakePreviewPane : public PreviewPane, public CallLog {
public:
    QString shownName;
    int shownNumber = -1;
    std::vector<uint8_t> shownBytes; // copied during the call, as the real pane decodes during it

    void ShowItem(const PreviewItem& item) override;
    void ClearItem() override;
    void SetComment(const QString& comment) override { Note("SetComment " + comment.toStdString()); }
    void SetName(const QString& name) override { Note("SetName " + name.toStdString()); }
    void Repaint() override { Note("Repaint"); }
    void DragFinished() override { Note("DragFinished"); }
};

class FakeMainFrame : public MainFrame, public CallLog {
public:
    PaneLayout layout = PaneLayout::ShowAll;
    ActivePane active = ActivePane::Tree;
    bool labelEditing = false;
    bool disabled = false;
    QString captions[3];
    int progressRange = -1;
    int progressPosition = -1;
    int activityNotes = 0;

    PaneLayout Layout() const override { return layout; }
    void SetLayout(PaneLayout newLayout) override;
    void EnsureArchivePaneVisible() override;
    void EnsurePreviewVisible() override;
    void SetCaption(int column, const QString& text) override;
    void BeginProgress(int range) override;
    void SetProgress(int position) override { progressPosition = position; }
    void EndProgress() override { Note("EndProgress"); }
    void BeginActivity() override { Note("BeginActivity"); }
    void StepActivity() override {}
    void EndActivity() override { Note("EndActivity"); }
    void SetFrameDisabled(bool value) override;
    bool FrameDisabled() const override { return disabled; }
    ActivePane Active() const override { return active; }
    void ActivateTreePane() override { active = ActivePane::Tree; }
    void ActivateListPane() override { active = ActivePane::List; }
    bool LabelEditing() const override { return labelEditing; }
    void NoteActivity() override { ++activityNotes; }
    void SetWaitCursor(bool on) override { Note(on ? "WaitCursor on" : "WaitCursor off"); }
};

// Answers from queues; an empty queue answers "cancel" (or No, or nothing chosen).
class FakeDialogs : public WorkspaceDialogs, public CallLog {
public:
    std::deque<std::optional<QString>> openChoices;
    std::deque<std::optional<QString>> createChoices;
    std::deque<QStringList> importChoices;
    std::deque<std::optional<QString>> exportChoices;
    std::deque<std::optional<QString>> passwords;        // nothing: Cancel
    std::deque<std::optional<QString>> confirmPasswords; // nothing: Cancel
    std::deque<std::optional<ArchivePropertiesForm>>
        createSettings;                  // nothing: Cancel; password from `passwords`
    std::vector<QString> createPrefills; // the password each create dialog was opened with
    std::deque<std::optional<QString>> comments;
    std::deque<std::optional<FindRequest>> finds;
    std::function<void()> insideFind;         // runs while the Find dialog is open, as its event loop would
    std::deque<bool> preferenceAnswers;       // OK leaves the preferences as they are
    std::vector<std::string> shownProperties; // titles of the pages shown
    std::deque<bool> okCancelAnswers;
    // A confirmation's answer and the state the user leaves its box in.
    struct Answer {
        bool yes = false;
        bool doNotShowAgain = false;
    };
    std::deque<Answer> confirmations;
    std::deque<bool> alertBoxes; // the box's state when an alert is left
    std::deque<WelcomeChoice> welcomes;
    std::deque<bool> gettingStarted;
    // Whether the user clicks the welcome / getting-started box (which toggles the flag at once).
    bool clickStartupBox = false;
    // The Import dialog's "Remove the originals after import".
    bool removeOriginals = false;

    QStringList messages; // texts of ShowMessage, in order
    std::vector<Confirmation> shownConfirmations;
    std::vector<Confirmation> shownAlerts;
    std::vector<DialogStrings> informed;

    std::optional<QString> ChooseArchiveToOpen(const QString& folder) override;
    std::optional<QString> ChooseArchiveToCreate(const QString& folder, const QString& fileName) override;
    QStringList ChooseImportFiles(const QString& folder) override;
    bool RemoveOriginalsChosen() override { return removeOriginals; }
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

    // Properties: the pages shown, as (kind, entry number; 0 for the archive's page).
    std::vector<std::pair<PropertyPageKind, int>> propertiesShown;
};

// A progress window whose Poll can run a test's code, as the event loop does inside an operation.
class FakeProgressWindow : public ProgressWindow, public CallLog {
public:
    std::function<void()> onPoll; // runs at every poll while set
    bool cancelled = false;
    int polls = 0;
    bool open = false;

    void Open(const CCodeArchive* archive, int kind, const QString& archiveName, int thumbnailFormat,
              int quality) override;
    void Total(int total) override { Note("Total " + std::to_string(total)); }
    void Text(const QString& step, const ProgressCounts& /*counts*/) override {
        Note("Text " + step.toStdString());
    }
    void Piece(int /*piece*/, int /*pieces*/) override {}
    bool Poll() override;
    void Close() override;
};

} // namespace quorvane::testing
