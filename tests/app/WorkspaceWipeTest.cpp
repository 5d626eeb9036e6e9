// What a close leaves behind: the keys of the closed archive, the shared transfer and thumbnail
// buffers, the thumbnail maker's cells and the password field hold only zeros, whichever way the
// archive closed. And the preview's request to mark an entry as not an image.
#include "WorkspaceFixture.h"

#include "CThumbnailMaker.h"
#include "ImageSamples.h"

#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

bool AllZero(const uint8_t* bytes, size_t size) {
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0; });
}

bool AllZero(const QImage& image) {
    return AllZero(image.constBits(), static_cast<size_t>(image.sizeInBytes()));
}

bool KeyWiped(const CipherState& key) {
    return AllZero(reinterpret_cast<const uint8_t*>(&key.password), sizeof key.password) &&
           AllZero(reinterpret_cast<const uint8_t*>(&key.blowfish), sizeof key.blowfish) &&
           AllZero(reinterpret_cast<const uint8_t*>(&key.twofish), sizeof key.twofish);
}

bool SharedStateWiped() {
    const TransferBuffers& buffers = SharedBuffers();
    bool cells = true;
    for (int i = 0; i < CThumbnailMaker::kCellCount; ++i) {
        cells = cells && AllZero(SharedThumbnailMaker().Cell(i)) && AllZero(SharedThumbnailMaker().Mask(i));
    }
    return AllZero(buffers.a, kTransferBufferSize) && AllZero(buffers.b, kTransferBufferSize) &&
           AllZero(buffers.thumbnail, kThumbnailBufferSize) && cells;
}

class WorkspaceWipeTest : public WorkspaceFixture {
protected:
    // An encrypted archive with thumbnails, an image imported and shown: the buffers, the cells and
    // the key all hold something of it.
    void OpenAndUse(const QString& path) {
        ArchivePropertiesForm form;
        form.encryption = true;
        form.thumbnails = true;
        form.thumbnailFormat = 8;
        dialogs.createChoices.push_back(path);
        dialogs.createSettings.push_back(form);
        dialogs.passwords.push_back(QStringLiteral("wipe me"));
        dialogs.confirmPasswords.push_back(QStringLiteral("wipe me"));
        ASSERT_EQ(ws.Create(), kOk);
        const int image = ImportFile(0, path.section(QLatin1Char('/'), -1).toStdString() + ".png",
                                     EncodedImage(40, 30, "png"));
        ws.OpenEntry(image);
        ASSERT_FALSE(preview.shownBytes.empty());
        prefs.password.Set(QStringLiteral("typed in a dialog"));
        ASSERT_FALSE(SharedStateWiped());
        ASSERT_TRUE(ws.ArchiveAt(ws.CurrentArchive())->encrypted());
    }

    // Checks each archive's key as it is reported closed, while it still exists.
    void WatchCloses() {
        QObject::connect(&ws, &Workspace::archiveClosed, &ws, [this](const CCodeArchive* archive) {
            closed.push_back(archive->path());
            keysWiped = keysWiped && KeyWiped(archive->keyState()) && !archive->IsOpen();
        });
    }

    bool PasswordWiped() const {
        const std::span<const char> storage = prefs.password.Storage();
        return prefs.password.IsEmpty() &&
               std::all_of(storage.begin(), storage.end(), [](char c) { return c == 0; });
    }

    std::vector<std::string> closed;
    bool keysWiped = true;
};

TEST_F(WorkspaceWipeTest, CloseCloseAllAndShutdownLeaveOnlyZeros) {
    WatchCloses();
    struct Case {
        const char* name;
        int archives;
        std::function<int()> close;
    };
    QTemporaryDir dir;
    QSettings settings(dir.filePath("prefs.ini"), QSettings::IniFormat);
    const Case cases[] = {
        {"Close", 1, [&] { return ws.Close(false); }},
        {"CloseAll", 2, [&] { return ws.CloseAll(); }},
        {"Shutdown", 2, [&] { return ws.Shutdown(settings); }},
    };
    int made = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        closed.clear();
        keysWiped = true;
        for (int i = 0; i < c.archives; ++i) {
            OpenAndUse(QStringLiteral("/a/w%1.kvq").arg(++made));
        }
        EXPECT_EQ(c.close(), kOk);
        EXPECT_EQ(ws.ArchiveCount(), 0);
        EXPECT_EQ(closed.size(), static_cast<size_t>(c.archives));
        EXPECT_TRUE(keysWiped);
        EXPECT_TRUE(SharedStateWiped());
        EXPECT_TRUE(PasswordWiped());
    }
}

TEST_F(WorkspaceWipeTest, ClosingOneOfTwoStillWipesTheSharedBuffers) {
    WatchCloses();
    OpenAndUse("/a/keep.kvq");
    OpenAndUse("/a/go.kvq");
    EXPECT_EQ(ws.Close(false), kOk);
    EXPECT_EQ(closed, std::vector<std::string>{"/a/go.kvq"});
    EXPECT_TRUE(keysWiped);
    EXPECT_TRUE(SharedStateWiped());
    // The other archive still reads: nothing it needs was kept in them.
    ASSERT_EQ(ws.ArchiveCount(), 1);
    const int image = NumberOf("keep.kvq.png");
    ASSERT_GT(image, 0);
    preview.shownBytes.clear();
    ws.OpenEntry(image);
    EXPECT_EQ(preview.shownBytes, EncodedImage(40, 30, "png"));
}

TEST_F(WorkspaceWipeTest, MarkNotAnImageRetypesOnlyFilesAndNotWhileBusy) {
    ASSERT_EQ(CreateArchive("/a/m.kvq"), kOk);
    const int image = ImportFile(0, "broken.png", {1, 2, 3, 4});
    const int folder = AddFolder(0, "Sub");
    const auto type = [&](int number) {
        return ws.ArchiveAt(1)->Entry(EntryIndex::OfNumber(number))->typeCode;
    };
    ASSERT_EQ(type(image), kTypePng);

    EXPECT_EQ(ws.MarkNotAnImage(1, folder), Workspace::kRejected);
    EXPECT_EQ(type(folder), kTypeFolder);
    EXPECT_EQ(ws.MarkNotAnImage(1, 1), Workspace::kRejected); // the recycle bin
    EXPECT_EQ(ws.MarkNotAnImage(2, image), Workspace::kRejected);

    // From inside a running command (an import pumping its progress window).
    int busyStatus = 0;
    fs.Put("/src/another.dat", {5, 6, 7});
    dialogs.importChoices.push_back({"/src/another.dat"});
    progress.onPoll = [&] { busyStatus = ws.MarkNotAnImage(1, image); };
    EXPECT_EQ(ws.Import(), kOk);
    progress.onPoll = nullptr;
    EXPECT_EQ(busyStatus, kBusy);
    EXPECT_EQ(type(image), kTypePng);

    list.calls.clear();
    EXPECT_EQ(ws.MarkNotAnImage(1, image), kOk);
    EXPECT_EQ(type(image), kTypeOther);
    EXPECT_TRUE(list.Saw("UpdateItem " + std::to_string(image)));
    // It lasts: the archive is saved with it.
    ASSERT_EQ(ws.Close(false), kOk);
    ASSERT_EQ(ws.Open("/a/m.kvq"), kOk);
    EXPECT_EQ(type(NumberOf("broken.png")), kTypeOther);
}

} // namespace
