#include "ContextMenus.h"

#include "CommandIds.h"
#include "StringTable.h"

#include <QAction>
#include <QMenu>

#include <initializer_list>

namespace quorvane {

namespace {

constexpr int kSeparator = 0;

// Titles of the submenus of the empty-space menu.
const char* const kViewTitle = "View";
const char* const kArrangeTitle = "Arrange Icons";
const char* const kNewTitle = "New";

bool IsRadio(int id) {
    return (id >= kCmdViewThumbnails && id <= kCmdViewDetails) ||
           (id >= kCmdSortByName && id <= kCmdSortByDate) || id == kCmdSortByDimensions ||
           id == kCmdSortByComment;
}

void Add(QMenu* menu, int menuId, std::initializer_list<int> ids, const ContextMenus::Update& update) {
    for (int id : ids) {
        if (id == kSeparator) {
            menu->addSeparator();
            continue;
        }
        QString label = StringTable::MenuLabel(menuId, id);
        CommandUi ui;
        ui.enabled = true;
        if (update) {
            ui = update(id);
        }
        if (ui.text) {
            label = *ui.text;
        }
        QAction* action = menu->addAction(label);
        action->setData(id);
        action->setEnabled(ui.enabled);
        if (IsRadio(id)) {
            action->setCheckable(true);
            action->setChecked(ui.checked);
        }
        const QString tip = StringTable::StatusPrompt(id);
        if (!tip.isEmpty()) {
            action->setStatusTip(tip);
        }
    }
}

} // namespace

QMenu* ContextMenus::Build(int menuId, const Update& update, QWidget* parent) {
    auto* menu = new QMenu(parent);
    if (menuId == StringTable::kItemMenu) {
        Add(menu, menuId,
            {kCmdOpenItem, kSeparator, kCmdUndoContext, kCmdCut, kCmdCopy, kCmdPaste, kSeparator, kCmdDelete,
             kCmdRename, kCmdComment, kSeparator, kCmdExport, kCmdRestore, kSeparator, kCmdSelectAll,
             kSeparator, kCmdProperties},
            update);
        return menu;
    }
    if (menuId == StringTable::kSpaceMenu) {
        Add(menu->addMenu(QString::fromLatin1(kViewTitle)), menuId,
            {kCmdViewThumbnails, kCmdViewLargeIcons, kCmdViewSmallIcons, kCmdViewList, kCmdViewDetails},
            update);
        Add(menu->addMenu(QString::fromLatin1(kArrangeTitle)), menuId,
            {kCmdSortByName, kCmdSortByType, kCmdSortBySize, kCmdSortByDate, kCmdSortByDimensions,
             kCmdSortByComment},
            update);
        Add(menu, menuId,
            {kSeparator, kCmdUndoContext, kCmdCopy, kCmdPaste, kSeparator, kCmdExport, kCmdSelectAll,
             kSeparator},
            update);
        Add(menu->addMenu(QString::fromLatin1(kNewTitle)), menuId, {kCmdNewFolder, kCmdImport}, update);
        Add(menu, menuId, {kSeparator, kCmdProperties}, update);
    }
    return menu;
}

int ContextMenus::CommandOf(const QAction* action) {
    return action ? action->data().toInt() : 0;
}

} // namespace quorvane
