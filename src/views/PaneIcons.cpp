#include "PaneIcons.h"

#include "TreeNodes.h"

#include "Icons.h"

#include <QHash>

namespace quorvane {

QIcon PaneIcons::TreeImage(int image) {
    switch (image) {
    case TreeNodes::kImageFolder:
        return QuorvaneIcon(IconId::TreeFolder);
    case TreeNodes::kImageFolderSelected:
        return QuorvaneIcon(IconId::TreeFolderSelected);
    case TreeNodes::kImageBinEmpty:
        return QuorvaneIcon(IconId::TreeBinEmpty);
    case TreeNodes::kImageBinFull:
        return QuorvaneIcon(IconId::TreeBinFull);
    case TreeNodes::kImageCurrentArchive:
        return QuorvaneIcon(IconId::TreeArchiveCurrent);
    case TreeNodes::kImageArchive:
        return QuorvaneIcon(IconId::TreeArchiveOther);
    default:
        return {};
    }
}

QIcon PaneIcons::TreeIcon(int image, int selectedImage) {
    if (image == selectedImage) {
        return TreeImage(image);
    }
    static QHash<int, QIcon> cache;
    const int key = (image << 8) | selectedImage;
    if (const auto it = cache.constFind(key); it != cache.constEnd()) {
        return it.value();
    }
    // The two drawings at the sizes and ratios a tree row asks for, so neither is scaled.
    QIcon icon;
    const QIcon normal = TreeImage(image);
    const QIcon selected = TreeImage(selectedImage);
    for (int size : {16, 22, 24, 32}) {
        for (qreal dpr : {1.0, 1.5, 2.0, 3.0}) {
            icon.addPixmap(normal.pixmap(QSize(size, size), dpr), QIcon::Normal);
            icon.addPixmap(selected.pixmap(QSize(size, size), dpr), QIcon::Selected);
        }
    }
    cache.insert(key, icon);
    return icon;
}

QPixmap PaneIcons::ListIcon(int icon, int size, qreal dpr) {
    if (dpr <= 0) {
        dpr = 1.0;
    }
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1/%2/%3").arg(icon).arg(size).arg(dpr);
    if (const auto it = cache.constFind(key); it != cache.constEnd()) {
        return it.value();
    }
    IconId id = IconId::ListFile;
    switch (icon) {
    case 0:
    case 2:
        id = IconId::ListImage;
        break;
    case 3:
        id = IconId::ListFolder;
        break;
    default:
        break;
    }
    QPixmap pixmap = QuorvanePixmap(id, size, dpr);
    cache.insert(key, pixmap);
    return pixmap;
}

} // namespace quorvane
