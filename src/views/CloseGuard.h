#pragma once
// Keeps the program from ending, and files from being dropped, under a running command.
//
// A long operation pumps the event loop, so a close of the main window, QCoreApplication::quit()
// and the end of the desktop session can all arrive while its command is still on the stack.
// Ending then would pull the archive from under the operation. Instead each becomes a cancel of the
// running operation, and the program closes (or quits) once the command has unwound: the Workspace
// reports that with closeReady, and the guard then closes the main window again or repeats the
// quit. Dropping files on any window while a command runs is refused where the desktop can see it:
// the drag is ignored, nothing is imported.
//
// Installing it (the main window):
//     guard_ = new CloseGuard(workspace, *this);      // once the Workspace exists
//     void MainWindow::closeEvent(QCloseEvent* event) {
//         if (!guard_->InterceptClose(event)) {
//             return;                                 // ignored; the window closes later
//         }
//         ...the close sequence (CloseAll, Shutdown), then event->accept()
//     }
// The guard filters the application's events itself (quit requests and drags) and listens to the
// session manager; it needs nothing else.
#include <QObject>
#include <QPointer>

class QCloseEvent;
class QSessionManager;
class QWidget;

namespace quorvane {

class Workspace;

class CloseGuard : public QObject {
    Q_OBJECT

public:
    CloseGuard(Workspace& workspace, QWidget& window);
    ~CloseGuard() override;
    CloseGuard(const CloseGuard&) = delete;
    CloseGuard& operator=(const CloseGuard&) = delete;

    // For the main window's closeEvent. True: nothing runs, the window may close now. False: a
    // command runs; the event has been ignored, the operation cancelled, and the window will be
    // closed again once the command has unwound.
    bool InterceptClose(QCloseEvent* event);

    // What waits for the running command to unwind.
    enum class Pending { None, Close, Quit };
    Pending Waiting() const { return pending_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Defer(Pending what);
    void SessionEnding(QSessionManager& manager);
    void Unwound();

    Workspace& workspace_;
    QPointer<QWidget> window_;
    Pending pending_ = Pending::None;
};

} // namespace quorvane
