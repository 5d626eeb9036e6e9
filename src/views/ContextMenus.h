#pragma once
// The context menus the tree and the list share: 200 for an item, 201 for a pane's empty space (and
// the tree's archive nodes). Labels and command ids come from the string table; the state of each
// entry (enabled, checked, the Undo entry's text) from the command rules, through `Update`.
#include "CommandRules.h"

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace quorvane {

class ContextMenus {
public:
    using Update = std::function<CommandUi(int commandId)>;

    // A new menu (owned by `parent`); each command's action holds its id as data. Without `update`
    // every entry is enabled.
    static QMenu* Build(int menu, const Update& update, QWidget* parent);

    // The command id of an action of such a menu, 0 for none.
    static int CommandOf(const QAction* action);
};

} // namespace quorvane
