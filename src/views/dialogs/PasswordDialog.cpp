#include "PasswordDialog.h"

#include "SecretLineEdit.h"
#include "StringTable.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

namespace {

constexpr int kMaxPassword = 64;

} // namespace

PasswordDialog::PasswordDialog(int resource, const QString& archiveName, bool hidePassword, QWidget* parent)
    : QDialog(parent) {
    const DialogStrings strings = StringTable::Dialog(resource);
    setWindowTitle(strings.title);
    setObjectName(resource == kDlgConfirmPassword ? QStringLiteral("confirmPasswordDialog")
                                                  : QStringLiteral("passwordDialog"));

    auto* layout = new QVBoxLayout(this);
    if (!archiveName.isEmpty()) {
        auto* name = new QLabel(archiveName, this);
        name->setObjectName(QStringLiteral("archiveName"));
        name->setTextFormat(Qt::PlainText);
        QFont bold = name->font();
        bold.setBold(true);
        name->setFont(bold);
        layout->addWidget(name);
    }
    auto* prompt = new QLabel(strings.text, this);
    layout->addWidget(prompt);

    edit_ = new SecretLineEdit(kMaxPassword, this);
    edit_->setObjectName(QStringLiteral("password"));
    edit_->setAccessibleName(strings.text);
    edit_->setMinimumWidth(260);
    prompt->setBuddy(edit_);
    layout->addWidget(edit_);

    hide_ = new QCheckBox(strings.checkBox, this);
    hide_->setObjectName(QStringLiteral("hidePassword"));
    hide_->setChecked(hidePassword);
    layout->addWidget(hide_);
    connect(hide_, &QCheckBox::toggled, this, [this](bool checked) {
        ApplyEcho();
        emit hidePasswordChanged(checked);
    });
    ApplyEcho();

    layout->addSpacing(6);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(strings.buttons.value(0));
    buttons->button(QDialogButtonBox::Cancel)->setText(strings.buttons.value(1));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    edit_->setFocus();
}

bool PasswordDialog::HidePassword() const {
    return hide_->isChecked();
}

void PasswordDialog::accept() {
    edit_->MoveInto(typed_);
    QDialog::accept();
}

void PasswordDialog::TakePassword(SecretText& password) {
    password = typed_;
    typed_.Wipe();
}

void PasswordDialog::ApplyEcho() {
    edit_->setEchoMode(hide_->isChecked() ? QLineEdit::Password : QLineEdit::Normal);
}

} // namespace quorvane
