#include "CCodeText.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace quorvane {

namespace {

// Room left and right of the text.
constexpr int kMargin = 4;
constexpr int kExtraHeight = 5;

QFont CaptionFont(const QFont& base) {
    QFont font = base;
    font.setBold(true);
    return font;
}

} // namespace

CCodeText::CCodeText(const QString& text, QWidget* parent)
    : QWidget(parent)
    , text_(text) {
    setFont(CaptionFont(font()));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setFixedHeight(RowHeight());
}

void CCodeText::SetCaption(const QString& text, bool redraw) {
    if (text == text_) {
        return;
    }
    text_ = text;
    setToolTip(fontMetrics().horizontalAdvance(text_) + 2 * kMargin > width() ? text_ : QString());
    if (redraw) {
        repaint();
    } else {
        update();
    }
}

int CCodeText::RowHeight() const {
    return fontMetrics().height() + kExtraHeight;
}

QSize CCodeText::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text_) + 2 * kMargin, RowHeight()};
}

QSize CCodeText::minimumSizeHint() const {
    return {0, RowHeight()};
}

void CCodeText::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        setFixedHeight(RowHeight());
    }
}

void CCodeText::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // Drawn as a header section, so that the caption row reads as the heading of its pane.
    QStyleOptionHeader option;
    option.initFrom(this);
    option.rect = rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.orientation = Qt::Horizontal;
    style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);
    const QRect area = rect().adjusted(kMargin, 0, -kMargin, 0);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(area, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(text_, Qt::ElideRight, area.width()));
}

} // namespace quorvane
