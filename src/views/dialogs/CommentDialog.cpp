#include "CommentDialog.h"

#include "StringTable.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

CommentDialog::CommentDialog(const QString& comment, QWidget* parent)
    : QDialog(parent) {
    const DialogStrings strings = StringTable::Dialog(kDlgEditComment);
    setWindowTitle(strings.title);
    setObjectName(QStringLiteral("commentDialog"));

    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(strings.text, this);
    layout->addWidget(prompt);

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("comment"));
    edit_->setAccessibleName(strings.text);
    edit_->setMaxLength(kMaxComment);
    edit_->setText(comment);
    edit_->selectAll();
    edit_->setMinimumWidth(360);
    prompt->setBuddy(edit_);
    layout->addWidget(edit_);

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

QString CommentDialog::Comment() const {
    return edit_->text();
}

} // namespace quorvane
