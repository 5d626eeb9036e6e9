// While a command runs its progress window pumps events, and everything the window can deliver
// then comes back into the Workspace: commands, drops, renames, a close of the window. Those are
// refused or deferred without touching an archive. Also the command state gathered from real
// archives and panes, and the panes frozen while a catalogue is being rewritten.
#include "WorkspaceFixture.h"

#include "CommandIds.h"
#include "CommandRules.h"
#include "CommandState.h"

#include <functional>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

class WorkspaceBusyTest : public WorkspaceFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateArchive("/a/busy.kvq"), kOk);
        folder = AddFolder(0, "Folder");
        file = ImportFile(folder, "file.dat");
        for (int i = 0; i < 3; ++i) {
            const std::string path = "/src/in" + std::to_string(i) + ".dat";
            fs.Put(path, {1, 2, 3, 4});
            toImport << QString::fromStdString(path);
        }
        fs.Put("/src/other.kvq", {1});
        prefs.alertDelete = 1;
    }

    // Runs `inside` at the first poll of an import of three files started from the Import command
    // (the first poll once `after` was shown as a step, when given).
    int ImportRunning(const std::function<void()>& inside, const std::string& after = std::string()) {
        bool ran = false;
        progress.onPoll = [&] {
            if (!ran && (after.empty() || progress.Saw("Text " + after))) {
                ran = true;
                inside();
            }
        };
        dialogs.importChoices.push_back(toImport);
        UseTree();
        const int status = ws.DispatchCommand(kCmdImport);
        progress.onPoll = nullptr;
        EXPECT_TRUE(ran) << "the import never polled";
        return status;
    }

    int folder = 0;
    int file = 0;
    QStringList toImport;
};

TEST_F(WorkspaceBusyTest, RequestsFromInsideARunningCommandAreRefusedAndTouchNothing) {
    struct Request {
        const char* name;
        std::function<int()> call;
        int expected;
    };
    const std::vector<Request> requests = {
        {"a command", [&] { return ws.DispatchCommand(kCmdNewFolder); }, kBusy},
        {"Close", [&] { return ws.DispatchCommand(kCmdClose); }, kBusy},
        {"CloseAll (auto close)", [&] { return ws.CloseAll(); }, kBusy},
        {"files dropped",
         [&] {
             ws.Drop() = {DropTarget::kTree, 1, 0};
             return ws.DropPaths({"/src/in0.dat"});
         },
         kBusy},
        {"an archive dropped", [&] { return ws.DropPaths({"/src/other.kvq"}); }, kBusy},
        {"a drag completed",
         [&] {
             ws.Drop() = {DropTarget::kTree, 1, 0};
             UseList({file}, file);
             return ws.CompleteDrag();
         },
         kBusy},
        {"a rename from a pane", [&] { return ws.Rename(1, folder, "Renamed"); }, kBusy},
        {"an item opened", [&] { return ws.OpenItem(file); }, kBusy},
    };
    // Inside an engine operation (the import's progress window), and inside a modal dialog of the
    // Workspace's own while no archive is busy (the Find dialog).
    struct Moment {
        const char* name;
        std::function<int(const std::function<void()>&)> run;
        int entries; // afterwards
    };
    const Moment moments[] = {
        {"an import polling", [&](const std::function<void()>& inside) { return ImportRunning(inside); },
         3 + 3},
        {"the Find dialog open",
         [&](const std::function<void()>& inside) {
             dialogs.insideFind = inside;
             dialogs.finds.push_back(FindRequest{"file", false, false});
             UseTree();
             const int status = ws.DispatchCommand(kCmdFind);
             dialogs.insideFind = nullptr;
             return status;
         },
         3 + 3},
    };
    for (const Moment& m : moments) {
        SCOPED_TRACE(m.name);
        std::vector<int> results;
        std::vector<size_t> touched;
        std::vector<int> dialogsShown;
        std::vector<bool> allDisabled;
        const int status = m.run([&] {
            for (const Request& r : requests) {
                const size_t logged = fs.log.size();
                const size_t shown = dialogs.calls.size();
                results.push_back(r.call());
                touched.push_back(fs.log.size() - logged);
                dialogsShown.push_back(static_cast<int>(dialogs.calls.size() - shown));
            }
            bool disabled = true;
            for (int id = kCmdNew; id <= kCmdComment; ++id) {
                disabled = disabled && !Enabled(id);
            }
            allDisabled.push_back(disabled);
        });
        EXPECT_EQ(status, kOk) << "the command itself goes on";
        ASSERT_EQ(results.size(), requests.size());
        for (size_t i = 0; i < requests.size(); ++i) {
            SCOPED_TRACE(requests[i].name);
            EXPECT_EQ(results[i], requests[i].expected);
            EXPECT_EQ(touched[i], 0u) << "no file call";
            EXPECT_EQ(dialogsShown[i], 0) << "nothing shown";
        }
        EXPECT_EQ(allDisabled, std::vector<bool>{true});
        EXPECT_EQ(ws.EntryName(1, folder), "Folder");
        EXPECT_EQ(ws.ArchiveCount(), 1);
        EXPECT_EQ(EntryCount(), m.entries);
        EXPECT_FALSE(ws.Busy());
    }
}

TEST_F(WorkspaceBusyTest, ACloseRequestDuringAnOperationCancelsItAndClosesOnceItHasUnwound) {
    struct Moment {
        const char* name;
        std::string after; // the step shown before the request; none: the first poll
        bool planning;
    };
    const Moment moments[] = {
        {"while the files are counted", "", true},
        {"while the files are added", "in1.dat", false},
    };
    for (const Moment& m : moments) {
        SCOPED_TRACE(m.name);
        int ready = 0;
        bool readyWhileRunning = false;
        const QMetaObject::Connection connection = QObject::connect(&ws, &Workspace::closeReady, [&] {
            ++ready;
            readyWhileRunning = ws.Busy();
        });
        const int before = EntryCount();
        progress.calls.clear();
        bool accepted = true;
        bool counted = false; // the count had been handed to the window
        const int status = ImportRunning(
            [&] {
                accepted = ws.RequestClose();
                counted = progress.Saw("Total 3");
                EXPECT_TRUE(ws.ClosePending());
                EXPECT_EQ(ready, 0);
            },
            m.after);
        QObject::disconnect(connection);
        EXPECT_EQ(counted, !m.planning) << "the request came at the moment meant";
        EXPECT_FALSE(accepted) << "the window stays until the command has unwound";
        EXPECT_EQ(status, kCancelled) << "a cancelled import never reads as a success";
        EXPECT_TRUE(dialogs.messages.isEmpty()) << "a cancel shows nothing";
        if (m.planning) {
            EXPECT_EQ(EntryCount(), before) << "nothing is added once the count was cancelled";
        } else {
            EXPECT_LT(EntryCount(), before + 3) << "the import stopped before its end";
        }
        EXPECT_EQ(ready, 1);
        EXPECT_FALSE(readyWhileRunning);
        EXPECT_FALSE(ws.ClosePending());
    }
    EXPECT_TRUE(ws.RequestClose()) << "with nothing running the window may close at once";

    // The cancel request ended with the command: the next operation runs to its end.
    const int before = EntryCount();
    dialogs.importChoices.push_back(toImport);
    EXPECT_EQ(ws.DispatchCommand(kCmdImport), kOk);
    EXPECT_EQ(EntryCount(), before + 3);
}

TEST_F(WorkspaceBusyTest, TheProgressWindowDisablesTheFrameWhileItIsOpen) {
    std::vector<bool> disabledInside;
    ImportRunning([&] { disabledInside.push_back(frame.disabled); });
    EXPECT_EQ(disabledInside, std::vector<bool>{true});
    EXPECT_FALSE(frame.disabled);
    EXPECT_TRUE(progress.Saw("Open 1 busy"));
    EXPECT_FALSE(progress.open);
}

TEST_F(WorkspaceBusyTest, WhileACatalogueIsRewrittenThePanesHoldNothingOfIt) {
    const int deleted = ImportFile(0, "deleted.dat");
    ASSERT_EQ(ws.ArchiveAt(1)->MoveEntries({deleted}, 1, false), kOk);
    ShowFolder(0);
    ASSERT_FALSE(list.items.empty());
    std::vector<size_t> listed;
    std::vector<bool> inFlux;
    progress.onPoll = [&] {
        inFlux.push_back(ws.ArchiveAt(1)->catalogueInFlux());
        listed.push_back(list.items.size());
    };
    dialogs.confirmations.push_back({true, false});
    UseTree();
    ASSERT_EQ(ws.DispatchCommand(kCmdEmptyRecycleBin), kOk);
    progress.onPoll = nullptr;
    ASSERT_FALSE(inFlux.empty());
    for (size_t i = 0; i < inFlux.size(); ++i) {
        EXPECT_TRUE(inFlux[i]);
        EXPECT_EQ(listed[i], 0u) << "poll " << i;
    }
    EXPECT_TRUE(tree.Saw("Clear"));
    EXPECT_EQ(list.items, std::vector<int>{folder}) << "filled again once it has changed";
}

TEST_F(WorkspaceBusyTest, TheCommandStateIsGatheredFromTheArchiveThePanesAndTheRecords) {
    // The top level in the tree: Copy and Export yes, Cut and Restore no, an empty bin.
    ShowFolder(0);
    UseTree();
    CommandState s = ws.State();
    EXPECT_EQ(s.archiveCount, 1);
    EXPECT_TRUE(s.hasCurrentArchive);
    EXPECT_EQ(s.currentFolder, 0);
    EXPECT_FALSE(s.inRecycleBin);
    EXPECT_EQ(s.binItemCount, 0);
    EXPECT_TRUE(Enabled(kCmdCopy));
    EXPECT_TRUE(Enabled(kCmdExport));
    EXPECT_FALSE(Enabled(kCmdCut));
    EXPECT_FALSE(Enabled(kCmdRestore));
    EXPECT_FALSE(Enabled(kCmdEmptyRecycleBin));

    // A folder deleted into the bin, with a folder inside it: that one counts as in the bin too.
    const int inner = AddFolder(folder, "Inner");
    ShowFolder(folder);
    ASSERT_EQ(ws.DispatchCommand(kCmdDelete), kOk);
    ShowFolder(inner);
    s = ws.State();
    EXPECT_TRUE(s.inRecycleBin);
    EXPECT_EQ(s.binItemCount, 3);
    EXPECT_EQ(s.undoKind, UndoRecord::kDelete);
    EXPECT_FALSE(Enabled(kCmdCut));
    EXPECT_TRUE(Enabled(kCmdRestore));
    EXPECT_TRUE(Enabled(kCmdEmptyRecycleBin));
    EXPECT_FALSE(Enabled(kCmdImport) && ws.CurrentFolder() == 1);

    // The list: its focused item decides; label editing disables the editing commands.
    ShowFolder(0);
    UseList({}, 0);
    EXPECT_FALSE(Enabled(kCmdCopy));
    UseList({file}, file);
    EXPECT_TRUE(ws.State().listHasFocusedItem);
    EXPECT_EQ(ws.State().listSelectedCount, 1);
    EXPECT_TRUE(Enabled(kCmdCopy));
    EXPECT_TRUE(Enabled(kCmdUndo));
    frame.labelEditing = true;
    EXPECT_FALSE(Enabled(kCmdCopy));
    EXPECT_FALSE(Enabled(kCmdUndo));
    EXPECT_TRUE(Enabled(kCmdUndoContext));
    frame.labelEditing = false;

    // Nothing open: New, Open and Preferences only.
    ASSERT_EQ(ws.CloseAll(), kOk);
    for (int id = kCmdNew; id <= kCmdComment; ++id) {
        EXPECT_EQ(Enabled(id), id == kCmdNew || id == kCmdOpen || id == kCmdPreferences) << id;
    }
    EXPECT_EQ(ws.DispatchCommand(kCmdCopy), Workspace::kRejected) << "a disabled command does nothing";
}

} // namespace
