// A contact sheet of every thumbnail format for looking at: one row per source picture, in each row the
// eight formats (32 grey, 32 colour, 48 grey, ... 96 colour) standard then anti-aliased, then the 16 and
// 32 pixel icons restored from the 96-pixel colour and 48-pixel grey thumbnails. Everything is decoded
// back from the stored bytes and drawn through its mask, so the sheet shows what the list will show.
// scripts/contact-sheet writes it to a file of your choice (QUORVANE_CONTACT_SHEET=path).
#include "CImageHolder.h"
#include "CThumbnailMaker.h"
#include "ImageFixtures.h"

#include <QImageReader>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

using namespace quorvane;
using fixtures::Bytes;
using fixtures::Length;

namespace {

constexpr int kGap = 6;
constexpr int kSlot = 96 + kGap;

QImage Pictures(int which) {
    switch (which) {
    case 0: // landscape photo
        return fixtures::PhotoLike(1200, 800, 8);
    case 1: { // a zone plate: ever finer rings, which plain resampling turns into moire
        QImage rings(900, 900, QImage::Format_RGB32);
        for (int y = 0; y < 900; ++y) {
            for (int x = 0; x < 900; ++x) {
                const double r = std::hypot(x - 450.0, y - 450.0);
                const int v = (static_cast<int>(r * r / 2000.0) % 2) ? 255 : 0;
                rings.setPixel(x, y, qRgb(v, v / 2 + 60, 255 - v));
            }
        }
        return rings;
    }
    case 2: { // portrait with a transparent border, drawn over white
        QImage portrait(300, 700, QImage::Format_ARGB32);
        portrait.fill(Qt::transparent);
        QPainter painter(&portrait);
        painter.fillRect(30, 30, 240, 640, QColor(200, 40, 40));
        painter.fillRect(80, 200, 140, 300, QColor(250, 220, 0));
        return portrait;
    }
    default: // a long strip
        return fixtures::PhotoLike(2000, 150, 0, 4);
    }
}

QImage StoredToImage(const uint8_t* bits, int sizeIndex, bool grey, int width, int height, int target) {
    CThumbnailMaker restore;
    restore.RestoreIcon(sizeIndex, bits, target, grey, width, height);
    // As the list shows it: transparent where the mask is white.
    QImage shown = restore.Cell(target).convertToFormat(QImage::Format_ARGB32);
    const QImage& mask = restore.Mask(target);
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (mask.constScanLine(y)[x] != 0) {
                shown.setPixel(x, y, qRgba(0, 0, 0, 0));
            }
        }
    }
    return shown;
}

QImage MakeSheet() {
    constexpr int kPictures = 4;
    constexpr int kColumns = 16 + 2;
    QImage sheet(kGap + kColumns * kSlot, kGap + kPictures * kSlot, QImage::Format_RGB32);
    sheet.fill(QColor(90, 90, 110));
    QPainter painter(&sheet);
    CImageHolder holder;
    CThumbnailMaker maker;
    for (int row = 0; row < kPictures; ++row) {
        const QImage picture = Pictures(row);
        // Photos as JPEG (decoded at reduced scale), drawings as PNG (decoded whole).
        const bool photo = row == 0 || row == 3;
        const QByteArray encoded = fixtures::Encode(picture, photo ? "jpeg" : "png", 90);
        const int16_t type = photo ? kImageJpeg : kImagePng;
        EXPECT_EQ(holder.LoadForThumbnail("sheet", Bytes(encoded), Length(encoded), type, 96), kImageOk);
        const int y = kGap + row * kSlot;
        int column = 0;
        for (bool smooth : {false, true}) {
            for (int code = 1; code <= 8; ++code) {
                const int sizeIndex = ThumbSizeIndex(code);
                const bool grey = ThumbIsGrey(code);
                maker.Render(holder, sizeIndex, smooth);
                const QImage shown = StoredToImage(maker.GetThumbnailBits(sizeIndex, grey), sizeIndex, grey,
                                                   holder.Width(), holder.Height(), sizeIndex);
                const int side = CThumbnailMaker::kCellSize[sizeIndex];
                painter.drawImage(kGap + column * kSlot, y + 96 - side, shown);
                ++column;
            }
        }
        // Icons as the list rebuilds them: from 96 colour (stepped by 4 and 2) and from 48 grey.
        for (const auto& [code, target, dx, dy] :
             {std::tuple{8, 0, 0, 0}, {8, 1, 20, 0}, {3, 0, 0, 40}, {3, 1, 20, 40}}) {
            const int sizeIndex = ThumbSizeIndex(code);
            const bool grey = ThumbIsGrey(code);
            maker.Render(holder, sizeIndex, true);
            std::vector<uint8_t> stored(maker.GetThumbnailBits(sizeIndex, grey),
                                        maker.GetThumbnailBits(sizeIndex, grey) + ThumbStoredLength(code));
            const QImage icon =
                StoredToImage(stored.data(), sizeIndex, grey, holder.Width(), holder.Height(), target);
            painter.drawImage(kGap + column * kSlot + dx, y + dy, icon);
        }
    }
    return sheet;
}

} // namespace

TEST(ContactSheet, ShowsEveryFormatInBothQualities) {
    const QImage sheet = MakeSheet();
    // The 96-pixel cells of the first row: standard and anti-aliased differ, and both hold the picture
    // (not just the white cell).
    const QImage standard = sheet.copy(kGap + 7 * kSlot, kGap, 96, 96);
    const QImage smooth = sheet.copy(kGap + 15 * kSlot, kGap, 96, 96);
    EXPECT_NE(standard, smooth);
    EXPECT_NE(smooth.pixel(48, 60), qRgb(255, 255, 255));
    // Above a wide picture the cell is masked out: the sheet's background shows through.
    EXPECT_EQ(sheet.pixel(kGap + 7 * kSlot + 48, kGap + 5), qRgb(90, 90, 110));

    const char* path = std::getenv("QUORVANE_CONTACT_SHEET");
    if (path != nullptr && *path != '\0') {
        ASSERT_TRUE(sheet.save(QString::fromLocal8Bit(path), "png")) << path;
        QImageReader check{QString::fromLocal8Bit(path)};
        EXPECT_EQ(check.size(), sheet.size());
    }
}
