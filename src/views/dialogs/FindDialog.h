#pragma once
// "Find" (12344): the text to look for and the two options; "&Find Next" is the default button.
#include "WorkspaceDialogs.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace quorvane {

class FindDialog : public QDialog {
    Q_OBJECT

public:
    explicit FindDialog(const FindRequest& request, QWidget* parent = nullptr);

    FindRequest Request() const;

private:
    QLineEdit* edit_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QCheckBox* exactMatch_ = nullptr;
};

} // namespace quorvane
