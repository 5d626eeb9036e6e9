#pragma once
// The main window's menu bar, accelerator table and toolbar as data. The window builds its menus,
// shortcuts and buttons from here; labels, prompts and tooltips come from the string table.
#include <QKeySequence>
#include <QList>

#include <vector>

namespace quorvane {

// One entry of a menu: a command, a separator (id 0, no title) or a submenu (a title).
struct MenuEntry {
    int id = 0;
    const char* title = nullptr;
    std::vector<MenuEntry> entries; // a submenu's entries
};

struct MenuTitle {
    const char* title;
    std::vector<MenuEntry> entries;
};

struct Accelerator {
    QKeyCombination key;
    int id;
};

class FrameTables {
public:
    static constexpr int kSeparator = 0;

    // "&File", "&Edit", "&View", "&Help" with their entries, in order.
    static const std::vector<MenuTitle>& MenuBar();
    // Every key and the command it runs; a command may have two keys (Ctrl+Z and Alt+Backspace).
    static const std::vector<Accelerator>& Accelerators();
    // The toolbar's buttons left to right; kSeparator between groups.
    static const std::vector<int>& Toolbar();

    // The keys of `commandId`, in the order of the table (the first is the one menus show).
    static QList<QKeySequence> ShortcutsOf(int commandId);
    // Every command that appears in the menus, the toolbar or the accelerators, once each.
    static std::vector<int> AllCommands();
};

} // namespace quorvane
