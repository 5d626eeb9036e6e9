#include "AutoCloseCountdown.h"

#include "Icons.h"

#include "StringTable.h"
#include "TextFormat.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace quorvane {

AutoCloseCountdown::AutoCloseCountdown(QWidget* parent)
    : QDialog(parent) {
    const DialogStrings strings = StringTable::Dialog(kDlgAutoCloseCountdown);
    setWindowTitle(strings.title);
    setObjectName(QStringLiteral("autoCloseCountdown"));
    // Modal for input, as the countdown always was, without a nested event loop.
    setWindowModality(Qt::ApplicationModal);

    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(this);
    const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setObjectName(QStringLiteral("countdownIcon"));
    icon->setPixmap(QuorvanePixmap(IconId::Countdown, extent, devicePixelRatioF()));
    row->addWidget(icon, 0, Qt::AlignTop);
    text_ = new QLabel(strings.text, this);
    text_->setObjectName(QStringLiteral("countdownText"));
    text_->setTextFormat(Qt::PlainText);
    row->addWidget(text_, 1);
    layout->addLayout(row);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new QPushButton(strings.buttons.value(0), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setDefault(true);
    cancel->setAutoDefault(true);
    buttons->addWidget(cancel);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(cancel, &QPushButton::clicked, this, &AutoCloseCountdown::reject);
    cancel->setFocus();
}

void AutoCloseCountdown::SetRemaining(int seconds) {
    const QString text = TextFormat::Fill(StringTable::Text(kStrAutoCloseCountdown), {seconds});
    if (text != text_->text()) {
        text_->setText(text);
    }
}

QString AutoCloseCountdown::Text() const {
    return text_->text();
}

void AutoCloseCountdown::Finish() {
    QDialog::reject(); // the base's: not a cancel
}

void AutoCloseCountdown::reject() {
    QDialog::reject();
    emit cancelled();
}

} // namespace quorvane
