// The list's thumbnail copies: rendered through the engine once per entry, cell and catalogue
// generation, copied out of the shared cell at once, never rendered while the archive is busy or
// in flux, and let go of (zeroed) when their archive or generation is gone or the cache is full.
#include "FakePaneHost.h"

#include "CThumbnailMaker.h"
#include "ThumbnailCache.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

constexpr int kCell96 = 4;

// The copy put back at its place in a transparent cell of `side` pixels, as the list paints it.
QImage InCell(const QImage& copy, int side) {
    QImage cell(side, side, QImage::Format_ARGB32_Premultiplied);
    cell.fill(Qt::transparent);
    QPainter painter(&cell);
    painter.drawImage(copy.offset(), copy);
    return cell;
}

class ThumbnailCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        archive = &host.Add("photos", 8); // 96 pixels, colour
        first = host.Images(*archive, 0, {"a.jpg", "b.jpg", "c.jpg"});
    }

    FakePaneHost host;
    CCodeArchive* archive = nullptr;
    int first = 0;
};

TEST_F(ThumbnailCacheTest, RendersEachThumbnailOnceAndKeepsItsOwnCopy) {
    ThumbnailCache cache;
    const QImage* a = cache.Fetch(*archive, first, kCell96, true);
    ASSERT_NE(a, nullptr);
    // Only the framed picture is kept, opaque, at its place in the cell.
    EXPECT_FALSE(a->hasAlphaChannel());
    EXPECT_EQ(a->width(), 96);
    EXPECT_LT(a->height(), 96);
    const QImage placed = InCell(*a, 96);
    const QImage before = a->copy();
    // The picture is wider than high: the rows above it are transparent, the framed picture not.
    EXPECT_EQ(qAlpha(placed.pixel(48, 0)), 0);
    EXPECT_EQ(qAlpha(placed.pixel(48, 95)), 255);
    // Opaque pixels carry the cell's colours as Qt reads them.
    const QImage& cell = SharedThumbnailMaker().Cell(kCell96);
    for (const QPoint at : {QPoint(48, 95), QPoint(10, 60), QPoint(90, 80), QPoint(0, 95)}) {
        EXPECT_EQ(placed.pixel(at), cell.pixel(at)) << at.x() << "," << at.y();
    }

    // Another entry is rendered into the same shared cell; the copy does not change with it.
    ASSERT_NE(cache.Fetch(*archive, first + 1, kCell96, true), nullptr);
    EXPECT_EQ(cache.renderCount(), 2u);
    const QImage* again = cache.Fetch(*archive, first, kCell96, true);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(cache.renderCount(), 2u);
    EXPECT_EQ(*again, before);
    EXPECT_EQ(again->offset(), before.offset());

    // Each cell is its own thumbnail.
    const QImage* small = cache.Fetch(*archive, first, 0, true);
    ASSERT_NE(small, nullptr);
    EXPECT_LE(small->width(), 16);
    EXPECT_LE(small->offset().y() + small->height(), 16);
    EXPECT_EQ(cache.renderCount(), 3u);
}

// On a screen with two device pixels per logical pixel the copy is the stored thumbnail with every
// pixel repeated into a 2 x 2 block, device pixel ratio 2: drawn at its logical size it is sharp.
TEST_F(ThumbnailCacheTest, ADenseScreensCopyRepeatsEveryPixelIntoABlock) {
    ThumbnailCache cache(8);
    const QImage plain = cache.Fetch(*archive, first, kCell96, true)->copy();
    const QImage* dense = cache.Fetch(*archive, first, kCell96, true, 2);
    ASSERT_NE(dense, nullptr);
    EXPECT_EQ(cache.renderCount(), 2u) << "each scale is its own copy";
    EXPECT_EQ(dense->size(), plain.size() * 2);
    EXPECT_EQ(dense->devicePixelRatio(), 2.0);
    EXPECT_EQ(dense->deviceIndependentSize(), QSizeF(plain.size()));
    EXPECT_EQ(dense->offset(), plain.offset()) << "the offset stays in the cell's logical pixels";
    int mismatched = 0;
    for (int y = 0; y < dense->height(); ++y) {
        for (int x = 0; x < dense->width(); ++x) {
            mismatched += dense->pixel(x, y) != plain.pixel(x / 2, y / 2) ? 1 : 0;
        }
    }
    EXPECT_EQ(mismatched, 0);

    // A copy at scale 2 takes the room of four: a second one (1 + 4 + 4 > 8) lets the plain copy go.
    ASSERT_NE(cache.Fetch(*archive, first + 1, kCell96, true, 2), nullptr);
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache.Fetch(*archive, first, kCell96, false), nullptr);
    EXPECT_NE(cache.Fetch(*archive, first, kCell96, false, 2), nullptr);
}

TEST(ThumbnailScale, WholeRatiosAreKeptAndOthersRoundedUp) {
    const struct {
        qreal ratio;
        int scale;
    } cases[] = {{0.5, 1}, {1.0, 1}, {1.004, 1}, {1.25, 2}, {1.5, 2}, {2.0, 2}, {2.5, 3}, {3.0, 3}, {8.0, 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(ThumbnailCache::ScaleFor(c.ratio), c.scale) << c.ratio;
    }
}

TEST_F(ThumbnailCacheTest, NothingIsRenderedWhileBusyRefusedOrInFlux) {
    ThumbnailCache cache;
    ASSERT_NE(cache.Fetch(*archive, first, kCell96, true), nullptr);
    EXPECT_EQ(cache.Fetch(*archive, first + 1, kCell96, false), nullptr);
    {
        CCodeArchive::OperationScope running(*archive);
        EXPECT_EQ(cache.Fetch(*archive, first + 2, kCell96, true), nullptr);
        // A copy made before the operation still draws: it belongs to this generation.
        EXPECT_NE(cache.Fetch(*archive, first, kCell96, true), nullptr);
    }
    EXPECT_EQ(cache.renderCount(), 1u);

    // Between the engine's notifications even the copies are not handed out.
    bool asked = false;
    const QImage* inFlux = nullptr;
    host.engine.aboutToChange = [&](CCodeArchive& changing) {
        asked = true;
        inFlux = cache.Fetch(changing, first, kCell96, true);
        EXPECT_EQ(cache.Fetch(changing, first + 1, kCell96, true), nullptr);
    };
    FakePaneHost::Folder(*archive, 0, "New Folder");
    EXPECT_TRUE(asked);
    EXPECT_EQ(inFlux, nullptr);
    EXPECT_EQ(cache.renderCount(), 1u);
}

TEST_F(ThumbnailCacheTest, ANewGenerationIsRenderedAgainAndTheOldCopiesGo) {
    ThumbnailCache cache;
    ASSERT_NE(cache.Fetch(*archive, first, kCell96, true), nullptr);
    const uint64_t generation = archive->catalogueGeneration();
    FakePaneHost::Folder(*archive, 0, "Later");
    ASSERT_NE(archive->catalogueGeneration(), generation);

    ASSERT_NE(cache.Fetch(*archive, first, kCell96, true), nullptr);
    EXPECT_EQ(cache.renderCount(), 2u);
    EXPECT_EQ(cache.size(), 2u);
    cache.KeepOnly({archive});
    EXPECT_EQ(cache.size(), 1u);
    cache.KeepOnly({});
    EXPECT_EQ(cache.size(), 0u);

    ASSERT_NE(cache.Fetch(*archive, first, kCell96, true), nullptr);
    cache.DropArchive(archive);
    EXPECT_EQ(cache.size(), 0u);
}

TEST_F(ThumbnailCacheTest, AFullCacheLetsTheLeastRecentlyUsedGo) {
    ThumbnailCache cache(2);
    cache.Fetch(*archive, first, kCell96, true);
    cache.Fetch(*archive, first + 1, kCell96, true);
    cache.Fetch(*archive, first, kCell96, true); // now the most recent
    cache.Fetch(*archive, first + 2, kCell96, true);
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache.renderCount(), 3u);
    cache.Fetch(*archive, first, kCell96, true); // kept
    EXPECT_EQ(cache.renderCount(), 3u);
    cache.Fetch(*archive, first + 1, kCell96, true); // was let go
    EXPECT_EQ(cache.renderCount(), 4u);
}

// Every 5-5-5 word (the unused top bit set or not) widens as Qt converts it; rows of every length
// up to two of the wide steps and a tail, at any start, come out whole and write nothing beyond.
TEST(ThumbnailCacheWiden, EveryWordWidensAsQtConvertsIt) {
    QImage words(256, 256, QImage::Format_RGB555);
    for (int y = 0; y < 256; ++y) {
        auto* row = reinterpret_cast<uint16_t*>(words.scanLine(y));
        for (int x = 0; x < 256; ++x) {
            row[x] = static_cast<uint16_t>(y * 256 + x);
        }
    }
    const QImage qt = words.convertToFormat(QImage::Format_RGB32);
    std::vector<QRgb> out(256);
    for (int y = 0; y < 256; ++y) {
        ThumbnailCache::WidenRow(reinterpret_cast<const uint16_t*>(words.constScanLine(y)), out.data(), 256);
        for (int x = 0; x < 256; ++x) {
            ASSERT_EQ(out[x], qt.pixel(x, y)) << "word " << y * 256 + x;
        }
    }
    const auto* some = reinterpret_cast<const uint16_t*>(words.constScanLine(123));
    for (int start = 0; start < 3; ++start) {
        for (int count = 0; count <= 19; ++count) {
            std::vector<QRgb> row(21, 0x12345678U);
            ThumbnailCache::WidenRow(some + start, row.data(), count);
            for (int x = 0; x < 21; ++x) {
                ASSERT_EQ(row[x], x < count ? qt.pixel(start + x, 123) : 0x12345678U)
                    << "start " << start << " count " << count << " at " << x;
            }
        }
    }
}

TEST(ThumbnailCacheWithout, AnArchiveWithoutThumbnailsGivesNone) {
    FakePaneHost host;
    CCodeArchive& plain = host.Add("plain", 0);
    const int number = host.Images(plain, 0, {"a.jpg"});
    ThumbnailCache cache;
    EXPECT_EQ(cache.Fetch(plain, number, 1, true), nullptr);
    EXPECT_EQ(cache.size(), 0u);
}

} // namespace
