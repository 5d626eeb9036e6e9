#include "CImageHolder.h"
#include "ImageFixtures.h"
#include "ImageSamples.h"

#include <QCoreApplication>
#include <QPainter>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace quorvane;
using fixtures::Bytes;
using fixtures::Length;

namespace {

QImage Filled(int w, int h, QImage::Format format, QColor colour) {
    QImage image(w, h, format);
    image.fill(colour);
    return image;
}

QImage Indexed(int w, int h) {
    QImage image(w, h, QImage::Format_Indexed8);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 0, 255)});
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, static_cast<uint>((x + y) % 3));
        }
    }
    return image;
}

QByteArray PalettedGif(int w, int h, uint8_t index = 1) {
    return fixtures::Gif(w, h, {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0)},
                         {std::vector<uint8_t>(static_cast<size_t>(w) * h, index)});
}

// One valid encoding per type, for the damage tests.
QByteArray ValidSample(int16_t type) {
    const QImage photo = fixtures::PhotoLike(64, 48);
    switch (type) {
    case kImageJpeg:
        return fixtures::Encode(photo, "jpeg", 90);
    case kImageGif:
        return PalettedGif(64, 48);
    case kImageBmp:
        return fixtures::Encode(photo, "bmp");
    case kImagePng:
        return fixtures::Encode(photo, "png");
    default:
        return fixtures::Encode(photo, "tiff");
    }
}

const int16_t kAllTypes[] = {kImageJpeg, kImageGif, kImageBmp, kImagePng, kImageTiff};

struct DecodeCase {
    const char* name;
    int16_t type;
    QByteArray data;
    int width;
    int height;
    int depth;
};

} // namespace

TEST(ImageHolder, DecodesEveryFormatFromMemoryWithSizeAndDepth) {
    QImage argb = Filled(11, 7, QImage::Format_ARGB32, QColor(10, 200, 30, 128));
    QImage deep = Filled(9, 6, QImage::Format_RGBX64, QColor(10, 200, 30));
    QImage grey16 = Filled(9, 6, QImage::Format_Grayscale16, QColor(90, 90, 90));
    const std::vector<DecodeCase> cases = {
        {"jpeg rgb", kImageJpeg, fixtures::Encode(fixtures::PhotoLike(37, 23), "jpeg", 90), 37, 23, 24},
        {"jpeg grey", kImageJpeg,
         fixtures::Encode(Filled(20, 12, QImage::Format_Grayscale8, Qt::gray), "jpeg"), 20, 12, 8},
        {"jpeg cmyk", kImageJpeg, fixtures::CmykJpeg(16, 8, 255, 0, 255, 255), 16, 8, 24},
        {"jpeg 1x1", kImageJpeg, fixtures::Encode(Filled(1, 1, QImage::Format_RGB32, Qt::red), "jpeg"), 1, 1,
         24},
        {"gif paletted", kImageGif, PalettedGif(7, 5), 7, 5, 8},
        {"gif 1x1", kImageGif, PalettedGif(1, 1), 1, 1, 8},
        {"bmp rgb", kImageBmp, fixtures::Encode(fixtures::PhotoLike(13, 9), "bmp"), 13, 9, 24},
        {"bmp paletted", kImageBmp, fixtures::Encode(Indexed(13, 9), "bmp"), 13, 9, 8},
        {"bmp 1x1", kImageBmp, fixtures::Encode(Filled(1, 1, QImage::Format_RGB32, Qt::red), "bmp"), 1, 1,
         24},
        {"png rgb", kImagePng, fixtures::Encode(fixtures::PhotoLike(21, 17), "png"), 21, 17, 24},
        {"png alpha", kImagePng, fixtures::Encode(argb, "png"), 11, 7, 32},
        {"png paletted", kImagePng, fixtures::Encode(Indexed(8, 3), "png"), 8, 3, 8},
        {"png grey", kImagePng, fixtures::Encode(Filled(8, 3, QImage::Format_Grayscale8, Qt::gray), "png"), 8,
         3, 8},
        {"png 16-bit rgb", kImagePng, fixtures::Encode(deep, "png"), 9, 6, 24},
        {"png 16-bit grey", kImagePng, fixtures::Encode(grey16, "png"), 9, 6, 8},
        {"png 1x1", kImagePng, fixtures::Encode(Filled(1, 1, QImage::Format_RGB32, Qt::red), "png"), 1, 1,
         24},
        {"tiff rgb", kImageTiff, fixtures::Encode(fixtures::PhotoLike(19, 11), "tiff"), 19, 11, 24},
        {"tiff alpha", kImageTiff, fixtures::Encode(argb, "tiff"), 11, 7, 32},
        {"tiff grey", kImageTiff, fixtures::GreyTiff({{6, 4, 77}}), 6, 4, 8},
        {"tiff two pages", kImageTiff, fixtures::GreyTiff({{5, 4, 10}, {9, 9, 200}}), 5, 4, 8},
        {"tiff 1x1", kImageTiff, fixtures::Encode(Filled(1, 1, QImage::Format_RGB32, Qt::red), "tiff"), 1, 1,
         24},
    };
    CImageHolder holder;
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(holder.Load(c.name, Bytes(c.data), Length(c.data), c.type, 16, false), kImageOk);
        EXPECT_EQ(holder.Status(), kImageOk);
        EXPECT_TRUE(HasImage(holder));
        EXPECT_EQ(holder.Width(), c.width);
        EXPECT_EQ(holder.Height(), c.height);
        EXPECT_EQ(holder.Depth(), c.depth);
        EXPECT_EQ(holder.Image().size(), QSize(c.width, c.height));
        EXPECT_TRUE(holder.Palette().isEmpty());
    }
}

// Rows stored from the top down (a negative height) are a valid BMP of the same picture.
TEST(ImageHolder, TopDownBmpDecodesWithItsSizeTheRightWayUp) {
    const std::vector<uint8_t> bottomUp = ::quorvane::testing::EncodedImage(13, 9, "bmp");
    const std::vector<uint8_t> topDown = ::quorvane::testing::EncodedImage(13, 9, "bmp-top-down");
    ASSERT_NE(bottomUp, topDown);
    CImageHolder reference;
    ASSERT_EQ(
        reference.Load("b", bottomUp.data(), static_cast<uint32_t>(bottomUp.size()), kImageBmp, 16, false),
        kImageOk);
    CImageHolder holder;
    for (int cell : {0, 32}) {
        SCOPED_TRACE(cell);
        const int16_t status =
            cell == 0 ? holder.Load("t", topDown.data(), static_cast<uint32_t>(topDown.size()), kImageBmp, 16,
                                    false)
                      : holder.LoadForThumbnail("t", topDown.data(), static_cast<uint32_t>(topDown.size()),
                                                kImageBmp, cell);
        ASSERT_EQ(status, kImageOk);
        EXPECT_EQ(holder.Width(), 13);
        EXPECT_EQ(holder.Height(), 9);
        EXPECT_EQ(holder.Image().convertToFormat(QImage::Format_RGB32),
                  reference.Image().convertToFormat(QImage::Format_RGB32));
    }
}

TEST(ImageHolder, LosslessFormatsKeepThePixels) {
    const QImage photo = fixtures::PhotoLike(23, 15, 40);
    CImageHolder holder;
    for (const auto& [format, type] :
         {std::pair{"png", kImagePng}, {"bmp", kImageBmp}, {"tiff", kImageTiff}}) {
        SCOPED_TRACE(format);
        const QByteArray data = fixtures::Encode(photo, format);
        ASSERT_EQ(holder.Load("p", Bytes(data), Length(data), type, 16, false), kImageOk);
        EXPECT_EQ(holder.Image().convertToFormat(QImage::Format_RGB32), photo);
    }
    // A multi-page TIFF shows its first page; an animated GIF its first frame.
    const QByteArray tiff = fixtures::GreyTiff({{5, 4, 10}, {5, 4, 200}});
    ASSERT_EQ(holder.Load("t", Bytes(tiff), Length(tiff), kImageTiff, 16, false), kImageOk);
    EXPECT_EQ(qGray(holder.Image().pixel(2, 2)), 10);
    const QByteArray gif = fixtures::Gif(
        6, 4, {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0)},
        {std::vector<uint8_t>(24, 1), std::vector<uint8_t>(24, 2), std::vector<uint8_t>(24, 0)});
    ASSERT_EQ(holder.Load("g", Bytes(gif), Length(gif), kImageGif, 16, false), kImageOk);
    EXPECT_EQ(holder.Image().pixel(3, 2), qRgb(255, 0, 0));
    EXPECT_EQ(holder.Depth(), 8);
    // Transparency survives keeping a GIF paletted.
    std::vector<uint8_t> holes(24, 1);
    holes[5] = 3;
    const QByteArray transparent =
        fixtures::Gif(6, 4, {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(9, 9, 9)}, {holes}, 3);
    ASSERT_EQ(holder.Load("t", Bytes(transparent), Length(transparent), kImageGif, 16, false), kImageOk);
    EXPECT_EQ(holder.Depth(), 8);
    EXPECT_EQ(qAlpha(holder.Image().pixel(5, 0)), 0);
    EXPECT_EQ(holder.Image().pixel(4, 0), qRgb(255, 0, 0));
}

TEST(ImageHolder, CmykJpegDecodesToOneFlatColour) {
    const QByteArray a = fixtures::CmykJpeg(16, 8, 255, 0, 255, 255);
    const QByteArray b = fixtures::CmykJpeg(16, 8, 0, 255, 255, 255);
    CImageHolder holder;
    ASSERT_EQ(holder.Load("a", Bytes(a), Length(a), kImageJpeg, 16, false), kImageOk);
    const QImage first = holder.Image();
    ASSERT_EQ(holder.Load("b", Bytes(b), Length(b), kImageJpeg, 16, false), kImageOk);
    const QImage second = holder.Image();
    EXPECT_EQ(first.pixel(0, 0), first.pixel(15, 7));
    EXPECT_NE(first.pixel(0, 0), second.pixel(0, 0));
}

TEST(ImageHolder, StatusCodesOfRefusedInput) {
    const QByteArray png = ValidSample(kImagePng);
    const QByteArray jpeg = ValidSample(kImageJpeg);
    const QByteArray oneByte("\xFF", 1);
    struct Case {
        const char* name;
        const uint8_t* data;
        uint32_t length;
        int16_t type;
        int16_t status;
    };
    const Case cases[] = {
        {"png bytes as jpeg", Bytes(png), Length(png), kImageJpeg, kImageUnknownType},
        {"one byte jpeg", Bytes(oneByte), 1, kImageJpeg, kImageUnknownType},
        {"empty jpeg", Bytes(jpeg), 0, kImageJpeg, kImageUnknownType},
        {"null jpeg", nullptr, 100, kImageJpeg, kImageUnknownType},
        {"null png", nullptr, 100, kImagePng, kImageNoHeader},
        {"type 0", Bytes(png), Length(png), 0, kImageUnknownType},
        {"type 128", Bytes(png), Length(png), 0x80, kImageUnknownType},
        {"type 134", Bytes(png), Length(png), 0x86, kImageUnknownType},
        {"type -1", Bytes(png), Length(png), -1, kImageUnknownType},
        // Only the stored type's decoder is asked, even when the bytes are a fine picture of another type.
        {"png bytes as gif", Bytes(png), Length(png), kImageGif, kImageNoHeader},
        {"jpeg bytes as png", Bytes(jpeg), Length(jpeg), kImagePng, kImageNoHeader},
    };
    CImageHolder holder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(holder.Load(c.name, c.data, c.length, c.type, 16, false), c.status);
        EXPECT_EQ(holder.Status(), c.status);
        EXPECT_FALSE(holder.HasImage());
    }
}

TEST(ImageHolder, HugeHeadersFailWithNoMemoryBeforeDecoding) {
    struct Case {
        const char* name;
        QByteArray data;
        int16_t type;
        int16_t status;
    };
    // 8192 x 8192 x 4 bytes is exactly the limit: allowed, and then the missing pixels fail to decode.
    const Case cases[] = {
        {"png 60000 x 60000", fixtures::PngClaiming(60000, 60000), kImagePng, kImageNoMemory},
        {"tiff 60000 x 60000", fixtures::GreyTiff({{4, 4, 1, 60000, 60000}}), kImageTiff, kImageNoMemory},
        {"png one pixel over", fixtures::PngClaiming(8193, 8192), kImagePng, kImageNoMemory},
        {"png at the limit", fixtures::PngClaiming(8192, 8192), kImagePng, kImageBadPixels},
    };
    CImageHolder holder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(holder.Load(c.name, Bytes(c.data), Length(c.data), c.type, 16, false), c.status);
        EXPECT_FALSE(holder.HasImage());
        EXPECT_EQ(holder.Width(), 0);
    }
}

TEST(ImageHolder, DamagedInputOfEveryTypeFailsCleanly) {
    std::mt19937 random(7);
    CImageHolder holder;
    for (int16_t type : kAllTypes) {
        const QByteArray good = ValidSample(type);
        QByteArray corrupt = good;
        for (qsizetype i = corrupt.size() / 3; i < corrupt.size() * 2 / 3; ++i) {
            corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
        }
        QByteArray garbage(4000, '\0');
        for (char& ch : garbage) {
            ch = static_cast<char>(random());
        }
        if (type == kImageJpeg) {
            garbage[0] = '\xFF';
            garbage[1] = '\xD8';
        }
        const std::vector<std::pair<const char*, QByteArray>> damaged = {
            {"empty", QByteArray()},
            {"first byte", good.left(1)},
            {"header only", good.left(16)},
            {"half", good.left(good.size() / 2)},
            {"all but one", good.chopped(1)},
            {"corrupt middle", corrupt},
            {"garbage", garbage},
        };
        for (const auto& [what, data] : damaged) {
            SCOPED_TRACE(std::to_string(type) + " " + what);
            // A good load first, so that a failure must also have emptied the holder.
            ASSERT_EQ(holder.Load("good", Bytes(good), Length(good), type, 16, false), kImageOk);
            const int16_t status = holder.Load(what, Bytes(data), Length(data), type, 16, false);
            EXPECT_TRUE(status == kImageOk || status == kImageNoHeader || status == kImageBadPixels ||
                        (type == kImageJpeg && status == kImageUnknownType))
                << status;
            EXPECT_EQ(holder.HasImage(), status == kImageOk);
            if (status == kImageOk) { // some decoders return what they could read of a damaged file
                EXPECT_EQ(holder.Image().size(), QSize(64, 48));
            } else {
                EXPECT_EQ(holder.Width(), 0);
                EXPECT_EQ(holder.Depth(), 0);
            }
            if (std::string(what) == "empty" || std::string(what) == "first byte" ||
                std::string(what) == "garbage") {
                EXPECT_NE(status, kImageOk);
            }
        }
    }
}

namespace {

struct RecordingCallbacks : ImageCallbacks {
    std::vector<std::string> calls;
    bool checkBox = false; // what the user leaves the box at
    void BeginActivity() override { calls.emplace_back("begin"); }
    void EndActivity() override { calls.emplace_back("end"); }
    void ShowOpenError(const std::string& name, bool& suppress) override {
        calls.push_back("error " + name + (suppress ? " (box checked)" : ""));
        suppress = checkBox;
    }
};

} // namespace

TEST(ImageHolder, InteractiveLoadsReportActivityAndErrors) {
    const QByteArray png = ValidSample(kImagePng);
    const QByteArray broken = png.left(30);
    CImageHolder holder;
    RecordingCallbacks ui;

    EXPECT_EQ(holder.Load("fine.png", Bytes(png), Length(png), kImagePng, 32, true, &ui), kImageOk);
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"begin", "end"}));

    ui.calls.clear();
    ui.checkBox = true;
    EXPECT_NE(holder.Load("bad.png", Bytes(broken), Length(broken), kImagePng, 32, true, &ui), kImageOk);
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"begin", "end", "error bad.png"}));
    EXPECT_TRUE(holder.OpenErrorSuppressed());

    ui.calls.clear(); // the box starts checked the next time
    EXPECT_EQ(holder.Load("x.jpg", Bytes(png), Length(png), kImageJpeg, 32, true, &ui), kImageUnknownType);
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"begin", "end", "error x.jpg (box checked)"}));

    ui.calls.clear(); // the engine's loads never reach the window
    EXPECT_NE(holder.Load("bad.png", Bytes(broken), Length(broken), kImagePng, 16, false, &ui), kImageOk);
    EXPECT_TRUE(ui.calls.empty());
}

TEST(ImageHolder, ColoursAreReducedOnlyForInteractiveLoadsOnPalettedScreens) {
    const QImage photo = fixtures::PhotoLike(40, 30, 20);
    const QByteArray png = fixtures::Encode(photo, "png");
    CImageHolder holder;

    ASSERT_EQ(holder.Load("p", Bytes(png), Length(png), kImagePng, 8, false), kImageOk);
    EXPECT_EQ(holder.Depth(), 24);
    EXPECT_TRUE(holder.Palette().isEmpty());

    ASSERT_EQ(holder.Load("p", Bytes(png), Length(png), kImagePng, 16, true), kImageOk);
    EXPECT_EQ(holder.Depth(), 24);

    ASSERT_EQ(holder.Load("p", Bytes(png), Length(png), kImagePng, 8, true), kImageOk);
    EXPECT_EQ(holder.Depth(), 8);
    EXPECT_EQ(holder.Image().format(), QImage::Format_Indexed8);
    EXPECT_GT(holder.Palette().size(), 1);
    EXPECT_LE(holder.Palette().size(), 256);
    EXPECT_EQ(holder.Palette(), holder.Image().colorTable());
    // The reduced picture still looks like the original: on average each channel within a few steps.
    double error = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const QRgb a = photo.pixel(x, y);
            const QRgb b = holder.Image().pixel(x, y);
            error +=
                std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    }
    EXPECT_LT(error / (40 * 30 * 3), 24.0);

    // An 8-bit image needs no reduction.
    const QByteArray gif = PalettedGif(5, 5);
    ASSERT_EQ(holder.Load("g", Bytes(gif), Length(gif), kImageGif, 8, true), kImageOk);
    EXPECT_EQ(holder.Depth(), 8);
    EXPECT_TRUE(holder.Palette().isEmpty());

    holder.Reset();
    EXPECT_TRUE(holder.Palette().isEmpty());
    EXPECT_FALSE(holder.HasImage());
    EXPECT_EQ(holder.Status(), kImageNoHeader);
    EXPECT_EQ(holder.Depth(), 0);
}

TEST(ImageHolder, WorksWithoutAnyApplicationObject) {
    // The engine and kvq decode, resample and paint thumbnails with no QGuiApplication; the plugins
    // (jpeg, gif, tiff) must be found all the same.
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    CImageHolder holder;
    for (int16_t type : kAllTypes) {
        SCOPED_TRACE(type);
        const QByteArray data = ValidSample(type);
        ASSERT_EQ(holder.Load("x", Bytes(data), Length(data), type, 16, false), kImageOk);
    }
    QImage canvas(20, 20, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        DrawScaled(holder, painter, holder.Image().rect(), QRect(0, 0, 20, 20), true);
    }
    EXPECT_NE(canvas.pixel(10, 10), qRgb(0, 0, 0));
}

TEST(PlaceInArea, FitsCentresAndNeverEnlarges) {
    struct Case {
        QRect image;
        QRect area;
        bool fit;
        QRect expected;
        int changed;
    };
    const Case cases[] = {
        {{0, 0, 100, 50}, {0, 0, 58, 58}, true, {4, 16, 50, 25}, 1},
        {{0, 0, 100, 50}, {10, 20, 58, 58}, true, {14, 36, 50, 25}, 1},
        {{0, 0, 50, 100}, {0, 0, 58, 58}, true, {16, 4, 25, 50}, 1},
        {{0, 0, 20, 10}, {0, 0, 58, 58}, true, {19, 24, 20, 10}, 0},
        {{0, 0, 50, 50}, {0, 0, 58, 58}, true, {4, 4, 50, 50}, 0},
        {{0, 0, 51, 50}, {0, 0, 58, 58}, true, {4, 4, 50, 49}, 1},
        {{0, 0, 20, 10}, {0, 0, 58, 58}, false, {19, 24, 20, 10}, 0},
        {{0, 0, 100, 50}, {0, 0, 58, 58}, false, {0, 4, 100, 50}, 0},
        {{5, 5, 100, 100}, {0, 0, 58, 58}, false, {5, 5, 100, 100}, 0},
        // Degenerate input gives an empty rectangle, not undefined arithmetic.
        {{0, 0, 100, 0}, {0, 0, 58, 58}, true, {4, 29, 50, 0}, 1},
        {{0, 0, 10, 10}, {0, 0, 4, 4}, true, {4, 4, 0, 0}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.image.width() << "x" << c.image.height() << " fit " << c.fit);
        QRect out;
        EXPECT_EQ(PlaceInArea(c.image, out, c.area, c.fit), c.changed);
        EXPECT_EQ(out, c.expected);
    }
}

TEST(PaintBorders, FillsOnlyTheStripsAroundTheDestination) {
    const QRgb kBackground = qRgb(255, 0, 0);
    struct Case {
        QRect destination;
        QRect area;
    };
    const Case cases[] = {
        {{10, 5, 20, 10}, {2, 3, 40, 30}},   // inside: four strips
        {{-10, 10, 70, 10}, {2, 3, 40, 24}}, // wider than the area: above and below only
        {{12, -5, 10, 60}, {2, 3, 40, 24}},  // taller than the area: left and right only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.destination.x() << "," << c.destination.y());
        QImage canvas(50, 40, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        {
            QPainter painter(&canvas);
            PaintBorders(c.destination, c.area, painter, QColor(kBackground));
        }
        const bool wider = c.destination.width() > c.area.width();
        const bool taller = c.destination.height() > c.area.height();
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) {
                const QPoint p(x, y);
                const bool beside = !wider && (x < c.destination.left() || x > c.destination.right());
                const bool aboveOrBelow = !taller && (y < c.destination.top() || y > c.destination.bottom());
                const bool painted = c.area.contains(p) && (beside || aboveOrBelow);
                ASSERT_EQ(canvas.pixel(p) == kBackground, painted) << x << "," << y;
            }
        }
    }
}

TEST(Draw, ResamplesTheSourceIntoTheDestinationWithBorders) {
    QImage halves(40, 20, QImage::Format_RGB32);
    halves.fill(Qt::blue);
    QPainter(&halves).fillRect(0, 0, 20, 20, Qt::red);
    const QByteArray png = fixtures::Encode(halves, "png");
    CImageHolder holder;
    ASSERT_EQ(holder.Load("h", Bytes(png), Length(png), kImagePng, 32, false), kImageOk);

    QImage canvas(100, 60, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        Draw(holder, painter, holder.Image().rect(), QRect(10, 10, 80, 40), QRect(0, 0, 100, 60), true,
             QColor(Qt::green));
    }
    EXPECT_EQ(canvas.pixel(5, 5), qRgb(0, 255, 0));
    EXPECT_EQ(canvas.pixel(95, 55), qRgb(0, 255, 0));
    EXPECT_EQ(canvas.pixel(50, 5), qRgb(0, 255, 0));
    EXPECT_EQ(canvas.pixel(12, 12), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(30, 30), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(70, 30), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(89, 49), qRgb(0, 0, 255));

    // Only the source rectangle is drawn: the right half fills the whole destination.
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        Draw(holder, painter, QRect(20, 0, 20, 20), QRect(10, 10, 80, 40), QRect(0, 0, 100, 60), false,
             QColor(Qt::green));
    }
    EXPECT_EQ(canvas.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(10, 10), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(89, 49), qRgb(0, 0, 255));

    // An empty holder draws nothing.
    holder.Reset();
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        DrawScaled(holder, painter, QRect(0, 0, 40, 20), QRect(0, 0, 100, 60), true);
    }
    EXPECT_EQ(canvas.pixel(50, 30), qRgb(0, 0, 0));
}

TEST(DrawScaled, PlainPicksPixelsAndSmoothInterpolates) {
    QImage pair(2, 1, QImage::Format_RGB32);
    pair.setPixel(0, 0, qRgb(0, 0, 0));
    pair.setPixel(1, 0, qRgb(255, 255, 255));
    const QByteArray png = fixtures::Encode(pair, "png");
    CImageHolder holder;
    ASSERT_EQ(holder.Load("p", Bytes(png), Length(png), kImagePng, 32, false), kImageOk);
    for (bool smooth : {false, true}) {
        QImage canvas(8, 1, QImage::Format_RGB32);
        {
            QPainter painter(&canvas);
            DrawScaled(holder, painter, QRect(0, 0, 2, 1), QRect(0, 0, 8, 1), smooth);
        }
        int intermediate = 0;
        for (int x = 0; x < 8; ++x) {
            const int v = qGray(canvas.pixel(x, 0));
            intermediate += (v != 0 && v != 255) ? 1 : 0;
        }
        SCOPED_TRACE(smooth);
        EXPECT_EQ(qGray(canvas.pixel(0, 0)), 0);
        EXPECT_EQ(qGray(canvas.pixel(7, 0)), 255);
        if (smooth) {
            EXPECT_GE(intermediate, 2);
        } else {
            EXPECT_EQ(intermediate, 0);
        }
    }
}
