#pragma once
// Why a selection is gathered. The clipboard and undo kinds reuse these numbers (1 delete,
// 5 drag, 6 cut, 7 copy).

namespace quorvane {

enum class SelectionPurpose {
    Delete = 1,
    Export = 2,
    Restore = 3,
    EmptyRecycleBin = 4,
    Drag = 5,
    Cut = 6,
    Copy = 7,
    CommentOrProperties = 8,
};

} // namespace quorvane
