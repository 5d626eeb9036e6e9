#pragma once
// Command identifiers shared by the menus, the toolbar, the accelerators and the rules that enable
// them. Each command's status-bar prompt and tooltip are the string with the same number.

namespace quorvane {

enum CommandId : int {
    // Panes (routed to the main frame).
    kCmdPane8000 = 8000,
    kCmdPane8001 = 8001,
    kCmdUpOneLevel = 8002,
    kCmdPane8003 = 8003,
    kCmdHidePreview = 8004,
    kCmdShowAll = 8005,
    kCmdHideArchive = 8006,

    // Archive commands (routed to the Workspace).
    kCmdNew = 8100,
    kCmdOpen = 8101,
    kCmdImport = 8102,
    kCmdClose = 8103,
    kCmdNewFolder = 8104,
    kCmdCut = 8105,
    kCmdCopy = 8106,
    kCmdPaste = 8107,
    kCmdUndo = 8108,
    kCmdProperties = 8109,
    kCmdEmptyRecycleBin = 8110,
    kCmdDelete = 8111,
    kCmdExport = 8112,
    kCmdRename = 8113,
    kCmdArchive8114 = 8114,
    kCmdPreferences = 8115,
    kCmdFind = 8116,
    kCmdFindAgain = 8117,
    kCmdArchive8118 = 8118,
    kCmdRestore = 8119,
    kCmdUndoContext = 8120,
    kCmdComment = 8121,

    // Contents list and slideshow.
    kCmdNextImage = 8200,
    kCmdStartSlideshow = 8201,
    kCmdEndSlideshow = 8202,
    kCmdPreviousImage = 8203,
    kCmdSortByName = 8204,
    kCmdSortByType = 8205,
    kCmdSortBySize = 8206,
    kCmdSortByDate = 8207,
    kCmdViewThumbnails = 8208,
    kCmdViewLargeIcons = 8209,
    kCmdViewSmallIcons = 8210,
    kCmdViewList = 8211,
    kCmdViewDetails = 8212,
    kCmdSelectAll = 8213,
    kCmdInvertSelection = 8214,
    kCmdSortByDimensions = 8215,
    kCmdContinueSlideshow = 8216,
    kCmdAutoAdvance = 8217,
    kCmdOpenItem = 8218,
    kCmdSortByComment = 8219,

    // Preview.
    kCmdFitInWindow = 8300,

    // Web and mail.
    kCmdHomePage = 8500,
    kCmdMailSupport = 8501,
    kCmdCheckUpdates = 8502,

    // The window framework's standard identifiers.
    kCmdAbout = 57664,
    kCmdExit = 57665,
    kCmdHelpIndex = 57666,
    kCmdHelpTopics = 57667,
    kCmdHelpUsing = 57668,
    kCmdContextHelp = 57669,
    kCmdHelp = 57670,
    kCmdDefaultHelp = 57671,
    kCmdNextPane = 57680,
    kCmdPreviousPane = 57681,
    kCmdToggleToolbar = 59392,
    kCmdToggleStatusBar = 59393,
};

} // namespace quorvane
