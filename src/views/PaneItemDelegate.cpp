#include "PaneItemDelegate.h"

#include <QLineEdit>

namespace quorvane {

PaneItemDelegate::PaneItemDelegate(int highlightRole, QObject* parent)
    : QStyledItemDelegate(parent)
    , highlightRole_(highlightRole) {}

void PaneItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* /*model*/,
                                    const QModelIndex& index) const {
    const auto* line = qobject_cast<QLineEdit*>(editor);
    if (line && onCommit) {
        onCommit(index, line->text());
    }
}

void PaneItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(highlightRole_).toBool()) {
        option->state |= QStyle::State_Selected;
    }
}

} // namespace quorvane
