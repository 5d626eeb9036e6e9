// Auto close in a real event loop, with the program's own dialogs and a clock the idle tick moves:
// the countdown's opening, texts and end, Cancel, a clock that jumped, what counts as activity,
// what keeps it off, the slideshow, dialogs and menus ended before the countdown, a running
// operation holding it off, a locked screen, and what the close leaves in memory.
#include "ArchiveFixtures.h"
#include "Workspace.h"

#include "ActivityFilter.h"
#include "AppFakes.h"
#include "AutoCloseController.h"
#include "AutoCloseCountdown.h"
#include "CCodeList.h"
#include "CCodePict.h"
#include "CThumbnailMaker.h"
#include "DialogScript.h"
#include "ImageFixtures.h"
#include "ImageWipe.h"
#include "Preferences.h"
#include "QtWorkspaceDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

QString CountdownText(int seconds) {
    return QStringLiteral("AutoClose will automatically close all open archives in %1 seconds.").arg(seconds);
}

bool AllZero(const uint8_t* bytes, size_t size) {
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0; });
}

class AutoCloseTest : public ::testing::Test {
protected:
    AutoCloseTest() {
        window.resize(500, 400);
        window.show();
        dialogs.SetParentWindow(&window);
        ws.SetViews(&frame, nullptr, &list, &pane);
        prefs.autoCloseWait = 1;
        prefs.autoCloseOn = 1;
        fs.MakeDirectory("/a");
        fs.MakeDirectory("/src");
        ScriptedHost host;
        // Without thumbnails, so that the damaged picture keeps its image type at import.
        auto archive = MakeArchive(fs, host, "/a/x.kvq", ScriptedHost::Plain(0));
        EXPECT_EQ(ImportFiles(*archive, fs, 0,
                              {{"bad.png", {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0}},
                               {"good.png", Bytes(fixtures::Encode(fixtures::PhotoLike(40, 30), "png"))}}),
                  kOk);
        EXPECT_EQ(archive->Close(true), kOk);
        EXPECT_EQ(ws.Open("/a/x.kvq"), kOk);
    }
    ~AutoCloseTest() override { SetImageWipeObserver(nullptr); }

    static std::vector<uint8_t> Bytes(const QByteArray& data) { return {data.begin(), data.end()}; }

    // The idle tick in a real event loop: each tick moves the clock on by `stepMs`, runs the check,
    // then `each` with the whole seconds passed; false from it ends the loop.
    void Run(int64_t stepMs, const std::function<bool(int64_t second)>& each) {
        QEventLoop loop;
        QTimer idle;
        idle.setInterval(0);
        int ticks = 0;
        QObject::connect(&idle, &QTimer::timeout, [&] {
            now += stepMs;
            controller.Check();
            if (!each(now / 1000) || ++ticks > 20000) {
                idle.stop();
                // Whatever a failing run left open ends too, so that nothing waits for ever.
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    auto* dialog = qobject_cast<QDialog*>(widget);
                    if (dialog && dialog->isVisible() && dialog->isModal() &&
                        dialog != controller.Countdown() && dialog != controller.ResultDialog()) {
                        dialog->reject();
                    }
                }
                if (QWidget* popup = QApplication::activePopupWidget()) {
                    popup->close();
                }
                loop.quit();
            }
        });
        idle.start();
        loop.exec();
    }

    bool CountdownUp() const { return controller.Countdown()->isVisible(); }

    MemoryFileSystem fs;
    Preferences prefs;
    QtWorkspaceDialogs dialogs;
    FakeMainFrame frame;
    Workspace ws{prefs, dialogs, fs};
    CCodePict pane{ws, &frame, &dialogs};
    CCodeList list{ws};
    QWidget window;
    int64_t now = 0;
    AutoCloseController controller{ws, frame, &window, [this] { return now; }};
};

TEST_F(AutoCloseTest, OneMinuteCountsDown14To1AndClosesAt60) {
    frame.layout = PaneLayout::HideArchive;
    // Leaving each dialog is reported, so that the window can take the keys back.
    int dialogsClosed = 0;
    QObject::connect(&controller, &AutoCloseController::dialogClosed, [&] { ++dialogsClosed; });
    std::optional<int64_t> opened;
    std::optional<int64_t> closed;
    QStringList texts;
    Run(1000, [&](int64_t s) {
        if (CountdownUp()) {
            if (!opened) {
                opened = s;
            }
            texts << controller.Countdown()->Text();
        }
        if (!closed && ws.ArchiveCount() == 0) {
            closed = s;
            EXPECT_FALSE(CountdownUp());
        }
        return s < 62;
    });
    EXPECT_EQ(opened, 46);
    QStringList expected;
    for (int remaining = 14; remaining >= 1; --remaining) {
        expected << CountdownText(remaining);
    }
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(closed, 60);
    // The archive pane came back first; the result dialog says what happened.
    EXPECT_EQ(frame.layout, PaneLayout::ShowAll);
    auto* result = qobject_cast<QMessageBox*>(controller.ResultDialog());
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->isVisible());
    EXPECT_EQ(result->windowTitle(), QStringLiteral("AutoClose"));
    EXPECT_EQ(result->text(),
              QStringLiteral("AutoClose has closed all open archives. You can adjust the AutoClose "
                             "wait-time in the preferences dialog."));
    EXPECT_EQ(dialogsClosed, 1); // the countdown
    result->accept();
    EXPECT_EQ(dialogsClosed, 2);
}

TEST_F(AutoCloseTest, CancelRestartsTheFullWaitAndOtherInputInTheCountdownDoesNot) {
    controller.InstallActivityFilter();
    int dialogsClosed = 0;
    QObject::connect(&controller, &AutoCloseController::dialogClosed, [&] { ++dialogsClosed; });
    std::vector<int64_t> openings;
    bool wasUp = false;
    Run(1000, [&](int64_t s) {
        const bool up = CountdownUp();
        if (up && !wasUp) {
            openings.push_back(s);
        }
        wasUp = up;
        if (s == 50) {
            QTest::mouseClick(controller.Countdown()->findChild<QPushButton*>("cancel"), Qt::LeftButton);
            wasUp = CountdownUp();
            EXPECT_EQ(dialogsClosed, 1);
        }
        if (s == 100) {
            // Typed into the countdown itself: not activity.
            QTest::keyClick(controller.Countdown(), Qt::Key_Shift);
        }
        return ws.ArchiveCount() > 0 && s < 200;
    });
    EXPECT_EQ(openings, (std::vector<int64_t>{46, 96}));
    EXPECT_EQ(ws.ArchiveCount(), 0);
    EXPECT_EQ(now / 1000, 110) << "closed 60 s after the Cancel at 50";
    delete controller.ResultDialog();
}

TEST_F(AutoCloseTest, KeysPressesAndTheWheelCountButMovesHoverFocusAndActivationDoNot) {
    struct Case {
        const char* name;
        std::function<void()> input;
        bool counts;
    };
    const QPoint at(20, 20);
    const Case cases[] = {
        {"key press", [&] { QTest::keyClick(&window, Qt::Key_A); }, true},
        {"mouse press", [&] { QTest::mouseClick(&window, Qt::LeftButton, {}, at); }, true},
        {"wheel",
         [&] {
             QWheelEvent wheel(at, window.mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase,
                               false);
             QApplication::sendEvent(&window, &wheel);
         },
         true},
        {"mouse move", [&] { QTest::mouseMove(&window, at); }, false},
        {"enter, leave, hover, focus and activation",
         [&] {
             QEnterEvent enter(at, at, window.mapToGlobal(at));
             QHoverEvent hover(QEvent::HoverMove, at, window.mapToGlobal(at), at);
             QFocusEvent focus(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
             QEvent leave(QEvent::Leave);
             QEvent activate(QEvent::WindowActivate);
             QEvent changed(QEvent::ActivationChange);
             for (QEvent* event :
                  std::initializer_list<QEvent*>{&enter, &hover, &focus, &leave, &activate, &changed}) {
                 QApplication::sendEvent(&window, event);
             }
         },
         false},
    };
    controller.InstallActivityFilter();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller.NoteActivity();
        const int64_t start = now / 1000;
        std::optional<int64_t> opened;
        Run(1000, [&](int64_t s) {
            if (s == start + 30) {
                c.input();
            }
            if (CountdownUp()) {
                opened = s - start;
                QTest::mouseClick(controller.Countdown()->findChild<QPushButton*>("cancel"), Qt::LeftButton);
                return false;
            }
            return s < start + 200;
        });
        EXPECT_EQ(opened, c.counts ? 76 : 46);
    }
    EXPECT_EQ(ws.ArchiveCount(), 1);
}

TEST_F(AutoCloseTest, OffOrWithoutArchivesNothingEverCountsDownAndAClockJumpClosesAtOnce) {
    prefs.autoCloseOn = 0;
    bool everUp = false;
    Run(1000, [&](int64_t s) {
        everUp = everUp || CountdownUp();
        return s < 200;
    });
    EXPECT_FALSE(everUp);
    EXPECT_EQ(ws.ArchiveCount(), 1);

    // On again, after two hours that nothing could check (a suspended machine).
    prefs.autoCloseOn = 1;
    controller.NoteActivity();
    int checks = 0;
    Run(0, [&](int64_t) {
        if (++checks == 1) {
            now += int64_t{2} * 3600 * 1000;
            return true;
        }
        everUp = everUp || CountdownUp();
        return false;
    });
    EXPECT_EQ(ws.ArchiveCount(), 0) << "closed at the first check after the jump";
    EXPECT_FALSE(everUp);
    delete controller.ResultDialog();

    Run(1000, [&](int64_t s) {
        everUp = everUp || CountdownUp();
        return s < 7400;
    });
    EXPECT_FALSE(everUp) << "no archive open";
}

TEST_F(AutoCloseTest, ARunningSlideshowEndsWhenTheCountdownOpens) {
    bool running = true;
    int ended = 0;
    controller.SetSlideshow([&] { return running; },
                            [&] {
                                ++ended;
                                running = false;
                            });
    std::optional<int64_t> endedAt;
    std::optional<int64_t> opened;
    Run(1000, [&](int64_t s) {
        if (ended > 0 && !endedAt) {
            endedAt = s;
        }
        if (CountdownUp() && !opened) {
            opened = s;
        }
        return ws.ArchiveCount() > 0 && s < 100;
    });
    EXPECT_EQ(endedAt, 46);
    EXPECT_EQ(opened, 46);
    EXPECT_EQ(ws.ArchiveCount(), 0);
    delete controller.ResultDialog();
}

// The program's own dialogs and menus, each running its event loop when the countdown falls due:
// it is ended, its loop unwinds, and only then does the countdown run and the archive close.
TEST_F(AutoCloseTest, OpenDialogsAndMenusAreEndedFirstThenTheCountdownRuns) {
    struct Case {
        const char* name;
        std::function<void()> open; // runs a loop of its own until it ends
        const char* kind;
    };
    QMenu menu(&window);
    menu.addAction(QStringLiteral("&Open"));
    menu.addAction(QStringLiteral("P&roperties"));
    const Case cases[] = {
        {"Find", [&] { EXPECT_EQ(ws.Find(false), kCancelled); }, "findDialog"},
        {"a context menu", [&] { EXPECT_EQ(menu.exec(window.mapToGlobal(QPoint(10, 10))), nullptr); },
         "menu"},
        {"File Open Error",
         [&] {
             ws.SelectArchiveFolder(1, 0, true);
             ws.OpenEntry(2); // bad.png
             EXPECT_FALSE(pane.Shown());
         },
         "messageDialog"},
        {"Preferences", [&] { EXPECT_EQ(ws.EditPreferences(), kCancelled); }, "preferencesSheet"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (ws.ArchiveCount() == 0) {
            ASSERT_EQ(ws.Open("/a/x.kvq"), kOk);
        }
        controller.NoteActivity();
        const int64_t start = now / 1000;
        std::optional<int64_t> returned;
        int archivesWhenReturned = -1;
        bool sawItOpen = false;
        std::optional<int64_t> opened;
        std::optional<int64_t> closed;
        Run(1000, [&](int64_t s) {
            if (s == start + 40) {
                QTimer::singleShot(0, [&] {
                    c.open();
                    returned = now / 1000 - start;
                    archivesWhenReturned = ws.ArchiveCount();
                });
            }
            if (s > start + 40 && !returned) {
                QWidget* open = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                                  : QApplication::activeModalWidget();
                sawItOpen =
                    sawItOpen || (open && (QString(c.kind) == "menu" || open->objectName() == c.kind));
            }
            if (CountdownUp() && !opened) {
                opened = s - start;
                EXPECT_TRUE(returned.has_value()) << "the countdown runs only once the loop has unwound";
            }
            if (ws.ArchiveCount() == 0 && !closed) {
                closed = s - start;
            }
            return !closed && s < start + 200;
        });
        EXPECT_TRUE(sawItOpen);
        ASSERT_TRUE(returned.has_value());
        EXPECT_GE(*returned, 46);
        EXPECT_LE(*returned, 47);
        EXPECT_EQ(archivesWhenReturned, 1) << "nothing closed under the open loop";
        ASSERT_TRUE(opened.has_value());
        EXPECT_LE(*opened, 47);
        EXPECT_EQ(closed, 60);
        delete controller.ResultDialog();
    }
}

TEST_F(AutoCloseTest, ARunningOperationHoldsItOffUntilItEnds) {
    bool everUp = false;
    std::optional<int64_t> closed;
    Run(1000, [&](int64_t s) {
        frame.disabled = s >= 40 && s < 100; // a progress window is open
        everUp = everUp || CountdownUp();
        if (ws.ArchiveCount() == 0 && !closed) {
            closed = s;
        }
        return !closed && s < 200;
    });
    EXPECT_FALSE(everUp) << "past the wait already when it ended: closed at once";
    EXPECT_EQ(closed, 101) << "the first check after the operation";
    delete controller.ResultDialog();
}

TEST_F(AutoCloseTest, ALockedScreenClosesEverythingWhenAllowed) {
    prefs.closeOnLock = 0;
    controller.SessionLocked();
    EXPECT_EQ(ws.ArchiveCount(), 1);

    prefs.closeOnLock = 1;
    controller.SessionLocked();
    EXPECT_EQ(ws.ArchiveCount(), 0);
    EXPECT_EQ(controller.ResultDialog(), nullptr) << "no countdown, no result dialog";

    // With the Find dialog open: it is ended first, the archive closes once it has unwound.
    ASSERT_EQ(ws.Open("/a/x.kvq"), kOk);
    std::optional<int> archivesWhenReturned;
    bool returned = false;
    Run(1000, [&](int64_t s) {
        if (s == 5) {
            QTimer::singleShot(0, [&] {
                ws.Find(false);
                returned = true;
                archivesWhenReturned = ws.ArchiveCount();
            });
        }
        if (s == 8) {
            controller.SessionLocked();
        }
        return ws.ArchiveCount() > 0 && s < 100;
    });
    EXPECT_TRUE(returned);
    EXPECT_EQ(archivesWhenReturned, 1);
    EXPECT_EQ(ws.ArchiveCount(), 0);
    EXPECT_LT(now / 1000, 12);
}

// After an auto close nothing of the archive is left in memory: its keys, the shared transfer and
// thumbnail buffers, the thumbnail maker's cells, the preview's picture, the list's thumbnail copies
// and the password field.
TEST_F(AutoCloseTest, AfterAnAutoCloseOnlyZerosAreLeft) {
    ASSERT_EQ(ws.Close(false), kOk);
    ScriptedHost host;
    auto made =
        MakeArchive(fs, host, "/a/secret.kvq", ScriptedHost::Encrypted(kMethodTwofish, "pa55word", 8));
    ASSERT_EQ(ImportFiles(*made, fs, 0,
                          {{"photo.png", Bytes(fixtures::Encode(fixtures::PhotoLike(40, 30), "png"))}}),
              kOk);
    ASSERT_EQ(made->Close(true), kOk);
    made.reset();
    EXPECT_EQ(Drive({[](QWidget*) {
                        Type(QStringLiteral("pa55word"));
                        Press(Qt::Key_Return);
                    }},
                    [&] { return ws.Open("/a/secret.kvq"); }),
              kOk);
    ASSERT_TRUE(ws.ArchiveAt(1)->encrypted());
    ws.OpenEntry(2);
    ASSERT_TRUE(pane.Shown());
    ASSERT_TRUE(ws.ArchiveAt(1)->RenderThumbnail(EntryIndex::OfNumber(2), 4));
    prefs.password.Set(QStringLiteral("pa55word"));
    // The list's copy of the thumbnail, as painting its item makes it.
    const QImage* cached = list.Thumbnails().Fetch(*ws.ArchiveAt(1), 2, 1, true);
    ASSERT_NE(cached, nullptr);
    const uchar* cachedBits = cached->constBits();
    const QImage cachedBefore = cached->copy();
    ASSERT_FALSE(std::all_of(cachedBefore.constBits(), cachedBefore.constBits() + cachedBefore.sizeInBytes(),
                             [](uchar b) { return b == 0; }));

    bool keyWiped = false;
    QObject::connect(&ws, &Workspace::archiveClosed, [&](const CCodeArchive* archive) {
        const CipherState& key = archive->keyState();
        keyWiped = AllZero(key.password, sizeof key.password) &&
                   AllZero(reinterpret_cast<const uint8_t*>(&key.blowfish), sizeof key.blowfish) &&
                   AllZero(reinterpret_cast<const uint8_t*>(&key.twofish), sizeof key.twofish);
    });
    bool pictureZeroed = false;
    bool cacheZeroed = false;
    SetImageWipeObserver([&](const QImage& image) {
        const bool zeros = std::all_of(image.constBits(), image.constBits() + image.sizeInBytes(),
                                       [](uchar b) { return b == 0; });
        if (image.size() == QSize(40, 30)) {
            pictureZeroed = zeros;
        }
        if (image.constBits() == cachedBits) {
            cacheZeroed = zeros;
        }
    });
    Run(1000, [&](int64_t s) { return ws.ArchiveCount() > 0 && s < 100; });
    SetImageWipeObserver(nullptr);
    ASSERT_EQ(ws.ArchiveCount(), 0);

    EXPECT_TRUE(keyWiped);
    const TransferBuffers& buffers = SharedBuffers();
    EXPECT_TRUE(AllZero(buffers.a, kTransferBufferSize));
    EXPECT_TRUE(AllZero(buffers.b, kTransferBufferSize));
    EXPECT_TRUE(AllZero(buffers.thumbnail, kThumbnailBufferSize));
    for (int i = 0; i < CThumbnailMaker::kCellCount; ++i) {
        const QImage& cell = SharedThumbnailMaker().Cell(i);
        EXPECT_TRUE(AllZero(cell.constBits(), static_cast<size_t>(cell.sizeInBytes()))) << i;
    }
    EXPECT_TRUE(pictureZeroed);
    EXPECT_TRUE(cacheZeroed) << "the list's copy of the thumbnail";
    EXPECT_EQ(list.Thumbnails().size(), 0U);
    EXPECT_TRUE(pane.DecodedImage().isNull());
    const std::span<const char> password = prefs.password.Storage();
    EXPECT_TRUE(std::all_of(password.begin(), password.end(), [](char c) { return c == 0; }));
    EXPECT_TRUE(prefs.password.IsEmpty());
    delete controller.ResultDialog();
}

TEST(ActivityFilter, CountsPressesReleasesKeysAndTheWheelOnly) {
    int notes = 0;
    QWidget ignored;
    QWidget other;
    ActivityFilter filter([&] { ++notes; });
    filter.Ignore(&ignored);
    struct Case {
        QEvent::Type type;
        bool counts;
    };
    const Case cases[] = {
        {QEvent::MouseButtonPress, true},
        {QEvent::MouseButtonRelease, true},
        {QEvent::MouseButtonDblClick, true},
        {QEvent::KeyPress, true},
        {QEvent::Wheel, true},
        {QEvent::TouchBegin, true},
        {QEvent::MouseMove, false},
        {QEvent::HoverMove, false},
        {QEvent::Enter, false},
        {QEvent::Leave, false},
        {QEvent::FocusIn, false},
        {QEvent::WindowActivate, false},
        {QEvent::KeyRelease, false},
        {QEvent::Paint, false},
        {QEvent::Timer, false},
    };
    for (const Case& c : cases) {
        QEvent event(c.type);
        notes = 0;
        filter.eventFilter(&other, &event);
        EXPECT_EQ(notes, c.counts ? 1 : 0) << c.type;
        notes = 0;
        filter.eventFilter(&ignored, &event);
        EXPECT_EQ(notes, 0) << "inside the ignored window " << c.type;
    }
}

} // namespace
