#include "PaneItemDelegate.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>

namespace quorvane {

PaneItemDelegate::PaneItemDelegate(int highlightRole, QObject* parent)
    : QStyledItemDelegate(parent)
    , highlightRole_(highlightRole) {}

QWidget* PaneItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        // One pixel of border: the style's frame needs more height than a row has.
        line->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid palette(shadow); padding: 0px; }"));
    }
    return editor;
}

void PaneItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* /*model*/,
                                    const QModelIndex& index) const {
    const auto* line = qobject_cast<QLineEdit*>(editor);
    if (line && onCommit) {
        onCommit(index, line->text());
    }
}

QRect PaneItemDelegate::LabelRect(QStyleOptionViewItem option, const QModelIndex& index) const {
    initStyleOption(&option, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget);
}

bool PaneItemDelegate::ClickBesideLabel(QAbstractItemView::EditTrigger trigger, const QEvent* event,
                                        const QAbstractItemDelegate* delegate,
                                        const QStyleOptionViewItem& option, const QModelIndex& index) {
    const auto* ours = dynamic_cast<const PaneItemDelegate*>(delegate);
    if (trigger != QAbstractItemView::SelectedClicked || ours == nullptr || event == nullptr ||
        event->type() != QEvent::MouseButtonRelease) {
        return false;
    }
    const QPoint at = static_cast<const QMouseEvent*>(event)->position().toPoint();
    return !ours->LabelRect(option, index).contains(at);
}

void PaneItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(highlightRole_).toBool()) {
        option->state |= QStyle::State_Selected;
    }
}

} // namespace quorvane
