// Thumbnails made while importing, and list icons rebuilt from them.
#include "ArchiveFixtures.h"
#include "CThumbnailMaker.h"
#include "WorkerPool.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

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

// A batch renders every entry exactly as RenderThumbnail does, in whatever order they are asked
// for, with the workers decrypting ahead or without them; entries without a thumbnail come back
// false. Once the catalogue changes, nothing more comes out of it.
TEST(Thumbnails, ABatchRendersWhatRenderThumbnailRenders) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, "/t/a.kvq", ScriptedHost::Encrypted(kMethodTwofish, "pass", 8));
    std::vector<SourceFile> files;
    for (int i = 0; i < 40; ++i) {
        QImage image(40 + i * 3, 70 - i, QImage::Format_RGB32);
        image.fill(QColor(i * 6, 255 - i * 5, (i * 37) % 256));
        files.push_back({"p" + std::to_string(i) + ".png", Encoded(image, "png")});
        if (i % 9 == 4) {
            files.push_back({"n" + std::to_string(i) + ".txt", PatternBytes(50, uint8_t(i))});
        }
    }
    ASSERT_EQ(ImportFiles(*archive, fs, 0, files), kOk);
    const int cell = archive->thumbSizeIndex();
    std::vector<EntryIndex> entries;
    std::map<int, QImage> expected; // by entry index; null without a thumbnail
    for (int i = 0; i < archive->entryCount(); ++i) {
        entries.push_back(EntryIndex(i));
        expected[i] = archive->RenderThumbnail(EntryIndex(i), cell) ? SharedThumbnailMaker().Cell(cell).copy()
                                                                    : QImage();
    }
    // Asked for from the back, then every other one: never the order they were read in.
    std::vector<EntryIndex> asked(entries.rbegin(), entries.rend());
    std::stable_partition(asked.begin(), asked.end(), [](EntryIndex e) { return e.value % 2 == 0; });

    for (int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        const WorkerPool::ThreadsFor use(threads);
        ThumbnailBatch batch(*archive, entries, cell);
        for (EntryIndex index : asked) {
            ASSERT_TRUE(batch.Pending(index));
            const bool ok = batch.Render(index);
            ASSERT_EQ(ok, !expected[index.value].isNull()) << index.value;
            if (ok) {
                EXPECT_EQ(SharedThumbnailMaker().Cell(cell), expected[index.value]) << index.value;
            }
            EXPECT_FALSE(batch.Pending(index));
            EXPECT_FALSE(batch.Render(index)) << "rendered twice";
        }
    }

    // The catalogue read again (a new generation): the batch renders nothing more, and its
    // workers' part is waited for.
    for (int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        const WorkerPool::ThreadsFor use(threads);
        ThumbnailBatch batch(*archive, entries, cell);
        ASSERT_TRUE(batch.Render(entries[1]));
        ASSERT_EQ(archive->Refresh(false), kOk);
        EXPECT_FALSE(batch.Render(entries[2]));
    }
}

} // namespace
