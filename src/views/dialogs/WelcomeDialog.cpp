#include "WelcomeDialog.h"

#include "StringTable.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace quorvane {

WelcomeDialog::WelcomeDialog(int& flag, QWidget* parent)
    : QDialog(parent) {
    const DialogStrings strings = StringTable::Dialog(kDlgWelcome);
    setWindowTitle(strings.title);
    setObjectName(QStringLiteral("welcomeDialog"));

    auto* layout = new QVBoxLayout(this);
    auto* choices = new QGridLayout;
    choices->setHorizontalSpacing(12);
    choices->setVerticalSpacing(8);
    auto* open = new QPushButton(strings.buttons.value(0), this);
    open->setObjectName(QStringLiteral("open"));
    auto* create = new QPushButton(strings.buttons.value(1), this);
    create->setObjectName(QStringLiteral("new"));
    auto* openNote = new QLabel(strings.notes.value(0), this);
    auto* createNote = new QLabel(strings.notes.value(1), this);
    open->setAccessibleDescription(strings.notes.value(0));
    create->setAccessibleDescription(strings.notes.value(1));
    for (QPushButton* button : {open, create}) {
        button->setMinimumWidth(90);
    }
    choices->addWidget(open, 0, 0);
    choices->addWidget(openNote, 0, 1);
    choices->addWidget(create, 1, 0);
    choices->addWidget(createNote, 1, 1);
    choices->setColumnStretch(1, 1);
    layout->addLayout(choices);
    layout->addSpacing(10);

    auto* bottom = new QHBoxLayout;
    auto* box = new QCheckBox(strings.checkBox, this);
    box->setObjectName(QStringLiteral("doNotShowAtStartup"));
    box->setChecked(flag != 0);
    bottom->addWidget(box);
    bottom->addStretch();
    auto* cancel = new QPushButton(strings.buttons.value(2), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    help_ = new QPushButton(strings.buttons.value(3), this);
    help_->setObjectName(QStringLiteral("help"));
    help_->hide();
    bottom->addWidget(cancel);
    bottom->addWidget(help_);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    open->setDefault(true);
    open->setFocus();
    connect(open, &QPushButton::clicked, this, [this] {
        choice_ = WelcomeChoice::Open;
        accept();
    });
    connect(create, &QPushButton::clicked, this, [this] {
        choice_ = WelcomeChoice::New;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(box, &QCheckBox::clicked, this, [&flag](bool checked) { flag = checked ? 1 : 0; });
    connect(help_, &QPushButton::clicked, this, [this] {
        if (helpHandler_) {
            helpHandler_();
        }
    });
}

void WelcomeDialog::SetHelpHandler(std::function<void()> handler) {
    helpHandler_ = std::move(handler);
    help_->setVisible(static_cast<bool>(helpHandler_));
}

} // namespace quorvane
