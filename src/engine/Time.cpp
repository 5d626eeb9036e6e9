// FILETIME: 100-ns ticks since 1601-01-01 UTC, the unit of every date an archive stores.
#include "FileLayer.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace quorvane {
namespace {

constexpr int64_t kTicksTo1970 = 116'444'736'000'000'000; // 1601-01-01 → 1970-01-01
constexpr int64_t kNsPerTick = 100;

} // namespace

uint64_t NowFileTime() {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
    return UnixNsToFileTime(static_cast<int64_t>(ns));
}

uint64_t UnixNsToFileTime(int64_t unixNs) {
    // Floor division, so a time before 1970 lands on the tick that holds it.
    int64_t ticks = unixNs / kNsPerTick;
    if (unixNs % kNsPerTick < 0) {
        --ticks;
    }
    if (ticks < -kTicksTo1970) {
        return 0; // before 1601: no FILETIME can say it
    }
    return static_cast<uint64_t>(ticks + kTicksTo1970);
}

uint64_t UnixTimeToFileTime(int64_t seconds, int64_t nanoseconds) {
    constexpr int64_t kTicksPerSecond = 10'000'000;
    constexpr int64_t kSecondsTo1970 = kTicksTo1970 / kTicksPerSecond;
    // A file system gives 0 to 999,999,999 nanoseconds. Whole seconds since 1601 first, then ticks:
    // both stay inside 64 bits for every input.
    nanoseconds = std::clamp<int64_t>(nanoseconds, 0, 999'999'999);
    if (seconds < -kSecondsTo1970) {
        return 0;
    }
    const auto since1601 = static_cast<uint64_t>(seconds) + static_cast<uint64_t>(kSecondsTo1970);
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    const auto ticks = static_cast<uint64_t>(nanoseconds / kNsPerTick);
    if (since1601 > (kMax - ticks) / kTicksPerSecond) {
        return kMax;
    }
    return since1601 * kTicksPerSecond + ticks;
}

int64_t FileTimeToUnixSeconds(uint64_t fileTime) {
    constexpr uint64_t kTicksPerSecond = 10'000'000;
    return static_cast<int64_t>(fileTime / kTicksPerSecond) -
           kTicksTo1970 / static_cast<int64_t>(kTicksPerSecond);
}

int64_t FileTimeToUnixNs(uint64_t fileTime) {
    // Dates come from archives and are untrusted: a date outside what nanoseconds since 1970 can
    // hold (the years 1677 to 2262) saturates instead of overflowing.
    constexpr auto kMaxTicks = static_cast<uint64_t>(std::numeric_limits<int64_t>::max() / kNsPerTick);
    if (fileTime >= static_cast<uint64_t>(kTicksTo1970)) {
        uint64_t since1970 = fileTime - static_cast<uint64_t>(kTicksTo1970);
        if (since1970 > kMaxTicks) {
            return std::numeric_limits<int64_t>::max();
        }
        return static_cast<int64_t>(since1970) * kNsPerTick;
    }
    uint64_t before1970 = static_cast<uint64_t>(kTicksTo1970) - fileTime;
    if (before1970 > kMaxTicks) {
        return std::numeric_limits<int64_t>::min(); // before 1677, likewise
    }
    return -static_cast<int64_t>(before1970) * kNsPerTick;
}

} // namespace quorvane
