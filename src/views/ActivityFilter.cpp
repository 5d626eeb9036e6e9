#include "ActivityFilter.h"

#include <QEvent>
#include <QWindow>

#include <utility>

namespace quorvane {

ActivityFilter::ActivityFilter(std::function<void()> noteActivity, QObject* parent)
    : QObject(parent)
    , note_(std::move(noteActivity)) {}

bool ActivityFilter::CountsAsActivity(const QEvent& event) {
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return true;
    default:
        return false;
    }
}

bool ActivityFilter::InIgnoredWindow(QObject* watched) const {
    if (!ignored_) {
        return false;
    }
    if (watched->isWidgetType()) {
        return static_cast<QWidget*>(watched)->window() == ignored_.data();
    }
    if (watched->isWindowType()) {
        return static_cast<QWindow*>(watched) == ignored_->windowHandle();
    }
    return false;
}

bool ActivityFilter::eventFilter(QObject* watched, QEvent* event) {
    if (CountsAsActivity(*event) && !InIgnoredWindow(watched) && note_) {
        note_();
    }
    return false;
}

} // namespace quorvane
