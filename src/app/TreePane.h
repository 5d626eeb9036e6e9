#pragma once
// What the Workspace asks of the folder tree. The tree reads the open archives itself (TreeNodes
// gives its rows) and reports selections, renames and drops back to the Workspace.
#include "SelectionSource.h"

namespace quorvane {

class TreePane : public SelectionSource {
public:
    // Clears and rebuilds every row, restoring the stored expansion.
    virtual void Rebuild() = 0;
    virtual void Clear() = 0;
    // Makes the tree the active pane and selects the node of (archive, folder) unless it already is.
    virtual void SelectFolder(int archive, int folder) = 0;
    // Selects the parent of the selected node; true (and nothing done) at an archive node.
    virtual bool UpOneLevel() = 0;
    // Starts editing the current node's name (the tree refuses archive nodes and the recycle bin).
    virtual void BeginRename() = 0;
    // A drag has ended: the drop highlight goes.
    virtual void DragFinished() = 0;
};

} // namespace quorvane
