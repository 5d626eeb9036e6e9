#pragma once
// Auto close in the window: the main frame calls Check first on every idle tick and NoteActivity
// for each activity it notes; the application-wide ActivityFilter notes the user's input.
//
// When the countdown falls due, whatever of ours is still open - the slideshow, dialogs, menus, a
// drag - is ended first and allowed to unwind: closing an archive under a dialog or menu whose event
// loop is still on the stack would pull it out from under that code. Only a running operation (its
// progress window, the disabled frame) holds the countdown off. The countdown is shown, not run in a
// loop of its own, and the same check advances it. At 0 the archive pane is shown, every archive
// closes without asking and the result dialog says so.
//
// With "LX" set, a locked screen or a computer going to sleep closes every archive the same way,
// without a countdown.
#include "AutoClose.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace quorvane {

class ActivityFilter;
class AutoCloseCountdown;
class MainFrame;
class SessionLockWatch;
class Workspace;

class AutoCloseController : public QObject {
    Q_OBJECT

public:
    // `window` is the main window: the countdown and the result dialog are centred on it.
    AutoCloseController(Workspace& workspace, MainFrame& frame, QWidget* window,
                        AutoClose::Clock clock = &AutoClose::BootTimeMs, QObject* parent = nullptr);
    ~AutoCloseController() override;
    AutoCloseController(const AutoCloseController&) = delete;
    AutoCloseController& operator=(const AutoCloseController&) = delete;

    // The contents list's slideshow: whether it runs, and ending it (8202).
    void SetSlideshow(std::function<bool()> running, std::function<void()> end);
    // Notes presses, releases, key presses and the wheel anywhere in the application.
    void InstallActivityFilter();
    // Listens to the session's lock and sleep signals over D-Bus (harmless without a bus).
    void WatchSessionLock();

    // Restarts the wait.
    void NoteActivity();
    // The auto-close check; first thing on every idle tick.
    void Check();

    // The event-loop depth at which nothing of ours runs a loop of its own: 1, the application's.
    void SetRestingLoopLevel(int level) { restingLoopLevel_ = level; }

    AutoCloseCountdown* Countdown() const { return countdown_.data(); }
    // The result dialog while it is open.
    QWidget* ResultDialog() const { return result_.data(); }
    const AutoClose& Logic() const { return logic_; }

signals:
    // Every archive has just been closed by auto close or by a locked screen.
    void archivesClosed();
    // The countdown or the result dialog has closed: the window may take the keys back.
    void dialogClosed();

public slots:
    // The screen locked or the computer is going to sleep.
    void SessionLocked();

private:
    // Nothing of ours is open that a close would pull the ground from under.
    bool Settled() const;
    // Ends the slideshow and cancels our dialogs, menus and drag, so that they unwind.
    void Dismiss();
    bool OperationRunning() const;
    void LockStep();
    void CloseEverything(bool tellTheUser);
    void ShowResult();

    Workspace& workspace_;
    MainFrame& frame_;
    QPointer<QWidget> window_;
    AutoClose logic_;
    QPointer<AutoCloseCountdown> countdown_;
    QPointer<QWidget> result_;
    std::unique_ptr<ActivityFilter> filter_;
    SessionLockWatch* lockWatch_ = nullptr;
    std::function<bool()> slideshowRunning_;
    std::function<void()> endSlideshow_;
    int restingLoopLevel_ = 1;
    bool checking_ = false;
    bool lockPending_ = false;
};

} // namespace quorvane
