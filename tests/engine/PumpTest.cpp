// Calls back into the engine from inside its pumps, as a window does while a long operation runs:
// paints ask for names, texts, thumbnails and image data; timers and drops try to change things.
// Every read must give correct data or, while the catalogue is in flux, nothing; every change and
// long operation on a busy archive must be refused without touching anything.
#include "ArchiveFixtures.h"
#include "ArchiveInternals.h"
#include "CCodeArchive.h"
#include "CThumbnailMaker.h"
#include "Check.h"
#include "ImageSamples.h"
#include "MemoryFileSystem.h"
#include "ScriptedHost.h"

#include <QImage>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const char* const kA = "/p/a.kvq";
const char* const kB = "/p/b.kvq";
const char* const kPassword = "pump-test";
constexpr uint64_t kMiB = 1024 * 1024;

// What an entry of an archive holds, as read when nothing runs.
struct Truth {
    std::vector<uint8_t> thumbnail; // empty without one
    QImage icon;                    // RenderThumbnail's 32-pixel cell
    std::vector<uint8_t> data;      // GetImageData's bytes; empty above 4 MiB
};
using Truths = std::map<std::string, Truth>; // names are unique within an archive here

std::vector<uint8_t> Copy(const uint8_t* bytes, size_t length) {
    return bytes ? std::vector<uint8_t>(bytes, bytes + length) : std::vector<uint8_t>{};
}

Truths TruthsOf(CCodeArchive& a) {
    Truths truths;
    for (int i = 0; i < a.entryCount(); ++i) {
        const EntryIndex index(i);
        Truth& t = truths[a.GetName(index)];
        t.thumbnail = Copy(a.GetThumbnail(index), a.thumbStoredLength());
        if (a.RenderThumbnail(index, 1)) {
            t.icon = SharedThumbnailMaker().Cell(1).copy();
        }
        const uint8_t* data = nullptr;
        uint32_t size = 0;
        if (a.GetImageData(index, &data, &size) == 0) {
            t.data = Copy(data, size);
        }
    }
    return truths;
}

// A read made from inside a pump, kept for comparison once the operation is over.
struct Observation {
    CCodeArchive* archive;
    std::string name;
    Truth seen;
    std::string where;
};

class ProbingHost : public ScriptedHost {
public:
    MemoryFileSystem* fs = nullptr;
    std::vector<CCodeArchive*> probed; // read from at every pump
    std::vector<CCodeArchive*> busy;   // expected busy: every change is tried on them and refused
    std::vector<Observation> observations;
    int probes = 0;
    int reads = 0;
    int refusedReads = 0;
    int refusedChanges = 0;
    std::map<CCodeArchive*, int> changes; // completed notification pairs
    std::vector<std::string> faults;

    bool PollCancel() override {
        const bool cancel = ScriptedHost::PollCancel();
        Probe("poll " + std::to_string(polls));
        return cancel;
    }
    bool Confirm(const Prompt& prompt) override {
        Probe("confirmation " + std::to_string(prompt.dialogId));
        return ScriptedHost::Confirm(prompt);
    }
    void Alert(const Prompt& prompt) override {
        Probe("alert " + std::to_string(prompt.dialogId));
        ScriptedHost::Alert(prompt);
    }
    void CatalogueAboutToChange(CCodeArchive& a) override {
        if (inFlux_.count(&a) != 0) {
            faults.push_back("notifications nested for one archive");
        }
        if (!a.catalogueInFlux()) {
            faults.push_back("about to change, but reads still answer");
        }
        inFlux_[&a] = a.catalogueGeneration();
    }
    void CatalogueChanged(CCodeArchive& a) override {
        auto it = inFlux_.find(&a);
        if (it == inFlux_.end()) {
            faults.push_back("changed without about to change");
            return;
        }
        if (a.catalogueGeneration() == it->second) {
            faults.push_back("the generation did not change");
        }
        inFlux_.erase(it);
        ++changes[&a];
        // A model resets here: the catalogue must read again at once.
        if (a.catalogueInFlux() || (a.entryCount() > 0 && a.Entry(EntryIndex(0)) == nullptr)) {
            faults.push_back("changed, but reads still refuse");
        }
    }
    bool AnyInFlux() const { return !inFlux_.empty(); }

private:
    void Probe(const std::string& when) {
        if (probing_) {
            faults.push_back("pumped from inside a call made in a pump");
            return;
        }
        probing_ = true;
        ++probes;
        for (CCodeArchive* a : probed) {
            ProbeReads(*a, when);
        }
        for (CCodeArchive* a : busy) {
            ProbeChanges(*a, when);
        }
        probing_ = false;
    }

    void ProbeReads(CCodeArchive& a, const std::string& when) {
        if (!a.IsOpen()) {
            return;
        }
        const bool flux = a.catalogueInFlux();
        if (flux != (inFlux_.count(&a) != 0)) {
            faults.push_back(when + ": in flux without the host being told, or the other way round");
        }
        for (int i = 0; i < a.entryCount(); ++i) {
            const EntryIndex index(i);
            const std::string name = a.GetName(index);
            const uint8_t* thumbnail = a.GetThumbnail(index);
            Truth seen;
            seen.thumbnail = Copy(thumbnail, a.thumbStoredLength());
            const bool rendered = a.RenderThumbnail(index, 1);
            if (rendered) {
                seen.icon = SharedThumbnailMaker().Cell(1).copy();
            }
            const uint8_t* data = nullptr;
            uint32_t size = 0;
            const int got = a.GetImageData(index, &data, &size);
            if (got == 0) {
                seen.data = Copy(data, size);
            }
            if (flux) {
                ++refusedReads;
                if (!name.empty() || thumbnail || rendered || got == 0 || a.Entry(index) ||
                    !a.GetText(index, kFieldComment).empty() || a.GetKey1(index, kFieldName) != 0) {
                    faults.push_back(when + ": a read answered while the catalogue was in flux");
                }
                continue;
            }
            ++reads;
            if (name.empty() || a.GetText(index, kFieldName) != name || !a.Entry(index)) {
                faults.push_back(when + ": entry " + std::to_string(i) + " did not read");
            }
            observations.push_back({&a, name, std::move(seen), when});
        }
        if (flux && (a.MarkSelection({0}, true).count != 0 || a.FindNext("", false, false, 0) != 0)) {
            faults.push_back(when + ": a selection or search answered in flux");
        }
    }

    // Each change and long operation is refused with kBusy, shows nothing and writes nothing.
    void ProbeChanges(CCodeArchive& a, const std::string& when) {
        if (!a.Busy()) {
            faults.push_back(when + ": " + a.path() + " is not busy");
            return;
        }
        const EntryIndex last(a.entryCount() - 1);
        const size_t messagesBefore = messages.size();
        const size_t dialogsBefore = dialogs.size();
        const uint64_t mutationsBefore = fs->MutatingOpCount();
        const std::pair<const char*, std::function<Status()>> attempts[] = {
            {"rename", [&] { return a.Rename(last, "renamed in a pump"); }},
            {"comment", [&] { return a.SetEntryComment(last, "a comment"); }},
            {"expand", [&] { return a.SetExpanded(last, false); }},
            {"type", [&] { return a.SetTypeCode(last, kTypeOther); }},
            {"root", [&] { return a.SetRootExpanded(false); }},
            {"new folder", [&] { return a.CreateFolder(0, "New Folder", kTypeFolder); }},
            {"drop", [&] { return ImportPaths(a, {"/src/late.bin"}, 0, false); }},
            {"move", [&] { return a.MoveEntries({last.number()}, 1, true); }},
            {"copy", [&] { return a.CopyEntries({last.number()}, 0, a); }},
            {"export", [&] { return a.ExportSelection({0}); }},
            {"export one", [&] { return a.ExportFile(last, "/out/one", false); }},
            {"read", [&] { return a.ReadFileData(last, [](const uint8_t*, size_t) { return true; }); }},
            {"empty the bin", [&] { return a.EmptyRecycleBin({1}); }},
            {"defragment", [&] { return a.Defragment(); }},
            {"refresh", [&] { return a.Refresh(true); }},
            {"close", [&] { return a.Close(true); }},
            {"close without saving", [&] { return a.Close(false); }},
            {"confirm close", [&] { return a.ConfirmClose(true); }},
        };
        for (const auto& [what, attempt] : attempts) {
            const Status status = attempt();
            ++refusedChanges;
            if (status != kBusy) {
                faults.push_back(when + ": " + what + " on a busy archive gave " + std::to_string(status));
            }
        }
        if (CheckArchive(a).size() != 1) {
            faults.push_back(when + ": a check of a busy archive ran");
        }
        if (!a.IsOpen() || messages.size() != messagesBefore || dialogs.size() != dialogsBefore ||
            fs->MutatingOpCount() != mutationsBefore) {
            faults.push_back(when + ": a refused change touched something");
        }
    }

    std::map<CCodeArchive*, uint64_t> inFlux_; // archive -> generation at CatalogueAboutToChange
    bool probing_ = false;
};

struct Fixture {
    MemoryFileSystem fs;
    ProbingHost host;
    std::unique_ptr<CCodeArchive> a;
    std::unique_ptr<CCodeArchive> b;

    Fixture() {
        host.fs = &fs;
        host.suppressed = {"DD", "DT", "DB"};
        a = MakeArchive(fs, host, kA, ScriptedHost::Encrypted(kMethodTwofish, kPassword, 6));
        b = MakeArchive(fs, host, kB, ScriptedHost::Encrypted(kMethodBlowfish, kPassword, 3));
        fs.Put("/src/late.bin", PatternBytes(10, 9));
        fs.MakeDirectory("/out");
        const int folder = NewFolder(*a, 0, "Folder");
        EXPECT_EQ(ImportFiles(*a, fs, 0,
                              {{"dead.png", EncodedImage(30, 20, "png", -1, 1)},
                               {"red.png", EncodedImage(40, 30, "png", -1, 2)},
                               {"notes.txt", PatternBytes(3000, 3)}},
                              "/src/a1"),
                  kOk);
        EXPECT_EQ(ImportFiles(*a, fs, folder,
                              {{"inner.png", EncodedImage(25, 35, "png", -1, 4)},
                               {"big.bin", PatternBytes(4 * kMiB + 100, 5)}},
                              "/src/a2"),
                  kOk);
        EXPECT_EQ(ImportFiles(*b, fs, 0, {{"theirs.png", EncodedImage(20, 20, "png", -1, 6)}}, "/src/b"),
                  kOk);
    }

    static int NewFolder(CCodeArchive& archive, int parent, const std::string& name) {
        int number = 0;
        EXPECT_EQ(archive.CreateFolder(parent, name, kTypeFolder, &number), kOk);
        return number;
    }

    int NumberOf(CCodeArchive& archive, const std::string& name) {
        for (int i = 0; i < archive.entryCount(); ++i) {
            if (archive.GetName(EntryIndex(i)) == name) {
                return i + 1;
            }
        }
        ADD_FAILURE() << "no " << name;
        return 0;
    }

    // Runs `operation` with the host probing `probed` at every pump and trying changes on `busy`;
    // then every read made in a pump must match what the archive holds before or after.
    void Run(const std::string& what, const std::vector<CCodeArchive*>& probed,
             const std::vector<CCodeArchive*>& busy, const std::function<Status()>& operation,
             Status expected = kOk) {
        SCOPED_TRACE(what);
        std::map<CCodeArchive*, Truths> truths;
        for (CCodeArchive* archive : probed) {
            truths[archive] = TruthsOf(*archive);
        }
        host = ProbingHost{};
        host.fs = &fs;
        host.suppressed = {"DD", "DT", "DB"};
        host.folder = "/out/" + what;
        host.probed = probed;
        host.busy = busy;
        fs.MakeDirectory(*host.folder);
        fs.ResetMutatingOpCount();
        EXPECT_EQ(operation(), expected);
        EXPECT_TRUE(host.faults.empty())
            << host.faults.size() << " faults, the first: " << host.faults.front();
        EXPECT_FALSE(host.AnyInFlux()) << "a notification pair was left open";
        EXPECT_TRUE(host.messages.empty());
        EXPECT_GT(host.probes, 0);
        for (CCodeArchive* archive : probed) {
            EXPECT_FALSE(archive->Busy());
            for (auto& [name, truth] : TruthsOf(*archive)) {
                truths[archive][name] = std::move(truth); // same name, same content, before and after
            }
            EXPECT_EQ(CheckErrors(*archive), "");
        }
        int wrong = 0;
        for (const Observation& o : host.observations) {
            const auto it = truths[o.archive].find(o.name);
            if (it == truths[o.archive].end()) {
                ADD_FAILURE() << o.where << ": read a name that is nowhere: '" << o.name << "'";
                ++wrong;
                continue;
            }
            const Truth& t = it->second;
            wrong += o.seen.thumbnail != t.thumbnail || o.seen.icon != t.icon || o.seen.data != t.data;
        }
        EXPECT_EQ(wrong, 0) << "of " << host.observations.size() << " reads in pumps";
        host.probed.clear();
        host.busy.clear();
    }
};

TEST(Pump, ReadsAreRightOrRefusedAndChangesRefusedWhileOperationsRun) {
    Fixture f;
    CCodeArchive& a = *f.a;
    CCodeArchive& b = *f.b;

    uint64_t generation = a.catalogueGeneration();
    f.Run("import", {&a, &b}, {&a}, [&] {
        return ImportFiles(
            a, f.fs, 0,
            {{"new.png", EncodedImage(33, 22, "png", -1, 7)}, {"large.bin", PatternBytes(5 * kMiB, 8)}},
            "/src/new");
    });
    EXPECT_GT(f.host.reads, 0) << "reads answer while a batch adds";
    EXPECT_GT(f.host.refusedReads, 0) << "and refuse while it switches to the new catalogue";
    EXPECT_EQ(f.host.changes[&a], 1);
    EXPECT_NE(a.catalogueGeneration(), generation);

    generation = b.catalogueGeneration();
    f.Run("copy", {&a, &b}, {&a, &b}, [&] {
        return a.CopyEntries({f.NumberOf(a, "Folder"), f.NumberOf(a, "red.png")}, 0, b);
    });
    EXPECT_GT(f.host.reads, 0);
    EXPECT_EQ(f.host.changes[&b], 1);
    EXPECT_EQ(f.host.changes.count(&a), 0u) << "the source's catalogue does not change";
    EXPECT_NE(b.catalogueGeneration(), generation);
    EXPECT_GT(f.NumberOf(b, "red.png"), 0);

    generation = a.catalogueGeneration();
    f.Run("export", {&a, &b}, {&a}, [&] { return a.ExportSelection({0}); });
    EXPECT_GT(f.host.reads, 0);
    EXPECT_TRUE(f.host.changes.empty());
    EXPECT_EQ(a.catalogueGeneration(), generation);
    EXPECT_TRUE(f.fs.Exists("/out/export/Folder/big.bin"));

    ASSERT_EQ(a.MoveEntries({f.NumberOf(a, "dead.png"), f.NumberOf(a, "notes.txt")}, 1, false), kOk);
    generation = a.catalogueGeneration();
    f.Run("empty the bin", {&a, &b}, {&a}, [&] { return a.EmptyRecycleBin({1}); });
    EXPECT_GT(f.host.refusedReads, 0);
    EXPECT_EQ(f.host.changes[&a], 1) << "one pair around renumbering and defragmenting";
    EXPECT_NE(a.catalogueGeneration(), generation);
    EXPECT_FALSE(a.defragmentPending());

    // A defragmentation cancelled half way, then resumed.
    ASSERT_EQ(a.MoveEntries({f.NumberOf(a, "red.png")}, 1, false), kOk);
    f.host.cancelAtPoll = f.host.polls + 8;
    ASSERT_EQ(a.EmptyRecycleBin({1}), kCancelled);
    f.host.cancelAtPoll = -1;
    ASSERT_TRUE(a.defragmentPending());
    f.Run("resumed defragmentation", {&a, &b}, {&a}, [&] { return a.EmptyRecycleBin({1}); });
    EXPECT_GT(f.host.refusedReads, 0);
    EXPECT_EQ(f.host.changes[&a], 1);
    EXPECT_FALSE(a.defragmentPending());

    // A move asks first (a dialog pumps too), then reloads.
    f.Run("move", {&a}, {&a}, [&] { return a.MoveEntries({f.NumberOf(a, "inner.png")}, 1, true); });
    EXPECT_EQ(f.host.changes[&a], 1);

    // None of the refused calls changed anything that a later save could write.
    ASSERT_EQ(a.Close(true), kOk);
    ASSERT_EQ(b.Close(true), kOk);
    for (const char* path : {kA, kB}) {
        Status status = kOk;
        auto reopened = OpenArchive(f.fs, f.host, path, kPassword, &status);
        ASSERT_EQ(status, kOk);
        EXPECT_EQ(CheckErrors(*reopened), "");
        for (int i = 0; i < reopened->entryCount(); ++i) {
            EXPECT_NE(reopened->GetName(EntryIndex(i)), "renamed in a pump");
            EXPECT_NE(reopened->GetComment(EntryIndex(i)), "a comment");
        }
        EXPECT_EQ(reopened->header().rootExpanded, 1);
    }
}

// An archive that may only be read is busy like any other while export or a copy reads it: from
// inside their pumps it reads right, refuses changes as busy (not read-only), and is never written.
TEST(Pump, AReadOnlyArchiveIsReadInPumpsAndNeverWritten) {
    Fixture f;
    ASSERT_EQ(f.a->Close(true), kOk);
    f.fs.SetReadOnly(kA);
    Status status = kOk;
    f.a = OpenArchive(f.fs, f.host, kA, kPassword, &status);
    ASSERT_EQ(status, kOk);
    ASSERT_TRUE(f.a->readOnly());
    CCodeArchive& a = *f.a;
    CCodeArchive& b = *f.b;
    const std::vector<uint8_t> bytes = *f.fs.Get(kA);

    f.Run("export", {&a, &b}, {&a}, [&] { return a.ExportSelection({0}); });
    EXPECT_GT(f.host.reads, 0);
    EXPECT_GT(f.host.refusedChanges, 0);
    EXPECT_TRUE(f.fs.Exists("/out/export/Folder/big.bin"));

    const uint64_t generation = b.catalogueGeneration();
    f.Run("copy", {&a, &b}, {&a, &b}, [&] {
        return a.CopyEntries({f.NumberOf(a, "Folder"), f.NumberOf(a, "red.png")}, 0, b);
    });
    EXPECT_GT(f.host.reads, 0);
    EXPECT_EQ(f.host.changes[&b], 1);
    EXPECT_EQ(f.host.changes.count(&a), 0u);
    EXPECT_NE(b.catalogueGeneration(), generation);
    EXPECT_GT(f.NumberOf(b, "big.bin"), 0);
    EXPECT_EQ(*f.fs.Get(kA), bytes) << "the read-only archive was written";
}

// The generation tells a cache when what it holds may have gone stale; renames and flags do not.
TEST(Pump, GenerationAndNotificationsFollowTheCatalogue) {
    struct CountingHost : ScriptedHost {
        int aboutToChange = 0;
        int changed = 0;
        void CatalogueAboutToChange(CCodeArchive&) override { ++aboutToChange; }
        void CatalogueChanged(CCodeArchive&) override { ++changed; }
    };
    MemoryFileSystem fs;
    CountingHost host;
    auto archive = MakeArchive(fs, host, kA, ScriptedHost::Plain());
    EXPECT_EQ(host.changed, 0) << "nothing is announced before Create has returned";
    const uint64_t created = archive->catalogueGeneration();
    EXPECT_NE(created, 0u);

    const int folder = Fixture::NewFolder(*archive, 0, "Folder");
    EXPECT_EQ(host.aboutToChange, 1);
    EXPECT_EQ(host.changed, 1);
    uint64_t generation = archive->catalogueGeneration();
    EXPECT_NE(generation, created);

    ASSERT_EQ(archive->Rename(EntryIndex::OfNumber(folder), "Renamed"), kOk);
    ASSERT_EQ(archive->SetEntryComment(EntryIndex::OfNumber(folder), "note"), kOk);
    ASSERT_EQ(archive->SetExpanded(EntryIndex::OfNumber(folder), false), kOk);
    EXPECT_EQ(archive->catalogueGeneration(), generation) << "in-place changes need a repaint only";
    EXPECT_EQ(host.changed, 1);

    ASSERT_EQ(archive->Refresh(false), kOk);
    EXPECT_EQ(host.changed, 2);
    EXPECT_NE(archive->catalogueGeneration(), generation);
    generation = archive->catalogueGeneration();

    ASSERT_EQ(archive->Close(true), kOk);
    EXPECT_NE(archive->catalogueGeneration(), generation);
    generation = archive->catalogueGeneration();
    host.passwords = {std::string()};
    ASSERT_EQ(archive->Open(kA), kOk);
    EXPECT_NE(archive->catalogueGeneration(), generation);
    EXPECT_EQ(host.changed, 2) << "Open announces nothing";
    EXPECT_EQ(host.aboutToChange, host.changed);
}

#ifndef NDEBUG
// Debug builds catch an engine pointer into the shared buffers that outlives a pump.
TEST(PumpDeathTest, APointerIntoTheSharedBuffersHeldAcrossAPumpIsCaught) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    MemoryFileSystem fs;
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, kA, ScriptedHost::Plain());
    ArchiveInternals(*archive).ProgressOpen(kProgressExport);
    const SharedBytes held(SharedBuffers().a);
    EXPECT_EQ(held.get(), SharedBuffers().a) << "no pump came between";
    ArchiveInternals(*archive).PollCancel();
    EXPECT_DEATH(held.get(), "held across a pump");
    ArchiveInternals(*archive).ProgressClose();
}
#endif

} // namespace
