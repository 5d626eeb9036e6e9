#pragma once
// Where the slideshow draws: the slot rectangles of a slide with 1, 2, 3, 4, 6 or 8 images, and
// the bands of the name (below the image) and the comment (above it).
#include <QRect>

namespace quorvane {

class SlideshowLayout {
public:
    static constexpr int kBandHeight = 24;
    static constexpr int kBandGap = 8;

    // Images per slide for an "SP" value: the value itself for 1, 2, 3, 4, 6 and 8, else 1, so that a
    // slide always comes to its end.
    static int SlotCount(int slidesPerScreen);

    // Slot `slot` (taken modulo the slot count) of `screen`. Columns are W / count wide and rows half
    // the height, all truncated, counted from the screen's left and top edges.
    static QRect SlotRect(const QRect& screen, int slidesPerScreen, int slot);

    // The name: 24 pixels high, its top 8 pixels below the placed image, but no lower than 24
    // pixels above the slot's bottom.
    static QRect NameBand(const QRect& slot, const QRect& placed);
    // The comment: 24 pixels high, its bottom 8 pixels above the placed image, but no higher than
    // 24 pixels below the slot's top.
    static QRect CommentBand(const QRect& slot, const QRect& placed);
};

} // namespace quorvane
