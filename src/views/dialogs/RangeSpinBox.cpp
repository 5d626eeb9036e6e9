#include "RangeSpinBox.h"

#include <QLineEdit>

namespace quorvane {

namespace {

constexpr int kMaxDigits = 6;

bool AllDigits(const QString& text) {
    for (const QChar c : text) {
        if (!c.isDigit()) {
            return false;
        }
    }
    return true;
}

} // namespace

RangeSpinBox::RangeSpinBox(int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent) {
    setRange(minimum, maximum);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        refused_ = !InRange(text);
        refusedText_ = refused_ ? text : QString();
    });
}

QString RangeSpinBox::RangeMessage() const {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(minimum()).arg(maximum());
}

void RangeSpinBox::ShowRefused() {
    setFocus(Qt::OtherFocusReason);
    lineEdit()->setText(refusedText_);
    selectAll();
}

QValidator::State RangeSpinBox::validate(QString& text, int& /*pos*/) const {
    if (text.isEmpty()) {
        return QValidator::Intermediate;
    }
    if (text.size() > kMaxDigits || !AllDigits(text)) {
        return QValidator::Invalid;
    }
    return InRange(text) ? QValidator::Acceptable : QValidator::Intermediate;
}

void RangeSpinBox::stepBy(int steps) {
    refused_ = false;
    refusedText_.clear();
    QSpinBox::stepBy(steps);
}

bool RangeSpinBox::InRange(const QString& text) const {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && AllDigits(text) && value >= minimum() && value <= maximum();
}

} // namespace quorvane
