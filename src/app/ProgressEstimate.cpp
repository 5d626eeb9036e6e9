#include "ProgressEstimate.h"

#include "StringTable.h"
#include "TextFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace quorvane {

namespace {

QString TwoDigits(uint32_t n) {
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

int Percent(int done, int total) {
    if (total <= 0) {
        return 100;
    }
    const int64_t percent = int64_t{std::max(done, 0)} * 100 / total;
    return static_cast<int>(std::min<int64_t>(percent, 100));
}

} // namespace

ProgressEstimate::ProgressEstimate(Clock clock, int thumbnailFormat, int thumbnailQuality)
    : clock_(std::move(clock))
    , filesFormat_(StringTable::Text(kStrFilesProgress)) {
    if (thumbnailFormat > 0) {
        filesFormat_ +=
            QLatin1Char(' ') +
            StringTable::Text(thumbnailQuality != 0 ? kStrAntiAliasingThumbnails : kStrGeneratingThumbnails);
    }
}

const QString& ProgressEstimate::Line(int line) const {
    static const QString kNone;
    return line >= 1 && line <= 3 ? lines_[line - 1] : kNone;
}

void ProgressEstimate::Set(int line, const QString& text, ProgressUpdate& update) {
    if (line < 1 || line > 3 || lines_[line - 1] == text) {
        return;
    }
    lines_[line - 1] = text;
    update.changed.push_back({line, text});
}

ProgressUpdate ProgressEstimate::SetRange(int /*low*/, int /*high*/, int /*step*/) {
    ProgressUpdate update;
    update.position = 0;
    Set(1, QString(), update);
    Set(2, QString(), update);
    return update;
}

ProgressUpdate ProgressEstimate::SetLine(int line, const QString& text) {
    ProgressUpdate update;
    Set(line, text, update);
    return update;
}

ProgressUpdate ProgressEstimate::Update(const QString& stepText, int done, int total, int count) {
    ProgressUpdate update;
    const int64_t now = clock_ ? clock_() : 0;
    if (!clockStarted_) {
        clockStarted_ = true;
        start_ = now;
        lastShown_ = 0;
    } else if (done > 0) {
        const double elapsed = static_cast<double>(std::max<int64_t>(now - start_, 0));
        const double left = static_cast<double>(std::max(total - done, 0));
        // Clamped before the conversion: a clock jump or a runaway rate must not overflow it.
        const double estimate = std::clamp(1.0 + std::trunc(elapsed * left / done / 1000.0), 1.0,
                                           static_cast<double>(std::numeric_limits<uint32_t>::max()));
        uint32_t shown = static_cast<uint32_t>(estimate);
        // The time shown never rises by a single second: that is the estimate's own jitter.
        if (lastShown_ <= shown && uint64_t{shown} <= uint64_t{lastShown_} + 1) {
            shown = lastShown_;
        }
        lastShown_ = shown;
        if (count > 1) {
            Set(3, TextFormat::Fill(filesFormat_, {Percent(done, total), total, FormatRemaining(shown)}),
                update);
        }
    }
    Set(2, stepText, update);
    update.position = done;
    return update;
}

ProgressUpdate ProgressEstimate::ShowPercent(const QString& name, int done, int total) {
    ProgressUpdate update;
    if (total > 1) {
        Set(2, TextFormat::Fill(StringTable::Text(kStrPercentComplete), {name, Percent(done, total)}),
            update);
    }
    return update;
}

QString ProgressEstimate::FormatRemaining(uint32_t seconds) {
    const bool hours = seconds >= 3600;
    QString text = StringTable::Text(hours ? kStrHoursMinutesSeconds : kStrMinutesSeconds);
    text.replace(QLatin1String("%H"), TwoDigits(seconds / 3600));
    text.replace(QLatin1String("%M"), TwoDigits(hours ? seconds / 60 % 60 : seconds / 60));
    text.replace(QLatin1String("%S"), TwoDigits(seconds % 60));
    return text;
}

} // namespace quorvane
