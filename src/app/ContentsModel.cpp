#include "ContentsModel.h"

#include "CCodeArchive.h"
#include "PaneHost.h"

#include <algorithm>
#include <utility>

namespace quorvane {

namespace {

struct ColumnInfo {
    const char* title;
    int width;
    int field;
};

constexpr ColumnInfo kColumns[ContentsModel::kColumnCount] = {
    {"Name", 120, kFieldName},         {"Size", 56, kFieldSize},
    {"Type", 70, kFieldType},          {"Dimensions", 70, kFieldDimensions},
    {"Modified", 120, kFieldModified}, {"Comment", 120, kFieldComment},
};

bool ValidColumn(int column) {
    return column >= 0 && column < ContentsModel::kColumnCount;
}

} // namespace

QString ContentsModel::ColumnTitle(int column) {
    return ValidColumn(column) ? QString::fromLatin1(kColumns[column].title) : QString();
}

int ContentsModel::ColumnWidth(int column) {
    return ValidColumn(column) ? kColumns[column].width : 0;
}

Qt::Alignment ContentsModel::ColumnAlignment(int column) {
    return (column == kSize ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

int ContentsModel::ColumnField(int column) {
    return ValidColumn(column) ? kColumns[column].field : -1;
}

ContentsModel::ContentsModel(PaneHost& host, QObject* parent)
    : QAbstractTableModel(parent)
    , host_(host) {}

CCodeArchive* ContentsModel::Archive() const {
    if (!showing_ || frozen_) {
        return nullptr;
    }
    // Compared by address only: the object the rows came from may be gone already.
    CCodeArchive* archive = host_.ArchiveAt(archiveSlot_);
    if (!archive || archive != archive_ || archive->catalogueInFlux() ||
        archive->catalogueGeneration() != generation_) {
        return nullptr;
    }
    return archive;
}

void ContentsModel::RemoveAll() {
    beginResetModel();
    items_.clear();
    pending_.clear();
    filling_ = false;
    showing_ = false;
    frozen_ = false;
    archive_ = nullptr;
    archiveSlot_ = 0;
    folder_ = 0;
    thumbSizeIndex_ = 0;
    highlight_ = -1;
    endResetModel();
}

void ContentsModel::ShowFolder(int archive, int folder) {
    beginResetModel();
    items_.clear();
    pending_.clear();
    highlight_ = -1;
    archiveSlot_ = archive;
    folder_ = folder;
    CCodeArchive* shown = host_.ArchiveAt(archive);
    archive_ = shown;
    generation_ = shown ? shown->catalogueGeneration() : 0;
    thumbSizeIndex_ = shown ? shown->thumbSizeIndex() : 0;
    frozen_ = shown && shown->catalogueInFlux();
    showing_ = true;
    filling_ = true;
    // Room for the folder's items at once, rather than growing row by row (a hint only).
    if (const CatalogueEntry* e = frozen_ || !shown ? nullptr : shown->Entry(EntryIndex::OfNumber(folder))) {
        pending_.reserve(static_cast<size_t>(std::clamp(e->itemCount, 0, kMaxEntries)));
    }
    endResetModel();
}

bool ContentsModel::ReadItem(CCodeArchive& archive, int number, Item& item) {
    const EntryIndex index = EntryIndex::OfNumber(number);
    const CatalogueEntry* e = archive.Entry(index);
    if (!e) {
        return false;
    }
    // Entry() stays valid while no other engine call runs; the fields are taken before GetName.
    item.row = ContentsRow::From(*e, number, {});
    item.listIcon = archive.GetListIcon(index);
    item.row.name = QString::fromStdString(archive.GetName(index));
    ++nameReads_;
    item.textsRead = 0;
    return true;
}

void ContentsModel::InsertEntry(int number) {
    CCodeArchive* archive = Archive();
    if (!archive) {
        return;
    }
    Item item;
    if (!ReadItem(*archive, number, item)) {
        return;
    }
    if (filling_) {
        pending_.push_back(std::move(item));
        return;
    }
    const int at = Count();
    beginInsertRows({}, at, at);
    items_.push_back(std::move(item));
    endInsertRows();
}

void ContentsModel::EndFill() {
    if (!filling_) {
        return;
    }
    beginResetModel();
    items_ = std::move(pending_);
    pending_.clear();
    filling_ = false;
    endResetModel();
}

void ContentsModel::Sort(int key) {
    if (items_.size() < 2) {
        return;
    }
    std::vector<const ContentsRow*> rows;
    rows.reserve(items_.size());
    for (const Item& item : items_) {
        rows.push_back(&item.row);
    }
    const std::vector<int> order = sort_.Order(rows, key);
    if (std::is_sorted(order.begin(), order.end())) {
        return; // every item stays where it is
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(items_.size());
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newPosition[static_cast<size_t>(order[i])] = static_cast<int>(i);
        sorted.push_back(std::move(items_[static_cast<size_t>(order[i])]));
    }
    items_ = std::move(sorted);
    if (highlight_ >= 0) {
        highlight_ = newPosition[static_cast<size_t>(highlight_)];
    }
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        after.push_back(index(newPosition[static_cast<size_t>(old.row())], old.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const ContentsRow* ContentsModel::RowAt(int position) const {
    if (position < 0 || position >= Count()) {
        return nullptr;
    }
    return &items_[static_cast<size_t>(position)].row;
}

int ContentsModel::NumberAt(int position) const {
    const ContentsRow* row = RowAt(position);
    return row ? row->number : 0;
}

int ContentsModel::ListIconAt(int position) const {
    return RowAt(position) ? items_[static_cast<size_t>(position)].listIcon : 1;
}

int ContentsModel::PositionOf(int number) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].row.number == number) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void ContentsModel::UpdateEntry(int number) {
    const int position = PositionOf(number);
    CCodeArchive* archive = Archive();
    if (position < 0 || !archive) {
        return;
    }
    Item fresh;
    if (ReadItem(*archive, number, fresh)) {
        items_[static_cast<size_t>(position)] = std::move(fresh);
        emit dataChanged(index(position, 0), index(position, kColumnCount - 1));
    }
}

void ContentsModel::CatalogueAboutToChange(const CCodeArchive* archive) {
    if (!showing_ || archive != archive_ || frozen_) {
        return;
    }
    beginResetModel();
    frozen_ = true;
    items_.clear();
    pending_.clear();
    highlight_ = -1;
    endResetModel();
}

void ContentsModel::CatalogueChanged(const CCodeArchive* /*archive*/) {
    // Stays empty: the folder number shown may now name another folder. The Workspace refills.
}

void ContentsModel::SetDropHighlight(int position) {
    if (position >= Count()) {
        position = -1;
    }
    const int old = std::exchange(highlight_, position);
    if (old != position) {
        ChangedPosition(old);
        ChangedPosition(position);
    }
}

void ContentsModel::ChangedPosition(int position) {
    if (position >= 0 && position < Count()) {
        emit dataChanged(index(position, 0), index(position, kColumnCount - 1), {DropHighlightRole});
    }
}

QString ContentsModel::Text(const Item& item, int column) const {
    if (column == kName) {
        return item.row.name;
    }
    const auto bit = static_cast<uint8_t>(1U << column);
    if ((item.textsRead & bit) == 0) {
        CCodeArchive* archive = Archive();
        if (!archive) {
            return {};
        }
        item.texts[static_cast<size_t>(column)] = QString::fromStdString(
            archive->GetText(EntryIndex::OfNumber(item.row.number), ColumnField(column)));
        item.textsRead |= bit;
    }
    return item.texts[static_cast<size_t>(column)];
}

int ContentsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int ContentsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ContentsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count() || !ValidColumn(index.column())) {
        return {};
    }
    const Item& item = items_[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return Text(item, index.column());
    case Qt::EditRole:
        return item.row.name;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(ColumnAlignment(index.column()));
    case NumberRole:
        return item.row.number;
    case ListIconRole:
        return item.listIcon;
    case ContainerRole:
        return item.row.container != 0;
    case ShowableRole:
        return item.row.Showable();
    case DropHighlightRole:
        return index.row() == highlight_;
    default:
        return {};
    }
}

QVariant ContentsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || !ValidColumn(section)) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return ColumnTitle(section);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(ColumnAlignment(section));
    }
    return {};
}

Qt::ItemFlags ContentsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return showing_ ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (showing_) {
        f |= Qt::ItemIsEditable;
    }
    if (const ContentsRow* row = RowAt(index.row()); row && row->container != 0) {
        f |= Qt::ItemIsDropEnabled;
    }
    return f;
}

Qt::DropActions ContentsModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions ContentsModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

} // namespace quorvane
