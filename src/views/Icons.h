#pragma once
// The program's own pictures: SVG drawings in the resources, turned into icons that stay sharp at any
// device pixel ratio (QIcon renders the SVG at the size and ratio it is asked for).
#include <QIcon>
#include <QPixmap>
#include <QString>

#include <vector>

namespace quorvane {

enum class IconId {
    // Toolbar, left to right.
    ArchiveNew,
    ArchiveOpen,
    ArchiveClose,
    LayoutHidePreview,
    LayoutShowAll,
    LayoutHideArchive,
    UpOneLevel,
    Import,
    Export,
    NewFolder,
    Comment,
    Delete,
    EmptyBin,
    PreviousImage,
    NextImage,
    FitInWindow,
    StartSlideshow,
    ViewThumbnails,
    ViewLargeIcons,
    ViewSmallIcons,
    ViewList,
    ViewDetails,
    Help,
    // Folder tree.
    TreeFolder,
    TreeFolderSelected,
    TreeBinEmpty,
    TreeBinFull,
    TreeArchiveCurrent,
    TreeArchiveOther,
    // Contents list.
    ListFile,
    ListImage,
    ListFolder,
    // Dialogs.
    Countdown,
    PropertiesFile,
    PropertiesFolder,
    PropertiesArchive,
    Application,
};

// Every id, in declaration order.
const std::vector<IconId>& AllIconIds();

// The resource path of an id's drawing (":/icons/….svg").
QString IconResource(IconId id);

// The icon of an id; cached, so asking again is cheap.
QIcon QuorvaneIcon(IconId id);

// The same picture as a pixmap of `size` logical pixels for a device of ratio `dpr`: its pixel size is
// size * dpr and its devicePixelRatio dpr, so it is drawn 1:1 on the device.
QPixmap QuorvanePixmap(IconId id, int size, qreal dpr);

// The toolbar button's picture of a command (CommandIds.h); a null icon for a command without one.
QIcon CommandIcon(int command);

} // namespace quorvane
