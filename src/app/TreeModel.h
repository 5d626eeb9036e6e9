#pragma once
// The folder tree as a Qt item model: TreeNodes' rows (archives in opening order, their folders in
// name order with the recycle bin last) read from the Workspace's open archives. Names are read
// once per rebuild; painting reads nothing from an archive. An archive whose catalogue is about to
// change shows only its own node until the tree is rebuilt after the change.
#include "TreeNodes.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <functional>
#include <set>
#include <vector>

namespace quorvane {

class CCodeArchive;
class PaneHost;

class TreeModel : public QAbstractItemModel {
public:
    enum Role {
        ArchiveRole = Qt::UserRole + 1, // slot number of the node's archive
        FolderRole,                     // entry number, 0 for an archive node
        KindRole,                       // TreeNode::Kind
        DropHighlightRole,              // true for the node a drag points at
    };

    // The icon of a node: its image and its selected image (TreeNodes::Image).
    using IconSource = std::function<QIcon(int image, int selectedImage)>;

    explicit TreeModel(PaneHost& host, QObject* parent = nullptr);

    void SetIconSource(IconSource source);

    // Reads every open archive again.
    void Rebuild();
    void Clear();
    // Archive nodes draw as current (image 7) for `archive`, as others (image 6) otherwise.
    void SetCurrentArchive(int archive);
    // Between the two notifications the archive's folders are left out: their numbers may change.
    void CatalogueAboutToChange(const CCodeArchive* archive);
    void CatalogueChanged(const CCodeArchive* archive);
    bool Frozen(const CCodeArchive* archive) const { return frozen_.count(archive) != 0; }

    // The dragged node is drawn in bold; the node a drag points at is highlighted (-1: none).
    void SetBoldRow(int row);
    void SetDropHighlightRow(int row);
    int DropHighlightRow() const { return highlightRow_; }

    // Rows of the flat node table in display order (TreeNodes::Build's order).
    const std::vector<TreeNode>& Nodes() const { return nodes_; }
    const TreeNode* Node(const QModelIndex& index) const;
    int RowOf(const QModelIndex& index) const; // -1 for an invalid index
    QModelIndex IndexOfRow(int row) const;
    QModelIndex IndexOf(int archive, int folder) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

    // What TreeNodes reads of one archive (nothing below the node while it is frozen or unloaded).
    static TreeArchive Read(CCodeArchive& archive, bool frozen);

private:
    void Index();
    void ChangedRow(int row, const QList<int>& roles);

    PaneHost& host_;
    IconSource icons_;
    std::vector<TreeNode> nodes_;
    std::vector<std::vector<int>> children_; // per row, its children's rows in order
    std::vector<int> top_;                   // rows of the archive nodes
    std::vector<int> position_;              // per row, its position among its siblings
    std::set<const CCodeArchive*> frozen_;
    int currentArchive_ = 0;
    int boldRow_ = -1;
    int highlightRow_ = -1;
};

} // namespace quorvane
