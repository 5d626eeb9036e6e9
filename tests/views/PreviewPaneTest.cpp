// The preview pane over a real Workspace: where the image goes fitted and at its own size, scrolling
// in 32-pixel steps, one image pixel per device pixel on a dense screen, the caption and status
// texts, clicks, and what a picture that does not load leads to.
#include "PreviewFixture.h"

#include "ImageFixtures.h"
#include "ImageWipe.h"
#include "StringTable.h"
#include "TextFormat.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// The smallest rectangle holding every pixel of `colour`.
QRect Extent(const QImage& image, QRgb colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

class PreviewPaneTest : public PreviewFixture {
protected:
    PreviewPaneTest() {
        pane.resize(300, 200);
        pane.show();
        QApplication::processEvents();
        EXPECT_EQ(CreateArchive("/a/p.kvq"), kOk);
    }

    int TypeOf(int number) { return ws.ArchiveAt(1)->Entry(EntryIndex::OfNumber(number))->typeCode; }
};

TEST_F(PreviewPaneTest, FittedAndActualSizePlacement) {
    struct Case {
        const char* name;
        QSize image;
        bool fit;
        // In a 300 x 200 viewport; -1: depends on the scroll bars, checked below.
        QRect placed;
    };
    const Case cases[] = {
        // Shrunk into the area less 4 pixels all round, proportions kept, centred.
        {"large, fitted", {600, 400}, true, QRect(6, 4, 288, 192)},
        {"wide, fitted", {900, 100}, true, QRect(4, 84, 292, 32)},
        // Never enlarged: centred at its own size.
        {"small, fitted", {100, 50}, true, QRect(100, 75, 100, 50)},
        {"small, actual size", {100, 50}, false, QRect(100, 75, 100, 50)},
        // Larger than the pane: at the top-left corner, scrolled.
        {"large, actual size", {600, 400}, false, QRect(0, 0, 600, 400)},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int number =
            AddPicture("p" + std::to_string(++n) + ".png", Solid(c.image.width(), c.image.height(), Qt::red));
        pane.SetFit(c.fit);
        ws.OpenEntry(number);
        ASSERT_TRUE(pane.Shown());
        const QImage shot = Shot();
        EXPECT_EQ(pane.PlacedRect(), c.placed);
        const QRect visible = c.placed.intersected(QRect(QPoint(0, 0), pane.viewport()->size()));
        EXPECT_EQ(Extent(shot, qRgb(255, 0, 0)), visible);
        // The rest is the background colour.
        const QPoint corner(shot.width() - 1, shot.height() - 1);
        if (!visible.contains(corner)) {
            EXPECT_EQ(shot.pixel(corner) & 0xFFFFFF, 0x0000FFu);
        }
    }
    // Nothing shown: white.
    ws.SelectArchiveFolder(1, 0, true);
    EXPECT_FALSE(pane.Shown());
    const QImage empty = Shot();
    EXPECT_EQ(Extent(empty, qRgb(255, 255, 255)), empty.rect());
}

TEST_F(PreviewPaneTest, ALargeImageAtActualSizeScrollsIn32PixelStepsAndEachNewOneStartsAtTheCorner) {
    const int first = AddPicture("big.png", Pattern(600, 400));
    const int second = AddPicture("other.png", Pattern(500, 300));
    pane.SetFit(false);
    ws.OpenEntry(first);
    QScrollBar* h = pane.horizontalScrollBar();
    QScrollBar* v = pane.verticalScrollBar();
    const QSize visible = pane.viewport()->size();
    EXPECT_EQ(h->maximum(), 600 - visible.width());
    EXPECT_EQ(v->maximum(), 400 - visible.height());
    EXPECT_EQ(h->singleStep(), 32);
    EXPECT_EQ(h->pageStep(), 32);
    EXPECT_EQ(v->singleStep(), 32);

    h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    v->triggerAction(QAbstractSlider::SliderPageStepAdd);
    v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(h->value(), 32);
    EXPECT_EQ(v->value(), 64);
    // The picture moved with them: image pixel (32, 64) is at the corner.
    EXPECT_EQ(Shot().pixel(0, 0) & 0xFFFFFF, qRgb(32, 64, 0) & 0xFFFFFF);

    ws.OpenEntry(second);
    EXPECT_EQ(h->value(), 0);
    EXPECT_EQ(v->value(), 0);
    EXPECT_EQ(Shot().pixel(0, 0) & 0xFFFFFF, 0u);

    // Fitted, there is nothing to scroll.
    pane.SetFit(true);
    EXPECT_EQ(h->maximum(), 0);
    EXPECT_EQ(v->maximum(), 0);
    EXPECT_EQ(prefs.previewFit, 1);
    pane.ToggleFit();
    EXPECT_EQ(prefs.previewFit, 0);
    EXPECT_EQ(h->maximum(), 500 - pane.viewport()->width());
}

TEST_F(PreviewPaneTest, AtActualSizeOneImagePixelGoesToOneDevicePixelOnADenseScreen) {
    const QImage picture = Pattern(40, 20);
    ws.OpenEntry(AddPicture("dense.png", picture));
    ASSERT_TRUE(pane.Shown());
    for (const bool fit : {false, true}) {
        SCOPED_TRACE(fit ? "fitted (it fits)" : "actual size");
        QImage device(100, 60, QImage::Format_RGB32);
        device.setDevicePixelRatio(2.0);
        device.fill(Qt::black);
        QPainter painter(&device);
        const QRect area(0, 0, 50, 30); // logical
        pane.DrawImage(painter, area, area, fit, true);
        painter.end();
        // 20 x 10 logical pixels, centred.
        EXPECT_EQ(pane.PlacedRect(), QRect(15, 10, 20, 10));
        int different = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 40; ++x) {
                different += device.pixel(30 + x, 20 + y) != picture.pixel(x, y);
            }
        }
        EXPECT_EQ(different, 0);
        EXPECT_EQ(device.pixel(29, 20) & 0xFFFFFF, 0x0000FFu) << "the border";
    }
}

TEST_F(PreviewPaneTest, CaptionStatusTextsAndClicks) {
    const int shown = AddPicture("beach.png", Solid(64, 48, Qt::red));
    ws.ArchiveAt(1)->SetEntryComment(EntryIndex::OfNumber(shown), "July");
    pane.SetFit(true);
    ws.OpenEntry(shown);
    EXPECT_EQ(frame.captions[2], QStringLiteral("Preview of 'beach.png' - July"));
    EXPECT_EQ(pane.Caption(), frame.captions[2]);
    const std::array<QString, 4> status = pane.StatusTexts();
    EXPECT_EQ(status[0], QStringLiteral("64x48"));
    EXPECT_EQ(status[1], QStringLiteral("PNG"));
    EXPECT_EQ(status[2], QStringLiteral("True Color"));
    EXPECT_EQ(status[3],
              TextFormat::Fill(QStringLiteral("%.1fKB"), {Png(Solid(64, 48, Qt::red)).size() / 1024.0}));
    pane.SetComment(QString());
    EXPECT_EQ(frame.captions[2], QStringLiteral("Preview of 'beach.png'"));

    // Clicks count only inside the image; the right button starts the slideshow anywhere.
    Shot();
    const QPoint inside = pane.PlacedRect().center();
    const QPoint outside(2, 2);
    ASSERT_FALSE(pane.PlacedRect().contains(outside));
    const int notes = frame.activityNotes;
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, Qt::NoModifier, outside);
    EXPECT_EQ(browser.nexts + browser.previouses, 0);
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(browser.nexts, 1);
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, Qt::ShiftModifier, inside);
    EXPECT_EQ(browser.previouses, 1);
    QTest::mouseClick(pane.viewport(), Qt::RightButton, Qt::NoModifier, outside);
    EXPECT_EQ(browser.starts, 1);
    EXPECT_GE(frame.activityNotes, notes + 4);

    // Cleared: empty caption, blank status panes, the decoded picture zeroed and gone.
    bool zeroed = false;
    SetImageWipeObserver([&](const QImage& image) { zeroed = zeroed || image.size() == QSize(64, 48); });
    pane.ClearItem();
    SetImageWipeObserver(nullptr);
    EXPECT_TRUE(zeroed);
    EXPECT_TRUE(pane.DecodedImage().isNull());
    EXPECT_EQ(frame.captions[2], QString());
    EXPECT_EQ(pane.StatusTexts(), (std::array<QString, 4>{" ", " ", " ", " "}));
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(browser.nexts, 1);
}

// A picture that does not load: the "File Open Error" box, shown once for each file while its box
// is ticked, and with the box ticked the entry becomes type 128 - but only when a decoder read the
// data and refused it.
TEST_F(PreviewPaneTest, AFailedLoadShowsTheBoxOncePerFileAndRetypesOnlyWhatADecoderRefused) {
    QByteArray truncated = fixtures::Encode(Pattern(64, 64), "png");
    truncated.truncate(60); // the header, no pixels
    QByteArray truncatedTiff = fixtures::Encode(Pattern(64, 64), "tiff");
    truncatedTiff.truncate(40);
    const QByteArray huge = fixtures::PngClaiming(60000, 60000);
    const auto bytes = [](const QByteArray& data) { return std::vector<uint8_t>(data.begin(), data.end()); };
    const int other = AddPicture("fine.png", Solid(8, 8, Qt::red));

    struct Case {
        const char* name;
        const char* file;
        std::vector<uint8_t> data;
        int flagBefore; // "DF"
        bool tickBox;   // how the user leaves the box
        int boxes;      // shown in two openings
        bool retyped;
    };
    const Case cases[] = {
        {"damaged, box left clear", "a.png", bytes(truncated), 0, false, 2, false},
        {"damaged, box ticked", "b.png", bytes(truncated), 0, true, 1, true},
        {"damaged, box ticked before", "c.png", bytes(truncated), 1, true, 1, true},
        // Qt's TIFF reader is installed here; the check stands in for a machine without it, where
        // every TIFF fails to load like this one.
        {"no decoder installed", "d.tif", bytes(truncatedTiff), 1, true, 1, false},
        {"over the size limit", "e.png", bytes(huge), 1, true, 1, false},
    };
    pane.SetDecoderCheck([](int type) { return type != kImageTiff; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int number = ImportFile(0, c.file, c.data);
        const int typeBefore = TypeOf(number);
        prefs.alertFileOpen = c.flagBefore;
        dialogs.shownAlerts.clear();
        for (int opening = 0; opening < 2; ++opening) {
            dialogs.alertBoxes.push_back(c.tickBox);
            ws.OpenEntry(number);
            // Once retyped it is no image any more: opening it shows nothing new.
            const bool skipped = opening == 1 && c.retyped;
            EXPECT_EQ(pane.Shown(), skipped);
            if (!skipped) {
                const QImage shot = Shot();
                EXPECT_EQ(Extent(shot, qRgb(255, 255, 255)), shot.rect());
            }
            ws.OpenEntry(other); // away and back: a second opening
            EXPECT_TRUE(pane.Shown());
        }
        dialogs.alertBoxes.clear();
        ASSERT_EQ(dialogs.shownAlerts.size(), static_cast<size_t>(c.boxes));
        EXPECT_EQ(dialogs.shownAlerts.front().resource, kDlgFileOpenError);
        EXPECT_EQ(dialogs.shownAlerts.front().title, QStringLiteral("File Open Error"));
        EXPECT_EQ(dialogs.shownAlerts.front().text,
                  QStringLiteral("There was an error opening the file '%1' with the image viewer. The image "
                                 "either is corrupt or has an unrecognized format.")
                      .arg(QString::fromLatin1(c.file)));
        EXPECT_EQ(prefs.alertFileOpen, c.tickBox ? 1 : 0);
        EXPECT_EQ(TypeOf(number), c.retyped ? kTypeOther : typeBefore);
    }
}

} // namespace
