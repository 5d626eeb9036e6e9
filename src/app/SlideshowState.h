#pragma once
// The slideshow's pacing, apart from any window: whether it runs, whether its menu is open, the slot
// the next image of the slide goes into, and the time of the last image or advance. Times are
// milliseconds of a steady clock the caller reads.
#include <cstdint>

namespace quorvane {

class SlideshowState {
public:
    // Opening and every regained activation: running, menu closed, a new slide from slot 0, and the
    // delay counted from now.
    void Start(int64_t now);
    // Closing and every lost activation.
    void Stop();

    bool Active() const { return active_; }
    bool MenuOpen() const { return menuOpen_; }
    int Slot() const { return slot_; }
    int64_t LastTick() const { return lastTick_; }

    // The delay counts from `now` (each image drawn, each advance, the menu closing).
    void SetTick(int64_t now) { lastTick_ = now; }

    // While the menu is open nothing advances; when it closes the delay starts again.
    void OpenMenu() { menuOpen_ = true; }
    void CloseMenu(int64_t now);

    // Whether a tick at `now` advances to the next image. A slide still being filled advances at once
    // (one image per tick); a full one only with automatic advancement, once strictly more than
    // `delaySeconds` seconds have passed since the last image. Never while stopped or in the menu.
    bool AdvanceDue(int64_t now, bool autoAdvance, int delaySeconds) const;

    // The slot an image arriving at `now` is drawn into; the next one follows it, back to 0 after the
    // last slot of a slide of `slidesPerScreen` ("SP"; any value but 2, 3, 4, 6 and 8 counts as 1).
    // The delay counts from `now`.
    int TakeSlot(int64_t now, int slidesPerScreen);

private:
    bool active_ = false;
    bool menuOpen_ = false;
    int slot_ = 0;
    int64_t lastTick_ = 0;
};

} // namespace quorvane
