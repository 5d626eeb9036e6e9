#include "ArchiveHost.h"

namespace quorvane {

Prompt ConfirmDeleteOne() {
    return {12304, "Confirm File Delete", "Are you sure you want to send this item to the Recycle Bin?",
            "DD"};
}

Prompt ConfirmDeleteMany() {
    return {12305, "Confirm Multiple File Delete",
            "Are you sure you want to send these items to the Recycle Bin?", "DD"};
}

Prompt ConfirmEmptyRecycleBin() {
    return {
        12306, "Confirm Empty Recycle Bin",
        "Are you sure you want to permanently remove the items in the Recycle Bin?\n\n"
        "The archive will need to be defragmented after removing the items. Defragmenting the archive may "
        "take a few minutes.",
        "DT"};
}

Prompt ConfirmCloseArchive() {
    return {12313, "Confirm Close Archive.", "Are you sure you want to close this archive?", "DC"};
}

Prompt AlertDefragmentCancelled() {
    return {
        12314, "Canceled Archive Defragmentation",
        "You have canceled archive defragmentation. You can continue archive defragmentation by selecting "
        "\"Empty Recycle Bin\" from the \"File\" Menu.",
        "DE"};
}

Prompt AlertPerformance() {
    return {12321, "Performance Alert",
            "You have over 1000 files in a folder. For optimal performance, split the files into multiple "
            "folders.",
            "DB"};
}

} // namespace quorvane
