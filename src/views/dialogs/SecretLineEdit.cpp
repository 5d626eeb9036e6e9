#include "SecretLineEdit.h"

#include "SecretText.h"

#include <algorithm>

namespace quorvane {

namespace {

// Zeroes a string's characters in place, but only when this is its last reference: writing into a
// shared string would detach it and zero a fresh copy instead.
void ZeroIfSole(QString& text) {
    if (text.isDetached() && !text.isEmpty()) {
        std::fill(text.data(), text.data() + text.size(), QChar(0));
    }
    text.clear();
}

} // namespace

SecretLineEdit::SecretLineEdit(int maxLength, QWidget* parent)
    : QLineEdit(parent) {
    setMaxLength(maxLength);
    setEchoMode(QLineEdit::Password);
    setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
}

void SecretLineEdit::MoveInto(SecretText& secret) {
    QString typed = text(); // shares the field's own buffer
    // setText, unlike clear, also drops the undo history, which holds every typed character; after
    // it `typed` holds the last reference to the buffer, so it can be zeroed in place.
    setText(QString());
    secret.Set(typed);
    ZeroIfSole(typed);
}

void SecretLineEdit::Forget() {
    QString typed = text();
    setText(QString());
    ZeroIfSole(typed);
}

void SecretLineEdit::hideEvent(QHideEvent* event) {
    Forget();
    QLineEdit::hideEvent(event);
}

} // namespace quorvane
