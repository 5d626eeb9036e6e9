#pragma once
// The contents pane: the items of the current folder in one of five view modes (0 small icons,
// 1 large icons, 2 thumbnails, 3 list, 4 details; "MLS"), sorted by six keys, with thumbnails drawn
// from the archive only for the items on screen, multiple selection, in-place renaming, image
// stepping, context menus and drag and drop onto folders of the list and the tree.
//
// One ContentsModel and one selection model are shown by an icon view (modes 0-3) and a details
// view with the six columns (mode 4). The Workspace fills the list through ContentsPane.
//
// The main window creates it with the Workspace as PaneHost and connects commandRequested (the
// context menus' commands, routed like the menu bar's), labelEditingChanged (its label-editing
// flag) and activated (the list became the active pane). It routes the list's view commands
// (8200-8219) to ExecuteCommand, reports the preview pane's visibility with SetPreviewVisible,
// forwards the engine's catalogue notifications to CatalogueAboutToChange / CatalogueChanged, and
// calls ArchiveClosing before an archive object goes away.
#include "ContentsModel.h"
#include "ContentsPane.h"
#include "ContentsSortState.h"
#include "ContentsView.h"
#include "ContextMenus.h"
#include "ThumbnailCache.h"

#include <QListView>
#include <QPoint>
#include <QTimer>
#include <QTreeView>
#include <QWidget>

#include <functional>
#include <vector>

class QDrag;
class QMenu;
class QStackedLayout;

namespace quorvane {

class CCodeArchive;
class ContentsDelegate;
class PaneHost;

class CCodeList : public QWidget, public ContentsPane, private ContentsViewHooks {
    Q_OBJECT

public:
    using IconView = ContentsView<QListView>;
    using DetailsView = ContentsView<QTreeView>;

    explicit CCodeList(PaneHost& host, QWidget* parent = nullptr);
    ~CCodeList() override;

    // ContentsPane
    std::vector<int> Gather(SelectionPurpose purpose) override;
    void RemoveAll() override;
    void ShowFolder(int archive, int folder, int entryCount) override;
    void InsertEntry(int number) override;
    void EndFill(bool sort) override;
    void SelectEntry(int number, bool rename) override;
    void UpdateItem(int number) override;
    void BeginRename() override;
    void ForgetReselect() override;
    void CommandEnded() override;
    void SetRedraw(bool on) override;
    int FocusedEntry() const override;
    int SelectedCount() const override;
    void OpenAt(int position) override;
    void Resort() override;
    void EndSlideshow() override;
    bool SlideshowRunning() const override;
    void DragFinished() override;

    // The list's commands: view next / previous file, the sort and view-mode commands, Select All,
    // Invert Selection, Automatic Advancement and Open. False for a command it does not carry out
    // (the slideshow's are the preview's), and for all of them while no archive is open.
    bool ExecuteCommand(int commandId);

    // View mode 0..4. Thumbnails needs an archive with thumbnails above 32 pixels; without one the
    // list shows large icons (with the 32-pixel thumbnails). Stored in the preferences ("MLS").
    void SetViewMode(int mode);
    int ViewMode() const { return viewMode_; }
    // The shown archive's thumbnail size index (0 none, 1..4 for 32..96 pixels).
    int ThumbSizeIndex() const { return model_.ThumbSizeIndex(); }
    const ContentsSortState& SortState() const { return sortState_; }

    void SelectAll();
    void InvertSelection();
    // Image stepping (folders and files that cannot be shown are passed over, wrapping at the
    // ends); false when there is no image. A step opens the image itself only while the preview is
    // hidden: with the preview visible the selection shows it.
    bool NextImage();
    bool PreviousImage();
    bool RandomImage();
    // The preview pane is on screen (Show All, Hide Archive): selecting an image opens it.
    void SetPreviewVisible(bool visible) { previewVisible_ = visible; }
    bool PreviewVisible() const { return previewVisible_; }

    // The engine is about to renumber or reload `archive`'s catalogue: the list drops its items and
    // draws nothing from the archive until the Workspace fills it again.
    void CatalogueAboutToChange(CCodeArchive* archive);
    void CatalogueChanged(CCodeArchive* archive);
    // `archive` closes: every thumbnail copied from it is wiped.
    void ArchiveClosing(CCodeArchive* archive);

    // The slideshow the list ends and asks about (the preview pane's), when there is one.
    void SetSlideshow(std::function<bool()> running, std::function<void()> end);
    // The states of the context menus' entries (the main window's command rules).
    void SetCommandUpdate(ContextMenus::Update update) { update_ = std::move(update); }

    ContentsModel& Model() { return model_; }
    ThumbnailCache& Thumbnails() { return cache_; }
    QAbstractItemView* CurrentView() const;
    IconView* Icons() const { return iconView_; }
    DetailsView* Details() const { return detailsView_; }
    bool Editing() const { return editing_; }
    // The first selected position, -1 when none.
    int FirstSelected() const;

    // How drags and context menus run; replaced by tests, which cannot enter the modal loops.
    using DragRunner = std::function<Qt::DropAction(QDrag& drag)>;
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPos)>;
    void SetDragRunner(DragRunner runner) { dragRunner_ = std::move(runner); }
    void SetMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }
    // One tick of the drag-scroll timer (48 ms while a drag is over the pane).
    void DragScrollTick();
    bool DragScrolling() const { return dragScroll_.isActive(); }

    static constexpr int kDragScrollInterval = 48;
    // A held key repeats every 25 to 50 ms: when no repeat has come for this long, it was let go.
    static constexpr int kHeldKeyPause = 100;
    static constexpr int kModeSmallIcons = 0;
    static constexpr int kModeLargeIcons = 1;
    static constexpr int kModeThumbnails = 2;
    static constexpr int kModeList = 3;
    static constexpr int kModeDetails = 4;

signals:
    void commandRequested(int commandId);
    void labelEditingChanged(bool editing);
    void activated();

private:
    // ContentsViewHooks
    bool MayEdit(const QModelIndex& index) override;
    void EditStarted(const QModelIndex& index) override;
    void EditClosed() override;
    void StartDrag() override;
    void DragEnter(QDragEnterEvent* event) override;
    void DragMove(QDragMoveEvent* event) override;
    void DragLeave(QDragLeaveEvent* event) override;
    void Drop(QDropEvent* event) override;
    void ContextMenu(QContextMenuEvent* event) override;
    void Step(bool forward) override;
    void Open(const QModelIndex& index) override;
    void Activity() override;
    void KeyRepeating(bool repeating) override { keyRepeating_ = repeating; }
    void Focused() override;
    void ViewportResized() override;
    // Starts a batch for the thumbnails of the items a paint of the icon view is about to draw (the
    // same items the paint draws, no others): while the paint draws one item, the engine's workers
    // decrypt the thumbnails of the next. Painted() ends the batch with the paint.
    void AboutToPaint(const QRect& exposed) override;
    void Painted() override;
    // Small icons and list: the column is kListColumnWidth wide, narrower when the pane is, so that
    // a row never wraps before its first item; every item is as wide as the column.
    void FitListColumn();

    struct PendingRename {
        bool set = false;
        int number = 0;
        QString text;
    };

    void ApplyViewMode();
    // The cell of the thumbnail maker the items' icons come from in the current mode.
    int ThumbnailCell() const;
    void DrawIcon(QPainter* painter, const QRect& rect, const QModelIndex& index);
    void SelectPosition(int position, bool rename);
    // Moves selection and focus from `from` (if any) to `to` and shows it.
    void MoveSelection(int from, int to);
    bool StepTo(int position);
    void SelectionChanged(const QItemSelection& selected);
    // The image at `position`, selected, into the preview (after the command that runs, if one does);
    // nothing for -1.
    void ShowSelected(int position);
    void ColumnClicked(int column);
    void UpdateSortIndicator();
    bool Accepts(const QMimeData* data) const;
    Qt::DropAction TrackDrag(const QPoint& pos, const QMimeData* data);
    void EndDragOver();
    void AbandonEdit();
    void TrimThumbnails();
    // Where the list stood in the folder it showed: kept when the folder is let go, so that a refill
    // of the same folder (after a delete, a move out of it, an import into it) leaves the view where
    // the user was instead of at the top.
    struct Place {
        CCodeArchive* archive = nullptr;
        int folder = 0;
        int position = -1; // the first selected row, -1 none
        int vertical = 0;
        int horizontal = 0;
        // With more than one selected: their entry numbers, and the one the keyboard stood on.
        std::vector<int> selected;
        int current = 0;
    };
    void RememberPlace();
    // Selects again those of the place's pictures still in the folder, with the keyboard where it
    // stood; false when none is left.
    bool RestoreSelection(const Place& place);
    void RunMenu(int menu, const QPoint& globalPos);
    QModelIndex IndexAt(int position) const;

    PaneHost& host_;
    ContentsModel model_;
    ThumbnailCache cache_;
    ContentsSortState sortState_;
    QStackedLayout* stack_;
    IconView* iconView_;
    DetailsView* detailsView_;
    ContentsDelegate* iconDelegate_;
    ContentsDelegate* detailsDelegate_;
    ContextMenus::Update update_;
    DragRunner dragRunner_;
    MenuRunner menuRunner_;
    std::function<bool()> slideshowRunning_;
    std::function<void()> endSlideshow_;
    QTimer dragScroll_;
    // A held key's repeats only move the selection; what they leave selected is shown once they
    // have stopped coming for kHeldKeyPause.
    QTimer showHeld_;
    QPoint dragPos_;
    PendingRename pending_;
    QPersistentModelIndex editingIndex_;
    int viewMode_ = kModeThumbnails;
    Place place_;
    int reselect_ = 0;         // entry number to select after the next fill, 0 none
    int openAfterCommand_ = 0; // image selected while a command ran, shown when it ends; 0 none
    // The archive the reselect number belongs to.
    CCodeArchive* reselectArchive_ = nullptr;
    bool previewVisible_ = true;
    bool editing_ = false;
    bool dragging_ = false;
    bool keyRepeating_ = false;
};

} // namespace quorvane
