// The long operations on an archive: import, export, move and copy, emptying the recycle bin and
// defragmenting. After each of them the archive must pass the full check and every file outside the
// recycle bin must read back as it went in.
#include "ArchiveFixtures.h"
#include "ArchiveInternals.h"
#include "CCodeArchive.h"
#include "ImageSamples.h"
#include "MemoryFileSystem.h"
#include "ScriptedHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <numeric>
#include <set>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const char* const kPath = "/a/ops.kvq";
constexpr uint64_t kMiB = 1024 * 1024;

int NewFolder(CCodeArchive& archive, int parent, const std::string& name) {
    int number = 0;
    EXPECT_EQ(archive.CreateFolder(parent, name, kTypeFolder, &number), kOk) << name;
    return number;
}

// Imports one file into `parent` and returns its entry number.
int NewFile(CCodeArchive& archive, MemoryFileSystem& fs, int parent, const std::string& name,
            const std::vector<uint8_t>& bytes) {
    const int before = archive.entryCount();
    EXPECT_EQ(ImportFiles(archive, fs, parent, {{name, bytes}}, "/src/" + std::to_string(before)), kOk)
        << name;
    EXPECT_EQ(archive.entryCount(), before + 1) << name;
    return archive.entryCount();
}

uint64_t BlockSum(CCodeArchive& archive) {
    uint64_t sum = 0;
    for (int i = 0; i < archive.entryCount(); ++i) {
        sum += archive.Entry(EntryIndex(i))->blockLength;
    }
    return sum;
}

// The archive is sound, holds no unused space unless a defragmentation is owed, and every file
// outside the recycle bin is one of `expected` (by name) with its bytes.
void ExpectIntact(CCodeArchive& archive, MemoryFileSystem& fs,
                  const std::map<std::string, std::vector<uint8_t>>& expected) {
    EXPECT_EQ(CheckErrors(archive), "");
    if (!archive.defragmentPending()) {
        EXPECT_EQ(archive.dataSize(), BlockSum(archive)) << "the data area holds exactly the blocks";
        EXPECT_EQ(fs.Get(archive.path())->size(), archive.archiveSize());
    }
    size_t seen = 0;
    for (int i = 0; i < archive.entryCount(); ++i) {
        const CatalogueEntry& e = *archive.Entry(EntryIndex(i));
        if (e.IsFolder() || e.inRecycleBin) {
            continue;
        }
        const std::string name = archive.GetName(EntryIndex(i));
        const auto it = expected.find(name);
        if (it == expected.end()) {
            ADD_FAILURE() << "unexpected file " << name;
            continue;
        }
        ++seen;
        EXPECT_TRUE(ReadFileBytes(archive, EntryIndex(i)) == it->second) << name << " reads back differently";
    }
    EXPECT_EQ(seen, expected.size());
}

std::vector<Op> MutationsOf(MemoryFileSystem& fs, const std::string& path) {
    std::vector<Op> ops;
    for (const Op& op : fs.log) {
        if (op.path == path && IsMutating(op.kind)) {
            ops.push_back(op);
        }
    }
    return ops;
}

size_t CountDialogs(const ScriptedHost& host, int id) {
    return static_cast<size_t>(std::count(host.dialogs.begin(), host.dialogs.end(), id));
}

// Presses Cancel once a progress text has been shown for the nth time.
class NthTextCancelHost : public ScriptedHost {
public:
    std::string text;
    int nth = 0;
    int seen = 0;

    void ProgressText(const std::string& shown, const ProgressCounts& counts) override {
        ScriptedHost::ProgressText(shown, counts);
        if (shown == text && ++seen == nth) {
            pressed_ = true;
        }
    }
    bool PollCancel() override {
        const bool base = ScriptedHost::PollCancel();
        return base || pressed_;
    }
    void ProgressClose() override {
        ScriptedHost::ProgressClose();
        pressed_ = false;
    }

private:
    bool pressed_ = false;
};

} // namespace

// ---------------------------------------------------------------- import

TEST(Import, ChunksTypesAndReservedSpace) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "import", 8));
    const std::vector<uint8_t> big = PatternBytes(6 * kMiB, 1);
    const std::vector<uint8_t> same1 = PatternBytes(100, 2);
    const std::vector<uint8_t> same2 = PatternBytes(200, 3);
    const std::vector<uint8_t> old = PatternBytes(900, 4);
    const std::vector<uint8_t> onePiece = PatternBytes(kPieceSize, 5);
    const std::vector<uint8_t> onePieceAndAByte = PatternBytes(kPieceSize + 1, 6);
    fs.Put("/in/big.jpg", big);
    fs.Put("/in/empty.dat", {});
    fs.Put("/in/old.kvq", old);
    fs.Put("/in/one/same.txt", same1);
    fs.Put("/in/two/same.txt", same2);
    ASSERT_EQ(
        ImportPaths(*archive,
                    {"/in/big.jpg", "/in/empty.dat", "/in/old.kvq", "/in/one/same.txt", "/in/two/same.txt"},
                    0, false),
        kOk);
    ASSERT_EQ(archive->entryCount(), 6);
    fs.Put("/in/piece.dat", onePiece);
    fs.Put("/in/piece1.dat", onePieceAndAByte);
    ASSERT_EQ(ImportPaths(*archive, {"/in/piece.dat", "/in/piece1.dat"}, 0, false), kOk);
    EXPECT_EQ(archive->Entry(EntryIndex(6))->dataLength, kFullChunkSize);
    EXPECT_EQ(archive->Entry(EntryIndex(7))->dataLength, kFullChunkSize + 80u)
        << "a second chunk for one byte";

    const CatalogueEntry& b = *archive->Entry(EntryIndex(1));
    EXPECT_EQ(b.size, big.size());
    EXPECT_EQ(b.dataLength, kFullChunkSize + Padded(2 * kMiB + kChunkPrefix)) << "two chunks";
    EXPECT_EQ(b.typeCode, kTypeOther) << "an image of more than one chunk is never shown as one";
    EXPECT_EQ(b.hasThumbnail, 0);
    EXPECT_EQ(b.thumbLength, 0u);
    EXPECT_EQ(b.blockLength, b.dataLength);
    EXPECT_EQ(b.width, -1);
    EXPECT_EQ(b.height, -1);

    const CatalogueEntry& e = *archive->Entry(EntryIndex(2));
    EXPECT_EQ(e.size, 0u);
    EXPECT_EQ(e.dataLength, 64u) << "one chunk of its random prefix alone";
    EXPECT_EQ(e.blockLength, 64u);
    EXPECT_EQ(e.dataOffset, b.dataOffset + b.blockLength);

    EXPECT_EQ(archive->Entry(EntryIndex(3))->typeCode, kTypeArchive);
    EXPECT_EQ(archive->GetListIcon(EntryIndex(3)), 1);
    EXPECT_EQ(archive->GetName(EntryIndex(4)), "same.txt");
    EXPECT_EQ(archive->GetName(EntryIndex(5)), "same.txt");
    EXPECT_NE(archive->Entry(EntryIndex(4))->dataOffset, archive->Entry(EntryIndex(5))->dataOffset);
    archive->Rename(EntryIndex(5), "same2");
    // Every file was planned with thumbnail space; none was used, and all of it was given back.
    ExpectIntact(*archive, fs,
                 {{"big.jpg", big},
                  {"empty.dat", {}},
                  {"old.kvq", old},
                  {"same.txt", same1},
                  {"same2.txt", same2},
                  {"piece.dat", onePiece},
                  {"piece1.dat", onePieceAndAByte}});
}

TEST(Import, ThumbnailsDecideTypeAndDimensions) {
    struct Case {
        const char* format;
        const char* name;
        uint8_t type;
    } images[] = {
        {"jpeg", "p.jpg", kTypeJpeg},        {"png", "p.png", kTypePng},   {"bmp", "p.bmp", kTypeBmp},
        {"bmp-top-down", "t.bmp", kTypeBmp}, {"tiff", "p.tif", kTypeTiff},
    };
    for (uint8_t format : {uint8_t{0}, uint8_t{3}, uint8_t{8}}) {
        MemoryFileSystem fs;
        ScriptedHost host;
        auto archive =
            MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodBlowfish, "thumbs", format));
        std::vector<SourceFile> files;
        for (const Case& c : images) {
            files.push_back({c.name, EncodedImage(37, 21, c.format, 90)});
            ASSERT_FALSE(files.back().bytes.empty()) << c.format;
        }
        files.push_back({"x.png", PatternBytes(1000, 9)}); // not a PNG at all
        ASSERT_EQ(ImportFiles(*archive, fs, 0, files), kOk);
        for (size_t i = 0; i < std::size(images); ++i) {
            SCOPED_TRACE(std::string(images[i].format) + " in format " + std::to_string(format));
            const CatalogueEntry& e = *archive->Entry(EntryIndex(static_cast<int>(i) + 1));
            EXPECT_EQ(e.typeCode, images[i].type);
            EXPECT_EQ(e.hasThumbnail, format != 0 ? 1 : 0);
            EXPECT_EQ(e.thumbLength, ThumbStoredLength(format));
            EXPECT_EQ(e.width, format != 0 ? 37 : -1);
            EXPECT_EQ(e.height, format != 0 ? 21 : -1);
            EXPECT_EQ(e.thumbOffset, e.dataOffset + e.dataLength);
            EXPECT_EQ(e.blockLength, e.dataLength + e.thumbLength);
            EXPECT_EQ(archive->GetThumbnail(EntryIndex(static_cast<int>(i) + 1)) != nullptr, format != 0);
        }
        const CatalogueEntry& corrupt = *archive->Entry(EntryIndex(static_cast<int>(std::size(images)) + 1));
        EXPECT_EQ(corrupt.typeCode, format != 0 ? kTypeOther : kTypePng)
            << "only a decode failure makes it an unknown file";
        EXPECT_EQ(corrupt.hasThumbnail, 0);
        EXPECT_EQ(corrupt.thumbLength, 0u);
        EXPECT_EQ(corrupt.width, -1);
        EXPECT_EQ(host.messages, std::vector<Status>{}) << "a picture that cannot be decoded is no error";
        std::map<std::string, std::vector<uint8_t>> expected;
        for (const SourceFile& f : files) {
            expected[f.name] = f.bytes;
        }
        ExpectIntact(*archive, fs, expected);
    }
}

TEST(Import, UnreadableSourceDuringPlanningAddsNothing) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain(8));
    const std::vector<uint8_t> kept = PatternBytes(5000, 1);
    NewFile(*archive, fs, 0, "kept.dat", kept);
    const std::vector<EntrySnapshot> before = Snapshot(*archive);
    const size_t length = fs.Get(kPath)->size();

    fs.Put("/in/a.dat", PatternBytes(100, 2));
    fs.Put("/in/locked.dat", PatternBytes(100, 3));
    fs.Put("/in/c.dat", PatternBytes(100, 4));
    OpenResult result{};
    std::unique_ptr<IFile> holder = fs.OpenExclusive("/in/locked.dat", false, &result);
    ASSERT_TRUE(holder);
    EXPECT_EQ(ImportPaths(*archive, {"/in/a.dat", "/in/locked.dat", "/in/c.dat"}, 0, false),
              kErrSourceLocked);
    EXPECT_EQ(host.messages, std::vector<Status>{kErrSourceLocked});
    EXPECT_EQ(fs.Get(kPath)->size(), length) << "the archive is not resized";
    EXPECT_EQ(Snapshot(*archive), before);
    holder->Close();

    // A path that vanished between the dialog and the planning.
    host.messages.clear();
    ArchiveInternals(*archive).BeginBatch(false);
    EXPECT_EQ(ArchiveInternals(*archive).PlanFile("/in/a.dat", 100), kOk);
    EXPECT_EQ(ArchiveInternals(*archive).PlanFile("/in/gone.dat", 100), kErrSourceLocked);
    EXPECT_EQ(ArchiveInternals(*archive).Expand(), kErrSourceLocked);
    EXPECT_EQ(ArchiveInternals(*archive).FinishBatch(), kErrSourceLocked);
    EXPECT_EQ(host.messages, std::vector<Status>{kErrSourceLocked});
    EXPECT_EQ(fs.Get(kPath)->size(), length);
    EXPECT_EQ(Snapshot(*archive), before);

    // A folder of a tree that cannot be listed fails the import, naming it, instead of coming in empty.
    host.messages.clear();
    host.messageTexts.clear();
    fs.Put("/in/tree/a.dat", PatternBytes(10, 5));
    fs.Put("/in/tree/sub/b.dat", PatternBytes(10, 6));
    fs.SetUnreadable("/in/tree/sub");
    EXPECT_EQ(ImportPaths(*archive, {"/in/tree"}, 0, true), kErrUnreadableFolder);
    ASSERT_EQ(host.messages, std::vector<Status>{kErrUnreadableFolder});
    EXPECT_NE(host.messageTexts[0].find("folder could not be read: /in/tree/sub"), std::string::npos)
        << host.messageTexts[0];
    EXPECT_EQ(fs.Get(kPath)->size(), length);
    EXPECT_EQ(Snapshot(*archive), before);
    ExpectIntact(*archive, fs, {{"kept.dat", kept}});
}

TEST(Import, SourceWhoseLengthChangedIsRefused) {
    for (int64_t delta : {-1000, +16, +1}) {
        SCOPED_TRACE(delta);
        MemoryFileSystem fs;
        ScriptedHost host;
        auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "length"));
        const std::vector<uint8_t> a = PatternBytes(3000, 1);
        fs.Put("/in/a.dat", a);
        fs.Put("/in/b.dat", PatternBytes(3000, 2));
        fs.Put("/in/c.dat", PatternBytes(3000, 3));
        ArchiveInternals(*archive).BeginBatch(false);
        ASSERT_EQ(ArchiveInternals(*archive).PlanFile("/in/a.dat", 3000), kOk);
        ASSERT_EQ(ArchiveInternals(*archive).PlanFile("/in/b.dat", static_cast<uint64_t>(3000 + delta)), kOk);
        ASSERT_EQ(ArchiveInternals(*archive).PlanFile("/in/c.dat", 3000), kOk);
        ASSERT_EQ(ArchiveInternals(*archive).Expand(), kOk);
        ASSERT_EQ(ArchiveInternals(*archive).StartAdding(), kOk);
        EXPECT_EQ(ArchiveInternals(*archive).AddFile(0, "/in/a.dat"), kOk);
        EXPECT_EQ(ArchiveInternals(*archive).AddFile(0, "/in/b.dat"), kErrFileAccess);
        EXPECT_EQ(ArchiveInternals(*archive).AddFile(0, "/in/c.dat"), kErrFileAccess)
            << "later adds keep the pending error";
        EXPECT_EQ(ArchiveInternals(*archive).FinishBatch(), kErrFileAccess);
        EXPECT_EQ(host.messages, std::vector<Status>{kErrFileAccess}) << "shown once";
        EXPECT_EQ(archive->entryCount(), 2);
        ExpectIntact(*archive, fs, {{"a.dat", a}});
    }
}

TEST(Import, CancelKeepsWhatWasAdded) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodBasic, "cancel", 2));
    std::vector<SourceFile> files;
    for (int i = 1; i <= 5; ++i) {
        files.push_back({"f" + std::to_string(i) + ".dat", PatternBytes(static_cast<size_t>(i) * 1111, i)});
    }
    host.cancelAtText = "f3.dat";
    EXPECT_EQ(ImportFiles(*archive, fs, 0, files), kCancelled);
    EXPECT_TRUE(host.messages.empty()) << "a cancellation shows nothing";
    EXPECT_FALSE(host.progressOpen);
    EXPECT_EQ(archive->entryCount(), 3);
    ExpectIntact(*archive, fs, {{"f1.dat", files[0].bytes}, {"f2.dat", files[1].bytes}});
    ASSERT_EQ(archive->Close(true), kOk);
    Status status = kOk;
    auto reopened = OpenArchive(fs, host, kPath, "cancel", &status);
    ASSERT_EQ(status, kOk);
    ExpectIntact(*reopened, fs, {{"f1.dat", files[0].bytes}, {"f2.dat", files[1].bytes}});
}

// A cancel before anything was added - at the window's opening, in planning, at the expansion - is
// the batch's result too, not a success: nothing added, the file not resized, nothing shown.
TEST(Import, CancelBeforeTheFirstAddReturnsCancelled) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    const size_t length = fs.Get(kPath)->size();
    const std::vector<SourceFile> files = {{"a.dat", PatternBytes(10, 1)}, {"b.dat", PatternBytes(20, 2)}};
    // Pumps: the opening, one for each file planned, two at the expansion.
    for (const long poll : {1L, 2L, 4L}) {
        SCOPED_TRACE(poll);
        host.cancelAtPoll = host.polls + poll;
        EXPECT_EQ(ImportFiles(*archive, fs, 0, files), kCancelled);
        EXPECT_EQ(archive->entryCount(), 1);
        EXPECT_EQ(fs.Get(kPath)->size(), length);
        EXPECT_TRUE(host.messages.empty());
    }
}

// A cancel pressed while one large file is on its way takes effect at the next piece: the add is
// not committed, the exported part is removed, the copy leaves the target as it was.
TEST(Cancel, StopsBetweenThePiecesOfALargeFile) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto source = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    auto target = MakeArchive(fs, host, "/a/target.kvq", ScriptedHost::Plain());
    const std::vector<uint8_t> big = PatternBytes(40 * kMiB, 7); // ten pieces
    const int stored = NewFile(*source, fs, 0, "big.dat", big);
    fs.Put("/src/again.dat", big);
    fs.MakeDirectory("/out");
    host.folder = "/out";

    struct Case {
        const char* name;
        std::function<Status()> run;
        CCodeArchive* changed; // the archive that must be left as it was
    };
    const Case cases[] = {
        {"import", [&] { return ImportPaths(*source, {"/src/again.dat"}, 0, false); }, source.get()},
        {"export", [&] { return source->ExportSelection({stored}); }, source.get()},
        {"copy", [&] { return source->CopyEntries({stored}, 0, *target); }, target.get()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int entries = c.changed->entryCount();
        const size_t length = fs.Get(c.changed->path())->size();
        host.piecesShown = 0;
        host.cancelAtPiece = 3;
        EXPECT_EQ(c.run(), kCancelled);
        host.cancelAtPiece = -1;
        EXPECT_EQ(host.piecesShown, 3) << "no piece after the cancel";
        EXPECT_TRUE(host.messages.empty()) << "a cancellation shows nothing";
        EXPECT_EQ(c.changed->entryCount(), entries);
        EXPECT_EQ(fs.Get(c.changed->path())->size(), length) << "the reserved space is given back";
        EXPECT_EQ(CheckErrors(*c.changed), "");
        EXPECT_FALSE(fs.Exists("/out/big.dat")) << "no part of an exported file stays";
    }
    ExpectIntact(*source, fs, {{"big.dat", big}});
}

TEST(Import, EntryLimitIsExact) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    // One empty source imported many times over: each import of it is an entry of its own.
    fs.Put("/in/e", {});
    const auto files = [](int count) {
        return std::vector<std::string>(static_cast<size_t>(count), "/in/e");
    };
    const size_t emptyLength = fs.Get(kPath)->size();
    EXPECT_EQ(ImportPaths(*archive, files(kMaxEntries), 0, false), kErrTooManyEntries);
    EXPECT_EQ(archive->entryCount(), 1);
    EXPECT_EQ(fs.Get(kPath)->size(), emptyLength);
    EXPECT_EQ(host.messages, std::vector<Status>{kErrTooManyEntries});

    host.messages.clear();
    EXPECT_EQ(ImportPaths(*archive, files(kMaxEntries - 1), 0, false), kOk);
    EXPECT_EQ(archive->entryCount(), kMaxEntries);
    const size_t fullLength = fs.Get(kPath)->size();

    EXPECT_EQ(ImportPaths(*archive, files(1), 0, false), kErrTooManyEntries);
    EXPECT_EQ(archive->CreateFolder(0, "one more", kTypeFolder), kErrTooManyEntries);
    EXPECT_EQ(archive->entryCount(), kMaxEntries);
    EXPECT_EQ(fs.Get(kPath)->size(), fullLength);
    EXPECT_EQ(CheckErrors(*archive), "");
}

TEST(Import, SizeLimitIsJudgedOnTheFullStoredLength) {
    struct Case {
        const char* what;
        uint64_t plannedSize;
        Status expected;
    } cases[] = {
        {"600 MiB", 600 * kMiB, kErrTooLarge},
        {"just over 4 GiB", (uint64_t{1} << 32) + 100, kErrTooLarge},
        {"exactly 4 GiB", uint64_t{1} << 32, kErrTooLarge},
        {"just over 500 MiB with what the archive holds", 500 * kMiB - 500, kErrTooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFileSystem fs;
        ScriptedHost host;
        auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
        fs.Put("/in/small.dat", {1, 2, 3});
        const size_t length = fs.Get(kPath)->size();
        ArchiveInternals(*archive).BeginBatch(false);
        ASSERT_EQ(ArchiveInternals(*archive).PlanFile("/in/small.dat", c.plannedSize), kOk);
        EXPECT_EQ(ArchiveInternals(*archive).Expand(), c.expected);
        EXPECT_EQ(ArchiveInternals(*archive).AddFile(0, "/in/small.dat"), c.expected);
        EXPECT_EQ(ArchiveInternals(*archive).FinishBatch(), c.expected);
        EXPECT_EQ(host.messages, std::vector<Status>{c.expected});
        EXPECT_EQ(archive->entryCount(), 1);
        EXPECT_EQ(fs.Get(kPath)->size(), length);
    }

    // A copy is planned from the entry's recorded size.
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    CatalogueEntry huge{};
    huge.size = 0xFFFFFFFFu;
    ArchiveInternals(*archive).BeginBatch(false);
    ASSERT_EQ(ArchiveInternals(*archive).PlanCopy(huge), kOk);
    EXPECT_EQ(ArchiveInternals(*archive).Expand(), kErrTooLarge);
    EXPECT_EQ(ArchiveInternals(*archive).FinishBatch(), kErrTooLarge);
    EXPECT_EQ(archive->entryCount(), 1);
}

// ---------------------------------------------------------------- export

TEST(Export, FoldersBelowTheSelectionAndFreeNames) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "export", 4));
    const std::vector<uint8_t> x = EncodedImage(30, 20, "jpeg", 80);
    const std::vector<uint8_t> y = PatternBytes(10 * 1000 * 1000, 5);
    const int a = NewFolder(*archive, 0, "A");
    const int b = NewFolder(*archive, a, "B");
    const int xj = NewFile(*archive, fs, b, "x.jpg", x);
    const int yd = NewFile(*archive, fs, 0, "y.dat", y);
    NewFolder(*archive, 0, "Empty");
    const int nothing = NewFile(*archive, fs, 0, "nothing.txt", {});
    const int binned = NewFile(*archive, fs, 0, "binned.dat", {1});
    ASSERT_EQ(archive->MoveEntries({binned}, 1, false), kOk);

    const auto exportTo = [&](const std::string& folder, const std::vector<int>& selection) {
        fs.MakeDirectory(folder); // the chooser offers existing folders only
        host.folder = folder;
        std::vector<std::string> written;
        EXPECT_EQ(archive->ExportSelection(selection, &written), kOk);
        return written;
    };
    EXPECT_EQ(exportTo("/out", {a}), std::vector<std::string>{"/out/A/B/x.jpg"});
    EXPECT_EQ(*fs.Get("/out/A/B/x.jpg"), x);
    EXPECT_EQ(host.progressKinds.back(), kProgressExport);

    EXPECT_EQ(exportTo("/solo", {xj}), std::vector<std::string>{"/solo/x.jpg"});
    EXPECT_EQ(exportTo("/solo", {xj}), std::vector<std::string>{"/solo/Copy of x.jpg"});
    EXPECT_EQ(exportTo("/solo/", {xj}), std::vector<std::string>{"/solo/Copy (2) of x.jpg"});
    EXPECT_EQ(*fs.Get("/solo/Copy (2) of x.jpg"), x);

    fs.Put("/keep/y.dat", {'m', 'i', 'n', 'e'});
    fs.log.clear();
    EXPECT_EQ(exportTo("/keep", {yd}), std::vector<std::string>{"/keep/Copy of y.dat"});
    EXPECT_EQ(*fs.Get("/keep/y.dat"), (std::vector<uint8_t>{'m', 'i', 'n', 'e'})) << "never overwritten";
    EXPECT_TRUE(*fs.Get("/keep/Copy of y.dat") == y);
    // The 10 MB file goes out front to back in writes of at most one 4 MiB piece each.
    uint64_t expected = 0;
    for (const Op& op : fs.log) {
        if (op.kind == OpKind::Write && op.path == "/keep/Copy of y.dat") {
            EXPECT_EQ(op.offset, expected);
            EXPECT_LE(op.length, kPieceSize);
            expected = op.offset + op.length;
        }
    }
    EXPECT_EQ(expected, 10000000u);

    EXPECT_EQ(exportTo("/zero", {nothing}), std::vector<std::string>{"/zero/nothing.txt"});
    EXPECT_EQ(fs.Get("/zero/nothing.txt"), std::vector<uint8_t>{}) << "an empty file is written, and empty";

    EXPECT_EQ(exportTo("/all", {0}),
              (std::vector<std::string>{"/all/A/B/x.jpg", "/all/y.dat", "/all/nothing.txt"}))
        << "the recycle bin's content stays behind";
    EXPECT_FALSE(fs.Exists("/all/Empty")) << "an empty folder creates nothing";

    host.folder.reset(); // the chooser is cancelled
    std::vector<std::string> written;
    EXPECT_EQ(archive->ExportSelection({yd}, &written), kCancelled);
    EXPECT_TRUE(written.empty());
    EXPECT_TRUE(host.messages.empty());
    ExpectIntact(*archive, fs, {{"x.jpg", x}, {"y.dat", y}, {"nothing.txt", {}}});
}

TEST(Export, HostileNamesStayInsideTheChosenFolder) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    std::map<int, std::vector<uint8_t>> files;
    const auto addFile = [&](int parent, const std::string& name) {
        const int number = NewFile(*archive, fs, parent, "plain", PatternBytes(64 + files.size(), 7));
        if (name.empty()) {
            CatalogueEntry e{};
            EXPECT_EQ(ArchiveInternals(*archive).ReadEntry(e, EntryIndex::OfNumber(number)), kOk);
            ArchiveInternals(*archive).EncryptText("", e.name, &e.nameKey1, &e.nameKey2);
            EXPECT_EQ(ArchiveInternals(*archive).WriteEntry(e, EntryIndex::OfNumber(number)), kOk);
            EXPECT_EQ(archive->Refresh(false), kOk);
        } else {
            archive->Rename(EntryIndex::OfNumber(number), name);
        }
        EXPECT_EQ(archive->GetName(EntryIndex::OfNumber(number)), name);
        files[number] = ReadFileBytes(*archive, EntryIndex::OfNumber(number));
    };
    const int up = NewFolder(*archive, 0, "..");
    addFile(up, "..");
    const int climb = NewFolder(*archive, 0, "../../etc");
    addFile(climb, "a/b");
    const int blank = NewFolder(*archive, 0, "");
    addFile(blank, "");
    const int dot = NewFolder(*archive, up, ".");
    addFile(dot, ".");
    ASSERT_EQ(archive->Close(true), kOk);
    archive = OpenArchive(fs, host, kPath, "");

    host.folder = "/out";
    fs.MakeDirectory("/out");
    std::vector<std::string> written;
    ASSERT_EQ(archive->ExportSelection({0}, &written), kOk);
    ASSERT_EQ(written.size(), files.size());
    std::set<std::string> distinct(written.begin(), written.end());
    EXPECT_EQ(distinct.size(), written.size());
    for (const std::string& path : written) {
        SCOPED_TRACE(path);
        ASSERT_EQ(path.rfind("/out/", 0), 0u);
        size_t start = 1;
        for (size_t slash = path.find('/', start); start <= path.size(); slash = path.find('/', start)) {
            const std::string part =
                path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            EXPECT_TRUE(!part.empty() && part != "." && part != "..") << "component \"" << part << '"';
            if (slash == std::string::npos) {
                break;
            }
            start = slash + 1;
        }
        EXPECT_TRUE(fs.Get(path).has_value());
    }
    EXPECT_FALSE(fs.Exists("/etc"));
    EXPECT_FALSE(fs.Exists("/a/b"));
    EXPECT_EQ(CheckErrors(*archive), "");
}

TEST(Export, FailedFileIsRemovedAndReportedOnce) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "fail"));
    const std::vector<uint8_t> big = PatternBytes(9 * kMiB, 1);
    const std::vector<uint8_t> small = PatternBytes(77, 2);
    const int b = NewFile(*archive, fs, 0, "big.dat", big);
    const int s = NewFile(*archive, fs, 0, "small.dat", small);
    host.folder = "/out";
    fs.MakeDirectory("/out");

    // The second piece of the big file cannot be written: creation, first write, second write.
    fs.FailAt(3);
    std::vector<std::string> written;
    EXPECT_EQ(archive->ExportSelection({b, s}, &written), kErrExportSpace);
    EXPECT_EQ(host.messages, std::vector<Status>{kErrExportSpace});
    EXPECT_TRUE(written.empty());
    EXPECT_FALSE(fs.Exists("/out/big.dat")) << "no truncated copy is left behind";
    EXPECT_FALSE(fs.Exists("/out/small.dat")) << "the export stops at the failing file";

    host.messages.clear();
    fs.ClearFaults();
    fs.FailNext(OpKind::Write);
    EXPECT_EQ(archive->ExportSelection({s}, &written), kErrExportSpace);
    EXPECT_FALSE(fs.Exists("/out/small.dat"));
    EXPECT_EQ(host.messages, std::vector<Status>{kErrExportSpace});

    host.messages.clear();
    EXPECT_EQ(archive->ExportSelection({b, s}, &written), kOk);
    EXPECT_EQ(written, (std::vector<std::string>{"/out/big.dat", "/out/small.dat"})) << "no Copy of names";
    EXPECT_TRUE(*fs.Get("/out/big.dat") == big);
    EXPECT_EQ(*fs.Get("/out/small.dat"), small);
    EXPECT_TRUE(host.messages.empty());
    ExpectIntact(*archive, fs, {{"big.dat", big}, {"small.dat", small}});
}

// ---------------------------------------------------------------- copy

TEST(Copy, BetweenArchivesWithOtherKeysAndThumbnails) {
    struct Case {
        CreateSettings target;
        const char* password;
    } cases[] = {
        {ScriptedHost::Encrypted(kMethodTwofish, "target", 8), "target"},
        {ScriptedHost::Plain(0), ""},
        {ScriptedHost::Encrypted(kMethodBasic, "basic", 5), "basic"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.target.thumbnails ? c.target.thumbnailFormat : 0));
        MemoryFileSystem fs;
        ScriptedHost host;
        auto source =
            MakeArchive(fs, host, "/a/source.kvq", ScriptedHost::Encrypted(kMethodBlowfish, "source", 1));
        const std::vector<uint8_t> jpeg = EncodedImage(64, 48, "jpeg", 85);
        const std::vector<uint8_t> data = PatternBytes(5 * kMiB, 3);
        const int picture = NewFile(*source, fs, 0, "pic.jpg", jpeg);
        const int file = NewFile(*source, fs, 0, "data.bin", data);
        source->SetEntryComment(EntryIndex::OfNumber(picture), "a comment");
        ASSERT_EQ(source->Entry(EntryIndex::OfNumber(picture))->thumbLength, 32u * 32u);
        const std::vector<EntrySnapshot> sourceBefore = Snapshot(*source);

        auto target = MakeArchive(fs, host, "/a/target.kvq", c.target);
        ASSERT_EQ(source->CopyEntries({picture, file}, 0, *target), kOk);
        ASSERT_EQ(target->entryCount(), 3);
        const CatalogueEntry& p = *target->Entry(EntryIndex(1));
        const uint8_t format = target->thumbnailFormat();
        EXPECT_EQ(p.typeCode, kTypeJpeg);
        EXPECT_EQ(p.hasThumbnail, format != 0 ? 1 : 0);
        EXPECT_EQ(p.thumbLength, ThumbStoredLength(format));
        EXPECT_EQ(p.width, 64) << "decoded again, or kept from the source without thumbnails";
        EXPECT_EQ(p.height, 48);
        EXPECT_EQ(target->GetComment(EntryIndex(1)), "a comment");
        EXPECT_EQ(target->Entry(EntryIndex(2))->typeCode, kTypeOther);
        if (format == 8) {
            EXPECT_EQ(p.thumbLength, 18432u) << "96 x 96 colour";
        }
        ExpectIntact(*target, fs, {{"pic.jpg", jpeg}, {"data.bin", data}});
        EXPECT_EQ(Snapshot(*source), sourceBefore) << "the source is not changed";
        EXPECT_EQ(CheckErrors(*source), "");
        ASSERT_EQ(target->Close(true), kOk);
        Status status = kOk;
        auto reopened = OpenArchive(fs, host, "/a/target.kvq", c.password, &status);
        ASSERT_EQ(status, kOk);
        ExpectIntact(*reopened, fs, {{"pic.jpg", jpeg}, {"data.bin", data}});
    }
}

TEST(Copy, WithinOneArchiveMakesAnIndependentEntry) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "self", 8));
    const std::vector<uint8_t> bytes = EncodedImage(16, 16, "png");
    const int folder = NewFolder(*archive, 0, "A");
    const int original = NewFile(*archive, fs, folder, "twin.png", bytes);
    ASSERT_EQ(archive->CopyEntries({original}, folder, *archive), kOk);
    ASSERT_EQ(archive->entryCount(), 4);
    const CatalogueEntry& copy = *archive->Entry(EntryIndex(3));
    EXPECT_EQ(archive->GetName(EntryIndex(3)), "twin.png");
    EXPECT_EQ(copy.parent, folder);
    EXPECT_NE(copy.dataOffset, archive->Entry(EntryIndex::OfNumber(original))->dataOffset);
    EXPECT_EQ(copy.hasThumbnail, 1);
    EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(folder))->fileCount, 2);
    EXPECT_TRUE(host.dialogs.empty());

    // A folder copied into itself is copied once: the new entries are not copied again.
    ASSERT_EQ(archive->CopyEntries({folder}, folder, *archive), kOk);
    ASSERT_EQ(archive->entryCount(), 7);
    EXPECT_EQ(archive->GetName(EntryIndex(4)), "A");
    EXPECT_EQ(archive->Entry(EntryIndex(4))->parent, folder);
    EXPECT_EQ(archive->Entry(EntryIndex(5))->parent, 5);
    EXPECT_EQ(archive->Entry(EntryIndex(6))->parent, 5);
    ASSERT_EQ(archive->MoveEntries({5}, 1, false), kOk);

    // Removing the original leaves the copy whole.
    ASSERT_EQ(archive->MoveEntries({original}, 1, false), kOk);
    ASSERT_EQ(archive->EmptyRecycleBin({1}), kOk);
    ASSERT_EQ(archive->entryCount(), 3);
    EXPECT_EQ(archive->Entry(EntryIndex(2))->parent, folder);
    EXPECT_EQ(archive->Entry(EntryIndex(0))->itemCount, 0);
    ExpectIntact(*archive, fs, {{"twin.png", bytes}});
}

TEST(Copy, FolderTreeIsRebuiltParentsFirst) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto source = MakeArchive(fs, host, "/a/s.kvq", ScriptedHost::Plain());
    const int a = NewFolder(*source, 0, "A");                // 2
    NewFile(*source, fs, a, "f", PatternBytes(10, 1));       // 3
    const int z = NewFolder(*source, 0, "Z");                // 4
    NewFile(*source, fs, z, "g", PatternBytes(20, 2));       // 5
    const int b = NewFolder(*source, a, "B");                // 6
    NewFile(*source, fs, b, "h", PatternBytes(30, 3));       // 7
    NewFile(*source, fs, 0, "outside", PatternBytes(40, 4)); // 8
    // A now lies in a folder numbered after it.
    ASSERT_EQ(source->MoveEntries({a}, z, false), kOk);

    auto target = MakeArchive(fs, host, "/a/t.kvq", ScriptedHost::Encrypted(kMethodTwofish, "tree"));
    const int d = NewFolder(*target, 0, "D");
    ASSERT_EQ(source->CopyEntries({z}, d, *target), kOk);
    struct Expected {
        const char* name;
        int parent;
    } expected[] = {{"Z", d}, {"A", 3}, {"f", 4}, {"g", 3}, {"B", 4}, {"h", 7}};
    ASSERT_EQ(target->entryCount(), 2 + static_cast<int>(std::size(expected)));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const int index = static_cast<int>(i) + 2;
        EXPECT_EQ(target->GetName(EntryIndex(index)), expected[i].name) << "entry " << index + 1;
        EXPECT_EQ(target->Entry(EntryIndex(index))->parent, expected[i].parent) << expected[i].name;
    }
    ExpectIntact(*target, fs,
                 {{"f", PatternBytes(10, 1)}, {"g", PatternBytes(20, 2)}, {"h", PatternBytes(30, 3)}});
    EXPECT_EQ(CheckErrors(*source), "");
}

// ---------------------------------------------------------------- move, delete, restore

TEST(Move, DeleteRestoreAndUndo) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    const int a = NewFolder(*archive, 0, "A");
    const std::vector<uint8_t> bytes = PatternBytes(4000, 1);
    const int x = NewFile(*archive, fs, a, "x.dat", bytes);
    const uint32_t offset = archive->Entry(EntryIndex::OfNumber(x))->dataOffset;
    const uint64_t dataEnd = uint64_t{kDataAreaOffset} + archive->dataSize();
    fs.log.clear();

    ASSERT_EQ(archive->MoveEntries({x}, 1, false), kOk);
    EXPECT_TRUE(host.dialogs.empty()) << "no confirmation was asked for";
    EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(x))->inRecycleBin, 1);
    EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(a))->fileCount, 0);
    EXPECT_EQ(archive->Entry(EntryIndex(0))->fileCount, 1);

    ASSERT_EQ(archive->MoveEntries({x}, 0, false), kOk); // restore: to the top level
    EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(x))->parent, 0);
    EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(x))->inRecycleBin, 0);

    ASSERT_EQ(archive->MoveEntries({x}, 1, false), kOk);
    ASSERT_EQ(archive->MoveEntries({x}, a, false), kOk); // undo of the delete: back where it was
    EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(x))->parent, a);
    EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(a))->fileCount, 1);
    EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(x))->dataOffset, offset);
    EXPECT_EQ(archive->entryCount(), 3);
    for (const Op& op : MutationsOf(fs, kPath)) {
        if (op.kind == OpKind::Write) {
            EXPECT_TRUE(op.offset < kDataAreaOffset || op.offset >= dataEnd)
                << "the data area is not touched";
        }
    }
    fs.log.clear();
    EXPECT_EQ(archive->MoveEntries({}, 0, false), kOk) << "nothing to move, as for a copy";
    EXPECT_EQ(archive->MoveEntries({1}, 0, false), kOk) << "the recycle bin itself never moves";
    EXPECT_TRUE(MutationsOf(fs, kPath).empty());
    ExpectIntact(*archive, fs, {{"x.dat", bytes}});
}

TEST(Move, IntoItselfOrBelowChangesNothing) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    const int a = NewFolder(*archive, 0, "A");
    const int b = NewFolder(*archive, a, "B");
    const int c = NewFolder(*archive, b, "C");
    const int x = NewFile(*archive, fs, 0, "x", {1});
    const std::vector<EntrySnapshot> before = Snapshot(*archive);
    for (const auto& [selection, destination] :
         std::vector<std::pair<std::vector<int>, int>>{{{a}, c}, {{a}, a}, {{b}, c}, {{x, a}, b}}) {
        host.messages.clear();
        fs.log.clear();
        EXPECT_EQ(archive->MoveEntries(selection, destination, true), kErrMoveIntoItself);
        EXPECT_EQ(host.messages, std::vector<Status>{kErrMoveIntoItself});
        EXPECT_TRUE(MutationsOf(fs, kPath).empty());
        EXPECT_EQ(Snapshot(*archive), before);
    }
    EXPECT_TRUE(host.dialogs.empty());
    EXPECT_EQ(CheckErrors(*archive), "");
}

TEST(Move, DeleteAsksByTheCountOfMarkedEntries) {
    struct Case {
        const char* what;
        int dialog; // expected dialog, 0 for none
        bool answer;
        bool suppress;
    } cases[] = {
        {"folder of three files", 12305, true, false},
        {"one file", 12304, true, false},
        {"one empty folder", 12304, true, false},
        {"two files", 12305, true, false},
        {"folder of three files, No", 12305, false, false},
        {"one file, No", 12304, false, false},
        {"switched off", 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFileSystem fs;
        ScriptedHost host;
        if (c.suppress) {
            host.suppressed.insert("DD");
        }
        auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
        const int folder = NewFolder(*archive, 0, "F");
        const int first = NewFile(*archive, fs, folder, "1", {1});
        NewFile(*archive, fs, folder, "2", {2});
        NewFile(*archive, fs, folder, "3", {3});
        const int loose1 = NewFile(*archive, fs, 0, "4", {4});
        const int loose2 = NewFile(*archive, fs, 0, "5", {5});
        const int empty = NewFolder(*archive, 0, "E");
        const int binFolder = NewFolder(*archive, 1, "in the bin");
        const std::string what = c.what;
        std::vector<int> selection{folder};
        if (what.rfind("one file", 0) == 0 || what == "switched off") {
            selection = {first};
        } else if (what == "one empty folder") {
            selection = {empty};
        } else if (what == "two files") {
            selection = {loose1, loose2};
        }
        const std::vector<EntrySnapshot> before = Snapshot(*archive);
        host.dialogs.clear();
        host.confirmAnswers = {c.answer};
        fs.log.clear();
        // A folder inside the recycle bin is as much a deletion as the bin itself.
        const int destination = what == "two files" ? binFolder : 1;
        const Status status = archive->MoveEntries(selection, destination, true);
        EXPECT_EQ(host.dialogs, c.dialog ? std::vector<int>{c.dialog} : std::vector<int>{});
        if (c.answer) {
            EXPECT_EQ(status, kOk);
            for (int n : selection) {
                EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(n))->parent, destination);
                EXPECT_EQ(archive->Entry(EntryIndex::OfNumber(n))->inRecycleBin, 1);
            }
        } else {
            EXPECT_EQ(status, kCancelled);
            EXPECT_TRUE(MutationsOf(fs, kPath).empty());
            EXPECT_EQ(Snapshot(*archive), before);
        }
        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(CheckErrors(*archive), "");
    }
}

// ---------------------------------------------------------------- recycle bin

TEST(RecycleBin, EmptyingRemovesSubtreesRenumbersAndShrinksExactly) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "empty", 6));
    const std::vector<uint8_t> f1 = PatternBytes(5000, 1);
    const std::vector<uint8_t> f2 = PatternBytes(4 * kMiB + 10, 2);
    const std::vector<uint8_t> b1 = EncodedImage(20, 10, "png");
    NewFile(*archive, fs, 0, "f1", f1);                                           // 2
    const int a = NewFolder(*archive, 0, "A");                                    // 3
    const int a1 = NewFile(*archive, fs, a, "a1.png", EncodedImage(8, 8, "png")); // 4
    const int a2 = NewFile(*archive, fs, a, "a2", PatternBytes(9000, 3));         // 5
    const int f2n = NewFile(*archive, fs, 0, "f2", f2);                           // 6
    const int b = NewFolder(*archive, 0, "B");                                    // 7
    NewFile(*archive, fs, b, "b1.png", b1);                                       // 8
    ASSERT_EQ(archive->MoveEntries({f2n}, b, false), kOk);
    ASSERT_EQ(archive->MoveEntries({a}, 1, false), kOk);
    ASSERT_FALSE(archive->defragmentPending());
    ASSERT_EQ(archive->dataSize(), BlockSum(*archive)) << "no dead space before";

    const uint64_t removedBlocks = uint64_t{archive->Entry(EntryIndex::OfNumber(a1))->blockLength} +
                                   archive->Entry(EntryIndex::OfNumber(a2))->blockLength;
    const uint64_t firstRemoved = archive->Entry(EntryIndex::OfNumber(a1))->blockOffset;
    const uint32_t f1Offset = archive->Entry(EntryIndex(1))->blockOffset;
    const size_t length = fs.Get(kPath)->size();
    fs.log.clear();
    host.dialogs.clear();
    ASSERT_EQ(archive->EmptyRecycleBin({1}), kOk);
    EXPECT_EQ(host.dialogs, std::vector<int>{12306});
    EXPECT_TRUE(host.messages.empty());

    ASSERT_EQ(archive->entryCount(), 5);
    struct Expected {
        const char* name;
        int parent;
    } expected[] = {{"Recycle Bin", 0}, {"f1", 0}, {"f2", 4}, {"B", 0}, {"b1.png", 4}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(archive->GetName(EntryIndex(i)), expected[i].name);
        EXPECT_EQ(archive->Entry(EntryIndex(i))->parent, expected[i].parent) << expected[i].name;
    }
    EXPECT_EQ(archive->Entry(EntryIndex(0))->itemCount, 0);
    EXPECT_FALSE(archive->defragmentPending());
    EXPECT_EQ(fs.Get(kPath)->size(), length - removedBlocks - 3 * kEntrySize);
    EXPECT_EQ(archive->Entry(EntryIndex(1))->blockOffset, f1Offset);
    EXPECT_EQ(archive->Entry(EntryIndex(4))->hasThumbnail, 1);
    for (const Op& op : MutationsOf(fs, kPath)) {
        if (op.kind == OpKind::Write) {
            EXPECT_FALSE(op.offset < firstRemoved && op.offset + op.length > kDataAreaOffset)
                << "a write at " << op.offset << " touched a block already in place";
        }
    }
    ExpectIntact(*archive, fs, {{"f1", f1}, {"f2", f2}, {"b1.png", b1}});
    ASSERT_EQ(archive->Close(true), kOk);
    Status status = kOk;
    auto reopened = OpenArchive(fs, host, kPath, "empty", &status);
    ASSERT_EQ(status, kOk);
    ExpectIntact(*reopened, fs, {{"f1", f1}, {"f2", f2}, {"b1.png", b1}});
}

TEST(RecycleBin, CancelledDefragmentationIsResumedWithoutAsking) {
    MemoryFileSystem fs;
    NthTextCancelHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodBlowfish, "resume"));
    std::map<std::string, std::vector<uint8_t>> kept;
    std::vector<int> dead;
    for (int i = 0; i < 4; ++i) {
        const std::string keep = "keep" + std::to_string(i);
        kept[keep] = PatternBytes(3000 + static_cast<size_t>(i) * 5000, i);
        dead.push_back(NewFile(*archive, fs, 0, "dead" + std::to_string(i), PatternBytes(7000, 50 + i)));
        NewFile(*archive, fs, 0, keep, kept[keep]);
    }
    ASSERT_EQ(archive->MoveEntries(dead, 1, false), kOk);
    // Texts: the bin, keep0 (moves), keep1 (moves), then Cancel: keep2 and keep3 stay behind.
    host.text = "Defragmenting Archive";
    host.nth = 3;
    ASSERT_EQ(archive->EmptyRecycleBin({1}), kCancelled) << "the defragmentation was cancelled";
    EXPECT_EQ(CountDialogs(host, 12306), 1u);
    EXPECT_EQ(CountDialogs(host, 12314), 1u) << "the cancellation is explained";
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(archive->defragmentPending());
    ASSERT_EQ(archive->entryCount(), 5);
    EXPECT_EQ(archive->Entry(EntryIndex(1))->blockOffset, kDataAreaOffset) << "moved before the cancellation";
    ExpectIntact(*archive, fs, kept);
    ASSERT_EQ(archive->Close(true), kOk);

    Status status = kOk;
    archive = OpenArchive(fs, host, kPath, "resume", &status);
    ASSERT_EQ(status, kOk);
    EXPECT_TRUE(archive->defragmentPending()) << "the flag survives closing";
    host.dialogs.clear();
    ASSERT_EQ(archive->EmptyRecycleBin({1}), kOk);
    EXPECT_TRUE(host.dialogs.empty()) << "an empty bin is not confirmed";
    EXPECT_FALSE(archive->defragmentPending());
    EXPECT_EQ(fs.Get(kPath)->size(), kDataAreaOffset + BlockSum(*archive) + 5 * kEntrySize);
    ExpectIntact(*archive, fs, kept);
    ASSERT_EQ(archive->Close(true), kOk);
    archive = OpenArchive(fs, host, kPath, "resume", &status);
    ASSERT_EQ(status, kOk);
    EXPECT_FALSE(archive->defragmentPending());
    ExpectIntact(*archive, fs, kept);
}

TEST(RecycleBin, NothingToDoTouchesNothing) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    const std::vector<uint8_t> bytes = PatternBytes(100, 1);
    NewFile(*archive, fs, 0, "x", bytes);
    ASSERT_EQ(archive->Close(true), kOk);
    archive = OpenArchive(fs, host, kPath, "");
    const std::vector<uint8_t> image = *fs.Get(kPath);
    fs.log.clear();
    host.progressKinds.clear();
    EXPECT_EQ(archive->EmptyRecycleBin({1}), kOk);
    EXPECT_TRUE(host.dialogs.empty());
    EXPECT_TRUE(host.progressKinds.empty());
    EXPECT_TRUE(MutationsOf(fs, kPath).empty());
    EXPECT_EQ(*fs.Get(kPath), image);

    // A "No" to the confirmation leaves a full bin alone as well.
    ASSERT_EQ(archive->MoveEntries({2}, 1, false), kOk);
    const std::vector<uint8_t> full = *fs.Get(kPath);
    fs.log.clear();
    host.confirmAnswers = {false};
    EXPECT_EQ(archive->EmptyRecycleBin({1}), kCancelled);
    EXPECT_EQ(host.dialogs, std::vector<int>{12306});
    EXPECT_TRUE(MutationsOf(fs, kPath).empty());
    EXPECT_EQ(*fs.Get(kPath), full);
    EXPECT_EQ(archive->entryCount(), 2);
    EXPECT_EQ(CheckErrors(*archive), "");
}

// ---------------------------------------------------------------- progress

// A file of more than one chunk is reported piece by piece, 1 to n of n, by every operation that
// moves its bytes.
TEST(Progress, LargeFilesCountTheirPiecesExactly) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    auto other = MakeArchive(fs, host, "/a/other.kvq", ScriptedHost::Plain());
    const int small = NewFile(*archive, fs, 0, "small", PatternBytes(5000, 1));
    const std::vector<std::pair<int, int>> two = {{1, 2}, {2, 2}}; // 4 MiB and 2 MiB
    host.pieces.clear();
    const int big = NewFile(*archive, fs, 0, "big", PatternBytes(6 * kMiB, 2));
    EXPECT_EQ(host.pieces, two) << "import";

    ASSERT_TRUE(fs.MakeDirectory("/out"));
    host.folder = "/out";
    host.pieces.clear();
    ASSERT_EQ(archive->ExportSelection({big}), kOk);
    EXPECT_EQ(host.pieces, two) << "export";

    host.pieces.clear();
    ASSERT_EQ(archive->CopyEntries({big}, 0, *other), kOk);
    EXPECT_EQ(host.pieces, two) << "copy";

    ASSERT_EQ(archive->MoveEntries({small}, 1, false), kOk);
    host.pieces.clear();
    ASSERT_EQ(archive->EmptyRecycleBin({1}), kOk);
    EXPECT_EQ(host.pieces, two) << "the block moved down by the defragmentation";
    EXPECT_EQ(CheckErrors(*archive), "");
}
