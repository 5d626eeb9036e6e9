// kvq end to end: the built binary run on archives in a temp folder.
#include "ArchiveFixtures.h"
#include "CCodeArchive.h"
#include "KvqRunner.h"
#include "RollbackJournal.h"
#include "ScriptedHost.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>

namespace quorvane::clitest {
namespace {

namespace fs = std::filesystem;

const std::string kPassword = "pass1234";

class KvqTest : public ::testing::Test {
protected:
    KvqTest() { kvq.env["KVQ_PASSWORD"] = kPassword; }

    std::string Path(const std::string& name) const { return dir / name; }

    // Creates an archive (default settings unless given) and fails the test when kvq does.
    std::string Create(const std::string& name, std::vector<std::string> options = {}) {
        std::string path = Path(name);
        std::vector<std::string> args{"create", path};
        args.insert(args.end(), options.begin(), options.end());
        const RunResult run = kvq(args);
        EXPECT_EQ(run.status, 0) << run.err;
        return path;
    }

    // Reads the archive through the engine, for what kvq does not print.
    void WithEngine(const std::string& path, const std::function<void(CCodeArchive&)>& look,
                    const std::string& password = kPassword) {
        ScriptedHost host;
        Status status = kOk;
        auto archive = testing::OpenArchive(PosixFileSystem(), host, path, password, &status);
        ASSERT_EQ(status, kOk);
        look(*archive);
        archive->Close(false);
    }

    TempDir dir;
    Kvq kvq;
};

std::map<std::string, std::string> InfoOf(const RunResult& run) {
    std::map<std::string, std::string> info;
    for (const std::string& line : Lines(run.out)) {
        const size_t colon = line.find(": ");
        if (colon != std::string::npos) {
            info[line.substr(0, colon)] = line.substr(colon + 2);
        }
    }
    return info;
}

// ---------------------------------------------------------------- command line

TEST_F(KvqTest, UsageErrorsExitTwoWithUsageOnStderrAndHelpExitsZero) {
    const std::string archive = Create("a.kvq");
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const std::vector<Case> cases{
        {{}, 2},
        {{"frobnicate", archive}, 2},
        {{"ls", archive, "--bogus"}, 2},
        {{"ls", archive, "-p"}, 2}, // an option of another verb
        {{"extract", archive}, 2},  // -C is required
        {{"mv", archive, "x"}, 2},  // --to is required
        {{"create", Path("b.kvq"), "--method", "rot13"}, 2},
        {{"create", Path("b.kvq"), "--thumbnails", "100"}, 2},
        {{"info"}, 2}, // no archive
        {{"info", archive, "extra"}, 2},
        {{"ls", archive, "--password-file"}, 2}, // option without its value
        {{"help"}, 0},
        {{"--help"}, 0},
    };
    for (const Case& c : cases) {
        const RunResult run = kvq(c.args);
        std::string shown;
        for (const std::string& a : c.args) {
            shown += a + " ";
        }
        EXPECT_EQ(run.status, c.status) << shown << run.err;
        const std::string& usageStream = c.status == 0 ? run.out : run.err;
        EXPECT_NE(usageStream.find("usage: kvq VERB ARCHIVE"), std::string::npos) << shown;
    }
    EXPECT_FALSE(fs::exists(Path("b.kvq")));
}

TEST_F(KvqTest, OptionsMayFollowOperandsAndDoubleDashEndsThem) {
    const std::string archive = Create("a.kvq");
    ASSERT_EQ(kvq({"mkdir", archive, "-p", "--", "-dash/inner"}).status, 0);
    const RunResult run = kvq({"ls", "-R", archive, "--", "-dash"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "inner/\n");
}

TEST_F(KvqTest, PasswordFileGivesItsFirstLineWithoutTheLineEnd) {
    WriteFile(Path("pw"), "correct horse\r\nsecond line\n");
    kvq.env.erase("KVQ_PASSWORD");
    const std::string archive = Create("a.kvq", {"--password-file", Path("pw")});
    kvq.env["KVQ_PASSWORD"] = "correct horse";
    EXPECT_EQ(kvq({"info", archive}).status, 0);
    kvq.env["KVQ_PASSWORD"] = "correct horse\r";
    EXPECT_EQ(kvq({"info", archive}).status, 3);
}

// ---------------------------------------------------------------- create, info, check

TEST_F(KvqTest, CreateInfoAndCheckForEveryMethodAndThumbnailSetting) {
    struct Case {
        std::vector<std::string> options;
        uint32_t methodCode;
        std::string method;
        std::string thumbnails;
        uint8_t format;
    };
    const std::vector<Case> cases{
        {{}, 0x0CAB0001, "twofish", "96 colour smooth", 8},
        {{"--method", "blowfish", "--thumbnails", "32", "--grey"},
         0x0CAB0002,
         "blowfish",
         "32 grey smooth",
         1},
        {{"--method", "basic", "--thumbnails", "48", "--quality", "standard"},
         0x0CAB0003,
         "basic",
         "48 colour standard",
         4},
        {{"--method", "none", "--thumbnails", "64", "--grey", "--quality", "standard"},
         0x0CAB0000,
         "none",
         "64 grey standard",
         5},
        {{"--method", "twofish", "--thumbnails", "none"}, 0x0CAB0001, "twofish", "none", 0},
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method + " / " + c.thumbnails);
        const std::string archive = Create("m" + std::to_string(i++) + ".kvq", c.options);
        const std::string bytes = ReadFile(archive);
        ASSERT_EQ(bytes.size(), 896u);
        uint32_t method = 0;
        std::memcpy(&method, bytes.data() + 4, 4);
        EXPECT_EQ(method, c.methodCode);

        const RunResult info = kvq({"info", archive});
        ASSERT_EQ(info.status, 0) << info.err;
        const auto fields = InfoOf(info);
        EXPECT_EQ(fields.at("method"), c.method);
        EXPECT_EQ(fields.at("thumbnails"), c.thumbnails);
        EXPECT_EQ(fields.at("entries"), "1");
        EXPECT_EQ(fields.at("folders"), "1");
        EXPECT_EQ(fields.at("files"), "0");
        EXPECT_EQ(fields.at("data-size"), "0");
        EXPECT_EQ(fields.at("catalogue-size"), "512");
        EXPECT_EQ(fields.at("file-length"), "896");
        EXPECT_EQ(fields.at("defragment-pending"), "no");
        WithEngine(archive, [&](CCodeArchive& a) { EXPECT_EQ(a.thumbnailFormat(), c.format); });

        const RunResult check = kvq({"check", archive});
        EXPECT_EQ(check.status, 0) << check.out;
        EXPECT_EQ(check.out.find("error:"), std::string::npos) << check.out;
    }
}

TEST_F(KvqTest, CreateRefusesAnExistingFileUnlessForcedAndChecksThePasswordLength) {
    WriteFile(Path("keep.kvq"), "precious");
    const RunResult refused = kvq({"create", Path("keep.kvq")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(ReadFile(Path("keep.kvq")), "precious");
    EXPECT_EQ(kvq({"create", Path("keep.kvq"), "--force"}).status, 0);
    EXPECT_EQ(ReadFile(Path("keep.kvq")).size(), 896u);

    kvq.env["KVQ_PASSWORD"] = "abc";
    const RunResult tooShort = kvq({"create", Path("short.kvq")});
    EXPECT_EQ(tooShort.status, 1);
    EXPECT_NE(tooShort.err.find("The password must be at least 4 characters long."), std::string::npos);
    kvq.env["KVQ_PASSWORD"] = std::string(65, 'x');
    EXPECT_EQ(kvq({"create", Path("long.kvq")}).status, 1);
    kvq.env["KVQ_PASSWORD"] = std::string(64, 'x');
    EXPECT_EQ(kvq({"create", Path("max.kvq")}).status, 0);
    EXPECT_EQ(kvq({"info", Path("max.kvq")}).status, 0);
    // Without encryption no password is needed at all.
    kvq.env.erase("KVQ_PASSWORD");
    EXPECT_EQ(kvq({"create", Path("open.kvq"), "--method", "none"}).status, 0);
    EXPECT_EQ(kvq({"info", Path("open.kvq")}).status, 0);
}

TEST_F(KvqTest, CheckReportsStaleCountsAsWarningsAndARefusedArchiveAsError) {
    const std::string archive = Create("a.kvq");
    // Entry 1 (the recycle bin) starts at 384 in an empty archive; itemCount is at offset 52.
    std::string bytes = ReadFile(archive);
    bytes[384 + 52] = 5;
    WriteFile(archive, bytes);
    const RunResult stale = kvq({"check", archive});
    EXPECT_EQ(stale.status, 0) << stale.out;
    EXPECT_NE(stale.out.find("warning: entry #1: stale folder counts"), std::string::npos) << stale.out;

    bytes[384 + 32] = 7; // container flag of entry 1
    WriteFile(archive, bytes);
    const RunResult refused = kvq({"check", archive});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "error: The Archive may be corrupt...\n");
}

// ---------------------------------------------------------------- exit statuses

TEST_F(KvqTest, ExitStatusesForPasswordLockVersionAndMissingItems) {
    const std::string archive = Create("a.kvq");
    ASSERT_EQ(kvq({"mkdir", archive, "Twin"}).status, 0);
    ASSERT_EQ(kvq({"mkdir", archive, "Other"}).status, 0);
    ASSERT_EQ(kvq({"rename", archive, "Other", "Twin"}).status, 0);

    const RunResult missing = kvq({"ls", archive, "Nowhere"});
    EXPECT_EQ(missing.status, 4);
    const RunResult ambiguous = kvq({"ls", archive, "Twin"});
    EXPECT_EQ(ambiguous.status, 4);
    EXPECT_NE(ambiguous.err.find("#2 #3"), std::string::npos) << ambiguous.err;
    EXPECT_EQ(kvq({"ls", archive, "#3"}).status, 0);
    EXPECT_EQ(kvq({"ls", archive, "#9"}).status, 4);

    {
        Kvq wrong = kvq;
        wrong.env["KVQ_PASSWORD"] = "wrong password";
        const RunResult run = wrong({"ls", archive});
        EXPECT_EQ(run.status, 3);
        EXPECT_NE(run.err.find("The password you entered is incorrect."), std::string::npos);
    }
    WriteFile(Path("not.kvq"), std::string(2000, 'z'));
    EXPECT_EQ(kvq({"ls", Path("not.kvq")}).status, 3);
    {
        Kvq noPassword = kvq;
        noPassword.env.erase("KVQ_PASSWORD");
        const RunResult run = noPassword({"ls", archive}); // no terminal: the runner starts a new session
        EXPECT_EQ(run.status, 2);
    }
    {
        const int fd = open(archive.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
        const RunResult locked = kvq({"ls", archive});
        EXPECT_EQ(locked.status, 5);
        EXPECT_EQ(kvq({"salvage", archive, "-C", Path("out")}).status, 5);
        close(fd);
    }
    for (const int offset : {8, 12}) { // format version, format revision
        std::string bytes = ReadFile(archive);
        const std::string saved = bytes.substr(static_cast<size_t>(offset), 4);
        bytes[static_cast<size_t>(offset)] = 2;
        WriteFile(archive, bytes);
        const RunResult newer = kvq({"info", archive});
        EXPECT_EQ(newer.status, 6) << offset;
        EXPECT_NE(newer.err.find("newer version"), std::string::npos);
        bytes.replace(static_cast<size_t>(offset), 4, saved);
        WriteFile(archive, bytes);
    }
    EXPECT_EQ(kvq({"info", archive}).status, 0);
}

// What is wrong with the path is said, with its own exit status; 5 stays for a real lock.
TEST_F(KvqTest, AMissingArchiveAFolderOrAMissingFolderSaysSo) {
    fs::create_directories(Path("folder.kvq"));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"ls", Path("missing.kvq")}, 4, "The archive could not be found: there is no such file."},
        {{"info", Path("nowhere/a.kvq")}, 4, "The archive could not be found: there is no such file."},
        {{"salvage", Path("missing.kvq"), "-C", Path("out")}, 4, "there is no such file."},
        {{"ls", Path("folder.kvq")}, 3, "This is a folder, not an archive."},
        {{"check", Path("folder.kvq")}, 3, "This is a folder, not an archive."},
        {{"create", Path("nowhere/a.kvq")}, 4, "The folder to create the archive in does not exist."},
        {{"create", Path("folder.kvq"), "--force"}, 3, "This is a folder, not an archive."},
    };
    for (const Case& c : cases) {
        const RunResult run = kvq(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[0] << " " << c.args[1] << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos)
            << c.args[0] << " " << c.args[1] << ": " << run.err;
        EXPECT_EQ(run.err.find("locked"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(Path("nowhere")));
    EXPECT_TRUE(fs::is_directory(Path("folder.kvq")));
}

// The journal beside an archive must fit the folder too, whatever the archive's own name.
TEST_F(KvqTest, AnArchiveWithTheLongestNameTakesFiles) {
    // 255 bytes, the most a name holds; no thumbnails, so that the gap is smaller than the catalogue
    // and the catalogue moves through the journal.
    const std::string archive = Create(std::string(251, 'n') + ".kvq", {"--thumbnails", "none"});
    WriteFile(Path("small.txt"), "small");
    const RunResult add = kvq({"add", archive, Path("small.txt")});
    ASSERT_EQ(add.status, 0) << add.err;
    EXPECT_EQ(kvq({"cat", archive, "small.txt"}).out, "small");
    EXPECT_EQ(kvq({"check", archive}).status, 0);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        names.push_back(e.path().filename().string());
    }
    EXPECT_EQ(names.size(), 2u) << "no journal left behind";
}

// Makes a file or folder readable but not writable for kvq: immutable where the test may set that
// flag (as root, whom permissions do not stop), else without write permission. Undone on
// destruction.
class Unwritable {
public:
    explicit Unwritable(std::string path)
        : path_(std::move(path)) {
        const int fd = open(path_.c_str(), O_RDONLY);
        int flags = 0;
        if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable_ = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0) {
            close(fd);
        }
        folder_ = fs::is_directory(path_);
        if (!immutable_) {
            fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read |
                                       (folder_ ? fs::perms::owner_exec : fs::perms::none));
        }
        const std::string probePath = folder_ ? path_ + "/probe" : path_;
        const int probe = open(probePath.c_str(), folder_ ? O_WRONLY | O_CREAT | O_EXCL : O_RDWR, 0600);
        works_ = probe < 0;
        if (probe >= 0) {
            close(probe);
            if (folder_) {
                unlink(probePath.c_str());
            }
        }
    }
    ~Unwritable() {
        if (immutable_) {
            const int fd = open(path_.c_str(), O_RDONLY);
            int flags = 0;
            if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0) {
                close(fd);
            }
        }
        fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write |
                                   (folder_ ? fs::perms::owner_exec : fs::perms::none));
    }
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;
    bool works() const { return works_; }

private:
    std::string path_;
    bool immutable_ = false;
    bool folder_ = false;
    bool works_ = false;
};

// An archive that may be read but not written: every reading verb works, every change is refused
// with exit 7, and not a byte of the file changes.
TEST_F(KvqTest, AnArchiveThatCannotBeWrittenCanStillBeReadButNotChanged) {
    const std::string archive = Create("a.kvq");
    const std::string other = Create("b.kvq");
    fs::create_directories(Path("src/Album"));
    WriteFile(Path("src/Album/one.txt"), "one");
    WriteJpeg(Path("src/Album/pic.jpg"), 30, 20);
    ASSERT_EQ(kvq({"add", archive, Path("src/Album")}).status, 0);
    WriteFile(Path(RollbackJournal::PathFor("a.kvq")), "an interrupted change's journal");
    const std::string bytes = ReadFile(archive);
    Unwritable unwritable(archive);
    if (!unwritable.works()) {
        GTEST_SKIP() << "this file system lets the test's user write any file";
    }

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"ls", archive, "-R"},
             {"info", archive},
             {"cat", archive, "Album/one.txt"},
             {"check", archive},
             {"extract", archive, "-C", Path("out")},
             {"cp", archive, "Album", "--into", other, "--to", "/"},
         }) {
        const RunResult run = kvq(args);
        EXPECT_EQ(run.status, 0) << args[0] << ": " << run.err;
        if (args[0] != "check") {
            EXPECT_NE(run.err.find("opened read-only, and a rollback journal"), std::string::npos)
                << args[0] << ": " << run.err;
        }
    }
    EXPECT_EQ(ReadFile(Path("out/Album/one.txt")), "one");
    EXPECT_EQ(kvq({"cat", other, "Album/one.txt"}).out, "one");

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"add", archive, Path("src/Album/one.txt")},
             {"mkdir", archive, "New"},
             {"rename", archive, "Album", "Other"},
             {"comment", archive, "Album", "text"},
             {"rm", archive, "Album"},
             {"mv", archive, "Album/one.txt", "--to", "/"},
             {"cp", archive, "Album/one.txt", "--to", "/"},
             {"cp", other, "Album", "--into", archive, "--to", "/"},
             {"empty-bin", archive},
         }) {
        const RunResult run = kvq(args);
        EXPECT_EQ(run.status, 7) << args[0] << ": " << run.err;
        EXPECT_NE(run.err.find("This archive is read-only"), std::string::npos) << args[0] << ": " << run.err;
    }
    EXPECT_EQ(ReadFile(archive), bytes);
    EXPECT_EQ(ReadFile(Path(RollbackJournal::PathFor("a.kvq"))), "an interrupted change's journal");
}

// ---------------------------------------------------------------- listing

TEST_F(KvqTest, LongListingShowsNumbersKindsSizesDimensionsAndUtcTimes) {
    const std::string archive = Create("a.kvq");
    fs::create_directories(Path("src/Holiday"));
    WriteJpeg(Path("src/Holiday/beach.jpg"), 120, 80);
    WriteFile(Path("src/Holiday/notes.txt"), "12345");
    WriteFile(Path(std::string("src/Holiday/odd\nname\t\x01.txt")), "x");
    SetModified(Path("src/Holiday/notes.txt"), 1623760496); // 2021-06-15 12:34:56 UTC, 08:34:56 in New York
    ASSERT_EQ(kvq({"add", archive, Path("src/Holiday")}).status, 0);

    const RunResult run = kvq({"ls", archive, "-lR"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    const std::regex format(R"(#\d+\t[d-]\t\d+\t(\d+x\d+|-)\t\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ\t.+)");
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::regex_match(line, format)) << line;
    }
    EXPECT_EQ(lines[0].substr(0, 5), "#1\td\t");
    EXPECT_EQ(lines[0].substr(lines[0].rfind('\t')), "\tRecycle Bin/");
    EXPECT_EQ(lines[1].substr(0, 5), "#2\td\t");
    EXPECT_EQ(lines[1].substr(lines[1].rfind('\t')), "\tHoliday/");
    std::map<std::string, std::string> byName;
    for (const std::string& line : lines) {
        byName[line.substr(line.rfind('\t') + 1)] = line;
    }
    ASSERT_EQ(byName.count("Holiday/beach.jpg"), 1u) << run.out;
    EXPECT_NE(byName["Holiday/beach.jpg"].find("\t-\t"), std::string::npos);
    EXPECT_NE(byName["Holiday/beach.jpg"].find("\t120x80\t"), std::string::npos);
    ASSERT_EQ(byName.count("Holiday/notes.txt"), 1u);
    EXPECT_NE(byName["Holiday/notes.txt"].find("\t5\t-\t2021-06-15T12:34:56Z\t"), std::string::npos)
        << byName["Holiday/notes.txt"];
    EXPECT_EQ(byName.count("Holiday/odd\\nname\\t\\x01.txt"), 1u) << run.out;

    // Without -R only the folder's own entries, by name, relative to it.
    const RunResult shortList = kvq({"ls", archive, "Holiday"});
    EXPECT_EQ(Lines(shortList.out).size(), 3u);
    EXPECT_NE(shortList.out.find("beach.jpg\n"), std::string::npos);
    EXPECT_EQ(shortList.out.find("Holiday/"), std::string::npos);
}

// Nanoseconds since 1970 end in 2262; a FILETIME goes on for thousands of years (the dates here are
// ones ext4 keeps: 1901 to 2446).
TEST_F(KvqTest, DatesPastTheYear2262AreStoredAndShownAsTheyAre) {
    const std::string archive = Create("a.kvq");
    struct Case {
        const char* name;
        int64_t unixSeconds;
        const char* shown;
    } cases[] = {
        {"late.txt", 10'413'792'000, "2300-01-01T00:00:00Z"},
        {"later.txt", 13'574'606'400, "2400-02-29T12:00:00Z"},
        {"early.txt", -315'619'200, "1960-01-01T00:00:00Z"},
    };
    for (const Case& c : cases) {
        WriteFile(Path(c.name), "x");
        SetModified(Path(c.name), c.unixSeconds);
        ASSERT_EQ(kvq({"add", archive, Path(c.name)}).status, 0) << c.name;
    }
    const RunResult run = kvq({"ls", archive, "-l"});
    ASSERT_EQ(run.status, 0) << run.err;
    WithEngine(archive, [&](CCodeArchive& a) {
        for (int i = 0; i < 3; ++i) {
            const Case& c = cases[i];
            EXPECT_EQ(a.GetName(EntryIndex(i + 1)), c.name);
            EXPECT_EQ(a.Entry(EntryIndex(i + 1))->modified,
                      static_cast<uint64_t>(c.unixSeconds * 10'000'000 + 116'444'736'000'000'000))
                << c.name;
            EXPECT_NE(run.out.find(std::string("\t") + c.shown + "\t" + c.name), std::string::npos)
                << c.name << "\n"
                << run.out;
        }
    });
}

TEST_F(KvqTest, AddOfAJpegMakesAThumbnailWithoutADisplay) {
    const std::string archive = Create("a.kvq", {"--thumbnails", "48"});
    WriteJpeg(Path("p.jpg"), 64, 40);
    Kvq headless = kvq;
    headless.env["QT_QPA_PLATFORM"] = "";
    headless.env["DISPLAY"] = "";
    headless.env["WAYLAND_DISPLAY"] = "";
    const RunResult run = headless({"add", archive, Path("p.jpg")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "added #2 " + Path("p.jpg") + "\n");
    WithEngine(archive, [](CCodeArchive& a) {
        const CatalogueEntry* e = a.Entry(EntryIndex(1));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->typeCode, kTypeJpeg);
        EXPECT_EQ(e->hasThumbnail, 1);
        EXPECT_EQ(e->thumbLength, 4608u);
        EXPECT_EQ(e->width, 64);
        EXPECT_EQ(e->height, 40);
    });
}

// ---------------------------------------------------------------- catalogue changes

TEST_F(KvqTest, RenameKeepsTheExtensionAndRefusesForbiddenCharactersAndTheRecycleBin) {
    const std::string archive = Create("a.kvq");
    WriteJpeg(Path("p.jpg"), 16, 16);
    ASSERT_EQ(kvq({"add", archive, Path("p.jpg")}).status, 0);
    const RunResult renamed = kvq({"rename", archive, "p.jpg", "Summer day.png"});
    ASSERT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_EQ(kvq({"ls", archive}).out, "Recycle Bin/\nSummer day.jpg\n");

    const std::string message = "kvq: A file or folder cannot contain any of the following characters. "
                                "\\ / : * ? \" < > |\n";
    for (const char c : std::string("\\/:*?\"<>|")) {
        const RunResult refused = kvq({"rename", archive, "#2", std::string("a") + c + "b"});
        EXPECT_EQ(refused.status, 1) << c;
        EXPECT_EQ(refused.err, message) << c;
    }
    const RunResult bin = kvq({"rename", archive, "Recycle Bin", "Trash"});
    EXPECT_EQ(bin.status, 1);
    EXPECT_NE(bin.err.find("Recycle Bin"), std::string::npos);
    EXPECT_EQ(kvq({"rename", archive, "#1", "Trash"}).status, 1);
    EXPECT_EQ(kvq({"ls", archive}).out, "Recycle Bin/\nSummer day.jpg\n");

    ASSERT_EQ(kvq({"comment", archive, "#2", "by the sea"}).status, 0);
    WithEngine(archive, [](CCodeArchive& a) { EXPECT_EQ(a.GetComment(EntryIndex(1)), "by the sea"); });
    EXPECT_EQ(kvq({"check", archive}).status, 0);
}

TEST_F(KvqTest, MkdirMakesMissingParentsOnlyWithP) {
    const std::string archive = Create("a.kvq");
    EXPECT_EQ(kvq({"mkdir", archive, "A/B/C"}).status, 4);
    EXPECT_EQ(kvq({"ls", archive}).out, "Recycle Bin/\n");
    ASSERT_EQ(kvq({"mkdir", archive, "A/B/C", "-p"}).status, 0);
    EXPECT_EQ(kvq({"ls", archive, "-R"}).out, "Recycle Bin/\nA/\nA/B/\nA/B/C/\n");
    EXPECT_EQ(kvq({"mkdir", archive, "A/B"}).status, 1);       // exists
    EXPECT_EQ(kvq({"mkdir", archive, "A/B", "-p"}).status, 0); // exists, fine with -p
    ASSERT_EQ(kvq({"mkdir", archive, "#2/\\#tag"}).status, 0); // a number, then a literal '#'
    EXPECT_EQ(kvq({"ls", archive, "A"}).out, "B/\n#tag/\n");
    EXPECT_EQ(kvq({"mkdir", archive, "bad:name"}).status, 1);
    const RunResult check = kvq({"check", archive});
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(check.out, "");
}

// ---------------------------------------------------------------- data in and out

TEST_F(KvqTest, AddThenExtractGivesBackTheSameTreeByteForByte) {
    const std::string archive = Create("a.kvq", {"--method", "blowfish"});
    fs::create_directories(Path("src/tree/deep/er"));
    std::string big(5 * 1024 * 1024 + 123, '\0'); // two chunks
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    WriteFile(Path("src/tree/big.bin"), big);
    WriteFile(Path("src/tree/empty"), "");
    WriteFile(Path("src/tree/deep/same1"), "identical bytes");
    WriteFile(Path("src/tree/deep/er/same2"), "identical bytes");
    WriteJpeg(Path("src/tree/deep/pic.jpg"), 30, 20);
    const RunResult add = kvq({"add", archive, Path("src/tree")});
    ASSERT_EQ(add.status, 0) << add.err;
    EXPECT_EQ(Lines(add.out).size(), 8u) << add.out;
    EXPECT_EQ(Lines(add.out)[0], "added #2 " + Path("src/tree"));

    const RunResult extract = kvq({"extract", archive, "-C", Path("out")});
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(Lines(extract.out).size(), 5u) << extract.out;
    for (const char* file : {"big.bin", "empty", "deep/same1", "deep/er/same2", "deep/pic.jpg"}) {
        ASSERT_TRUE(fs::exists(Path("out/tree/") + file)) << file;
        EXPECT_EQ(ReadFile(Path("out/tree/") + file), ReadFile(Path("src/tree/") + file)) << file;
    }
    EXPECT_EQ(kvq({"cat", archive, "tree/big.bin"}).out, big);
    EXPECT_EQ(kvq({"cat", archive, "tree/empty"}).out, "");

    // A second extract of one file never overwrites: it says which name it chose.
    const RunResult again = kvq({"extract", archive, "tree/deep/same1", "-C", Path("out/tree/deep")});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, Path("out/tree/deep/Copy of same1") + "\n");
    EXPECT_EQ(ReadFile(Path("out/tree/deep/Copy of same1")), "identical bytes");
    EXPECT_EQ(kvq({"cat", archive, "tree/deep"}).status, 1);
    EXPECT_EQ(kvq({"add", archive, Path("src/nothing-here")}).status, 1);
}

// Links to folders are never followed (they could loop); kvq says what it left out, and an add that
// takes nothing at all is a failure.
TEST_F(KvqTest, AddSaysWhichLinksToFoldersItSkipped) {
    const std::string archive = Create("a.kvq");
    fs::create_directories(Path("real"));
    WriteFile(Path("real/f.txt"), "f");
    fs::create_directory_symlink(Path("real"), Path("link"));
    fs::create_directories(Path("tree"));
    WriteFile(Path("tree/g.txt"), "g");
    fs::create_directory_symlink(Path("real"), Path("tree/inner"));

    const RunResult alone = kvq({"add", archive, Path("link")});
    EXPECT_EQ(alone.status, 1);
    EXPECT_NE(alone.err.find(Path("link") + ": skipped"), std::string::npos) << alone.err;
    EXPECT_EQ(alone.out, "");
    EXPECT_EQ(kvq({"ls", archive}).out, "Recycle Bin/\n");

    const RunResult tree = kvq({"add", archive, Path("tree"), Path("link")});
    EXPECT_EQ(tree.status, 0) << tree.err;
    EXPECT_NE(tree.err.find(Path("tree/inner") + ": skipped"), std::string::npos) << tree.err;
    EXPECT_NE(tree.err.find(Path("link") + ": skipped"), std::string::npos) << tree.err;
    EXPECT_EQ(kvq({"ls", archive, "-R"}).out, "Recycle Bin/\ntree/\ntree/g.txt\n");
}

// add --move: sources found identical in the archive are removed, a link is kept and said so, and
// without --move nothing is removed; an add that fails keeps everything.
TEST_F(KvqTest, AddMoveRemovesOnlyTheOriginalsReadBackIdentical) {
    const std::string archive = Create("a.kvq");
    fs::create_directories(Path("album/inner"));
    WriteFile(Path("album/one.txt"), "first");
    WriteFile(Path("album/inner/two.txt"), "second");
    WriteFile(Path("target.txt"), "target");
    fs::create_symlink(Path("target.txt"), Path("album/link.txt"));
    WriteFile(Path("kept.txt"), "kept");

    ASSERT_EQ(kvq({"add", archive, Path("kept.txt")}).status, 0);
    EXPECT_TRUE(fs::exists(Path("kept.txt")));

    const RunResult move = kvq({"add", archive, Path("album"), "--move"});
    EXPECT_EQ(move.status, 1) << move.err; // one original could not go
    EXPECT_NE(move.out.find("removed " + Path("album/one.txt")), std::string::npos) << move.out;
    EXPECT_NE(move.out.find("removed " + Path("album/inner/two.txt")), std::string::npos) << move.out;
    EXPECT_NE(move.out.find("removed " + Path("album/inner") + "\n"), std::string::npos) << move.out;
    EXPECT_NE(move.err.find(Path("album/link.txt") + ": original kept"), std::string::npos) << move.err;
    EXPECT_FALSE(fs::exists(Path("album/one.txt")));
    EXPECT_FALSE(fs::exists(Path("album/inner")));
    EXPECT_TRUE(fs::is_symlink(Path("album/link.txt")));
    EXPECT_TRUE(fs::is_directory(Path("album")));
    EXPECT_EQ(kvq({"cat", archive, "album/one.txt"}).out, "first");
    EXPECT_EQ(kvq({"cat", archive, "album/inner/two.txt"}).out, "second");

    // A refused add (the wrong password) removes nothing.
    WriteFile(Path("third.txt"), "third");
    Kvq wrong = kvq;
    wrong.env["KVQ_PASSWORD"] = "not the password";
    EXPECT_NE(wrong({"add", archive, Path("third.txt"), "--move"}).status, 0);
    EXPECT_TRUE(fs::exists(Path("third.txt")));
    EXPECT_EQ(kvq({"rm", archive, "third.txt", "--move"}).status, 2); // only add takes --move
}

TEST_F(KvqTest, ExtractRecreatesEveryFolderOfTheSelectionEmptyOrNot) {
    const std::string archive = Create("a.kvq");
    ASSERT_EQ(kvq({"mkdir", archive, "-p", "A/B/C"}).status, 0);
    ASSERT_EQ(kvq({"mkdir", archive, "Empty"}).status, 0);
    ASSERT_EQ(kvq({"mkdir", archive, "Gone"}).status, 0);
    ASSERT_EQ(kvq({"rm", archive, "Gone"}).status, 0);
    WriteFile(Path("f.txt"), "f");
    ASSERT_EQ(kvq({"add", archive, Path("f.txt"), "--to", "A"}).status, 0);

    const RunResult all = kvq({"extract", archive, "-C", Path("all")});
    ASSERT_EQ(all.status, 0) << all.err;
    for (const char* folder : {"A", "A/B", "A/B/C", "Empty"}) {
        EXPECT_TRUE(fs::is_directory(Path("all/") + folder)) << folder;
    }
    EXPECT_EQ(ReadFile(Path("all/A/f.txt")), "f");
    EXPECT_FALSE(fs::exists(Path("all/Gone"))) << "the recycle bin stays out of a whole extract";

    const RunResult one = kvq({"extract", archive, "A/B", "-C", Path("one")});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_TRUE(fs::is_directory(Path("one/B/C")));
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("one")), fs::directory_iterator()), 1);
}

// A stored name may be longer in UTF-8 than a file name can be (255 bytes): one byte per "€" in the
// archive, three on the disk. Extract shortens it on a character boundary and keeps the extension.
TEST_F(KvqTest, ExtractShortensNamesTooLongForTheDiskAndKeepsTheirExtension) {
    const std::string archive = Create("a.kvq");
    std::string euros;
    for (int i = 0; i < 100; ++i) {
        euros += "€";
    }
    std::string accented;
    for (int i = 0; i < 118; ++i) {
        accented += "é";
    }
    WriteFile(Path("a.txt"), "euros");
    WriteFile(Path("b.txt"), "accents");
    ASSERT_EQ(kvq({"mkdir", archive, "F"}).status, 0);
    ASSERT_EQ(kvq({"add", archive, Path("a.txt"), Path("b.txt"), "--to", "F"}).status, 0);
    ASSERT_EQ(kvq({"rename", archive, "F/a.txt", euros + ".txt"}).status, 0);
    ASSERT_EQ(kvq({"rename", archive, "F/b.txt", accented + ".txt"}).status, 0); // 240 bytes, 248 as a copy
    ASSERT_EQ(kvq({"rename", archive, "F", euros}).status, 0);
    for (int round = 0; round < 2; ++round) { // the second needs "Copy of" names
        const RunResult run = kvq({"extract", archive, "-C", Path("out")});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(Lines(run.out).size(), 2u) << run.out;
    }
    std::vector<fs::path> folders(fs::directory_iterator(Path("out")), fs::directory_iterator());
    ASSERT_EQ(folders.size(), 1u);
    const std::string folder = folders[0].filename().string();
    EXPECT_LE(folder.size(), 255u);
    EXPECT_EQ(folder, euros.substr(0, 255)) << "85 whole characters";
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folders[0])) {
        files[e.path().filename().string()] = ReadFile(e.path().string());
    }
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[euros.substr(0, 249) + ".txt"], "euros");
    EXPECT_EQ(files["Copy of " + euros.substr(0, 243) + ".txt"], "euros");
    EXPECT_EQ(files[accented + ".txt"], "accents");
    EXPECT_EQ(files["Copy of " + accented + ".txt"], "accents");
}

// A symbolic link already in the destination is never followed out of it.
TEST_F(KvqTest, ExtractNeverFollowsALinkInsideTheDestination) {
    const std::string archive = Create("a.kvq");
    WriteFile(Path("x.txt"), "inside");
    ASSERT_EQ(kvq({"add", archive, Path("x.txt")}).status, 0);
    ASSERT_EQ(kvq({"mkdir", archive, "A/B", "-p"}).status, 0);
    // The file's number is below its folders': it is exported before they are made.
    ASSERT_EQ(kvq({"mv", archive, "x.txt", "--to", "A/B"}).status, 0);
    fs::create_directories(Path("elsewhere"));
    fs::create_directories(Path("out/A"));
    fs::create_directory_symlink(Path("elsewhere"), Path("out/A/B"));

    const RunResult run = kvq({"extract", archive, "-C", Path("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("a file or a link of that name is in the way: " + Path("out/A/B")),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(fs::is_empty(Path("elsewhere"))) << "nothing was written outside the destination";
    EXPECT_TRUE(fs::is_symlink(Path("out/A/B")));
    // The chosen folder itself may be a link: that is where the user asked for the files.
    fs::create_directory_symlink(Path("elsewhere"), Path("chosen"));
    ASSERT_EQ(kvq({"extract", archive, "A/B/x.txt", "-C", Path("chosen")}).status, 0);
    EXPECT_EQ(ReadFile(Path("elsewhere/x.txt")), "inside");
}

// Failures say what is wrong, not that a disk is full.
TEST_F(KvqTest, AnUnwritableFolderOrAMissingTempFolderIsNamedForWhatItIs) {
    const std::string archive = Create("a.kvq");
    WriteFile(Path("x.txt"), "x");
    ASSERT_EQ(kvq({"add", archive, Path("x.txt")}).status, 0);
    {
        fs::create_directories(Path("locked"));
        Unwritable unwritable(Path("locked"));
        if (!unwritable.works()) {
            GTEST_SKIP() << "this file system lets the test's user write any folder";
        }
        const RunResult extract = kvq({"extract", archive, "-C", Path("locked")});
        EXPECT_EQ(extract.status, 1);
        EXPECT_NE(
            extract.err.find("This folder cannot be written to: it is read-only, or you may not write to "
                             "it. (" +
                             Path("locked") + ")"),
            std::string::npos)
            << extract.err;
        const RunResult create = kvq({"create", Path("locked/new.kvq")});
        EXPECT_EQ(create.status, 1);
        EXPECT_NE(create.err.find("This folder cannot be written to"), std::string::npos) << create.err;
        for (const RunResult& run : {extract, create}) {
            EXPECT_EQ(run.err.find("insufficient disk space"), std::string::npos) << run.err;
            EXPECT_EQ(run.err.find("locked, in use"), std::string::npos) << run.err;
        }
    }
    Kvq noTemp = kvq;
    noTemp.env["TMPDIR"] = Path("no-such-folder");
    for (const RunResult& run :
         {noTemp({"create", Path("b.kvq")}), noTemp({"add", archive, Path("x.txt")})}) {
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(
            run.err.find("The folder for temporary files (TMPDIR) does not exist or cannot be written to"),
            std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("startup disk"), std::string::npos) << run.err;
    }
    EXPECT_EQ(kvq({"ls", archive}).out, "Recycle Bin/\nx.txt\n");
}

TEST_F(KvqTest, DeleteRestoreMoveAndEmptyTheBin) {
    const std::string archive = Create("a.kvq", {"--method", "basic"});
    fs::create_directories(Path("src/A/B"));
    WriteFile(Path("src/A/B/x.txt"), std::string(1000, 'x'));
    WriteFile(Path("src/A/y.txt"), "y");
    WriteFile(Path("src/z.txt"), "z");
    ASSERT_EQ(kvq({"add", archive, Path("src/A"), Path("src/z.txt")}).status, 0);
    // #2 A, #3 A/B, #4 A/B/x.txt, #5 A/y.txt, #6 z.txt

    const RunResult intoItself = kvq({"mv", archive, "A", "--to", "A/B"});
    EXPECT_EQ(intoItself.status, 1);
    EXPECT_NE(intoItself.err.find("destination folder is a subfolder"), std::string::npos);
    ASSERT_EQ(kvq({"mv", archive, "z.txt", "--to", "A/B"}).status, 0);
    EXPECT_EQ(kvq({"ls", archive, "A/B"}).out, "x.txt\nz.txt\n");

    // An item with its own ancestor: the ancestor carries it.
    ASSERT_EQ(kvq({"rm", archive, "A/B/x.txt", "A"}).status, 0);
    EXPECT_EQ(kvq({"ls", archive}).out, "Recycle Bin/\n");
    EXPECT_EQ(kvq({"rm", archive, "Recycle Bin/A"}).status, 1);
    EXPECT_EQ(kvq({"rm", archive, "Recycle Bin"}).status, 1);
    EXPECT_EQ(kvq({"restore", archive, "#1"}).status, 1);
    ASSERT_EQ(kvq({"restore", archive, "Recycle Bin/A/y.txt"}).status, 0);
    EXPECT_EQ(kvq({"restore", archive, "y.txt"}).status, 1); // no longer in the bin
    EXPECT_EQ(kvq({"ls", archive}).out, "Recycle Bin/\ny.txt\n");

    const uint64_t before = fs::file_size(archive);
    const RunResult empty = kvq({"empty-bin", archive});
    ASSERT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(kvq({"ls", archive, "-R"}).out, "Recycle Bin/\ny.txt\n");
    // Four entries (A, B, x.txt, z.txt) and the blocks of x.txt and z.txt are gone.
    EXPECT_EQ(before - fs::file_size(archive), 4 * 512u + 1072 + 80);
    const auto info = InfoOf(kvq({"info", archive}));
    EXPECT_EQ(info.at("entries"), "2");
    EXPECT_EQ(info.at("defragment-pending"), "no");
    EXPECT_EQ(kvq({"cat", archive, "y.txt"}).out, "y");
    EXPECT_EQ(kvq({"check", archive}).status, 0);
}

TEST_F(KvqTest, CopyIntoAnotherArchiveWithItsOwnPassword) {
    const std::string source = Create("s.kvq");
    fs::create_directories(Path("src/Trip"));
    WriteFile(Path("src/Trip/a.txt"), "alpha");
    WriteJpeg(Path("src/Trip/b.jpg"), 20, 20);
    ASSERT_EQ(kvq({"add", source, Path("src/Trip")}).status, 0);
    Kvq other = kvq;
    other.env["KVQ_PASSWORD"] = "other-secret";
    ASSERT_EQ(other({"create", Path("t.kvq"), "--method", "blowfish", "--thumbnails", "32", "--grey"}).status,
              0);
    ASSERT_EQ(other({"mkdir", Path("t.kvq"), "In"}).status, 0);

    Kvq copy = kvq;
    copy.env["KVQ_INTO_PASSWORD"] = "other-secret";
    const RunResult run = copy({"cp", source, "Trip", "--to", "In", "--into", Path("t.kvq")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(other({"ls", Path("t.kvq"), "-R"}).out,
              "Recycle Bin/\nIn/\nIn/Trip/\nIn/Trip/a.txt\nIn/Trip/b.jpg\n");
    EXPECT_EQ(other({"cat", Path("t.kvq"), "In/Trip/a.txt"}).out, "alpha");
    EXPECT_EQ(other({"check", Path("t.kvq")}).status, 0);
    // The same password is tried when no other is given: here it is wrong.
    EXPECT_EQ(kvq({"cp", source, "Trip", "--to", "/", "--into", Path("t.kvq")}).status, 3);
    // Copy inside one archive.
    ASSERT_EQ(kvq({"cp", source, "Trip/a.txt", "--to", "/"}).status, 0);
    EXPECT_EQ(kvq({"cat", source, "a.txt"}).out, "alpha");
}

// ---------------------------------------------------------------- interruption

TEST_F(KvqTest, InterruptDuringAddCancelsCleanlyWithStatus130) {
    const std::string archive = Create("a.kvq");
    std::string big(96 * 1024 * 1024, '\0');
    for (size_t i = 0; i < big.size(); i += 4096) {
        big[i] = static_cast<char>(i >> 12);
    }
    WriteFile(Path("big.bin"), big);
    big.clear();
    const pid_t pid = kvq.Start({"add", archive, Path("big.bin")}, Path("out"), Path("err"));
    // Interrupt once the archive has been expanded for the file: the add is then under way.
    // A deadline, not a count of polls: on a loaded machine kvq may take seconds to get going.
    bool expanded = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!expanded && std::chrono::steady_clock::now() < deadline) {
        expanded = fs::file_size(archive) > 50u * 1024 * 1024;
        if (!expanded) {
            usleep(200);
        }
    }
    ASSERT_TRUE(expanded);
    kill(pid, SIGINT);
    EXPECT_EQ(Kvq::Wait(pid), 130) << ReadFile(Path("err"));
    EXPECT_EQ(kvq({"ls", archive}).out, "Recycle Bin/\n");
    EXPECT_EQ(fs::file_size(archive), 896u);
    EXPECT_EQ(kvq({"check", archive}).status, 0);
}

} // namespace
} // namespace quorvane::clitest

namespace quorvane::clitest {
namespace {

// A disk that fills up during an add: kvq says so, exits 1, and the archive keeps what it held.
TEST(KvqFullDisk, AddOnAFullDiskFailsWithTheDiskSpaceMessage) {
    TempDir dir;
    Kvq kvq;
    kvq.env["KVQ_PASSWORD"] = "full-disk";
    const std::string archive = dir / "a.kvq";
    ASSERT_EQ(kvq({"create", archive, "--thumbnails", "none"}).status, 0);
    WriteFile(dir / "kept.bin", std::string(5000, 'k'));
    ASSERT_EQ(kvq({"add", archive, dir / "kept.bin"}).status, 0);
    WriteFile(dir / "big.bin", std::string(3 * 1000 * 1000, 'b'));

    // The file-size limit is inherited by kvq: growing the archive past 1 MB fails as a full disk would.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 1000 * 1000;
    setrlimit(RLIMIT_FSIZE, &limited);
    const RunResult add = kvq({"add", archive, dir / "big.bin"});
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(add.status, 1);
    EXPECT_NE(add.err.find("There is insufficient disk space to add the selected files to this archive."),
              std::string::npos)
        << add.err;
    EXPECT_EQ(kvq({"check", archive}).status, 0);
    EXPECT_EQ(kvq({"cat", archive, "kept.bin"}).out, std::string(5000, 'k'));
    EXPECT_EQ(kvq({"cat", archive, "big.bin"}).status, 4);
}

} // namespace
} // namespace quorvane::clitest
