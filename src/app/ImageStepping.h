#pragma once
// Stepping through the contents list from image to image (View Next/Previous File, Tab and
// Shift+Tab, the slideshow) over the list's positions 0..count - 1; `showable` tells whether the item
// at a position can be shown (ContentsRow::Showable). Each search visits every position once,
// wrapping at the ends, and gives the position found or -1.
#include "PaneLayout.h"

#include <functional>

namespace quorvane {

class ImageStepping {
public:
    using Showable = std::function<bool(int position)>;

    // The position a step starts from: the first selected item, else the focused one, else none (-1).
    static int Anchor(int firstSelected, int focused);

    // From the position after `anchor` onward (from position 0 when there is no anchor); the anchor
    // itself comes last, so a lone image finds itself.
    static int Next(int count, int anchor, const Showable& showable);
    // From the position before `anchor` backward (from position 0 when there is no anchor).
    static int Previous(int count, int anchor, const Showable& showable);
    // From position floor(random / randomMax x count), clamped into the list, onward.
    static int Random(int count, int random, const Showable& showable, int randomMax = 32767);

    // A step opens the item it lands on itself only while the preview pane is hidden; otherwise
    // the selection change opens it.
    static bool StepOpens(PaneLayout layout) { return !PreviewVisible(layout); }
    // A selection change opens the first selected item while the preview pane is visible, if it is showable.
    static bool SelectionOpens(PaneLayout layout, bool isFirstSelected, bool showable) {
        return PreviewVisible(layout) && isFirstSelected && showable;
    }
};

} // namespace quorvane
