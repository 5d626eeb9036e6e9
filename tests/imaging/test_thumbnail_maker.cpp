#include "CImageHolder.h"
#include "CThumbnailMaker.h"
#include "ImageFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

using namespace quorvane;
using fixtures::Bytes;
using fixtures::Length;

namespace {

uint16_t Word(const QImage& cell, int x, int y) {
    return reinterpret_cast<const uint16_t*>(cell.constScanLine(y))[x];
}

std::vector<uint16_t> Words(const QImage& cell) {
    std::vector<uint16_t> words;
    for (int y = 0; y < cell.height(); ++y) {
        for (int x = 0; x < cell.width(); ++x) {
            words.push_back(Word(cell, x, y));
        }
    }
    return words;
}

void LoadPng(CImageHolder& holder, const QImage& image) {
    const QByteArray png = fixtures::Encode(image, "png");
    ASSERT_EQ(holder.Load("t", Bytes(png), Length(png), kImagePng, 16, false), kImageOk);
}

QImage Solid(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The frame's pixels are black, the mask is black exactly over the placement, and the maker
// reports that rectangle as the cell's opaque part.
void ExpectFrameAndMask(const CThumbnailMaker& maker, int cell, QRect placement) {
    const QImage& colour = maker.Cell(cell);
    const QImage& mask = maker.Mask(cell);
    EXPECT_EQ(maker.Opaque(cell), placement);
    for (int y = 0; y < colour.height(); ++y) {
        for (int x = 0; x < colour.width(); ++x) {
            const bool inside = placement.contains(x, y);
            ASSERT_EQ(mask.constScanLine(y)[x], inside ? 0 : 255) << x << "," << y;
            const bool onFrame = inside && (x == placement.left() || x == placement.right() ||
                                            y == placement.top() || y == placement.bottom());
            if (onFrame) {
                ASSERT_EQ(Word(colour, x, y), 0) << x << "," << y;
            }
        }
    }
}

} // namespace

TEST(ThumbnailMaker, PlacementFitsCentresAndStandsOnTheBottom) {
    struct Case {
        int width, height, cell;
        QRect expected;
    };
    const Case cases[] = {
        {1000, 10, 32, {0, 31, 32, 1}},  // 0.32 pixels high is raised to one
        {10, 1000, 32, {15, 0, 1, 32}},  // 0.32 wide is raised to one, then centred
        {50, 50, 32, {0, 0, 32, 32}},    // a square fills the cell
        {100, 50, 96, {0, 48, 96, 48}},  // wide: on the bottom edge
        {640, 480, 48, {0, 12, 48, 36}}, //
        {3, 4, 16, {2, 0, 12, 16}},      // tall: centred
        {25, 32, 16, {1, 0, 12, 16}},    // 12.5 wide: centred by the untruncated width
        {1, 1, 96, {0, 0, 96, 96}},      // a small image is enlarged to the cell
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " in " << c.cell);
        EXPECT_EQ(CThumbnailMaker::Placement(c.width, c.height, c.cell), c.expected);
    }
    // Sizes that no picture has still give a rectangle inside the cell.
    for (const QSize& odd : {QSize(0, 0), QSize(0, 7), QSize(7, 0), QSize(-1, -1)}) {
        const QRect r = CThumbnailMaker::Placement(odd.width(), odd.height(), 32);
        EXPECT_TRUE(QRect(0, 0, 32, 32).contains(r)) << odd.width() << "x" << odd.height();
        EXPECT_GE(r.width(), 1);
        EXPECT_GE(r.height(), 1);
    }
}

TEST(ThumbnailMaker, StoredFormatsAndPixelConversions) {
    const uint32_t expected[] = {0, 1024, 2048, 2304, 4608, 4096, 8192, 9216, 18432};
    for (int code = 0; code <= 8; ++code) {
        EXPECT_EQ(ThumbStoredLength(code), expected[code]) << code;
    }
    for (int code : {-1, 9, 255}) {
        EXPECT_EQ(ThumbStoredLength(code), 0U) << code;
        EXPECT_EQ(ThumbSizeIndex(code), 0) << code;
        EXPECT_FALSE(ThumbIsGrey(code)) << code << " stands for no thumbnails, grey or not";
    }
    EXPECT_EQ(ThumbSizeIndex(7), 4);
    EXPECT_TRUE(ThumbIsGrey(7));
    EXPECT_FALSE(ThumbIsGrey(8));

    EXPECT_EQ(CThumbnailMaker::GreyOf(0x7FFF), 248);
    EXPECT_EQ(CThumbnailMaker::PixelOfGrey(248), 0x7FFF);
    EXPECT_EQ(CThumbnailMaker::GreyOf(0x7C00), 82); // pure red: 248 / 3
    EXPECT_EQ(CThumbnailMaker::GreyOf(0x0000), 0);
    EXPECT_EQ(CThumbnailMaker::GreyOf(0x8000), 0); // the unused top bit is ignored
    EXPECT_EQ(CThumbnailMaker::PixelOfGrey(7), 0x0000);
    EXPECT_EQ(CThumbnailMaker::PixelOfGrey(8), 0x0421);

    // The same through the maker: a white cell reads back as grey 248, and grey 248 restores as white.
    CThumbnailMaker maker;
    CImageHolder holder;
    LoadPng(holder, Solid(10, 10, Qt::white));
    maker.Render(holder, 2, false);
    const uint8_t* grey = maker.GetThumbnailBits(2, true);
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey[48 * 20 + 20], 248);
    const std::vector<uint8_t> stored(48 * 48, 248);
    maker.RestoreIcon(2, stored.data(), 2, true, 10, 10);
    EXPECT_EQ(Word(maker.Cell(2), 20, 20), 0x7FFF);
}

TEST(ThumbnailMaker, RenderDrawsWhiteImageFrameAndMask) {
    CThumbnailMaker maker;
    CImageHolder holder;
    LoadPng(holder, Solid(64, 32, Qt::red));
    maker.Render(holder, 4, false);
    for (int cell : {0, 1, 4}) {
        SCOPED_TRACE(cell);
        const int side = CThumbnailMaker::kCellSize[cell];
        const QRect placement(0, side / 2, side, side / 2);
        ASSERT_EQ(CThumbnailMaker::Placement(64, 32, side), placement);
        EXPECT_EQ(Word(maker.Cell(cell), side / 2, side / 4), 0x7FFF);     // white above
        EXPECT_EQ(Word(maker.Cell(cell), side / 2, side * 3 / 4), 0x7C00); // red inside
        ExpectFrameAndMask(maker, cell, placement);
    }
}

TEST(ThumbnailMaker, ThumbnailBitsHaveTheStoredLayoutOfEveryFormat) {
    CThumbnailMaker maker;
    CImageHolder holder;
    LoadPng(holder, fixtures::PhotoLike(120, 80, 30));
    for (int code = 1; code <= 8; ++code) {
        SCOPED_TRACE(code);
        const int sizeIndex = ThumbSizeIndex(code);
        const bool grey = ThumbIsGrey(code);
        const int side = CThumbnailMaker::kCellSize[sizeIndex];
        maker.Render(holder, sizeIndex, code % 4 == 0);
        const uint8_t* bits = maker.GetThumbnailBits(sizeIndex, grey);
        ASSERT_NE(bits, nullptr);
        const std::vector<uint8_t> stored(bits, bits + ThumbStoredLength(code));
        ASSERT_EQ(stored.size(), static_cast<size_t>(side * side * (grey ? 1 : 2)));

        // Rows top-down without padding: word i (or byte i) is pixel (i % side, i / side) of the cell.
        const std::vector<uint16_t> words = Words(maker.Cell(sizeIndex));
        for (size_t i = 0; i < words.size(); ++i) {
            if (grey) {
                ASSERT_EQ(stored[i], CThumbnailMaker::GreyOf(words[i])) << i;
            } else {
                ASSERT_EQ(stored[2 * i] | (stored[2 * i + 1] << 8), words[i]) << i;
            }
        }
        // Restoring into its own cell gives the cell back (through grey for grey formats).
        CThumbnailMaker other;
        other.RestoreIcon(sizeIndex, stored.data(), sizeIndex, grey, 120, 80);
        const std::vector<uint16_t> restored = Words(other.Cell(sizeIndex));
        for (size_t i = 0; i < words.size(); ++i) {
            const uint16_t expected =
                grey ? CThumbnailMaker::PixelOfGrey(CThumbnailMaker::GreyOf(words[i])) : words[i];
            ASSERT_EQ(restored[i], expected) << i;
        }
    }
}

// The opaque part the maker reports follows its mask before any picture and after a wipe too.
TEST(ThumbnailMaker, TheOpaquePartIsNothingBeforeAPictureAndTheWholeCellAfterAWipe) {
    CThumbnailMaker maker;
    for (int cell = 0; cell < CThumbnailMaker::kCellCount; ++cell) {
        EXPECT_TRUE(maker.Opaque(cell).isEmpty()) << cell;
        EXPECT_EQ(maker.Mask(cell).constScanLine(0)[0], 255) << cell;
    }
    maker.Wipe();
    for (int cell = 0; cell < CThumbnailMaker::kCellCount; ++cell) {
        const QImage& mask = maker.Mask(cell);
        EXPECT_EQ(maker.Opaque(cell), mask.rect()) << cell;
        for (int y = 0; y < mask.height(); ++y) {
            for (int x = 0; x < mask.width(); ++x) {
                ASSERT_EQ(mask.constScanLine(y)[x], 0) << cell << ": " << x << "," << y;
            }
        }
    }
}

TEST(ThumbnailMaker, RenderTouchesOnlyTheCellsItNeeds) {
    CThumbnailMaker maker;
    // Cells 2 to 4 hold a pattern that Render must leave alone for 32-pixel thumbnails.
    for (int cell = 2; cell <= 4; ++cell) {
        const int side = CThumbnailMaker::kCellSize[cell];
        const std::vector<uint8_t> grey(static_cast<size_t>(side) * side, 0x40);
        maker.RestoreIcon(cell, grey.data(), cell, true, 5, 9);
    }
    std::vector<QImage> before;
    before.reserve(CThumbnailMaker::kCellCount);
    for (int cell = 0; cell < CThumbnailMaker::kCellCount; ++cell) {
        before.push_back(maker.Cell(cell).copy());
    }

    CImageHolder empty;
    maker.Render(empty, 4, true); // no image: nothing happens
    CImageHolder holder;
    LoadPng(holder, Solid(30, 30, Qt::blue));
    maker.Render(holder, 0, true); // size index 0: nothing happens
    for (int cell = 0; cell < CThumbnailMaker::kCellCount; ++cell) {
        EXPECT_EQ(maker.Cell(cell), before[cell]) << cell;
    }

    maker.Render(holder, 1, true);
    EXPECT_NE(maker.Cell(0), before[0]);
    EXPECT_NE(maker.Cell(1), before[1]);
    EXPECT_EQ(Word(maker.Cell(1), 16, 16), 0x001F);
    for (int cell = 2; cell <= 4; ++cell) {
        EXPECT_EQ(maker.Cell(cell), before[cell]) << cell;
    }
}

namespace {

// Offsets taken along one axis, written out as the documented sequences: uniform k * u; stepped, the
// first row 0, u, 2u, 4u, 5u, 7u, ... and every later row 0, 2u, 3u, 5u, 6u, ...
std::vector<int> Offsets(bool stepped, bool laterRow, int unit, int count) {
    std::vector<int> out;
    int at = 0;
    for (int i = 0; i < count; ++i) {
        out.push_back(at);
        if (!stepped) {
            at += unit;
        } else if (!laterRow) {
            at += (i < 2 || i % 2 == 1) ? unit : 2 * unit; // +u, +u, then +2u, +u, +2u, ...
        } else {
            at += (i % 2 == 0) ? 2 * unit : unit; // +2u, +u, +2u, ...
        }
    }
    return out;
}

} // namespace

TEST(ThumbnailMaker, RestoreIconTakesExactlyTheSampledPixels) {
    struct Case {
        int stored;
        int target;
        bool stepped;
        int unit; // 0: copied into its own cell
    };
    const Case cases[] = {
        {1, 0, false, 2}, {1, 1, false, 0}, {2, 0, true, 2},  {2, 1, true, 1},
        {2, 2, false, 0}, {3, 0, false, 4}, {3, 1, false, 2}, {3, 3, false, 0},
        {4, 0, true, 4},  {4, 1, true, 2},  {4, 4, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "stored " << c.stored << " target " << c.target);
        const int stored = CThumbnailMaker::kCellSize[c.stored];
        const int out = CThumbnailMaker::kCellSize[c.target];
        // Every stored pixel names its own coordinates: y * 128 + x.
        std::vector<uint8_t> thumbnail;
        for (int y = 0; y < stored; ++y) {
            for (int x = 0; x < stored; ++x) {
                const int word = y * 128 + x;
                thumbnail.push_back(static_cast<uint8_t>(word & 0xFF));
                thumbnail.push_back(static_cast<uint8_t>(word >> 8));
            }
        }
        std::vector<int> identity(static_cast<size_t>(out));
        std::iota(identity.begin(), identity.end(), 0);
        const std::vector<int> rows = c.unit == 0 ? identity : Offsets(c.stepped, false, c.unit, out);
        const std::vector<int>& firstRow = rows;
        const std::vector<int> laterRows = c.unit == 0 ? identity : Offsets(c.stepped, true, c.unit, out);
        // A wide picture frames only the bottom row, a tall one only the middle column; between the two
        // runs every other pixel is seen outside the frame.
        std::vector<bool> checked(static_cast<size_t>(out) * out, false);
        for (const QSize& picture : {QSize(1000, 10), QSize(10, 1000)}) {
            CThumbnailMaker maker;
            maker.RestoreIcon(c.stored, thumbnail.data(), c.target, false, picture.width(), picture.height());
            const QRect placement = CThumbnailMaker::Placement(picture.width(), picture.height(), out);
            ExpectFrameAndMask(maker, c.target, placement);
            for (int r = 0; r < out; ++r) {
                for (int col = 0; col < out; ++col) {
                    if (placement.contains(col, r)) {
                        continue;
                    }
                    const int x = r == 0 ? firstRow[col] : laterRows[col];
                    ASSERT_EQ(Word(maker.Cell(c.target), col, r), rows[r] * 128 + x) << col << "," << r;
                    checked[static_cast<size_t>(r) * out + col] = true;
                }
            }
        }
        // Only the bottom pixel of the middle column lies under both frames.
        const size_t bottomMiddle = static_cast<size_t>(out - 1) * out + (out - 1) / 2;
        for (size_t i = 0; i < checked.size(); ++i) {
            EXPECT_EQ(checked[i], i != bottomMiddle) << i % out << "," << i / out;
        }
    }
}

TEST(ThumbnailMaker, RestoreIconFromGreyEqualsRestoreFromTheExpandedWords) {
    std::mt19937 random(3);
    for (int stored = 1; stored <= 4; ++stored) {
        const int side = CThumbnailMaker::kCellSize[stored];
        std::vector<uint8_t> grey(static_cast<size_t>(side) * side);
        std::vector<uint8_t> words;
        for (uint8_t& g : grey) {
            g = static_cast<uint8_t>(random());
            const uint16_t w = CThumbnailMaker::PixelOfGrey(g);
            words.push_back(static_cast<uint8_t>(w & 0xFF));
            words.push_back(static_cast<uint8_t>(w >> 8));
        }
        for (int target : {0, 1, stored}) {
            SCOPED_TRACE(testing::Message() << "stored " << stored << " target " << target);
            CThumbnailMaker fromGrey;
            CThumbnailMaker fromWords;
            fromGrey.RestoreIcon(stored, grey.data(), target, true, 300, 200);
            fromWords.RestoreIcon(stored, words.data(), target, false, 300, 200);
            EXPECT_EQ(fromGrey.Cell(target), fromWords.Cell(target));
            EXPECT_EQ(fromGrey.Mask(target), fromWords.Mask(target));
        }
    }
    // Into a cell that is neither its own nor an icon, nothing is copied; only the frame is drawn.
    CThumbnailMaker maker;
    const std::vector<uint8_t> black(32 * 32, 0);
    maker.RestoreIcon(1, black.data(), 3, true, 10, 10);
    EXPECT_EQ(Word(maker.Cell(3), 32, 32), 0x7FFF);
    EXPECT_EQ(Word(maker.Cell(3), 0, 0), 0x0000);
    // Bad indexes are ignored.
    maker.RestoreIcon(0, black.data(), 0, true, 10, 10);
    maker.RestoreIcon(5, black.data(), 0, true, 10, 10);
    maker.RestoreIcon(1, black.data(), 5, true, 10, 10);
    maker.RestoreIcon(1, nullptr, 0, true, 10, 10);
    EXPECT_EQ(Word(maker.Cell(0), 8, 8), 0x7FFF);
    EXPECT_EQ(maker.GetThumbnailBits(5, false), nullptr);
}

namespace {

// Variance of the 5-bit green component inside the placement, frame excluded.
double InteriorVariance(const QImage& cell, QRect placement) {
    const QRect inner = placement.adjusted(1, 1, -1, -1);
    double sum = 0;
    double squares = 0;
    int n = 0;
    for (int y = inner.top(); y <= inner.bottom(); ++y) {
        for (int x = inner.left(); x <= inner.right(); ++x) {
            const double g = (Word(cell, x, y) >> 5) & 0x1F;
            sum += g;
            squares += g * g;
            ++n;
        }
    }
    const double mean = sum / n;
    return squares / n - mean * mean;
}

} // namespace

TEST(ThumbnailMaker, AntiAliasedThumbnailsAreSmoothAndOtherwiseTheSame) {
    QImage checkerboard(997, 991, QImage::Format_RGB32);
    for (int y = 0; y < checkerboard.height(); ++y) {
        for (int x = 0; x < checkerboard.width(); ++x) {
            checkerboard.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    CImageHolder holder;
    LoadPng(holder, checkerboard);
    CThumbnailMaker maker;
    const QRect placement = CThumbnailMaker::Placement(997, 991, 96);
    maker.Render(holder, 4, false);
    const double plain = InteriorVariance(maker.Cell(4), placement);
    maker.Render(holder, 4, true);
    const double smooth = InteriorVariance(maker.Cell(4), placement);
    EXPECT_GT(plain, 50.0); // picked pixels: black or white
    EXPECT_LT(smooth, 2.0); // averaged: an even grey
    EXPECT_GT(plain, 25 * smooth);

    // On a flat colour both modes give the same bytes, in colour and in grey.
    LoadPng(holder, Solid(300, 200, QColor(40, 160, 90)));
    for (bool grey : {false, true}) {
        const uint32_t bytes = ThumbStoredLength(grey ? 7 : 8);
        maker.Render(holder, 4, false);
        const std::vector<uint8_t> standard(maker.GetThumbnailBits(4, grey),
                                            maker.GetThumbnailBits(4, grey) + bytes);
        maker.Render(holder, 4, true);
        const uint8_t* bits = maker.GetThumbnailBits(4, grey);
        EXPECT_EQ(standard, std::vector<uint8_t>(bits, bits + bytes)) << grey;
    }
}

// A caller's poll changes nothing of a decode, whatever the format reads or seeks. For the readers
// that go through the bytes piece by piece (JPEG above all, which a thumbnail is made from beside
// its chunk), it runs all through the decode, once per window read.
TEST(ThumbnailMaker, APollDuringTheDecodeChangesNothing) {
    const QImage photo = fixtures::PhotoLike(1600, 1200);
    const struct {
        const char* format;
        int16_t type;
        bool pollsPerWindow;
    } cases[] = {{"jpeg", kImageJpeg, true},
                 {"png", kImagePng, true},
                 {"bmp", kImageBmp, false},
                 {"tiff", kImageTiff, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const QByteArray bytes = fixtures::Encode(photo, c.format, 90);
        ASSERT_GT(bytes.size(), 2 * CImageHolder::kPollBytes);
        CImageHolder plain;
        ASSERT_EQ(plain.LoadForThumbnail("p", Bytes(bytes), Length(bytes), c.type, 96), kImageOk);
        int64_t polls = 0;
        CImageHolder polled;
        ASSERT_EQ(polled.LoadForThumbnail("p", Bytes(bytes), Length(bytes), c.type, 96, [&] { ++polls; }),
                  kImageOk);
        EXPECT_EQ(polled.Image(), plain.Image());
        EXPECT_EQ(polled.Width(), plain.Width());
        EXPECT_EQ(polled.Height(), plain.Height());
        EXPECT_GE(polls, c.pollsPerWindow ? (bytes.size() - 1) / CImageHolder::kPollBytes : 1)
            << bytes.size() << " bytes";

        // Damaged copies fare the same with the poll: cut short, and with the offset or length
        // in the first bytes after the signature run wild. (Only their status and size are
        // compared: what a decoder leaves in the rows it could not read is not defined.)
        QByteArray cut = bytes.left(bytes.size() / 2);
        QByteArray wild = bytes;
        for (int i = 4; i < 8; ++i) {
            wild[i] = static_cast<char>(0x7F);
        }
        for (const QByteArray& damaged : {cut, wild}) {
            const int16_t expected = plain.LoadForThumbnail("d", Bytes(damaged), Length(damaged), c.type, 96);
            EXPECT_EQ(polled.LoadForThumbnail("d", Bytes(damaged), Length(damaged), c.type, 96, [] {}),
                      expected);
            EXPECT_EQ(polled.Image().size(), plain.Image().size());
        }
    }
}

TEST(ThumbnailMaker, JpegThumbnailsDecodeAtReducedScale) {
    const QByteArray jpeg = fixtures::Encode(fixtures::PhotoLike(1600, 1200), "jpeg", 90);
    CImageHolder fast;
    ASSERT_EQ(fast.LoadForThumbnail("p.jpg", Bytes(jpeg), Length(jpeg), kImageJpeg, 96), kImageOk);
    EXPECT_EQ(fast.Width(), 1600); // the header's size, for the catalogue and the placement
    EXPECT_EQ(fast.Height(), 1200);
    EXPECT_EQ(fast.Image().size(), QSize(200, 150)); // 1/8: still above the 96 x 72 placement
    EXPECT_EQ(fast.Depth(), 24);

    CImageHolder full;
    ASSERT_EQ(full.Load("p.jpg", Bytes(jpeg), Length(jpeg), kImageJpeg, 16, false), kImageOk);
    EXPECT_EQ(full.Image().size(), QSize(1600, 1200));

    // The thumbnails made both ways look alike.
    CThumbnailMaker a;
    CThumbnailMaker b;
    a.Render(fast, 4, true);
    b.Render(full, 4, true);
    const std::vector<uint16_t> wa = Words(a.Cell(4));
    const std::vector<uint16_t> wb = Words(b.Cell(4));
    double difference = 0;
    for (size_t i = 0; i < wa.size(); ++i) {
        for (int shift : {0, 5, 10}) {
            difference += std::abs(((wa[i] >> shift) & 0x1F) - ((wb[i] >> shift) & 0x1F));
        }
    }
    EXPECT_LT(difference / (wa.size() * 3), 1.0);
    EXPECT_EQ(a.Mask(4), b.Mask(4));

    // The pixels always suffice for the 32-pixel icon, whatever cell is asked for.
    const QByteArray modest = fixtures::Encode(fixtures::PhotoLike(240, 180), "jpeg", 90);
    ASSERT_EQ(fast.LoadForThumbnail("m.jpg", Bytes(modest), Length(modest), kImageJpeg, 16), kImageOk);
    EXPECT_EQ(fast.Image().size(), QSize(60, 45)); // 1/4: at 1/8 (30 x 22) a 32 x 24 icon would be enlarged

    // Small JPEGs and other formats are decoded whole; failures leave the holder empty.
    const QByteArray small = fixtures::Encode(fixtures::PhotoLike(150, 100), "jpeg", 90);
    ASSERT_EQ(fast.LoadForThumbnail("s.jpg", Bytes(small), Length(small), kImageJpeg, 96), kImageOk);
    EXPECT_EQ(fast.Image().size(), QSize(150, 100));
    const QByteArray png = fixtures::Encode(fixtures::PhotoLike(800, 600), "png");
    ASSERT_EQ(fast.LoadForThumbnail("p.png", Bytes(png), Length(png), kImagePng, 96), kImageOk);
    EXPECT_EQ(fast.Image().size(), QSize(800, 600));
    EXPECT_EQ(fast.LoadForThumbnail("x.jpg", Bytes(png), Length(png), kImageJpeg, 96), kImageUnknownType);
    EXPECT_FALSE(fast.HasImage());
    EXPECT_EQ(fast.Width(), 0);
}
