#pragma once
// Every picture the folder tree and the contents list draw for a node or an item, looked up in one
// place: the desktop's icon theme where it has one, else Qt's standard icons.
#include <QIcon>
#include <QPixmap>

namespace quorvane {

class PaneIcons {
public:
    // A tree node's icon from its image and selected image (TreeNodes::Image numbers).
    static QIcon TreeIcon(int image, int selectedImage);
    // One image of the tree's strip.
    static QIcon TreeImage(int image);

    // The list's icon number (CCodeArchive::GetListIcon: 1 file, 2 image without a thumbnail,
    // 3 folder; 0, the thumbnail slot, stands for an image whose thumbnail is not drawn) at `size`
    // pixels square.
    static QPixmap ListIcon(int icon, int size);
};

} // namespace quorvane
