#pragma once
// What the command rules look at: a snapshot of the Workspace, the main frame and the contents list,
// taken each time the menus and the toolbar are brought up to date.
#include "ActivePane.h"
#include "PaneLayout.h"

namespace quorvane {

struct CommandState {
    bool busy = false;    // a command (with its dialogs and progress window) is running
    int archiveCount = 0; // open archives, 0..64
    bool hasCurrentArchive = false;

    // The current folder of the current archive.
    int currentFolder = 0;     // entry number; 0 the archive's top level, 1 the recycle bin
    bool inRecycleBin = false; // the current folder is the recycle bin or lies inside it
    int binItemCount = 0;      // entries directly or indirectly in the current archive's recycle bin
    bool defragmentPending = false;
    int thumbSizeIndex = 0; // of the archive the list shows: 0 none, 1..4 for 32..96 pixels

    ActivePane activePane = ActivePane::None;
    PaneLayout layout = PaneLayout::ShowAll;
    bool labelEditing = false; // a name is being edited in place

    // The contents list.
    bool listHasFocusedItem = false;
    int listSelectedCount = 0;
    int viewMode = 2;   // 0 small icons, 1 large icons, 2 thumbnails, 3 list, 4 details
    int sortColumn = 0; // 0 name, 1 size, 2 type, 3 dimensions, 4 modified, 5 comment

    int clipboardKind = 0; // 0 none, 6 cut, 7 copy
    int undoKind = 0;      // 0 none, 1 delete, 5 move, 6 cut

    // Preferences.
    int findStart = 0;            // "FS"
    bool slideAutoAdvance = true; // "SX"
    bool previewFit = true;       // "PS"

    bool toolbarVisible = true;
    bool statusBarVisible = true;

    bool anyArchiveOpen() const { return archiveCount > 0; }
    // Two equal snapshots give every command the same state: the frame compares them to skip work.
    bool operator==(const CommandState&) const = default;
};

} // namespace quorvane
