#include "SlideshowState.h"

#include "SlideshowLayout.h"

namespace quorvane {

void SlideshowState::Start(int64_t now) {
    Stop();
    active_ = true;
    menuOpen_ = false;
    slot_ = 0;
    lastTick_ = now;
}

void SlideshowState::Stop() {
    active_ = false;
    menuOpen_ = false;
}

void SlideshowState::CloseMenu(int64_t now) {
    menuOpen_ = false;
    lastTick_ = now;
}

bool SlideshowState::AdvanceDue(int64_t now, bool autoAdvance, int delaySeconds) const {
    if (!active_ || menuOpen_) {
        return false;
    }
    if (slot_ != 0) {
        return true;
    }
    if (!autoAdvance) {
        return false;
    }
    // A clock read earlier than the last tick has not waited at all.
    const int64_t waited = now > lastTick_ ? now - lastTick_ : 0;
    return waited > int64_t{delaySeconds} * 1000;
}

int SlideshowState::TakeSlot(int64_t now, int slidesPerScreen) {
    const int slot = slot_;
    slot_ = (slot_ + 1) % SlideshowLayout::SlotCount(slidesPerScreen);
    lastTick_ = now;
    return slot;
}

} // namespace quorvane
