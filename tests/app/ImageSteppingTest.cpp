// Stepping from image to image: where a search starts, wrapping, folders and non-images skipped.
#include "ImageStepping.h"

#include <gtest/gtest.h>

#include <string>

using namespace quorvane;

namespace {

// A list as a pattern: 'i' a showable image, '.' anything else (a folder, a file that is not an
// image, an empty file).
struct List {
    std::string pattern;
    int Count() const { return static_cast<int>(pattern.size()); }
    ImageStepping::Showable Showable() const {
        return [this](int position) { return pattern.at(static_cast<size_t>(position)) == 'i'; };
    }
};

TEST(ImageStepping, NextAndPreviousWrapAndSkipWhatCannotBeShown) {
    struct Case {
        const char* list;
        int anchor;
        int next;
        int previous;
    };
    const Case cases[] = {
        {"..i.i.", -1, 2, 4}, // no anchor: from position 0 (forward, or backward through the end)
        {"..i.i.", 2, 4, 4},   {"..i.i.", 4, 2, 2}, // the last image wraps to the first
        {"i.....", 0, 0, 0},                        // a lone image finds itself
        {"......", 3, -1, -1},                      // nothing showable
        {"", -1, -1, -1},      {"i..i", 9, 0, 0},   // an anchor outside the list counts as none
        {".ii.", 0, 1, 2},
    };
    for (const Case& c : cases) {
        const List list{c.list};
        EXPECT_EQ(ImageStepping::Next(list.Count(), c.anchor, list.Showable()), c.next)
            << c.list << " from " << c.anchor;
        EXPECT_EQ(ImageStepping::Previous(list.Count(), c.anchor, list.Showable()), c.previous)
            << c.list << " from " << c.anchor;
    }
}

TEST(ImageStepping, AnchorIsTheFirstSelectedElseTheFocused) {
    EXPECT_EQ(ImageStepping::Anchor(3, 5), 3);
    EXPECT_EQ(ImageStepping::Anchor(-1, 5), 5);
    EXPECT_EQ(ImageStepping::Anchor(-1, -1), -1);
}

TEST(ImageStepping, RandomStartsInsideTheListAndSearchesForward) {
    const List list{"i...i..."};
    EXPECT_EQ(ImageStepping::Random(list.Count(), 0, list.Showable()), 0);
    EXPECT_EQ(ImageStepping::Random(list.Count(), 32767 / 8 + 1, list.Showable()), 4);     // starts at 1
    EXPECT_EQ(ImageStepping::Random(list.Count(), 32767 * 5 / 8 + 1, list.Showable()), 0); // wraps
    EXPECT_EQ(ImageStepping::Random(list.Count(), 32767, list.Showable()), 0); // clamped to the last position
    EXPECT_EQ(ImageStepping::Random(list.Count(), 99999, list.Showable()), 0);
    const List none{"...."};
    EXPECT_EQ(ImageStepping::Random(none.Count(), 100, none.Showable()), -1);
}

TEST(ImageStepping, OpeningFollowsThePreviewPane) {
    EXPECT_TRUE(ImageStepping::StepOpens(PaneLayout::HidePreview));
    EXPECT_FALSE(ImageStepping::StepOpens(PaneLayout::ShowAll));
    EXPECT_FALSE(ImageStepping::StepOpens(PaneLayout::HideArchive));
    EXPECT_TRUE(ImageStepping::SelectionOpens(PaneLayout::HideArchive, true, true));
    EXPECT_FALSE(ImageStepping::SelectionOpens(PaneLayout::HidePreview, true, true));
    EXPECT_FALSE(ImageStepping::SelectionOpens(PaneLayout::ShowAll, false, true));
    EXPECT_FALSE(ImageStepping::SelectionOpens(PaneLayout::ShowAll, true, false));
}

} // namespace
