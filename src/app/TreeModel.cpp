#include "TreeModel.h"

#include "CCodeArchive.h"
#include "PaneHost.h"

#include <QFont>

#include <utility>

namespace quorvane {

TreeModel::TreeModel(PaneHost& host, QObject* parent)
    : QAbstractItemModel(parent)
    , host_(host) {}

void TreeModel::SetIconSource(IconSource source) {
    icons_ = std::move(source);
    if (!nodes_.empty()) {
        emit dataChanged(index(0, 0), index(static_cast<int>(top_.size()) - 1, 0), {Qt::DecorationRole});
    }
}

TreeArchive TreeModel::Read(CCodeArchive& archive, bool frozen) {
    TreeArchive out;
    out.displayName = QString::fromStdString(archive.displayName());
    out.loaded = archive.catalogueLoaded() && !archive.catalogueInFlux() && !frozen;
    out.rootExpanded = archive.header().rootExpanded != 0;
    if (!out.loaded) {
        return out;
    }
    const int count = archive.entryCount();
    for (int i = 0; i < count; ++i) {
        const CatalogueEntry* e = archive.Entry(EntryIndex(i));
        if (!e || !e->IsFolder()) {
            continue;
        }
        TreeEntry t;
        t.number = i + 1;
        t.container = true;
        t.typeCode = e->typeCode;
        t.parent = e->parent;
        t.expanded = e->expanded != 0;
        t.itemCount = e->itemCount;
        t.name = QString::fromStdString(archive.GetName(EntryIndex(i)));
        out.entries.push_back(std::move(t));
    }
    return out;
}

void TreeModel::Rebuild() {
    beginResetModel();
    std::vector<TreeArchive> archives;
    const int count = host_.ArchiveCount();
    for (int slot = 1; slot <= count; ++slot) {
        CCodeArchive* archive = host_.ArchiveAt(slot);
        if (!archive) {
            archives.emplace_back();
            continue;
        }
        archives.push_back(Read(*archive, Frozen(archive)));
    }
    currentArchive_ = host_.CurrentArchive();
    nodes_ = TreeNodes::Build(archives, currentArchive_);
    boldRow_ = -1;
    highlightRow_ = -1;
    Index();
    endResetModel();
}

void TreeModel::Clear() {
    beginResetModel();
    nodes_.clear();
    boldRow_ = -1;
    highlightRow_ = -1;
    Index();
    endResetModel();
}

void TreeModel::Index() {
    children_.assign(nodes_.size(), {});
    position_.assign(nodes_.size(), 0);
    top_.clear();
    for (size_t row = 0; row < nodes_.size(); ++row) {
        const int parentRow = nodes_[row].parentRow;
        std::vector<int>& siblings = parentRow < 0 ? top_ : children_[static_cast<size_t>(parentRow)];
        position_[row] = static_cast<int>(siblings.size());
        siblings.push_back(static_cast<int>(row));
    }
}

void TreeModel::SetCurrentArchive(int archive) {
    currentArchive_ = archive;
    for (int row : top_) {
        TreeNode& node = nodes_[static_cast<size_t>(row)];
        const int image =
            node.archive == archive ? TreeNodes::kImageCurrentArchive : TreeNodes::kImageArchive;
        if (node.image != image) {
            node.image = node.selectedImage = image;
            ChangedRow(row, {Qt::DecorationRole});
        }
    }
}

void TreeModel::CatalogueAboutToChange(const CCodeArchive* archive) {
    if (frozen_.insert(archive).second) {
        Rebuild();
    }
}

void TreeModel::CatalogueChanged(const CCodeArchive* archive) {
    frozen_.erase(archive);
}

void TreeModel::SetBoldRow(int row) {
    const int old = std::exchange(boldRow_, row);
    ChangedRow(old, {Qt::FontRole});
    ChangedRow(row, {Qt::FontRole});
}

void TreeModel::SetDropHighlightRow(int row) {
    const int old = std::exchange(highlightRow_, row);
    if (old != row) {
        ChangedRow(old, {DropHighlightRole});
        ChangedRow(row, {DropHighlightRole});
    }
}

void TreeModel::ChangedRow(int row, const QList<int>& roles) {
    const QModelIndex at = IndexOfRow(row);
    if (at.isValid()) {
        emit dataChanged(at, at, roles);
    }
}

const TreeNode* TreeModel::Node(const QModelIndex& index) const {
    const int row = RowOf(index);
    return row < 0 ? nullptr : &nodes_[static_cast<size_t>(row)];
}

int TreeModel::RowOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) {
        return -1;
    }
    const auto row = static_cast<size_t>(index.internalId());
    return row < nodes_.size() ? static_cast<int>(row) : -1;
}

QModelIndex TreeModel::IndexOfRow(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= nodes_.size()) {
        return {};
    }
    return createIndex(position_[static_cast<size_t>(row)], 0, static_cast<quintptr>(row));
}

QModelIndex TreeModel::IndexOf(int archive, int folder) const {
    for (size_t row = 0; row < nodes_.size(); ++row) {
        if (nodes_[row].archive == archive && nodes_[row].folder == folder) {
            return IndexOfRow(static_cast<int>(row));
        }
    }
    return {};
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return {};
    }
    const std::vector<int>* siblings = &top_;
    if (parent.isValid()) {
        const int parentRow = RowOf(parent);
        if (parentRow < 0) {
            return {};
        }
        siblings = &children_[static_cast<size_t>(parentRow)];
    }
    if (static_cast<size_t>(row) >= siblings->size()) {
        return {};
    }
    return createIndex(row, 0, static_cast<quintptr>((*siblings)[static_cast<size_t>(row)]));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    const TreeNode* node = Node(child);
    return node ? IndexOfRow(node->parentRow) : QModelIndex();
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return static_cast<int>(top_.size());
    }
    if (parent.column() != 0) {
        return 0;
    }
    const int row = RowOf(parent);
    return row < 0 ? 0 : static_cast<int>(children_[static_cast<size_t>(row)].size());
}

int TreeModel::columnCount(const QModelIndex& /*parent*/) const {
    return 1;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    const TreeNode* node = Node(index);
    if (!node) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        return node->name;
    case Qt::DecorationRole:
        return icons_ ? QVariant(icons_(node->image, node->selectedImage)) : QVariant();
    case Qt::FontRole:
        if (RowOf(index) == boldRow_) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case ArchiveRole:
        return node->archive;
    case FolderRole:
        return node->folder;
    case KindRole:
        return node->kind;
    case DropHighlightRole:
        return RowOf(index) == highlightRow_;
    default:
        return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    const TreeNode* node = Node(index);
    if (!node) {
        return Qt::ItemIsDropEnabled;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (TreeNodes::CanRename(*node)) {
        f |= Qt::ItemIsEditable;
    }
    if (TreeNodes::CanDrag(*node)) {
        f |= Qt::ItemIsDragEnabled;
    }
    return f;
}

Qt::DropActions TreeModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions TreeModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

} // namespace quorvane
