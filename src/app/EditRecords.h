#pragma once
// The clipboard and undo records together with the rule of every command that sets or clears them.
// The Workspace runs the commands: it calls the step here, asks the engine to do the move or copy
// the step returns, and reports the engine's result back where a failure must clear the records.
#include "ClipboardRecord.h"
#include "SelectionSource.h"
#include "UndoRecord.h"

#include <vector>

namespace quorvane {

// Where the command runs and how to read the active pane's selection.
struct RecordContext {
    int currentArchive = 0;
    int currentFolder = 0;
    bool treeActive = false;
    ParentLookup parentOf;  // in the current archive
    SelectionGather gather; // from the active pane
};

// What Paste asks of the engine.
struct PastePlan {
    enum Action { kNothing, kMove, kCopy };
    Action action = kNothing;
    int sourceArchive = 0; // the clipboard's archive (for a copy, the archive CopyEntries runs on)
    int targetArchive = 0; // the current archive
    int destination = 0;   // folder entry number in the target archive
    std::vector<int> items;
};

// What Undo asks of the engine: move `items` of `archive` into `folder`, without confirmation, then
// show that archive and folder.
struct UndoPlan {
    bool apply = false;
    int archive = 0;
    int folder = 0;
    std::vector<int> items;
};

class EditRecords {
public:
    ClipboardRecord clipboard;
    UndoRecord undo;

    // Close, CloseAll, shutdown, Import, file drops, Restore, Empty Recycle Bin, and whenever the
    // entries of an archive are renumbered: the records would name other items afterwards.
    void ClearBoth();

    // Cut: the entries to move into the recycle bin, none when nothing is selected.
    std::vector<int> Cut(const RecordContext& context);
    // Copy: only records the selection.
    void Copy(const RecordContext& context);
    // Delete: the entries to move into the recycle bin, none when nothing is selected.
    std::vector<int> Delete(const RecordContext& context);
    // An internal drag onto `dropArchive`: the dragged entries; a drag within one archive is undoable.
    std::vector<int> Drag(const RecordContext& context, int dropArchive);
    // After the engine's move for Cut, Delete or a drag: a failure leaves nothing to undo or paste.
    void MoveFinished(int status);

    // Paste into the current folder, or into `focusedFolder` when not 0: the list's focused item when
    // the list is the active pane and that item is a folder. A cut pasted in its own archive comes
    // back out of the recycle bin; anything else is copied from the clipboard's archive.
    PastePlan PlanPaste(const RecordContext& context, int focusedFolder) const;
    // After Paste, whatever its result: nothing to undo, and a cut can be pasted only once.
    void PasteFinished();

    // Undo: what to move back; both records are cleared at once, whatever the move's result.
    UndoPlan TakeUndo();
};

} // namespace quorvane
