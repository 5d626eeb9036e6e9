// Moving files into an archive: a source goes only after its stored copy was read back identical;
// a source that changed, was replaced, is a link, or whose record does not match keeps its original.
#include "MoveOriginals.h"
#include "ArchiveFixtures.h"
#include "CCodeArchive.h"
#include "ScriptedHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class MoveOriginalsTest : public ::testing::Test {
protected:
    MoveOriginalsTest() {
        std::string pattern = (fs::temp_directory_path() / "kvq-move-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        archive_ = MakeArchive(PosixFileSystem(), host_, dir_ + "/a.kvq",
                               ScriptedHost::Encrypted(kMethodTwofish, "password"));
    }
    ~MoveOriginalsTest() override {
        if (archive_ && archive_->IsOpen()) {
            archive_->Close(true);
        }
        fs::remove_all(dir_);
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    // Makes the source files (name -> bytes) under the test folder.
    void MakeSources(const std::map<std::string, std::string>& files) {
        for (const auto& [name, bytes] : files) {
            fs::create_directories(fs::path(Path(name)).parent_path());
            Write(Path(name), bytes);
            contents_[Path(name)] = bytes;
        }
    }

    std::vector<ImportedItem> Import(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        paths.reserve(names.size());
        for (const std::string& n : names) {
            paths.push_back(Path(n));
        }
        std::vector<ImportedItem> added;
        EXPECT_EQ(ImportPaths(*archive_, paths, 0, true, &added), kOk);
        return added;
    }

    std::map<std::string, OriginalOutcome> ByPath(const std::vector<OriginalOutcome>& outcomes) {
        std::map<std::string, OriginalOutcome> out;
        for (const OriginalOutcome& o : outcomes) {
            out[o.path] = o;
        }
        return out;
    }

    // Every file of the import is in the archive with the bytes its source had when imported.
    void ExpectStoredAsImported(const std::vector<ImportedItem>& added) {
        for (const ImportedItem& item : added) {
            if (contents_.count(item.path)) {
                const std::vector<uint8_t> stored =
                    ReadFileBytes(*archive_, EntryIndex::OfNumber(item.number));
                EXPECT_EQ(std::string(stored.begin(), stored.end()), contents_[item.path]) << item.path;
            }
        }
    }

    std::string dir_;
    ScriptedHost host_;
    std::unique_ptr<CCodeArchive> archive_;
    std::map<std::string, std::string> contents_;
};

TEST_F(MoveOriginalsTest, IdenticalSourcesGoAndTheirEmptiedFoldersWithThem) {
    std::string big(4 * 1024 * 1024 + 777, '\0'); // crosses a chunk boundary
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 2654435761u) >> 11);
    }
    MakeSources({{"tree/big.bin", big},
                 {"tree/empty", ""},
                 {"tree/deep/er/note.txt", "a note"},
                 {"single.txt", "one"}});
    const std::vector<ImportedItem> added = Import({"tree", "single.txt", "single.txt"});

    const auto outcomes = ByPath(MoveOriginals(*archive_, added));
    for (const char* name : {"tree/big.bin", "tree/empty", "tree/deep/er/note.txt", "single.txt",
                             "tree/deep/er", "tree/deep", "tree"}) {
        ASSERT_TRUE(outcomes.count(Path(name))) << name;
        EXPECT_TRUE(outcomes.at(Path(name)).removed) << name << ": " << outcomes.at(Path(name)).problem;
        EXPECT_FALSE(fs::exists(Path(name))) << name;
    }
    EXPECT_TRUE(fs::exists(Path("a.kvq")));
    ExpectStoredAsImported(added);
}

TEST_F(MoveOriginalsTest, ASourceChangedDuringTheImportKeepsItsOriginal) {
    MakeSources({{"album/same-size.txt", "0123456789"},
                 {"album/grown.txt", "short"},
                 {"album/shrunk.txt", "a longer text"},
                 {"album/untouched.txt", "stays identical"},
                 {"album/gone.txt", "removed by someone else"}});
    const std::vector<ImportedItem> added = Import({"album"});
    // Between the import and the read-back, other programs change some sources.
    const auto outcomes = ByPath(MoveOriginals(*archive_, added, [&](const ImportedItem& item) {
        if (item.path == Path("album/same-size.txt")) {
            Write(item.path, "0123456780"); // one byte, same length
        } else if (item.path == Path("album/grown.txt")) {
            Write(item.path, "short and then some");
        } else if (item.path == Path("album/shrunk.txt")) {
            Write(item.path, "a longer");
        } else if (item.path == Path("album/gone.txt")) {
            fs::remove(item.path);
        }
    }));

    for (const char* name : {"album/same-size.txt", "album/grown.txt", "album/shrunk.txt"}) {
        const OriginalOutcome& o = outcomes.at(Path(name));
        EXPECT_FALSE(o.removed) << name;
        EXPECT_FALSE(o.problem.empty()) << name;
        EXPECT_TRUE(fs::exists(Path(name))) << name;
    }
    EXPECT_EQ(Read(Path("album/same-size.txt")), "0123456780"); // the changed file itself is left alone
    EXPECT_FALSE(outcomes.at(Path("album/gone.txt")).removed);
    EXPECT_TRUE(outcomes.at(Path("album/untouched.txt")).removed);
    EXPECT_FALSE(fs::exists(Path("album/untouched.txt")));
    // The folder still holds what was kept.
    EXPECT_FALSE(outcomes.at(Path("album")).removed);
    EXPECT_TRUE(fs::is_directory(Path("album")));
    ExpectStoredAsImported(added);
}

TEST_F(MoveOriginalsTest, AFileChangedOrReplacedAfterTheComparisonIsKept) {
    MakeSources({{"changed.txt", "before"}, {"replaced.txt", "same bytes"}, {"fine.txt", "fine"}});
    const std::vector<ImportedItem> added = Import({"changed.txt", "replaced.txt", "fine.txt"});
    const std::vector<OriginalCheck> checks = VerifyOriginals(*archive_, added);
    for (const OriginalCheck& c : checks) {
        EXPECT_TRUE(c.verified) << c.path << ": " << c.problem;
    }
    // After the comparison: one file is rewritten, another replaced by a new file of the same bytes.
    Write(Path("changed.txt"), "after!");
    Write(Path("replaced.new"), "same bytes");
    fs::rename(Path("replaced.new"), Path("replaced.txt"));

    const auto outcomes = ByPath(RemoveOriginals(checks));
    EXPECT_FALSE(outcomes.at(Path("changed.txt")).removed);
    EXPECT_FALSE(outcomes.at(Path("replaced.txt")).removed);
    EXPECT_TRUE(outcomes.at(Path("fine.txt")).removed);
    EXPECT_EQ(Read(Path("changed.txt")), "after!");
    EXPECT_EQ(Read(Path("replaced.txt")), "same bytes");
}

TEST_F(MoveOriginalsTest, LinksAndRecordsThatDoNotMatchTheirEntryKeepTheOriginal) {
    MakeSources({{"a.txt", "alpha"}, {"b.txt", "bravo"}, {"target.txt", "the real file"}});
    fs::create_symlink(Path("target.txt"), Path("link.txt"));
    std::vector<ImportedItem> added = Import({"a.txt", "b.txt", "link.txt"});
    ASSERT_EQ(added.size(), 3u);
    // Records pointing at the wrong entry: another file of the same size, the recycle bin, none at all.
    const std::vector<ImportedItem> wrong{
        {added[1].number, Path("a.txt")}, {1, Path("b.txt")}, {9999, Path("b.txt")}};
    for (const OriginalOutcome& o : MoveOriginals(*archive_, wrong)) {
        EXPECT_FALSE(o.removed) << o.path;
        EXPECT_FALSE(o.problem.empty()) << o.path;
    }
    EXPECT_TRUE(fs::exists(Path("a.txt")));
    EXPECT_TRUE(fs::exists(Path("b.txt")));

    const auto outcomes = ByPath(MoveOriginals(*archive_, {added[2]}));
    EXPECT_FALSE(outcomes.at(Path("link.txt")).removed);
    EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
    EXPECT_EQ(Read(Path("target.txt")), "the real file");
}

} // namespace
