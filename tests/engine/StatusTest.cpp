// What operations return and show: 0, 9004 when the user cancelled or nothing was changed at the
// user's wish, else the code whose message was shown, once.
#include "ArchiveFixtures.h"
#include "CCodeArchive.h"
#include "MemoryFileSystem.h"
#include "ScriptedHost.h"

#include <gtest/gtest.h>

#include <functional>

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

} // namespace
