#pragma once
// A view of the contents list: the icon view (small icons, large icons, thumbnails, list) is a
// ContentsView<QListView>, the details view a ContentsView<QTreeView>. Both pass what the list
// decides to ContentsViewHooks and leave the rest to Qt.
#include "ContentsViewHooks.h"
#include "KeyboardMenu.h"
#include "PaneItemDelegate.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QModelIndex>
#include <QPaintEvent>

namespace quorvane {

template <class Base>
class ContentsView : public Base {
public:
    explicit ContentsView(ContentsViewHooks& hooks, QWidget* parent = nullptr)
        : Base(parent)
        , hooks_(hooks) {}

protected:
    bool edit(const QModelIndex& index, QAbstractItemView::EditTrigger trigger, QEvent* event) override {
        if (this->state() == QAbstractItemView::EditingState) {
            return Base::edit(index, trigger, event);
        }
        if (!hooks_.MayEdit(index) || BesideLabel(index, trigger, event)) {
            return false;
        }
        const bool result = Base::edit(index, trigger, event);
        if (this->state() == QAbstractItemView::EditingState) {
            hooks_.EditStarted(index);
        }
        return result;
    }
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override {
        Base::closeEditor(editor, hint);
        hooks_.EditClosed();
    }
    void startDrag(Qt::DropActions /*supportedActions*/) override { hooks_.StartDrag(); }
    void dragEnterEvent(QDragEnterEvent* event) override { hooks_.DragEnter(event); }
    void dragMoveEvent(QDragMoveEvent* event) override { hooks_.DragMove(event); }
    void dragLeaveEvent(QDragLeaveEvent* event) override { hooks_.DragLeave(event); }
    void dropEvent(QDropEvent* event) override { hooks_.Drop(event); }
    void contextMenuEvent(QContextMenuEvent* event) override { hooks_.ContextMenu(event); }
    // Qt brings the new current item into view only with auto-scroll, which is off (the list
    // scrolls a drag itself): without this, the arrow and page keys walk off the screen.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        Base::currentChanged(current, previous);
        if (current.isValid() && this->isVisible()) {
            this->scrollTo(current);
        }
    }

    bool event(QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return Base::event(event);
        }
        auto* key = static_cast<QKeyEvent*>(event);
        hooks_.KeyRepeating(key->isAutoRepeat());
        const bool handled = KeyPress(key);
        hooks_.KeyRepeating(false);
        return handled;
    }
    void keyPressEvent(QKeyEvent* event) override {
        hooks_.Activity();
        if (AsksForContextMenu(*event) && this->state() != QAbstractItemView::EditingState) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            hooks_.ContextMenu(&menu);
            event->accept();
            return;
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            this->state() != QAbstractItemView::EditingState) {
            hooks_.Open(QModelIndex());
            event->accept();
            return;
        }
        Base::keyPressEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        hooks_.Activity();
        // A press makes the list the active pane even where no focus-in follows it (its window was
        // not the active one): a drag or a menu started by this press acts on the list's selection.
        hooks_.Focused();
        Base::mousePressEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        hooks_.Activity();
        const QModelIndex index = this->indexAt(event->position().toPoint());
        if (index.isValid() && event->button() == Qt::LeftButton) {
            hooks_.Open(index);
            event->accept();
            return;
        }
        Base::mouseDoubleClickEvent(event);
    }
    bool viewportEvent(QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            hooks_.AboutToPaint(static_cast<QPaintEvent*>(event)->rect());
        }
        const bool handled = Base::viewportEvent(event);
        if (event->type() == QEvent::Paint) {
            hooks_.Painted();
        } else if (event->type() == QEvent::Resize) {
            hooks_.ViewportResized();
        }
        return handled;
    }
    void focusInEvent(QFocusEvent* event) override {
        Base::focusInEvent(event);
        hooks_.Focused();
    }

private:
    bool KeyPress(QKeyEvent* key) {
        // Tab belongs to the list (image stepping), not to the focus chain.
        if (this->state() != QAbstractItemView::EditingState) {
            const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
            if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
                hooks_.Activity();
                hooks_.Step(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
                return true;
            }
        }
        return Base::event(key);
    }
    bool BesideLabel(const QModelIndex& index, QAbstractItemView::EditTrigger trigger, const QEvent* event) {
        QStyleOptionViewItem option;
        this->initViewItemOption(&option);
        option.rect = this->visualRect(index);
        return PaneItemDelegate::ClickBesideLabel(trigger, event, this->itemDelegateForIndex(index), option,
                                                  index);
    }

    ContentsViewHooks& hooks_;
};

} // namespace quorvane
