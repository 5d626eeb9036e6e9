#pragma once
// What the contents list's two views (the icon view and the details view) pass on to the list that
// owns them: editing, dragging, dropping, menus and the keys the list handles itself.
class QContextMenuEvent;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;
class QModelIndex;
class QRect;

namespace quorvane {

class ContentsViewHooks {
public:
    virtual ~ContentsViewHooks() = default;

    virtual bool MayEdit(const QModelIndex& index) = 0;
    virtual void EditStarted(const QModelIndex& index) = 0;
    virtual void EditClosed() = 0;
    virtual void StartDrag() = 0;
    virtual void DragEnter(QDragEnterEvent* event) = 0;
    virtual void DragMove(QDragMoveEvent* event) = 0;
    virtual void DragLeave(QDragLeaveEvent* event) = 0;
    virtual void Drop(QDropEvent* event) = 0;
    virtual void ContextMenu(QContextMenuEvent* event) = 0;
    // Tab and Shift+Tab step from image to image.
    virtual void Step(bool forward) = 0;
    // Enter, or a double click on `index`, opens.
    virtual void Open(const QModelIndex& index) = 0;
    // A click or a key press (auto close counts it as activity).
    virtual void Activity() = 0;
    // A key press is being handled: `repeating` while it is a held key's repeat, false again after it.
    virtual void KeyRepeating(bool repeating) = 0;
    virtual void Focused() = 0;
    // The viewport changed its size (also when a scroll bar came or went).
    virtual void ViewportResized() = 0;
    // The viewport is about to paint `exposed` (viewport coordinates).
    virtual void AboutToPaint(const QRect& exposed) = 0;
    // The paint that AboutToPaint announced is over.
    virtual void Painted() = 0;
};

} // namespace quorvane
