#pragma once
// The "General" page of the Preferences sheet: AutoClose and its wait, closing on a locked screen or
// sleep, and the request to show every program alert again.
#include <QWidget>

class QCheckBox;
class QLabel;
class QRadioButton;

namespace quorvane {

class Preferences;
class RangeSpinBox;

class GeneralPage : public QWidget {
    Q_OBJECT

public:
    explicit GeneralPage(const Preferences& preferences, QWidget* parent = nullptr);

    RangeSpinBox* RefusedField() const;
    // Stores the wait, AutoClose and the alert request (which the caller applies).
    void StoreInto(Preferences& preferences) const;

private:
    void FollowAutoClose();

    QRadioButton* disable_ = nullptr;
    QRadioButton* enable_ = nullptr;
    QLabel* waitLabel_ = nullptr;
    RangeSpinBox* wait_ = nullptr;
    QLabel* minutesLabel_ = nullptr;
    QCheckBox* closeOnLock_ = nullptr;
    QCheckBox* enableAlerts_ = nullptr;
};

} // namespace quorvane
