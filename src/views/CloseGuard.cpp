// The Workspace first: the engine's header must come before any QObject header, whose `slots`
// keyword macro would eat SelectionMap::slots.
#include "Workspace.h"

#include "CloseGuard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QSessionManager>
#include <QWidget>

namespace quorvane {

CloseGuard::CloseGuard(Workspace& workspace, QWidget& window)
    : QObject(&window)
    , workspace_(workspace)
    , window_(&window) {
    qApp->installEventFilter(this);
#ifndef QT_NO_SESSIONMANAGER
    // Direct: the session manager waits for the answer inside the call.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &CloseGuard::SessionEnding,
            Qt::DirectConnection);
#endif
    // Queued: closeReady comes from inside the command's last guard, which must finish first.
    connect(&workspace_, &Workspace::closeReady, this, &CloseGuard::Unwound, Qt::QueuedConnection);
}

CloseGuard::~CloseGuard() {
    if (qApp) {
        qApp->removeEventFilter(this);
    }
}

bool CloseGuard::InterceptClose(QCloseEvent* event) {
    if (workspace_.RequestClose()) {
        return true;
    }
    event->ignore();
    Defer(Pending::Close);
    return false;
}

void CloseGuard::Defer(Pending what) {
    // A quit asked for at any point stays a quit.
    if (pending_ != Pending::Quit) {
        pending_ = what;
    }
}

bool CloseGuard::eventFilter(QObject* watched, QEvent* event) {
    // Every event of the program passes here: only the type is looked at for all but these few.
    switch (event->type()) {
    case QEvent::Quit:
        if (watched == qApp && !workspace_.RequestClose()) {
            Defer(Pending::Quit);
            return true; // no window is closed and the loop goes on
        }
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (workspace_.Busy() || workspace_.ClosePending()) {
            auto* drop = static_cast<QDropEvent*>(event);
            drop->setDropAction(Qt::IgnoreAction);
            drop->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CloseGuard::SessionEnding(QSessionManager& /*manager*/) {
    // The session goes on ending; the operation stops at its next pump and the program then quits
    // by itself, rather than waiting to be killed in the middle of writing an archive.
    if (!workspace_.RequestClose()) {
        Defer(Pending::Quit);
    }
}

void CloseGuard::Unwound() {
    const Pending what = pending_;
    pending_ = Pending::None;
    if (what == Pending::Quit) {
        QCoreApplication::quit();
    } else if (window_) {
        window_->close();
    }
}

} // namespace quorvane
