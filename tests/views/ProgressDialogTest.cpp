// The progress window on its own, with an injected clock: what each kind shows, the texts and the
// bar as the engine's calls reach the widgets (at most every 50 ms), the three ways to cancel, the
// pump that runs the event loop once per call (the window system at most every 2 ms) and keeps
// running it after a cancel, and operations
// told apart by their archive object.
#include "CCodeArchive.h"
#include "MemoryFileSystem.h"
#include "ScriptedHost.h"

#include "DialogScript.h"
#include "ProgressAnimation.h"
#include "ProgressDialog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace quorvane;

namespace {

class ProgressDialogTest : public ::testing::Test {
protected:
    int64_t now = 1000;
    ProgressDialog dialog{nullptr, [this] { return now; }};
    // Two archive objects whose names are the same.
    MemoryFileSystem fs;
    ScriptedHost host;
    CCodeArchive first{host, fs};
    CCodeArchive second{host, fs};

    // Lets the refresh interval pass and pumps once.
    bool PollLater() {
        now += ProgressDialog::kRefreshMs;
        return dialog.Poll();
    }
    QProgressBar* Bar() { return dialog.findChild<QProgressBar*>(QStringLiteral("progressBar")); }
};

TEST_F(ProgressDialogTest, EachKindShowsItsTitleAndFirstLineWithTheArchiveName) {
    struct Case {
        int kind;
        const char* title;
        const char* line2;
    };
    const Case cases[] = {
        {kProgressCopy, "Copying Files...", "Preparing to Copy"},
        {kProgressEncrypt, "Encrypting Files...", "Preparing to Encrypt"},
        {kProgressExport, "Exporting Files...", "Preparing to Export"},
        {kProgressDefragment, "Emptying Recycle Bin...", "Defragmenting Archive"},
        {kProgressThumbnails, "Generating Thumbnails...", "Preparing to Generate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        dialog.Open(&first, c.kind, QStringLiteral("Holiday"), 0, 0);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.title));
        EXPECT_EQ(dialog.ShownLine(1), QStringLiteral("Holiday"));
        EXPECT_EQ(dialog.ShownLine(2), QString::fromUtf8(c.line2));
        EXPECT_TRUE(dialog.ShownLine(3).isEmpty());
        EXPECT_EQ(dialog.findChild<ProgressAnimation*>()->Inward(), c.kind != kProgressExport);
        dialog.Close();
        EXPECT_FALSE(dialog.isVisible());
    }
    // Any other kind opens no window, but its Close is still the one that ends it.
    dialog.Open(&first, 9, QStringLiteral("Holiday"), 0, 0);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.OpenCount(), 1);
    dialog.Close();
    EXPECT_EQ(dialog.OpenCount(), 0);
}

TEST_F(ProgressDialogTest, EngineCallsReachTheWidgetsAtMostEveryFiftyMilliseconds) {
    dialog.Open(&first, kProgressEncrypt, QStringLiteral("Holiday"), 8, 1);
    dialog.Total(10);
    dialog.Text(QStringLiteral("a.jpg"), {0, 10, 0, 0});
    dialog.Poll();
    EXPECT_EQ(dialog.ShownLine(2), QStringLiteral("Preparing to Encrypt")) << "not due yet";
    EXPECT_FALSE(PollLater());
    EXPECT_EQ(dialog.ShownLine(1), QStringLiteral("Holiday")) << "the range keeps the archive's name";
    EXPECT_EQ(dialog.ShownLine(2), QStringLiteral("a.jpg"));
    EXPECT_EQ(Bar()->maximum(), 10);
    EXPECT_EQ(Bar()->value(), 0);

    now += 450; // 1 of 10 in 0.5 s since the first update: 1 + trunc(4.5) = 5 s left
    dialog.Text(QStringLiteral("b.jpg"), {1, 10, 0, 0});
    dialog.Piece(1, 3);
    PollLater();
    EXPECT_EQ(dialog.ShownLine(2), QStringLiteral("b.jpg (33% complete)")) << "the last step names the piece";
    EXPECT_EQ(dialog.ShownLine(3),
              QStringLiteral("10% of 10 files (00:05 remaining) - Anti-Aliasing Thumbnails"));
    EXPECT_EQ(Bar()->value(), 1);
    // What the label shows is the text itself, as long as it fits.
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("line3"))->text(), dialog.ShownLine(3));

    // A single unit writes no line 3; the range empties lines 1 and 2 until the next texts.
    dialog.SetRange(0, 1, 1);
    dialog.SetLine(3, QString());
    dialog.UpdateProgress(QStringLiteral("c.jpg"), 1, 1, 1);
    dialog.Refresh();
    EXPECT_TRUE(dialog.ShownLine(1).isEmpty());
    EXPECT_EQ(dialog.ShownLine(2), QStringLiteral("c.jpg"));
    EXPECT_TRUE(dialog.ShownLine(3).isEmpty());
    EXPECT_EQ(Bar()->value(), 1);
    dialog.Close();
    // With nothing open the window's operations do nothing.
    dialog.SetLine(2, QStringLiteral("late"));
    dialog.Refresh();
    EXPECT_EQ(dialog.ShownLine(2), QStringLiteral("c.jpg"));
}

TEST_F(ProgressDialogTest, CancelButtonEscapeAndCloseButtonCancelAndHideAtOnce) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Cancel button",
         [&] {
             QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
         }},
        {"Escape", [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }},
        {"title bar's close", [&] { dialog.close(); }},
    };
    for (const auto& [name, press] : ways) {
        SCOPED_TRACE(name);
        dialog.Open(&first, kProgressEncrypt, QStringLiteral("Holiday"), 0, 0);
        EXPECT_FALSE(PollLater());
        press();
        EXPECT_FALSE(dialog.isVisible()) << "hidden at once";
        EXPECT_TRUE(dialog.Poll());
        EXPECT_TRUE(PollLater()) << "a cancel stays";
        EXPECT_FALSE(dialog.isVisible());
        dialog.Close();
        // The next operation starts uncancelled.
        dialog.Open(&first, kProgressEncrypt, QStringLiteral("Holiday"), 0, 0);
        EXPECT_FALSE(PollLater());
        EXPECT_TRUE(dialog.isVisible());
        dialog.Close();
    }
    // Enter is not a cancel.
    dialog.Open(&first, kProgressEncrypt, QStringLiteral("Holiday"), 0, 0);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_FALSE(PollLater());
    dialog.Close();
}

// Counts its deliveries and posts itself again each time, up to a limit: a pump that emptied the
// queue would deliver all of them in one call.
class Reposting : public QObject {
public:
    int delivered = 0;
    int limit = 1000;
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) {
            return QObject::event(e);
        }
        if (++delivered < limit) {
            QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        }
        return true;
    }
};

TEST_F(ProgressDialogTest, ThePumpRunsTheEventLoopOncePerCallAndGoesOnAfterACancel) {
    dialog.Open(&first, kProgressCopy, QStringLiteral("Holiday"), 0, 0);
    Reposting chain;
    QCoreApplication::postEvent(&chain, new QEvent(QEvent::User));
    dialog.Poll();
    EXPECT_GE(chain.delivered, 1);
    EXPECT_LE(chain.delivered, 2) << "one pass of the event loop, not until the queue is empty";
    const int afterOne = chain.delivered;
    dialog.Poll(); // within the dispatch interval: only what the program posted
    EXPECT_GT(chain.delivered, afterOne);
    EXPECT_LE(chain.delivered, afterOne + 2) << "not until the queue is empty either";

    // After a cancel the timers and paints still run until the operation has unwound.
    dialog.Cancel();
    bool fired = false;
    QTimer::singleShot(0, &chain, [&] { fired = true; });
    EXPECT_TRUE(dialog.Poll());
    EXPECT_TRUE(fired);
    dialog.Close();
}

TEST_F(ProgressDialogTest, TheWindowSystemAndTimersAreLookedAtEveryFewMillisecondsPostedEventsEveryCall) {
    dialog.Open(&first, kProgressEncrypt, QStringLiteral("Holiday"), 0, 0);
    dialog.Poll();
    // A zero timer is the dispatcher's, not a posted event: it waits for the next full pass.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(0);
    bool posted = false;
    QMetaObject::invokeMethod(
        &timer, [&] { posted = true; }, Qt::QueuedConnection);
    dialog.Poll();
    EXPECT_TRUE(posted) << "a posted call (a cancel from a script, a repaint) is not held back";
    EXPECT_EQ(ticks, 0);
    now += ProgressDialog::kDispatchMs;
    dialog.Poll();
    EXPECT_GE(ticks, 1);
    timer.stop();
    dialog.Close();
}

TEST_F(ProgressDialogTest, OperationsAreToldApartByTheirArchiveObjectNotByName) {
    dialog.Open(&first, kProgressEncrypt, QStringLiteral("Holiday"), 0, 0);
    dialog.Total(5);
    dialog.Text(QStringLiteral("mine.jpg"), {2, 5, 0, 0});
    // Another archive of the same name: on top, and the first is not cancelled by it.
    dialog.Open(&second, kProgressExport, QStringLiteral("Holiday"), 0, 0);
    EXPECT_EQ(dialog.OpenCount(), 2);
    EXPECT_EQ(dialog.ShownArchive(), &second);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Exporting Files..."));
    dialog.Cancel();
    EXPECT_TRUE(dialog.Poll());
    dialog.Close();
    EXPECT_EQ(dialog.ShownArchive(), &first);
    EXPECT_FALSE(dialog.Poll()) << "the cancel was the other operation's";
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Encrypting Files..."));
    EXPECT_EQ(dialog.ShownLine(2), QStringLiteral("mine.jpg"));
    EXPECT_EQ(Bar()->value(), 2);

    // The same archive again: its first window is cancelled and replaced; one Close ends it.
    dialog.Cancel();
    dialog.Open(&first, kProgressDefragment, QStringLiteral("Holiday"), 0, 0);
    EXPECT_EQ(dialog.OpenCount(), 1);
    EXPECT_FALSE(dialog.Poll());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Emptying Recycle Bin..."));
    dialog.Close();
    EXPECT_EQ(dialog.OpenCount(), 0);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ProgressDialogTest, TheAnimationMovesThroughThePumpWhileShown) {
    auto* animation = dialog.findChild<ProgressAnimation*>();
    dialog.Open(&first, kProgressEncrypt, QStringLiteral("Holiday"), 0, 0);
    EXPECT_TRUE(animation->Running());
    const int frame = animation->Frame();
    // Its timer is dispatched by the pump like any other.
    EXPECT_TRUE(quorvane::testing::WaitUntil([&] {
        dialog.Poll();
        return animation->Frame() != frame;
    }));
    dialog.Cancel();
    EXPECT_FALSE(animation->Running()) << "a hidden window does not animate";
    dialog.Close();
}

} // namespace
