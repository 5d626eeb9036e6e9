#include "GeneralPage.h"

#include "Preferences.h"
#include "RangeSpinBox.h"
#include "StringTable.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quorvane {

GeneralPage::GeneralPage(const Preferences& preferences, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("generalPage"));
    auto* layout = new QVBoxLayout(this);

    auto* autoClose = new QGroupBox(QStringLiteral("AutoClose"), this);
    auto* grid = new QGridLayout(autoClose);
    disable_ = new QRadioButton(QStringLiteral("Disable"), autoClose);
    disable_->setObjectName(QStringLiteral("disableAutoClose"));
    enable_ = new QRadioButton(QStringLiteral("Enable"), autoClose);
    enable_->setObjectName(QStringLiteral("enableAutoClose"));
    auto* choice = new QButtonGroup(this);
    choice->addButton(disable_, 0);
    choice->addButton(enable_, 1);
    (preferences.autoCloseOn != 0 ? enable_ : disable_)->setChecked(true);
    grid->addWidget(disable_, 0, 0);
    grid->addWidget(enable_, 1, 0);

    auto* waitRow = new QHBoxLayout;
    waitLabel_ = new QLabel(QStringLiteral("Wait"), autoClose);
    wait_ = new RangeSpinBox(1, 60, autoClose);
    wait_->setObjectName(QStringLiteral("wait"));
    wait_->setAccessibleName(QStringLiteral("Wait in minutes"));
    wait_->setValue(preferences.autoCloseWait);
    waitLabel_->setBuddy(wait_);
    minutesLabel_ = new QLabel(QStringLiteral("in minutes."), autoClose);
    waitRow->addWidget(waitLabel_);
    waitRow->addWidget(wait_);
    waitRow->addWidget(minutesLabel_);
    waitRow->addStretch();
    grid->addLayout(waitRow, 1, 1);
    auto* note = new QLabel(QStringLiteral("\u00b7 AutoClose will automatically close all open archives  \n"
                                           "  after the set wait-time."),
                            autoClose);
    note->setTextFormat(Qt::PlainText);
    grid->addWidget(note, 2, 0, 1, 2);
    // Not tied to the wait: a locked screen closes the archives whether AutoClose is on or not.
    closeOnLock_ = new QCheckBox(StringTable::Text(kStrCloseOnLock), autoClose);
    closeOnLock_->setObjectName(QStringLiteral("closeOnLock"));
    closeOnLock_->setChecked(preferences.closeOnLock != 0);
    grid->addWidget(closeOnLock_, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    layout->addWidget(autoClose);

    auto* alerts = new QGroupBox(QStringLiteral("Program Alerts"), this);
    auto* alertsLayout = new QVBoxLayout(alerts);
    enableAlerts_ = new QCheckBox(QStringLiteral("Enable all previously disabled program alerts."), alerts);
    enableAlerts_->setObjectName(QStringLiteral("enableAlerts"));
    // The request is carried out when the sheet is left with OK, so the box always opens clear.
    enableAlerts_->setChecked(false);
    alertsLayout->addWidget(enableAlerts_);
    layout->addWidget(alerts);
    layout->addStretch();

    setTabOrder(disable_, enable_);
    setTabOrder(enable_, wait_);
    setTabOrder(wait_, closeOnLock_);
    setTabOrder(closeOnLock_, enableAlerts_);

    connect(choice, &QButtonGroup::idClicked, this, [this](int) { FollowAutoClose(); });
    FollowAutoClose();
}

RangeSpinBox* GeneralPage::RefusedField() const {
    return wait_->isEnabled() && wait_->Refused() ? wait_ : nullptr;
}

void GeneralPage::StoreInto(Preferences& preferences) const {
    preferences.autoCloseOn = enable_->isChecked() ? 1 : 0;
    preferences.autoCloseWait = wait_->value();
    preferences.closeOnLock = closeOnLock_->isChecked() ? 1 : 0;
    preferences.enableAllAlerts = enableAlerts_->isChecked() ? 1 : 0;
}

void GeneralPage::FollowAutoClose() {
    const bool on = enable_->isChecked();
    waitLabel_->setEnabled(on);
    wait_->setEnabled(on);
    minutesLabel_->setEnabled(on);
}

} // namespace quorvane
