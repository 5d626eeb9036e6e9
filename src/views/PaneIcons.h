#pragma once
// Every picture the folder tree and the contents list draw for a node or an item, looked up in one
// place: the program's own drawings (Icons.h).
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
    // logical pixels square for a device of pixel ratio `dpr`.
    static QPixmap ListIcon(int icon, int size, qreal dpr = 1.0);
};

} // namespace quorvane
