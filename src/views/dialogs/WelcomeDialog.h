#pragma once
// "Welcome to Quorvane" (12341): open or create an archive at start-up. Its box "Do not display
// this message at startup." changes the flag the moment it is clicked.
#include "WorkspaceDialogs.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QPushButton;

namespace quorvane {

class WelcomeDialog : public QDialog {
    Q_OBJECT

public:
    // `flag` must outlive the dialog: it is written on every click of the box.
    WelcomeDialog(int& flag, QWidget* parent = nullptr);

    WelcomeChoice Choice() const { return choice_; }
    void SetHelpHandler(std::function<void()> handler);

private:
    WelcomeChoice choice_ = WelcomeChoice::Cancel;
    QPushButton* help_ = nullptr;
    std::function<void()> helpHandler_;
};

} // namespace quorvane
