#include "ImageStepping.h"

#include <algorithm>

namespace quorvane {

namespace {

// Visits every position once from `start` in `direction` (+1 or -1), wrapping.
int Search(int count, int start, int direction, const ImageStepping::Showable& showable) {
    for (int step = 0; step < count; ++step) {
        const int at = ((start + direction * step) % count + count) % count;
        if (showable(at)) {
            return at;
        }
    }
    return -1;
}

} // namespace

int ImageStepping::Anchor(int firstSelected, int focused) {
    return firstSelected >= 0 ? firstSelected : (focused >= 0 ? focused : -1);
}

int ImageStepping::Next(int count, int anchor, const Showable& showable) {
    if (count <= 0 || !showable) {
        return -1;
    }
    return Search(count, anchor >= 0 && anchor < count ? anchor + 1 : 0, +1, showable);
}

int ImageStepping::Previous(int count, int anchor, const Showable& showable) {
    if (count <= 0 || !showable) {
        return -1;
    }
    return Search(count, anchor >= 0 && anchor < count ? anchor - 1 : 0, -1, showable);
}

int ImageStepping::Random(int count, int random, const Showable& showable, int randomMax) {
    if (count <= 0 || !showable) {
        return -1;
    }
    const double fraction =
        randomMax > 0 ? std::clamp(static_cast<double>(random) / randomMax, 0.0, 1.0) : 0.0;
    const int start = std::clamp(static_cast<int>(fraction * count), 0, count - 1);
    return Search(count, start, +1, showable);
}

} // namespace quorvane
