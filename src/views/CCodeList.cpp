#include "CCodeList.h"

#include "CCodeArchive.h"
#include "CThumbnailMaker.h"
#include "CommandIds.h"
#include "ContentsDelegate.h"
#include "DropTarget.h"
#include "ImageStepping.h"
#include "PaneDrag.h"
#include "PaneHost.h"
#include "PaneIcons.h"
#include "Preferences.h"
#include "SelectionRules.h"
#include "StringTable.h"

#include <QDrag>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStackedLayout>
#include <QStyle>

#include <algorithm>
#include <utility>

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

// Width of a column of the small-icon and list modes.
constexpr int kListColumnWidth = 180;
constexpr int kMinListColumnWidth = 48;
// Between the labels of neighbouring cells in the large-icon and thumbnail modes.
constexpr int kIconGap = 4;

} // namespace

CCodeList::CCodeList(PaneHost& host, QWidget* parent)
    : QWidget(parent)
    , host_(host)
    , model_(host)
    , stack_(new QStackedLayout(this))
    , iconView_(new IconView(*this, this))
    , detailsView_(new DetailsView(*this, this))
    , iconDelegate_(new ContentsDelegate(this))
    , detailsDelegate_(new ContentsDelegate(this)) {
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->addWidget(iconView_);
    stack_->addWidget(detailsView_);

    for (ContentsDelegate* delegate : {iconDelegate_, detailsDelegate_}) {
        delegate->drawIcon = [this](QPainter* painter, const QRect& rect, const QModelIndex& index) {
            DrawIcon(painter, rect, index);
        };
        delegate->onCommit = [this](const QModelIndex& index, const QString& text) {
            const int number = model_.NumberAt(index.row());
            if (number != 0) {
                pending_ = {true, number, text};
            }
        };
    }
    detailsDelegate_->SetIconSize(CThumbnailMaker::kCellSize[0]);

    iconView_->setModel(&model_);
    iconView_->setItemDelegate(iconDelegate_);
    detailsView_->setModel(&model_);
    detailsView_->setItemDelegate(detailsDelegate_);
    // One selection for both views.
    QItemSelectionModel* own = detailsView_->selectionModel();
    detailsView_->setSelectionModel(iconView_->selectionModel());
    delete own;

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(iconView_), static_cast<QAbstractItemView*>(detailsView_)}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
        view->setDragDropMode(QAbstractItemView::DragDrop);
        view->setDragEnabled(true);
        view->setAcceptDrops(true);
        view->viewport()->setAcceptDrops(true);
        view->setDropIndicatorShown(false);
        // The list scrolls a drag itself (DragScrollTick).
        view->setAutoScroll(false);
        view->setFrameShape(QFrame::StyledPanel);
    }
    detailsView_->setRootIsDecorated(false);
    detailsView_->setItemsExpandable(false);
    detailsView_->setUniformRowHeights(true);
    detailsView_->setAllColumnsShowFocus(true);
    detailsView_->setIconSize(QSize(CThumbnailMaker::kCellSize[0], CThumbnailMaker::kCellSize[0]));
    QHeaderView* header = detailsView_->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(true);
    header->setSortIndicatorShown(true);
    header->setStretchLastSection(false);
    for (int column = 0; column < ContentsModel::kColumnCount; ++column) {
        header->resizeSection(column, ContentsModel::ColumnWidth(column));
    }
    connect(header, &QHeaderView::sectionClicked, this, &CCodeList::ColumnClicked);
    // A reset (a fill, the catalogue changing) takes the edited item away: the edit ends unsaved,
    // and the main window hears that it ended.
    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this, &CCodeList::AbandonEdit);
    connect(iconView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& /*deselected*/) {
                SelectionChanged(selected);
            });

    dragScroll_.setInterval(kDragScrollInterval);
    connect(&dragScroll_, &QTimer::timeout, this, &CCodeList::DragScrollTick);
    showHeld_.setSingleShot(true);
    showHeld_.setInterval(kHeldKeyPause);
    connect(&showHeld_, &QTimer::timeout, this, [this] { ShowSelected(FirstSelected()); });

    viewMode_ = std::clamp(host_.Prefs().listViewMode, kModeSmallIcons, kModeDetails);
    ApplyViewMode();
    UpdateSortIndicator();
}

CCodeList::~CCodeList() = default;

QAbstractItemView* CCodeList::CurrentView() const {
    if (viewMode_ == kModeDetails) {
        return detailsView_;
    }
    return iconView_;
}

QModelIndex CCodeList::IndexAt(int position) const {
    return model_.index(position, 0);
}

// ---- view modes

int CCodeList::ThumbnailCell() const {
    switch (viewMode_) {
    case kModeLargeIcons:
        return 1;
    case kModeThumbnails:
        return std::clamp(model_.ThumbSizeIndex(), 1, CThumbnailMaker::kCellCount - 1);
    default:
        return 0;
    }
}

void CCodeList::ApplyViewMode() {
    const int iconSize = CThumbnailMaker::kCellSize[ThumbnailCell()];
    iconDelegate_->SetIconSize(iconSize);
    iconDelegate_->SetItemWidth(0);
    if (viewMode_ == kModeDetails) {
        stack_->setCurrentWidget(detailsView_);
    } else {
        IconView* view = iconView_;
        const int line = view->fontMetrics().height();
        const bool icons = viewMode_ == kModeLargeIcons || viewMode_ == kModeThumbnails;
        // setViewMode resets flow, wrapping, movement and the grid: everything is set after it.
        view->setViewMode(icons ? QListView::IconMode : QListView::ListMode);
        view->setMovement(QListView::Static);
        view->setResizeMode(QListView::Adjust);
        view->setLayoutMode(QListView::SinglePass);
        view->setUniformItemSizes(true);
        view->setWrapping(true);
        view->setIconSize(QSize(iconSize, iconSize));
        view->setDragDropMode(QAbstractItemView::DragDrop);
        view->setDragEnabled(true);
        view->setAcceptDrops(true);
        // QListView's mode switch leaves the viewport, which receives the drags, refusing drops.
        view->viewport()->setAcceptDrops(true);
        if (icons) {
            view->setFlow(QListView::LeftToRight);
            view->setWordWrap(true);
            view->setTextElideMode(Qt::ElideRight);
            view->setSpacing(0);
            const QSize grid(std::max(iconSize + 32, 80), iconSize + 2 * line + 12);
            view->setGridSize(grid);
            // The view takes one size for every item (the last one's): each gets its cell's width.
            iconDelegate_->SetItemWidth(grid.width() - kIconGap);
        } else {
            view->setFlow(viewMode_ == kModeList ? QListView::TopToBottom : QListView::LeftToRight);
            view->setWordWrap(false);
            view->setTextElideMode(Qt::ElideRight);
            view->setSpacing(0);
            view->setGridSize(QSize(kListColumnWidth, std::max(iconSize, line) + 4));
            FitListColumn();
        }
        stack_->setCurrentWidget(iconView_);
    }
    setFocusProxy(CurrentView());
    CurrentView()->scrollToTop();
    CurrentView()->horizontalScrollBar()->setValue(0);
}

void CCodeList::SetViewMode(int mode) {
    if (mode < kModeSmallIcons || mode > kModeDetails) {
        return;
    }
    if (mode == kModeThumbnails && model_.Showing() && model_.ThumbSizeIndex() < 2) {
        mode = kModeLargeIcons;
    }
    host_.Prefs().listViewMode = mode;
    if (mode == viewMode_) {
        return;
    }
    const bool hadFocus = CurrentView()->hasFocus();
    AbandonEdit();
    viewMode_ = mode;
    ApplyViewMode();
    Resort();
    if (hadFocus) {
        CurrentView()->setFocus();
    }
    if (const QModelIndex current = CurrentView()->currentIndex(); current.isValid()) {
        CurrentView()->scrollTo(current);
    }
}

// ---- filling

void CCodeList::RememberPlace() {
    if (!model_.Showing() || model_.Count() == 0) {
        return; // emptied before the refill: the place taken then still holds
    }
    const QAbstractItemView* view = CurrentView();
    place_ = {};
    place_.archive = host_.ArchiveAt(model_.ShownArchive());
    place_.folder = model_.ShownFolder();
    place_.position = FirstSelected();
    place_.vertical = view->verticalScrollBar()->value();
    place_.horizontal = view->horizontalScrollBar()->value();
    const QItemSelectionModel* selection = iconView_->selectionModel();
    const QModelIndexList rows = selection->selectedRows();
    if (rows.size() > 1) {
        for (const QModelIndex& row : rows) {
            place_.selected.push_back(model_.NumberAt(row.row()));
        }
        place_.current = FocusedEntry();
    }
}

bool CCodeList::RestoreSelection(const Place& place) {
    QItemSelection restored;
    for (const int number : place.selected) {
        const int position = model_.PositionOf(number);
        if (position >= 0) {
            restored.select(IndexAt(position), IndexAt(position));
        }
    }
    if (restored.isEmpty()) {
        return false;
    }
    QItemSelectionModel* selection = iconView_->selectionModel();
    selection->select(restored, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const int current = model_.PositionOf(place.current);
    if (current >= 0) {
        selection->setCurrentIndex(IndexAt(current), QItemSelectionModel::NoUpdate);
    }
    return true;
}

void CCodeList::RemoveAll() {
    RememberPlace();
    openAfterCommand_ = 0;
    showHeld_.stop();
    AbandonEdit();
    EndDragOver();
    model_.RemoveAll();
    TrimThumbnails();
}

void CCodeList::ShowFolder(int archive, int folder, int /*entryCount*/) {
    AbandonEdit();
    EndDragOver();
    model_.ShowFolder(archive, folder);
    sortState_.FolderShown();
    if (viewMode_ == kModeThumbnails && model_.ThumbSizeIndex() <= 1) {
        SetViewMode(kModeLargeIcons);
    } else {
        ApplyViewMode();
    }
    TrimThumbnails();
}

void CCodeList::InsertEntry(int number) {
    model_.InsertEntry(number);
}

void CCodeList::EndFill(bool sort) {
    model_.EndFill();
    if (sort) {
        Resort();
    }
    const Place place = std::exchange(place_, {});
    const bool refill = place.archive != nullptr && place.archive == host_.ArchiveAt(model_.ShownArchive()) &&
                        place.folder == model_.ShownFolder();
    if (refill) {
        // Laid out now, so that the scroll bars have their new ranges.
        QAbstractItemView* view = CurrentView();
        view->doItemsLayout();
        view->verticalScrollBar()->setValue(place.vertical);
        view->horizontalScrollBar()->setValue(place.horizontal);
    }
    // Numbers are an archive's own: in another archive the same number is some other picture.
    if (reselect_ > 0 && reselectArchive_ == host_.ArchiveAt(model_.ShownArchive())) {
        const int position = model_.PositionOf(reselect_);
        if (refill && RestoreSelection(place)) {
            // A refill of the same folder (an import into it, a copy out of it) keeps every picture
            // the user had selected, so that the next command still acts on all of them.
        } else if (position >= 0) {
            SelectPosition(position, false);
        } else if (refill && place.position >= 0) {
            // The item left the folder (deleted, moved out): the one that took its row is selected,
            // as in a file manager, so that the next key goes on from there.
            SelectPosition(place.position, false);
        }
    }
}

void CCodeList::TrimThumbnails() {
    std::vector<CCodeArchive*> open;
    for (int slot = 1; slot <= host_.ArchiveCount(); ++slot) {
        if (CCodeArchive* archive = host_.ArchiveAt(slot)) {
            open.push_back(archive);
        }
    }
    cache_.KeepOnly(open);
}

void CCodeList::CatalogueAboutToChange(CCodeArchive* archive) {
    // Compared by address: the archive already refuses reads.
    if (model_.Showing() && host_.ArchiveAt(model_.ShownArchive()) == archive) {
        EndDragOver();
        RememberPlace();
    }
    model_.CatalogueAboutToChange(archive);
}

void CCodeList::CatalogueChanged(CCodeArchive* archive) {
    model_.CatalogueChanged(archive);
    // Thumbnails of the old generation can never be shown again.
    TrimThumbnails();
}

void CCodeList::ArchiveClosing(CCodeArchive* archive) {
    if (model_.Showing() && host_.ArchiveAt(model_.ShownArchive()) == archive) {
        RemoveAll();
    }
    // Another archive may later come to the same address.
    if (place_.archive == archive) {
        place_ = {};
    }
    if (reselectArchive_ == archive) {
        ForgetReselect();
    }
    cache_.DropArchive(archive);
}

void CCodeList::UpdateItem(int number) {
    model_.UpdateEntry(number);
}

void CCodeList::ForgetReselect() {
    reselect_ = 0;
    reselectArchive_ = nullptr;
    // The numbers may name other entries now.
    place_.selected.clear();
    place_.current = 0;
}

void CCodeList::SetRedraw(bool on) {
    setUpdatesEnabled(on);
}

// ---- sorting

void CCodeList::Resort() {
    if (model_.Showing()) {
        model_.Sort(sortState_.sortKey);
    }
    UpdateSortIndicator();
}

void CCodeList::UpdateSortIndicator() {
    detailsView_->header()->setSortIndicator(
        sortState_.sortColumn, sortState_.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void CCodeList::ColumnClicked(int column) {
    Activity();
    if (!model_.Showing() || host_.Busy()) {
        UpdateSortIndicator();
        return;
    }
    sortState_.ColumnClick(column);
    Resort();
}

// ---- selection

int CCodeList::FirstSelected() const {
    int first = -1;
    for (const QItemSelectionRange& range : iconView_->selectionModel()->selection()) {
        if (range.left() == 0 && (first < 0 || range.top() < first)) {
            first = range.top();
        }
    }
    return first < model_.Count() ? first : -1;
}

int CCodeList::SelectedCount() const {
    int count = 0;
    const QItemSelectionModel* selection = iconView_->selectionModel();
    for (int position = 0; position < model_.Count(); ++position) {
        count += selection->isSelected(IndexAt(position)) ? 1 : 0;
    }
    return count;
}

int CCodeList::FocusedEntry() const {
    const QModelIndex current = iconView_->selectionModel()->currentIndex();
    return current.isValid() ? model_.NumberAt(current.row()) : 0;
}

std::vector<int> CCodeList::Gather(SelectionPurpose /*purpose*/) {
    std::vector<ListSelectionRow> rows(static_cast<size_t>(model_.Count()));
    const QItemSelectionModel* selection = iconView_->selectionModel();
    for (int position = 0; position < model_.Count(); ++position) {
        rows[static_cast<size_t>(position)] = {model_.NumberAt(position),
                                               selection->isSelected(IndexAt(position))};
    }
    return SelectionRules::ListSelection(rows);
}

void CCodeList::MoveSelection(int from, int to) {
    QItemSelectionModel* selection = iconView_->selectionModel();
    if (from >= 0) {
        selection->select(IndexAt(from), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }
    selection->setCurrentIndex(IndexAt(to), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    CurrentView()->scrollTo(IndexAt(to));
}

void CCodeList::SelectPosition(int position, bool rename) {
    if (model_.Count() == 0 || position < 0) {
        return;
    }
    position = std::min(position, model_.Count() - 1);
    MoveSelection(FirstSelected(), position);
    if (rename && MayEdit(IndexAt(position))) {
        CurrentView()->edit(IndexAt(position));
    }
}

void CCodeList::SelectEntry(int number, bool rename) {
    if (model_.Count() == 0) {
        return;
    }
    CurrentView()->setFocus(Qt::OtherFocusReason);
    emit activated();
    const int position = model_.PositionOf(number);
    if (position >= 0) {
        SelectPosition(position, rename);
    }
}

void CCodeList::SelectAll() {
    if (model_.Count() == 0) {
        return;
    }
    iconView_->selectionModel()->select(QItemSelection(IndexAt(0), IndexAt(model_.Count() - 1)),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void CCodeList::InvertSelection() {
    if (model_.Count() == 0) {
        return;
    }
    iconView_->selectionModel()->select(QItemSelection(IndexAt(0), IndexAt(model_.Count() - 1)),
                                        QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void CCodeList::SelectionChanged(const QItemSelection& selected) {
    const int first = FirstSelected();
    if (first < 0 || !selected.contains(IndexAt(first))) {
        return;
    }
    reselect_ = model_.NumberAt(first);
    reselectArchive_ = host_.ArchiveAt(model_.ShownArchive());
    // A held arrow key selects faster than large pictures decode: decoding each, or even one between
    // repeats, leaves repeats queued behind it that walk the list on after the key is let go.
    if (keyRepeating_) {
        showHeld_.start();
        return;
    }
    showHeld_.stop();
    ShowSelected(first);
}

void CCodeList::ShowSelected(int position) {
    const ContentsRow* row = model_.RowAt(position);
    if (!previewVisible_ || !row || !row->Showable()) {
        return;
    }
    // A command's own selection (or a click while its progress window runs): the command owns the
    // preview until it ends.
    if (host_.Busy()) {
        openAfterCommand_ = model_.NumberAt(position);
        return;
    }
    OpenAt(position);
}

void CCodeList::CommandEnded() {
    const int number = std::exchange(openAfterCommand_, 0);
    const int first = FirstSelected();
    if (number != 0 && previewVisible_ && !host_.Busy() && first >= 0 && model_.NumberAt(first) == number) {
        OpenAt(first);
    }
}

void CCodeList::OpenAt(int position) {
    if (position == -1) {
        position = FirstSelected();
    }
    const int number = model_.NumberAt(position);
    if (number == 0 || host_.Busy()) {
        return;
    }
    CurrentView()->viewport()->update();
    host_.OpenEntry(number);
}

// ---- stepping

bool CCodeList::StepTo(int position) {
    if (position < 0) {
        return false;
    }
    const QModelIndex current = iconView_->selectionModel()->currentIndex();
    MoveSelection(ImageStepping::Anchor(FirstSelected(), current.isValid() ? current.row() : -1), position);
    if (!previewVisible_) {
        OpenAt(position);
    }
    return true;
}

bool CCodeList::NextImage() {
    const QModelIndex current = iconView_->selectionModel()->currentIndex();
    const int anchor = ImageStepping::Anchor(FirstSelected(), current.isValid() ? current.row() : -1);
    return StepTo(ImageStepping::Next(model_.Count(), anchor, [this](int p) {
        const ContentsRow* row = model_.RowAt(p);
        return row && row->Showable();
    }));
}

bool CCodeList::PreviousImage() {
    const QModelIndex current = iconView_->selectionModel()->currentIndex();
    const int anchor = ImageStepping::Anchor(FirstSelected(), current.isValid() ? current.row() : -1);
    return StepTo(ImageStepping::Previous(model_.Count(), anchor, [this](int p) {
        const ContentsRow* row = model_.RowAt(p);
        return row && row->Showable();
    }));
}

bool CCodeList::RandomImage() {
    const int random = static_cast<int>(QRandomGenerator::global()->bounded(32768));
    return StepTo(ImageStepping::Random(model_.Count(), random, [this](int p) {
        const ContentsRow* row = model_.RowAt(p);
        return row && row->Showable();
    }));
}

void CCodeList::Step(bool forward) {
    if (host_.Busy()) {
        return;
    }
    if (forward) {
        NextImage();
    } else {
        PreviousImage();
    }
}

// ---- commands

bool CCodeList::ExecuteCommand(int commandId) {
    if (host_.ArchiveCount() == 0 || host_.Busy()) {
        return false;
    }
    host_.NoteActivity();
    switch (commandId) {
    case kCmdNextImage:
        NextImage();
        return true;
    case kCmdPreviousImage:
        PreviousImage();
        return true;
    case kCmdViewSmallIcons:
        SetViewMode(kModeSmallIcons);
        return true;
    case kCmdViewLargeIcons:
        SetViewMode(kModeLargeIcons);
        return true;
    case kCmdViewThumbnails:
        SetViewMode(kModeThumbnails);
        return true;
    case kCmdViewList:
        SetViewMode(kModeList);
        return true;
    case kCmdViewDetails:
        SetViewMode(kModeDetails);
        return true;
    case kCmdSelectAll:
        SelectAll();
        return true;
    case kCmdInvertSelection:
        InvertSelection();
        return true;
    case kCmdAutoAdvance:
        host_.Prefs().slideAutoAdvance = host_.Prefs().slideAutoAdvance != 0 ? 0 : 1;
        return true;
    case kCmdOpenItem:
        OpenAt(-1);
        return true;
    default:
        break;
    }
    if (sortState_.MenuSort(commandId)) {
        Resort();
        return true;
    }
    return false;
}

void CCodeList::SetSlideshow(std::function<bool()> running, std::function<void()> end) {
    slideshowRunning_ = std::move(running);
    endSlideshow_ = std::move(end);
}

void CCodeList::EndSlideshow() {
    if (SlideshowRunning() && endSlideshow_) {
        endSlideshow_();
    }
}

bool CCodeList::SlideshowRunning() const {
    return slideshowRunning_ && slideshowRunning_();
}

// ---- drawing

void CCodeList::DrawIcon(QPainter* painter, const QRect& rect, const QModelIndex& index) {
    const int icon = model_.ListIconAt(index.row());
    if (icon == 0) {
        // The only place a thumbnail is rendered: an item being painted, never while a command runs.
        // On a dense screen the copy is made at the screen's whole-number ratio (each stored pixel a
        // block of device pixels), so that it is drawn pixel for pixel rather than smoothed up.
        CCodeArchive* archive = model_.Archive();
        const int scale = ThumbnailCache::ScaleFor(painter->device()->devicePixelRatioF());
        const QImage* image = archive ? cache_.Fetch(*archive, model_.NumberAt(index.row()), ThumbnailCell(),
                                                     !host_.Busy(), scale)
                                      : nullptr;
        if (image) {
            // The copy may be the cell's opaque part only, at its offset in the cell.
            const int side = CThumbnailMaker::kCellSize[ThumbnailCell()];
            if (rect.width() == side && rect.height() == side) {
                painter->drawImage(rect.topLeft() + image->offset(), *image);
            } else {
                const qreal sx = static_cast<qreal>(rect.width()) / side;
                const qreal sy = static_cast<qreal>(rect.height()) / side;
                const QSizeF size = image->deviceIndependentSize();
                painter->drawImage(QRectF(rect.x() + image->offset().x() * sx,
                                          rect.y() + image->offset().y() * sy, size.width() * sx,
                                          size.height() * sy),
                                   *image);
            }
            return;
        }
    }
    painter->drawPixmap(rect,
                        PaneIcons::ListIcon(icon, rect.width(), painter->device()->devicePixelRatioF()));
}

void CCodeList::AboutToPaint(const QRect& exposed) {
    QAbstractItemView* view = CurrentView();
    CCodeArchive* archive = model_.Archive();
    // The icon view's rows run left to right and wrap: their cells go down the view row by row.
    if (view != iconView_ || iconView_->flow() != QListView::LeftToRight || !archive || host_.Busy() ||
        model_.Count() == 0 || exposed.isEmpty()) {
        return;
    }
    // The first item that reaches down into the exposed part; then every item up to the first that
    // starts below it.
    int low = 0;
    int high = model_.Count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (view->visualRect(IndexAt(middle)).bottom() < exposed.top()) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    const int cell = ThumbnailCell();
    const int scale = ThumbnailCache::ScaleFor(view->viewport()->devicePixelRatioF());
    // Never more than half the cache: what is rendered here must still be there when it is drawn.
    const size_t room = cache_.capacity() / size_t(scale * scale) / 2;
    std::vector<int> numbers;
    for (int position = low; position < model_.Count() && numbers.size() < room; ++position) {
        const QRect rect = view->visualRect(IndexAt(position));
        if (rect.top() > exposed.bottom()) {
            break;
        }
        if (rect.intersects(exposed) && model_.ListIconAt(position) == 0) {
            numbers.push_back(model_.NumberAt(position));
        }
    }
    cache_.Prepare(*archive, numbers, cell, scale);
}

void CCodeList::Painted() {
    cache_.Finish();
}

// ---- renaming

void CCodeList::BeginRename() {
    const QModelIndex current = iconView_->selectionModel()->currentIndex();
    if (current.isValid() && MayEdit(IndexAt(current.row()))) {
        CurrentView()->edit(IndexAt(current.row()));
    }
}

bool CCodeList::MayEdit(const QModelIndex& index) {
    return index.isValid() && !dragging_ && model_.Showing() && model_.Archive() != nullptr && !host_.Busy();
}

void CCodeList::EditStarted(const QModelIndex& index) {
    if (editing_) {
        return;
    }
    editing_ = true;
    editingIndex_ = index;
    pending_ = {};
    host_.NoteActivity();
    emit labelEditingChanged(true);
}

void CCodeList::EditClosed() {
    if (!editing_) {
        return;
    }
    editing_ = false;
    emit labelEditingChanged(false);
    const PendingRename rename = std::exchange(pending_, PendingRename{});
    if (!rename.set || !model_.Showing() || host_.Busy()) {
        return;
    }
    // The new label stays only when the Workspace renamed the entry; it then reads as stored (the
    // engine keeps a file's extension whatever was typed).
    if (host_.Rename(model_.ShownArchive(), rename.number, rename.text) == 0) {
        model_.UpdateEntry(rename.number);
    }
}

void CCodeList::AbandonEdit() {
    if (!editing_) {
        return;
    }
    pending_ = {};
    QAbstractItemView* view = CurrentView();
    if (QWidget* editor = view->indexWidget(editingIndex_)) {
        auto* delegate = view == detailsView_ ? detailsDelegate_ : iconDelegate_;
        emit delegate->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }
    if (editing_) {
        editing_ = false;
        emit labelEditingChanged(false);
    }
}

// ---- dragging

void CCodeList::StartDrag() {
    if (host_.Busy() || editing_ || !model_.Showing() || FirstSelected() < 0) {
        return;
    }
    host_.NoteActivity();
    host_.Drop().Clear();
    // Set before the drag loop: the targets show the move or copy this drag will make.
    host_.SetInternalDrag(true);
    dragging_ = true;
    QPointer<QDrag> drag = new QDrag(this);
    drag->setMimeData(PaneDrag::MakeInternal());
    drag->setPixmap(PaneIcons::ListIcon(model_.ListIconAt(FirstSelected()) == 3 ? 3 : 2, 32));
    const Qt::DropAction result =
        dragRunner_ ? dragRunner_(*drag) : drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    if (drag) {
        drag->deleteLater();
    }
    dragging_ = false;
    EndDragOver();
    // Only a drop acts: a drag ended with Escape, or released where nothing accepts it, does nothing.
    if (result != Qt::IgnoreAction) {
        host_.DropItems();
    } else {
        host_.Drop().Clear();
    }
    host_.SetInternalDrag(false);
}

bool CCodeList::Accepts(const QMimeData* data) const {
    return (PaneDrag::IsInternal(data) && host_.InternalDrag()) || PaneDrag::HasFiles(data);
}

Qt::DropAction CCodeList::TrackDrag(const QPoint& pos, const QMimeData* data) {
    dragPos_ = pos;
    if (host_.Busy()) {
        return Qt::IgnoreAction;
    }
    const bool internal = PaneDrag::IsInternal(data) && host_.InternalDrag();
    DropTarget& target = host_.Drop();
    if (!model_.Showing() || !model_.Archive()) {
        model_.SetDropHighlight(-1);
        target.Clear();
        return internal ? Qt::IgnoreAction : Qt::CopyAction;
    }
    // A folder that is not itself being dragged takes the drop; anywhere else the shown folder does.
    const QModelIndex under = CurrentView()->indexAt(pos);
    int candidate = -1;
    if (under.isValid()) {
        const ContentsRow* row = model_.RowAt(under.row());
        if (row && row->container != 0 && !iconView_->selectionModel()->isSelected(IndexAt(under.row()))) {
            candidate = under.row();
        }
    }
    if (candidate != model_.DropHighlight()) {
        model_.SetDropHighlight(candidate);
        if (candidate >= 0) {
            CurrentView()->scrollTo(IndexAt(candidate));
        }
    }
    target.valid = DropTarget::kList;
    target.archive = model_.ShownArchive();
    target.folder = candidate >= 0 ? model_.NumberAt(candidate) : model_.ShownFolder();
    if (!internal) {
        return Qt::CopyAction;
    }
    return ActionOf(DropEffectFor(target.IsSet(), true, target.archive == host_.CurrentArchive()));
}

void CCodeList::DragEnter(QDragEnterEvent* event) {
    host_.NoteActivity();
    if (!Accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    event->accept();
    dragPos_ = event->position().toPoint();
    dragScroll_.start();
}

void CCodeList::DragMove(QDragMoveEvent* event) {
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

void CCodeList::EndDragOver() {
    model_.SetDropHighlight(-1);
    dragScroll_.stop();
}

void CCodeList::DragLeave(QDragLeaveEvent* event) {
    event->accept();
    EndDragOver();
    host_.Drop().Clear();
}

void CCodeList::Drop(QDropEvent* event) {
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

void CCodeList::DragFinished() {
    EndDragOver();
}

void CCodeList::DragScrollTick() {
    if (model_.Count() == 0) {
        return;
    }
    QAbstractItemView* view = CurrentView();
    const int h = view->visualRect(IndexAt(0)).height();
    if (h <= 0) {
        return;
    }
    const int y = dragPos_.y();
    const int bottom = view->viewport()->height();
    QScrollBar* bar = view->verticalScrollBar();
    if (viewMode_ == kModeList) {
        // The list mode runs in columns: it scrolls sideways.
        bar = view->horizontalScrollBar();
    }
    int lines = 0;
    if (viewMode_ == kModeDetails) {
        lines -= (y < 2 * h ? 1 : 0) + (y < h ? 1 : 0);
        lines += (y > bottom - h ? 1 : 0) + (y > bottom ? 1 : 0);
    } else {
        lines -= y < h / 2 ? 1 : 0;
        lines += y > bottom - h / 2 ? 1 : 0;
    }
    for (; lines < 0; ++lines) {
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    for (; lines > 0; --lines) {
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
}

// ---- menus, keys, focus

void CCodeList::RunMenu(int menu, const QPoint& globalPos) {
    QMenu* built = ContextMenus::Build(menu, update_, this);
    QAction* chosen = menuRunner_ ? menuRunner_(*built, globalPos) : built->exec(globalPos);
    const int command = ContextMenus::CommandOf(chosen);
    built->deleteLater();
    if (command != 0) {
        emit commandRequested(command);
    }
}

void CCodeList::ContextMenu(QContextMenuEvent* event) {
    host_.NoteActivity();
    event->accept();
    if (host_.Busy()) {
        return;
    }
    QAbstractItemView* view = CurrentView();
    QModelIndex index;
    QPoint globalPos = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        index = view->indexAt(event->pos());
    } else {
        const QModelIndex current = view->currentIndex();
        if (current.isValid() && view->selectionModel()->isSelected(current)) {
            index = current;
            globalPos = view->viewport()->mapToGlobal(view->visualRect(current).center());
        } else {
            globalPos = view->viewport()->mapToGlobal(QPoint(8, 8));
        }
    }
    RunMenu(index.isValid() ? StringTable::kItemMenu : StringTable::kSpaceMenu, globalPos);
}

void CCodeList::Open(const QModelIndex& index) {
    OpenAt(index.isValid() ? index.row() : -1);
}

void CCodeList::Activity() {
    host_.NoteActivity();
}

void CCodeList::Focused() {
    emit activated();
}

void CCodeList::ViewportResized() {
    FitListColumn();
}

void CCodeList::FitListColumn() {
    if (viewMode_ != kModeSmallIcons && viewMode_ != kModeList) {
        return;
    }
    // QListView lays a row out in the viewport less a vertical scroll bar's width (whether one is
    // shown or not) and starts a new line once the next cell would reach that edge, even when the
    // line is still empty: a cell that wide would leave the first line blank.
    int room = iconView_->maximumViewportSize().width();
    if (iconView_->verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded) {
        room -= iconView_->verticalScrollBar()->sizeHint().width();
        if (iconView_->style()->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr,
                                          iconView_)) {
            room -= 2 * iconView_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, iconView_);
        }
    }
    const int width = std::clamp(room - 1, kMinListColumnWidth, kListColumnWidth);
    if (iconView_->gridSize().width() == width && iconDelegate_->ItemWidth() == width) {
        return;
    }
    iconDelegate_->SetItemWidth(width);
    iconView_->setGridSize(QSize(width, iconView_->gridSize().height()));
}

} // namespace quorvane
