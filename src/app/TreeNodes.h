#pragma once
// The folder tree's rows: every open archive as a top-level node in opening order, its folders
// below it in their nesting, siblings in name order with the recycle bin always last. Built as a
// flat list in display order (each row knows its depth and parent row) for the tree widget to show.
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace quorvane {

// What the tree reads of one catalogue entry.
struct TreeEntry {
    int number = 0; // entry number
    bool container = false;
    uint8_t typeCode = 0; // 1 folder, 2 recycle bin
    int parent = 0;       // entry number, 0 the archive's top level
    bool expanded = false;
    int itemCount = 0;
    QString name; // display name
};

struct TreeArchive {
    QString displayName;
    bool loaded = true; // an archive whose catalogue is not loaded shows no children
    bool rootExpanded = false;
    std::vector<TreeEntry> entries; // in entry order; files may be left out
};

struct TreeNode {
    enum Kind { kArchive = 0, kFolder = 1, kRecycleBin = 2 };
    int archive = 0; // slot number, 1-based
    int folder = 0;  // entry number; 0 for an archive node
    int kind = kArchive;
    int depth = 0;      // 0 for archive nodes
    int parentRow = -1; // row of the parent node, -1 for archive nodes
    QString name;
    int image = 0;
    int selectedImage = 0;
    bool expand = false; // to be shown expanded (never the recycle bin)
};

class TreeNodes {
public:
    // Image numbers of the tree's image strip.
    enum Image {
        kImageFolder = 0,
        kImageFolderSelected = 1,
        kImageBinEmpty = 2,
        kImageBinFull = 3,
        kImageArchive = 6,
        kImageCurrentArchive = 7,
    };

    // `archives[i]` is slot i + 1; `currentArchive` picks the archive node drawn as current.
    static std::vector<TreeNode> Build(const std::vector<TreeArchive>& archives, int currentArchive);

    // Sibling order: the recycle bin after everything else, otherwise the names with A..Z folded
    // to lower case and then compared byte by byte (UTF-8).
    static bool SiblingLess(const TreeNode& a, const TreeNode& b);
    static int CompareNames(QByteArrayView a, QByteArrayView b);

    // The tree edits names of folders only: never an archive node nor the recycle bin.
    static bool CanRename(const TreeNode& node);
    // Only folders are dragged: not an archive node, not the recycle bin.
    static bool CanDrag(const TreeNode& node);
};

} // namespace quorvane
