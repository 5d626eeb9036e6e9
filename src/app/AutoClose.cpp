#include "AutoClose.h"

#include <algorithm>
#include <ctime>
#include <utility>

namespace quorvane {

int64_t AutoClose::BootTimeMs() {
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        clock_gettime(CLOCK_MONOTONIC, &now);
    }
    return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

AutoClose::AutoClose(Clock clock)
    : clock_(std::move(clock))
    , last_(clock_()) {}

void AutoClose::NoteActivity() {
    last_ = clock_();
}

int64_t AutoClose::ElapsedSeconds() const {
    const int64_t now = clock_();
    return now > last_ ? (now - last_) / 1000 : 0;
}

AutoClose::Decision AutoClose::Check(const Situation& situation, const std::function<bool()>& settled) {
    const int64_t elapsed = ElapsedSeconds();
    const int64_t wait = int64_t{std::max(situation.waitMinutes, 1)} * 60;
    if (!situation.archiveOpen || !situation.enabled || elapsed <= wait - kCountdownSeconds) {
        if (shown_) {
            shown_ = false;
            return {Step::Hide, 0};
        }
        return {};
    }
    const int64_t remaining = wait - elapsed;
    if (settled && !settled()) {
        return {Step::Prepare, remaining};
    }
    if (remaining <= 0) {
        shown_ = false;
        last_ = clock_();
        return {Step::Close, remaining};
    }
    if (!shown_) {
        shown_ = true;
        return {Step::Show, remaining};
    }
    return {Step::Update, remaining};
}

void AutoClose::CountdownCancelled() {
    shown_ = false;
    NoteActivity();
}

} // namespace quorvane
