#pragma once
// The item delegate of the tree and the list: draws the item a drag points at as highlighted, and
// hands an in-place edit's text to the pane instead of writing it into the model, so that the pane
// decides (through the Workspace) once the editor has closed whether the name changes at all.
#include <QAbstractItemView>
#include <QStyledItemDelegate>

#include <functional>

namespace quorvane {

class PaneItemDelegate : public QStyledItemDelegate {
public:
    // `highlightRole` is the model's role that is true for the drop-highlighted item.
    PaneItemDelegate(int highlightRole, QObject* parent);

    // Receives the text of an edit that was ended with Enter or by leaving the editor (not Escape).
    std::function<void(const QModelIndex& index, const QString& text)> onCommit;

    // The in-place editor, with a border: the style's own has none, and on a white list the name
    // seems to vanish when the edit begins.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    // Where the item's name is drawn, `option` being the view's for it (its rect the item's).
    virtual QRect LabelRect(QStyleOptionViewItem option, const QModelIndex& index) const;

    // True for a click on a selected item that falls beside its name: Qt would start an edit for
    // it, a file manager only for a click on the name itself (the icon is where a drag begins).
    static bool ClickBesideLabel(QAbstractItemView::EditTrigger trigger, const QEvent* event,
                                 const QAbstractItemDelegate* delegate, const QStyleOptionViewItem& option,
                                 const QModelIndex& index);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    int highlightRole_;
};

} // namespace quorvane
