// The slideshow window over the real preview pane and Workspace, with a clock the test moves: slides
// filled one image per tick, the delay, input, the menu, a lost activation, the texts, and a folder
// with a single image.
// Before any QObject header (through the Workspace): Qt's `slots` keyword macro would otherwise eat
// the engine's SelectionMap::slots.
#include "PreviewFixture.h"

#include "DialogScript.h"
#include "SlideshowLayout.h"
#include "SlideshowWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const QColor kColours[] = {Qt::red, Qt::green, Qt::yellow, Qt::cyan, Qt::magenta, Qt::gray};
constexpr QRgb kBlack = 0xFF000000;

class SlideshowTest : public PreviewFixture {
protected:
    SlideshowTest() {
        prefs.backgroundColour = 0; // black
        prefs.slideShowInfo = 0;
        prefs.slideShowComments = 0;
        prefs.slideAutoAdvance = 1;
        prefs.slideDelay = 15;
        EXPECT_EQ(CreateArchive("/a/s.kvq"), kOk);
    }
    ~SlideshowTest() override {
        if (window) {
            window->End();
        }
    }

    // `count` solid pictures; the pane shows the first.
    void AddPictures(int count) {
        for (int i = 0; i < count; ++i) {
            browser.images.push_back(
                AddPicture("p" + std::to_string(i) + ".png", Solid(40, 30, kColours[i])));
        }
        browser.at = 0;
        ws.OpenEntry(browser.images[0]);
        ASSERT_TRUE(pane.Shown());
    }

    void Open(int imagesPerSlide) {
        prefs.slidesPerScreen = imagesPerSlide;
        window = std::make_unique<SlideshowWindow>(pane, browser, prefs, [this] { return now; });
        window->Open(QGuiApplication::primaryScreen());
        QApplication::processEvents();
        screen = QRect(QPoint(0, 0), window->size());
    }

    // The colour at the middle of slot `slot` of the slide.
    QRgb SlotColour(int slot) const {
        return window->Slide().pixel(SlideshowLayout::SlotRect(screen, prefs.slidesPerScreen, slot).center());
    }

public:
    void Key(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             bool repeat = false) {
        QKeyEvent event(type, key, modifiers, QString(), repeat);
        QApplication::sendEvent(window.get(), &event);
    }
    void Release(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Key(QEvent::KeyPress, key, modifiers);
        Key(QEvent::KeyRelease, key, modifiers);
    }

protected:
    int64_t now = 1000;
    std::unique_ptr<SlideshowWindow> window;
    QRect screen;
};

TEST_F(SlideshowTest, FourImagesFillTheSlideOnTheNextThreeTicksAndTheDelayCountsFromTheFourth) {
    AddPictures(6);
    Open(4);
    EXPECT_EQ(SlotColour(0), QColor(kColours[0]).rgb());
    for (int slot = 1; slot < 4; ++slot) {
        EXPECT_EQ(SlotColour(slot), kBlack) << slot;
    }
    for (int slot = 1; slot < 4; ++slot) {
        now += 3;
        window->Tick();
        EXPECT_EQ(browser.nexts, slot);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(SlotColour(k), k <= slot ? QColor(kColours[k]).rgb() : kBlack) << slot << " " << k;
        }
    }
    EXPECT_EQ(window->State().Slot(), 0);
    const int64_t fourth = now;
    for (const int64_t later : {int64_t{1}, int64_t{14999}, int64_t{15000}}) {
        now = fourth + later;
        window->Tick();
    }
    EXPECT_EQ(browser.nexts, 3) << "15,000 ms is not more than 15 s";
    now = fourth + 15001;
    window->Tick();
    EXPECT_EQ(browser.nexts, 4);
    // A new slide: the fifth image alone in slot 0.
    EXPECT_EQ(SlotColour(0), QColor(kColours[4]).rgb());
    for (int slot = 1; slot < 4; ++slot) {
        EXPECT_EQ(SlotColour(slot), kBlack) << slot;
    }
}

TEST_F(SlideshowTest, AnExtraExposeDrawsTheSameSlideAndAdvancesNothing) {
    AddPictures(3);
    Open(4);
    now += 3;
    window->Tick();
    const QImage before = window->Slide().copy();
    const int slot = window->State().Slot();
    for (int i = 0; i < 3; ++i) {
        window->repaint();
        window->update();
        QApplication::processEvents();
    }
    const QImage painted = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(window->State().Slot(), slot);
    EXPECT_EQ(browser.nexts, 1);
    EXPECT_EQ(window->Slide(), before);
    EXPECT_EQ(painted, before.convertToFormat(QImage::Format_RGB32));
}

TEST_F(SlideshowTest, ManualAdvancementMovesOnlyOnInput) {
    AddPictures(3);
    prefs.slideAutoAdvance = 0;
    Open(1);
    for (int i = 0; i < 5; ++i) {
        now += 1000000;
        window->Tick();
    }
    EXPECT_EQ(browser.nexts, 0);
    QTest::mouseClick(window.get(), Qt::LeftButton);
    EXPECT_EQ(browser.nexts, 1);
    EXPECT_EQ(SlotColour(0), QColor(kColours[1]).rgb());
    QTest::mouseClick(window.get(), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(browser.previouses, 1);
    EXPECT_EQ(SlotColour(0), QColor(kColours[0]).rgb());
}

TEST_F(SlideshowTest, KeysActOnTheirReleaseAndEscOrEnterEnd) {
    AddPictures(3);
    struct Case {
        const char* name;
        std::function<void(SlideshowTest&)> input;
        int nexts;
        int previouses;
        bool ends;
    };
    const Case cases[] = {
        {"Tab", [](SlideshowTest& t) { t.Release(Qt::Key_Tab); }, 1, 0, false},
        {"Shift+Tab", [](SlideshowTest& t) { t.Release(Qt::Key_Tab, Qt::ShiftModifier); }, 0, 1, false},
        {"Backtab", [](SlideshowTest& t) { t.Release(Qt::Key_Backtab, Qt::ShiftModifier); }, 0, 1, false},
        {"Right", [](SlideshowTest& t) { t.Release(Qt::Key_Right); }, 1, 0, false},
        {"Down", [](SlideshowTest& t) { t.Release(Qt::Key_Down); }, 1, 0, false},
        {"Left", [](SlideshowTest& t) { t.Release(Qt::Key_Left); }, 0, 1, false},
        {"Up", [](SlideshowTest& t) { t.Release(Qt::Key_Up); }, 0, 1, false},
        {"a press alone", [](SlideshowTest& t) { t.Key(QEvent::KeyPress, Qt::Key_Right); }, 0, 0, false},
        {"a held key repeats once",
         [](SlideshowTest& t) {
             t.Key(QEvent::KeyPress, Qt::Key_Right);
             for (int i = 0; i < 3; ++i) {
                 t.Key(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, true);
                 t.Key(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, true);
             }
             t.Key(QEvent::KeyRelease, Qt::Key_Right);
         },
         1, 0, false},
        {"a release whose press went elsewhere",
         [](SlideshowTest& t) { t.Key(QEvent::KeyRelease, Qt::Key_Right); }, 0, 0, false},
        {"Esc", [](SlideshowTest& t) { t.Key(QEvent::KeyPress, Qt::Key_Escape); }, 0, 0, true},
        {"Enter", [](SlideshowTest& t) { t.Key(QEvent::KeyPress, Qt::Key_Return); }, 0, 0, true},
        {"keypad Enter", [](SlideshowTest& t) { t.Key(QEvent::KeyPress, Qt::Key_Enter); }, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        browser.nexts = 0;
        browser.previouses = 0;
        prefs.slideAutoAdvance = 0;
        Open(1);
        bool ended = false;
        QObject::connect(window.get(), &SlideshowWindow::ended, [&ended] { ended = true; });
        c.input(*this);
        EXPECT_EQ(browser.nexts, c.nexts);
        EXPECT_EQ(browser.previouses, c.previouses);
        EXPECT_EQ(ended, c.ends);
        EXPECT_EQ(window->IsOpen(), !c.ends);
        EXPECT_EQ(window->isVisible(), !c.ends);
        window.reset();
    }
}

TEST_F(SlideshowTest, TheMenuPausesAdvancementAndRestartsTheDelayWhenItCloses) {
    AddPictures(3);
    Open(1);
    // The menu opens with the right button, or as `open` asks for it.
    const auto inMenu = [this](const QString& label, const std::function<void()>& meanwhile,
                               const std::function<void()>& open = {}) {
        QTimer::singleShot(0, [this, label, meanwhile] {
            auto* menu = qobject_cast<QMenu*>(window->Menu());
            ASSERT_NE(menu, nullptr);
            EXPECT_TRUE(window->State().MenuOpen());
            meanwhile();
            for (QAction* action : menu->actions()) {
                if (action->text() == label) {
                    menu->setActiveAction(action);
                }
            }
            QTest::keyClick(menu, label.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
        });
        if (open) {
            open();
        } else {
            QTest::mouseClick(window.get(), Qt::RightButton);
        }
        // The offscreen platform gives a popup the activation and hands it to nobody when it
        // closes; on a desktop the slideshow keeps it. Take it back, as the desktop would have kept it.
        QApplication::processEvents();
        if (window->IsOpen() && !window->isActiveWindow()) {
            window->activateWindow();
            EXPECT_TRUE(WaitUntil([this] { return window->isActiveWindow(); }));
        }
    };

    bool checked = false;
    QStringList labels;
    inMenu(QStringLiteral("&Continue Slideshow"), [&] {
        auto* menu = qobject_cast<QMenu*>(window->Menu());
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                labels << action->text();
            }
            if (action->text() == QStringLiteral("&Automatic Advancement")) {
                checked = action->isChecked();
            }
        }
        now = 60000; // long past the delay: still nothing while the menu is open
        window->Tick();
        EXPECT_EQ(browser.nexts, 0);
    });
    EXPECT_EQ(labels, (QStringList{"View &Next Image", "View &Previous Image", "&Automatic Advancement",
                                   "&Continue Slideshow", "&End Slideshow"}));
    EXPECT_TRUE(checked);
    EXPECT_FALSE(window->State().MenuOpen());
    EXPECT_EQ(window->State().LastTick(), 60000);
    now = 75000;
    window->Tick();
    EXPECT_EQ(browser.nexts, 0);
    now = 75001;
    window->Tick();
    EXPECT_EQ(browser.nexts, 1);

    inMenu(QStringLiteral("View &Previous Image"), [] {});
    EXPECT_EQ(browser.previouses, 1);
    // From the keyboard: the Menu key and Shift+F10 open it too, also when the Shift is let go
    // before the F10.
    inMenu(
        QStringLiteral("View &Previous Image"), [] {},
        [this] { QTest::keyClick(window.get(), Qt::Key_Menu); });
    inMenu(
        QStringLiteral("View &Previous Image"), [] {},
        [this] {
            QTest::keyPress(window.get(), Qt::Key_Shift);
            QTest::keyPress(window.get(), Qt::Key_F10, Qt::ShiftModifier);
            QTest::keyRelease(window.get(), Qt::Key_Shift);
            QTest::keyRelease(window.get(), Qt::Key_F10);
        });
    EXPECT_EQ(browser.previouses, 3);
    inMenu(QStringLiteral("&Automatic Advancement"), [] {});
    EXPECT_EQ(prefs.slideAutoAdvance, 0);
    inMenu(QString(), [] {}); // Esc closes the menu only
    EXPECT_TRUE(window->IsOpen());
    inMenu(QStringLiteral("&End Slideshow"), [] {});
    EXPECT_FALSE(window->IsOpen());
}

TEST_F(SlideshowTest, LosingActivationPausesAndComingBackRestartsAtSlotZero) {
    AddPictures(4);
    Open(4);
    window->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return window->isActiveWindow(); }));
    now += 3;
    window->Tick();
    ASSERT_EQ(window->State().Slot(), 2);

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return other.isActiveWindow(); }));
    EXPECT_FALSE(window->State().Active());
    now += 100000;
    window->Tick();
    EXPECT_EQ(browser.nexts, 1);
    const QImage paused = window->grab().toImage();
    EXPECT_EQ(paused.pixel(SlideshowLayout::SlotRect(screen, 4, 0).center()), kBlack)
        << "the background only";

    window->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return window->isActiveWindow(); }));
    EXPECT_TRUE(window->State().Active());
    EXPECT_EQ(window->State().Slot(), 1);
    EXPECT_EQ(SlotColour(0), QColor(kColours[1]).rgb()) << "the image shown, at slot 0";
    EXPECT_EQ(SlotColour(1), kBlack);
    EXPECT_EQ(window->State().LastTick(), now);
}

TEST_F(SlideshowTest, AFolderWithOneImageFillsTheSlideWithoutAStormOfSteps) {
    AddPictures(1);
    Open(4);
    const size_t reads = fs.log.size();
    for (int tick = 0; tick < 20; ++tick) {
        now += 1;
        window->Tick();
    }
    EXPECT_EQ(browser.nexts, 3) << "one step for each slot still to fill, then the delay";
    EXPECT_EQ(window->State().Slot(), 0);
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(SlotColour(slot), QColor(kColours[0]).rgb()) << slot;
    }
    EXPECT_EQ(fs.log.size(), reads) << "the image shown is not read or decrypted again";
    now += 15001;
    window->Tick();
    EXPECT_EQ(browser.nexts, 4);
}

TEST_F(SlideshowTest, NameBelowAndCommentAboveWithTheirShadow) {
    AddPictures(1);
    ws.ArchiveAt(1)->SetEntryComment(EntryIndex::OfNumber(browser.images[0]), "Summer of 2004");
    ws.SelectArchiveFolder(1, 0, true); // shown again with its comment
    ws.OpenEntry(browser.images[0]);
    const auto count = [](const QImage& image, QRect band, QRgb colour) {
        band = band.intersected(image.rect());
        int n = 0;
        for (int y = band.top(); y <= band.bottom(); ++y) {
            for (int x = band.left(); x <= band.right(); ++x) {
                n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
            }
        }
        return n;
    };
    for (const bool texts : {true, false}) {
        SCOPED_TRACE(texts ? "both texts" : "neither");
        prefs.slideShowInfo = texts ? 1 : 0;
        prefs.slideShowComments = texts ? 1 : 0;
        Open(4);
        const QRect slot = SlideshowLayout::SlotRect(screen, 4, 0);
        const QRect placed = pane.PlacedRect();
        EXPECT_EQ(placed.size(), QSize(40, 30));
        const QRect name = SlideshowLayout::NameBand(slot, placed);
        const QRect comment = SlideshowLayout::CommentBand(slot, placed);
        EXPECT_EQ(name.top(), placed.bottom() + 1 + 8);
        EXPECT_EQ(comment.bottom() + 1, placed.top() - 8);
        const QImage& slide = window->Slide();
        for (const QRect& band : {name, comment}) {
            // The band reaches one pixel up and left for the white copy.
            const QRect drawn = band.adjusted(-1, -1, 0, 0);
            EXPECT_EQ(count(slide, drawn, 0xFFFFFF) > 10, texts);
            EXPECT_EQ(count(slide, drawn, 0x404040) > 10, texts);
        }
        // Nothing written outside the bands.
        const QRect between(slot.left(), placed.bottom() + 2, slot.width(), 6);
        EXPECT_EQ(count(slide, between, 0xFFFFFF), 0);
        window.reset();
    }
}

TEST_F(SlideshowTest, StartRunsUntilTheEndOrSaysThereIsNothingToShow) {
    Slideshow slideshow(pane, browser, prefs, nullptr, [this] { return now; });
    // An empty folder: the message, and no window.
    Drive({[](QWidget* d) {
              EXPECT_EQ(
                  qobject_cast<QMessageBox*>(d)->text(),
                  QStringLiteral("Slideshow could not be started. There are no images in this folder."));
              Press(Qt::Key_Return);
          }},
          [&] { slideshow.Start(); });
    EXPECT_EQ(slideshow.Window(), nullptr);
    EXPECT_EQ(browser.nexts, 1);

    AddPictures(2);
    bool ranFullScreen = false;
    QTimer::singleShot(0, [&] {
        SlideshowWindow* shown = slideshow.Window();
        ASSERT_NE(shown, nullptr);
        ranFullScreen = slideshow.Running() && shown->isFullScreen() && shown->isVisible();
        slideshow.Tick(); // nothing due yet
        EXPECT_EQ(browser.nexts, 1);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(shown, &escape);
    });
    slideshow.Start();
    EXPECT_TRUE(ranFullScreen);
    EXPECT_FALSE(slideshow.Running());
    EXPECT_EQ(slideshow.Window(), nullptr);
}

} // namespace
