// Long operations cancelled through the real progress window: the Workspace's commands run over
// archives in memory, the engine pumps through WorkspaceHost into the ProgressDialog, and a hand
// clicks its Cancel button from inside the event loop once the pump has run N times. What is left
// must be sound: an import with at most N new entries and no message, exported files that are
// whole, a defragmentation that is owed and completed by the next Empty Recycle Bin.
#include "ProgressFixture.h"

#include "CommandIds.h"

using namespace quorvane;
using namespace quorvane::testing;

namespace {

constexpr uint32_t kMiB = 1024 * 1024;

class ProgressCancelTest : public ProgressFixture {
protected:
    void SetUp() override { ASSERT_EQ(CreateArchive("/a/cancel.kvq", "secret"), kOk); }
};

TEST_F(ProgressCancelTest, ImportStopsWithAtMostNEntriesAndNoMessage) {
    // The first pump is the window's opening, then one for each file planned, the expansion and the
    // count, then one for each file added.
    for (const long n : {1L, 18L, 22L}) {
        SCOPED_TRACE(n);
        const int before = EntryCount();
        hand.Reset(n);
        EXPECT_EQ(ImportByCommand(SmallFiles(12, "n" + std::to_string(n) + "_")), kCancelled);
        EXPECT_TRUE(hand.acted);
        const int added = EntryCount() - before;
        EXPECT_LE(added, n);
        EXPECT_LT(added, 12) << "it stopped before its end";
        EXPECT_TRUE(dialogs.messages.isEmpty()) << "a cancel shows nothing";
        EXPECT_EQ(CheckErrors(*ws.ArchiveAt(1)), "");
        ExpectWindowGone();
    }
    // The next import is not cancelled by what went before.
    hand.Reset(-1);
    const int before = EntryCount();
    EXPECT_EQ(ImportByCommand(SmallFiles(3, "after")), kOk);
    EXPECT_EQ(EntryCount(), before + 3);
}

TEST_F(ProgressCancelTest, ACancelDuringOneLargeFileTakesEffectBeforeItsEnd) {
    const int before = EntryCount();
    const size_t length = fs.Get("/a/cancel.kvq")->size();
    // Ten pieces; the hand clicks as the second is reported.
    const std::vector<SourceFile> big = {{"big.dat", PatternBytes(40 * kMiB, 3)}};
    hand.Reset(-1);
    hand.actAtPiece = 2;
    const int status = ImportByCommand(big);
    EXPECT_EQ(status, kCancelled);
    EXPECT_TRUE(hand.acted);
    EXPECT_EQ(hand.pieces, 2) << "no piece after the cancel, of the file's ten";
    EXPECT_EQ(EntryCount(), before) << "a cancelled add is not committed";
    EXPECT_EQ(fs.Get("/a/cancel.kvq")->size(), length) << "its space is given back";
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(CheckErrors(*ws.ArchiveAt(1)), "");
    ExpectWindowGone();
}

TEST_F(ProgressCancelTest, ExportLeavesOnlyCompleteFiles) {
    std::vector<SourceFile> files = SmallFiles(6, "e");
    files.insert(files.begin() + 3, {"big.dat", PatternBytes(9 * kMiB, 5)}); // three pieces
    hand.Reset(-1);
    ASSERT_EQ(ImportByCommand(files), kOk);
    std::map<std::string, std::vector<uint8_t>> sources;
    for (const SourceFile& f : files) {
        sources[f.name] = f.bytes;
    }
    // Two pumps open the window, then one for each entry and one for each piece of the big file.
    for (const long n : {2L, 5L, 7L, 9L}) {
        SCOPED_TRACE(n);
        const std::string out = "/out" + std::to_string(n);
        fs.MakeDirectory(out);
        dialogs.exportChoices.push_back(QString::fromStdString(out));
        hand.Reset(n);
        UseTree();
        ShowFolder(0);
        EXPECT_EQ(ws.DispatchCommand(kCmdExport), kCancelled);
        EXPECT_TRUE(hand.acted);
        const auto written = FilesIn(out);
        EXPECT_LT(written.size(), files.size());
        for (const auto& [name, bytes] : written) {
            ASSERT_TRUE(sources.count(name)) << name;
            EXPECT_TRUE(bytes == sources[name]) << name << " is not whole";
        }
        EXPECT_TRUE(dialogs.messages.isEmpty());
        ExpectWindowGone();
    }
}

TEST_F(ProgressCancelTest, ACancelledDefragmentationIsOwedAndTheNextEmptyRecycleBinCompletesIt) {
    struct Case {
        int alertSwitchedOff; // "DE"
        size_t alertsShown;
    };
    for (const Case c : {Case{0, 1}, Case{1, 0}}) {
        SCOPED_TRACE(c.alertSwitchedOff);
        prefs.alertDefragCancelled = c.alertSwitchedOff;
        hand.Reset(-1);
        const int before = EntryCount();
        ASSERT_EQ(ImportByCommand(SmallFiles(8, "d" + std::to_string(c.alertSwitchedOff))), kOk);
        ASSERT_EQ(ws.ArchiveAt(1)->MoveEntries({before + 1, before + 2}, 1, false), kOk);
        dialogs.shownAlerts.clear();
        dialogs.confirmations.push_back({true, false});
        // The window's opening and the count, then two pumps for each entry: the first entries
        // behind the gap have moved when the hand clicks.
        hand.Reset(before + 4, kProgressDefragment);
        UseTree();
        EXPECT_EQ(ws.DispatchCommand(kCmdEmptyRecycleBin), kCancelled);
        EXPECT_TRUE(hand.acted);
        EXPECT_EQ(dialogs.shownAlerts.size(), c.alertsShown);
        if (!dialogs.shownAlerts.empty()) {
            EXPECT_EQ(dialogs.shownAlerts.front().resource, 12314);
        }
        EXPECT_TRUE(dialogs.messages.isEmpty());
        CCodeArchive& archive = *ws.ArchiveAt(1);
        EXPECT_TRUE(archive.defragmentPending());
        EXPECT_EQ(CheckErrors(archive), "");
        ExpectWindowGone();

        // The bin is empty now: the command only completes the pass, without asking.
        const size_t asked = dialogs.shownConfirmations.size();
        hand.Reset(-1);
        EXPECT_EQ(ws.DispatchCommand(kCmdEmptyRecycleBin), kOk);
        EXPECT_EQ(dialogs.shownConfirmations.size(), asked);
        EXPECT_FALSE(archive.defragmentPending());
        EXPECT_EQ(fs.Get("/a/cancel.kvq")->size(), archive.archiveSize());
        EXPECT_EQ(CheckErrors(archive), "");
        EXPECT_EQ(dialogs.shownAlerts.size(), c.alertsShown) << "shown once";
    }
}

TEST_F(ProgressCancelTest, TheFrameStaysDisabledUntilTheLastWindowOfNestedOperationsCloses) {
    CCodeArchive& a = *ws.ArchiveAt(1);
    fs.MakeDirectory("/a/other");
    ASSERT_EQ(CreateArchive("/a/other/cancel.kvq"), kOk); // the same name
    CCodeArchive& b = *ws.ArchiveAt(2);
    WorkspaceHost& host = ws.Host();
    host.ProgressOpenFor(&a, kProgressEncrypt, "cancel", 0, 0);
    host.ProgressOpenFor(&b, kProgressCopy, "cancel", 0, 0);
    host.ProgressOpenFor(&b, kProgressCopy, "cancel", 0, 0); // replaces b's window
    EXPECT_EQ(dialog.OpenCount(), 2);
    host.ProgressClose();
    EXPECT_TRUE(frame.disabled);
    EXPECT_EQ(dialog.ShownArchive(), &a);
    EXPECT_TRUE(dialog.isVisible());
    host.ProgressClose();
    ExpectWindowGone();
}

} // namespace
