// The slideshow's slot rectangles for every images-per-slide value and its text bands.
#include "SlideshowLayout.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quorvane;

namespace {

std::vector<QRect> Cells(const QRect& screen, int sp) {
    std::vector<QRect> out;
    out.reserve(static_cast<size_t>(SlideshowLayout::SlotCount(sp)));
    for (int k = 0; k < SlideshowLayout::SlotCount(sp); ++k) {
        out.push_back(SlideshowLayout::SlotRect(screen, sp, k));
    }
    return out;
}

TEST(SlideshowLayout, SlotsForEveryCount) {
    const QRect screen(0, 0, 1000, 600);
    struct Case {
        int sp;
        std::vector<QRect> cells;
    };
    const Case cases[] = {
        {1, {screen}},
        {0, {screen}}, // any other value shows one image per slide
        {5, {screen}},
        {-3, {screen}},
        {2, {QRect(0, 0, 500, 600), QRect(500, 0, 500, 600)}},
        {3, {QRect(0, 0, 333, 600), QRect(333, 0, 333, 600), QRect(666, 0, 333, 600)}},
        {4,
         {QRect(0, 0, 500, 300), QRect(500, 0, 500, 300), QRect(0, 300, 500, 300),
          QRect(500, 300, 500, 300)}},
        {6,
         {QRect(0, 0, 333, 300), QRect(333, 0, 333, 300), QRect(666, 0, 333, 300), QRect(0, 300, 333, 300),
          QRect(333, 300, 333, 300), QRect(666, 300, 333, 300)}},
        {8,
         {QRect(0, 0, 250, 300), QRect(250, 0, 250, 300), QRect(500, 0, 250, 300), QRect(750, 0, 250, 300),
          QRect(0, 300, 250, 300), QRect(250, 300, 250, 300), QRect(500, 300, 250, 300),
          QRect(750, 300, 250, 300)}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cells(screen, c.sp), c.cells) << c.sp;
    }
}

TEST(SlideshowLayout, OddSizesAndAnOffsetScreen) {
    // Widths and heights truncate; cells never overlap and never leave the screen.
    const QRect screen(100, 50, 1001, 601);
    EXPECT_EQ(Cells(screen, 2), (std::vector<QRect>{QRect(100, 50, 500, 601), QRect(600, 50, 500, 601)}));
    for (int sp : {2, 3, 4, 6, 8}) {
        const std::vector<QRect> cells = Cells(screen, sp);
        for (size_t i = 0; i < cells.size(); ++i) {
            EXPECT_TRUE(screen.contains(cells[i])) << sp << " " << i;
            for (size_t j = i + 1; j < cells.size(); ++j) {
                EXPECT_FALSE(cells[i].intersects(cells[j])) << sp << " " << i << " " << j;
            }
        }
    }
    EXPECT_EQ(SlideshowLayout::SlotRect(screen, 8, 7), QRect(850, 350, 250, 300));
    // A slot number past the count comes round again.
    EXPECT_EQ(SlideshowLayout::SlotRect(screen, 4, 5), SlideshowLayout::SlotRect(screen, 4, 1));
}

TEST(SlideshowLayout, TextBandsBesideTheImageWithinTheSlot) {
    const QRect slot(0, 0, 400, 300);
    struct Case {
        QRect placed;
        QRect name;
        QRect comment;
    };
    const Case cases[] = {
        // Room above and below: 8 pixels off the image.
        {QRect(50, 100, 300, 100), QRect(0, 208, 400, 24), QRect(0, 68, 400, 24)},
        // The image fills the slot: the bands stay inside it, at its edges.
        {QRect(0, 0, 400, 300), QRect(0, 276, 400, 24), QRect(0, 0, 400, 24)},
        // Close to the edges: clamped there.
        {QRect(0, 20, 400, 260), QRect(0, 276, 400, 24), QRect(0, 0, 400, 24)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SlideshowLayout::NameBand(slot, c.placed), c.name);
        EXPECT_EQ(SlideshowLayout::CommentBand(slot, c.placed), c.comment);
    }
    // In a lower slot the same rules apply from its own edges.
    const QRect lower(500, 300, 250, 300);
    EXPECT_EQ(SlideshowLayout::NameBand(lower, QRect(520, 350, 200, 100)), QRect(500, 458, 250, 24));
    EXPECT_EQ(SlideshowLayout::CommentBand(lower, QRect(520, 310, 200, 100)), QRect(500, 300, 250, 24));
}

} // namespace
