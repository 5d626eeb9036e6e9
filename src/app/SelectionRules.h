#pragma once
// What each pane's selection stands for, as plain functions over what the pane holds, so that the
// widgets only report their state and the rules are tested without them.
#include "ActivePane.h"
#include "SelectionPurpose.h"

#include <functional>
#include <span>
#include <vector>

namespace quorvane {

class SelectionSource;

// One row of the contents list as the selection sees it.
struct ListSelectionRow {
    int number = 0; // entry number of the row's item
    bool selected = false;
};

class SelectionRules {
public:
    // The tree's selection for the node showing `folder` (0 the archive node, 1 the recycle bin):
    // the archive node gives {0}, the recycle bin every entry directly inside it in ascending order
    // (`parentOf` gives an entry number's parent), any other folder itself.
    static std::vector<int> TreeSelection(int folder, int entryCount,
                                          const std::function<int(int)>& parentOf);

    // The list's selection: the selected rows' entry numbers in row order.
    static std::vector<int> ListSelection(std::span<const ListSelectionRow> rows);

    // The selection a command acts on: the recycle bin itself for emptying it, otherwise whatever
    // the active pane holds, and nothing when neither pane is active.
    static std::vector<int> Gather(SelectionPurpose purpose, ActivePane active, SelectionSource* tree,
                                   SelectionSource* list);
};

} // namespace quorvane
