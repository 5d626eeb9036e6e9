// The slideshow's pacing: a slide filled one image per tick, the delay counted from its last image
// and passed only strictly, the menu and a lost activation.
#include "SlideshowState.h"

#include <gtest/gtest.h>

using namespace quorvane;

namespace {

TEST(SlideshowState, AFullSlideWaitsStrictlyLongerThanTheDelay) {
    struct Case {
        int delay;
        bool autoAdvance;
        int64_t waited;
        bool due;
    };
    const Case cases[] = {
        {15, true, 15000, false},  {15, true, 15001, true},   {15, true, 0, false},
        {0, true, 0, false},       {0, true, 1, true},        {900, true, 900000, false},
        {900, true, 900001, true}, {15, false, 15001, false}, {0, false, 1000000000, false},
    };
    for (const Case& c : cases) {
        SlideshowState state;
        state.Start(1000);
        state.TakeSlot(1000, 1);
        EXPECT_EQ(state.AdvanceDue(1000 + c.waited, c.autoAdvance, c.delay), c.due)
            << c.delay << " s, waited " << c.waited << " ms, auto " << c.autoAdvance;
    }
    // A clock read before the last image has not waited.
    SlideshowState state;
    state.Start(50000);
    state.TakeSlot(50000, 1);
    EXPECT_FALSE(state.AdvanceDue(0, true, 0));
}

TEST(SlideshowState, FourImagesFillOnTheNextThreeTicksAndTheDelayCountsFromTheFourth) {
    for (const bool autoAdvance : {true, false}) {
        SCOPED_TRACE(autoAdvance ? "automatic" : "manual");
        SlideshowState state;
        state.Start(0);
        EXPECT_EQ(state.TakeSlot(0, 4), 0); // the image shown when the slideshow opens
        int64_t now = 0;
        for (int slot = 1; slot <= 3; ++slot) {
            now += 7; // the next tick, however short
            EXPECT_TRUE(state.AdvanceDue(now, autoAdvance, 15)) << slot;
            EXPECT_EQ(state.TakeSlot(now, 4), slot);
        }
        EXPECT_EQ(state.Slot(), 0);
        EXPECT_FALSE(state.AdvanceDue(now + 1, autoAdvance, 15));
        EXPECT_FALSE(state.AdvanceDue(now + 15000, autoAdvance, 15));
        EXPECT_EQ(state.AdvanceDue(now + 15001, autoAdvance, 15), autoAdvance);
    }
}

TEST(SlideshowState, CountsOtherThanTheLaidOutOnesShowOneImagePerSlide) {
    for (const int sp : {0, 5, 7, -1, 1}) {
        SlideshowState state;
        state.Start(0);
        EXPECT_EQ(state.TakeSlot(0, sp), 0) << sp;
        EXPECT_EQ(state.Slot(), 0) << sp;
        EXPECT_FALSE(state.AdvanceDue(5, true, 15)) << sp;
    }
}

TEST(SlideshowState, TheMenuPausesAndRestartsTheDelayWhenItCloses) {
    SlideshowState state;
    state.Start(0);
    state.TakeSlot(0, 2);
    state.OpenMenu();
    EXPECT_FALSE(state.AdvanceDue(10, true, 15)) << "not even a slide being filled";
    EXPECT_FALSE(state.AdvanceDue(60000, true, 15));
    state.CloseMenu(60000);
    EXPECT_FALSE(state.MenuOpen());
    EXPECT_TRUE(state.AdvanceDue(60001, true, 15)) << "slot 1 still to fill";
    state.TakeSlot(60001, 2);
    EXPECT_FALSE(state.AdvanceDue(75001, true, 15));
    EXPECT_TRUE(state.AdvanceDue(75002, true, 15));
}

TEST(SlideshowState, StoppingPausesAndStartingAgainBeginsANewSlide) {
    SlideshowState state;
    state.Start(0);
    state.TakeSlot(0, 4);
    state.TakeSlot(5, 4);
    ASSERT_EQ(state.Slot(), 2);
    state.Stop();
    EXPECT_FALSE(state.Active());
    EXPECT_FALSE(state.AdvanceDue(100000, true, 15));
    state.Start(200000);
    EXPECT_TRUE(state.Active());
    EXPECT_EQ(state.Slot(), 0);
    EXPECT_EQ(state.LastTick(), 200000);
    EXPECT_FALSE(state.AdvanceDue(215000, true, 15));
}

} // namespace
