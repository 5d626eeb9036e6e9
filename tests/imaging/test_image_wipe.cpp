// Decoded pixels are zeroed before they are freed: the holder's image at every Reset and at its end,
// the copies made while decoding and drawing, and the thumbnail maker's cells; a copy that another
// holder still shares is left to that holder.
#include "CImageHolder.h"
#include "CThumbnailMaker.h"
#include "ImageFixtures.h"
#include "ImageWipe.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace quorvane;
using fixtures::Bytes;
using fixtures::Length;

namespace {

bool AllZero(const QImage& image) {
    const uchar* bits = image.constBits();
    return std::all_of(bits, bits + image.sizeInBytes(), [](uchar b) { return b == 0; });
}

// Records the size of each picture zeroed, and whether it really was all zeros then.
class WipeLog {
public:
    WipeLog() {
        SetImageWipeObserver([this](const QImage& image) {
            sizes.push_back(image.size());
            allZero = allZero && AllZero(image);
        });
    }
    ~WipeLog() { SetImageWipeObserver(nullptr); }
    WipeLog(const WipeLog&) = delete;
    WipeLog& operator=(const WipeLog&) = delete;

    bool Saw(QSize size) const { return std::find(sizes.begin(), sizes.end(), size) != sizes.end(); }

    std::vector<QSize> sizes;
    bool allZero = true;
};

TEST(ImageWipe, ZeroesAnImageItAloneHoldsAndSparesASharedOne) {
    WipeLog log;
    QImage alone(8, 4, QImage::Format_RGB32);
    alone.fill(Qt::red);
    EXPECT_TRUE(WipeImage(alone));
    EXPECT_TRUE(alone.isNull());
    EXPECT_EQ(log.sizes, std::vector<QSize>{QSize(8, 4)});
    EXPECT_TRUE(log.allZero);

    QImage mine(8, 4, QImage::Format_RGB32);
    mine.fill(Qt::blue);
    const QImage theirs = mine;
    EXPECT_FALSE(WipeImage(mine));
    EXPECT_TRUE(mine.isNull());
    EXPECT_EQ(theirs.pixel(3, 2), QColor(Qt::blue).rgb());
    EXPECT_EQ(log.sizes.size(), 1u);
}

TEST(ImageWipe, TheHolderZeroesItsPicturesAndTheCopiesItMakes) {
    struct Case {
        const char* name;
        QByteArray data;
        int16_t type;
    };
    QImage deep = fixtures::PhotoLike(30, 20).convertToFormat(QImage::Format_RGBA64);
    const Case cases[] = {
        {"png", fixtures::Encode(fixtures::PhotoLike(30, 20), "png"), kImagePng},
        {"16-bit png, converted to 8 bits", fixtures::Encode(deep, "png"), kImagePng},
        {"gif, made paletted",
         fixtures::Gif(30, 20, {qRgb(0, 0, 0), qRgb(9, 9, 9)}, {std::vector<uint8_t>(600, 1)}), kImageGif},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WipeLog log;
        {
            CImageHolder holder;
            ASSERT_EQ(holder.Load("x", Bytes(c.data), Length(c.data), c.type, 32, true), kImageOk);
            holder.Reset();
            EXPECT_TRUE(log.Saw(QSize(30, 20)));
            const size_t afterReset = log.sizes.size();
            ASSERT_EQ(holder.Load("x", Bytes(c.data), Length(c.data), c.type, 32, true), kImageOk);
            log.sizes.resize(afterReset);
        }
        EXPECT_TRUE(log.Saw(QSize(30, 20))) << "at the holder's end";
        EXPECT_TRUE(log.allZero);
    }

    // The resampled copy a drawing makes.
    WipeLog log;
    CImageHolder holder;
    const QByteArray png = fixtures::Encode(fixtures::PhotoLike(30, 20), "png");
    ASSERT_EQ(holder.Load("x", Bytes(png), Length(png), kImagePng, 32, false), kImageOk);
    QImage target(100, 100, QImage::Format_RGB32);
    QPainter painter(&target);
    Draw(holder, painter, QRect(0, 0, 30, 20), QRect(5, 5, 60, 40), target.rect(), true, Qt::black);
    painter.end();
    EXPECT_TRUE(log.Saw(QSize(60, 40)));
    EXPECT_TRUE(log.allZero);
    EXPECT_TRUE(holder.HasImage()) << "the held picture itself stays";
    EXPECT_NE(target.pixel(30, 25), QColor(Qt::black).rgb());
}

// Qt's PNG reader gives up half way on damaged data, but leaves what it decoded until then in the image.
TEST(ImageWipe, APictureThatFailsHalfWayIsZeroedToo) {
    QByteArray damaged = fixtures::Encode(fixtures::PhotoLike(120, 80), "png");
    ASSERT_GT(damaged.size(), 400);
    for (qsizetype i = damaged.size() / 2; i < damaged.size() / 2 + 40; ++i) {
        damaged[i] = static_cast<char>(0xAA);
    }
    WipeLog log;
    CImageHolder holder;
    EXPECT_EQ(holder.Load("x", Bytes(damaged), Length(damaged), kImagePng, 32, false), kImageBadPixels);
    EXPECT_FALSE(holder.HasImage());
    EXPECT_TRUE(log.Saw(QSize(120, 80)));
    EXPECT_TRUE(log.allZero);
}

TEST(ImageWipe, TheThumbnailMakerZeroesItsCellsButNotACopyOfOne) {
    CImageHolder holder;
    const QByteArray png = fixtures::Encode(fixtures::PhotoLike(60, 40), "png");
    ASSERT_EQ(holder.Load("x", Bytes(png), Length(png), kImagePng, 16, false), kImageOk);
    CThumbnailMaker maker;
    maker.Render(holder, 4, true);
    const QImage listCopy = maker.Cell(1);
    const QRgb kept = listCopy.pixel(16, 20);
    ASSERT_NE(kept, 0u);

    maker.Wipe();
    for (int i = 0; i < CThumbnailMaker::kCellCount; ++i) {
        EXPECT_TRUE(AllZero(maker.Cell(i))) << i;
        EXPECT_TRUE(AllZero(maker.Mask(i))) << i;
        EXPECT_EQ(maker.Cell(i).size(), QSize(CThumbnailMaker::kCellSize[i], CThumbnailMaker::kCellSize[i]));
    }
    const uint8_t* bits = maker.GetThumbnailBits(4, false);
    EXPECT_TRUE(std::all_of(bits, bits + 96 * 96 * 2, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(listCopy.pixel(16, 20), kept);
    // And it renders as before afterwards.
    maker.Render(holder, 4, true);
    EXPECT_FALSE(AllZero(maker.Cell(4)));
}

} // namespace
