#pragma once
// The texts of the progress window of a long operation: the step being worked on, the share done
// and an estimate of the time left, with each line reported only when its text changes (so the
// window does not flicker). The clock is injected: milliseconds from any monotonic origin.
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane {

struct ProgressLine {
    int line = 0; // 1..3
    QString text;
};

struct ProgressUpdate {
    std::vector<ProgressLine> changed; // the lines whose text changed, with their new text
    std::optional<int> position;       // the bar's new position, when set
};

class ProgressEstimate {
public:
    using Clock = std::function<int64_t()>;

    // `thumbnailFormat` above 0 means the operation also makes thumbnails; `thumbnailQuality`
    // non-zero that they are anti-aliased. Both show as a suffix of the files line.
    ProgressEstimate(Clock clock, int thumbnailFormat, int thumbnailQuality);

    // Bar at 0 of low..high; lines 1 and 2 emptied.
    ProgressUpdate SetRange(int low, int high, int step);
    ProgressUpdate SetLine(int line, const QString& text);

    // After each unit of work: line 2 shows `stepText`, the bar `done`. The first call only starts
    // the clock; later ones estimate the time left from the rate so far and, when `count` is above
    // 1, write line 3 ("45% of 120 files (01:23 remaining)"). While nothing is done yet no time can
    // be estimated, and line 3 stays as it is.
    ProgressUpdate Update(const QString& stepText, int done, int total, int count);
    // Line 2 becomes "name (n% complete)", for totals above 1.
    ProgressUpdate ShowPercent(const QString& name, int done, int total);

    const QString& Line(int line) const;
    uint32_t LastShownSeconds() const { return lastShown_; }
    // Whether the first Update has started the clock.
    bool ClockStarted() const { return clockStarted_; }
    const QString& FilesFormat() const { return filesFormat_; }

    // "MM:SS" below an hour, else "HH:MM:SS" counting every hour (25 hours read 25:00:00).
    static QString FormatRemaining(uint32_t seconds);

private:
    void Set(int line, const QString& text, ProgressUpdate& update);

    Clock clock_;
    QString filesFormat_;
    QString lines_[3];
    bool clockStarted_ = false;
    int64_t start_ = 0;
    uint32_t lastShown_ = 0;
};

} // namespace quorvane
