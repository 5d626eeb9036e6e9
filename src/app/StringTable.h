#pragma once
// Every numbered text of the program: messages, captions, formats, status-bar prompts and
// tooltips, looked up by number. Error messages 9000..9032 are the engine's own table, so each
// text exists once in the program. The menu labels and the texts of the small message dialogs live
// here too, so that the menus, the dialogs and the rules that change their texts share one copy.
#include <QString>
#include <QStringList>

#include <vector>

namespace quorvane {

// Title, text, check box and buttons of one message dialog (resource number).
struct DialogStrings {
    QString title;
    QString text;
    QString checkBox;    // empty when the dialog has none
    QStringList buttons; // in their order on the dialog
    QStringList notes;   // further lines, e.g. the welcome dialog's button descriptions
};

class StringTable {
public:
    // Menu resources whose labels MenuLabel knows.
    enum Menu { kMainMenu = 128, kItemMenu = 200, kSpaceMenu = 201, kSlideshowMenu = 202 };

    // The text of string `id`; empty for a number the table does not hold.
    static QString Text(int id);
    static bool Contains(int id);
    // Every number the table holds besides the engine's messages, ascending.
    static std::vector<int> Ids();

    // What a message box shows for engine status `code`: its own text for 9000..9032, otherwise
    // the general message 9029.
    static QString ErrorText(int code);

    // A command's string reads "prompt\ntooltip"; a string without a line break serves as both.
    static QString StatusPrompt(int commandId);
    static QString Tooltip(int commandId);

    // The label of `commandId` in `menu` ("\t" separates the shortcut); empty when it has no entry there.
    static QString MenuLabel(int menu, int commandId);
    // The Undo entry for an undo kind (0 none, 1 delete, 5 move, 6 cut): with the shortcut for the
    // Edit menu, without it for the context menus.
    static QString UndoLabel(int undoKind, bool withShortcut);

    static DialogStrings Dialog(int resource);
    // The box of the confirmations and alerts the user can switch off.
    static QString DoNotDisplayAgain();

    static constexpr int kErrorFirst = 9000;
    static constexpr int kErrorLast = 9032;
    static constexpr int kErrorGeneral = 9029;
};

// Numbers of the texts the program asks for by name.
enum StringId : int {
    kStrDocumentType = 129,
    kStrStatusProgressPane = 3000,
    kStrStatusPane1 = 3001,
    kStrStatusPane2 = 3002,
    kStrStatusPane3 = 3003,
    kStrStatusPane4 = 3004,
    kStrOpenArchives = 5001,
    kStrContents = 5002,
    kStrMinutesSeconds = 5003,
    kStrHoursMinutesSeconds = 5004,
    kStrFilesProgress = 5005,
    kStrAutoCloseCountdown = 5006,
    kStrEncryptingTitle = 5007,
    kStrEncryptingStart = 5008,
    kStrCopyingTitle = 5009,
    kStrCopyingStart = 5010,
    kStrExportingTitle = 5011,
    kStrExportingStart = 5012,
    kStrEmptyingTitle = 5013,
    kStrEmptyingStart = 5014,
    kStrThumbnailsTitle = 5015,
    kStrThumbnailsStart = 5016,
    kStrNotEncrypted = 5025,
    kStrContentsOf = 5041,
    kStrNewFolderName = 5045,
    kStrArchiveFilter = 5048,
    kStrImportFilter = 5049,
    kStrImportIntoBin = 5079,
    kStrPreview = 5082,
    kStrCreateArchiveTitle = 5083,
    kStrOpenArchiveTitle = 5084,
    kStrImportTitle = 5085,
    kStrPercentComplete = 5086,
    kStrForbiddenCharacters = 5087,
    kStrForbiddenName = 5088,
    kStrPreferencesTitle = 5101,
    // The preview pane, its status-bar texts and the slideshow.
    kStrPreviewOf = 5120,
    kStrPreviewCommentSeparator = 5121,
    kStrNoSlideshowImages = 5122,
    kStrStatusImageSize = 5123,
    kStrStatusColours = 5124,
    kStrStatusTrueColour = 5125,
    kStrStatusFileSize = 5126,
    kStrTypeJpeg = 5127,
    kStrTypeGif = 5128,
    kStrTypeBmp = 5129,
    kStrTypePng = 5130,
    kStrTypeTiff = 5131,
    kStrCloseOnLock = 5132,
    kStrGeneratingThumbnails = 5210,
    kStrAntiAliasingThumbnails = 5211,
    kStrTwofishName = 5300,
    kStrBlowfishName = 5301,
    kStrBasicName = 5302,
    kStrApplicationTitle = 57344,
};

// Resource numbers of the message dialogs in StringTable::Dialog.
enum DialogId : int {
    kDlgAbout = 100,
    kDlgProgress = 1031,
    kDlgPassword = 1072,
    kDlgConfirmPassword = 1073,
    kDlgAutoCloseCountdown = 12309,
    kDlgFileOpenError = 12315,
    kDlgUpdateReminder = 12322,
    kDlgEditComment = 12323,
    kDlgAutoCloseDone = 12329,
    kDlgGettingStarted = 12331,
    kDlgArchiveProperties = 12338,
    kDlgWelcome = 12341,
    kDlgFind = 12344,
    kDlgFindEnd = 12345,
};

} // namespace quorvane
