#pragma once
// One level of undo. Every undoable action (a delete, a cut, a drag within one archive) moved
// entries inside one archive, so undoing is the move back: the items into `folder`.
#include "SelectionSource.h"

#include <vector>

namespace quorvane {

class UndoRecord {
public:
    enum Kind { kNone = 0, kDelete = 1, kMove = 5, kCut = 6 };

    std::vector<int> items; // entry numbers, in the order the pane reported them
    int archive = 0;        // slot of the archive in the Workspace's table; 0 none
    int folder = 0;         // where the items go back to
    int kind = kNone;

    // Stores the kind and place, then the selection gathered for the purpose with the kind's number.
    // A folder selected in the tree lives in its parent, so with the tree active the place becomes
    // the parent of `newFolder` (`parentOf` answers 0 when the archive is not open).
    void Set(int newKind, int newArchive, int newFolder, bool treeActive, const ParentLookup& parentOf,
             const SelectionGather& gather);
    void Clear();
    bool IsEmpty() const { return items.empty(); }
};

} // namespace quorvane
