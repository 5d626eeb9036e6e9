#pragma once
// A password field. Its text leaves it only through MoveInto, which hands it to a SecretText and
// empties the field with its undo history; a field that is hidden (its dialog closed, by OK or
// Cancel) empties itself the same way, so no typed password outlives the dialog in a widget.
#include <QLineEdit>

namespace quorvane {

class SecretText;

class SecretLineEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit SecretLineEdit(int maxLength, QWidget* parent = nullptr);

    void MoveInto(SecretText& secret);
    // Empties the field and its undo history, and zeroes the text it held where nothing else shares it.
    void Forget();

protected:
    void hideEvent(QHideEvent* event) override;
};

} // namespace quorvane
