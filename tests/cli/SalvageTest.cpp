// Salvage of damaged archives: through kvq, and through the engine for names no import can make.
#include "Salvage.h"
#include "ArchiveFixtures.h"
#include "ArchiveInternals.h"
#include "CCodeArchive.h"
#include "KvqRunner.h"
#include "ScriptedHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>

#include <pthread.h>

namespace quorvane::clitest {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FilesUnder(const std::string& root) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) {
            files.push_back(fs::relative(e.path(), root).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(SalvageTest, ACutCatalogueTailStillGivesBackEveryIntactFile) {
    TempDir dir;
    Kvq kvq;
    kvq.env["KVQ_PASSWORD"] = "salvage-me";
    const std::string archive = dir / "a.kvq";
    ASSERT_EQ(kvq({"create", archive, "--thumbnails", "32"}).status, 0);
    fs::create_directories(dir / "src/Album/Inner");
    WriteFile(dir / "src/Album/one.txt", "first file");
    WriteFile(dir / "src/Album/Inner/two.bin", std::string(70000, '\x7f'));
    WriteFile(dir / "src/Album/empty", "");
    WriteJpeg(dir / "src/Album/pic.jpg", 40, 30);
    WriteFile(dir / "src/last.txt", "the last entry");
    ASSERT_EQ(kvq({"add", archive, dir / "src/Album", dir / "src/last.txt"}).status, 0);
    ASSERT_EQ(kvq({"rm", archive, "Album/one.txt"}).status, 0); // salvage takes the bin's content too
    // Entries: #2 Album, #3 Inner, #4 two.bin, #5 empty, #6 one.txt, #7 pic.jpg, #8 last.txt (listing
    // order of the folder); the cut takes the last entry and half of the one before it.
    const RunResult listing = kvq({"ls", archive, "-lR"});
    ASSERT_EQ(Lines(listing.out).size(), 8u) << listing.out;

    const uint64_t length = fs::file_size(archive);
    fs::resize_file(archive, length - 512 - 256);
    const std::string damaged = ReadFile(archive);
    EXPECT_EQ(kvq({"ls", archive}).status, 1); // Open refuses it

    const RunResult run = kvq({"salvage", archive, "-C", dir / "out"});
    EXPECT_EQ(run.status, 1) << run.err; // something was lost
    EXPECT_NE(run.err.find("#7: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("#8: "), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(archive), damaged); // never written

    // What the listing said about the six entries still whole.
    std::map<std::string, std::string> expected{
        {"Album/Inner/two.bin", std::string(70000, '\x7f')},
        {"Album/empty", ""},
        {"Recycle Bin/one.txt", "first file"},
    };
    const std::vector<std::string> files = FilesUnder(dir / "out");
    std::vector<std::string> expectedNames;
    for (const auto& [name, bytes] : expected) {
        expectedNames.push_back(name);
        EXPECT_EQ(ReadFile(dir / "out/" + name), bytes) << name;
    }
    // pic.jpg or last.txt, whichever the listing numbered below the cut, is not invented.
    EXPECT_EQ(files, expectedNames) << run.out;
    EXPECT_EQ(Lines(run.out).size(), 3u) << run.out;

    // A second salvage into the same folder never replaces what is there.
    const RunResult again = kvq({"salvage", archive, "-C", dir / "out"});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(fs::exists(dir / "out/Album/Copy of empty"));
    EXPECT_EQ(ReadFile(dir / "out/Recycle Bin/Copy of one.txt"), "first file");

    Kvq wrong = kvq;
    wrong.env["KVQ_PASSWORD"] = "not it";
    EXPECT_EQ(wrong({"salvage", archive, "-C", dir / "out2"}).status, 3);
}

TEST(SalvageTest, NamesThatCouldLeaveTheFolderStayInsideIt) {
    TempDir dir;
    ScriptedHost host;
    auto archive = testing::MakeArchive(PosixFileSystem(), host, dir / "a.kvq",
                                        ScriptedHost::Encrypted(kMethodTwofish, "password"));
    int dots = 0;
    ASSERT_EQ(archive->CreateFolder(0, "..", kTypeFolder, &dots), kOk);
    WriteFile(dir / "f.txt", "payload");
    WriteFile(dir / "g", "payload"); // no extension: a rename to ".." stays ".."
    std::vector<ImportedItem> added;
    ASSERT_EQ(ImportPaths(*archive, {dir / "f.txt", dir / "g"}, dots, false, &added), kOk);
    ASSERT_EQ(added.size(), 2u);
    archive->Rename(EntryIndex::OfNumber(added[0].number), "../../escape.txt");
    archive->Rename(EntryIndex::OfNumber(added[1].number), "..");
    ASSERT_EQ(archive->Close(true), kOk);

    fs::create_directories(dir / "out/deep");
    ScriptedHost salvageHost;
    salvageHost.passwords.push_back("password");
    SalvageReport report;
    ASSERT_EQ(SalvageArchive(PosixFileSystem(), salvageHost, dir / "a.kvq", dir / "out/deep", report), kOk);
    EXPECT_TRUE(report.lost.empty());
    ASSERT_EQ(report.recovered.size(), 2u);
    const std::string root = fs::weakly_canonical(dir / "out/deep").string() + "/";
    for (const SalvagedFile& f : report.recovered) {
        const std::string where = fs::weakly_canonical(f.path).string();
        EXPECT_EQ(where.rfind(root, 0), 0u) << where;
        EXPECT_EQ(ReadFile(f.path), "payload");
    }
    EXPECT_EQ(FilesUnder(dir / "out"),
              (std::vector<std::string>{"deep/_../.._.._escape.txt", "deep/_../_.."}));
    EXPECT_FALSE(fs::exists(dir / "escape.txt"));
}

// An archive with a chain of `depth` folders named "d" below the top level, one file at the bottom,
// and one file in the first folder; closed, with its numbers: folders #2 .. #depth+1, then the files.
void MakeChain(const std::string& path, const std::string& sources, int depth) {
    ScriptedHost host;
    auto archive = testing::MakeArchive(PosixFileSystem(), host, path, ScriptedHost::Plain());
    ArchiveInternals(*archive).BeginBatch(true);
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(ArchiveInternals(*archive).PlanFolder(), kOk);
    }
    ASSERT_EQ(ArchiveInternals(*archive).Expand(), kOk);
    ASSERT_EQ(ArchiveInternals(*archive).StartAdding(), kOk);
    int parent = 0;
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(ArchiveInternals(*archive).AddFolder(parent, "d", "", kTypeFolder, &parent), kOk);
    }
    ASSERT_EQ(ArchiveInternals(*archive).FinishBatch(), kOk);
    fs::create_directories(sources);
    WriteFile(sources + "/bottom.txt", "at the bottom");
    WriteFile(sources + "/top.txt", "at the top");
    ASSERT_EQ(ImportPaths(*archive, {sources + "/bottom.txt"}, depth + 1, false), kOk);
    ASSERT_EQ(ImportPaths(*archive, {sources + "/top.txt"}, 2, false), kOk);
    ASSERT_EQ(archive->Close(true), kOk);
}

struct SalvageRun {
    std::string path;
    std::string folder;
    SalvageReport report;
    Status status = kOk;
};

// Salvages on a thread with a small stack: a walk of the folder tree must not need one frame per level.
void SalvageWithSmallStack(SalvageRun& run) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1 << 20);
    pthread_t thread;
    auto body = [](void* argument) -> void* {
        auto* r = static_cast<SalvageRun*>(argument);
        ScriptedHost host;
        r->status = SalvageArchive(PosixFileSystem(), host, r->path, r->folder, r->report);
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, body, &run), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

size_t FoldersUnder(const std::string& root) {
    size_t count = 0;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        count += e.is_directory() ? 1 : 0;
    }
    return count;
}

TEST(SalvageTest, AVeryDeepTreeComesOutWhole) {
    TempDir dir;
    constexpr int kDepth = 3000; // deeper than a path may be long: "d/" 3000 times
    MakeChain(dir / "deep.kvq", dir / "src", kDepth);
    fs::create_directories(dir / "out");
    SalvageRun run{dir / "deep.kvq", dir / "out", {}, kOk};
    SalvageWithSmallStack(run);
    ASSERT_EQ(run.status, kOk);
    EXPECT_TRUE(run.report.lost.empty()) << run.report.lost.front().reason;
    ASSERT_EQ(run.report.recovered.size(), 2u);
    for (const SalvagedFile& f : run.report.recovered) {
        EXPECT_EQ(ReadFile(f.path), f.number == kDepth + 2 ? "at the bottom" : "at the top") << f.path;
    }
    EXPECT_EQ(FoldersUnder(dir / "out"), static_cast<size_t>(kDepth)) << "every folder made once";
}

TEST(SalvageTest, AParentLoopIsCutAndEveryFilePlacedOnce) {
    TempDir dir;
    MakeChain(dir / "loop.kvq", dir / "src", 3); // #2 d, #3 d, #4 d; #5 bottom.txt in #4, #6 top.txt in #2
    // #2's parent becomes #4: the three folders form a loop with no way to the top.
    std::string bytes = ReadFile(dir / "loop.kvq");
    uint32_t dataSize = 0;
    std::memcpy(&dataSize, bytes.data() + 128 + 96, 4);
    const int32_t loop = 4;
    std::memcpy(bytes.data() + 384 + dataSize + 512 * 1 + 48, &loop, 4);
    WriteFile(dir / "loop.kvq", bytes);
    ScriptedHost host;
    Status status = kOk;
    EXPECT_EQ(testing::OpenArchive(PosixFileSystem(), host, dir / "loop.kvq", "", &status)->IsOpen(), false);
    EXPECT_EQ(status, kErrCorrupt);

    fs::create_directories(dir / "out");
    SalvageRun run{dir / "loop.kvq", dir / "out", {}, kOk};
    SalvageWithSmallStack(run);
    ASSERT_EQ(run.status, kOk);
    ASSERT_EQ(run.report.recovered.size(), 2u);
    EXPECT_EQ(FilesUnder(dir / "out").size(), 2u) << "each file once";
    EXPECT_EQ(FoldersUnder(dir / "out"), 3u) << "each folder once";
    for (const SalvagedFile& f : run.report.recovered) {
        EXPECT_EQ(ReadFile(f.path), f.number == 5 ? "at the bottom" : "at the top") << f.path;
    }
}

// kvq asks for the password again only when the one given failed the header check; a file that is
// no archive of this kind gives the same message, but no second prompt.
TEST(SalvageTest, AWrongPasswordIsToldApartFromAFileThatIsNoArchive) {
    TempDir dir;
    ScriptedHost host;
    auto archive = testing::MakeArchive(PosixFileSystem(), host, dir / "a.kvq",
                                        ScriptedHost::Encrypted(kMethodBlowfish, "the password"));
    ASSERT_EQ(archive->Close(true), kOk);
    WriteFile(dir / "foreign.kvq", std::string(4096, 'x'));

    struct Case {
        const char* what;
        std::string path;
        std::optional<std::string> password;
        Status status;
        bool wrongPassword;
    } cases[] = {
        {"a wrong password", dir / "a.kvq", "not the password", kErrPassword, true},
        {"the right password", dir / "a.kvq", "the password", kOk, false},
        {"no archive at all", dir / "foreign.kvq", "the password", kErrPassword, false},
    };
    for (const Case& c : cases) {
        host.passwords = {c.password};
        host.messages.clear();
        SalvageReport report;
        report.wrongPassword = !c.wrongPassword; // whatever it held before is replaced
        EXPECT_EQ(SalvageArchive(PosixFileSystem(), host, c.path, dir / "out", report), c.status) << c.what;
        EXPECT_EQ(report.wrongPassword, c.wrongPassword) << c.what;
        EXPECT_EQ(host.messages, c.status == kOk ? std::vector<Status>{} : std::vector<Status>{c.status})
            << c.what;
    }
}

} // namespace
} // namespace quorvane::clitest
