#pragma once
// The folder tree pane: every open archive with its folders and its recycle bin. Selecting a node
// makes it the Workspace's current location; folders are renamed in place, dragged onto other
// folders and archives, and receive drops from the list and from the desktop. Expansion is kept in
// the archive itself. While a command runs (PaneHost::Busy) the pane changes nothing.
//
// The main window connects commandRequested (the context menus' commands, routed like the menu
// bar's), labelEditingChanged (its label-editing flag) and activated (the tree became the active
// pane), and forwards the engine's catalogue notifications to CatalogueAboutToChange and
// CatalogueChanged.
#include "ContextMenus.h"
#include "TreeModel.h"
#include "TreePane.h"

#include <QPoint>
#include <QTimer>
#include <QTreeView>

#include <functional>

class QDrag;
class QMenu;

namespace quorvane {

class CCodeArchive;
class PaneHost;
class PaneItemDelegate;

class CCodeTree : public QTreeView, public TreePane {
    Q_OBJECT

public:
    explicit CCodeTree(PaneHost& host, QWidget* parent = nullptr);
    ~CCodeTree() override;

    // TreePane
    std::vector<int> Gather(SelectionPurpose purpose) override;
    void Rebuild() override;
    void Clear() override;
    void SelectFolder(int archive, int folder) override;
    bool UpOneLevel() override;
    void BeginRename() override;
    void DragFinished() override;

    // The engine is about to renumber or reload `archive`'s catalogue: its folders go from the tree
    // until the change is over, when the tree is read again.
    void CatalogueAboutToChange(CCodeArchive* archive);
    void CatalogueChanged(CCodeArchive* archive);

    // The states of the context menus' entries (the main window's command rules).
    void SetCommandUpdate(ContextMenus::Update update) { update_ = std::move(update); }

    TreeModel& Model() { return model_; }
    // A node's name is being edited in place.
    bool Editing() const { return editing_; }
    // The flat row of the selected node, -1 when none.
    int CurrentRow() const { return currentRow_; }

    // How drags and context menus run; replaced by tests, which cannot enter the modal loops.
    using DragRunner = std::function<Qt::DropAction(QDrag& drag)>;
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPos)>;
    void SetDragRunner(DragRunner runner) { dragRunner_ = std::move(runner); }
    void SetMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }

    // One tick of the drag-scroll timer (48 ms while a drag is over the pane).
    void DragScrollTick();
    bool DragScrolling() const { return dragScroll_.isActive(); }

    static constexpr int kDragScrollInterval = 48;

signals:
    void commandRequested(int commandId);
    void labelEditingChanged(bool editing);
    void activated();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    struct PendingRename {
        bool set = false;
        int archive = 0;
        int folder = 0;
        QString text;
    };

    // Records the drop target under `pos` (viewport coordinates) and gives the effect to show.
    Qt::DropAction TrackDrag(const QPoint& pos, const QMimeData* data);
    bool Accepts(const QMimeData* data) const;
    void EndDragOver();
    // Closes an editor the tree is about to lose, without renaming.
    void AbandonEdit();
    void SelectRowQuietly(int row);
    void StoreExpansion(const QModelIndex& index, bool expanded);
    void RunMenu(int menu, const QPoint& globalPos);

    PaneHost& host_;
    TreeModel model_;
    PaneItemDelegate* delegate_;
    ContextMenus::Update update_;
    DragRunner dragRunner_;
    MenuRunner menuRunner_;
    QTimer dragScroll_;
    QPoint dragPos_;
    PendingRename pending_;
    QPersistentModelIndex editingIndex_;
    bool rebuilding_ = false;
    bool selecting_ = false;
    bool editing_ = false;
    int currentRow_ = -1;
    int dragRow_ = -1;
};

} // namespace quorvane
