// Creating, opening and closing archives; what Open refuses and why.
#include "ArchiveFixtures.h"
#include "CCodeArchive.h"
#include "ImageSamples.h"
#include "MemoryFileSystem.h"
#include "RollbackJournal.h"
#include "ScriptedHost.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const char* const kPath = "/a/test.kvq";

struct RoundTripCase {
    uint32_t method;
    uint8_t thumbnails; // 0 = none
    bool highQuality;
};

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, CreateCloseOpenKeepsSettings) {
    const RoundTripCase c = GetParam();
    MemoryFileSystem fs;
    ScriptedHost host;
    CreateSettings settings = c.method == kMethodNone
                                  ? ScriptedHost::Plain(c.thumbnails)
                                  : ScriptedHost::Encrypted(c.method, "Secret-4711", c.thumbnails);
    settings.highQuality = c.highQuality;
    auto archive = MakeArchive(fs, host, kPath, settings);
    ASSERT_EQ(archive->Close(true), kOk);
    EXPECT_EQ(fs.Get(kPath)->size(), 896u) << "two headers and the recycle bin's entry";

    Status status = kOk;
    auto reopened = OpenArchive(fs, host, kPath, "Secret-4711", &status);
    ASSERT_EQ(status, kOk);
    EXPECT_EQ(host.passwordPrompts, c.method == kMethodNone ? 0 : 1);
    EXPECT_EQ(reopened->method(), c.method);
    EXPECT_EQ(reopened->thumbnailFormat(), c.thumbnails);
    EXPECT_EQ(reopened->thumbnailQuality(), c.thumbnails != 0 && c.highQuality ? 1 : 0);
    EXPECT_EQ(reopened->entryCount(), 1);
    EXPECT_EQ(reopened->folderCount(), 1);
    EXPECT_EQ(reopened->fileCount(), 0);
    EXPECT_EQ(reopened->GetName(EntryIndex(0)), "Recycle Bin");
    EXPECT_EQ(reopened->GetTreeKind(EntryIndex(0)), 9999);
    EXPECT_EQ(CheckErrors(*reopened), "");
    EXPECT_TRUE(host.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryMethodAndThumbnailSetting, RoundTrip,
    ::testing::Values(RoundTripCase{kMethodNone, 0, false}, RoundTripCase{kMethodNone, 8, true},
                      RoundTripCase{kMethodTwofish, 1, false}, RoundTripCase{kMethodTwofish, 8, true},
                      RoundTripCase{kMethodBlowfish, 4, true}, RoundTripCase{kMethodBlowfish, 5, false},
                      RoundTripCase{kMethodBasic, 6, false}, RoundTripCase{kMethodBasic, 7, true},
                      RoundTripCase{kMethodTwofish, 2, true}, RoundTripCase{kMethodNone, 3, false}));

TEST(Archive, TextIsPlainOnlyWithoutEncryption) {
    for (uint32_t method : {kMethodNone, kMethodTwofish, kMethodBlowfish, kMethodBasic}) {
        MemoryFileSystem fs;
        ScriptedHost host;
        auto archive = MakeArchive(fs, host, kPath,
                                   method == kMethodNone ? ScriptedHost::Plain()
                                                         : ScriptedHost::Encrypted(method, "pass"));
        ASSERT_EQ(archive->Close(true), kOk);
        const std::vector<uint8_t> bytes = *fs.Get(kPath);
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_EQ(text.find("Recycle Bin") != std::string::npos, method == kMethodNone) << std::hex << method;
    }
}

TEST(Archive, WrongPasswordIsRefusedOnceWithItsMessage) {
    MemoryFileSystem fs;
    ScriptedHost host;
    MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "right-one"))->Close(true);
    Status status = kOk;
    auto archive = OpenArchive(fs, host, kPath, "wrong-one", &status);
    EXPECT_EQ(status, kErrPassword);
    EXPECT_EQ(archive->lastOpenFailure(), OpenFailure::WrongPassword) << "worth asking again";
    EXPECT_FALSE(archive->IsOpen());
    EXPECT_EQ(host.messages, std::vector<Status>{kErrPassword});
    EXPECT_FALSE(fs.IsLocked(kPath));

    host.messages.clear();
    archive->Close(false);
    auto again = std::make_unique<CCodeArchive>(host, fs);
    host.passwords = {std::nullopt}; // Cancel in the password dialog
    EXPECT_EQ(again->Open(kPath), kCancelled);
    EXPECT_EQ(again->lastOpenFailure(), OpenFailure::Cancelled);
    EXPECT_TRUE(host.messages.empty()) << "a cancelled password dialog shows nothing";
    host.passwords = {std::string("right-one")};
    EXPECT_EQ(again->Open(kPath), kOk);
    EXPECT_EQ(again->lastOpenFailure(), OpenFailure::None);
}

TEST(Archive, HeaderWordsDecideTheMessage) {
    // A foreign file shows the wrong-password message, but no password was ever asked for: the
    // caller learns that asking again is pointless.
    struct Case {
        const char* what;
        uint32_t magic, version, revision, method;
        Status expected;
        OpenFailure why;
    } cases[] = {
        {"foreign magic", 0x12345678, kFormatVersion, kFormatRevision, kMethodNone, kErrPassword,
         OpenFailure::NotAnArchive},
        {"foreign method", kMagic, kFormatVersion, kFormatRevision, 0x0CAB0004, kErrPassword,
         OpenFailure::NotAnArchive},
        {"foreign header copy", kMagic, kFormatVersion, kFormatRevision, kMethodNone, kErrPassword,
         OpenFailure::NotAnArchive},
        {"revision 0", kMagic, kFormatVersion, 0, kMethodNone, kErrNewerRevision, OpenFailure::Other},
        {"revision 2", kMagic, kFormatVersion, 2, kMethodNone, kErrNewerRevision, OpenFailure::Other},
        {"version below", kMagic, 0x0000FFFF, kFormatRevision, kMethodNone, kErrNewerVersion,
         OpenFailure::Other},
        {"version above", kMagic, 0x00010001, kFormatRevision, kMethodNone, kErrNewerVersion,
         OpenFailure::Other},
        {"both wrong", kMagic, 0x00020000, 3, kMethodNone, kErrNewerRevision, OpenFailure::Other},
    };
    for (const Case& c : cases) {
        MemoryFileSystem fs;
        ScriptedHost host;
        MakeArchive(fs, host, kPath, ScriptedHost::Plain())->Close(true);
        std::vector<uint8_t> bytes = *fs.Get(kPath);
        std::memcpy(bytes.data(), &c.magic, 4);
        std::memcpy(bytes.data() + 8, &c.version, 4);
        std::memcpy(bytes.data() + 12, &c.revision, 4);
        std::memcpy(bytes.data() + 4, &c.method, 4);
        if (std::string(c.what) == "foreign header copy") {
            bytes[kProtectedHeaderOffset + offsetof(ProtectedHeader, timeCopy)] ^= 1;
        }
        fs.Put(kPath, bytes);
        Status status = kOk;
        auto archive = OpenArchive(fs, host, kPath, "", &status);
        EXPECT_EQ(status, c.expected) << c.what;
        EXPECT_EQ(archive->lastOpenFailure(), c.why) << c.what;
        EXPECT_EQ(host.passwordPrompts, 0) << c.what;
        EXPECT_EQ(host.messages, std::vector<Status>{c.expected}) << c.what;
        EXPECT_EQ(*fs.Get(kPath), bytes) << c.what << ": a refused file is not written to";
    }
}

TEST(Archive, CreateInsistsOnAPasswordOfFourAndItsConfirmation) {
    MemoryFileSystem fs;
    ScriptedHost host;
    fs.MakeDirectory("/a");
    CCodeArchive archive(host, fs);
    host.createSettings = {ScriptedHost::Encrypted(kMethodBlowfish, "abc"),
                           ScriptedHost::Encrypted(kMethodBlowfish, "abcd")};
    host.confirmPasswords = {std::string("ABCD"), std::string("abcd")};
    ASSERT_EQ(archive.Create(kPath), kOk);
    EXPECT_EQ(host.notices, std::vector<std::string>{"The password must be at least 4 characters long."});
    EXPECT_EQ(host.messages, std::vector<Status>{kErrConfirmPassword})
        << "a mismatch shows 9008, then asks again";
    EXPECT_EQ(archive.method(), kMethodBlowfish);
    archive.Close(true);

    CCodeArchive cancelled(host, fs);
    host.messages.clear();
    host.createSettings = {ScriptedHost::Encrypted(kMethodTwofish, "abcdef")};
    host.confirmPasswords = {std::nullopt};
    EXPECT_EQ(cancelled.Create("/a/other.kvq"), kCancelled);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(fs.Exists("/a/other.kvq")) << "nothing is made before the dialogs are done";
}

TEST(Archive, SecondOpenFromAnotherProcessIsLockedOut) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kvq-lock-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "locked.kvq").string();
    ScriptedHost host;
    auto archive = MakeArchive(PosixFileSystem(), host, path, ScriptedHost::Plain());
    ASSERT_TRUE(archive->IsOpen());

    const pid_t child = fork();
    if (child == 0) {
        // A host whose password answer would be noticed: 9010 must come before any header is read.
        ScriptedHost childHost;
        CCodeArchive second(childHost, PosixFileSystem());
        const Status s = second.Open(path);
        _exit(s == kErrArchiveLocked && childHost.passwordPrompts == 0 && childHost.messages.size() == 1 ? 0
                                                                                                         : 1);
    }
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
    archive->Close(true);
    std::filesystem::remove_all(dir);
}

TEST(Archive, StartupDiskAndDiskSpace) {
    {
        MemoryFileSystem fs;
        ScriptedHost host;
        fs.SetStartupDisk(false);
        CCodeArchive archive(host, fs);
        host.QueueCreate(ScriptedHost::Plain());
        EXPECT_EQ(archive.Create(kPath), kErrStartupDiskCreate);
        EXPECT_EQ(host.messages, std::vector<Status>{kErrStartupDiskCreate});
    }
    {
        MemoryFileSystem fs;
        ScriptedHost host;
        auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
        const size_t before = fs.Get(kPath)->size();
        fs.SetStartupDisk(false);
        EXPECT_EQ(archive->CreateFolder(0, "New Folder", kTypeFolder), kErrStartupDiskAdd);
        EXPECT_EQ(fs.Get(kPath)->size(), before) << "the file is left at its old length";
        EXPECT_EQ(archive->entryCount(), 1);
        fs.SetStartupDisk(true);
        EXPECT_EQ(archive->CreateFolder(0, "New Folder", kTypeFolder), kOk);
        EXPECT_EQ(archive->entryCount(), 2);
    }
    {
        MemoryFileSystem fs;
        ScriptedHost host;
        auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
        fs.SetCapacity(fs.UsedBytes() + 1000);
        const Status s = ImportFiles(*archive, fs, 0, {{"big.bin", PatternBytes(5000, 1)}});
        EXPECT_EQ(s, kErrDiskSpace);
        EXPECT_EQ(archive->entryCount(), 1);
        EXPECT_EQ(CheckErrors(*archive), "");
    }
}

// A small archive with folders and files, then one field spoiled per case.
TEST(Archive, DamagedArchivesAreRefusedWithAMessage) {
    MemoryFileSystem base;
    ScriptedHost host;
    auto archive = MakeArchive(base, host, kPath, ScriptedHost::Plain(8));
    int folder = 0;
    ASSERT_EQ(archive->CreateFolder(0, "A", kTypeFolder, &folder), kOk);
    ASSERT_EQ(ImportFiles(*archive, base, folder,
                          {{"x.bin", PatternBytes(300, 1)}, {"y.bin", PatternBytes(70, 2)}}),
              kOk);
    ASSERT_EQ(archive->Close(true), kOk);
    const std::vector<uint8_t> good = *base.Get(kPath);

    // Offsets inside the file: the catalogue starts at 384 + dataSize.
    uint32_t dataSize = 0;
    std::memcpy(&dataSize, good.data() + 128 + 96, 4);
    const size_t catalogue = 384 + dataSize;
    auto entryField = [&](int number, size_t field) { return catalogue + 512 * (number - 1) + field; };
    auto put32 = [](std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); };

    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> spoil;
    } cases[] = {
        {"truncated inside the catalogue", [&](std::vector<uint8_t>& b) { b.resize(b.size() - 100); }},
        {"truncated inside the headers", [&](std::vector<uint8_t>& b) { b.resize(300); }},
        {"catalogue size off", [&](std::vector<uint8_t>& b) { put32(b, 128 + 100, 512 * 4 + 16); }},
        {"entry count 0",
         [&](std::vector<uint8_t>& b) {
             put32(b, 128 + 84, 0);
             put32(b, 128 + 100, 0);
         }},
        {"entry count 6000",
         [&](std::vector<uint8_t>& b) {
             put32(b, 128 + 84, 6000);
             put32(b, 128 + 100, 6000 * 512);
         }},
        {"parent cycle", [&](std::vector<uint8_t>& b) { put32(b, entryField(2, 48), 2); }},
        {"two-folder cycle",
         [&](std::vector<uint8_t>& b) {
             put32(b, entryField(2, 48), 1);
             put32(b, entryField(1, 48), 2);
         }},
        {"parent out of range", [&](std::vector<uint8_t>& b) { put32(b, entryField(3, 48), 77); }},
        {"parent is a file", [&](std::vector<uint8_t>& b) { put32(b, entryField(4, 48), 3); }},
        {"block outside the data area",
         [&](std::vector<uint8_t>& b) {
             put32(b, entryField(4, 88), dataSize + 384);
             put32(b, entryField(4, 80), dataSize + 384);
             put32(b, entryField(4, 72), dataSize + 384 + 144);
         }},
        {"blocks out of order",
         [&](std::vector<uint8_t>& b) {
             put32(b, entryField(4, 88), 384);
             put32(b, entryField(4, 80), 384);
             put32(b, entryField(4, 72), 384 + 144);
         }},
        {"data length not the stored length",
         [&](std::vector<uint8_t>& b) { put32(b, entryField(3, 60), 100000); }},
        {"thumbnail length wrong", [&](std::vector<uint8_t>& b) { put32(b, entryField(3, 76), 4096); }},
        {"recycle bin missing", [&](std::vector<uint8_t>& b) { b[entryField(1, 33)] = 1; }},
    };
    for (const Case& c : cases) {
        MemoryFileSystem fs;
        std::vector<uint8_t> bytes = good;
        c.spoil(bytes);
        fs.Put(kPath, bytes);
        ScriptedHost h;
        Status status = kOk;
        auto damaged = OpenArchive(fs, h, kPath, "", &status);
        EXPECT_NE(status, kOk) << c.what;
        EXPECT_EQ(h.messages.size(), 1u) << c.what;
        EXPECT_FALSE(damaged->IsOpen()) << c.what;
        EXPECT_EQ(*fs.Get(kPath), bytes) << c.what << ": not written to";
        if (std::string(c.what) != "truncated inside the headers") {
            EXPECT_EQ(status, kErrCorrupt) << c.what;
        }
    }
}

} // namespace

namespace {

TEST(Archive, CreatingOverAnOldArchiveDropsItsLeftoverJournal) {
    MemoryFileSystem fs;
    ScriptedHost host;
    // A sealed journal of some earlier archive of this name, which would rewrite the header.
    fs.Put(kPath, std::vector<uint8_t>(4096, 0x11));
    {
        RollbackJournal journal(fs, kPath);
        OpenResult result{};
        auto file = fs.OpenExclusive(kPath, false, &result);
        ASSERT_TRUE(file);
        ASSERT_TRUE(journal.Begin(*file) && journal.Commit());
    }
    ASSERT_TRUE(fs.Exists(RollbackJournal::PathFor(kPath)));
    MakeArchive(fs, host, kPath, ScriptedHost::Plain())->Close(true);
    EXPECT_FALSE(fs.Exists(RollbackJournal::PathFor(kPath)));
    Status status = kOk;
    auto reopened = OpenArchive(fs, host, kPath, "", &status);
    EXPECT_EQ(status, kOk);
    EXPECT_EQ(CheckErrors(*reopened), "");
}

// A journal is replayed only over the archive, and the state of it, that it was written for. Any
// other is refused with a message, and both files are left as they are for the user to decide.
void ExpectRefusedJournal(MemoryFileSystem& fs, const std::string& what) {
    const std::string journal = RollbackJournal::PathFor(kPath);
    const std::vector<uint8_t> archiveBefore = *fs.Get(kPath);
    const std::vector<uint8_t> journalBefore = *fs.Get(journal);
    ScriptedHost host;
    Status status = kOk;
    auto refused = OpenArchive(fs, host, kPath, "", &status);
    EXPECT_EQ(status, kErrJournalMismatch) << what;
    ASSERT_EQ(host.messages, std::vector<Status>{kErrJournalMismatch}) << what;
    EXPECT_NE(host.messageTexts[0].find(journal), std::string::npos) << what << ": " << host.messageTexts[0];
    EXPECT_FALSE(refused->IsOpen()) << what;
    EXPECT_EQ(refused->lastOpenFailure(), OpenFailure::Other) << what;
    EXPECT_EQ(host.catalogueNotices, 0) << what << ": a refused open announces nothing";
    EXPECT_EQ(*fs.Get(kPath), archiveBefore) << what << ": the archive was written";
    ASSERT_TRUE(fs.Get(journal)) << what << ": the journal was removed";
    EXPECT_EQ(*fs.Get(journal), journalBefore) << what;
}

// Writes a sealed journal of the archive at `path` as it is now, saving `length` bytes at `offset`.
void CommitJournal(MemoryFileSystem& fs, const std::string& path, uint64_t offset, uint64_t length) {
    RollbackJournal journal(fs, path);
    OpenResult result{};
    auto file = fs.OpenExclusive(path, false, &result);
    ASSERT_TRUE(file);
    ASSERT_TRUE(journal.Begin(*file) && journal.Save(*file, offset, length) && journal.Commit());
}

TEST(Archive, AJournalOfAnotherArchiveIsRefusedAndLeftInPlace) {
    MemoryFileSystem fs;
    ScriptedHost host;
    MakeArchive(fs, host, "/a/one.kvq", ScriptedHost::Plain())->Close(true);
    MakeArchive(fs, host, kPath, ScriptedHost::Plain())->Close(true);
    CommitJournal(fs, "/a/one.kvq", 384, 512);
    // The journal of one.kvq appears beside test.kvq (copied along, say).
    fs.Put(RollbackJournal::PathFor(kPath), *fs.Get(RollbackJournal::PathFor("/a/one.kvq")));
    ExpectRefusedJournal(fs, "another archive's journal");
}

TEST(Archive, AJournalIsNotReplayedOverABackupOfTheSameArchive) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    ASSERT_EQ(ImportFiles(*archive, fs, 0, {{"old.bin", PatternBytes(3000, 1)}}), kOk);
    ASSERT_EQ(archive->Close(true), kOk);
    const std::vector<uint8_t> backup = *fs.Get(kPath);

    // Later work, then a crash that leaves a sealed journal of that later state.
    archive = OpenArchive(fs, host, kPath, "");
    ASSERT_EQ(ImportFiles(*archive, fs, 0, {{"new.bin", PatternBytes(9000, 2)}}, "/src2"), kOk);
    ASSERT_EQ(archive->Close(true), kOk);
    const uint64_t catalogue = 384 + archive->dataSize();
    CommitJournal(fs, kPath, catalogue, 3 * kEntrySize);

    // The user puts the backup back before opening again: the journal's bytes belong elsewhere.
    fs.Put(kPath, backup);
    ExpectRefusedJournal(fs, "a journal of a later state");

    fs.Remove(RollbackJournal::PathFor(kPath));
    Status status = kOk;
    auto restored = OpenArchive(fs, host, kPath, "", &status);
    ASSERT_EQ(status, kOk);
    EXPECT_EQ(restored->entryCount(), 2);
    EXPECT_EQ(CheckErrors(*restored), "");
}

// FNV-1a 64, as the journal seals its bytes.
uint64_t Fnv1a(const uint8_t* data, size_t length) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < length; ++i) {
        hash = (hash ^ data[i]) * 0x100000001B3ull;
    }
    return hash;
}

// Every number a journal holds is checked against the archive before anything is written back.
TEST(Archive, AJournalWhoseNumbersDoNotFitIsRefused) {
    MemoryFileSystem base;
    ScriptedHost host;
    MakeArchive(base, host, kPath, ScriptedHost::Plain())->Close(true);
    CommitJournal(base, kPath, 384, 512);
    const std::vector<uint8_t> journal = *base.Get(RollbackJournal::PathFor(kPath));
    // Layout: magic 8, original length 8 at 8, plain header 128 at 16, then records of offset 8,
    // length 8 and bytes: the protected header (256 at 144), the entry (512 at 416); seal 24.
    const size_t first = 144;
    const size_t second = first + 16 + 256;
    auto put64 = [](std::vector<uint8_t>& b, size_t at, uint64_t v) { std::memcpy(b.data() + at, &v, 8); };
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> spoil;
    } cases[] = {
        {"an original length of a terabyte",
         [&](std::vector<uint8_t>& b) { put64(b, 8, uint64_t{1} << 40); }},
        {"an original length shorter than the headers", [&](std::vector<uint8_t>& b) { put64(b, 8, 100); }},
        {"a record past the original length", [&](std::vector<uint8_t>& b) { put64(b, second, 896 - 100); }},
        {"a record wrapping around", [&](std::vector<uint8_t>& b) { put64(b, second, ~uint64_t{0} - 100); }},
        {"a record over the plain header", [&](std::vector<uint8_t>& b) { put64(b, second, 0); }},
        {"no protected header first", [&](std::vector<uint8_t>& b) { put64(b, first, 132); }},
    };
    for (const Case& c : cases) {
        std::unique_ptr<MemoryFileSystem> fs = base.Clone();
        std::vector<uint8_t> bytes = journal;
        c.spoil(bytes);
        const size_t sealAt = bytes.size() - 24;
        put64(bytes, sealAt + 16, Fnv1a(bytes.data(), sealAt)); // sealed again, as a crafted file would be
        fs->Put(RollbackJournal::PathFor(kPath), bytes);
        ExpectRefusedJournal(*fs, c.what);
    }
}

// An archive that may be read but not written: read-only media, an immutable file, another user's.
class ReadOnlyArchive : public ::testing::Test {
protected:
    void SetUp() override {
        auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "read", 1));
        folder = 0;
        ASSERT_EQ(archive->CreateFolder(0, "Album", kTypeFolder, &folder), kOk);
        ASSERT_EQ(ImportFiles(*archive, fs, folder, {{"pic.png", picture}, {"notes.txt", notes}}), kOk);
        ASSERT_EQ(ImportFiles(*archive, fs, 0, {{"old.txt", notes}}, "/src2"), kOk);
        ASSERT_EQ(archive->MoveEntries({5}, 1, false), kOk);
        ASSERT_EQ(archive->Close(true), kOk);
        fs.SetReadOnly(kPath);
        bytes = *fs.Get(kPath);
    }

    // Nothing at all reached the archive file since `from`.
    void ExpectUntouched(size_t from, const std::string& what) {
        EXPECT_EQ(*fs.Get(kPath), bytes) << what;
        for (size_t i = from; i < fs.log.size(); ++i) {
            const Op& op = fs.log[i];
            EXPECT_FALSE(op.path == kPath && IsMutating(op.kind) && op.ok) << what << ": op " << i;
        }
    }

    MemoryFileSystem fs;
    ScriptedHost host;
    int folder = 0;
    const std::vector<uint8_t> picture = EncodedImage(40, 30, "png");
    const std::vector<uint8_t> notes = PatternBytes(5000, 7);
    std::vector<uint8_t> bytes;
};

TEST_F(ReadOnlyArchive, OpensForReadingAndExportAndRefusesEveryChange) {
    Status status = kOk;
    const size_t logStart = fs.log.size();
    const int noticesBefore = host.catalogueNotices;
    auto archive = OpenArchive(fs, host, kPath, "read", &status);
    ASSERT_EQ(status, kOk);
    ASSERT_TRUE(archive->readOnly());
    EXPECT_EQ(archive->lastOpenFailure(), OpenFailure::None);
    EXPECT_EQ(host.catalogueNotices, noticesBefore) << "Open announces nothing";
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(fs.IsLocked(kPath)) << "held with a shared lock while open";

    // Browsing, preview and export. #2 Album, #3 pic.png, #4 notes.txt, #5 old.txt in the bin.
    EXPECT_EQ(archive->GetName(EntryIndex::OfNumber(folder)), "Album");
    EXPECT_EQ(ReadFileBytes(*archive, EntryIndex(3)), notes);
    EXPECT_NE(archive->GetThumbnail(EntryIndex(2)), nullptr);
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(archive->GetImageData(EntryIndex(2), &data, &size), 0);
    EXPECT_EQ(std::vector<uint8_t>(data, data + size), picture);
    // Tree state and a folder's type are kept in memory, never written, and need no message.
    EXPECT_EQ(archive->SetExpanded(EntryIndex::OfNumber(folder), false), kOk);
    EXPECT_EQ(archive->SetTypeCode(EntryIndex::OfNumber(folder), kTypeFolder), kOk);
    EXPECT_EQ(archive->SetRootExpanded(false), kOk);
    EXPECT_FALSE(archive->Entry(EntryIndex::OfNumber(folder))->expanded);
    EXPECT_TRUE(host.messages.empty());
    // A blank rename changes nothing, read-only or not.
    EXPECT_EQ(archive->Rename(EntryIndex(1), "  "), kCancelled);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(CheckErrors(*archive), "");
    ASSERT_TRUE(fs.MakeDirectory("/out"));
    host.folder = "/out";
    std::vector<std::string> written;
    EXPECT_EQ(archive->ExportSelection({0}, &written), kOk);
    EXPECT_EQ(written.size(), 2u);
    EXPECT_EQ(*fs.Get("/out/Album/notes.txt"), notes);
    EXPECT_TRUE(host.messages.empty());

    MemoryFileSystem& files = fs;
    struct Change {
        const char* what;
        std::function<Status(CCodeArchive&)> run;
    } changes[] = {
        {"import",
         [&](CCodeArchive& a) {
             return ImportFiles(a, files, 0, {{"new.txt", notes}}, "/src3");
         }},
        {"new folder", [](CCodeArchive& a) { return a.CreateFolder(0, "New Folder", kTypeFolder); }},
        {"rename", [](CCodeArchive& a) { return a.Rename(EntryIndex(1), "Renamed"); }},
        {"comment", [](CCodeArchive& a) { return a.SetEntryComment(EntryIndex(1), "a comment"); }},
        {"delete", [](CCodeArchive& a) { return a.MoveEntries({3}, 1, false); }},
        {"copy within", [](CCodeArchive& a) { return a.CopyEntries({3}, 0, a); }},
        {"empty the bin", [](CCodeArchive& a) { return a.EmptyRecycleBin({1}); }},
    };
    for (const Change& c : changes) {
        host.messages.clear();
        const uint64_t generation = archive->catalogueGeneration();
        const int notices = host.catalogueNotices;
        EXPECT_EQ(c.run(*archive), kErrReadOnly) << c.what;
        EXPECT_EQ(host.messages, std::vector<Status>{kErrReadOnly}) << c.what;
        EXPECT_EQ(archive->GetName(EntryIndex::OfNumber(folder)), "Album") << c.what;
        EXPECT_EQ(archive->entryCount(), 5) << c.what;
        EXPECT_FALSE(archive->Busy()) << c.what;
        EXPECT_EQ(archive->catalogueGeneration(), generation) << c.what << ": nothing changed";
        EXPECT_EQ(host.catalogueNotices, notices) << c.what << ": no catalogue notifications";
    }
    host.messages.clear();
    EXPECT_EQ(archive->Close(true), kOk);
    EXPECT_TRUE(host.messages.empty());
    ExpectUntouched(logStart, "not even the header's time stamp");
}

TEST_F(ReadOnlyArchive, IsASourceForCopiesAndReportsAJournalWithoutReplayingIt) {
    auto target = MakeArchive(fs, host, "/a/target.kvq", ScriptedHost::Plain(8));
    const std::string journal = RollbackJournal::PathFor(kPath);
    fs.Put(journal, PatternBytes(700, 3)); // whatever it holds, it is not replayed
    const size_t logStart = fs.log.size();
    Status status = kOk;
    auto archive = OpenArchive(fs, host, kPath, "read", &status);
    ASSERT_EQ(status, kOk);
    ASSERT_EQ(host.messages, std::vector<Status>{kWarnJournalReadOnly});
    EXPECT_NE(host.messageTexts[0].find(journal), std::string::npos) << host.messageTexts[0];
    EXPECT_EQ(*fs.Get(journal), PatternBytes(700, 3));

    host.messages.clear();
    ASSERT_EQ(archive->CopyEntries({folder}, 0, *target), kOk);
    EXPECT_TRUE(host.messages.empty());
    ASSERT_EQ(target->entryCount(), 4);
    EXPECT_EQ(ReadFileBytes(*target, EntryIndex(3)), notes);
    EXPECT_EQ(CheckErrors(*target), "");
    EXPECT_EQ(archive->Close(true), kOk);
    ExpectUntouched(logStart, "a copy out of it");
}

TEST(Archive, FailedReloadWritesNothingAndFailedSaveKeepsTheArchiveOpen) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    int folder = 0;
    ASSERT_EQ(archive->CreateFolder(0, "Holiday", kTypeFolder, &folder), kOk);

    // A reload whose read fails: reported once, nothing recounted or written back.
    host.messages.clear();
    const size_t logBefore = fs.log.size();
    fs.FailNext(OpKind::Read);
    EXPECT_EQ(archive->Refresh(true), kErrArchiveRead);
    EXPECT_EQ(host.messages, std::vector<Status>{kErrArchiveRead});
    EXPECT_FALSE(archive->catalogueLoaded());
    for (size_t i = logBefore; i < fs.log.size(); ++i) {
        EXPECT_FALSE(IsMutating(fs.log[i].kind) && fs.log[i].ok) << "op " << i << " changed the disk";
    }
    ASSERT_EQ(archive->Refresh(false), kOk);

    // A rename whose save fails: Close reports it and the archive stays open with its change.
    archive->Rename(EntryIndex::OfNumber(folder), "Summer");
    fs.FailNext(OpKind::Write);
    EXPECT_NE(archive->Close(true), kOk);
    EXPECT_TRUE(archive->IsOpen());
    EXPECT_TRUE(archive->catalogueDirty());
    ASSERT_EQ(archive->Close(true), kOk);

    auto reopened = OpenArchive(fs, host, kPath, "");
    EXPECT_EQ(reopened->GetName(EntryIndex::OfNumber(folder)), "Summer");
}

} // namespace
