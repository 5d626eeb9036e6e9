#include "CommandRules.h"

#include "CommandIds.h"
#include "StringTable.h"

namespace quorvane {

namespace {

CommandUi Enabled(bool enabled, bool checked = false) {
    CommandUi ui;
    ui.enabled = enabled;
    ui.checked = checked;
    return ui;
}

// 8000..8006: the pane arrangement and Up One Level.
CommandUi PaneCommand(int id, const CommandState& s) {
    const bool open = !s.busy && s.anyArchiveOpen();
    switch (id) {
    case kCmdUpOneLevel:
        // At an archive's top level in Hide Archive it shows all panes again, hence enabled there.
        return Enabled(open && (s.currentFolder != 0 || s.layout == PaneLayout::HideArchive));
    case kCmdHidePreview:
        return Enabled(open, s.layout == PaneLayout::HidePreview);
    case kCmdShowAll:
        return Enabled(open, s.layout == PaneLayout::ShowAll);
    case kCmdHideArchive:
        return Enabled(open, s.layout == PaneLayout::HideArchive);
    default:
        return {};
    }
}

// 8100..8121: the Workspace's commands.
CommandUi ArchiveCommand(int id, const CommandState& s) {
    CommandUi ui;
    if (id == kCmdUndo || id == kCmdUndoContext) {
        ui.text = StringTable::UndoLabel(s.undoKind, id == kCmdUndo);
    }
    if (s.busy) {
        return ui;
    }
    const bool open = s.anyArchiveOpen();
    const bool editing = s.labelEditing;
    const bool tree = s.activePane == ActivePane::Tree;
    const bool list = s.activePane == ActivePane::List;
    const bool listItem = list && s.listHasFocusedItem;
    // Cut, Delete, Rename and Comment: not the archive's top level in the tree, nothing in the bin.
    const bool asCut = open && !editing && !s.inRecycleBin && ((tree && s.currentFolder != 0) || listItem);
    // Copy and Export: the top level counts.
    const bool asCopy = open && !editing && !s.inRecycleBin && (tree || listItem);
    switch (id) {
    case kCmdNew:
    case kCmdOpen:
        ui.enabled = s.archiveCount < CommandRules::kMaxArchives;
        break;
    case kCmdImport:
    case kCmdNewFolder:
        ui.enabled = open && s.currentFolder != 1;
        break;
    case kCmdClose:
    case kCmdFind:
        ui.enabled = open;
        break;
    case kCmdCut:
    case kCmdDelete:
    case kCmdRename:
    case kCmdComment:
        ui.enabled = asCut;
        break;
    case kCmdCopy:
    case kCmdExport:
        ui.enabled = asCopy;
        break;
    case kCmdPaste:
        ui.enabled = open && s.clipboardKind != 0 && !editing;
        break;
    case kCmdUndo:
        ui.enabled = open && s.undoKind != 0 && !editing;
        break;
    case kCmdUndoContext:
        ui.enabled = open && s.undoKind != 0;
        break;
    case kCmdProperties:
        ui.enabled = open && s.hasCurrentArchive && (tree || list);
        break;
    case kCmdEmptyRecycleBin:
        ui.enabled = open && s.hasCurrentArchive && (s.binItemCount > 0 || s.defragmentPending);
        break;
    case kCmdPreferences:
        ui.enabled = true;
        break;
    case kCmdFindAgain:
        ui.enabled = open && s.findStart > 0;
        break;
    case kCmdRestore:
        ui.enabled = open && s.inRecycleBin && ((tree && s.binItemCount > 0) || listItem);
        break;
    default: // 8114 and 8118 have no command
        break;
    }
    return ui;
}

// The sort column each sort command belongs to.
int SortColumnOf(int id) {
    switch (id) {
    case kCmdSortByName:
        return 0;
    case kCmdSortBySize:
        return 1;
    case kCmdSortByType:
        return 2;
    case kCmdSortByDimensions:
        return 3;
    case kCmdSortByDate:
        return 4;
    case kCmdSortByComment:
        return 5;
    default:
        return -1;
    }
}

int ViewModeOf(int id) {
    switch (id) {
    case kCmdViewSmallIcons:
        return 0;
    case kCmdViewLargeIcons:
        return 1;
    case kCmdViewThumbnails:
        return 2;
    case kCmdViewList:
        return 3;
    case kCmdViewDetails:
        return 4;
    default:
        return -1;
    }
}

// 8200..8219: the contents list and the slideshow. Nothing is enabled while a command runs: a
// view change or a re-sort would read a catalogue the command may be renumbering.
CommandUi ListCommand(int id, const CommandState& s) {
    if (s.busy || !s.anyArchiveOpen()) {
        return {};
    }
    if (const int column = SortColumnOf(id); column >= 0) {
        return Enabled(true, s.sortColumn == column);
    }
    if (const int mode = ViewModeOf(id); mode >= 0) {
        const bool enabled = id != kCmdViewThumbnails || s.thumbSizeIndex >= 2;
        return Enabled(enabled, s.viewMode == mode);
    }
    switch (id) {
    case kCmdAutoAdvance:
        return Enabled(true, s.slideAutoAdvance);
    case kCmdOpenItem:
        return Enabled(s.listSelectedCount >= 1);
    default: // next, previous, start, end, continue, select all, invert selection
        return Enabled(true);
    }
}

// 8300: Fit in Window, while the preview pane is on screen.
CommandUi FitCommand(const CommandState& s) {
    if (s.busy || !s.anyArchiveOpen() || !PreviewVisible(s.layout)) {
        return {};
    }
    return Enabled(true, s.previewFit);
}

// The window framework's identifiers, the web pages and the mail.
CommandUi FrameCommand(int id, const CommandState& s) {
    switch (id) {
    case kCmdExit:
        // Always available: while a command runs the frame turns it into a cancel of that command.
        return Enabled(true);
    case kCmdAbout:
    case kCmdHomePage:
    case kCmdMailSupport:
    case kCmdCheckUpdates:
    case kCmdNextPane:
    case kCmdPreviousPane:
        return Enabled(!s.busy);
    case kCmdToggleToolbar:
        return Enabled(!s.busy, s.toolbarVisible);
    case kCmdToggleStatusBar:
        return Enabled(!s.busy, s.statusBarVisible);
    default:
        // The help identifiers stay disabled until the help pages exist.
        return {};
    }
}

bool InRange(int id, int low, int high) {
    return id >= low && id <= high;
}

} // namespace

bool CommandRules::Knows(int id) {
    return InRange(id, kCmdPane8000, kCmdHideArchive) || InRange(id, kCmdNew, kCmdComment) ||
           InRange(id, kCmdNextImage, kCmdSortByComment) || id == kCmdFitInWindow ||
           InRange(id, kCmdHomePage, kCmdCheckUpdates) || InRange(id, kCmdAbout, kCmdDefaultHelp) ||
           id == kCmdNextPane || id == kCmdPreviousPane || id == kCmdToggleToolbar ||
           id == kCmdToggleStatusBar;
}

CommandUi CommandRules::Update(int id, const CommandState& state) {
    if (InRange(id, kCmdPane8000, kCmdHideArchive)) {
        return PaneCommand(id, state);
    }
    if (InRange(id, kCmdNew, kCmdComment)) {
        return ArchiveCommand(id, state);
    }
    if (InRange(id, kCmdNextImage, kCmdSortByComment)) {
        return ListCommand(id, state);
    }
    if (id == kCmdFitInWindow) {
        return FitCommand(state);
    }
    if (Knows(id)) {
        return FrameCommand(id, state);
    }
    return {};
}

} // namespace quorvane
