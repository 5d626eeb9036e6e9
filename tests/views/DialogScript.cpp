#include "DialogScript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <gtest/gtest.h>

namespace quorvane::testing {

namespace {

constexpr int kTickMs = 5;
// A dialog left without a step this long is taken as a hang (about 20 seconds).
constexpr int kIdleTicksLimit = 4000;

} // namespace

DialogScript::DialogScript(std::vector<Step> steps)
    : steps_(std::move(steps)) {
    QTimer::singleShot(kTickMs, &context_, [this] { Tick(); });
}

DialogScript::~DialogScript() = default;

void DialogScript::Tick() {
    // The next tick is queued first, so that it also runs inside a nested loop that this step opens.
    QTimer::singleShot(kTickMs, &context_, [this] { Tick(); });
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->objectName() == QLatin1String("progressDialog")) {
        return; // a progress window waits for no answer: its operation runs and closes it
    }
    const bool seen = std::find(handled_.begin(), handled_.end(), modal) != handled_.end();
    if (modal == nullptr || !modal->isVisible() || seen) {
        if (modal != nullptr && seen && ++idleTicks_ > kIdleTicksLimit) {
            ADD_FAILURE() << "dialog " << NameOf(modal).toStdString() << " left open";
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            }
        }
        return;
    }
    if (!modal->isActiveWindow()) {
        // Keys go to the focus widget, which only an active window has.
        modal->activateWindow();
        if (++idleTicks_ > kIdleTicksLimit) {
            ADD_FAILURE() << "dialog " << NameOf(modal).toStdString() << " never became active";
            handled_.emplace_back(modal);
        }
        return;
    }
    idleTicks_ = 0;
    handled_.emplace_back(modal);
    if (next_ >= steps_.size()) {
        ADD_FAILURE() << "no step for dialog " << NameOf(modal).toStdString();
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
        return;
    }
    const Step& step = steps_[next_++];
    step(modal);
}

QString NameOf(const QWidget* widget) {
    // An unnamed button (those of a button box) goes by its text.
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget);
        button && button->objectName().isEmpty()) {
        return button->text();
    }
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        QString name = w->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) {
            return name;
        }
    }
    return QStringLiteral("<unnamed>");
}

QStringList TabWalk() {
    QStringList walk;
    QWidget* start = QApplication::focusWidget();
    if (start == nullptr) {
        return walk;
    }
    walk << NameOf(start);
    for (int i = 0; i < 60; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == start || now == nullptr) {
            break;
        }
        walk << NameOf(now);
    }
    return walk;
}

bool InOrder(const QStringList& walk, const QStringList& expected) {
    qsizetype at = 0;
    for (const QString& name : expected) {
        at = walk.indexOf(name, at);
        if (at < 0) {
            return false;
        }
        ++at;
    }
    return true;
}

// The focus widget; after a nested dialog closed, the window under it may take a moment to be
// active again.
QWidget* Focus() {
    if (QApplication::focusWidget() == nullptr) {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->activateWindow();
        }
        WaitUntil([] { return QApplication::focusWidget() != nullptr; });
    }
    return QApplication::focusWidget();
}

void Type(const QString& text) {
    QWidget* focus = Focus();
    ASSERT_NE(focus, nullptr) << "no focus to type into";
    QTest::keyClicks(focus, text);
}

void Press(int key, Qt::KeyboardModifiers modifiers) {
    QWidget* focus = Focus();
    ASSERT_NE(focus, nullptr) << "no focus for the key";
    QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

bool WaitUntil(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(20000);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(2);
    }
    return true;
}

} // namespace quorvane::testing
