#pragma once
// The contents list's choice of order: the sort key code, the column it belongs to and the
// descending toggle of column clicks. Reset the first time the list shows a folder, then kept
// across every refill (another folder, a rename, a delete).
namespace quorvane {

class ContentsSortState {
public:
    int sortKey = 0;
    int sortColumn = 0; // 0 name, 1 size, 2 type, 3 dimensions, 4 modified, 5 comment
    bool descending = false;

    // The list is being prepared for a folder's contents.
    void FolderShown();
    // A sort command of the menus (8204..8207, 8215, 8219): its key and column, ascending.
    // False for any other command.
    bool MenuSort(int commandId);
    // A click on column `column`'s header: a second click on the sorted column while ascending
    // turns it descending; any other click sorts ascending.
    void ColumnClick(int column);

    // The ascending key code of a column (-1 for none).
    static int ColumnKey(int column);

private:
    bool shownBefore_ = false;
};

} // namespace quorvane
