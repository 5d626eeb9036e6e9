#include "Icons.h"

#include "CommandIds.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <array>

namespace quorvane {

namespace {

struct IconFile {
    IconId id;
    const char* file;
};

// Several ids share one drawing where the program shows the same thing in two places.
constexpr std::array kFiles{
    IconFile{IconId::ArchiveNew, "archive-new"},
    IconFile{IconId::ArchiveOpen, "archive-open"},
    IconFile{IconId::ArchiveClose, "archive-close"},
    IconFile{IconId::LayoutHidePreview, "layout-hide-preview"},
    IconFile{IconId::LayoutShowAll, "layout-show-all"},
    IconFile{IconId::LayoutHideArchive, "layout-hide-archive"},
    IconFile{IconId::UpOneLevel, "up-one-level"},
    IconFile{IconId::Import, "import"},
    IconFile{IconId::Export, "export"},
    IconFile{IconId::NewFolder, "new-folder"},
    IconFile{IconId::Comment, "comment"},
    IconFile{IconId::Delete, "delete"},
    IconFile{IconId::EmptyBin, "empty-bin"},
    IconFile{IconId::PreviousImage, "previous-image"},
    IconFile{IconId::NextImage, "next-image"},
    IconFile{IconId::FitInWindow, "fit-in-window"},
    IconFile{IconId::StartSlideshow, "start-slideshow"},
    IconFile{IconId::ViewThumbnails, "view-thumbnails"},
    IconFile{IconId::ViewLargeIcons, "view-large-icons"},
    IconFile{IconId::ViewSmallIcons, "view-small-icons"},
    IconFile{IconId::ViewList, "view-list"},
    IconFile{IconId::ViewDetails, "view-details"},
    IconFile{IconId::Help, "help"},
    IconFile{IconId::TreeFolder, "tree-folder"},
    IconFile{IconId::TreeFolderSelected, "tree-folder-selected"},
    IconFile{IconId::TreeBinEmpty, "tree-bin-empty"},
    IconFile{IconId::TreeBinFull, "tree-bin-full"},
    IconFile{IconId::TreeArchiveCurrent, "tree-archive-current"},
    IconFile{IconId::TreeArchiveOther, "tree-archive-other"},
    IconFile{IconId::ListFile, "list-file"},
    IconFile{IconId::ListImage, "list-image"},
    IconFile{IconId::ListFolder, "tree-folder"},
    IconFile{IconId::Countdown, "countdown"},
    IconFile{IconId::PropertiesFile, "list-image"},
    IconFile{IconId::PropertiesFolder, "tree-folder"},
    IconFile{IconId::PropertiesArchive, "tree-archive-current"},
    IconFile{IconId::Application, "quorvane"},
};

struct CommandPicture {
    int command;
    IconId id;
};

constexpr std::array kCommandIcons{
    CommandPicture{kCmdNew, IconId::ArchiveNew},
    CommandPicture{kCmdOpen, IconId::ArchiveOpen},
    CommandPicture{kCmdClose, IconId::ArchiveClose},
    CommandPicture{kCmdHidePreview, IconId::LayoutHidePreview},
    CommandPicture{kCmdShowAll, IconId::LayoutShowAll},
    CommandPicture{kCmdHideArchive, IconId::LayoutHideArchive},
    CommandPicture{kCmdUpOneLevel, IconId::UpOneLevel},
    CommandPicture{kCmdImport, IconId::Import},
    CommandPicture{kCmdExport, IconId::Export},
    CommandPicture{kCmdNewFolder, IconId::NewFolder},
    CommandPicture{kCmdComment, IconId::Comment},
    CommandPicture{kCmdDelete, IconId::Delete},
    CommandPicture{kCmdEmptyRecycleBin, IconId::EmptyBin},
    CommandPicture{kCmdPreviousImage, IconId::PreviousImage},
    CommandPicture{kCmdNextImage, IconId::NextImage},
    CommandPicture{kCmdFitInWindow, IconId::FitInWindow},
    CommandPicture{kCmdStartSlideshow, IconId::StartSlideshow},
    CommandPicture{kCmdViewThumbnails, IconId::ViewThumbnails},
    CommandPicture{kCmdViewLargeIcons, IconId::ViewLargeIcons},
    CommandPicture{kCmdViewSmallIcons, IconId::ViewSmallIcons},
    CommandPicture{kCmdViewList, IconId::ViewList},
    CommandPicture{kCmdViewDetails, IconId::ViewDetails},
    CommandPicture{kCmdHelpTopics, IconId::Help},
};

// Renders the SVG itself at whatever pixel size is asked for. QIcon's own SVG support is a plugin
// that may be missing on a machine; drawing through QSvgRenderer keeps the icons independent of it.
class SvgIconEngine final : public QIconEngine {
public:
    explicit SvgIconEngine(const QString& file)
        : file_(file) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QSize pixels(qRound(rect.width() * dpr), qRound(rect.height() * dpr));
        QPixmap p = pixmap(pixels, mode, state);
        p.setDevicePixelRatio(dpr);
        painter->drawPixmap(rect, p);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const QString key = QStringLiteral("%1x%2/%3").arg(size.width()).arg(size.height()).arg(int(mode));
        if (const auto it = cache_.constFind(key); it != cache_.constEnd()) {
            return it.value();
        }
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QSvgRenderer renderer(file_);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        }
        if (mode == QIcon::Disabled) {
            // Grey and faint, as the platform draws disabled toolbar buttons.
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    const int grey = qGray(line[x]);
                    const int alpha = qAlpha(line[x]) * 2 / 5;
                    line[x] = qRgba(grey * alpha / 255, grey * alpha / 255, grey * alpha / 255, alpha);
                }
            }
        }
        QPixmap out = QPixmap::fromImage(image);
        cache_.insert(key, out);
        return out;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new SvgIconEngine(file_); }
    QString key() const override { return QStringLiteral("QuorvaneSvg"); }

private:
    QString file_;
    QHash<QString, QPixmap> cache_;
};

} // namespace

const std::vector<IconId>& AllIconIds() {
    static const std::vector<IconId> ids = [] {
        std::vector<IconId> out;
        out.reserve(kFiles.size());
        for (const IconFile& f : kFiles) {
            out.push_back(f.id);
        }
        return out;
    }();
    return ids;
}

QString IconResource(IconId id) {
    for (const IconFile& f : kFiles) {
        if (f.id == id) {
            return QStringLiteral(":/icons/%1.svg").arg(QLatin1String(f.file));
        }
    }
    return {};
}

QIcon QuorvaneIcon(IconId id) {
    static QHash<int, QIcon> cache;
    if (const auto it = cache.constFind(int(id)); it != cache.constEnd()) {
        return it.value();
    }
    QIcon icon(new SvgIconEngine(IconResource(id)));
    cache.insert(int(id), icon);
    return icon;
}

QPixmap QuorvanePixmap(IconId id, int size, qreal dpr) {
    if (dpr <= 0) {
        dpr = 1.0;
    }
    const int pixels = qRound(size * dpr);
    QPixmap pixmap = QuorvaneIcon(id).pixmap(QSize(pixels, pixels));
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

QIcon CommandIcon(int command) {
    for (const CommandPicture& c : kCommandIcons) {
        if (c.command == command) {
            return QuorvaneIcon(c.id);
        }
    }
    return {};
}

} // namespace quorvane
