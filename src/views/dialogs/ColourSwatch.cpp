#include "ColourSwatch.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace quorvane {

ColourSwatch::ColourSwatch(QWidget* parent)
    : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void ColourSwatch::SetColour(const QColor& colour) {
    colour_ = colour;
    setAccessibleDescription(colour.name());
    update();
}

QSize ColourSwatch::sizeHint() const {
    return {64, fontMetrics().height() + 10};
}

void ColourSwatch::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect whole = rect();
    if (isDown() && hasFocus()) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(whole.adjusted(0, 0, -1, -1));
        return;
    }
    painter.fillRect(whole, colour_);
    // A frame keeps a swatch of the window's own colour visible.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(whole.adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = whole.adjusted(3, 3, -3, -3);
        focus.backgroundColor = colour_;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        // The style's dotted frame vanishes on some colours: a contrasting inner line goes with it.
        painter.setPen(QPen(colour_.lightness() > 128 ? Qt::black : Qt::white, 1, Qt::DotLine));
        painter.drawRect(whole.adjusted(2, 2, -3, -3));
    }
}

} // namespace quorvane
