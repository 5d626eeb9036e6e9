// When the archives close by themselves, over a clock the test moves: the countdown of the last 15
// seconds, Cancel, a long jump of the clock, and what keeps it from running.
#include "AutoClose.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quorvane;
using Step = AutoClose::Step;

namespace {

class AutoCloseTest : public ::testing::Test {
protected:
    void At(int64_t seconds) { now = seconds * 1000; }
    AutoClose::Decision Check(bool settled = true) {
        return logic.Check(situation, [=] { return settled; });
    }

    int64_t now = 0;
    AutoClose logic{[this] { return now; }};
    AutoClose::Situation situation{true, true, 1};
};

TEST_F(AutoCloseTest, OneMinuteOpensAt46CountsDownAndClosesAt60) {
    std::vector<AutoClose::Decision> seen;
    for (int64_t s = 0; s <= 60; ++s) {
        At(s);
        seen.push_back(Check());
    }
    for (int64_t s = 0; s <= 45; ++s) {
        EXPECT_EQ(seen[s], AutoClose::Decision{}) << s;
    }
    EXPECT_EQ(seen[46], (AutoClose::Decision{Step::Show, 14}));
    for (int64_t s = 47; s <= 59; ++s) {
        EXPECT_EQ(seen[s], (AutoClose::Decision{Step::Update, 60 - s})) << s;
    }
    EXPECT_EQ(seen[60], (AutoClose::Decision{Step::Close, 0}));
    EXPECT_FALSE(logic.CountdownShown());
    // Closing counts as activity: the wait starts again.
    At(61);
    EXPECT_EQ(Check().step, Step::None);

    // Whole seconds: 45.999 s is still 45.
    now = 0;
    AutoClose fresh{[this] { return now; }};
    now = 45999;
    EXPECT_EQ(fresh.Check(situation, [] { return true; }).step, Step::None);
    now = 46000;
    EXPECT_EQ(fresh.Check(situation, [] { return true; }).step, Step::Show);
}

TEST_F(AutoCloseTest, CancelRestartsTheFullWait) {
    At(50);
    ASSERT_EQ(Check().step, Step::Show);
    logic.CountdownCancelled();
    EXPECT_FALSE(logic.CountdownShown());
    At(95);
    EXPECT_EQ(Check().step, Step::None);
    At(96);
    EXPECT_EQ(Check(), (AutoClose::Decision{Step::Show, 14}));
}

TEST_F(AutoCloseTest, AClockThatJumpedPastTheWaitClosesAtTheNextCheck) {
    At(2 * 3600);
    EXPECT_EQ(Check(), (AutoClose::Decision{Step::Close, 60 - 7200}));
    // The default wait too.
    situation.waitMinutes = 10;
    At(3 * 3600);
    EXPECT_EQ(Check().step, Step::Close);
}

TEST_F(AutoCloseTest, OffNoArchiveOrActivityNeverCountDown) {
    struct Case {
        const char* name;
        AutoClose::Situation situation;
    };
    const Case cases[] = {
        {"TX = 0", {true, false, 1}},
        {"no archive open", {false, true, 1}},
    };
    for (const Case& c : cases) {
        AutoClose quiet{[this] { return now; }};
        for (int64_t s : {46, 60, 7200}) {
            At(s);
            EXPECT_EQ(quiet.Check(c.situation, [] { return true; }).step, Step::None) << c.name << " " << s;
        }
    }
    // Activity noted while the countdown shows takes it away without closing.
    At(50);
    ASSERT_EQ(Check().step, Step::Show);
    logic.NoteActivity();
    At(51);
    EXPECT_EQ(Check().step, Step::Hide);
    EXPECT_FALSE(logic.CountdownShown());
    At(60);
    EXPECT_EQ(Check().step, Step::None);
}

TEST_F(AutoCloseTest, WhatIsStillOpenIsEndedFirstThenTheCountdownRuns) {
    At(46);
    EXPECT_EQ(Check(false), (AutoClose::Decision{Step::Prepare, 14}));
    EXPECT_FALSE(logic.CountdownShown());
    At(47);
    EXPECT_EQ(Check(true), (AutoClose::Decision{Step::Show, 13}));
    // Due to close but something opened meanwhile: it goes first, the close follows.
    At(60);
    EXPECT_EQ(Check(false).step, Step::Prepare);
    EXPECT_TRUE(logic.CountdownShown());
    At(61);
    EXPECT_EQ(Check(true), (AutoClose::Decision{Step::Close, -1}));
    // Before the countdown is due nothing is asked.
    AutoClose early{[this] { return now; }};
    At(10);
    bool asked = false;
    early.Check(situation, [&] {
        asked = true;
        return false;
    });
    EXPECT_FALSE(asked);
}

} // namespace
