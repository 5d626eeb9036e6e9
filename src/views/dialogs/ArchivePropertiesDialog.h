#pragma once
// "Archive Properties" (12338): encryption, password and thumbnails of an archive being created.
// Every rule is the ArchivePropertiesForm's; this dialog draws the form and forwards each change.
#include "ArchivePropertiesForm.h"

#include "SecretText.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace quorvane {

class SecretLineEdit;

class ArchivePropertiesDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxPassword = 64;

    explicit ArchivePropertiesDialog(const ArchivePropertiesForm& form, QWidget* parent = nullptr);

    const ArchivePropertiesForm& Form() const { return form_; }
    // Hands the typed password over and empties the field.
    void TakePassword(SecretText& password);
    // Shows the Help button; until a handler is given the dialog has none.
    void SetHelpHandler(std::function<void()> handler);

public slots:
    // Takes the password out of its field before the dialog hides, which empties the field.
    void accept() override;

private:
    void FollowForm();

    ArchivePropertiesForm form_;
    QCheckBox* encryption_ = nullptr;
    QLabel* passwordLabel_ = nullptr;
    SecretLineEdit* password_ = nullptr;
    QLabel* methodLabel_ = nullptr;
    QComboBox* method_ = nullptr;
    QComboBox* thumbnails_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    QComboBox* size_ = nullptr;
    QLabel* colourLabel_ = nullptr;
    QComboBox* colour_ = nullptr;
    QPushButton* help_ = nullptr;
    std::function<void()> helpHandler_;
    SecretText typed_;
};

} // namespace quorvane
