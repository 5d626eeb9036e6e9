// Auto close against a real operation: while the progress window pumps, the checks that arrive
// through its pass of the event loop neither count down nor close; the first check after it does.
#include "ProgressFixture.h"

#include "AutoCloseController.h"
#include "AutoCloseCountdown.h"

#include <QWidget>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

class AutoCloseProgressTest : public ProgressFixture {
protected:
    QWidget window;
    int64_t now = 0;
    AutoCloseController controller{ws, frame, &window, [this] { return now; }};
};

TEST_F(AutoCloseProgressTest, AProgressWindowHoldsItOffAndTheNextCheckAfterItCloses) {
    prefs.autoCloseOn = 1;
    prefs.autoCloseWait = 1;
    ASSERT_EQ(CreateArchive("/a/p.kvq"), kOk);
    int checks = 0;
    bool everUp = false;
    int archivesDuring = -1;
    hand.Reset(3);
    hand.action = [&] {
        EXPECT_TRUE(dialog.isVisible());
        now += int64_t{2} * 3600 * 1000; // far past the wait, while the import runs
        // The window alone holds it off, whatever the frame says.
        const bool disabled = frame.disabled;
        for (const bool frameDisabled : {disabled, false}) {
            frame.disabled = frameDisabled;
            controller.Check();
            ++checks;
            everUp = everUp || controller.Countdown()->isVisible();
        }
        frame.disabled = disabled;
        archivesDuring = ws.ArchiveCount();
    };
    EXPECT_EQ(ImportByCommand(SmallFiles(12, "held")), kOk);
    ASSERT_TRUE(hand.acted);
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(archivesDuring, 1);
    EXPECT_FALSE(everUp);
    EXPECT_EQ(ws.ArchiveCount(), 1);
    ExpectWindowGone();

    controller.Check();
    EXPECT_EQ(ws.ArchiveCount(), 0) << "past the wait already: closed at the first check after it";
    EXPECT_FALSE(controller.Countdown()->isVisible());
    delete controller.ResultDialog();
}

} // namespace
