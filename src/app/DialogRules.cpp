#include "DialogRules.h"

#include "ErrorCodes.h"

namespace quorvane {

bool DialogRules::Confirm(WorkspaceDialogs& dialogs, const Confirmation& confirmation, int& flag) {
    if (flag != 0) {
        return true;
    }
    bool box = false;
    const bool yes = dialogs.Confirm(confirmation, box);
    if (yes) {
        flag = box ? 1 : 0;
    }
    return yes;
}

void DialogRules::Alert(WorkspaceDialogs& dialogs, const Confirmation& confirmation, int& flag) {
    if (flag != 0) {
        return;
    }
    bool box = false;
    dialogs.Alert(confirmation, box);
    flag = box ? 1 : 0;
}

void DialogRules::ReportError(WorkspaceDialogs& dialogs, int code) {
    if (code == kOk || code == kCancelled) {
        return;
    }
    dialogs.ShowMessage(StringTable::ErrorText(code));
}

} // namespace quorvane
