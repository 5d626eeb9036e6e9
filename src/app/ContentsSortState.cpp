#include "ContentsSortState.h"

#include "CommandIds.h"

namespace quorvane {

void ContentsSortState::FolderShown() {
    if (!shownBefore_) {
        sortKey = 0;
        sortColumn = 0;
        descending = false;
        shownBefore_ = true;
    }
}

int ContentsSortState::ColumnKey(int column) {
    static constexpr int kKeys[] = {0, 2, 4, 8, 6, 12};
    return column >= 0 && column < 6 ? kKeys[column] : -1;
}

bool ContentsSortState::MenuSort(int commandId) {
    int column = -1;
    switch (commandId) {
    case kCmdSortByName:
        column = 0;
        break;
    case kCmdSortBySize:
        column = 1;
        break;
    case kCmdSortByType:
        column = 2;
        break;
    case kCmdSortByDimensions:
        column = 3;
        break;
    case kCmdSortByDate:
        column = 4;
        break;
    case kCmdSortByComment:
        column = 5;
        break;
    default:
        return false;
    }
    sortKey = ColumnKey(column);
    sortColumn = column;
    descending = false;
    return true;
}

void ContentsSortState::ColumnClick(int column) {
    const int key = ColumnKey(column);
    if (key < 0) {
        return;
    }
    descending = column == sortColumn && !descending;
    sortColumn = column;
    sortKey = key + (descending ? 1 : 0);
}

} // namespace quorvane
