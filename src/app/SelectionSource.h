#pragma once
// A pane that can say what a command acts on: the tree and the contents list implement it.
#include "SelectionPurpose.h"

#include <functional>
#include <vector>

namespace quorvane {

// Gathers the active pane's selection for a purpose (SelectionRules::Gather bound to the panes).
using SelectionGather = std::function<std::vector<int>(SelectionPurpose)>;
// The parent entry number of an entry number of the current archive (0 when it is not open).
using ParentLookup = std::function<int(int)>;

class SelectionSource {
public:
    virtual ~SelectionSource() = default;
    // Entry numbers of the pane's selection, in the order the pane reports them.
    virtual std::vector<int> Gather(SelectionPurpose purpose) = 0;
};

} // namespace quorvane
