// Under the application's real event loop, while an import pumps through the progress window: a
// close of the main window and QCoreApplication::quit() become a cancel and the program then closes
// cleanly once the command has unwound; files dropped meanwhile are refused where the desktop sees
// it, and nothing of them is imported.
#include "ProgressFixture.h"

#include "CloseGuard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const char* const kPath = "/a/loop.kvq";

// A main window wired as the frame wires itself: the guard first in closeEvent, then the close
// sequence; desktop drops handed to the Workspace.
class FrameWindow : public QWidget {
public:
    explicit FrameWindow(Workspace& workspace)
        : workspace_(workspace)
        , guard_(new CloseGuard(workspace, *this)) {
        setAcceptDrops(true);
        resize(300, 200);
    }

    CloseGuard& Guard() { return *guard_; }
    int closeSequences = 0;
    bool busyAtClose = false;
    int shutdownStatus = -1;
    int dropsHandled = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        if (!guard_->InterceptClose(event)) {
            return;
        }
        ++closeSequences;
        busyAtClose = workspace_.Busy();
        workspace_.CloseAll();
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("preferences.ini")), QSettings::IniFormat);
        shutdownStatus = workspace_.Shutdown(settings);
        event->accept();
    }
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        ++dropsHandled;
        QStringList paths;
        for (const QUrl& url : event->mimeData()->urls()) {
            paths << url.toLocalFile();
        }
        workspace_.DropFiles(paths);
        event->acceptProposedAction();
    }

private:
    Workspace& workspace_;
    CloseGuard* guard_;
};

class CloseGuardTest : public ProgressFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateArchive(kPath, "secret"), kOk);
        before = EntryCount();
    }

    // Shows the window and runs the application's loop: an import of twelve files starts from it,
    // `inside` runs from within the pump at its 20th call (among the adds), and the loop ends when
    // the program quits. With `closeAfter` the window is closed once the import has returned.
    void RunUnderEventLoop(const std::function<void()>& inside, bool closeAfter) {
        window.show();
        hand.Reset(20);
        hand.action = inside;
        QObject context;
        QTimer::singleShot(0, &context, [&] {
            importStatus = ImportByCommand(SmallFiles(12, "loop"));
            if (closeAfter) {
                window.close();
            }
        });
        // Only against a hang: the program is expected to end long before.
        QTimer::singleShot(60000, &context, [] {
            ADD_FAILURE() << "the program never closed";
            QCoreApplication::exit(1);
        });
        QApplication::exec();
        hand.action = nullptr;
        EXPECT_TRUE(hand.acted) << "the import never pumped that often";
    }

    // Closed once, after the command had unwound; everything saved and the archive sound.
    void ExpectClosedCleanly() {
        EXPECT_EQ(window.closeSequences, 1);
        EXPECT_FALSE(window.busyAtClose);
        EXPECT_EQ(window.shutdownStatus, kOk);
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(ws.ArchiveCount(), 0);
        ExpectWindowGone();
        ScriptedHost host;
        Status status = kOk;
        auto reopened = OpenArchive(fs, host, kPath, "secret", &status);
        ASSERT_EQ(status, kOk);
        EXPECT_EQ(CheckErrors(*reopened), "");
        reopened->Close(false);
    }

    FrameWindow window{ws};
    int importStatus = -1;
    int before = 0;
};

TEST_F(CloseGuardTest, ClosingTheWindowCancelsTheImportAndClosesOnceItHasUnwound) {
    bool stillShown = false;
    int sequencesInside = -1;
    RunUnderEventLoop(
        [&] {
            window.close();
            stillShown = window.isVisible();
            sequencesInside = window.closeSequences;
            EXPECT_EQ(window.Guard().Waiting(), CloseGuard::Pending::Close);
        },
        false);
    EXPECT_TRUE(stillShown) << "the close was refused while the import ran";
    EXPECT_EQ(sequencesInside, 0);
    EXPECT_EQ(importStatus, kCancelled);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "a cancel shows nothing";
    EXPECT_EQ(window.Guard().Waiting(), CloseGuard::Pending::None);
    ExpectClosedCleanly();
}

TEST_F(CloseGuardTest, QuitCancelsTheImportAndQuitsOnceItHasUnwound) {
    bool stillShown = false;
    CloseGuard::Pending waiting = CloseGuard::Pending::None;
    RunUnderEventLoop(
        [&] {
            QCoreApplication::quit();
            stillShown = window.isVisible();
            waiting = window.Guard().Waiting();
        },
        false);
    EXPECT_TRUE(stillShown) << "no window was closed under the import";
    EXPECT_EQ(waiting, CloseGuard::Pending::Quit);
    EXPECT_EQ(importStatus, kCancelled);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    ExpectClosedCleanly();
}

TEST_F(CloseGuardTest, FilesDroppedDuringTheImportAreRefusedAndNothingOfThemIsImported) {
    fs.Put("/src/dropped.dat", {1, 2, 3});
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/src/dropped.dat"))});
    // Before the import, with nothing running, a drag is welcome.
    window.show();
    QDragEnterEvent idle(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &idle);
    EXPECT_TRUE(idle.isAccepted());

    bool enterAccepted = true;
    bool dropAccepted = true;
    Qt::DropAction action = Qt::CopyAction;
    RunUnderEventLoop(
        [&] {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&window, &enter);
            enterAccepted = enter.isAccepted();
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&window, &drop);
            dropAccepted = drop.isAccepted();
            action = drop.dropAction();
        },
        true);
    EXPECT_FALSE(enterAccepted) << "the desktop shows the drag refused";
    EXPECT_FALSE(dropAccepted);
    EXPECT_EQ(action, Qt::IgnoreAction);
    EXPECT_EQ(window.dropsHandled, 0);
    EXPECT_EQ(importStatus, kOk) << "the import itself goes on";
    EXPECT_TRUE(dialogs.messages.isEmpty());
    ExpectClosedCleanly();
    ScriptedHost host;
    auto reopened = OpenArchive(fs, host, kPath, "secret");
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->entryCount(), before + 12);
    for (int i = 0; i < reopened->entryCount(); ++i) {
        EXPECT_NE(reopened->GetName(EntryIndex(i)), "dropped.dat");
    }
}

} // namespace
