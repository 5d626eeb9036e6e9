#pragma once
// When the open archives close by themselves: the wait since the last activity, the countdown of the
// last 15 seconds, and the moment to close. Pure arithmetic over a clock the caller gives; what it
// decides is carried out by the window (AutoCloseController).
//
// The clock counts milliseconds, never goes back, and keeps counting while the computer is suspended
// (CLOCK_BOOTTIME), so that a machine that slept past the wait closes the archives at the next check.
#include <cstdint>
#include <functional>

namespace quorvane {

class AutoClose {
public:
    using Clock = std::function<int64_t()>;

    // Milliseconds of CLOCK_BOOTTIME.
    static int64_t BootTimeMs();

    // Activity counts from the moment of construction.
    explicit AutoClose(Clock clock = &BootTimeMs);

    // Restarts the wait.
    void NoteActivity();

    // What the situation allows, as the check sees it.
    struct Situation {
        bool archiveOpen = false;
        bool enabled = true;  // "TX"
        int waitMinutes = 10; // "TW"
    };

    enum class Step {
        None,    // nothing to do
        Prepare, // due, but something of ours is still open: end it and let it unwind first
        Show,    // open the countdown with `remaining` seconds
        Update,  // the countdown shows `remaining` seconds
        Hide,    // the countdown is no longer due (activity came back): close it without closing
        Close,   // time is up: close every archive
    };
    struct Decision {
        Step step = Step::None;
        int64_t remaining = 0;
        bool operator==(const Decision&) const = default;
    };

    // One check. `settled` tells whether nothing of ours is open that a close would pull the ground
    // from under (a dialog, a menu, a drag, the slideshow, a command); it is asked only when the
    // countdown is due.
    Decision Check(const Situation& situation, const std::function<bool()>& settled);

    // The user pressed Cancel: the countdown has gone and the full wait starts again.
    void CountdownCancelled();
    // The archives were closed for another reason (the screen locked): no countdown, a new wait.
    void ArchivesClosed() { CountdownCancelled(); }

    bool CountdownShown() const { return shown_; }
    // Whole seconds since the last activity.
    int64_t ElapsedSeconds() const;

    static constexpr int kCountdownSeconds = 15;

private:
    Clock clock_;
    int64_t last_ = 0;
    bool shown_ = false;
};

} // namespace quorvane
