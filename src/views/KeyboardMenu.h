#pragma once
// Shift+F10 asks for a pane's context menu as the Menu key does. Qt turns only the Menu key into a
// context-menu event; the desktops' own toolkits take both.
#include <QKeyEvent>

namespace quorvane {

inline bool AsksForContextMenu(const QKeyEvent& key) {
    return key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier;
}

} // namespace quorvane
