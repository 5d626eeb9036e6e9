#include "FileLayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {
namespace {

namespace fsys = std::filesystem;

class PosixFileLayer : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fsys::temp_directory_path() / "kvq-filelayer-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fsys::remove_all(dir_, ignored);
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    void WriteFile(const std::string& name, const std::string& bytes) {
        OpenResult r = OpenResult::Failed;
        auto f = fs_.OpenPlain(Path(name), true, &r);
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(f->WriteAt(bytes.data(), 0, bytes.size()));
        ASSERT_TRUE(f->Close());
    }

    // Runs `body` in a child process and returns its exit code.
    static int InChild(const std::function<int()>& body) {
        pid_t pid = ::fork();
        if (pid == 0) {
            ::_exit(body());
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
    }

    IFileSystem& fs_ = PosixFileSystem();
    fsys::path dir_;
};

TEST_F(PosixFileLayer, ExclusiveOpenLocksOutOtherProcesses) {
    WriteFile("a.kvq", "archive bytes");
    OpenResult r = OpenResult::Failed;
    auto held = fs_.OpenExclusive(Path("a.kvq"), false, &r);
    ASSERT_EQ(r, OpenResult::Ok);

    const std::string path = Path("a.kvq");
    auto tryOpen = [&](int how) {
        return InChild([&] {
            OpenResult childResult = OpenResult::Ok;
            std::unique_ptr<IFile> f;
            if (how == 0) {
                f = fs_.OpenExclusive(path, false, &childResult);
            } else if (how == 1) {
                f = fs_.OpenExclusive(path, true, &childResult); // replacing must not truncate first
            } else {
                f = fs_.OpenShared(path, &childResult);
            }
            return static_cast<int>(childResult);
        });
    };
    for (int how = 0; how < 3; ++how) {
        EXPECT_EQ(tryOpen(how), static_cast<int>(OpenResult::Locked)) << how;
    }
    EXPECT_EQ(fsys::file_size(path), 13u);

    ASSERT_TRUE(held->Close());
    EXPECT_FALSE(held->Close());
    EXPECT_EQ(tryOpen(0), static_cast<int>(OpenResult::Ok));
    EXPECT_EQ(tryOpen(1), static_cast<int>(OpenResult::Ok));
    EXPECT_EQ(fsys::file_size(path), 0u) << "with the lock free, create replaces the file";
}

TEST_F(PosixFileLayer, SharedOpensCoexistButKeepWritersOut) {
    WriteFile("pic.jpg", "jpeg");
    OpenResult r = OpenResult::Failed;
    auto first = fs_.OpenShared(Path("pic.jpg"), &r);
    auto second = fs_.OpenShared(Path("pic.jpg"), &r);
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(first->WriteAt("x", 0, 1));
    EXPECT_EQ(fs_.OpenExclusive(Path("pic.jpg"), false, &r), nullptr);
    EXPECT_EQ(r, OpenResult::Locked);
}

TEST_F(PosixFileLayer, OpenResultsAndModes) {
    OpenResult r = OpenResult::Ok;
    EXPECT_EQ(fs_.OpenExclusive(Path("missing"), false, &r), nullptr);
    EXPECT_EQ(r, OpenResult::NotFound);
    EXPECT_EQ(fs_.OpenShared(Path("missing"), &r), nullptr);
    EXPECT_EQ(r, OpenResult::NotFound);

    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    ASSERT_TRUE(fs_.MakeDirectory(Path("sub")));
    ::alarm(10); // an open that waits for a fifo's writer would hang here; the alarm ends it
    for (const auto& [name, expected] :
         {std::pair{"fifo", OpenResult::Failed}, {"sub", OpenResult::Directory}}) {
        EXPECT_EQ(fs_.OpenShared(Path(name), &r), nullptr) << name;
        EXPECT_EQ(r, expected) << name;
        EXPECT_EQ(fs_.OpenExclusive(Path(name), false, &r), nullptr) << name;
        EXPECT_EQ(r, expected) << name;
    }
    ::alarm(0);

    auto archive = fs_.OpenExclusive(Path("new.kvq"), true, &r);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(fsys::status(Path("new.kvq")).permissions() & fsys::perms::all,
              fsys::perms::owner_read | fsys::perms::owner_write);

    auto exported = fs_.CreateNew(Path("out.png"), &r);
    ASSERT_NE(exported, nullptr);
    uint8_t byte = 0;
    ASSERT_TRUE(exported->WriteAt(&byte, 0, 1));
    EXPECT_FALSE(exported->ReadAt(&byte, 0, 1)) << "write-only";
    EXPECT_EQ(fs_.CreateNew(Path("out.png"), &r), nullptr) << "export never overwrites";
    fsys::create_symlink(Path("nowhere"), Path("dangling"));
    EXPECT_EQ(fs_.CreateNew(Path("dangling"), &r), nullptr) << "nor writes through a link";
    EXPECT_FALSE(fsys::exists(Path("nowhere")));

    WriteFile("journal", "0123456789");
    auto plain = fs_.OpenPlain(Path("journal"), false, &r);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->Length(), 10u);
    EXPECT_NE(fs_.OpenPlain(Path("journal"), false, &r), nullptr) << "no lock";
}

TEST_F(PosixFileLayer, ReadWriteAndLength) {
    OpenResult r = OpenResult::Failed;
    auto f = fs_.OpenExclusive(Path("a"), true, &r);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->WriteAt("hello", 100, 5));
    EXPECT_EQ(f->Length(), 105u);
    char buffer[8] = {};
    EXPECT_TRUE(f->ReadAt(buffer, 100, 5));
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_FALSE(f->ReadAt(buffer, 101, 5)) << "the file ends first";
    EXPECT_FALSE(f->ReadAt(buffer, std::numeric_limits<uint64_t>::max() - 2, 5));

    constexpr uint64_t kGrown = 3 << 20;
    ASSERT_TRUE(f->SetLength(kGrown));
    EXPECT_EQ(f->Length(), kGrown);
    struct stat st {};
    ASSERT_EQ(::stat(Path("a").c_str(), &st), 0);
    EXPECT_GE(static_cast<uint64_t>(st.st_blocks) * 512, kGrown) << "growth reserves the space";
    EXPECT_TRUE(f->ReadAt(buffer, kGrown - 8, 8));
    EXPECT_EQ(std::string(buffer, 8), std::string(8, '\0'));

    ASSERT_TRUE(f->SetLength(102));
    EXPECT_EQ(f->Length(), 102u);
    EXPECT_TRUE(f->ReadAt(buffer, 100, 2));
    EXPECT_EQ(std::string(buffer, 2), "he");
    EXPECT_TRUE(f->Sync());
    EXPECT_TRUE(fs_.SyncParentDirectory(Path("a")));
    EXPECT_FALSE(fs_.SyncParentDirectory(Path("nofolder/a")));
}

TEST_F(PosixFileLayer, AWriteOfSeveralMiBLandsWhole) {
    // Files made for the user and archives are written in slices of different sizes: every byte
    // must still land in its place, from an odd offset too.
    std::string bytes(4 * 1024 * 1024 + 12345, '\0');
    uint32_t x = 2463534242u;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    OpenResult r = OpenResult::Failed;
    ASSERT_TRUE(fs_.MakeDirectory(Path("below")));
    const struct {
        const char* name;
        uint64_t offset;
        std::unique_ptr<IFile> file;
    } cases[] = {
        {"new", 7, fs_.CreateNew(Path("new"), &r)},
        {"below/new", 0, fs_.CreateNewBelow(dir_.string() + "/", "below/new", &r)},
        {"archive", 3, fs_.OpenExclusive(Path("archive"), true, &r)},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.file, nullptr) << c.name;
        ASSERT_TRUE(c.file->WriteAt(bytes.data(), c.offset, bytes.size())) << c.name;
        ASSERT_TRUE(c.file->Close()) << c.name;
        auto f = fs_.OpenShared(Path(c.name), &r);
        ASSERT_NE(f, nullptr) << c.name;
        EXPECT_EQ(f->Length(), c.offset + bytes.size()) << c.name;
        std::string back(bytes.size(), '\0');
        ASSERT_TRUE(f->ReadAt(back.data(), c.offset, back.size())) << c.name;
        EXPECT_TRUE(back == bytes) << c.name;
    }
}

TEST_F(PosixFileLayer, EarlySyncsRunBesideTheWrites) {
    // Each early sync runs on a thread of its own while the writes go on; asking for one while one
    // runs is a no-op, and both Sync and Close wait for the one running.
    std::string bytes(1024 * 1024, '\0');
    OpenResult r = OpenResult::Failed;
    for (const bool syncLast : {true, false}) {
        auto f = fs_.OpenExclusive(Path("archive"), true, &r);
        ASSERT_NE(f, nullptr);
        for (int i = 0; i < 24; ++i) {
            std::fill(bytes.begin(), bytes.end(), static_cast<char>('a' + i));
            ASSERT_TRUE(f->WriteAt(bytes.data(), static_cast<uint64_t>(i) * bytes.size(), bytes.size())) << i;
            f->SyncSoon();
        }
        if (syncLast) {
            EXPECT_TRUE(f->Sync());
        }
        ASSERT_TRUE(f->Close());
        f->SyncSoon(); // closed: nothing to sync
        auto back = fs_.OpenShared(Path("archive"), &r);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->Length(), 24 * bytes.size());
        for (int i = 0; i < 24; ++i) {
            ASSERT_TRUE(back->ReadAt(bytes.data(), static_cast<uint64_t>(i) * bytes.size(), bytes.size()));
            EXPECT_EQ(bytes.find_first_not_of(static_cast<char>('a' + i)), std::string::npos) << i;
        }
    }
}

TEST_F(PosixFileLayer, RefusedGrowthLeavesTheLengthAlone) {
    // A file-size limit stands in for a full disk: the allocation fails part of the way.
    OpenResult r = OpenResult::Failed;
    auto f = fs_.OpenExclusive(Path("a"), true, &r);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->SetLength(4096));
    int code = InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1 << 20, 1 << 20};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return 10;
        }
        if (f->SetLength(8 << 20)) {
            return 1;
        }
        return f->Length() == 4096u ? 0 : 2;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(f->Length(), 4096u);
}

TEST_F(PosixFileLayer, KindsAndListing) {
    WriteFile("file", "x");
    ASSERT_TRUE(fs_.MakeDirectory(Path("dir")));
    EXPECT_TRUE(fs_.MakeDirectory(Path("dir"))) << "an existing folder is fine";
    EXPECT_FALSE(fs_.MakeDirectory(Path("file")));
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    fsys::create_symlink(Path("file"), Path("link-file"));
    fsys::create_directory_symlink(Path("dir"), Path("link-dir"));
    fsys::create_symlink(Path("gone"), Path("link-dangling"));

    const std::vector<std::pair<std::string, DirEntryKind>> expected = {
        {"dir", DirEntryKind::Directory},  {"fifo", DirEntryKind::Other},
        {"file", DirEntryKind::File},      {"link-dangling", DirEntryKind::Other},
        {"link-dir", DirEntryKind::Other}, {"link-file", DirEntryKind::File},
    };
    for (const auto& [name, kind] : expected) {
        EXPECT_EQ(fs_.KindOf(Path(name)), kind) << name;
    }
    EXPECT_EQ(fs_.KindOf(Path("missing")), DirEntryKind::Other);

    auto listing = fs_.ListDirectory(dir_.string() + "/");
    ASSERT_TRUE(listing.has_value());
    std::vector<std::pair<std::string, DirEntryKind>> got;
    for (const auto& e : *listing) {
        got.emplace_back(e.name, e.kind);
    }
    EXPECT_EQ(got, expected);
    EXPECT_FALSE(fs_.ListDirectory(Path("missing")).has_value());

    EXPECT_TRUE(fs_.Exists(Path("link-dangling")));
    EXPECT_TRUE(fs_.Remove(Path("file")));
    EXPECT_FALSE(fs_.Exists(Path("file")));
    EXPECT_FALSE(fs_.Remove(Path("file")));
}

// Below the chosen folder nothing is reached through a link; the chosen folder itself may be one.
TEST_F(PosixFileLayer, FoldersAndFilesBelowARootNeverFollowALink) {
    const std::string root = Path("root");
    ASSERT_TRUE(fs_.MakeDirectory(root));
    ASSERT_TRUE(fs_.MakeDirectory(Path("elsewhere")));
    fsys::create_directory_symlink(Path("elsewhere"), Path("root/link"));
    fsys::create_symlink(Path("nowhere"), Path("root/dangling"));
    WriteFile("root/file", "f");
    fsys::create_directory_symlink(root, Path("via"));
    struct Case {
        std::string relative;
        bool folder; // MakeDirectoryBelow, else CreateNewBelow
        OpenResult expected;
    };
    const std::vector<Case> cases{
        {"a/b/c", true, OpenResult::Ok},
        {"a/b", true, OpenResult::Ok}, // already there
        {"a/b/new.txt", false, OpenResult::Ok},
        {"a/b/new.txt", false, OpenResult::Exists},
        {"a/b/c", false, OpenResult::Exists}, // a folder of that name
        {"dangling", false, OpenResult::Exists},
        {"link", true, OpenResult::InTheWay},
        {"link/x", true, OpenResult::InTheWay},
        {"link/x.txt", false, OpenResult::InTheWay},
        {"file/x", true, OpenResult::InTheWay},
        {"file/x.txt", false, OpenResult::InTheWay},
        {"missing/x.txt", false, OpenResult::NotFound},
    };
    for (const Case& c : cases) {
        OpenResult r = OpenResult::Failed;
        const bool ok = c.folder ? fs_.MakeDirectoryBelow(root, c.relative, &r)
                                 : fs_.CreateNewBelow(root, c.relative, &r) != nullptr;
        EXPECT_EQ(ok, c.expected == OpenResult::Ok) << c.relative;
        EXPECT_EQ(r, c.expected) << c.relative;
    }
    EXPECT_TRUE(fsys::is_empty(Path("elsewhere")));
    OpenResult r = OpenResult::Failed;
    EXPECT_NE(fs_.CreateNewBelow(Path("via"), "a/via.txt", &r), nullptr);
    EXPECT_TRUE(fsys::exists(Path("root/a/via.txt")));
}

TEST_F(PosixFileLayer, StatGivesLengthAndPlausibleTimes) {
    const auto before = std::chrono::system_clock::now() - std::chrono::seconds(5);
    WriteFile("a", std::string(1234, 'z'));
    const auto after = std::chrono::system_clock::now() + std::chrono::seconds(5);
    auto fileTime = [](auto t) {
        return UnixNsToFileTime(
            std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count());
    };
    auto times = fs_.Stat(Path("a"));
    ASSERT_TRUE(times.has_value());
    EXPECT_EQ(times->length, 1234u);
    for (uint64_t t : {times->created, times->modified}) {
        EXPECT_GE(t, fileTime(before));
        EXPECT_LE(t, fileTime(after));
    }
    EXPECT_LE(times->created, times->modified);
    EXPECT_FALSE(fs_.Stat(Path("missing")).has_value());
}

class TmpDirGuard {
public:
    explicit TmpDirGuard(const std::string& value) {
        if (const char* old = std::getenv("TMPDIR")) {
            old_ = old;
        }
        ::setenv("TMPDIR", value.c_str(), 1);
    }
    ~TmpDirGuard() {
        if (old_) {
            ::setenv("TMPDIR", old_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }
    TmpDirGuard(const TmpDirGuard&) = delete;
    TmpDirGuard& operator=(const TmpDirGuard&) = delete;

private:
    std::optional<std::string> old_;
};

TEST_F(PosixFileLayer, StartupDiskCheck) {
    bool missing = true;
    {
        TmpDirGuard tmp(dir_.string());
        EXPECT_TRUE(fs_.StartupDiskHasRoom(&missing));
        EXPECT_FALSE(missing);
        EXPECT_TRUE(fsys::is_empty(dir_)) << "the probe file is removed";
    }
    {
        TmpDirGuard tmp(Path("no-such-folder"));
        EXPECT_FALSE(fs_.StartupDiskHasRoom(&missing));
        EXPECT_TRUE(missing);
    }
    SetStartupDiskOverride([](bool* tempFolderMissing) {
        *tempFolderMissing = false;
        return false;
    });
    EXPECT_FALSE(fs_.StartupDiskHasRoom(&missing));
    SetStartupDiskOverride(nullptr);
    EXPECT_TRUE(fs_.StartupDiskHasRoom(&missing));
}

TEST(FileTime, Conversions) {
    struct Case {
        int64_t unixNs;
        uint64_t fileTime;
    };
    const std::vector<Case> exact = {
        {0, 116'444'736'000'000'000},                       // 1970-01-01
        {946'684'800'000'000'000, 125'911'584'000'000'000}, // 2000-01-01
        {-100, 116'444'735'999'999'999},
        {1'700'000'000'123'456'700, 133'444'736'001'234'567},
    };
    for (const auto& c : exact) {
        EXPECT_EQ(UnixNsToFileTime(c.unixNs), c.fileTime) << c.unixNs;
        EXPECT_EQ(FileTimeToUnixNs(c.fileTime), c.unixNs) << c.fileTime;
    }
    // Nanoseconds finer than a tick fall to the tick that holds them, before 1970 too.
    EXPECT_EQ(UnixNsToFileTime(-1), 116'444'735'999'999'999u);
    EXPECT_EQ(UnixNsToFileTime(199), 116'444'736'000'000'001u);
    EXPECT_EQ(UnixNsToFileTime(std::numeric_limits<int64_t>::min()), 24'211'015'631'452'241u);

    // Dates read from an archive may be anything; those nanoseconds cannot hold saturate.
    EXPECT_EQ(FileTimeToUnixNs(0), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(FileTimeToUnixNs(std::numeric_limits<uint64_t>::max()), std::numeric_limits<int64_t>::max());

    // A file system's seconds and nanoseconds, far past 2262 and before 1601 included.
    struct Stamp {
        int64_t seconds;
        int64_t nanoseconds;
        uint64_t fileTime;
    };
    const std::vector<Stamp> stamps = {
        {0, 0, 116'444'736'000'000'000},
        {10'413'792'000, 123'456'789, 220'582'656'001'234'567}, // 2300-01-01, past what nanoseconds hold
        {-1, 999'999'999, 116'444'735'999'999'999},
        {-11'644'473'600, 0, 0}, // 1601-01-01
        {-11'644'473'601, 0, 0}, // before it: clamped
        {std::numeric_limits<int64_t>::max(), 999'999'999, std::numeric_limits<uint64_t>::max()},
        {std::numeric_limits<int64_t>::min(), 0, 0},
    };
    for (const Stamp& s : stamps) {
        EXPECT_EQ(UnixTimeToFileTime(s.seconds, s.nanoseconds), s.fileTime) << s.seconds;
    }
    EXPECT_EQ(FileTimeToUnixSeconds(220'582'656'001'234'567), 10'413'792'000);
    EXPECT_EQ(FileTimeToUnixSeconds(116'444'735'999'999'999), -1);
    EXPECT_EQ(FileTimeToUnixSeconds(0), -11'644'473'600);

    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    EXPECT_NEAR(static_cast<double>(FileTimeToUnixNs(NowFileTime())), static_cast<double>(now), 2e9);
}

TEST(FillRandom, FillsEveryByteAfresh) {
    std::vector<uint8_t> a(4096, 0);
    std::vector<uint8_t> b(4096, 0);
    FillRandom(a.data(), a.size());
    FillRandom(b.data(), b.size());
    EXPECT_NE(a, b);
    // About 16 zeros are expected; a fill that leaves a stretch untouched leaves many more.
    size_t zeros = 0;
    for (uint8_t byte : a) {
        zeros += byte == 0 ? 1 : 0;
    }
    EXPECT_LT(zeros, 64u);
    EXPECT_NE(std::vector<uint8_t>(a.end() - 32, a.end()), std::vector<uint8_t>(32, 0));
}

} // namespace
} // namespace quorvane
