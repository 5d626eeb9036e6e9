// Thumbnails made while importing, and list icons rebuilt from them.
#include "ArchiveFixtures.h"
#include "CThumbnailMaker.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

std::vector<uint8_t> Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << format;
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// A red image, wider than tall, imported into archives of every thumbnail format; the stored
// thumbnail restores into the 16 and 32 pixel cells with the image's placement framed and masked.
TEST(Thumbnails, ImportedImageRestoresIntoListCells) {
    QImage image(120, 60, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    const std::vector<uint8_t> png = Encoded(image, "png");
    for (uint8_t format = 1; format <= 8; ++format) {
        MemoryFileSystem fs;
        ScriptedHost host;
        auto archive =
            MakeArchive(fs, host, "/t/a.kvq", ScriptedHost::Encrypted(kMethodTwofish, "pass", format));
        ASSERT_EQ(ImportFiles(*archive, fs, 0, {{"red.png", png}}), kOk);
        const CatalogueEntry* e = archive->Entry(EntryIndex(1));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->typeCode, kTypePng);
        EXPECT_EQ(e->hasThumbnail, 1);
        EXPECT_EQ(e->thumbLength, ThumbStoredLength(format));
        EXPECT_EQ(e->width, 120);
        EXPECT_EQ(e->height, 60);
        EXPECT_EQ(archive->GetListIcon(EntryIndex(1)), 0);

        for (int cell : {0, 1}) {
            ASSERT_TRUE(archive->RenderThumbnail(EntryIndex(1), cell)) << int(format);
            const CThumbnailMaker& maker = SharedThumbnailMaker();
            const QRect place = CThumbnailMaker::Placement(120, 60, CThumbnailMaker::kCellSize[cell]);
            const QImage& colour = maker.Cell(cell);
            const QImage& mask = maker.Mask(cell);
            const QColor inside = colour.pixelColor(place.center());
            if (ThumbIsGrey(format)) {
                EXPECT_EQ(inside.red(), inside.green()) << int(format);
                EXPECT_GT(inside.red(), 40) << int(format);
            } else {
                EXPECT_GT(inside.red(), 200) << int(format);
                EXPECT_LT(inside.green(), 40) << int(format);
            }
            EXPECT_EQ(qGray(mask.pixel(place.center())), 0) << "the framed image is opaque";
            EXPECT_EQ(qGray(mask.pixel(0, 0)), 255) << "above the placement is transparent";
        }
    }
}

TEST(Thumbnails, EntriesWithoutThumbnailRenderNothing) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, "/t/a.kvq", ScriptedHost::Plain(8));
    ASSERT_EQ(ImportFiles(*archive, fs, 0,
                          {{"notes.txt", PatternBytes(100, 1)}, {"broken.jpg", PatternBytes(200, 2)}}),
              kOk);
    EXPECT_FALSE(archive->RenderThumbnail(EntryIndex(0), 1)) << "a folder";
    EXPECT_FALSE(archive->RenderThumbnail(EntryIndex(1), 1)) << "not an image";
    EXPECT_EQ(archive->Entry(EntryIndex(2))->typeCode, kTypeOther)
        << "an image that does not decode is kept as a plain file";
    EXPECT_FALSE(archive->RenderThumbnail(EntryIndex(2), 1));
}

} // namespace
