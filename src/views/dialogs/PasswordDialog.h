#pragma once
// "Archive Password" (1072) and "Confirm Archive Password" (1073): one password field and
// "&Hide Password", whose state the field's echo follows the moment it is clicked.
#include "SecretText.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;

namespace quorvane {

class SecretLineEdit;

class PasswordDialog : public QDialog {
    Q_OBJECT

public:
    // `archiveName`, when given, is shown above the prompt so that it is clear which archive asks.
    PasswordDialog(int resource, const QString& archiveName, bool hidePassword, QWidget* parent = nullptr);

    bool HidePassword() const;
    // Hands the typed password over and empties the field.
    void TakePassword(SecretText& password);

    SecretLineEdit* passwordEdit() const { return edit_; }

signals:
    void hidePasswordChanged(bool hide);

public slots:
    // Takes the password out of its field before the dialog hides, which empties the field.
    void accept() override;

private:
    void ApplyEcho();

    SecretLineEdit* edit_ = nullptr;
    QCheckBox* hide_ = nullptr;
    SecretText typed_;
};

} // namespace quorvane
