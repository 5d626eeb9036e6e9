#include "ProgressAnimation.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimerEvent>

#include <algorithm>

namespace quorvane {

namespace {

// A photograph: a white mount around a small landscape with a hill and the sun.
void DrawPhoto(QPainter& p, const QRectF& rect, qreal degrees, const QColor& outline) {
    p.save();
    p.translate(rect.center());
    p.rotate(degrees);
    const QRectF mount(-rect.width() / 2, -rect.height() / 2, rect.width(), rect.height());
    p.setPen(QPen(outline, 1));
    p.setBrush(QColor(0xfa, 0xfa, 0xf7));
    p.drawRect(mount);
    const qreal border = std::max<qreal>(2, rect.width() / 10);
    const QRectF picture = mount.adjusted(border, border, -border, -border);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8e, 0xc5, 0xf5));
    p.drawRect(picture);
    p.setClipRect(picture);
    p.setBrush(QColor(0xff, 0xd5, 0x4f));
    const qreal sun = picture.height() / 3;
    p.drawEllipse(QPointF(picture.right() - sun, picture.top() + sun), sun / 1.6, sun / 1.6);
    QPainterPath hills;
    hills.moveTo(picture.bottomLeft());
    hills.lineTo(picture.left(), picture.bottom() - picture.height() * 0.35);
    hills.quadTo(picture.left() + picture.width() * 0.3, picture.top() + picture.height() * 0.25,
                 picture.left() + picture.width() * 0.6, picture.bottom() - picture.height() * 0.3);
    hills.quadTo(picture.left() + picture.width() * 0.8, picture.bottom() - picture.height() * 0.45,
                 picture.right(), picture.bottom() - picture.height() * 0.25);
    hills.lineTo(picture.bottomRight());
    hills.closeSubpath();
    p.setBrush(QColor(0x43, 0xa0, 0x47));
    p.drawPath(hills);
    p.restore();
}

// A strong box with a padlock on its front; `glow` (0..1) lights the lock as a card arrives.
void DrawBox(QPainter& p, const QRectF& box, qreal glow) {
    p.save();
    p.setPen(QPen(QColor(0x26, 0x32, 0x38), 1));
    p.setBrush(QColor(0x45, 0x5a, 0x64));
    p.drawRoundedRect(box, 3, 3);
    const QRectF lid(box.left() - 2, box.top() - 3, box.width() + 4, box.height() * 0.22);
    p.setBrush(QColor(0x60, 0x7d, 0x8b));
    p.drawRoundedRect(lid, 2, 2);

    const qreal lockWidth = box.width() * 0.32;
    const QRectF body(box.center().x() - lockWidth / 2, box.center().y() - lockWidth * 0.1, lockWidth,
                      lockWidth * 0.8);
    QPen shackle(QColor(0xcf, 0xd8, 0xdc), std::max<qreal>(2, lockWidth / 6));
    shackle.setCapStyle(Qt::FlatCap);
    p.setPen(shackle);
    p.setBrush(Qt::NoBrush);
    const qreal arc = lockWidth * 0.62;
    p.drawArc(QRectF(body.center().x() - arc / 2, body.top() - arc / 2, arc, arc), 0, 180 * 16);
    const QColor gold(0xf9, 0xa8, 0x25);
    p.setPen(QPen(gold.darker(150), 1));
    p.setBrush(glow > 0 ? gold.lighter(100 + static_cast<int>(45 * glow)) : gold);
    p.drawRoundedRect(body, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4e, 0x34, 0x2e));
    const qreal hole = body.width() / 6;
    p.drawEllipse(QPointF(body.center().x(), body.center().y() - hole / 2), hole, hole);
    p.drawRect(QRectF(body.center().x() - hole / 3, body.center().y() - hole / 2, hole / 1.5, hole * 1.8));
    p.restore();
}

} // namespace

ProgressAnimation::ProgressAnimation(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("animation"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ProgressAnimation::SetInward(bool inward) {
    if (inward_ != inward) {
        inward_ = inward;
        frame_ = 0;
        update();
    }
}

QSize ProgressAnimation::sizeHint() const {
    return {300, 64};
}

void ProgressAnimation::showEvent(QShowEvent* /*event*/) {
    timer_.start(kFrameMs, this);
}

void ProgressAnimation::hideEvent(QHideEvent* /*event*/) {
    timer_.stop();
}

void ProgressAnimation::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    frame_ = (frame_ + 1) % (kFrames + kPauseFrames);
    update();
}

void ProgressAnimation::paintEvent(QPaintEvent* /*event*/) {
    // Each frame is drawn once for the widget's size, screen and colours, and then only copied:
    // the progress pump repaints this many times a second, and the curves cost more than the
    // small files being stored.
    const qreal ratio = devicePixelRatioF();
    const QColor outline = palette().color(QPalette::Mid);
    if (cachedSize_ != size() || cachedRatio_ != ratio || cachedOutline_ != outline ||
        cachedInward_ != inward_) {
        frames_.fill(QPixmap());
        cachedSize_ = size();
        cachedRatio_ = ratio;
        cachedOutline_ = outline;
        cachedInward_ = inward_;
    }
    QPixmap& cached = frames_[static_cast<size_t>(frame_)];
    if (cached.isNull()) {
        cached = QPixmap((QSizeF(size()) * ratio).toSize());
        cached.setDevicePixelRatio(ratio);
        cached.fill(Qt::transparent);
        QPainter frame(&cached);
        DrawFrame(frame, outline);
    }
    QPainter p(this);
    p.drawPixmap(0, 0, cached);
}

void ProgressAnimation::DrawFrame(QPainter& p, const QColor& outline) const {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    const qreal h = area.height();

    // The stack on the left, the box on the right, both on one floor line.
    const qreal photoW = h * 0.62;
    const qreal photoH = h * 0.48;
    const qreal floor = area.bottom();
    const QRectF stack(area.left() + h * 0.3, floor - photoH - 2, photoW, photoH);
    DrawPhoto(p, stack.translated(-3, -1), -8, outline);
    DrawPhoto(p, stack.translated(2, -3), 5, outline);
    DrawPhoto(p, stack, -1, outline);

    const qreal boxW = h * 0.85;
    const QRectF box(area.right() - boxW - h * 0.3, floor - h * 0.62, boxW, h * 0.62);

    const bool travelling = frame_ < kFrames;
    qreal glow = 0;
    if (travelling) {
        // Along an arc from the stack to the box's opening (or back), smaller near the box.
        const qreal t0 = static_cast<qreal>(frame_) / (kFrames - 1);
        const qreal t = inward_ ? t0 : 1 - t0;
        const QPointF from = stack.center();
        const QPointF to(box.center().x(), box.top() + photoH * 0.3);
        const qreal x = from.x() + (to.x() - from.x()) * t;
        const qreal lift = (h * 0.55) * 4 * t * (1 - t);
        const qreal y = from.y() + (to.y() - from.y()) * t - lift;
        const qreal scale = 1 - 0.35 * t;
        const QRectF card(x - photoW * scale / 2, y - photoH * scale / 2, photoW * scale, photoH * scale);
        DrawPhoto(p, card, -12 + 24 * t, outline);
        glow = t > 0.85 ? (t - 0.85) / 0.15 : 0;
    } else {
        glow = inward_ ? 1 - static_cast<qreal>(frame_ - kFrames) / kPauseFrames : 0;
    }
    DrawBox(p, box, glow);
}

} // namespace quorvane
