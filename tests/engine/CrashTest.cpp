// Crashes on purpose. Each scenario runs an operation once to count its mutating file operations,
// then again for every k: stopped dead at the k-th (the process dies; the page cache survives), and
// stopped there followed by a power cut in which every unsynced write is independently kept, lost or
// torn at a 512-byte boundary. After each, the archive must open (rolling back its journal if one is
// left), pass the full check, and hold what the operation's guarantees promise.
//
// QUORVANE_CRASH_LONG=1 (make crash) tries more power-cut patterns per stop.
#include "ArchiveFixtures.h"
#include "CCodeArchive.h"
#include "ImageSamples.h"
#include "MemoryFileSystem.h"
#include "RollbackJournal.h"
#include "ScriptedHost.h"
#include "WorkerPool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <random>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const char* const kArchive = "/data/photos.kvq";
const char* const kOther = "/data/other.kvq";
const char* const kPassword = "crash-test";

// An item as the user sees it: where it is (its parent's name) and what it holds.
struct Item {
    std::string parentName;
    uint8_t container = 0;
    std::vector<uint8_t> data;
    bool inBin = false;
};
using Items = std::map<std::string, Item>; // names are unique in these scenarios

Items ItemsOf(CCodeArchive& archive) {
    Items items;
    const std::vector<EntrySnapshot> snapshot = Snapshot(archive);
    for (size_t i = 0; i < snapshot.size(); ++i) {
        const EntrySnapshot& s = snapshot[i];
        const std::string parent = s.parent == 0 ? "/" : snapshot[static_cast<size_t>(s.parent - 1)].name;
        items[s.name] = Item{parent, s.container, s.data,
                             archive.Entry(EntryIndex(static_cast<int>(i)))->inRecycleBin != 0};
    }
    return items;
}

struct Scenario {
    const char* name;
    // Builds the archives (left closed) in the file system.
    std::function<void(MemoryFileSystem&)> setup;
    // The operation, on the opened archive (and, for a copy, the other one).
    std::function<void(CCodeArchive&, CCodeArchive*, MemoryFileSystem&)> run;
    bool usesOther = false;
    // Which archive the guarantees are checked on.
    const char* checked = kArchive;
    // For an operation that changes items in place: the whole of what the user sees, which must
    // come back either as before or as after, never mixed (the item guarantees do not apply).
    std::function<std::string(CCodeArchive&)> state = nullptr;
};

std::unique_ptr<CCodeArchive> Reopen(MemoryFileSystem& fs, ScriptedHost& host, const char* path,
                                     Status* status) {
    return OpenArchive(fs, host, path, kPassword, status);
}

// The guarantees, whatever the operation: every item outside the bin is still there with the same
// bytes, in its old or its new place; every item in the bin is intact or gone; nothing appears that
// neither the state before nor the state after holds.
void ExpectRecovered(const Items& before, const Items& after, const Items& recovered,
                     const std::string& where) {
    for (const auto& [name, item] : before) {
        auto it = recovered.find(name);
        if (it == recovered.end()) {
            EXPECT_TRUE(item.inBin) << where << ": lost " << name;
            continue;
        }
        EXPECT_EQ(it->second.data, item.data) << where << ": bytes of " << name;
        EXPECT_EQ(it->second.container, item.container) << where << ": kind of " << name;
        auto later = after.find(name);
        const bool oldPlace = it->second.parentName == item.parentName;
        const bool newPlace = later != after.end() && it->second.parentName == later->second.parentName;
        EXPECT_TRUE(oldPlace || newPlace) << where << ": " << name << " is in " << it->second.parentName;
    }
    for (const auto& [name, item] : recovered) {
        if (before.count(name) != 0) {
            continue;
        }
        auto later = after.find(name);
        ASSERT_NE(later, after.end()) << where << ": unexpected " << name;
        EXPECT_EQ(item.data, later->second.data) << where << ": bytes of new " << name;
    }
}

void RunScenario(const Scenario& scenario) {
    const bool longRun = std::getenv("QUORVANE_CRASH_LONG") != nullptr;
    const int cutsPerStop = longRun ? 12 : 2;

    MemoryFileSystem base;
    scenario.setup(base);

    std::string stateBefore;
    std::string stateAfter;
    auto snapshotOf = [&](MemoryFileSystem& fs, std::string* state) {
        ScriptedHost host;
        Status status = kOk;
        auto archive = Reopen(fs, host, scenario.checked, &status);
        EXPECT_EQ(status, kOk);
        Items items = status == kOk ? ItemsOf(*archive) : Items{};
        if (status == kOk) {
            EXPECT_EQ(CheckErrors(*archive), "") << scenario.name;
            if (scenario.state) {
                *state = scenario.state(*archive);
            }
            archive->Close(false);
        }
        return items;
    };

    auto perform = [&](MemoryFileSystem& fs, uint64_t stopAt) {
        ScriptedHost host;
        host.suppressed = {"DD", "DT", "DE", "DB"};
        Status status = kOk;
        auto archive = Reopen(fs, host, kArchive, &status);
        std::unique_ptr<CCodeArchive> other;
        if (scenario.usesOther) {
            other = Reopen(fs, host, kOther, &status);
        }
        EXPECT_EQ(status, kOk);
        fs.ResetMutatingOpCount();
        if (stopAt > 0) {
            fs.StopAt(stopAt);
        }
        scenario.run(*archive, other.get(), fs);
        const uint64_t count = fs.MutatingOpCount();
        if (stopAt == 0) {
            archive->Close(true);
            if (other) {
                other->Close(true);
            }
        }
        // Otherwise the process is dead: the objects go without writing anything more.
        return count;
    };

    std::unique_ptr<MemoryFileSystem> dry = base.Clone();
    const Items before = snapshotOf(*base.Clone(), &stateBefore);
    const uint64_t total = perform(*dry, 0);
    const Items after = snapshotOf(*dry, &stateAfter);
    ASSERT_GT(total, 0u);
    if (scenario.state) {
        ASSERT_NE(stateBefore, stateAfter) << scenario.name << " changed nothing";
    }

    std::mt19937 rng(12345);
    for (uint64_t k = 1; k <= total; ++k) {
        std::unique_ptr<MemoryFileSystem> stopped = base.Clone();
        perform(*stopped, k);
        stopped->ClearFaults();
        for (int cut = -1; cut < cutsPerStop; ++cut) {
            std::unique_ptr<MemoryFileSystem> fs = stopped->Clone();
            if (cut >= 0) {
                fs->PowerCut(rng);
            }
            const std::string where = std::string(scenario.name) + " stopped at " + std::to_string(k) + "/" +
                                      std::to_string(total) +
                                      (cut >= 0 ? " + power cut " + std::to_string(cut) : "");
            ScriptedHost host;
            Status status = kOk;
            auto archive = Reopen(*fs, host, scenario.checked, &status);
            ASSERT_EQ(status, kOk) << where;
            EXPECT_EQ(CheckErrors(*archive), "") << where;
            if (scenario.state) {
                const std::string state = scenario.state(*archive);
                EXPECT_TRUE(state == stateBefore || state == stateAfter)
                    << where << ": neither before nor after\n"
                    << state << "before:\n"
                    << stateBefore << "after:\n"
                    << stateAfter;
            } else {
                ExpectRecovered(before, after, ItemsOf(*archive), where);
            }
            EXPECT_FALSE(fs->Exists(RollbackJournal::PathFor(scenario.checked))) << where << ": journal left";
            archive->Close(false);
            if (::testing::Test::HasFailure()) {
                return; // one failing stop tells enough
            }
        }
    }
}

void MakeBase(MemoryFileSystem& fs, const char* path, uint32_t method, uint8_t thumbnails, int folders,
              const std::vector<SourceFile>& files) {
    ScriptedHost host;
    auto archive = MakeArchive(fs, host, path, ScriptedHost::Encrypted(method, kPassword, thumbnails));
    if (folders > 0) {
        for (int i = 0; i < folders; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/src/tree/d%03d", i);
            fs.MakeDirectory("/src");
            fs.MakeDirectory("/src/tree");
            fs.MakeDirectory(name);
        }
        ASSERT_EQ(ImportPaths(*archive, {"/src/tree"}, 0, true), kOk);
    }
    if (!files.empty()) {
        ASSERT_EQ(
            ImportFiles(*archive, fs, 0, files, std::string("/src/base-") + (path == kArchive ? "a" : "b")),
            kOk);
    }
    ASSERT_EQ(archive->Close(true), kOk);
}

std::vector<uint8_t> CorruptPng() {
    std::vector<uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bytes.resize(300, 0x5A);
    return bytes;
}

// Every entry number found under its name, for building selections.
int NumberOf(CCodeArchive& archive, const std::string& name) {
    for (int i = 0; i < archive.entryCount(); ++i) {
        if (archive.GetName(EntryIndex(i)) == name) {
            return i + 1;
        }
    }
    ADD_FAILURE() << "no " << name;
    return 0;
}

TEST(Crash, BatchReservingMoreThanTheCatalogue) {
    RunScenario(
        {"import larger than the catalogue",
         [](MemoryFileSystem& fs) {
             MakeBase(fs, kArchive, kMethodTwofish, 0, 0, {{"old.bin", PatternBytes(900, 1)}});
         },
         [](CCodeArchive& a, CCodeArchive*, MemoryFileSystem& fs) {
             ImportFiles(a, fs, 0, {{"new1.bin", PatternBytes(3000, 2)}, {"new2.bin", PatternBytes(10, 3)}});
         }});
}

// The chunks of a large file and a picture's chunk go through three threads (the thumbnail made beside
// it); the copy decrypts and encrypts on them too. Every stop must leave what one thread would.
TEST(Crash, ImportAndCopyOnSeveralThreads) {
    struct Threads {
        Threads() { WorkerPool::SetThreads(3); }
        ~Threads() { WorkerPool::SetThreads(0); }
    } threads;
    RunScenario({"import on several threads",
                 [](MemoryFileSystem& fs) {
                     MakeBase(fs, kArchive, kMethodTwofish, 8, 0, {{"old.bin", PatternBytes(900, 21)}});
                 },
                 [](CCodeArchive& a, CCodeArchive*, MemoryFileSystem& fs) {
                     ImportFiles(a, fs, 0,
                                 {{"large.bin", PatternBytes(size_t{kPieceSize} + 300, 22)},
                                  {"photo.jpg", EncodedImage(320, 240, "jpeg")}});
                 }});
    RunScenario({"copy on several threads",
                 [](MemoryFileSystem& fs) {
                     MakeBase(fs, kArchive, kMethodTwofish, 0, 0,
                              {{"large.bin", PatternBytes(size_t{kPieceSize} + 300, 23)}});
                     MakeBase(fs, kOther, kMethodBlowfish, 8, 0, {{"theirs.bin", PatternBytes(800, 24)}});
                 },
                 [](CCodeArchive& a, CCodeArchive* other, MemoryFileSystem&) {
                     a.CopyEntries({NumberOf(a, "large.bin")}, 0, *other);
                 },
                 true, kOther});
}

TEST(Crash, BatchReservingLessThanTheCatalogue) {
    RunScenario({"small import into a large catalogue",
                 [](MemoryFileSystem& fs) {
                     MakeBase(fs, kArchive, kMethodBlowfish, 0, 300, {{"old.bin", PatternBytes(500, 4)}});
                 },
                 [](CCodeArchive& a, CCodeArchive*, MemoryFileSystem& fs) {
                     ImportFiles(a, fs, 0, {{"small.bin", PatternBytes(100, 5)}});
                 }});
}

TEST(Crash, FinishBatchGivingBackLessThanTheCatalogue) {
    // The corrupt image's planned thumbnail (18,432 bytes) is given back: a move shorter than the
    // 150 KiB catalogue.
    RunScenario({"finish gives back a little",
                 [](MemoryFileSystem& fs) { MakeBase(fs, kArchive, kMethodTwofish, 8, 300, {}); },
                 [](CCodeArchive& a, CCodeArchive*, MemoryFileSystem& fs) {
                     ImportFiles(a, fs, 0, {{"x.png", CorruptPng()}, {"after.bin", PatternBytes(40, 6)}});
                 }});
}

TEST(Crash, CopyBetweenArchives) {
    RunScenario({"copy into another archive",
                 [](MemoryFileSystem& fs) {
                     MakeBase(fs, kArchive, kMethodTwofish, 0, 0,
                              {{"a.bin", PatternBytes(5000, 7)}, {"b.bin", PatternBytes(70, 8)}});
                     MakeBase(fs, kOther, kMethodBasic, 0, 0, {{"theirs.bin", PatternBytes(800, 9)}});
                 },
                 [](CCodeArchive& a, CCodeArchive* other, MemoryFileSystem&) {
                     a.CopyEntries({NumberOf(a, "a.bin"), NumberOf(a, "b.bin")}, 0, *other);
                 },
                 true, kOther});
}

TEST(Crash, MoveIntoAFolder) {
    RunScenario({"move",
                 [](MemoryFileSystem& fs) {
                     MakeBase(fs, kArchive, kMethodTwofish, 0, 3,
                              {{"m1.bin", PatternBytes(100, 10)}, {"m2.bin", PatternBytes(200, 11)}});
                 },
                 [](CCodeArchive& a, CCodeArchive*, MemoryFileSystem&) {
                     a.MoveEntries({NumberOf(a, "m1.bin"), NumberOf(a, "m2.bin"), NumberOf(a, "d000")},
                                   NumberOf(a, "d002"), true);
                 }});
}

TEST(Crash, InPlaceCatalogueRewriteAtClose) {
    // A rename, a comment and a collapsed folder on entries apart from each other, written back by
    // Close(true) over the catalogue the header on disk points to.
    RunScenario({"rename, comment, collapse, close",
                 [](MemoryFileSystem& fs) {
                     MakeBase(fs, kArchive, kMethodTwofish, 0, 3,
                              {{"f1.bin", PatternBytes(100, 30)},
                               {"f2.bin", PatternBytes(200, 31)},
                               {"f3.bin", PatternBytes(300, 32)}});
                 },
                 [](CCodeArchive& a, CCodeArchive*, MemoryFileSystem&) {
                     a.Rename(EntryIndex::OfNumber(NumberOf(a, "f1.bin")), "a new name");
                     a.SetEntryComment(EntryIndex::OfNumber(NumberOf(a, "f3.bin")), "a new comment");
                     a.SetExpanded(EntryIndex::OfNumber(NumberOf(a, "d001")), false);
                     a.SetRootExpanded(false);
                     a.Close(true);
                 },
                 false, kArchive,
                 [](CCodeArchive& a) {
                     std::string text;
                     const std::vector<EntrySnapshot> snapshot = Snapshot(a);
                     for (size_t i = 0; i < snapshot.size(); ++i) {
                         const EntryIndex index(static_cast<int32_t>(i));
                         text += snapshot[i].name + " | " + a.GetComment(index) + " | " +
                                 std::to_string(a.Entry(index)->expanded) + " | " +
                                 std::to_string(snapshot[i].parent) + " | " +
                                 std::to_string(std::hash<std::string>()(
                                     std::string(snapshot[i].data.begin(), snapshot[i].data.end()))) +
                                 "\n";
                     }
                     return text;
                 }});
}

// A journal is sealed, the archive rewritten and synced, then the journal removed; the folder sync
// that makes the removal durable fails, and a power cut brings the journal back. It must not roll
// the committed rename back (its seal was wiped and synced before the removal).
TEST(Crash, FailedFolderSyncAfterTheJournalIsRemoved) {
    MemoryFileSystem base;
    MakeBase(base, kArchive, kMethodTwofish, 0, 1, {{"old.bin", PatternBytes(100, 40)}});
    const std::string journal = RollbackJournal::PathFor(kArchive);
    auto renameAndClose = [&](MemoryFileSystem& fs, uint64_t failAt) {
        ScriptedHost host;
        auto archive = Reopen(fs, host, kArchive, nullptr);
        fs.ResetMutatingOpCount();
        fs.log.clear();
        if (failAt > 0) {
            fs.FailAt(failAt);
        }
        EXPECT_EQ(archive->Rename(EntryIndex::OfNumber(NumberOf(*archive, "old.bin")), "new"), kOk);
        EXPECT_EQ(archive->Close(true), kOk) << "the failed sync of a removal loses nothing";
        EXPECT_TRUE(host.messages.empty());
    };

    // Which mutation is the folder sync right after the journal's removal.
    uint64_t syncAfterRemoval = 0;
    {
        std::unique_ptr<MemoryFileSystem> dry = base.Clone();
        renameAndClose(*dry, 0);
        uint64_t k = 0;
        bool removed = false;
        for (const Op& op : dry->log) {
            if (!IsMutating(op.kind)) {
                continue;
            }
            ++k;
            if (op.kind == OpKind::Remove && op.path == journal) {
                removed = true;
            } else if (removed && op.kind == OpKind::SyncDir) {
                syncAfterRemoval = k;
                break;
            }
        }
    }
    ASSERT_GT(syncAfterRemoval, 0u);

    std::unique_ptr<MemoryFileSystem> failed = base.Clone();
    renameAndClose(*failed, syncAfterRemoval);
    EXPECT_FALSE(failed->log.back().kind == OpKind::SyncDir && failed->log.back().ok);
    int journalBack = 0;
    std::mt19937 rng(777);
    for (int cut = 0; cut < 16; ++cut) {
        std::unique_ptr<MemoryFileSystem> fs = failed->Clone();
        fs->PowerCut(rng);
        journalBack += fs->Exists(journal);
        ScriptedHost host;
        Status status = kOk;
        auto archive = Reopen(*fs, host, kArchive, &status);
        ASSERT_EQ(status, kOk) << "cut " << cut;
        EXPECT_GT(NumberOf(*archive, "new.bin"), 0)
            << "cut " << cut << ": the committed rename was rolled back";
        EXPECT_EQ(CheckErrors(*archive), "");
        EXPECT_FALSE(fs->Exists(journal));
    }
    EXPECT_GT(journalBack, 0) << "no power cut brought the journal back";
}

TEST(Crash, EmptyRecycleBinWithOverlappingBlockMove) {
    // small.bin goes to the bin; big.bin behind it then moves down by less than its own length.
    RunScenario(
        {"empty and defragment",
         [](MemoryFileSystem& fs) {
             MakeBase(fs, kArchive, kMethodTwofish, 0, 2,
                      {{"small.bin", PatternBytes(100, 12)},
                       {"big.bin", PatternBytes(9000, 13)},
                       {"tail.bin", PatternBytes(300, 14)}});
             ScriptedHost host;
             auto a = OpenArchive(fs, host, kArchive, kPassword);
             ASSERT_EQ(a->MoveEntries({NumberOf(*a, "small.bin"), NumberOf(*a, "d001")}, 1, false), kOk);
             ASSERT_EQ(a->Close(true), kOk);
         },
         [](CCodeArchive& a, CCodeArchive*, MemoryFileSystem&) { a.EmptyRecycleBin({1}); }});
}

TEST(Crash, EmptyRecycleBinWithEntryWritesCrossingASector) {
    // Data area of 48 mod 512 bytes: every entry's offset fields straddle a sector boundary, so even
    // the lone move of tail.bin (into space it does not overlap) updates its entry through the journal.
    RunScenario({"empty and defragment, entries across sectors",
                 [](MemoryFileSystem& fs) {
                     MakeBase(fs, kArchive, kMethodTwofish, 0, 0,
                              {{"small.bin", PatternBytes(1000, 15)},
                               {"big.bin", PatternBytes(9000, 16)},
                               {"tail.bin", PatternBytes(80, 17)}});
                     ScriptedHost host;
                     auto a = OpenArchive(fs, host, kArchive, kPassword);
                     ASSERT_EQ(a->dataSize() % 512, 48u);
                     ASSERT_EQ(a->MoveEntries({NumberOf(*a, "small.bin")}, 1, false), kOk);
                     ASSERT_EQ(a->Close(true), kOk);
                 },
                 [](CCodeArchive& a, CCodeArchive*, MemoryFileSystem&) { a.EmptyRecycleBin({1}); }});
}

TEST(Crash, EmptyRecycleBinMovingAGroupOfBlocks) {
    // A large block leaves the front: the three behind it move together as one group.
    RunScenario({"empty and defragment, grouped moves",
                 [](MemoryFileSystem& fs) {
                     MakeBase(fs, kArchive, kMethodBlowfish, 0, 1,
                              {{"first.bin", PatternBytes(20000, 18)},
                               {"a.bin", PatternBytes(100, 19)},
                               {"b.bin", PatternBytes(2000, 20)},
                               {"c.bin", PatternBytes(300, 21)}});
                     ScriptedHost host;
                     auto a = OpenArchive(fs, host, kArchive, kPassword);
                     ASSERT_EQ(a->MoveEntries({NumberOf(*a, "first.bin")}, 1, false), kOk);
                     ASSERT_EQ(a->Close(true), kOk);
                 },
                 [](CCodeArchive& a, CCodeArchive*, MemoryFileSystem&) { a.EmptyRecycleBin({1}); }});
}

} // namespace
