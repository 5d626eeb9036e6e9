// The folder tree's rows: archive nodes in opening order, folders nested in name order with the
// recycle bin last, images, expansion, and what may be renamed, dragged and dropped on.
#include "TreeNodes.h"
#include "DropTarget.h"

#include <gtest/gtest.h>

#include <string>

using namespace quorvane;

namespace {

TreeEntry Folder(int number, int parent, const char* name, bool expanded = false) {
    TreeEntry e;
    e.number = number;
    e.container = true;
    e.typeCode = 1;
    e.parent = parent;
    e.expanded = expanded;
    e.name = QString::fromUtf8(name);
    return e;
}

TreeEntry Bin(int itemCount) {
    TreeEntry e = Folder(1, 0, "Recycle Bin", true);
    e.typeCode = 2;
    e.itemCount = itemCount;
    return e;
}

TreeEntry File(int number, int parent, const char* name) {
    TreeEntry e = Folder(number, parent, name);
    e.container = false;
    e.typeCode = 129;
    return e;
}

// "depth:name" of every row, in display order.
std::vector<std::string> Outline(const std::vector<TreeNode>& rows) {
    std::vector<std::string> out;
    out.reserve(rows.size());
    for (const TreeNode& row : rows) {
        out.push_back(std::to_string(row.depth) + ":" + row.name.toStdString());
    }
    return out;
}

TEST(TreeNodes, FoldersInNameOrderWithTheRecycleBinLast) {
    TreeArchive archive;
    archive.displayName = QStringLiteral("Photos");
    archive.entries = {Bin(0),
                       Folder(2, 0, "Zebra"),
                       Folder(3, 0, "beta"),
                       Folder(4, 0, "Alpha"),
                       File(5, 0, "aaa.jpg"),
                       Folder(6, 3, "b_2"), // '_' sorts before letters once A..Z are folded
                       Folder(7, 3, "bB"),
                       Folder(8, 3, "\xC3\x89t\xC3\xA9"), // UTF-8 bytes above every ASCII letter
                       Folder(9, 0, "ALPHA"),             // equal to "Alpha" but for case: entry order
                       Folder(10, 6, "inner")};
    const std::vector<TreeNode> rows = TreeNodes::Build({archive}, 1);
    EXPECT_EQ(Outline(rows),
              (std::vector<std::string>{"0:Photos", "1:Alpha", "1:ALPHA", "1:beta", "2:b_2", "3:inner",
                                        "2:bB", "2:\xC3\x89t\xC3\xA9", "1:Zebra", "1:Recycle Bin"}));
    // Each row knows its parent row.
    EXPECT_EQ(rows[5].parentRow, 4);
    EXPECT_EQ(rows[4].parentRow, 3);
    EXPECT_EQ(rows[1].parentRow, 0);
    EXPECT_EQ(rows[9].kind, TreeNode::kRecycleBin);
    EXPECT_EQ(rows[9].folder, 1);
}

TEST(TreeNodes, ArchivesStayInOpeningOrder) {
    TreeArchive zoo;
    zoo.displayName = QStringLiteral("Zoo");
    zoo.entries = {Bin(3)};
    zoo.rootExpanded = true;
    TreeArchive alpha;
    alpha.displayName = QStringLiteral("Alpha");
    alpha.entries = {Bin(0), Folder(2, 0, "Open", true)};
    TreeArchive unloaded;
    unloaded.displayName = QStringLiteral("Locked");
    unloaded.loaded = false;
    unloaded.rootExpanded = true;
    unloaded.entries = {Bin(0)};

    const std::vector<TreeNode> rows = TreeNodes::Build({zoo, alpha, unloaded}, 2);
    EXPECT_EQ(Outline(rows), (std::vector<std::string>{"0:Zoo", "1:Recycle Bin", "0:Alpha", "1:Open",
                                                       "1:Recycle Bin", "0:Locked"}));
    // Images: the current archive's node, a bin holding items, an empty bin, folders.
    EXPECT_EQ(rows[0].image, TreeNodes::kImageArchive);
    EXPECT_EQ(rows[2].image, TreeNodes::kImageCurrentArchive);
    EXPECT_EQ(rows[2].selectedImage, TreeNodes::kImageCurrentArchive);
    EXPECT_EQ(rows[1].image, TreeNodes::kImageBinFull);
    EXPECT_EQ(rows[4].image, TreeNodes::kImageBinEmpty);
    EXPECT_EQ(rows[3].image, TreeNodes::kImageFolder);
    EXPECT_EQ(rows[3].selectedImage, TreeNodes::kImageFolderSelected);
    // Expansion: the archive's own flag, a folder's flag, never the recycle bin, nothing unloaded.
    EXPECT_TRUE(rows[0].expand);
    EXPECT_FALSE(rows[1].expand);
    EXPECT_FALSE(rows[2].expand);
    EXPECT_TRUE(rows[3].expand);
    EXPECT_FALSE(rows[5].expand);
    EXPECT_EQ(rows[3].archive, 2);
}

TEST(TreeNodes, DamagedParentChainsNeitherLoopNorRepeat) {
    TreeArchive archive;
    archive.displayName = QStringLiteral("Damaged");
    archive.entries = {Bin(0), Folder(2, 2, "self"), Folder(3, 4, "a"), Folder(4, 3, "b"),
                       Folder(5, 0, "kept")};
    EXPECT_EQ(Outline(TreeNodes::Build({archive}, 1)),
              (std::vector<std::string>{"0:Damaged", "1:kept", "1:Recycle Bin"}));
}

TEST(TreeNodes, CompareNamesFoldsOnlyAsciiCapitals) {
    EXPECT_EQ(TreeNodes::CompareNames("Alpha", "alpha"), 0);
    EXPECT_LT(TreeNodes::CompareNames("Alpha", "beta"), 0);
    EXPECT_LT(TreeNodes::CompareNames("a[", "aB"), 0); // '[' lies between 'Z' and 'a'
    EXPECT_LT(TreeNodes::CompareNames("ab", "abc"), 0);
    EXPECT_GT(TreeNodes::CompareNames("\xC3\x89", "z"), 0);
}

TEST(TreeNodes, OnlyFoldersAreRenamedOrDragged) {
    TreeNode archiveNode;
    archiveNode.archive = 1;
    TreeNode bin;
    bin.archive = 1;
    bin.folder = 1;
    bin.kind = TreeNode::kRecycleBin;
    TreeNode folder;
    folder.archive = 1;
    folder.folder = 4;
    folder.kind = TreeNode::kFolder;
    EXPECT_FALSE(TreeNodes::CanRename(archiveNode));
    EXPECT_FALSE(TreeNodes::CanRename(bin));
    EXPECT_TRUE(TreeNodes::CanRename(folder));
    EXPECT_FALSE(TreeNodes::CanDrag(archiveNode));
    EXPECT_FALSE(TreeNodes::CanDrag(bin));
    EXPECT_TRUE(TreeNodes::CanDrag(folder));
}

TEST(DropTarget, EffectFollowsWhereTheDragStartedAndEnds) {
    EXPECT_EQ(DropEffectFor(false, true, true), DropEffect::None);
    EXPECT_EQ(DropEffectFor(true, true, true), DropEffect::Move);
    EXPECT_EQ(DropEffectFor(true, true, false), DropEffect::Copy);
    EXPECT_EQ(DropEffectFor(true, false, true), DropEffect::Copy);
    DropTarget target{DropTarget::kList, 2, 5};
    EXPECT_TRUE(target.IsSet());
    target.Clear();
    EXPECT_FALSE(target.IsSet());
    EXPECT_EQ(target.archive, 0);
}

} // namespace
