#include "StringTable.h"

#include "CommandIds.h"
#include "ErrorCodes.h"

#include <QHash>

#include <algorithm>
#include <utility>

namespace quorvane {

namespace {

struct Numbered {
    int id;
    const char* text;
};

// Command strings are "status-bar prompt\ntooltip".
constexpr Numbered kStrings[] = {
    {kStrDocumentType,
     "\nQuorvane\nQuorvane\nQuorvane Files (*.kvq)\n.kvq\nQuorvane.Document\nQuorvane Document"},
    // The status bar's pane widths are the widths of these blanks.
    {kStrStatusProgressPane, "                                   "},
    {kStrStatusPane1, "                  "},
    {kStrStatusPane2, "                  "},
    {kStrStatusPane3, "                  "},
    {kStrStatusPane4, "                  "},
    {kStrOpenArchives, "Open Archives"},
    {kStrContents, "Contents"},
    {kStrMinutesSeconds, "%M:%S"},
    {kStrHoursMinutesSeconds, "%H:%M:%S"},
    {kStrFilesProgress, "%d%% of %d files (%s remaining)"},
    {kStrAutoCloseCountdown, "AutoClose will automatically close all open archives in %d seconds."},
    {kStrEncryptingTitle, "Encrypting Files..."},
    {kStrEncryptingStart, "Preparing to Encrypt"},
    {kStrCopyingTitle, "Copying Files..."},
    {kStrCopyingStart, "Preparing to Copy"},
    {kStrExportingTitle, "Exporting Files..."},
    {kStrExportingStart, "Preparing to Export"},
    {kStrEmptyingTitle, "Emptying Recycle Bin..."},
    {kStrEmptyingStart, "Defragmenting Archive"},
    {kStrThumbnailsTitle, "Generating Thumbnails..."},
    {kStrThumbnailsStart, "Preparing to Generate"},
    {kStrNotEncrypted, "Not Encrypted"},
    {kStrContentsOf, "Contents of '%s'"},
    {kStrNewFolderName, "New Folder"},
    {kStrArchiveFilter, "Quorvane Archives (*.kvq)|*.kvq|"},
    {kStrImportFilter,
     "Image Documents (*.bmp;*.gif;*.jpg;*.png;*.tif)|*.bmp;*.gif;*.jpg;*.png;*.tif|BMP Documents "
     "(*.bmp)|*.bmp|GIF Documents (*.gif)|*.gif|JPG Documents (*.jpg)|*.jpg|PNG Documents (*.png)|*.png|TIF "
     "Documents (*.tif)|*.tif|All Files (*.*)|*.*|"},
    {kStrImportIntoBin, "Are you sure you want to import files into the Recycle Bin?"},
    {kStrPreview, "Preview"},
    {kStrCreateArchiveTitle, "Create Archive As"},
    {kStrOpenArchiveTitle, "Open Archive"},
    {kStrImportTitle, "Import"},
    {kStrPercentComplete, "%s (%d%% complete)"},
    {kStrForbiddenCharacters, "\\/:*?\"<>|"},
    {kStrForbiddenName, "A file or folder cannot contain any of the following characters. \\/:*?\"<>|"},
    {kStrPreferencesTitle, "Preferences"},
    {kStrPreviewOf, "Preview of '%s'"},
    {kStrPreviewCommentSeparator, " - "},
    {kStrNoSlideshowImages, "Slideshow could not be started. There are no images in this folder."},
    {kStrStatusImageSize, "%2dx%2d"},
    {kStrStatusColours, "%d Colors"},
    {kStrStatusTrueColour, "True Color"},
    {kStrStatusFileSize, "%.1fKB"},
    {kStrTypeJpeg, "JPEG"},
    {kStrTypeGif, "GIF"},
    {kStrTypeBmp, "BMP"},
    {kStrTypePng, "PNG"},
    {kStrTypeTiff, "TIF"},
    {kStrCloseOnLock, "Close all archives when the screen locks or the computer suspends"},
    {kStrGeneratingThumbnails, "- Generating Thumbnails"},
    {kStrAntiAliasingThumbnails, "- Anti-Aliasing Thumbnails"},
    // The encryption methods' display names, as the create dialog lists them and the properties show them.
    {kStrTwofishName, "128-bit TwoFish Strong Encryption"},
    {kStrBlowfishName, "64-bit BlowFish Encryption"},
    {kStrBasicName, "32-bit Basic Password Protection"},

    {kCmdUpOneLevel, "Up One Level.\nUp One Level"},
    {kCmdHidePreview, "Hide Preview Pane.\nHide Preview Pane"},
    {kCmdShowAll, "Show all panes.\nShow All Panes"},
    {kCmdHideArchive, "Hide Archive Pane.\nHide Archive Pane"},

    {kCmdNew, "Create a new archive.\nNew Archive"},
    {kCmdOpen, "Open an existing archive.\nOpen Archive"},
    {kCmdImport, "Import images to the selected archive.\nImport Images"},
    {kCmdClose, "Close the selected archive.\nClose Archive"},
    {kCmdNewFolder, "Create a new empty folder in the selected archive.\nNew Folder"},
    {kCmdCut, "Cut the selection and put it on the Clipboard\nCut"},
    {kCmdCopy, "Copy the selection and put it on the Clipboard\nCopy"},
    {kCmdPaste, "Insert the items you have copied or cut into the selected location\nPaste"},
    {kCmdUndo, "Undo the last action.\nUndo"},
    {kCmdProperties, "Display properties for the selected item.\nProperties"},
    {kCmdEmptyRecycleBin, "Empty Recycle Bin.\nEmpty Recycle Bin"},
    {kCmdDelete, "Deletes the selected items.\nDelete"},
    {kCmdExport, "Export the selected images.\nExport Images"},
    {kCmdRename, "Rename the selected item.\nRename"},
    {kCmdPreferences, "Preferences\nPreferences"},
    {kCmdFind, "Find a file or folder.\nFind"},
    {kCmdFindAgain, "Find Again.\nFind Again"},
    {kCmdRestore, "Returns the selected items to their original locations.\nRestore"},
    {kCmdUndoContext, "Undo the last action.\nUndo"},
    {kCmdComment, "Edit the comment for the selected item\nComment"},

    {kCmdNextImage, "View Next File"},
    {kCmdStartSlideshow, "Start Slideshow"},
    {kCmdPreviousImage, "View Previous File"},
    {kCmdSortByName, "Sort items alphabetically by name.\nSort By Name"},
    {kCmdSortByType, "Sort items by type.\nSort By Type"},
    {kCmdSortBySize, "Sort items by size.\nSort By Size"},
    {kCmdSortByDate, "Sort items by date, for oldest to most recent.\nSort By Date"},
    {kCmdViewThumbnails, "Display items by using thumbnails.\nThumbnails"},
    {kCmdViewLargeIcons, "Display items by using large icons.\nLarge Icons"},
    {kCmdViewSmallIcons, "Display items by using small icons.\nSmall Icons"},
    {kCmdViewList, "Display items in a list.\nList"},
    {kCmdViewDetails, "Display information about each item in the window.\nDetails"},
    {kCmdSelectAll, "Select all items in the window.\nSelect All"},
    {kCmdInvertSelection, "Reverses which items are selected and which are not.\nInvert Selection"},
    {kCmdSortByDimensions, "Sort items by dimension.\nSort By Dimension"},
    {kCmdSortByComment, "Sort items by comment.\nSort By Comment"},
    {kCmdFitInWindow, "Fit the image in the window.\nFit in Window"},
    {kCmdHomePage, "Visit the Quorvane home page.\nHome Page"},
    {kCmdMailSupport, "E-mail technical support any questions or comments.\nE-mail Support"},
    {kCmdCheckUpdates, "Check for any available Quorvane updates.\nCheck for Updates"},

    {kStrApplicationTitle, "Quorvane"},
};

struct Label {
    int menu;
    int id;
    const char* text;
};

constexpr Label kLabels[] = {
    // The menu bar.
    {StringTable::kMainMenu, kCmdNew, "&New\tCtrl+N"},
    {StringTable::kMainMenu, kCmdOpen, "&Open\tCtrl+O"},
    {StringTable::kMainMenu, kCmdClose, "&Close\tCtrl+W"},
    {StringTable::kMainMenu, kCmdNewFolder, "New &Folder\tCtrl+L"},
    {StringTable::kMainMenu, kCmdImport, "&Import Images...\tCtrl+I"},
    {StringTable::kMainMenu, kCmdExport, "E&xport Images...\tCtrl+S"},
    {StringTable::kMainMenu, kCmdRestore, "&Restore"},
    {StringTable::kMainMenu, kCmdEmptyRecycleBin, "&Empty Recycle Bin"},
    {StringTable::kMainMenu, kCmdProperties, "&Properties"},
    {StringTable::kMainMenu, kCmdPreferences, "Pr&eferences..."},
    {StringTable::kMainMenu, kCmdExit, "E&xit\tCtrl+Q"},
    {StringTable::kMainMenu, kCmdUndo, "&Undo\tCtrl+Z"},
    {StringTable::kMainMenu, kCmdCut, "Cu&t\tCtrl+X"},
    {StringTable::kMainMenu, kCmdCopy, "&Copy\tCtrl+C"},
    {StringTable::kMainMenu, kCmdPaste, "&Paste\tCtrl+V"},
    {StringTable::kMainMenu, kCmdFind, "&Find...\tCtrl+F"},
    {StringTable::kMainMenu, kCmdFindAgain, "Find A&gain\tCtrl+G"},
    {StringTable::kMainMenu, kCmdSelectAll, "Select &All\tCtrl+A"},
    {StringTable::kMainMenu, kCmdInvertSelection, "&Invert Selection"},
    {StringTable::kMainMenu, kCmdDelete, "&Delete\tDEL"},
    {StringTable::kMainMenu, kCmdRename, "&Rename\tCtrl+R"},
    {StringTable::kMainMenu, kCmdComment, "C&omment...\tCtrl+M"},
    {StringTable::kMainMenu, kCmdToggleToolbar, "&Toolbar"},
    {StringTable::kMainMenu, kCmdToggleStatusBar, "&Status Bar"},
    {StringTable::kMainMenu, kCmdHidePreview, "Hide &Preview\tCtrl+7"},
    {StringTable::kMainMenu, kCmdShowAll, "Show &All\tCtrl+8"},
    {StringTable::kMainMenu, kCmdHideArchive, "Hide Ar&chive\tCtrl+9"},
    {StringTable::kMainMenu, kCmdViewThumbnails, "Thumb&nails"},
    {StringTable::kMainMenu, kCmdViewLargeIcons, "Lar&ge Icons"},
    {StringTable::kMainMenu, kCmdViewSmallIcons, "S&mall Icons"},
    {StringTable::kMainMenu, kCmdViewList, "&List"},
    {StringTable::kMainMenu, kCmdViewDetails, "&Details"},
    {StringTable::kMainMenu, kCmdSortByName, "By &Name"},
    {StringTable::kMainMenu, kCmdSortByType, "By &Type"},
    {StringTable::kMainMenu, kCmdSortBySize, "By &Size"},
    {StringTable::kMainMenu, kCmdSortByDate, "By &Date"},
    {StringTable::kMainMenu, kCmdSortByDimensions, "By Di&mensions"},
    {StringTable::kMainMenu, kCmdSortByComment, "By &Comment"},
    {StringTable::kMainMenu, kCmdFitInWindow, "&Fit in Window\tCtrl+Y"},
    {StringTable::kMainMenu, kCmdStartSlideshow, "&Start Slideshow\tCtrl+P"},
    {StringTable::kMainMenu, kCmdHelpTopics, "&Help Topics"},
    {StringTable::kMainMenu, kCmdHomePage, "Quorvane &Home Page"},
    {StringTable::kMainMenu, kCmdMailSupport, "&E-mail Support"},
    {StringTable::kMainMenu, kCmdCheckUpdates, "Check for &Updates"},
    {StringTable::kMainMenu, kCmdAbout, "&About Quorvane..."},

    // An item's context menu.
    {StringTable::kItemMenu, kCmdOpenItem, "&Open"},
    {StringTable::kItemMenu, kCmdUndoContext, "&Undo"},
    {StringTable::kItemMenu, kCmdCut, "Cu&t"},
    {StringTable::kItemMenu, kCmdCopy, "&Copy"},
    {StringTable::kItemMenu, kCmdPaste, "&Paste"},
    {StringTable::kItemMenu, kCmdDelete, "&Delete"},
    {StringTable::kItemMenu, kCmdRename, "Rena&me"},
    {StringTable::kItemMenu, kCmdComment, "C&omment"},
    {StringTable::kItemMenu, kCmdExport, "E&xport"},
    {StringTable::kItemMenu, kCmdRestore, "&Restore"},
    {StringTable::kItemMenu, kCmdSelectAll, "Select &All"},
    {StringTable::kItemMenu, kCmdProperties, "P&roperties"},

    // The context menu of a pane's empty space; its View and Arrange Icons submenus read as in the menu bar.
    {StringTable::kSpaceMenu, kCmdViewThumbnails, "Thumb&nails"},
    {StringTable::kSpaceMenu, kCmdViewLargeIcons, "Lar&ge Icons"},
    {StringTable::kSpaceMenu, kCmdViewSmallIcons, "S&mall Icons"},
    {StringTable::kSpaceMenu, kCmdViewList, "&List"},
    {StringTable::kSpaceMenu, kCmdViewDetails, "&Details"},
    {StringTable::kSpaceMenu, kCmdSortByName, "By &Name"},
    {StringTable::kSpaceMenu, kCmdSortByType, "By &Type"},
    {StringTable::kSpaceMenu, kCmdSortBySize, "By &Size"},
    {StringTable::kSpaceMenu, kCmdSortByDate, "By &Date"},
    {StringTable::kSpaceMenu, kCmdSortByDimensions, "By Di&mensions"},
    {StringTable::kSpaceMenu, kCmdSortByComment, "By &Comment"},
    {StringTable::kSpaceMenu, kCmdUndoContext, "&Undo"},
    {StringTable::kSpaceMenu, kCmdCopy, "Copy"},
    {StringTable::kSpaceMenu, kCmdPaste, "&Paste"},
    {StringTable::kSpaceMenu, kCmdExport, "E&xport"},
    {StringTable::kSpaceMenu, kCmdSelectAll, "Select &All"},
    {StringTable::kSpaceMenu, kCmdNewFolder, "Folder"},
    {StringTable::kSpaceMenu, kCmdImport, "Import Files..."},
    {StringTable::kSpaceMenu, kCmdProperties, "P&roperties"},

    // The slideshow's menu.
    {StringTable::kSlideshowMenu, kCmdNextImage, "View &Next Image"},
    {StringTable::kSlideshowMenu, kCmdPreviousImage, "View &Previous Image"},
    {StringTable::kSlideshowMenu, kCmdAutoAdvance, "&Automatic Advancement"},
    {StringTable::kSlideshowMenu, kCmdContinueSlideshow, "&Continue Slideshow"},
    {StringTable::kSlideshowMenu, kCmdEndSlideshow, "&End Slideshow"},
};

const char* const kDoNotDisplay = "Do not display this message again.";

const QHash<int, const char*>& Strings() {
    static const QHash<int, const char*> table = [] {
        QHash<int, const char*> built;
        for (const Numbered& s : kStrings) {
            built.insert(s.id, s.text);
        }
        return built;
    }();
    return table;
}

bool IsEngineMessage(int id) {
    return id >= StringTable::kErrorFirst && id <= StringTable::kErrorLast;
}

// The part of a command string before (0) or after (1) its line break.
QString CommandPart(int commandId, int part) {
    QString text = StringTable::Text(commandId);
    const qsizetype at = text.indexOf(QLatin1Char('\n'));
    if (at < 0) {
        return text;
    }
    return part == 0 ? text.left(at) : text.mid(at + 1);
}

} // namespace

QString StringTable::Text(int id) {
    if (IsEngineMessage(id)) {
        return QString::fromUtf8(MessageText(static_cast<Status>(id)));
    }
    const auto it = Strings().constFind(id);
    return it == Strings().constEnd() ? QString() : QString::fromUtf8(it.value());
}

bool StringTable::Contains(int id) {
    return IsEngineMessage(id) || Strings().contains(id);
}

std::vector<int> StringTable::Ids() {
    std::vector<int> ids;
    for (const Numbered& s : kStrings) {
        ids.push_back(s.id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString StringTable::ErrorText(int code) {
    return Text(IsEngineMessage(code) ? code : kErrorGeneral);
}

QString StringTable::StatusPrompt(int commandId) {
    return CommandPart(commandId, 0);
}

QString StringTable::Tooltip(int commandId) {
    return CommandPart(commandId, 1);
}

QString StringTable::MenuLabel(int menu, int commandId) {
    for (const Label& label : kLabels) {
        if (label.menu == menu && label.id == commandId) {
            return QString::fromUtf8(label.text);
        }
    }
    return {};
}

QString StringTable::UndoLabel(int undoKind, bool withShortcut) {
    QString label;
    switch (undoKind) {
    case 1:
        label = QStringLiteral("&Undo Delete");
        break;
    case 5:
        label = QStringLiteral("&Undo Move");
        break;
    case 6:
        label = QStringLiteral("&Undo Cut");
        break;
    default:
        label = QStringLiteral("&Undo");
        break;
    }
    if (withShortcut) {
        label += QStringLiteral("\tCtrl+Z");
    }
    return label;
}

QString StringTable::DoNotDisplayAgain() {
    return QString::fromUtf8(kDoNotDisplay);
}

DialogStrings StringTable::Dialog(int resource) {
    const QString again = QString::fromUtf8(kDoNotDisplay);
    switch (resource) {
    case kDlgAbout:
        return {QStringLiteral("About Quorvane"),
                QStringLiteral("Quorvane\u00ae 2.5"),
                {},
                {QStringLiteral("&OK")},
                {QStringLiteral("Your pictures, kept in password-protected, encrypted archives."),
                 QStringLiteral("Copyright \u00a9 2026 the Quorvane developers. All rights reserved."),
                 QStringLiteral("Built with Qt, the cross-platform application framework.")}};
    case kDlgProgress:
        return {QStringLiteral("Adding Files..."), {}, {}, {QStringLiteral("&Cancel")}, {}};
    case kDlgPassword:
        return {QStringLiteral("Archive Password"),
                QStringLiteral("Enter archive password."),
                QStringLiteral("&Hide Password"),
                {QStringLiteral("OK"), QStringLiteral("Cancel")},
                {}};
    case kDlgConfirmPassword:
        return {QStringLiteral("Confirm Archive Password"),
                QStringLiteral("Enter archive password."),
                QStringLiteral("&Hide Password"),
                {QStringLiteral("OK"), QStringLiteral("Cancel")},
                {}};
    case kDlgAutoCloseCountdown:
        return {QStringLiteral("AutoClose"),
                QStringLiteral("AutoClose will automatically close all open archives in 60 seconds."),
                {},
                {QStringLiteral("&Cancel")},
                {}};
    case kDlgFileOpenError:
        return {
            QStringLiteral("File Open Error"),
            QStringLiteral("There was an error opening the file '%s' with the image viewer. The image either "
                           "is corrupt or has an unrecognized format."),
            QStringLiteral("Do not display this message for this file again."),
            {QStringLiteral("&OK")},
            {}};
    case kDlgUpdateReminder:
        return {QStringLiteral("Quorvane Update"),
                QStringLiteral("It has been over 3 Months since you last updated Quorvane. Due to continual "
                               "advances in encryption technology, we recommend periodically checking for "
                               "Quorvane updates."),
                again,
                {QStringLiteral("&OK"), QStringLiteral("&Check for Program Updates")},
                {}};
    case kDlgEditComment:
        return {QStringLiteral("Edit Comment"),
                QStringLiteral("Enter comment."),
                {},
                {QStringLiteral("OK"), QStringLiteral("Cancel")},
                {}};
    case kDlgAutoCloseDone:
        return {QStringLiteral("AutoClose"),
                QStringLiteral(
                    "AutoClose has closed all open archives. You can adjust the AutoClose wait-time in "
                    "the preferences dialog."),
                {},
                {QStringLiteral("&OK")},
                {}};
    case kDlgGettingStarted:
        return {QStringLiteral("Getting Started"),
                QStringLiteral("Would you like to import images to your new archive now?"),
                again,
                {QStringLiteral("&Yes"), QStringLiteral("&No")},
                {}};
    case kDlgArchiveProperties:
        return {QStringLiteral("Archive Properties"),
                {},
                QStringLiteral("Enable Archive Encryption"),
                {QStringLiteral("OK"), QStringLiteral("Cancel"), QStringLiteral("Help")},
                {}};
    case kDlgWelcome:
        return {QStringLiteral("Welcome to Quorvane"),
                {},
                QStringLiteral("Do not display this message at startup."),
                {QStringLiteral("&Open"), QStringLiteral("&New"), QStringLiteral("&Cancel"),
                 QStringLiteral("&Help")},
                {QStringLiteral("Open an existing Quorvane archive."),
                 QStringLiteral("Create a new Quorvane archive.")}};
    case kDlgFind:
        return {QStringLiteral("Find"),
                QStringLiteral("Fi&nd what:"),
                {},
                {QStringLiteral("&Find Next"), QStringLiteral("&Cancel")},
                {QStringLiteral("&Match Case"), QStringLiteral("&Exact Match")}};
    case kDlgFindEnd:
        return {QStringLiteral("Find"),
                QStringLiteral("Cannot find string. Reached the end of the selected archive."),
                {},
                {QStringLiteral("OK")},
                {}};
    default:
        return {};
    }
}

} // namespace quorvane
