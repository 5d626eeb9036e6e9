// The command rules over the states the program passes through: nothing open; the archive's top
// level, a folder and the recycle bin in the tree; the list with and without a focused item;
// editing a name; a running command; 64 open archives.
#include "CommandRules.h"
#include "CommandIds.h"

#include <gtest/gtest.h>

#include <string>

using namespace quorvane;

namespace {

// One character per command: 'E' enabled, '.' disabled, 'C' enabled and checked, 'c' checked but
// disabled. Blanks only group the columns.
const int kPaneIds[] = {8002, 8004, 8005, 8006};
const int kArchiveIds[] = {8100, 8101, 8102, 8103, 8104, 8105, 8106, 8107, 8108, 8109, 8110,
                           8111, 8112, 8113, 8114, 8115, 8116, 8117, 8118, 8119, 8120, 8121};

std::string Squeeze(const char* marks) {
    std::string out;
    for (const char* p = marks; *p; ++p) {
        if (*p != ' ') {
            out += *p;
        }
    }
    return out;
}

char Mark(const CommandUi& ui) {
    if (ui.enabled) {
        return ui.checked ? 'C' : 'E';
    }
    return ui.checked ? 'c' : '.';
}

CommandState Open(int folder, ActivePane pane) {
    CommandState s;
    s.archiveCount = 1;
    s.hasCurrentArchive = true;
    s.currentFolder = folder;
    s.activePane = pane;
    return s;
}

struct Scenario {
    const char* name;
    CommandState state;
    const char* panes;    // 8002 8004 8005 8006
    const char* archive;  // 8100..8104 8105..8109 8110..8114 8115..8119 8120 8121
    const char* undoEdit; // text of 8108
};

std::vector<Scenario> Scenarios() {
    std::vector<Scenario> list;

    CommandState nothing;
    nothing.clipboardKind = 7; // never reachable with nothing open, and still no Paste or Undo
    nothing.undoKind = 1;
    nothing.findStart = 5; // Find Again stays disabled whatever "FS" holds
    list.push_back(
        {"nothing open", nothing, ". . c .", "EE... ..... ..... E.... ..", "&Undo Delete\tCtrl+Z"});

    list.push_back({"tree: archive top level", Open(0, ActivePane::Tree), ". E C E",
                    "EEEEE .E..E ..E.. EE... ..", "&Undo\tCtrl+Z"});

    CommandState rootHidden = Open(0, ActivePane::Tree);
    rootHidden.layout = PaneLayout::HideArchive;
    list.push_back({"tree: top level, archive pane hidden", rootHidden, "E E E C",
                    "EEEEE .E..E ..E.. EE... ..", "&Undo\tCtrl+Z"});

    CommandState folder = Open(5, ActivePane::Tree);
    folder.clipboardKind = 7;
    folder.undoKind = 1;
    folder.findStart = 3;
    folder.binItemCount = 2;
    list.push_back({"tree: folder", folder, "E E C E", "EEEEE EEEEE EEEE. EEE.. EE", "&Undo Delete\tCtrl+Z"});

    CommandState bin = Open(1, ActivePane::Tree);
    bin.inRecycleBin = true;
    bin.binItemCount = 2;
    list.push_back({"tree: recycle bin", bin, "E E C E", "EE.E. ....E E.... EE..E ..", "&Undo\tCtrl+Z"});

    CommandState emptyBin = bin;
    emptyBin.binItemCount = 0;
    emptyBin.defragmentPending = true;
    list.push_back({"tree: empty recycle bin, defragmentation pending", emptyBin, "E E C E",
                    "EE.E. ....E E.... EE... ..", "&Undo\tCtrl+Z"});

    CommandState binFolder = Open(7, ActivePane::Tree);
    binFolder.inRecycleBin = true;
    binFolder.binItemCount = 3;
    list.push_back({"tree: folder inside the recycle bin", binFolder, "E E C E", "EEEEE ....E E.... EE..E ..",
                    "&Undo\tCtrl+Z"});

    list.push_back({"list: nothing focused or selected", Open(5, ActivePane::List), "E E C E",
                    "EEEEE ....E ..... EE... ..", "&Undo\tCtrl+Z"});

    // The list's editing commands follow its focused item, not how many items are selected.
    CommandState focusOnly = Open(5, ActivePane::List);
    focusOnly.listHasFocusedItem = true;
    list.push_back({"list: a focused item, nothing selected", focusOnly, "E E C E",
                    "EEEEE EE..E .EEE. EE... .E", "&Undo\tCtrl+Z"});

    CommandState selectionOnly = Open(5, ActivePane::List);
    selectionOnly.listSelectedCount = 3;
    list.push_back({"list: items selected, none focused", selectionOnly, "E E C E",
                    "EEEEE ....E ..... EE... ..", "&Undo\tCtrl+Z"});

    CommandState listItem = Open(0, ActivePane::List);
    listItem.listHasFocusedItem = true;
    listItem.listSelectedCount = 2;
    listItem.clipboardKind = 6;
    listItem.undoKind = 6;
    list.push_back({"list: focused and selected items at the top level", listItem, ". E C E",
                    "EEEEE EEEEE .EEE. EE... EE", "&Undo Cut\tCtrl+Z"});

    CommandState listBin = Open(1, ActivePane::List);
    listBin.inRecycleBin = true;
    listBin.binItemCount = 1;
    listBin.listHasFocusedItem = true;
    listBin.listSelectedCount = 1;
    list.push_back({"list: focused item in the recycle bin", listBin, "E E C E", "EE.E. ....E E.... EE..E ..",
                    "&Undo\tCtrl+Z"});

    CommandState editing = Open(5, ActivePane::List);
    editing.listHasFocusedItem = true;
    editing.listSelectedCount = 1;
    editing.labelEditing = true;
    editing.clipboardKind = 7;
    editing.undoKind = 5;
    list.push_back(
        {"list: editing a name", editing, "E E C E", "EEEEE ....E ..... EE... E.", "&Undo Move\tCtrl+Z"});

    CommandState noPane = Open(5, ActivePane::None);
    noPane.listHasFocusedItem = true;
    list.push_back({"no pane active", noPane, "E E C E", "EEEEE ..... ..... EE... ..", "&Undo\tCtrl+Z"});

    CommandState busy = folder;
    busy.busy = true;
    list.push_back(
        {"a command is running", busy, ". . c .", "..... ..... ..... ..... ..", "&Undo Delete\tCtrl+Z"});

    CommandState full = Open(5, ActivePane::Tree);
    full.archiveCount = 64;
    list.push_back({"64 archives open", full, "E E C E", "..EEE EE..E .EEE. EE... .E", "&Undo\tCtrl+Z"});
    return list;
}

TEST(CommandRules, PaneAndArchiveCommandsOverEveryState) {
    for (const Scenario& s : Scenarios()) {
        std::string panes;
        for (int id : kPaneIds) {
            panes += Mark(CommandRules::Update(id, s.state));
        }
        std::string archive;
        for (int id : kArchiveIds) {
            archive += Mark(CommandRules::Update(id, s.state));
        }
        EXPECT_EQ(panes, Squeeze(s.panes)) << s.name;
        EXPECT_EQ(archive, Squeeze(s.archive)) << s.name;
        EXPECT_EQ(CommandRules::Update(kCmdUndo, s.state).text.value_or(QString()),
                  QString::fromUtf8(s.undoEdit))
            << s.name;
        // The context menus' Undo reads the same without the shortcut; no other entry changes its text.
        QString context = QString::fromUtf8(s.undoEdit);
        context.chop(QStringLiteral("\tCtrl+Z").size());
        EXPECT_EQ(CommandRules::Update(kCmdUndoContext, s.state).text.value_or(QString()), context) << s.name;
        EXPECT_FALSE(CommandRules::Update(kCmdCut, s.state).text.has_value()) << s.name;
        // Identifiers without an action stay disabled.
        for (int id : {8000, 8001, 8003}) {
            EXPECT_EQ(Mark(CommandRules::Update(id, s.state)), '.') << s.name << " " << id;
        }
    }
}

TEST(CommandRules, ListAndPreviewCommands) {
    CommandState s = Open(5, ActivePane::List);
    s.viewMode = 4;
    s.sortColumn = 1;
    s.thumbSizeIndex = 1; // 32-pixel thumbnails: the list cannot show them as thumbnails
    s.slideAutoAdvance = true;
    s.previewFit = true;
    struct Case {
        int id;
        char mark;
    };
    const Case open[] = {
        {kCmdSortByName, 'E'},       {kCmdSortBySize, 'C'},     {kCmdSortByType, 'E'},
        {kCmdSortByDimensions, 'E'}, {kCmdSortByDate, 'E'},     {kCmdSortByComment, 'E'},
        {kCmdViewThumbnails, '.'},   {kCmdViewLargeIcons, 'E'}, {kCmdViewSmallIcons, 'E'},
        {kCmdViewList, 'E'},         {kCmdViewDetails, 'C'},    {kCmdSelectAll, 'E'},
        {kCmdInvertSelection, 'E'},  {kCmdStartSlideshow, 'E'}, {kCmdAutoAdvance, 'C'},
        {kCmdOpenItem, '.'},         {kCmdNextImage, 'E'},      {kCmdFitInWindow, 'C'},
    };
    for (const Case& c : open) {
        EXPECT_EQ(Mark(CommandRules::Update(c.id, s)), c.mark) << c.id;
    }

    s.thumbSizeIndex = 2;
    s.viewMode = 2;
    s.listSelectedCount = 1;
    s.slideAutoAdvance = false;
    EXPECT_EQ(Mark(CommandRules::Update(kCmdViewThumbnails, s)), 'C');
    EXPECT_EQ(Mark(CommandRules::Update(kCmdOpenItem, s)), 'E');
    EXPECT_EQ(Mark(CommandRules::Update(kCmdAutoAdvance, s)), 'E');

    // Fit in Window only while the preview pane is on screen.
    s.layout = PaneLayout::HidePreview;
    EXPECT_EQ(Mark(CommandRules::Update(kCmdFitInWindow, s)), '.');
    s.layout = PaneLayout::HideArchive;
    s.previewFit = false;
    EXPECT_EQ(Mark(CommandRules::Update(kCmdFitInWindow, s)), 'E');

    // With nothing open, or while a command runs, every one of them is disabled and unchecked.
    for (const bool busy : {false, true}) {
        CommandState closed = busy ? s : CommandState{};
        closed.busy = busy;
        for (int id = kCmdNextImage; id <= kCmdSortByComment; ++id) {
            EXPECT_EQ(Mark(CommandRules::Update(id, closed)), '.') << id << (busy ? " busy" : " closed");
        }
        EXPECT_EQ(Mark(CommandRules::Update(kCmdFitInWindow, closed)), '.');
    }
}

TEST(CommandRules, FrameAndHelpCommands) {
    CommandState s;
    s.toolbarVisible = false;
    EXPECT_EQ(Mark(CommandRules::Update(kCmdAbout, s)), 'E');
    EXPECT_EQ(Mark(CommandRules::Update(kCmdHomePage, s)), 'E');
    EXPECT_EQ(Mark(CommandRules::Update(kCmdToggleToolbar, s)), 'E');
    EXPECT_EQ(Mark(CommandRules::Update(kCmdToggleStatusBar, s)), 'C');
    // Help stays disabled until the help pages exist.
    for (int id :
         {kCmdHelpIndex, kCmdHelpTopics, kCmdHelpUsing, kCmdContextHelp, kCmdHelp, kCmdDefaultHelp}) {
        EXPECT_EQ(Mark(CommandRules::Update(id, s)), '.') << id;
    }
    s.busy = true;
    EXPECT_EQ(Mark(CommandRules::Update(kCmdHomePage, s)), '.');
    // Exit stays available: the frame turns it into a cancel of the running command.
    EXPECT_EQ(Mark(CommandRules::Update(kCmdExit, s)), 'E');
    EXPECT_FALSE(CommandRules::Knows(8301));
    EXPECT_EQ(Mark(CommandRules::Update(8301, CommandState{})), '.');
}

} // namespace
