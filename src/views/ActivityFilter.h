#pragma once
// Notes the user's activity for auto close, once for the whole application: presses and releases
// of mouse buttons, touches and pens, key presses and the wheel. A pointer that only moves, hovers,
// enters or leaves, and focus or activation changes, do not count: a resting mouse or a window
// coming to the front must not keep archives open. Input inside the ignored window (the countdown
// itself) does not count either.
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace quorvane {

class ActivityFilter : public QObject {
    Q_OBJECT

public:
    explicit ActivityFilter(std::function<void()> noteActivity, QObject* parent = nullptr);

    // Input inside `window` (and its children) is not activity.
    void Ignore(QWidget* window) { ignored_ = window; }

    static bool CountsAsActivity(const QEvent& event);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool InIgnoredWindow(QObject* watched) const;

    std::function<void()> note_;
    QPointer<QWidget> ignored_;
};

} // namespace quorvane
