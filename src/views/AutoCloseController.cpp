// Before any QObject header: Qt's `slots` keyword macro would otherwise eat the engine's
// SelectionMap::slots.
#include "Workspace.h"

#include "AutoCloseController.h"

#include "ActivityFilter.h"
#include "AutoCloseCountdown.h"
#include "MainFrame.h"
#include "MessageDialog.h"
#include "Preferences.h"
#include "SessionLockWatch.h"
#include "StringTable.h"

#include <QApplication>
#include <QDialog>
#include <QDrag>
#include <QMenu>
#include <QThread>

#include <utility>

namespace quorvane {

namespace {

class Flag {
public:
    explicit Flag(bool& flag)
        : flag_(flag) {
        flag_ = true;
    }
    ~Flag() { flag_ = false; }
    Flag(const Flag&) = delete;
    Flag& operator=(const Flag&) = delete;

private:
    bool& flag_;
};

} // namespace

AutoCloseController::AutoCloseController(Workspace& workspace, MainFrame& frame, QWidget* window,
                                         AutoClose::Clock clock, QObject* parent)
    : QObject(parent)
    , workspace_(workspace)
    , frame_(frame)
    , window_(window)
    , logic_(std::move(clock))
    , countdown_(new AutoCloseCountdown(window)) {
    connect(countdown_.data(), &AutoCloseCountdown::cancelled, this, [this] { logic_.CountdownCancelled(); });
    connect(countdown_.data(), &QDialog::finished, this, &AutoCloseController::dialogClosed);
}

AutoCloseController::~AutoCloseController() {
    if (filter_) {
        qApp->removeEventFilter(filter_.get());
    }
    delete countdown_.data();
    delete result_.data();
}

void AutoCloseController::SetSlideshow(std::function<bool()> running, std::function<void()> end) {
    slideshowRunning_ = std::move(running);
    endSlideshow_ = std::move(end);
}

void AutoCloseController::InstallActivityFilter() {
    if (filter_) {
        return;
    }
    filter_ = std::make_unique<ActivityFilter>([this] { NoteActivity(); });
    // Cancel in the countdown restarts the wait itself; nothing else there does.
    filter_->Ignore(countdown_.data());
    qApp->installEventFilter(filter_.get());
}

void AutoCloseController::WatchSessionLock() {
    if (lockWatch_ != nullptr) {
        return;
    }
    lockWatch_ = new SessionLockWatch(this);
    connect(lockWatch_, &SessionLockWatch::locked, this, &AutoCloseController::SessionLocked);
}

void AutoCloseController::NoteActivity() {
    logic_.NoteActivity();
}

bool AutoCloseController::OperationRunning() const {
    return frame_.FrameDisabled() || workspace_.Host().ProgressShown();
}

bool AutoCloseController::Settled() const {
    if (workspace_.Busy()) {
        return false;
    }
    // A dialog's, a menu's or a drag's own loop is still on the stack.
    if (QThread::currentThread()->loopLevel() > restingLoopLevel_) {
        return false;
    }
    if (slideshowRunning_ && slideshowRunning_()) {
        return false;
    }
    if (QApplication::activePopupWidget() != nullptr) {
        return false;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget == countdown_.data() || !widget->isVisible()) {
            continue;
        }
        if (widget->isModal() || qobject_cast<QMenu*>(widget) != nullptr) {
            return false;
        }
    }
    return true;
}

void AutoCloseController::Dismiss() {
    if (endSlideshow_) {
        endSlideshow_();
    }
    QDrag::cancel();
    // Popups first (menus, a combo box's list): each closes the one below it, if any.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr) {
            break;
        }
        popup->close();
        if (QApplication::activePopupWidget() == popup) {
            popup->hide();
        }
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget == countdown_.data() || !widget->isVisible()) {
            continue;
        }
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog != nullptr && dialog->isModal()) {
            dialog->reject(); // as if cancelled: its exec() returns once this handler has
        } else if (widget->isModal() || qobject_cast<QMenu*>(widget) != nullptr) {
            widget->close();
        }
    }
}

void AutoCloseController::Check() {
    if (checking_ || OperationRunning()) {
        return;
    }
    frame_.StepActivity();
    const Flag checking(checking_);
    if (lockPending_) {
        LockStep();
        return;
    }
    const Preferences& prefs = workspace_.Prefs();
    const AutoClose::Situation situation{workspace_.ArchiveCount() > 0, prefs.autoCloseOn != 0,
                                         prefs.autoCloseWait};
    // Due: what is open is ended at once; what ended without a loop of its own (a slideshow asked
    // to stop from outside it) lets the countdown start on this same check.
    const AutoClose::Decision decision = logic_.Check(situation, [this] {
        if (Settled()) {
            return true;
        }
        Dismiss();
        return Settled();
    });
    switch (decision.step) {
    case AutoClose::Step::None:
    case AutoClose::Step::Prepare: // what was open was ended above; its loops unwind before the next check
        break;
    case AutoClose::Step::Show:
        countdown_->SetRemaining(static_cast<int>(decision.remaining));
        countdown_->show();
        countdown_->raise();
        countdown_->activateWindow();
        break;
    case AutoClose::Step::Update:
        countdown_->SetRemaining(static_cast<int>(decision.remaining));
        break;
    case AutoClose::Step::Hide:
        countdown_->Finish();
        break;
    case AutoClose::Step::Close:
        CloseEverything(true);
        break;
    }
}

void AutoCloseController::SessionLocked() {
    if (workspace_.Prefs().closeOnLock == 0 || workspace_.ArchiveCount() == 0) {
        return;
    }
    lockPending_ = true;
    if (!checking_) {
        const Flag checking(checking_);
        LockStep();
    }
}

void AutoCloseController::LockStep() {
    if (workspace_.ArchiveCount() == 0) {
        lockPending_ = false;
        return;
    }
    // A running operation finishes first; the next check after it closes.
    if (OperationRunning()) {
        return;
    }
    if (!Settled()) {
        Dismiss();
        return;
    }
    lockPending_ = false;
    CloseEverything(false);
    logic_.ArchivesClosed();
}

void AutoCloseController::CloseEverything(bool tellTheUser) {
    if (countdown_->isVisible()) {
        countdown_->Finish();
    }
    frame_.EnsureArchivePaneVisible();
    workspace_.CloseAll();
    logic_.NoteActivity();
    if (tellTheUser) {
        ShowResult();
    }
    emit archivesClosed();
}

void AutoCloseController::ShowResult() {
    delete result_.data();
    auto* result =
        new MessageDialog(StringTable::Dialog(kDlgAutoCloseDone), QMessageBox::Information, window_.data());
    result->setObjectName(QStringLiteral("autoCloseDone"));
    result->setAttribute(Qt::WA_DeleteOnClose);
    connect(result, &QDialog::finished, this, [this] {
        logic_.NoteActivity();
        emit dialogClosed();
    });
    result_ = result;
    // Shown, not run: the idle tick goes on while it is up.
    result->open();
}

} // namespace quorvane
