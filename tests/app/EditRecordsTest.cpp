// The clipboard and undo records through the commands that set and clear them.
#include "EditRecords.h"

#include <gtest/gtest.h>

#include <map>

using namespace quorvane;

namespace {

// A pane whose selection is `selection`; parents of the current archive's entries from `parents`.
struct Pane {
    std::vector<int> selection;
    std::map<int, int> parents;
    std::vector<SelectionPurpose> asked;

    RecordContext Context(int archive, int folder, bool treeActive) {
        RecordContext c;
        c.currentArchive = archive;
        c.currentFolder = folder;
        c.treeActive = treeActive;
        c.parentOf = [this](int n) { return parents.count(n) ? parents.at(n) : 0; };
        c.gather = [this](SelectionPurpose p) {
            asked.push_back(p);
            return selection;
        };
        return c;
    }
};

TEST(EditRecords, CutThenUndoPutsTheItemsBackAndLeavesNothingToPaste) {
    Pane list{{7, 8}, {}, {}};
    EditRecords records;
    const std::vector<int> moved = records.Cut(list.Context(1, 5, false));
    EXPECT_EQ(moved, (std::vector<int>{7, 8}));
    EXPECT_EQ(list.asked, (std::vector<SelectionPurpose>{SelectionPurpose::Cut, SelectionPurpose::Cut}));
    EXPECT_EQ(records.clipboard.kind, ClipboardRecord::kCut);
    EXPECT_EQ(records.undo.kind, UndoRecord::kCut);
    records.MoveFinished(0);

    const UndoPlan plan = records.TakeUndo();
    EXPECT_TRUE(plan.apply);
    EXPECT_EQ(plan.archive, 1);
    EXPECT_EQ(plan.folder, 5);
    EXPECT_EQ(plan.items, (std::vector<int>{7, 8}));
    EXPECT_EQ(records.clipboard.kind, ClipboardRecord::kNone);
    EXPECT_EQ(records.undo.kind, UndoRecord::kNone);
    EXPECT_EQ(records.PlanPaste(list.Context(1, 5, false), 0).action, PastePlan::kNothing);
}

TEST(EditRecords, CutPastedInItsArchiveMovesOnceAndCannotBeUndone) {
    Pane list{{7}, {}, {}};
    EditRecords records;
    records.Cut(list.Context(1, 5, false));
    records.MoveFinished(0);
    const PastePlan plan = records.PlanPaste(list.Context(1, 9, false), 0);
    EXPECT_EQ(plan.action, PastePlan::kMove);
    EXPECT_EQ(plan.destination, 9);
    EXPECT_EQ(plan.items, std::vector<int>{7});
    records.PasteFinished();
    EXPECT_EQ(records.undo.kind, UndoRecord::kNone);
    EXPECT_EQ(records.clipboard.kind, ClipboardRecord::kNone);
    EXPECT_EQ(records.PlanPaste(list.Context(1, 9, false), 0).action, PastePlan::kNothing);
}

TEST(EditRecords, CutPastedInAnotherArchiveIsCopiedFromTheSource) {
    Pane list{{7}, {}, {}};
    EditRecords records;
    records.Cut(list.Context(1, 5, false));
    const PastePlan plan = records.PlanPaste(list.Context(2, 0, false), 0);
    EXPECT_EQ(plan.action, PastePlan::kCopy);
    EXPECT_EQ(plan.sourceArchive, 1);
    EXPECT_EQ(plan.targetArchive, 2);
    EXPECT_EQ(plan.destination, 0);
}

TEST(EditRecords, CopyPastesAnyNumberOfTimesAndEmptiesUndo) {
    Pane list{{3, 4}, {}, {}};
    EditRecords records;
    records.Delete(list.Context(1, 2, false));
    ASSERT_EQ(records.undo.kind, UndoRecord::kDelete);
    records.Copy(list.Context(1, 2, false));
    EXPECT_EQ(records.undo.kind, UndoRecord::kNone);
    for (int paste = 0; paste < 2; ++paste) {
        const PastePlan plan = records.PlanPaste(list.Context(1, 6, false), 0);
        EXPECT_EQ(plan.action, PastePlan::kCopy) << paste;
        EXPECT_EQ(plan.items, (std::vector<int>{3, 4})) << paste;
        records.PasteFinished();
    }
    EXPECT_EQ(records.clipboard.kind, ClipboardRecord::kCopy);
}

TEST(EditRecords, FolderDeletedFromTheTreeGoesBackIntoItsParent) {
    Pane tree{{5}, {{5, 3}}, {}};
    EditRecords records;
    EXPECT_EQ(records.Delete(tree.Context(1, 5, true)), std::vector<int>{5});
    EXPECT_EQ(records.clipboard.kind, ClipboardRecord::kNone);
    const UndoPlan plan = records.TakeUndo();
    EXPECT_EQ(plan.folder, 3);
    EXPECT_EQ(plan.items, std::vector<int>{5});
    // From the list the items go back to the folder shown.
    Pane list{{9}, {{5, 3}}, {}};
    records.Delete(list.Context(1, 5, false));
    EXPECT_EQ(records.TakeUndo().folder, 5);
}

TEST(EditRecords, PasteGoesIntoTheFocusedFolder) {
    Pane list{{7}, {}, {}};
    EditRecords records;
    records.Copy(list.Context(1, 2, false));
    EXPECT_EQ(records.PlanPaste(list.Context(1, 2, false), 11).destination, 11);
    EXPECT_EQ(records.PlanPaste(list.Context(1, 2, false), 0).destination, 2);
}

TEST(EditRecords, ClosingClearsBothAndAFailedMoveLeavesNothing) {
    Pane list{{7}, {}, {}};
    EditRecords records;
    records.Cut(list.Context(1, 5, false));
    records.ClearBoth();
    EXPECT_EQ(records.clipboard.kind, ClipboardRecord::kNone);
    EXPECT_EQ(records.undo.kind, UndoRecord::kNone);
    EXPECT_EQ(records.clipboard.archive, 0);

    records.Cut(list.Context(1, 5, false));
    records.MoveFinished(9019);
    EXPECT_TRUE(records.clipboard.IsEmpty());
    EXPECT_TRUE(records.undo.IsEmpty());
    EXPECT_FALSE(records.TakeUndo().apply);
}

TEST(EditRecords, EmptySelectionsChangeNothingButTheRecordsCleared) {
    Pane empty{{}, {}, {}};
    EditRecords records;
    records.Copy(Pane{{4}, {}, {}}.Context(1, 0, false));
    EXPECT_TRUE(records.Delete(empty.Context(1, 0, false)).empty());
    EXPECT_EQ(records.clipboard.kind, ClipboardRecord::kNone); // Delete clears both first
    EXPECT_TRUE(records.Cut(empty.Context(1, 0, false)).empty());
    EXPECT_EQ(records.undo.kind, UndoRecord::kNone);
    EXPECT_EQ(records.PlanPaste(empty.Context(1, 0, false), 0).action, PastePlan::kNothing);
}

TEST(EditRecords, DragWithinAnArchiveIsUndoableAndIntoAnotherIsNot) {
    Pane tree{{5}, {{5, 2}}, {}};
    EditRecords records;
    EXPECT_EQ(records.Drag(tree.Context(1, 5, true), 1), std::vector<int>{5});
    EXPECT_EQ(records.undo.kind, UndoRecord::kMove);
    EXPECT_EQ(records.undo.folder, 2);
    EXPECT_EQ(records.Drag(tree.Context(1, 5, true), 2), std::vector<int>{5});
    EXPECT_EQ(records.undo.kind, UndoRecord::kNone);
    EXPECT_EQ(tree.asked.front(), SelectionPurpose::Drag);
}

} // namespace
