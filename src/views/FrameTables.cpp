#include "FrameTables.h"

#include "CommandIds.h"

#include <algorithm>

namespace quorvane {

namespace {

MenuEntry Item(int id) {
    return MenuEntry{id, nullptr, {}};
}

MenuEntry Separator() {
    return MenuEntry{FrameTables::kSeparator, nullptr, {}};
}

MenuEntry Submenu(const char* title, std::initializer_list<int> ids) {
    MenuEntry entry{0, title, {}};
    for (const int id : ids) {
        entry.entries.push_back(Item(id));
    }
    return entry;
}

std::vector<MenuEntry> Items(std::initializer_list<int> ids) {
    std::vector<MenuEntry> entries;
    for (const int id : ids) {
        entries.push_back(id == FrameTables::kSeparator ? Separator() : Item(id));
    }
    return entries;
}

void Collect(const std::vector<MenuEntry>& entries, std::vector<int>& out) {
    for (const MenuEntry& entry : entries) {
        if (entry.title) {
            Collect(entry.entries, out);
        } else if (entry.id != FrameTables::kSeparator) {
            out.push_back(entry.id);
        }
    }
}

} // namespace

const std::vector<MenuTitle>& FrameTables::MenuBar() {
    constexpr int s = kSeparator;
    static const std::vector<MenuTitle> menus = [] {
        std::vector<MenuTitle> built;
        built.push_back({"&File", Items({kCmdNew, kCmdOpen, kCmdClose, s, kCmdNewFolder, s, kCmdImport,
                                         kCmdExport, s, kCmdRestore, kCmdEmptyRecycleBin, s, kCmdProperties,
                                         kCmdPreferences, s, kCmdExit})});
        built.push_back({"&Edit", Items({kCmdUndo, s, kCmdCut, kCmdCopy, kCmdPaste, s, kCmdFind,
                                         kCmdFindAgain, s, kCmdSelectAll, kCmdInvertSelection, s, kCmdDelete,
                                         kCmdRename, s, kCmdComment})});
        std::vector<MenuEntry> view = Items({kCmdToggleToolbar, kCmdToggleStatusBar, s});
        view.push_back(Submenu("P&anes", {kCmdHidePreview, kCmdShowAll, kCmdHideArchive}));
        view.push_back(Separator());
        for (const MenuEntry& entry : Items({kCmdViewThumbnails, kCmdViewLargeIcons, kCmdViewSmallIcons,
                                             kCmdViewList, kCmdViewDetails, s})) {
            view.push_back(entry);
        }
        view.push_back(Submenu("Arrange &Icons", {kCmdSortByName, kCmdSortByType, kCmdSortBySize,
                                                  kCmdSortByDate, kCmdSortByDimensions, kCmdSortByComment}));
        view.push_back(Separator());
        view.push_back(Item(kCmdFitInWindow));
        view.push_back(Item(kCmdStartSlideshow));
        built.push_back({"&View", std::move(view)});
        built.push_back({"&Help", Items({kCmdHelpTopics, s, kCmdHomePage, kCmdMailSupport, kCmdCheckUpdates,
                                         s, kCmdAbout})});
        return built;
    }();
    return menus;
}

const std::vector<Accelerator>& FrameTables::Accelerators() {
    static const std::vector<Accelerator> keys = {
        {Qt::CTRL | Qt::Key_N, kCmdNew},
        {Qt::CTRL | Qt::Key_O, kCmdOpen},
        {Qt::CTRL | Qt::Key_W, kCmdClose},
        {Qt::CTRL | Qt::Key_L, kCmdNewFolder},
        {Qt::CTRL | Qt::Key_I, kCmdImport},
        {Qt::CTRL | Qt::Key_S, kCmdExport},
        {Qt::CTRL | Qt::Key_B, kCmdEmptyRecycleBin},
        {Qt::CTRL | Qt::Key_Q, kCmdExit},
        {Qt::ALT | Qt::Key_F4, kCmdExit},
        {Qt::CTRL | Qt::Key_Z, kCmdUndo},
        {Qt::ALT | Qt::Key_Backspace, kCmdUndo},
        {Qt::CTRL | Qt::Key_X, kCmdCut},
        {Qt::SHIFT | Qt::Key_Delete, kCmdCut},
        {Qt::CTRL | Qt::Key_C, kCmdCopy},
        {Qt::CTRL | Qt::Key_Insert, kCmdCopy},
        {Qt::CTRL | Qt::Key_V, kCmdPaste},
        {Qt::SHIFT | Qt::Key_Insert, kCmdPaste},
        {Qt::CTRL | Qt::Key_F, kCmdFind},
        {Qt::CTRL | Qt::Key_G, kCmdFindAgain},
        {Qt::CTRL | Qt::Key_A, kCmdSelectAll},
        {QKeyCombination(Qt::Key_Delete), kCmdDelete},
        {Qt::CTRL | Qt::Key_R, kCmdRename},
        {Qt::CTRL | Qt::Key_M, kCmdComment},
        {Qt::CTRL | Qt::Key_7, kCmdHidePreview},
        {Qt::CTRL | Qt::Key_8, kCmdShowAll},
        {Qt::CTRL | Qt::Key_9, kCmdHideArchive},
        {Qt::CTRL | Qt::Key_Y, kCmdFitInWindow},
        {Qt::CTRL | Qt::Key_P, kCmdStartSlideshow},
        {QKeyCombination(Qt::Key_F6), kCmdNextPane},
        {Qt::SHIFT | Qt::Key_F6, kCmdPreviousPane},
        // The desktop's keys for help and for the folder above, which the toolbar's button goes to.
        {QKeyCombination(Qt::Key_F1), kCmdHelp},
        {Qt::ALT | Qt::Key_Up, kCmdUpOneLevel},
    };
    return keys;
}

const std::vector<int>& FrameTables::Toolbar() {
    constexpr int s = kSeparator;
    static const std::vector<int> buttons = {
        kCmdNew,
        kCmdOpen,
        kCmdClose,
        s,
        kCmdHidePreview,
        kCmdShowAll,
        kCmdHideArchive,
        s,
        kCmdUpOneLevel,
        s,
        kCmdImport,
        kCmdExport,
        s,
        kCmdNewFolder,
        kCmdComment,
        s,
        kCmdDelete,
        kCmdEmptyRecycleBin,
        s,
        kCmdPreviousImage,
        kCmdNextImage,
        s,
        kCmdFitInWindow,
        kCmdStartSlideshow,
        s,
        kCmdViewThumbnails,
        kCmdViewLargeIcons,
        kCmdViewSmallIcons,
        kCmdViewList,
        kCmdViewDetails,
        s,
        kCmdHelpTopics,
    };
    return buttons;
}

QList<QKeySequence> FrameTables::ShortcutsOf(int commandId) {
    QList<QKeySequence> keys;
    for (const Accelerator& accelerator : Accelerators()) {
        if (accelerator.id == commandId) {
            keys.push_back(QKeySequence(accelerator.key));
        }
    }
    return keys;
}

std::vector<int> FrameTables::AllCommands() {
    std::vector<int> ids;
    for (const MenuTitle& menu : MenuBar()) {
        Collect(menu.entries, ids);
    }
    for (const int id : Toolbar()) {
        if (id != kSeparator) {
            ids.push_back(id);
        }
    }
    for (const Accelerator& accelerator : Accelerators()) {
        ids.push_back(accelerator.id);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

} // namespace quorvane
