// Clipboard, undo, internal drags and the recycle bin through the real Workspace and real
// archives: where the items end up, and what the records and the Edit menu say afterwards.
#include "WorkspaceFixture.h"

#include "CommandIds.h"
#include "CommandRules.h"
#include "StringTable.h"

#include <algorithm>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// One archive: folders F and G at the top level, P holding a folder Q, and files x and y in F.
class WorkspaceEditTest : public WorkspaceFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateArchive("/a/edit.kvq"), kOk);
        f = AddFolder(0, "F");
        g = AddFolder(0, "G");
        p = AddFolder(0, "P");
        q = AddFolder(p, "Q");
        x = ImportFile(f, "x.dat");
        y = ImportFile(f, "y.dat");
        prefs.alertDelete = 1; // no delete confirmations unless a test wants them
    }

    // Items of `folder` named `name`.
    int CountIn(int folder, const QString& name, int archive = 1) const {
        int found = 0;
        for (int n = 1; n <= EntryCount(archive); ++n) {
            found += ws.EntryName(archive, n) == name && ParentOf(n, archive) == folder ? 1 : 0;
        }
        return found;
    }

    int f = 0, g = 0, p = 0, q = 0, x = 0, y = 0;
};

TEST_F(WorkspaceEditTest, CutThenUndoPutsTheItemsBackAndLeavesNothingToPaste) {
    ShowFolder(f);
    UseList({x, y}, x);
    EXPECT_EQ(ws.DispatchCommand(kCmdCut), kOk);
    EXPECT_EQ(ParentOf(x), 1);
    EXPECT_EQ(ParentOf(y), 1);
    EXPECT_EQ(ws.UpdateCommand(kCmdUndo).text, QString("&Undo Cut\tCtrl+Z"));
    EXPECT_EQ(ws.UpdateCommand(kCmdUndoContext).text, QString("&Undo Cut"));

    EXPECT_EQ(ws.DispatchCommand(kCmdUndo), kOk);
    EXPECT_EQ(ParentOf(x), f);
    EXPECT_EQ(ParentOf(y), f);
    EXPECT_FALSE(Enabled(kCmdPaste));
    EXPECT_FALSE(Enabled(kCmdUndo));
}

TEST_F(WorkspaceEditTest, CutThenPasteMovesTheItemsOutOfTheBinOnce) {
    ShowFolder(f);
    UseList({x}, x);
    ASSERT_EQ(ws.DispatchCommand(kCmdCut), kOk);
    ShowFolder(g);
    UseList({}, 0);
    EXPECT_EQ(ws.DispatchCommand(kCmdPaste), kOk);
    EXPECT_EQ(ParentOf(x), g) << "the same entry, moved";
    EXPECT_FALSE(Enabled(kCmdUndo));
    EXPECT_FALSE(Enabled(kCmdPaste)) << "a cut is pasted once";
}

TEST_F(WorkspaceEditTest, CopyThenPasteTwiceMakesTwoCopies) {
    ShowFolder(f);
    UseList({x}, x);
    ASSERT_EQ(ws.DispatchCommand(kCmdDelete), kOk); // something to undo, which Copy forgets
    ASSERT_TRUE(Enabled(kCmdUndo));
    UseList({y}, y);
    ASSERT_EQ(ws.DispatchCommand(kCmdCopy), kOk);
    EXPECT_FALSE(Enabled(kCmdUndo));

    ShowFolder(g);
    UseList({}, 0);
    EXPECT_EQ(ws.DispatchCommand(kCmdPaste), kOk);
    EXPECT_EQ(ws.DispatchCommand(kCmdPaste), kOk);
    EXPECT_EQ(CountIn(g, "y.dat"), 2);
    EXPECT_EQ(ParentOf(y), f) << "the original stays";
    EXPECT_TRUE(Enabled(kCmdPaste));
}

TEST_F(WorkspaceEditTest, DeletingAFolderSelectedInTheTreeUndoesIntoItsParent) {
    ShowFolder(q);
    UseTree();
    EXPECT_EQ(ws.DispatchCommand(kCmdDelete), kOk);
    EXPECT_EQ(ParentOf(q), 1);
    EXPECT_EQ(ws.UpdateCommand(kCmdUndo).text, QString("&Undo Delete\tCtrl+Z"));
    EXPECT_EQ(ws.DispatchCommand(kCmdUndo), kOk);
    EXPECT_EQ(ParentOf(q), p);
    EXPECT_EQ(ws.CurrentFolder(), p) << "the folder it came back to is shown";
}

TEST_F(WorkspaceEditTest, PasteGoesIntoTheFocusedFolderOfTheList) {
    ShowFolder(f);
    UseList({x}, x);
    ASSERT_EQ(ws.DispatchCommand(kCmdCopy), kOk);
    ShowFolder(0);
    UseList({}, g); // G focused in the list of the top level
    EXPECT_EQ(ws.DispatchCommand(kCmdPaste), kOk);
    EXPECT_EQ(CountIn(g, "x.dat"), 1);
    EXPECT_EQ(CountIn(0, "x.dat"), 0);
}

TEST_F(WorkspaceEditTest, ClosingAnyArchiveDisablesUndoAndPaste) {
    ASSERT_EQ(CreateArchive("/a/second.kvq"), kOk);
    ws.SelectArchiveFolder(1, f, false);
    UseList({x}, x);
    ASSERT_EQ(ws.DispatchCommand(kCmdDelete), kOk);
    UseList({y}, y);
    ASSERT_EQ(ws.DispatchCommand(kCmdCut), kOk);
    ASSERT_TRUE(Enabled(kCmdUndo));
    ASSERT_TRUE(Enabled(kCmdPaste));

    ws.SelectArchiveFolder(2, 0, false);
    ASSERT_EQ(ws.Close(false), kOk);
    ASSERT_EQ(ws.ArchiveCount(), 1);
    EXPECT_FALSE(Enabled(kCmdUndo));
    EXPECT_FALSE(Enabled(kCmdUndoContext));
    EXPECT_FALSE(Enabled(kCmdPaste));
}

TEST_F(WorkspaceEditTest, TheDeleteConfirmationStoresItsBoxInTheFlag) {
    prefs.alertDelete = 0;
    ShowFolder(f);
    UseList({x, y}, x);
    dialogs.confirmations.push_back({false, true}); // No: nothing moves, the box is not stored
    EXPECT_EQ(ws.DispatchCommand(kCmdDelete), kCancelled);
    EXPECT_TRUE(dialogs.Saw("Confirm 12305"));
    EXPECT_EQ(ParentOf(x), f);
    EXPECT_EQ(prefs.alertDelete, 0);
    EXPECT_FALSE(Enabled(kCmdUndo)) << "a refused delete leaves nothing to undo";

    UseList({x}, x);
    dialogs.confirmations.push_back({true, true});
    EXPECT_EQ(ws.DispatchCommand(kCmdDelete), kOk);
    EXPECT_TRUE(dialogs.Saw("Confirm 12304"));
    EXPECT_EQ(prefs.alertDelete, 1);
    dialogs.calls.clear();
    UseList({y}, y);
    EXPECT_EQ(ws.DispatchCommand(kCmdDelete), kOk);
    EXPECT_FALSE(dialogs.Saw("Confirm 12304")) << "suppressed from now on";
}

// ---------------------------------------------------------------- internal drags

TEST_F(WorkspaceEditTest, ADragWithinTheArchiveMovesAndCanBeUndone) {
    ShowFolder(f);
    UseList({x}, x);
    ws.Drop() = {DropTarget::kList, 1, g};
    ws.SetInternalDrag(true);
    ws.DropItems();
    ws.SetInternalDrag(false);
    EXPECT_EQ(ParentOf(x), g);
    EXPECT_EQ(ws.Records().undo.kind, UndoRecord::kMove);
    EXPECT_EQ(ws.UpdateCommand(kCmdUndo).text, QString("&Undo Move\tCtrl+Z"));
    EXPECT_FALSE(ws.Drop().IsSet()) << "the drop target is used once";
    EXPECT_TRUE(tree.Saw("DragFinished"));

    EXPECT_EQ(ws.DispatchCommand(kCmdUndo), kOk);
    EXPECT_EQ(ParentOf(x), f);
}

TEST_F(WorkspaceEditTest, ADragIntoAnotherArchiveCopies) {
    ASSERT_EQ(CreateArchive("/a/target.kvq"), kOk);
    ws.SelectArchiveFolder(1, f, false);
    UseList({x, y}, x);
    ws.Drop() = {DropTarget::kTree, 2, 0};
    ws.DropItems();
    EXPECT_EQ(CountIn(0, "x.dat", 2), 1);
    EXPECT_EQ(CountIn(0, "y.dat", 2), 1);
    EXPECT_EQ(ParentOf(x, 1), f) << "the source keeps its items";
    EXPECT_EQ(ws.Records().undo.kind, 0) << "a copy is not undoable";
}

TEST_F(WorkspaceEditTest, AFolderDraggedIntoItsOwnSubfolderIsRefusedAndTheRecordsCleared) {
    ShowFolder(f);
    UseList({x}, x);
    ASSERT_EQ(ws.DispatchCommand(kCmdCopy), kOk);
    ShowFolder(p);
    UseTree();
    ws.Drop() = {DropTarget::kTree, 1, q};
    ws.DropItems();
    EXPECT_EQ(dialogs.messages, QStringList{StringTable::ErrorText(kErrMoveIntoItself)});
    EXPECT_EQ(ParentOf(p), 0);
    EXPECT_EQ(ws.Records().undo.kind, 0);
    EXPECT_EQ(ws.Records().clipboard.kind, 0);
}

TEST_F(WorkspaceEditTest, ADragWithoutATargetDoesNothing) {
    ShowFolder(f);
    UseList({x}, x);
    const size_t logged = fs.log.size();
    ws.DropItems();
    EXPECT_EQ(ParentOf(x), f);
    EXPECT_EQ(fs.log.size(), logged);
}

// ---------------------------------------------------------------- restore and the recycle bin

TEST_F(WorkspaceEditTest, RestoreReturnsTheBinsItemsToTheTopLevel) {
    ShowFolder(f);
    UseList({x}, x);
    ASSERT_EQ(ws.DispatchCommand(kCmdDelete), kOk);
    ShowFolder(1);
    UseTree();
    EXPECT_FALSE(Enabled(kCmdDelete)) << "nothing in the bin is deleted again";
    EXPECT_TRUE(Enabled(kCmdRestore));
    EXPECT_EQ(ws.DispatchCommand(kCmdRestore), kOk);
    EXPECT_EQ(ParentOf(x), 0);
    EXPECT_FALSE(Enabled(kCmdUndo));
}

TEST_F(WorkspaceEditTest, EmptyingTheBinForgetsEveryNumberKeptForTheArchive) {
    ShowFolder(f);
    UseList({x}, x);
    ASSERT_EQ(ws.DispatchCommand(kCmdDelete), kOk);
    UseList({y}, y);
    ASSERT_EQ(ws.DispatchCommand(kCmdCopy), kOk);
    dialogs.finds.push_back(FindRequest{"y.dat", false, true});
    ASSERT_EQ(ws.DispatchCommand(kCmdFind), kOk);
    ASSERT_EQ(prefs.findStart, y);
    ASSERT_TRUE(Enabled(kCmdEmptyRecycleBin));
    list.calls.clear();

    dialogs.confirmations.push_back({true, false});
    EXPECT_EQ(ws.DispatchCommand(kCmdEmptyRecycleBin), kOk);
    EXPECT_EQ(EntryCount(), 6) << "x is gone and the rest renumbered";
    EXPECT_EQ(ws.Records().clipboard.kind, 0);
    EXPECT_EQ(ws.Records().undo.kind, 0);
    EXPECT_EQ(prefs.findStart, 0);
    EXPECT_FALSE(Enabled(kCmdFindAgain));
    EXPECT_FALSE(Enabled(kCmdEmptyRecycleBin));
    // The reselect entry goes before the list is filled again.
    const auto& calls = list.calls;
    const auto forget = std::find(calls.rbegin(), calls.rend(), "ForgetReselect");
    const auto fill = std::find(calls.rbegin(), calls.rend(), "EndFill sorted");
    ASSERT_NE(forget, calls.rend());
    ASSERT_NE(fill, calls.rend());
    EXPECT_GT(forget - calls.rbegin(), fill - calls.rbegin());
    EXPECT_EQ(ws.CurrentFolder(), 0);
}

} // namespace
