// When suppressible dialogs are shown and what their box stores; engine codes as message boxes.
#include "DialogRules.h"
#include "AppFakes.h"

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const Confirmation kClose{12313, QStringLiteral("Confirm Close Archive."),
                          QStringLiteral("Are you sure you want to close this archive?")};

TEST(DialogRules, ConfirmationStoresItsBoxOnlyWhenAnsweredYes) {
    struct Case {
        bool yes;
        bool box;
        int flagAfter;
    };
    const Case cases[] = {{true, true, 1}, {true, false, 0}, {false, true, 0}, {false, false, 0}};
    for (const Case& c : cases) {
        FakeDialogs dialogs;
        dialogs.confirmations.push_back({c.yes, c.box});
        int flag = 0;
        EXPECT_EQ(DialogRules::Confirm(dialogs, kClose, flag), c.yes);
        EXPECT_EQ(flag, c.flagAfter) << c.yes << c.box;
        ASSERT_EQ(dialogs.shownConfirmations.size(), 1u);
        EXPECT_EQ(dialogs.shownConfirmations[0].resource, 12313);
    }
}

TEST(DialogRules, SuppressedDialogsAreNotShown) {
    FakeDialogs dialogs;
    int flag = 1;
    EXPECT_TRUE(DialogRules::Confirm(dialogs, kClose, flag));
    DialogRules::Alert(dialogs, kClose, flag);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(flag, 1);

    flag = 0;
    dialogs.alertBoxes.push_back(true);
    DialogRules::Alert(dialogs, kClose, flag);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(dialogs.shownAlerts.size(), 1u);
}

TEST(DialogRules, ReportErrorShowsOneMessageExceptForSuccessAndCancel) {
    FakeDialogs dialogs;
    DialogRules::ReportError(dialogs, 0);
    DialogRules::ReportError(dialogs, 9004);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    DialogRules::ReportError(dialogs, 9025);
    DialogRules::ReportError(dialogs, 12345);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0],
              QStringLiteral("Drag and drop could not be completed. There was no drop target selected."));
    EXPECT_EQ(dialogs.messages[1], QStringLiteral("There was an error processing this command."));
}

} // namespace
