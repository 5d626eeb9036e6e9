#include "TreeNodes.h"

#include <QByteArray>
#include <QHash>

#include <algorithm>
#include <utility>

namespace quorvane {

namespace {

unsigned char Folded(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

struct Child {
    TreeNode node;
    QByteArray sortName;
};

bool ChildLess(const Child& a, const Child& b) {
    if ((a.node.kind == TreeNode::kRecycleBin) != (b.node.kind == TreeNode::kRecycleBin)) {
        return b.node.kind == TreeNode::kRecycleBin;
    }
    return TreeNodes::CompareNames(a.sortName, b.sortName) < 0;
}

// Appends the folders of one archive below row `archiveRow`, depth first in sibling order.
void AppendFolders(std::vector<TreeNode>& rows, const TreeArchive& archive, int slot, int archiveRow) {
    QHash<int, std::vector<const TreeEntry*>> childrenOf;
    for (const TreeEntry& e : archive.entries) {
        if (e.container && e.number > 0) {
            childrenOf[e.parent].push_back(&e);
        }
    }
    // Rows come out in display order: a node, its whole subtree, then its next sibling. Each frame
    // is one parent whose sorted children are being placed; an explicit stack keeps a deep nesting
    // off the call stack, and `placed` keeps a damaged parent chain from looping.
    QHash<int, bool> placed;
    struct Frame {
        std::vector<Child> children;
        size_t next = 0;
        int depth = 0;
    };
    std::vector<Frame> frames;
    auto open = [&](int folder, int parentRow, int depth) {
        Frame frame;
        frame.depth = depth;
        for (const TreeEntry* e : childrenOf.value(folder)) {
            if (placed.contains(e->number)) {
                continue;
            }
            placed.insert(e->number, true);
            Child child{{}, e->name.toUtf8()};
            TreeNode& n = child.node;
            n.archive = slot;
            n.folder = e->number;
            n.kind = e->typeCode == 2 ? TreeNode::kRecycleBin : TreeNode::kFolder;
            n.depth = depth;
            n.parentRow = parentRow;
            n.name = e->name;
            if (n.kind == TreeNode::kRecycleBin) {
                n.image = n.selectedImage =
                    e->itemCount != 0 ? TreeNodes::kImageBinFull : TreeNodes::kImageBinEmpty;
                n.expand = false;
            } else {
                n.image = TreeNodes::kImageFolder;
                n.selectedImage = TreeNodes::kImageFolderSelected;
                n.expand = e->expanded;
            }
            frame.children.push_back(std::move(child));
        }
        std::stable_sort(frame.children.begin(), frame.children.end(), ChildLess);
        frames.push_back(std::move(frame));
    };
    open(0, archiveRow, 1);
    while (!frames.empty()) {
        Frame& top = frames.back();
        if (top.next == top.children.size()) {
            frames.pop_back();
            continue;
        }
        TreeNode node = std::move(top.children[top.next++].node);
        const int row = static_cast<int>(rows.size());
        const int depth = top.depth;
        const int folder = node.folder;
        rows.push_back(std::move(node));
        open(folder, row, depth + 1); // may move the frames: `top` is not used after this
    }
}

} // namespace

std::vector<TreeNode> TreeNodes::Build(const std::vector<TreeArchive>& archives, int currentArchive) {
    std::vector<TreeNode> rows;
    for (size_t i = 0; i < archives.size(); ++i) {
        const TreeArchive& archive = archives[i];
        const int slot = static_cast<int>(i) + 1;
        TreeNode node;
        node.archive = slot;
        node.kind = TreeNode::kArchive;
        node.name = archive.displayName;
        node.image = node.selectedImage = slot == currentArchive ? kImageCurrentArchive : kImageArchive;
        node.expand = archive.loaded && archive.rootExpanded;
        const int row = static_cast<int>(rows.size());
        rows.push_back(std::move(node));
        if (archive.loaded) {
            AppendFolders(rows, archive, slot, row);
        }
    }
    return rows;
}

int TreeNodes::CompareNames(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char x = Folded(a[i]);
        const unsigned char y = Folded(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool TreeNodes::SiblingLess(const TreeNode& a, const TreeNode& b) {
    if ((a.kind == TreeNode::kRecycleBin) != (b.kind == TreeNode::kRecycleBin)) {
        return b.kind == TreeNode::kRecycleBin;
    }
    return CompareNames(a.name.toUtf8(), b.name.toUtf8()) < 0;
}

bool TreeNodes::CanRename(const TreeNode& node) {
    return node.archive > 0 && node.folder > 0 && node.kind != TreeNode::kRecycleBin;
}

bool TreeNodes::CanDrag(const TreeNode& node) {
    return node.archive > 0 && node.folder > 1 && node.kind != TreeNode::kRecycleBin;
}

} // namespace quorvane
