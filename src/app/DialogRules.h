#pragma once
// When a suppressible dialog is shown and what its "Do not display this message again." box
// stores, and how an engine status becomes a message box.
#include "WorkspaceDialogs.h"

namespace quorvane {

class DialogRules {
public:
    // Shown only while `flag` is 0; answers Yes without asking when it is 1. Leaving with Yes
    // stores the box into the flag; No stores nothing.
    static bool Confirm(WorkspaceDialogs& dialogs, const Confirmation& confirmation, int& flag);
    // Shown only while `flag` is 0; leaving it (with OK, its only button) stores the box.
    static void Alert(WorkspaceDialogs& dialogs, const Confirmation& confirmation, int& flag);

    // Nothing for 0 and for the cancel code 9004; the code's own message for 9000..9032; the general
    // message for any other code.
    static void ReportError(WorkspaceDialogs& dialogs, int code);
};

} // namespace quorvane
