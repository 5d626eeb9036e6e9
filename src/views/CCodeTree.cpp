#include "CCodeTree.h"

#include "CCodeArchive.h"
#include "DropTarget.h"
#include "KeyboardMenu.h"
#include "PaneDrag.h"
#include "PaneHost.h"
#include "PaneIcons.h"
#include "PaneItemDelegate.h"
#include "SelectionRules.h"
#include "StringTable.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>

namespace quorvane {

namespace {

Qt::DropAction ActionOf(DropEffect effect) {
    switch (effect) {
    case DropEffect::Move:
        return Qt::MoveAction;
    case DropEffect::Copy:
        return Qt::CopyAction;
    case DropEffect::None:
        break;
    }
    return Qt::IgnoreAction;
}

// Marks a flag for the lifetime of a scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag)
        : flag_(flag)
        , old_(flag) {
        flag_ = true;
    }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

} // namespace

CCodeTree::CCodeTree(PaneHost& host, QWidget* parent)
    : QTreeView(parent)
    , host_(host)
    , model_(host)
    , delegate_(new PaneItemDelegate(TreeModel::DropHighlightRole, this)) {
    model_.SetIconSource(&PaneIcons::TreeIcon);
    setModel(&model_);
    setItemDelegate(delegate_);
    header()->hide();
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    // The pane scrolls a dragged item itself, at its own pace (DragScrollTick).
    setAutoScroll(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setFrameShape(QFrame::StyledPanel);

    dragScroll_.setInterval(kDragScrollInterval);
    connect(&dragScroll_, &QTimer::timeout, this, &CCodeTree::DragScrollTick);
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { StoreExpansion(index, true); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { StoreExpansion(index, false); });

    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this, &CCodeTree::AbandonEdit);

    delegate_->onCommit = [this](const QModelIndex& index, const QString& text) {
        const TreeNode* node = model_.Node(index);
        if (node) {
            pending_ = {true, node->archive, node->folder, text};
        }
    };
}

CCodeTree::~CCodeTree() = default;

// ---- building

void CCodeTree::Rebuild() {
    AbandonEdit();
    FlagScope guard(rebuilding_);
    setUpdatesEnabled(false);
    currentRow_ = -1;
    dragRow_ = -1;
    model_.Rebuild();
    const std::vector<TreeNode>& nodes = model_.Nodes();
    for (size_t row = 0; row < nodes.size(); ++row) {
        if (nodes[row].expand) {
            setExpanded(model_.IndexOfRow(static_cast<int>(row)), true);
        }
    }
    // The current location stays selected; the Workspace's SelectFolder then finds it so.
    const QModelIndex current = model_.IndexOf(host_.CurrentArchive(), host_.CurrentFolder());
    if (current.isValid()) {
        SelectRowQuietly(model_.RowOf(current));
    }
    setUpdatesEnabled(true);
}

void CCodeTree::Clear() {
    AbandonEdit();
    FlagScope guard(rebuilding_);
    currentRow_ = -1;
    dragRow_ = -1;
    model_.Clear();
}

void CCodeTree::CatalogueAboutToChange(CCodeArchive* archive) {
    // The name being edited may belong to an entry about to be renumbered.
    AbandonEdit();
    FlagScope guard(rebuilding_);
    currentRow_ = -1;
    model_.CatalogueAboutToChange(archive);
}

void CCodeTree::CatalogueChanged(CCodeArchive* archive) {
    model_.CatalogueChanged(archive);
    Rebuild();
}

void CCodeTree::StoreExpansion(const QModelIndex& index, bool expanded) {
    if (rebuilding_) {
        return;
    }
    host_.NoteActivity();
    const TreeNode* node = model_.Node(index);
    // While a command runs the change is shown but not kept (the archive would refuse it).
    if (!node || host_.Busy() || node->archive < 1 || node->archive > host_.ArchiveCount()) {
        return;
    }
    CCodeArchive* archive = host_.ArchiveAt(node->archive);
    if (!archive || model_.Frozen(archive)) {
        return;
    }
    // A busy archive refuses the change (kBusy); it is then simply not remembered.
    if (node->kind == TreeNode::kArchive) {
        archive->SetRootExpanded(expanded);
    } else {
        archive->SetExpanded(EntryIndex::OfNumber(node->folder), expanded);
    }
}

// ---- selection

void CCodeTree::SelectRowQuietly(int row) {
    FlagScope guard(selecting_);
    const QModelIndex index = model_.IndexOfRow(row);
    if (!index.isValid()) {
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    currentRow_ = row;
    model_.SetCurrentArchive(model_.Nodes()[static_cast<size_t>(row)].archive);
}

void CCodeTree::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    // With auto-scroll off (the pane scrolls a drag itself) Qt leaves this to us.
    if (current.isValid() && isVisible()) {
        scrollTo(current);
    }
    if (rebuilding_ || selecting_) {
        return;
    }
    const TreeNode* node = model_.Node(current);
    if (!node) {
        return;
    }
    if (host_.Busy()) {
        // The location cannot change while a command runs: the old node stays selected.
        SelectRowQuietly(currentRow_);
        return;
    }
    host_.NoteActivity();
    const int archive = node->archive;
    const int folder = node->folder;
    currentRow_ = model_.RowOf(current);
    host_.SelectArchiveFolder(archive, folder, false);
    model_.SetCurrentArchive(archive);
}

void CCodeTree::SelectFolder(int archive, int folder) {
    if (rebuilding_) {
        return;
    }
    setFocus(Qt::OtherFocusReason);
    emit activated();
    const QModelIndex index = model_.IndexOf(archive, folder);
    if (index.isValid() && index != currentIndex()) {
        SelectRowQuietly(model_.RowOf(index));
    } else if (index.isValid()) {
        currentRow_ = model_.RowOf(index);
        model_.SetCurrentArchive(archive);
    }
}

bool CCodeTree::UpOneLevel() {
    const TreeNode* node = model_.Node(currentIndex());
    if (!node || node->kind == TreeNode::kArchive) {
        return true;
    }
    setCurrentIndex(model_.IndexOfRow(node->parentRow));
    return false;
}

std::vector<int> CCodeTree::Gather(SelectionPurpose /*purpose*/) {
    const int row = dragRow_ >= 0 ? dragRow_ : currentRow_;
    const QModelIndex index = model_.IndexOfRow(row);
    const TreeNode* node = model_.Node(index);
    if (!node) {
        return {};
    }
    CCodeArchive* archive = host_.ArchiveAt(node->archive);
    if (!archive || archive->catalogueInFlux()) {
        return {};
    }
    return SelectionRules::TreeSelection(node->folder, archive->entryCount(), [archive](int number) {
        const CatalogueEntry* e = archive->Entry(EntryIndex::OfNumber(number));
        return e ? e->parent : -1;
    });
}

// ---- renaming

void CCodeTree::BeginRename() {
    const QModelIndex index = model_.IndexOfRow(currentRow_);
    if (index.isValid()) {
        edit(index, QAbstractItemView::EditKeyPressed, nullptr);
    }
}

bool CCodeTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (state() == EditingState) {
        return QTreeView::edit(index, trigger, event);
    }
    const TreeNode* node = model_.Node(index);
    if (rebuilding_ || host_.Busy() || !node || !TreeNodes::CanRename(*node)) {
        return false;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    if (PaneItemDelegate::ClickBesideLabel(trigger, event, itemDelegateForIndex(index), option, index)) {
        return false;
    }
    const CCodeArchive* archive = host_.ArchiveAt(node->archive);
    if (!archive || model_.Frozen(archive)) {
        return false;
    }
    pending_ = {};
    const bool result = QTreeView::edit(index, trigger, event);
    if (state() == EditingState && !editing_) {
        editing_ = true;
        editingIndex_ = index;
        host_.NoteActivity();
        emit labelEditingChanged(true);
    }
    return result;
}

void CCodeTree::AbandonEdit() {
    if (!editing_) {
        return;
    }
    pending_ = {};
    if (QWidget* editor = indexWidget(editingIndex_)) {
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }
    if (editing_) {
        editing_ = false;
        emit labelEditingChanged(false);
    }
}

void CCodeTree::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTreeView::closeEditor(editor, hint);
    if (!editing_) {
        return;
    }
    editing_ = false;
    emit labelEditingChanged(false);
    const PendingRename rename = std::exchange(pending_, PendingRename{});
    // The label is never changed here: a successful rename rebuilds the tree with the new name.
    if (rename.set && !host_.Busy()) {
        host_.Rename(rename.archive, rename.folder, rename.text);
    }
}

// ---- dragging

void CCodeTree::startDrag(Qt::DropActions /*supportedActions*/) {
    if (rebuilding_ || host_.Busy() || state() == EditingState) {
        return;
    }
    const TreeNode* node = model_.Node(currentIndex());
    if (!node || !TreeNodes::CanDrag(*node)) {
        return;
    }
    host_.NoteActivity();
    const int archive = node->archive;
    const int folder = node->folder;
    host_.SelectArchiveFolder(archive, folder, false);
    dragRow_ = model_.RowOf(model_.IndexOf(archive, folder));
    if (dragRow_ < 0) {
        return;
    }
    model_.SetBoldRow(dragRow_);
    host_.Drop().Clear();
    // Set before the drag loop, so that the targets show the move this drag will make.
    host_.SetInternalDrag(true);

    QPointer<QDrag> drag = new QDrag(this);
    drag->setMimeData(PaneDrag::MakeInternal());
    drag->setPixmap(PaneIcons::TreeImage(TreeNodes::kImageFolder).pixmap(16));
    const Qt::DropAction result =
        dragRunner_ ? dragRunner_(*drag) : drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    if (drag) {
        drag->deleteLater();
    }
    model_.SetBoldRow(-1);
    // Only a drop acts: a drag ended with Escape, or released where nothing accepts it, does nothing.
    if (result != Qt::IgnoreAction) {
        host_.DropItems();
    } else {
        host_.Drop().Clear();
    }
    host_.SetInternalDrag(false);
    dragRow_ = -1;
}

bool CCodeTree::Accepts(const QMimeData* data) const {
    return (PaneDrag::IsInternal(data) && host_.InternalDrag()) || PaneDrag::HasFiles(data);
}

Qt::DropAction CCodeTree::TrackDrag(const QPoint& pos, const QMimeData* data) {
    dragPos_ = pos;
    if (rebuilding_ || host_.Busy()) {
        return Qt::IgnoreAction;
    }
    DropTarget& target = host_.Drop();
    const TreeNode* node = model_.Node(indexAt(pos));
    const CCodeArchive* archive = node ? host_.ArchiveAt(node->archive) : nullptr;
    if (node && archive && !model_.Frozen(archive)) {
        model_.SetDropHighlightRow(model_.RowOf(indexAt(pos)));
        target.valid = DropTarget::kTree;
        target.archive = node->archive;
        target.folder = node->folder;
    } else {
        model_.SetDropHighlightRow(-1);
        target.Clear();
    }
    const bool internal = PaneDrag::IsInternal(data) && host_.InternalDrag();
    if (!internal) {
        // Files from the desktop are always offered: a dropped archive opens wherever it lands,
        // and the Workspace names a missing target for anything else.
        return Qt::CopyAction;
    }
    return ActionOf(DropEffectFor(target.IsSet(), true, target.archive == host_.CurrentArchive()));
}

void CCodeTree::dragEnterEvent(QDragEnterEvent* event) {
    host_.NoteActivity();
    if (!Accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    event->accept();
    dragPos_ = event->position().toPoint();
    dragScroll_.start();
}

void CCodeTree::dragMoveEvent(QDragMoveEvent* event) {
    host_.NoteActivity();
    if (!Accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    const Qt::DropAction action = TrackDrag(event->position().toPoint(), event->mimeData());
    if (action == Qt::IgnoreAction || !(event->possibleActions() & action)) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void CCodeTree::EndDragOver() {
    model_.SetDropHighlightRow(-1);
    dragScroll_.stop();
}

void CCodeTree::dragLeaveEvent(QDragLeaveEvent* event) {
    event->accept();
    if (rebuilding_) {
        return;
    }
    EndDragOver();
    host_.Drop().Clear();
}

void CCodeTree::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    const Qt::DropAction action =
        Accepts(data) ? TrackDrag(event->position().toPoint(), data) : Qt::IgnoreAction;
    EndDragOver();
    if (action == Qt::IgnoreAction || !(event->possibleActions() & action)) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
    if (PaneDrag::IsInternal(data) && host_.InternalDrag()) {
        return; // the pane that started the drag completes it once its drag loop returns
    }
    // Files from the desktop: accepted at once, imported once the drop has returned to the desktop.
    const QStringList paths = PaneDrag::LocalFiles(data);
    const DropTarget target = host_.Drop();
    QMetaObject::invokeMethod(
        this,
        [this, paths, target] {
            host_.Drop() = target;
            host_.DropFiles(paths);
        },
        Qt::QueuedConnection);
}

void CCodeTree::DragFinished() {
    EndDragOver();
}

void CCodeTree::DragScrollTick() {
    if (rebuilding_ || model_.rowCount() == 0) {
        return;
    }
    const int h = visualRect(model_.index(0, 0)).height();
    if (h <= 0) {
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    if (dragPos_.y() < h) {
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    } else if (dragPos_.y() > viewport()->height() - h) {
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
}

// ---- menus, mouse and keys

void CCodeTree::RunMenu(int menu, const QPoint& globalPos) {
    QMenu* built = ContextMenus::Build(menu, update_, this);
    QAction* chosen = menuRunner_ ? menuRunner_(*built, globalPos) : built->exec(globalPos);
    const int command = ContextMenus::CommandOf(chosen);
    built->deleteLater();
    if (command != 0) {
        emit commandRequested(command);
    }
}

void CCodeTree::contextMenuEvent(QContextMenuEvent* event) {
    host_.NoteActivity();
    event->accept();
    if (rebuilding_ || host_.Busy()) {
        return;
    }
    QModelIndex index;
    QPoint globalPos = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        index = indexAt(event->pos());
    } else {
        index = currentIndex();
        globalPos = viewport()->mapToGlobal(visualRect(index).center());
    }
    const TreeNode* node = model_.Node(index);
    if (!node) {
        return;
    }
    const int folder = node->folder;
    if (index != currentIndex()) {
        setCurrentIndex(index);
    }
    RunMenu(folder != 0 ? StringTable::kItemMenu : StringTable::kSpaceMenu, globalPos);
}

void CCodeTree::mousePressEvent(QMouseEvent* event) {
    host_.NoteActivity();
    // As in the list: the pane pressed is the active one, focus-in or not, so that a drag of the
    // current folder or its menu never acts on the list's selection.
    emit activated();
    QTreeView::mousePressEvent(event);
}

void CCodeTree::keyPressEvent(QKeyEvent* event) {
    host_.NoteActivity();
    if (AsksForContextMenu(*event) && state() != QAbstractItemView::EditingState) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        contextMenuEvent(&menu);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CCodeTree::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    emit activated();
}

} // namespace quorvane
