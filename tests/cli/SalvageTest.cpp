// Salvage of damaged archives: through kvq, and through the engine for names no import can make.
#include "Salvage.h"
#include "ArchiveFixtures.h"
#include "CCodeArchive.h"
#include "KvqRunner.h"
#include "ScriptedHost.h"

#include <gtest/gtest.h>

#include <filesystem>

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

} // namespace
} // namespace quorvane::clitest
