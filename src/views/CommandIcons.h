#pragma once
// The picture of each command on the toolbar and in the menus, looked up in one place: the
// desktop's icon theme where it has one, else a picture drawn here (the pane arrangements and the
// view modes, which no theme has), else Qt's standard icons. The program's own icon set replaces
// this lookup when it exists.
#include <QIcon>

namespace quorvane {

class CommandIcons {
public:
    // Null for a command without a picture.
    static QIcon ForCommand(int commandId);
    // The program's own icon (window title, About box).
    static QIcon Application();
};

} // namespace quorvane
