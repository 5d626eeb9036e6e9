#pragma once
// The program's own clipboard: which items of which archive were cut or copied. The system
// clipboard is never used, so no item name ever leaves the program that way.
#include "SelectionSource.h"

#include <vector>

namespace quorvane {

class ClipboardRecord {
public:
    enum Kind { kNone = 0, kCut = 6, kCopy = 7 };

    std::vector<int> items; // entry numbers, in the order the pane reported them
    int archive = 0;        // slot of the archive in the Workspace's table; 0 none
    int folder = 0;         // the folder the items were taken from (0 the top level)
    int kind = kNone;

    // Stores the kind and place, then (unless the kind is none) the selection gathered for the
    // purpose with the kind's number.
    void Set(int newKind, int newArchive, int newFolder, const SelectionGather& gather);
    void Clear();
    bool IsEmpty() const { return items.empty(); }
};

} // namespace quorvane
