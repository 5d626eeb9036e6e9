#include "SlideshowLayout.h"

#include <algorithm>

namespace quorvane {

namespace {

// Bottom edge as the first row below the rectangle.
int End(const QRect& r) {
    return r.top() + r.height();
}

} // namespace

int SlideshowLayout::SlotCount(int sp) {
    switch (sp) {
    case 2:
    case 3:
    case 4:
    case 6:
    case 8:
        return sp;
    default:
        return 1;
    }
}

QRect SlideshowLayout::SlotRect(const QRect& screen, int sp, int slot) {
    const int count = SlotCount(sp);
    if (count == 1) {
        return screen;
    }
    const int k = ((slot % count) + count) % count;
    const int left = screen.left();
    const int top = screen.top();
    const int width = screen.width();
    const int height = screen.height();
    // Two and three images share the full height; more fill two rows.
    const int columns = count <= 3 ? count : count / 2;
    const int cellWidth = width / columns;
    const int cellHeight = count <= 3 ? height : height / 2;
    const int column = k % columns;
    const int row = k / columns;
    return {left + column * cellWidth, top + row * cellHeight, cellWidth, cellHeight};
}

QRect SlideshowLayout::NameBand(const QRect& slot, const QRect& placed) {
    const int top = std::min(End(placed) + kBandGap, End(slot) - kBandHeight);
    return {slot.left(), top, slot.width(), kBandHeight};
}

QRect SlideshowLayout::CommentBand(const QRect& slot, const QRect& placed) {
    const int bottom = std::max(placed.top() - kBandGap, slot.top() + kBandHeight);
    return {slot.left(), bottom - kBandHeight, slot.width(), kBandHeight};
}

} // namespace quorvane
