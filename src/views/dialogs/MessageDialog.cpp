#include "MessageDialog.h"

#include <QCheckBox>
#include <QPushButton>

#include <utility>

namespace quorvane {

namespace {

QMessageBox::ButtonRole RoleOf(const QString& label) {
    const QString plain = QString(label).remove(QLatin1Char('&'));
    if (plain == QLatin1String("Yes")) {
        return QMessageBox::YesRole;
    }
    if (plain == QLatin1String("No")) {
        return QMessageBox::NoRole;
    }
    if (plain == QLatin1String("Cancel")) {
        return QMessageBox::RejectRole;
    }
    if (plain == QLatin1String("OK")) {
        return QMessageBox::AcceptRole;
    }
    return QMessageBox::ActionRole;
}

} // namespace

MessageDialog::MessageDialog(const DialogStrings& strings, QMessageBox::Icon icon, QWidget* parent)
    : QMessageBox(parent) {
    setObjectName(QStringLiteral("messageDialog"));
    setIcon(icon);
    setWindowTitle(strings.title);
    setTextFormat(Qt::PlainText);
    setText(strings.text);
    QPushButton* escape = nullptr;
    for (qsizetype i = 0; i < strings.buttons.size(); ++i) {
        const QString& label = strings.buttons.at(i);
        const ButtonRole role = RoleOf(label);
        QPushButton* button = addButton(label, role);
        button->setObjectName(QStringLiteral("button%1").arg(i));
        ordered_.append(button);
        if (i == 0) {
            setDefaultButton(button);
        }
        if (role == QMessageBox::NoRole || role == QMessageBox::RejectRole) {
            escape = button;
        }
    }
    if (escape == nullptr && strings.buttons.size() == 1) {
        escape = qobject_cast<QPushButton*>(ordered_.value(0));
    }
    if (escape != nullptr) {
        setEscapeButton(escape);
    }
    if (!strings.checkBox.isEmpty()) {
        auto* box = new QCheckBox(strings.checkBox, this);
        box->setObjectName(QStringLiteral("doNotShowAgain"));
        setCheckBox(box);
    }
}

void MessageDialog::SetCheckBoxState(bool checked, std::function<void(bool)> clicked) {
    QCheckBox* box = checkBox();
    if (box == nullptr) {
        return;
    }
    box->setChecked(checked);
    if (clicked) {
        connect(box, &QCheckBox::clicked, this, std::move(clicked));
    }
}

bool MessageDialog::CheckBoxState() const {
    return checkBox() != nullptr && checkBox()->isChecked();
}

int MessageDialog::Run() {
    exec();
    return static_cast<int>(ordered_.indexOf(clickedButton()));
}

} // namespace quorvane
