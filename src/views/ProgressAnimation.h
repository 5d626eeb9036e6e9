#pragma once
// The moving picture at the top of the progress window: a photograph travels in an arc between a
// stack of pictures and a locked box - into the box while files are stored, out of it while they
// are exported. Drawn with QPainter on a timer that runs only while the widget is visible; the
// timer ticks through the progress pump like every other event, so the picture moves exactly as
// long as the operation keeps the event loop alive. The background is left transparent.
#include <QBasicTimer>
#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <array>

class QPainter;

namespace quorvane {

class ProgressAnimation : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFrames = 32;     // one trip
    static constexpr int kFrameMs = 40;    // 25 frames a second
    static constexpr int kPauseFrames = 6; // the card rests in the box before the next one leaves

    explicit ProgressAnimation(QWidget* parent = nullptr);

    // True: towards the box (storing); false: out of it (exporting).
    void SetInward(bool inward);
    bool Inward() const { return inward_; }
    // The frame shown, 0..kFrames + kPauseFrames - 1; it advances on each tick while visible.
    int Frame() const { return frame_; }
    bool Running() const { return timer_.isActive(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void DrawFrame(QPainter& p, const QColor& outline) const;

    QBasicTimer timer_;
    // Frames already drawn, for the size, ratio, colour and direction they were drawn for.
    std::array<QPixmap, kFrames + kPauseFrames> frames_;
    QSize cachedSize_;
    qreal cachedRatio_ = 0;
    QColor cachedOutline_;
    bool cachedInward_ = true;
    int frame_ = 0;
    bool inward_ = true;
};

} // namespace quorvane
