#pragma once
// Where a drag currently points, recorded by the pane under the pointer, and the effect it shows.

namespace quorvane {

struct DropTarget {
    enum Source { kNone = 0, kTree = 1, kList = 2, kPreview = 3 };
    int valid = kNone; // which pane recorded it; kNone when the pointer is over no target
    int archive = 0;
    int folder = 0;

    bool IsSet() const { return valid != kNone && archive > 0; }
    void Clear() { *this = DropTarget{}; }
};

enum class DropEffect { None, Move, Copy };

// A drag of the program's own items moves within the current archive and copies into another; a
// drag from outside (files from the desktop) always copies.
constexpr DropEffect DropEffectFor(bool hasTarget, bool internalDrag, bool targetIsCurrentArchive) {
    if (!hasTarget) {
        return DropEffect::None;
    }
    return internalDrag && targetIsCurrentArchive ? DropEffect::Move : DropEffect::Copy;
}

} // namespace quorvane
