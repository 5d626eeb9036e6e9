#pragma once
// The caption bar above each pane of the main window: one line of text in the caption font, whose
// height sets the height of the caption row (one line plus 5 pixels).
#include <QString>
#include <QWidget>

namespace quorvane {

class CCodeText : public QWidget {
    Q_OBJECT

public:
    explicit CCodeText(const QString& text = QString(), QWidget* parent = nullptr);

    // `redraw` repaints at once (inside a fill, before the event loop runs again).
    void SetCaption(const QString& text, bool redraw = true);
    QString Caption() const { return text_; }

    // One caption-font line plus 5 pixels.
    int RowHeight() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString text_;
};

} // namespace quorvane
