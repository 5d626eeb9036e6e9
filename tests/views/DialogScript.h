#pragma once
// Drives modal dialogs from inside their own event loops: each step runs on the next modal dialog
// that opens (a dialog a step opens itself, e.g. a message box after a click, is the next step's).
// A dialog that never gets a step is rejected by the watchdog and fails the test, so that nothing
// hangs.
#include <QApplication>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <type_traits>
#include <vector>

namespace quorvane::testing {

class DialogScript {
public:
    using Step = std::function<void(QWidget* dialog)>;

    explicit DialogScript(std::vector<Step> steps);
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    int StepsRun() const { return next_; }

private:
    void Tick();

    std::vector<Step> steps_;
    size_t next_ = 0;
    std::vector<QPointer<QWidget>> handled_; // a dialog met again after a nested one is not new
    int idleTicks_ = 0;
    QObject context_;
};

// Runs `call` (which opens dialogs) with `steps` driving them; every step must have run.
template <typename Call>
auto Drive(std::vector<DialogScript::Step> steps, Call&& call) {
    const size_t count = steps.size();
    DialogScript script(std::move(steps));
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        EXPECT_EQ(static_cast<size_t>(script.StepsRun()), count);
    } else {
        auto result = call();
        EXPECT_EQ(static_cast<size_t>(script.StepsRun()), count);
        return result;
    }
}

// The object name of `widget`, or of the nearest parent that has one of our own (the inner line
// edit of a spin box reports the spin box); an unnamed button's text.
QString NameOf(const QWidget* widget);
// The focus walk by Tab from the current focus widget until it comes back, as names.
QStringList TabWalk();
// Whether `expected` appears within `walk` in this order.
bool InOrder(const QStringList& walk, const QStringList& expected);

// Types into the focus widget, sends a key to it.
void Type(const QString& text);
void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Waits, processing events, until `condition` holds or a generous limit passed; says which.
bool WaitUntil(const std::function<bool()>& condition);

template <typename T>
T* Child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

} // namespace quorvane::testing
