#include "CommandIcons.h"

#include "CommandIds.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QStyle>

#include <functional>

namespace quorvane {

namespace {

using Drawing = std::function<void(QPainter& painter, qreal unit)>;

// A picture drawn on a 16-unit grid at the sizes toolbars and menus ask for.
QIcon Drawn(const Drawing& draw) {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, size / 16.0);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QColor Ink() {
    return QApplication::palette().color(QPalette::WindowText);
}

QColor Accent() {
    return QApplication::palette().color(QPalette::Highlight);
}

// The main window with its three columns; the column `hidden` (0..2, -1 none) drawn empty.
QIcon Layout(int hidden) {
    return Drawn([hidden](QPainter& p, qreal u) {
        const QRectF frame(1.5 * u, 2.5 * u, 13 * u, 11 * u);
        p.setPen(QPen(Ink(), u));
        p.setBrush(Qt::NoBrush);
        p.drawRect(frame);
        const qreal widths[3] = {3.5, 3.5, 6.0};
        qreal x = frame.left();
        for (int column = 0; column < 3; ++column) {
            const QRectF cell(x + 0.75 * u, frame.top() + 0.75 * u, widths[column] * u - 1.5 * u,
                              frame.height() - 1.5 * u);
            if (column != hidden) {
                p.fillRect(cell, Accent());
            }
            x += widths[column] * u;
        }
    });
}

void Square(QPainter& p, qreal u, qreal x, qreal y, qreal side) {
    p.fillRect(QRectF(x * u, y * u, side * u, side * u), Accent());
}

void Line(QPainter& p, qreal u, qreal x, qreal y, qreal length) {
    p.fillRect(QRectF(x * u, y * u, length * u, 1.2 * u), Ink());
}

QIcon ViewMode(int commandId) {
    return Drawn([commandId](QPainter& p, qreal u) {
        switch (commandId) {
        case kCmdViewThumbnails:
            for (int row = 0; row < 2; ++row) {
                for (int column = 0; column < 2; ++column) {
                    Square(p, u, 1.5 + column * 7, 1.5 + row * 7, 6);
                }
            }
            break;
        case kCmdViewLargeIcons:
            for (int row = 0; row < 2; ++row) {
                for (int column = 0; column < 3; ++column) {
                    Square(p, u, 1 + column * 5, 1.5 + row * 7, 4);
                    Line(p, u, 1 + column * 5, 6 + row * 7, 4);
                }
            }
            break;
        case kCmdViewSmallIcons:
            for (int row = 0; row < 4; ++row) {
                for (int column = 0; column < 2; ++column) {
                    Square(p, u, 1 + column * 7.5, 1.5 + row * 3.5, 2.5);
                    Line(p, u, 4 + column * 7.5, 2.2 + row * 3.5, 3.5);
                }
            }
            break;
        case kCmdViewList:
            for (int row = 0; row < 4; ++row) {
                Square(p, u, 2, 1.5 + row * 3.5, 2.5);
                Line(p, u, 5.5, 2.2 + row * 3.5, 8.5);
            }
            break;
        default: // details: a header line over rows of columns
            p.fillRect(QRectF(1 * u, 1.5 * u, 14 * u, 2 * u), Accent());
            for (int row = 0; row < 4; ++row) {
                Line(p, u, 1, 5 + row * 2.8, 6);
                Line(p, u, 8, 5 + row * 2.8, 3);
                Line(p, u, 12, 5 + row * 2.8, 3);
            }
            break;
        }
    });
}

QIcon Themed(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), QApplication::style()->standardIcon(fallback));
}

QIcon Lookup(int commandId) {
    switch (commandId) {
    case kCmdNew:
        return Themed("document-new", QStyle::SP_FileIcon);
    case kCmdOpen:
        return Themed("document-open", QStyle::SP_DialogOpenButton);
    case kCmdClose:
        return Themed("document-close", QStyle::SP_DialogCloseButton);
    case kCmdHidePreview:
        return Layout(2);
    case kCmdShowAll:
        return Layout(-1);
    case kCmdHideArchive:
        return Layout(0);
    case kCmdUpOneLevel:
        return Themed("go-up", QStyle::SP_FileDialogToParent);
    case kCmdImport:
        return Themed("document-import", QStyle::SP_ArrowDown);
    case kCmdExport:
        return Themed("document-export", QStyle::SP_DialogSaveButton);
    case kCmdNewFolder:
        return Themed("folder-new", QStyle::SP_FileDialogNewFolder);
    case kCmdComment:
        return Themed("document-edit", QStyle::SP_FileDialogInfoView);
    case kCmdDelete:
        return Themed("edit-delete", QStyle::SP_TrashIcon);
    case kCmdEmptyRecycleBin:
        return Themed("trash-empty", QStyle::SP_DialogDiscardButton);
    case kCmdPreviousImage:
        return Themed("go-previous", QStyle::SP_ArrowLeft);
    case kCmdNextImage:
        return Themed("go-next", QStyle::SP_ArrowRight);
    case kCmdFitInWindow:
        return Themed("zoom-fit-best", QStyle::SP_TitleBarMaxButton);
    case kCmdStartSlideshow:
        return Themed("media-playback-start", QStyle::SP_MediaPlay);
    case kCmdViewThumbnails:
    case kCmdViewLargeIcons:
    case kCmdViewSmallIcons:
    case kCmdViewList:
    case kCmdViewDetails:
        return ViewMode(commandId);
    case kCmdHelpTopics:
        return Themed("help-contents", QStyle::SP_DialogHelpButton);
    case kCmdExit:
        return Themed("application-exit", QStyle::SP_DialogCloseButton);
    case kCmdCut:
        return QIcon::fromTheme(QStringLiteral("edit-cut"));
    case kCmdCopy:
        return QIcon::fromTheme(QStringLiteral("edit-copy"));
    case kCmdPaste:
        return QIcon::fromTheme(QStringLiteral("edit-paste"));
    case kCmdUndo:
        return QIcon::fromTheme(QStringLiteral("edit-undo"));
    case kCmdFind:
        return QIcon::fromTheme(QStringLiteral("edit-find"));
    case kCmdProperties:
        return QIcon::fromTheme(QStringLiteral("document-properties"));
    case kCmdPreferences:
        return QIcon::fromTheme(QStringLiteral("preferences-system"));
    case kCmdAbout:
        return CommandIcons::Application();
    default:
        return {};
    }
}

} // namespace

QIcon CommandIcons::ForCommand(int commandId) {
    static QHash<int, QIcon> cache;
    if (const auto it = cache.constFind(commandId); it != cache.constEnd()) {
        return it.value();
    }
    const QIcon icon = Lookup(commandId);
    cache.insert(commandId, icon);
    return icon;
}

QIcon CommandIcons::Application() {
    static const QIcon icon = Drawn([](QPainter& p, qreal u) {
        // A picture (sky, hill, sun) behind a padlock.
        const QRectF picture(0.5 * u, 1.5 * u, 12 * u, 10 * u);
        p.setPen(QPen(QColor(0x30, 0x40, 0x60), 0.8 * u));
        p.setBrush(QColor(0x9c, 0xc8, 0xf0));
        p.drawRoundedRect(picture, 1.2 * u, 1.2 * u);
        QPainterPath hill;
        hill.moveTo(picture.left() + 0.4 * u, picture.bottom() - 0.4 * u);
        hill.quadTo(4.5 * u, 5 * u, picture.right() - 0.4 * u, picture.bottom() - 3 * u);
        hill.lineTo(picture.right() - 0.4 * u, picture.bottom() - 0.4 * u);
        hill.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x4c, 0x9a, 0x4c));
        p.drawPath(hill);
        p.setBrush(QColor(0xf4, 0xd0, 0x3c));
        p.drawEllipse(QPointF(9 * u, 4.5 * u), 1.4 * u, 1.4 * u);
        // The padlock.
        p.setPen(QPen(QColor(0x50, 0x50, 0x58), 1.3 * u));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(9.2 * u, 6.2 * u, 4.6 * u, 5.2 * u), 0, 180 * 16);
        p.setPen(QPen(QColor(0x40, 0x30, 0x10), 0.6 * u));
        p.setBrush(QColor(0xe0, 0xa8, 0x30));
        p.drawRoundedRect(QRectF(8.4 * u, 8.6 * u, 6.2 * u, 6.2 * u), 0.8 * u, 0.8 * u);
        p.setBrush(QColor(0x40, 0x30, 0x10));
        p.drawEllipse(QPointF(11.5 * u, 11.4 * u), 0.8 * u, 0.8 * u);
    });
    return icon;
}

} // namespace quorvane
