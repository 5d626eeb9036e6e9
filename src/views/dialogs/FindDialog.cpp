#include "FindDialog.h"

#include "Preferences.h"
#include "StringTable.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

FindDialog::FindDialog(const FindRequest& request, QWidget* parent)
    : QDialog(parent) {
    const DialogStrings strings = StringTable::Dialog(kDlgFind);
    setWindowTitle(strings.title);
    setObjectName(QStringLiteral("findDialog"));

    auto* layout = new QGridLayout(this);
    auto* label = new QLabel(strings.text, this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("findText"));
    edit_->setAccessibleName(QString(strings.text).remove(QLatin1Char('&')));
    edit_->setMaxLength(Preferences::kMaxFindText);
    edit_->setText(request.text.left(Preferences::kMaxFindText));
    edit_->selectAll();
    edit_->setMinimumWidth(240);
    label->setBuddy(edit_);
    layout->addWidget(label, 0, 0);
    layout->addWidget(edit_, 0, 1);

    auto* options = new QVBoxLayout;
    matchCase_ = new QCheckBox(strings.notes.value(0), this);
    matchCase_->setObjectName(QStringLiteral("matchCase"));
    matchCase_->setChecked(request.matchCase);
    exactMatch_ = new QCheckBox(strings.notes.value(1), this);
    exactMatch_->setObjectName(QStringLiteral("exactMatch"));
    exactMatch_->setChecked(request.exactMatch);
    options->addWidget(matchCase_);
    options->addWidget(exactMatch_);
    options->addStretch();
    layout->addLayout(options, 1, 1);

    auto* buttons = new QVBoxLayout;
    auto* findNext = new QPushButton(strings.buttons.value(0), this);
    findNext->setObjectName(QStringLiteral("findNext"));
    findNext->setDefault(true);
    auto* cancel = new QPushButton(strings.buttons.value(1), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    buttons->addWidget(findNext);
    buttons->addWidget(cancel);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 2, 2, 1);
    layout->setHorizontalSpacing(10);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(findNext, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    edit_->setFocus();
}

FindRequest FindDialog::Request() const {
    return {edit_->text(), matchCase_->isChecked(), exactMatch_->isChecked()};
}

} // namespace quorvane
