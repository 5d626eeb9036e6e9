#pragma once
// A button that is its colour: it fills itself with it, shows a black frame alone while it is
// pressed with the focus, and a focus frame otherwise while it has the focus.
#include <QAbstractButton>
#include <QColor>

namespace quorvane {

class ColourSwatch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ColourSwatch(QWidget* parent = nullptr);

    QColor Colour() const { return colour_; }
    void SetColour(const QColor& colour);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
};

} // namespace quorvane
