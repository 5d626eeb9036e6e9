#pragma once
// A whole-number field with its up-down arrows and a range. Any number may be typed, so that a value
// out of range is refused where the page is taken over, with a message, rather than dropped
// keystroke by keystroke; the field remembers what was refused even after it lost the focus and
// showed its last good value again.
#include <QSpinBox>

namespace quorvane {

class RangeSpinBox : public QSpinBox {
    Q_OBJECT

public:
    RangeSpinBox(int minimum, int maximum, QWidget* parent = nullptr);

    // The user typed something that is not a number of the range and has not mended it since.
    bool Refused() const { return refused_; }
    // "Please enter an integer between 0 and 900."
    QString RangeMessage() const;
    // Puts the refused text back, selected, with the focus, for the user to mend.
    void ShowRefused();

    QValidator::State validate(QString& text, int& pos) const override;
    void stepBy(int steps) override;

private:
    bool InRange(const QString& text) const;

    bool refused_ = false;
    QString refusedText_;
};

} // namespace quorvane
