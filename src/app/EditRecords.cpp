#include "EditRecords.h"

namespace quorvane {

void EditRecords::ClearBoth() {
    clipboard.Clear();
    undo.Clear();
}

std::vector<int> EditRecords::Cut(const RecordContext& c) {
    undo.Clear();
    clipboard.Set(ClipboardRecord::kCut, c.currentArchive, c.currentFolder, c.gather);
    if (clipboard.IsEmpty()) {
        return {};
    }
    undo.Set(UndoRecord::kCut, c.currentArchive, c.currentFolder, c.treeActive, c.parentOf, c.gather);
    return clipboard.items;
}

void EditRecords::Copy(const RecordContext& c) {
    undo.Clear();
    clipboard.Set(ClipboardRecord::kCopy, c.currentArchive, c.currentFolder, c.gather);
}

std::vector<int> EditRecords::Delete(const RecordContext& c) {
    ClearBoth();
    if (!c.gather || c.gather(SelectionPurpose::Delete).empty()) {
        return {};
    }
    clipboard.Clear();
    undo.Set(UndoRecord::kDelete, c.currentArchive, c.currentFolder, c.treeActive, c.parentOf, c.gather);
    return undo.items;
}

std::vector<int> EditRecords::Drag(const RecordContext& c, int dropArchive) {
    ClearBoth();
    std::vector<int> dragged = c.gather ? c.gather(SelectionPurpose::Drag) : std::vector<int>{};
    if (!dragged.empty() && dropArchive == c.currentArchive) {
        undo.Set(UndoRecord::kMove, c.currentArchive, c.currentFolder, c.treeActive, c.parentOf, c.gather);
    }
    return dragged;
}

void EditRecords::MoveFinished(int status) {
    if (status != 0) {
        ClearBoth();
    }
}

PastePlan EditRecords::PlanPaste(const RecordContext& c, int focusedFolder) const {
    PastePlan plan;
    if (clipboard.IsEmpty() || clipboard.archive <= 0) {
        return plan;
    }
    plan.sourceArchive = clipboard.archive;
    plan.targetArchive = c.currentArchive;
    plan.destination = focusedFolder > 0 ? focusedFolder : c.currentFolder;
    plan.items = clipboard.items;
    plan.action = clipboard.archive == c.currentArchive && clipboard.kind == ClipboardRecord::kCut
                      ? PastePlan::kMove
                      : PastePlan::kCopy;
    return plan;
}

void EditRecords::PasteFinished() {
    undo.Clear();
    if (clipboard.kind == ClipboardRecord::kCut) {
        clipboard.Clear();
    }
}

UndoPlan EditRecords::TakeUndo() {
    UndoPlan plan;
    if (!undo.IsEmpty() && undo.archive > 0) {
        plan.apply = true;
        plan.archive = undo.archive;
        plan.folder = undo.folder;
        plan.items = undo.items;
    }
    ClearBoth();
    return plan;
}

} // namespace quorvane
