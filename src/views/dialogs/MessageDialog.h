#pragma once
// A message box built from one of the string table's message dialogs: its title, text, buttons in
// their order (the first is the default, "&No" or "Cancel" answers Escape) and its check box.
#include "StringTable.h"

#include <QMessageBox>

#include <functional>

namespace quorvane {

class MessageDialog : public QMessageBox {
    Q_OBJECT

public:
    MessageDialog(const DialogStrings& strings, QMessageBox::Icon icon, QWidget* parent = nullptr);

    // The box starts as `checked`; `clicked` runs the moment the user changes it.
    void SetCheckBoxState(bool checked, std::function<void(bool)> clicked = {});
    bool CheckBoxState() const;

    // Shows the dialog; the index of the button that ended it, or -1 when none did.
    int Run();

private:
    QList<QAbstractButton*> ordered_; // in the order of the strings
};

} // namespace quorvane
