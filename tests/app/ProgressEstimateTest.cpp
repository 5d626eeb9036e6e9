// The progress window's texts with an injected clock: the first call, the estimate's rounding and
// its one-second rule, long times, nothing done yet, the suffixes, line 3's count rule, the
// percentage line, and lines reported only when they change.
#include "ProgressEstimate.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quorvane;

namespace {

struct Clock {
    int64_t now = 1000;
    ProgressEstimate::Clock Get() {
        return [this] { return now; };
    }
};

bool Changed(const ProgressUpdate& update, int line) {
    for (const ProgressLine& l : update.changed) {
        if (l.line == line) {
            return true;
        }
    }
    return false;
}

TEST(ProgressEstimate, FirstCallOnlyStartsTheClock) {
    Clock clock;
    ProgressEstimate p(clock.Get(), 0, 0);
    const ProgressUpdate first = p.Update(QStringLiteral("a.jpg"), 1, 10, 10);
    EXPECT_TRUE(p.Line(3).isEmpty());
    EXPECT_EQ(p.Line(2), QStringLiteral("a.jpg"));
    EXPECT_EQ(first.position, 1);

    clock.now += 5000; // 1 of 10 in 5 s: 9 more take 45 s
    p.Update(QStringLiteral("b.jpg"), 1, 10, 10);
    EXPECT_EQ(p.Line(3), QStringLiteral("10% of 10 files (00:46 remaining)"));
}

TEST(ProgressEstimate, EstimatesInATable) {
    struct Case {
        int64_t elapsedMs;
        int done;
        int total;
        const char* line3;
    };
    const Case cases[] = {
        {4000, 1, 2, "50% of 2 files (00:05 remaining)"}, // 1 + trunc(4.0) s
        {4999, 1, 2, "50% of 2 files (00:05 remaining)"}, // truncated, not rounded
        {3598999, 1, 2, "50% of 2 files (59:59 remaining)"},
        {3599000, 1, 2, "50% of 2 files (01:00:00 remaining)"},  // 3,600 s
        {89999000, 1, 2, "50% of 2 files (25:00:00 remaining)"}, // every hour counts
        {9000, 1, 3, "33% of 3 files (00:19 remaining)"},
        // One second is within a second of the 0 the window starts from, and so shows as 00:00.
        {1000, 3, 2, "100% of 2 files (00:00 remaining)"}, // done beyond the total
        {1000, 5, 0, "100% of 0 files (00:00 remaining)"},
        {-5000, 1, 2, "50% of 2 files (00:00 remaining)"}, // a clock that went back
    };
    for (const Case& c : cases) {
        Clock clock;
        ProgressEstimate p(clock.Get(), 0, 0);
        p.Update({}, 0, c.total, 2);
        clock.now += c.elapsedMs;
        p.Update({}, c.done, c.total, 2);
        EXPECT_EQ(p.Line(3), QString::fromUtf8(c.line3)) << c.elapsedMs << " " << c.done << "/" << c.total;
    }
}

TEST(ProgressEstimate, ShownTimeNeverRisesByASingleSecond) {
    Clock clock;
    ProgressEstimate p(clock.Get(), 0, 0);
    p.Update({}, 0, 11, 11);
    clock.now += 9000; // 1 of 11 in 9 s: 1 + 90 s
    p.Update({}, 1, 11, 11);
    EXPECT_EQ(p.LastShownSeconds(), 91u);
    // Slower: 2 of 11 in 20.1 s gives 1 + trunc(90.45) = 91 again.
    clock.now += 11100;
    p.Update({}, 2, 11, 11);
    EXPECT_EQ(p.LastShownSeconds(), 91u);
    // 00:10 -> 00:11 keeps 00:10, 00:12 is shown.
    Clock c2;
    ProgressEstimate q(c2.Get(), 0, 0);
    q.Update({}, 0, 2, 2);
    c2.now += 9000;
    q.Update({}, 1, 2, 2);
    EXPECT_EQ(q.Line(3), QStringLiteral("50% of 2 files (00:10 remaining)"));
    c2.now += 1000; // 10 s for one: 1 + 10 = 11
    q.Update({}, 1, 2, 2);
    EXPECT_EQ(q.Line(3), QStringLiteral("50% of 2 files (00:10 remaining)"));
    c2.now += 1000; // 11 s: 12
    q.Update({}, 1, 2, 2);
    EXPECT_EQ(q.Line(3), QStringLiteral("50% of 2 files (00:12 remaining)"));
    c2.now -= 4000; // falling is always shown
    q.Update({}, 1, 2, 2);
    EXPECT_EQ(q.Line(3), QStringLiteral("50% of 2 files (00:08 remaining)"));
}

TEST(ProgressEstimate, NothingDoneYetShowsNoTime) {
    Clock clock;
    ProgressEstimate p(clock.Get(), 0, 0);
    p.Update({}, 0, 10, 10);
    clock.now += 60000;
    const ProgressUpdate update = p.Update(QStringLiteral("big.tif"), 0, 10, 10);
    EXPECT_TRUE(p.Line(3).isEmpty());
    EXPECT_FALSE(Changed(update, 3));
    EXPECT_EQ(p.LastShownSeconds(), 0u);
    // A clock far in the future gives the longest time that can be shown, not an overflow.
    clock.now = std::numeric_limits<int64_t>::max();
    p.Update({}, 1, std::numeric_limits<int>::max(), 10);
    EXPECT_EQ(p.LastShownSeconds(), std::numeric_limits<uint32_t>::max());
    EXPECT_TRUE(p.Line(3).endsWith(QStringLiteral(":15 remaining)")));
}

TEST(ProgressEstimate, SuffixNamesTheThumbnails) {
    struct Case {
        int format;
        int quality;
        const char* line3;
    };
    const Case cases[] = {
        {0, 1, "10% of 10 files (00:05 remaining)"},
        {5, 0, "10% of 10 files (00:05 remaining) - Generating Thumbnails"},
        {8, 1, "10% of 10 files (00:05 remaining) - Anti-Aliasing Thumbnails"},
    };
    for (const Case& c : cases) {
        Clock clock;
        ProgressEstimate p(clock.Get(), c.format, c.quality);
        p.Update({}, 0, 10, 10);
        clock.now += 500; // 1 of 10 in 0.5 s: 1 + trunc(4.5) = 5 s
        p.Update({}, 1, 10, 10);
        EXPECT_EQ(p.Line(3), QString::fromUtf8(c.line3)) << c.format << " " << c.quality;
    }
}

TEST(ProgressEstimate, LineThreeOnlyForMoreThanOneItem) {
    for (int count : {0, 1}) {
        Clock clock;
        ProgressEstimate p(clock.Get(), 0, 0);
        p.Update({}, 0, 4, count);
        clock.now += 2000;
        p.Update({}, 1, 4, count);
        EXPECT_TRUE(p.Line(3).isEmpty()) << count;
    }
}

TEST(ProgressEstimate, ShowPercentForTotalsAboveOne) {
    Clock clock;
    ProgressEstimate p(clock.Get(), 0, 0);
    p.SetLine(2, QStringLiteral("kept"));
    for (int total : {0, 1}) {
        EXPECT_TRUE(p.ShowPercent(QStringLiteral("movie.avi"), 1, total).changed.empty());
        EXPECT_EQ(p.Line(2), QStringLiteral("kept"));
    }
    p.ShowPercent(QStringLiteral("movie.avi"), 2, 3);
    EXPECT_EQ(p.Line(2), QStringLiteral("movie.avi (66% complete)"));
    p.ShowPercent(QStringLiteral("movie.avi"), 3, 2);
    EXPECT_EQ(p.Line(2), QStringLiteral("movie.avi (100% complete)"));
}

TEST(ProgressEstimate, LinesAreReportedOnlyWhenTheyChange) {
    Clock clock;
    ProgressEstimate p(clock.Get(), 0, 0);
    EXPECT_TRUE(Changed(p.SetLine(1, QStringLiteral("Holiday")), 1));
    EXPECT_FALSE(Changed(p.SetLine(1, QStringLiteral("Holiday")), 1));
    EXPECT_TRUE(Changed(p.Update(QStringLiteral("a"), 0, 3, 3), 2));
    EXPECT_FALSE(Changed(p.Update(QStringLiteral("a"), 0, 3, 3), 2));
    clock.now += 1000;
    EXPECT_TRUE(Changed(p.Update(QStringLiteral("a"), 1, 3, 3), 3));
    EXPECT_FALSE(Changed(p.Update(QStringLiteral("a"), 1, 3, 3), 3));

    // SetRange empties lines 1 and 2 and puts the bar back.
    const ProgressUpdate range = p.SetRange(0, 9, 1);
    EXPECT_EQ(range.position, 0);
    EXPECT_TRUE(Changed(range, 1));
    EXPECT_TRUE(Changed(range, 2));
    EXPECT_TRUE(p.Line(1).isEmpty());
    EXPECT_FALSE(p.Line(3).isEmpty());
    EXPECT_TRUE(p.SetRange(0, 9, 1).changed.empty());
}

TEST(ProgressEstimate, RemainingTimeFormats) {
    struct Case {
        uint32_t seconds;
        const char* text;
    };
    const Case cases[] = {{0, "00:00"},       {59, "00:59"},      {61, "01:01"},       {3599, "59:59"},
                          {3600, "01:00:00"}, {3661, "01:01:01"}, {90000, "25:00:00"}, {360000, "100:00:00"}};
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressEstimate::FormatRemaining(c.seconds), QString::fromUtf8(c.text)) << c.seconds;
    }
}

} // namespace
