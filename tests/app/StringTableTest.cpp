// The string table: engine messages come from the engine's table, command strings split into
// prompt and tooltip, menu and Undo labels, and printf-style formats filled safely.
#include "StringTable.h"
#include "CommandIds.h"
#include "ErrorCodes.h"
#include "TextFormat.h"

#include <gtest/gtest.h>

#include <set>

using namespace quorvane;

namespace {

TEST(StringTable, EngineMessagesAreTheEnginesOwnTexts) {
    for (int code = 9000; code <= 9032; ++code) {
        EXPECT_EQ(StringTable::Text(code), QString::fromUtf8(MessageText(static_cast<Status>(code)))) << code;
        EXPECT_TRUE(StringTable::Contains(code)) << code;
    }
    // The table holds no copy of its own in that range.
    for (int id : StringTable::Ids()) {
        EXPECT_TRUE(id < 9000 || id > 9032) << id;
    }
}

TEST(StringTable, ErrorTextFallsBackOnTheGeneralMessage) {
    const QString general = QStringLiteral("There was an error processing this command.");
    EXPECT_EQ(StringTable::ErrorText(9016),
              QStringLiteral("Cannot open archive. The maximum number of archives are open."));
    EXPECT_EQ(StringTable::ErrorText(9029), general);
    EXPECT_EQ(StringTable::ErrorText(8999), general);
    EXPECT_EQ(StringTable::ErrorText(9033), general);
    EXPECT_EQ(StringTable::ErrorText(1), general);
    // A number of the table outside the error range is still not an error text.
    EXPECT_EQ(StringTable::ErrorText(kStrContents), general);
}

TEST(StringTable, NumbersAreUniqueAndUnknownOnesAreEmpty) {
    const std::vector<int> ids = StringTable::Ids();
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_TRUE(StringTable::Text(8114).isEmpty());
    EXPECT_TRUE(StringTable::Text(4242).isEmpty());
    EXPECT_FALSE(StringTable::Contains(4242));
}

TEST(StringTable, CommandStringsSplitIntoPromptAndTooltip) {
    struct Case {
        int id;
        const char* prompt;
        const char* tooltip;
    };
    const Case cases[] = {
        {kCmdNew, "Create a new archive.", "New Archive"},
        {kCmdCut, "Cut the selection and put it on the Clipboard", "Cut"},
        {kCmdPreferences, "Preferences", "Preferences"},
        {kCmdUpOneLevel, "Up One Level.", "Up One Level"},
        {kCmdSortByDimensions, "Sort items by dimension.", "Sort By Dimension"},
        {kCmdFitInWindow, "Fit the image in the window.", "Fit in Window"},
        {kCmdCheckUpdates, "Check for any available Quorvane updates.", "Check for Updates"},
        // A single text serves as both.
        {kCmdNextImage, "View Next File", "View Next File"},
        {kCmdPreviousImage, "View Previous File", "View Previous File"},
        // No string at all: nothing.
        {kCmdArchive8118, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StringTable::StatusPrompt(c.id), QString::fromUtf8(c.prompt)) << c.id;
        EXPECT_EQ(StringTable::Tooltip(c.id), QString::fromUtf8(c.tooltip)) << c.id;
    }
}

TEST(StringTable, EveryToolbarCommandHasATooltipAndAPrompt) {
    const int toolbar[] = {8100, 8101, 8103, 8004, 8005, 8006, 8002, 8102, 8112, 8104, 8121,
                           8111, 8110, 8203, 8200, 8300, 8201, 8208, 8209, 8210, 8211, 8212};
    for (int id : toolbar) {
        EXPECT_FALSE(StringTable::Tooltip(id).isEmpty()) << id;
        EXPECT_FALSE(StringTable::StatusPrompt(id).isEmpty()) << id;
        EXPECT_FALSE(StringTable::Tooltip(id).contains(QLatin1Char('\n'))) << id;
    }
}

TEST(StringTable, MenuLabelsDifferBetweenTheMenuBarAndTheContextMenus) {
    EXPECT_EQ(StringTable::MenuLabel(StringTable::kMainMenu, kCmdRename), QStringLiteral("&Rename\tCtrl+R"));
    EXPECT_EQ(StringTable::MenuLabel(StringTable::kItemMenu, kCmdRename), QStringLiteral("Rena&me"));
    EXPECT_EQ(StringTable::MenuLabel(StringTable::kSpaceMenu, kCmdCopy), QStringLiteral("Copy"));
    EXPECT_EQ(StringTable::MenuLabel(StringTable::kSlideshowMenu, kCmdEndSlideshow),
              QStringLiteral("&End Slideshow"));
    EXPECT_TRUE(StringTable::MenuLabel(StringTable::kItemMenu, kCmdNew).isEmpty());
}

TEST(StringTable, UndoLabelsFollowTheUndoKind) {
    struct Case {
        int kind;
        const char* edit;
        const char* context;
    };
    const Case cases[] = {
        {0, "&Undo\tCtrl+Z", "&Undo"},
        {1, "&Undo Delete\tCtrl+Z", "&Undo Delete"},
        {5, "&Undo Move\tCtrl+Z", "&Undo Move"},
        {6, "&Undo Cut\tCtrl+Z", "&Undo Cut"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StringTable::UndoLabel(c.kind, true), QString::fromUtf8(c.edit)) << c.kind;
        EXPECT_EQ(StringTable::UndoLabel(c.kind, false), QString::fromUtf8(c.context)) << c.kind;
    }
    // The Edit menu's resting label is the same text the menu bar is built with.
    EXPECT_EQ(StringTable::UndoLabel(0, true), StringTable::MenuLabel(StringTable::kMainMenu, kCmdUndo));
}

TEST(StringTable, ForbiddenNameMessageEndsWithTheNineCharacters) {
    const QString characters = StringTable::Text(kStrForbiddenCharacters);
    EXPECT_EQ(characters, QStringLiteral("\\/:*?\"<>|"));
    EXPECT_TRUE(StringTable::Text(kStrForbiddenName).endsWith(QStringLiteral(" ") + characters));
}

TEST(StringTable, DialogsCarryTheirSuppressBox) {
    EXPECT_EQ(StringTable::Dialog(kDlgGettingStarted).checkBox,
              QStringLiteral("Do not display this message again."));
    EXPECT_EQ(StringTable::Dialog(kDlgWelcome).checkBox,
              QStringLiteral("Do not display this message at startup."));
    EXPECT_EQ(StringTable::Dialog(kDlgFindEnd).text,
              QStringLiteral("Cannot find string. Reached the end of the selected archive."));
    EXPECT_TRUE(StringTable::Dialog(4242).title.isEmpty());
}

TEST(TextFormat, FillsTheTablesFormats) {
    struct Case {
        const char* format;
        QVariantList args;
        const char* expected;
    };
    const Case cases[] = {
        {"Contents of '%s'", {QStringLiteral("Holiday")}, "Contents of 'Holiday'"},
        {"%d%% of %d files (%s remaining)",
         {45, 120, QStringLiteral("01:23")},
         "45% of 120 files (01:23 remaining)"},
        {"%2dx%2d", {7, 1200}, " 7x1200"},
        {"%.2d/%.2d/%.2d %.2d:%.2d PM", {3, 9, 2024, 12, 5}, "03/09/2024 12:05 PM"},
        {"%.1fKB", {1.26}, "1.3KB"},
        {"%dMB", {-3}, "-3MB"},
        {"%05d|%-4d|", {-42, 7}, "-0042|7   |"},
        // Not ours: copied as it stands.
        {"%M:%S", {}, "%M:%S"},
        {"100%", {}, "100%"},
        // A missing argument reads as empty or 0; extra ones are ignored.
        {"%s (%d%% complete)", {}, " (0% complete)"},
        {"%d", {1, 2, 3}, "1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextFormat::Fill(QString::fromUtf8(c.format), c.args), QString::fromUtf8(c.expected))
            << c.format;
    }
}

TEST(TextFormat, AnArgumentIsNeverReadAsAFormat) {
    const QString name = QStringLiteral("100%s %d %n done");
    EXPECT_EQ(TextFormat::Fill(StringTable::Text(kStrContentsOf), {name}),
              QStringLiteral("Contents of '100%s %d %n done'"));
}

} // namespace
