#pragma once
// Which commands are enabled, which are checked and what the Undo entries read, as pure functions of
// a CommandState. The menus, the toolbar and the context menus all ask here.
#include "CommandState.h"

#include <QString>

#include <optional>

namespace quorvane {

struct CommandUi {
    bool enabled = false;
    bool checked = false;
    std::optional<QString> text; // set only for the entries whose label changes at run time
};

class CommandRules {
public:
    static CommandUi Update(int commandId, const CommandState& state);

    // Whether `commandId` is one of the program's commands (an unknown one is disabled).
    static bool Knows(int commandId);

    static constexpr int kMaxArchives = 64;
};

} // namespace quorvane
