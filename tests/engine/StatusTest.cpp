// What operations return and show: 0, 9004 when the user cancelled or nothing was changed at the
// user's wish, else the code whose message was shown, once.
#include "ArchiveFixtures.h"
#include "CCodeArchive.h"
#include "ImageSamples.h"
#include "MemoryFileSystem.h"
#include "ScriptedHost.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const char* const kPath = "/a/status.kvq";
const char* const kOtherPath = "/a/other.kvq";

// The catalogue in memory and the protected header, byte for byte.
std::vector<uint8_t> MemoryImage(CCodeArchive& archive) {
    std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(&archive.header()),
                               reinterpret_cast<const uint8_t*>(&archive.header()) + sizeof(ProtectedHeader));
    for (int i = 0; i < archive.entryCount(); ++i) {
        const auto* e = reinterpret_cast<const uint8_t*>(archive.Entry(EntryIndex(i)));
        bytes.insert(bytes.end(), e, e + kEntrySize);
    }
    return bytes;
}

// `shown` is the text of message `code`, on its own or naming the file or folder it is about.
bool IsTextOf(const std::string& shown, Status code) {
    std::string own = MessageText(code);
    if (shown == own) {
        return true;
    }
    if (!own.empty() && own.back() == '.') {
        own.pop_back(); // a subject may follow the sentence or take the place of its full stop
    }
    return shown.size() > own.size() && shown.compare(0, own.size(), own) == 0;
}

int NewFolder(CCodeArchive& archive, int parent, const std::string& name) {
    int number = 0;
    EXPECT_EQ(archive.CreateFolder(parent, name, kTypeFolder, &number), kOk) << name;
    return number;
}

TEST(Status, InMemoryChangesSayWhatTheyDid) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
    const int folder = NewFolder(*archive, 0, "Holiday");
    ASSERT_EQ(archive->Close(true), kOk);
    archive = OpenArchive(fs, host, kPath, "");
    const EntryIndex index = EntryIndex::OfNumber(folder);
    const EntryIndex missing(archive->entryCount());

    struct Case {
        const char* what;
        std::function<Status()> call;
        Status expected;
    } cases[] = {
        {"rename to a blank text", [&] { return archive->Rename(index, "   "); }, kCancelled},
        {"rename a missing entry", [&] { return archive->Rename(missing, "x"); }, kErrGeneral},
        {"comment a missing entry", [&] { return archive->SetEntryComment(missing, "x"); }, kErrGeneral},
        {"expand a missing entry", [&] { return archive->SetExpanded(missing, false); }, kErrGeneral},
        {"type of a missing entry", [&] { return archive->SetTypeCode(EntryIndex(-1), 128); }, kErrGeneral},
    };
    const std::vector<uint8_t> before = MemoryImage(*archive);
    for (const Case& c : cases) {
        host.messages.clear();
        EXPECT_EQ(c.call(), c.expected) << c.what;
        EXPECT_EQ(host.messages,
                  c.expected == kCancelled ? std::vector<Status>{} : std::vector<Status>{c.expected})
            << c.what;
        EXPECT_EQ(MemoryImage(*archive), before) << c.what << ": nothing changed";
    }
    EXPECT_EQ(archive->GetName(index), "Holiday");

    host.messages.clear();
    EXPECT_EQ(archive->Rename(index, " Summer "), kOk);
    EXPECT_EQ(archive->SetEntryComment(index, "by the sea"), kOk);
    EXPECT_EQ(archive->SetExpanded(index, false), kOk);
    EXPECT_EQ(archive->SetRootExpanded(false), kOk);
    EXPECT_TRUE(host.messages.empty());
    ASSERT_EQ(archive->Close(true), kOk);
    EXPECT_EQ(archive->SetRootExpanded(true), kErrGeneral) << "no archive is open";

    archive = OpenArchive(fs, host, kPath, "");
    EXPECT_EQ(archive->GetName(index), "Summer");
    EXPECT_EQ(archive->GetComment(index), "by the sea");
    EXPECT_EQ(archive->Entry(index)->expanded, 0);
    EXPECT_EQ(archive->header().rootExpanded, 0);
}

// Every operation that reloads the catalogue from the file first writes what is only in memory. When
// that write fails, the operation stops with its message and the change stays, to be saved later.
TEST(Status, AFailedFlushBeforeAReloadKeepsTheChangeInMemory) {
    struct Case {
        const char* what;
        std::function<Status(CCodeArchive&, CCodeArchive&, MemoryFileSystem&)> run;
        bool changeInOther = false; // the renamed entry belongs to the second archive
    } cases[] = {
        {"import",
         [](CCodeArchive& a, CCodeArchive&, MemoryFileSystem& fs) {
             return ImportFiles(a, fs, 0, {{"new.bin", PatternBytes(10, 1)}});
         }},
        {"new folder", [](CCodeArchive& a, CCodeArchive&,
                          MemoryFileSystem&) { return a.CreateFolder(0, "New Folder", kTypeFolder); }},
        {"move",
         [](CCodeArchive& a, CCodeArchive&, MemoryFileSystem&) { return a.MoveEntries({3}, 1, false); }},
        {"copy within",
         [](CCodeArchive& a, CCodeArchive&, MemoryFileSystem&) { return a.CopyEntries({3}, 0, a); }},
        {"copy into another archive",
         [](CCodeArchive& a, CCodeArchive& other, MemoryFileSystem&) { return a.CopyEntries({3}, 0, other); },
         true},
        {"empty the bin",
         [](CCodeArchive& a, CCodeArchive&, MemoryFileSystem&) { return a.EmptyRecycleBin({1}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFileSystem fs;
        ScriptedHost host;
        auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Plain());
        NewFolder(*archive, 1, "binned");             // 2
        const int keep = NewFolder(*archive, 0, "A"); // 3
        auto other = MakeArchive(fs, host, kOtherPath, ScriptedHost::Plain());
        NewFolder(*other, 0, "B"); // 2
        CCodeArchive& changed = c.changeInOther ? *other : *archive;
        const EntryIndex renamed = EntryIndex::OfNumber(c.changeInOther ? 2 : keep);
        ASSERT_EQ(changed.Rename(renamed, "renamed"), kOk);
        const int entries = changed.entryCount();

        host.messages.clear();
        fs.FailNext(OpKind::Write);
        const Status status = c.run(*archive, *other, fs);
        EXPECT_NE(status, kOk);
        EXPECT_EQ(host.messages, std::vector<Status>{status}) << "shown once";
        EXPECT_EQ(changed.entryCount(), entries) << "nothing was added or removed";
        EXPECT_EQ(changed.GetName(renamed), "renamed");
        EXPECT_TRUE(changed.catalogueDirty());

        ASSERT_EQ(changed.Close(true), kOk);
        auto reopened = OpenArchive(fs, host, changed.path(), "");
        EXPECT_EQ(reopened->GetName(renamed), "renamed");
        EXPECT_EQ(CheckErrors(*reopened), "");
    }
}

TEST(Status, ConfirmCloseReturnsAFailedSaveAndKeepsTheArchiveOpen) {
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, "close-me"));
    const int folder = NewFolder(*archive, 0, "Holiday");
    ASSERT_EQ(archive->Close(true), kOk);
    archive = OpenArchive(fs, host, kPath, "close-me");
    ASSERT_EQ(archive->Rename(EntryIndex::OfNumber(folder), "Summer"), kOk);

    host.messages.clear();
    host.confirmAnswers = {false};
    EXPECT_EQ(archive->ConfirmClose(true), kCancelled);
    EXPECT_TRUE(archive->IsOpen());
    EXPECT_TRUE(host.messages.empty());

    for (OpKind fault : {OpKind::Write, OpKind::Sync}) {
        host.messages.clear();
        fs.FailNext(fault);
        const Status status = archive->ConfirmClose(true);
        EXPECT_NE(status, kOk);
        EXPECT_EQ(host.messages, std::vector<Status>{status}) << "the failure is shown once";
        EXPECT_TRUE(archive->IsOpen()) << "the caller can keep it";
        EXPECT_TRUE(fs.IsLocked(kPath));
        EXPECT_EQ(archive->GetName(EntryIndex::OfNumber(folder)), "Summer");
    }

    host.messages.clear();
    ASSERT_EQ(archive->ConfirmClose(false), kOk);
    EXPECT_FALSE(archive->IsOpen());
    EXPECT_TRUE(host.messages.empty());
    archive = OpenArchive(fs, host, kPath, "close-me");
    EXPECT_EQ(archive->GetName(EntryIndex::OfNumber(folder)), "Summer") << "the later close kept the rename";
    EXPECT_EQ(CheckErrors(*archive), "");
}

// ---------------------------------------------------------------- operations under injected failures

const char* const kPassword = "status-table";

// Two archives, left closed in `fs`: the main one holds a file, an image, a folder with a file and,
// in the recycle bin, a file; the other one file. With `pendingDefragment` the bin was emptied and
// its defragmentation cancelled before anything moved.
std::unique_ptr<MemoryFileSystem> MakeWorld(bool pendingDefragment) {
    auto fs = std::make_unique<MemoryFileSystem>();
    ScriptedHost host;
    auto archive = MakeArchive(*fs, host, kPath, ScriptedHost::Encrypted(kMethodTwofish, kPassword, 4));
    EXPECT_EQ(ImportFiles(*archive, *fs, 0, {{"binned.bin", PatternBytes(7000, 1)}}, "/src/0"), kOk);
    EXPECT_EQ(ImportFiles(*archive, *fs, 0,
                          {{"one.bin", PatternBytes(5000, 2)}, {"pic.png", EncodedImage(12, 9, "png")}},
                          "/src/1"),
              kOk);
    const int folder = NewFolder(*archive, 0, "F");
    EXPECT_EQ(ImportFiles(*archive, *fs, folder, {{"inner.bin", PatternBytes(900, 3)}}, "/src/2"), kOk);
    EXPECT_EQ(archive->MoveEntries({2}, 1, false), kOk);
    if (pendingDefragment) {
        host.cancelAtText = "Defragmenting Archive";
        EXPECT_EQ(archive->EmptyRecycleBin({1}), kCancelled);
        EXPECT_TRUE(archive->defragmentPending());
    }
    EXPECT_EQ(archive->Close(true), kOk);
    auto other = MakeArchive(*fs, host, kOtherPath, ScriptedHost::Encrypted(kMethodBlowfish, kPassword));
    EXPECT_EQ(ImportFiles(*other, *fs, 0, {{"theirs.bin", PatternBytes(800, 4)}}, "/src/3"), kOk);
    EXPECT_EQ(other->Close(true), kOk);
    fs->MakeDirectory("/out");
    return fs;
}

struct World {
    std::unique_ptr<MemoryFileSystem> fs;
    ScriptedHost host;
    std::unique_ptr<CCodeArchive> archive;
    std::unique_ptr<CCodeArchive> other;
    std::unique_ptr<CCodeArchive> created;
    std::unique_ptr<IFile> holder; // another process's handle

    int NumberOf(const std::string& name) {
        for (int i = 0; i < archive->entryCount(); ++i) {
            if (archive->GetName(EntryIndex(i)) == name) {
                return i + 1;
            }
        }
        ADD_FAILURE() << "no " << name;
        return 0;
    }
};

struct Operation {
    const char* name;
    std::function<Status(World&)> run;
    std::function<void(World&)> prepare = [](World&) {};
    bool pendingDefragment = false;
};

// The archive (or, with `other`, the second archive) opened again from a file that may be read but
// not written.
void ReopenReadOnly(World& w, bool other = false) {
    std::unique_ptr<CCodeArchive>& archive = other ? w.other : w.archive;
    const std::string path = other ? kOtherPath : kPath;
    archive->Close(false);
    w.fs->SetReadOnly(path);
    Status status = kOk;
    archive = OpenArchive(*w.fs, w.host, path, kPassword, &status);
    EXPECT_EQ(status, kOk);
    EXPECT_TRUE(archive->readOnly());
}

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> operations = {
        {"open",
         [](World& w) {
             Status status = kOk;
             w.archive = OpenArchive(*w.fs, w.host, kPath, kPassword, &status);
             return status;
         },
         [](World& w) { w.archive->Close(false); }},
        {"create",
         [](World& w) {
             w.created = std::make_unique<CCodeArchive>(w.host, *w.fs);
             w.host.QueueCreate(ScriptedHost::Encrypted(kMethodTwofish, kPassword, 8));
             return w.created->Create("/a/new.kvq");
         }},
        {"import",
         [](World& w) {
             return ImportFiles(
                 *w.archive, *w.fs, 0,
                 {{"new.bin", PatternBytes(3000, 5)}, {"new.png", EncodedImage(10, 10, "png")}}, "/src/new");
         }},
        {"new folder", [](World& w) { return w.archive->CreateFolder(0, "New Folder", kTypeFolder); }},
        {"move",
         [](World& w) {
             return w.archive->MoveEntries({w.NumberOf("one.bin"), w.NumberOf("F")}, 1, false);
         }},
        {"copy within",
         [](World& w) {
             return w.archive->CopyEntries({w.NumberOf("F"), w.NumberOf("pic.png")}, 0, *w.archive);
         }},
        {"copy into another archive",
         [](World& w) {
             return w.archive->CopyEntries({w.NumberOf("F"), w.NumberOf("pic.png")}, 0, *w.other);
         }},
        {"export", [](World& w) { return w.archive->ExportSelection({0}); },
         [](World& w) { w.host.folder = "/out"; }},
        {"empty the bin", [](World& w) { return w.archive->EmptyRecycleBin({1}); }},
        {"resumed defragmentation", [](World& w) { return w.archive->EmptyRecycleBin({1}); }, [](World&) {},
         true},
        {"close", [](World& w) { return w.archive->Close(true); },
         [](World& w) {
             w.archive->Rename(EntryIndex::OfNumber(w.NumberOf("one.bin")), "two");
             w.archive->SetEntryComment(EntryIndex::OfNumber(w.NumberOf("F")), "a comment");
         }},
        {"confirm close", [](World& w) { return w.archive->ConfirmClose(false); },
         [](World& w) { w.archive->Rename(EntryIndex::OfNumber(w.NumberOf("pic.png")), "picture"); }},
        {"refresh", [](World& w) { return w.archive->Refresh(true); }},
        {"open read-only",
         [](World& w) {
             Status status = kOk;
             w.archive = OpenArchive(*w.fs, w.host, kPath, kPassword, &status);
             return status;
         },
         [](World& w) {
             w.archive->Close(false);
             w.fs->SetReadOnly(kPath);
         }},
        {"export from a read-only archive", [](World& w) { return w.archive->ExportSelection({0}); },
         [](World& w) {
             ReopenReadOnly(w);
             w.host.folder = "/out";
         }},
        {"copy out of a read-only archive",
         [](World& w) {
             return w.archive->CopyEntries({w.NumberOf("F"), w.NumberOf("pic.png")}, 0, *w.other);
         },
         [](World& w) { ReopenReadOnly(w); }},
    };
    return operations;
}

// A world with both archives open and the operation's preparation done; nothing counted so far.
std::unique_ptr<World> Prepare(const MemoryFileSystem& base, const Operation& op) {
    auto w = std::make_unique<World>();
    w->fs = base.Clone();
    Status status = kOk;
    w->archive = OpenArchive(*w->fs, w->host, kPath, kPassword, &status);
    EXPECT_EQ(status, kOk);
    w->other = OpenArchive(*w->fs, w->host, kOtherPath, kPassword, &status);
    EXPECT_EQ(status, kOk);
    op.prepare(*w);
    w->host.messages.clear();
    w->host.messageTexts.clear();
    return w;
}

// After the failure both archives still open and pass the full check.
void ExpectSound(World& w, const std::string& where) {
    w.fs->ClearFaults();
    w.holder.reset();
    for (auto* a : {&w.archive, &w.other, &w.created}) {
        if (*a) {
            (*a)->Close(false);
        }
    }
    for (const char* path : {kPath, kOtherPath}) {
        ScriptedHost host;
        Status status = kOk;
        auto reopened = OpenArchive(*w.fs, host, path, kPassword, &status);
        ASSERT_EQ(status, kOk) << where << ": " << path << " no longer opens";
        EXPECT_EQ(CheckErrors(*reopened), "") << where << ": " << path;
        reopened->Close(false);
    }
}

const Operation& OperationNamed(const std::string& name) {
    for (const Operation& op : Operations()) {
        if (name == op.name) {
            return op;
        }
    }
    throw std::invalid_argument(name);
}

// What each operation returns, and shows, for the failures a user meets.
TEST(Status, TableOfFailures) {
    struct Row {
        const char* operation;
        const char* fault;
        std::function<void(World&)> inject;
        Status expected;
    } rows[] = {
        {"open", "the archive is in use",
         [](World& w) {
             OpenResult result{};
             w.holder = w.fs->OpenExclusive(kPath, false, &result);
         },
         kErrArchiveLocked},
        {"open", "its header cannot be read", [](World& w) { w.fs->FailNext(OpKind::Read); },
         kErrArchiveRead},
        {"create", "the startup disk is full", [](World& w) { w.fs->SetStartupDisk(false); },
         kErrStartupDiskCreate},
        {"import", "a source is locked", [](World& w) { w.fs->FailNext(OpKind::Open); }, kErrSourceLocked},
        {"import", "the disk is full", [](World& w) { w.fs->SetCapacity(w.fs->UsedBytes() + 1000); },
         kErrDiskSpace},
        {"import", "the startup disk fills up", [](World& w) { w.fs->SetStartupDisk(false); },
         kErrStartupDiskAdd},
        {"import", "the catalogue cannot be moved", [](World& w) { w.fs->FailNext(OpKind::Write); },
         kErrArchiveMove},
        {"new folder", "the archive cannot grow", [](World& w) { w.fs->FailNext(OpKind::SetLength); },
         kErrDiskSpace},
        {"move", "the header cannot be written", [](World& w) { w.fs->FailNext(OpKind::Write); },
         kErrFileAccess},
        {"move", "an entry cannot be read", [](World& w) { w.fs->FailNext(OpKind::Read); }, kErrArchiveRead},
        {"copy into another archive", "the source cannot be read",
         [](World& w) { w.fs->FailNext(OpKind::Read); }, kErrArchiveRead},
        {"copy into another archive", "the target is full",
         [](World& w) { w.fs->SetCapacity(w.fs->UsedBytes()); }, kErrDiskSpace},
        {"export", "the folder chooser is cancelled", [](World& w) { w.host.folder.reset(); }, kCancelled},
        {"export", "a file cannot be created", [](World& w) { w.fs->FailNext(OpKind::Create); },
         kErrFileAccess},
        {"export", "a file stands where a folder is to be made",
         [](World& w) { w.fs->Put("/out/F", PatternBytes(10, 6)); }, kErrFolderInTheWay},
        {"export", "the disk fills up", [](World& w) { w.fs->SetCapacity(w.fs->UsedBytes() + 1000); },
         kErrExportSpace},
        {"empty the bin", "no room for the compacted catalogue",
         [](World& w) { w.fs->SetCapacity(w.fs->UsedBytes()); }, kErrCorrupt},
        {"empty the bin", "the confirmation is refused", [](World& w) { w.host.confirmAnswers = {false}; },
         kCancelled},
        {"resumed defragmentation", "a block cannot be moved",
         [](World& w) { w.fs->FailNext(OpKind::Write); }, kErrArchiveMove},
        {"close", "the rename cannot be journalled", [](World& w) { w.fs->FailNext(OpKind::Create); },
         kErrFileAccess},
        {"refresh", "the catalogue cannot be read", [](World& w) { w.fs->FailNext(OpKind::Read); },
         kErrArchiveRead},
        {"refresh", "the file cannot be flushed", [](World& w) { w.fs->FailNext(OpKind::Sync); },
         kErrArchiveFlush},
        // An archive that may only be read refuses every change, once, and writes nothing.
        {"import", "the archive is read-only", [](World& w) { ReopenReadOnly(w); }, kErrReadOnly},
        {"new folder", "the archive is read-only", [](World& w) { ReopenReadOnly(w); }, kErrReadOnly},
        {"move", "the archive is read-only", [](World& w) { ReopenReadOnly(w); }, kErrReadOnly},
        {"copy within", "the archive is read-only", [](World& w) { ReopenReadOnly(w); }, kErrReadOnly},
        {"copy into another archive", "the target is read-only", [](World& w) { ReopenReadOnly(w, true); },
         kErrReadOnly},
        {"empty the bin", "the archive is read-only", [](World& w) { ReopenReadOnly(w); }, kErrReadOnly},
        {"resumed defragmentation", "the archive is read-only", [](World& w) { ReopenReadOnly(w); },
         kErrReadOnly},
    };
    const std::unique_ptr<MemoryFileSystem> bases[] = {MakeWorld(false), MakeWorld(true)};
    for (const Row& row : rows) {
        const std::string where = std::string(row.operation) + ", " + row.fault;
        const Operation& op = OperationNamed(row.operation);
        auto w = Prepare(*bases[op.pendingDefragment ? 1 : 0], op);
        row.inject(*w);
        w->host.messages.clear();
        const std::vector<uint8_t> files[] = {*w->fs->Get(kPath), *w->fs->Get(kOtherPath)};
        EXPECT_EQ(op.run(*w), row.expected) << where;
        if (row.expected == kErrReadOnly) {
            EXPECT_EQ(*w->fs->Get(kPath), files[0]) << where << ": a read-only archive was written";
            EXPECT_EQ(*w->fs->Get(kOtherPath), files[1]) << where << ": a read-only archive was written";
        }
        EXPECT_EQ(w->host.messages,
                  row.expected == kCancelled ? std::vector<Status>{} : std::vector<Status>{row.expected})
            << where;
        w->fs->SetCapacity(UINT64_MAX);
        w->fs->SetStartupDisk(true);
        ExpectSound(*w, where);
    }
}

// Every file operation (but queries) of every operation fails in turn: the operation returns 0 or
// 9004 and shows nothing, or returns the code of the one message it showed; both archives stay sound.
TEST(Status, EveryFailureIsShownOnceAndReturned) {
    const std::unique_ptr<MemoryFileSystem> bases[] = {MakeWorld(false), MakeWorld(true)};
    for (const Operation& op : Operations()) {
        const MemoryFileSystem& base = *bases[op.pendingDefragment ? 1 : 0];
        uint64_t total = 0;
        {
            auto dry = Prepare(base, op);
            const uint64_t before = dry->fs->CallCount();
            ASSERT_EQ(op.run(*dry), kOk) << op.name;
            EXPECT_TRUE(dry->host.messages.empty()) << op.name;
            total = dry->fs->CallCount() - before;
        }
        ASSERT_GT(total, 0u) << op.name;

        for (uint64_t k = 1; k <= total; ++k) {
            auto w = Prepare(base, op);
            w->fs->FailCallAt(k);
            const Status status = op.run(*w);
            const std::string where = std::string(op.name) + ", call " + std::to_string(k) + " of " +
                                      std::to_string(total) + " failing";
            if (status == kOk || status == kCancelled) {
                EXPECT_TRUE(w->host.messages.empty()) << where << " returned " << status;
            } else {
                EXPECT_EQ(w->host.messages, std::vector<Status>{status}) << where;
                ASSERT_EQ(w->host.messageTexts.size(), 1u) << where;
                EXPECT_TRUE(IsTextOf(w->host.messageTexts[0], status))
                    << where << ": " << w->host.messageTexts[0];
            }
            ExpectSound(*w, where);
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
    }
}

} // namespace
