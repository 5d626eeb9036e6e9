#include "PaneIcons.h"

#include "TreeNodes.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QStyle>

namespace quorvane {

namespace {

QIcon Themed(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), QApplication::style()->standardIcon(fallback));
}

// The archive icon of an archive that is not the current one: the same picture, greyed.
QIcon Greyed(const QIcon& icon) {
    QIcon out;
    for (int size : {16, 22, 32}) {
        out.addPixmap(icon.pixmap(size, QIcon::Disabled), QIcon::Normal);
        out.addPixmap(icon.pixmap(size, QIcon::Disabled), QIcon::Selected);
    }
    return out;
}

// The recycle bin holding items, when the theme has no picture of its own: the bin with a dot.
QIcon Marked(const QIcon& icon) {
    QIcon out;
    for (int size : {16, 22, 32}) {
        QPixmap pixmap = icon.pixmap(size);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xC0, 0x30, 0x30));
        const qreal d = size * 0.4;
        painter.drawEllipse(QRectF(size - d, 0, d, d));
        painter.end();
        out.addPixmap(pixmap);
    }
    return out;
}

} // namespace

QIcon PaneIcons::TreeImage(int image) {
    static QHash<int, QIcon> cache;
    if (const auto it = cache.constFind(image); it != cache.constEnd()) {
        return it.value();
    }
    QIcon icon;
    switch (image) {
    case TreeNodes::kImageFolder:
        icon = Themed("folder", QStyle::SP_DirClosedIcon);
        break;
    case TreeNodes::kImageFolderSelected:
        icon = Themed("folder-open", QStyle::SP_DirOpenIcon);
        break;
    case TreeNodes::kImageBinEmpty:
        icon = Themed("user-trash", QStyle::SP_TrashIcon);
        break;
    case TreeNodes::kImageBinFull:
        icon = QIcon::hasThemeIcon(QStringLiteral("user-trash-full"))
                   ? QIcon::fromTheme(QStringLiteral("user-trash-full"))
                   : Marked(TreeImage(TreeNodes::kImageBinEmpty));
        break;
    case TreeNodes::kImageCurrentArchive:
        icon = Themed("package-x-generic", QStyle::SP_DriveHDIcon);
        break;
    case TreeNodes::kImageArchive:
        icon = Greyed(TreeImage(TreeNodes::kImageCurrentArchive));
        break;
    default:
        break;
    }
    cache.insert(image, icon);
    return icon;
}

QIcon PaneIcons::TreeIcon(int image, int selectedImage) {
    if (image == selectedImage) {
        return TreeImage(image);
    }
    QIcon icon;
    const QIcon normal = TreeImage(image);
    const QIcon selected = TreeImage(selectedImage);
    for (int size : {16, 22, 32}) {
        icon.addPixmap(normal.pixmap(size), QIcon::Normal);
        icon.addPixmap(selected.pixmap(size), QIcon::Selected);
    }
    return icon;
}

QPixmap PaneIcons::ListIcon(int icon, int size) {
    static QHash<qint64, QPixmap> cache;
    const qint64 key = (qint64{icon} << 16) | size;
    if (const auto it = cache.constFind(key); it != cache.constEnd()) {
        return it.value();
    }
    QIcon source;
    switch (icon) {
    case 0:
    case 2:
        source = Themed("image-x-generic", QStyle::SP_FileIcon);
        break;
    case 3:
        source = Themed("folder", QStyle::SP_DirClosedIcon);
        break;
    default:
        source = Themed("text-x-generic", QStyle::SP_FileIcon);
        break;
    }
    QPixmap pixmap = source.pixmap(size, size);
    if (pixmap.width() != size || pixmap.height() != size) {
        pixmap = pixmap.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    cache.insert(key, pixmap);
    return pixmap;
}

} // namespace quorvane
