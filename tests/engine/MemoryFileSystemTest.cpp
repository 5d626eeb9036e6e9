#include "MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace quorvane {
namespace {

std::vector<uint8_t> Fill(size_t length, uint8_t value) {
    return std::vector<uint8_t>(length, value);
}

std::unique_ptr<IFile> MustOpen(MemoryFileSystem& fs, const std::string& path, bool create = false) {
    OpenResult result = OpenResult::Failed;
    auto file = fs.OpenExclusive(path, create, &result);
    EXPECT_EQ(result, OpenResult::Ok) << path;
    return file;
}

// Runs `setup` then a power cut for many seeds and gathers what the file looked like afterwards
// (nullopt when it was gone).
std::vector<std::optional<std::vector<uint8_t>>> Outcomes(const std::function<void(MemoryFileSystem&)>& setup,
                                                          const std::string& path, int seeds = 200) {
    std::vector<std::optional<std::vector<uint8_t>>> outcomes;
    for (int seed = 0; seed < seeds; ++seed) {
        MemoryFileSystem fs;
        setup(fs);
        std::mt19937 rng(static_cast<unsigned>(seed));
        fs.PowerCut(rng);
        outcomes.push_back(fs.Get(path));
    }
    return outcomes;
}

TEST(MemoryFileSystem, PowerCutKeepsOnlyWhatWasMadeDurable) {
    const auto oldBytes = Fill(1024, 0xAA);
    const auto newBytes = Fill(1024, 0xBB);
    using Setup = std::function<void(MemoryFileSystem&)>;
    struct Case {
        const char* what;
        Setup setup;
        std::set<std::optional<std::vector<uint8_t>>> allowed; // every one must be seen
    };
    const std::vector<Case> cases = {
        {"synced write survives",
         [&](MemoryFileSystem& fs) {
             fs.Put("/a", oldBytes);
             auto f = MustOpen(fs, "/a");
             f->WriteAt(newBytes.data(), 0, 1024);
             f->Sync();
         },
         {newBytes}},
        {"unsynced write is kept, lost or torn at 512",
         [&](MemoryFileSystem& fs) {
             fs.Put("/a", oldBytes);
             MustOpen(fs, "/a")->WriteAt(newBytes.data(), 0, 1024);
         },
         {oldBytes, newBytes,
          [&] {
              auto torn = oldBytes;
              std::fill_n(torn.begin(), 512, 0xBB);
              return torn;
          }()}},
        {"unsynced shrink is kept or lost",
         [&](MemoryFileSystem& fs) {
             fs.Put("/a", oldBytes);
             MustOpen(fs, "/a")->SetLength(10);
         },
         {oldBytes, Fill(10, 0xAA)}},
        {"new file synced but its folder not: may vanish",
         [&](MemoryFileSystem& fs) {
             auto f = MustOpen(fs, "/a", true);
             f->WriteAt(newBytes.data(), 0, 1024);
             f->Sync();
         },
         {std::nullopt, newBytes}},
        {"new file synced with its folder",
         [&](MemoryFileSystem& fs) {
             auto f = MustOpen(fs, "/a", true);
             f->WriteAt(newBytes.data(), 0, 1024);
             f->Sync();
             fs.SyncParentDirectory("/a");
         },
         {newBytes}},
        {"removal without folder sync may be undone",
         [&](MemoryFileSystem& fs) {
             fs.Put("/a", oldBytes);
             fs.Remove("/a");
         },
         {std::nullopt, oldBytes}},
        {"removal with folder sync",
         [&](MemoryFileSystem& fs) {
             fs.Put("/a", oldBytes);
             fs.Remove("/a");
             fs.SyncParentDirectory("/a");
         },
         {std::nullopt}},
        {"syncing another folder does not help",
         [&](MemoryFileSystem& fs) {
             fs.MakeDirectory("/d");
             fs.Put("/a", oldBytes);
             fs.Remove("/a");
             fs.SyncParentDirectory("/d/x");
         },
         {std::nullopt, oldBytes}},
    };
    for (const auto& c : cases) {
        std::set<std::optional<std::vector<uint8_t>>> seen;
        for (auto& outcome : Outcomes(c.setup, "/a")) {
            EXPECT_TRUE(c.allowed.count(outcome) != 0) << c.what;
            seen.insert(std::move(outcome));
        }
        EXPECT_EQ(seen, c.allowed) << c.what;
    }
}

TEST(MemoryFileSystem, TornWritesEndOnAbsoluteSectorBoundaries) {
    struct Case {
        uint64_t offset;
        size_t length;
        std::set<uint64_t> ends; // possible ends of the part that reached the disk
    };
    const std::vector<Case> cases = {
        {100, 1400, {100, 512, 1024, 1500}}, // torn only at 512 and 1024, never at 100 + 512
        {520, 100, {520, 620}},              // crosses no boundary: all or nothing
        {512, 512, {512, 1024}},             // boundaries at its edges are not inside it
        {3000, 200, {3000, 3072, 3200}},     // past the end of the file
    };
    for (const auto& c : cases) {
        std::set<uint64_t> seen;
        for (const auto& image : Outcomes(
                 [&](MemoryFileSystem& fs) {
                     fs.Put("/a", Fill(2048, 0xAA));
                     auto data = Fill(c.length, 0xBB);
                     MustOpen(fs, "/a")->WriteAt(data.data(), c.offset, c.length);
                 },
                 "/a")) {
            ASSERT_TRUE(image.has_value());
            uint64_t end = c.offset;
            while (end < image->size() && (*image)[end] == 0xBB) {
                ++end;
            }
            for (uint64_t i = 0; i < image->size(); ++i) {
                if (i < c.offset || i >= end) {
                    ASSERT_NE((*image)[i], 0xBB) << "offset " << c.offset << " byte " << i;
                }
            }
            seen.insert(end);
        }
        EXPECT_EQ(seen, c.ends) << "write at " << c.offset;
    }
}

// One mutating call per step, so that step k is mutating operation k.
std::vector<std::function<bool(MemoryFileSystem&, std::unique_ptr<IFile>&)>> Script() {
    return {
        [](MemoryFileSystem& fs, std::unique_ptr<IFile>& f) {
            OpenResult r = OpenResult::Failed;
            f = fs.OpenExclusive("/a", true, &r);
            return f != nullptr;
        },
        [](MemoryFileSystem&, std::unique_ptr<IFile>& f) { return f && f->SetLength(600); },
        [](MemoryFileSystem&, std::unique_ptr<IFile>& f) {
            auto data = Fill(100, 0x11);
            return f && f->WriteAt(data.data(), 0, data.size());
        },
        [](MemoryFileSystem&, std::unique_ptr<IFile>& f) { return f && f->Sync(); },
        [](MemoryFileSystem& fs, std::unique_ptr<IFile>&) { return fs.SyncParentDirectory("/a"); },
        [](MemoryFileSystem&, std::unique_ptr<IFile>& f) {
            auto data = Fill(50, 0x22);
            return f && f->WriteAt(data.data(), 500, data.size());
        },
        [](MemoryFileSystem& fs, std::unique_ptr<IFile>&) { return fs.Remove("/old"); },
    };
}

TEST(MemoryFileSystem, FailAtAndStopAtCountMutatingOperations) {
    MemoryFileSystem base;
    base.Put("/old", Fill(3, 1));
    const auto script = Script();

    // A clean run, remembering /a after each step; reads between steps must not be counted.
    std::vector<std::optional<std::vector<uint8_t>>> after;
    {
        auto fs = base.Clone();
        fs->ResetMutatingOpCount();
        std::unique_ptr<IFile> f;
        for (const auto& step : script) {
            ASSERT_TRUE(step(*fs, f));
            uint8_t byte = 0;
            f->ReadAt(&byte, 0, 1);
            after.push_back(fs->Get("/a"));
        }
        ASSERT_EQ(fs->MutatingOpCount(), script.size());
    }

    for (uint64_t k = 1; k <= script.size(); ++k) {
        auto failing = base.Clone();
        failing->FailAt(k);
        auto stopping = base.Clone();
        stopping->StopAt(k);
        std::unique_ptr<IFile> ff;
        std::unique_ptr<IFile> sf;
        for (uint64_t step = 1; step <= script.size(); ++step) {
            bool failed = !script[step - 1](*failing, ff);
            bool stopped = !script[step - 1](*stopping, sf);
            if (step < k) {
                EXPECT_FALSE(failed || stopped) << "k " << k << " step " << step;
            } else {
                EXPECT_TRUE(stopped) << "k " << k << " step " << step;
            }
            if (step == k) {
                EXPECT_TRUE(failed) << "k " << k;
            }
        }
        EXPECT_TRUE(stopping->Stopped());
        // Nothing after the stop reached the files: /a is as it was after step k - 1.
        EXPECT_EQ(stopping->Get("/a"), k == 1 ? std::nullopt : after[k - 2]) << "k " << k;
        EXPECT_TRUE(stopping->Get("/old").has_value());
        EXPECT_EQ(failing->Get("/old").has_value(), k == script.size());
        // Exactly the k-th mutating call failed.
        uint64_t index = 0;
        for (const auto& op : failing->log) {
            if (IsMutating(op.kind)) {
                ++index;
                EXPECT_EQ(op.ok, index != k) << "k " << k << " op " << index;
            }
        }
        uint8_t byte = 0;
        EXPECT_FALSE(sf && sf->ReadAt(&byte, 0, 1)) << "reads fail too once stopped";
    }

    // FailCallAt counts reads and opens too, never queries.
    auto fs = base.Clone();
    OpenResult r = OpenResult::Failed;
    auto f = fs->OpenPlain("/old", false, &r);
    ASSERT_TRUE(f);
    const uint64_t calls = fs->CallCount();
    fs->FailCallAt(2);
    uint8_t byte = 0;
    EXPECT_TRUE(fs->Exists("/old"));
    EXPECT_TRUE(f->ReadAt(&byte, 0, 1));
    EXPECT_FALSE(f->ReadAt(&byte, 0, 1)) << "the second counted call";
    EXPECT_TRUE(f->ReadAt(&byte, 0, 1));
    EXPECT_EQ(fs->CallCount(), calls + 3);
}

TEST(MemoryFileSystem, ExclusiveAndSharedLocks) {
    MemoryFileSystem fs;
    fs.Put("/a", Fill(700, 0x5A));
    OpenResult r = OpenResult::Failed;
    auto first = fs.OpenExclusive("/a", false, &r);
    ASSERT_EQ(r, OpenResult::Ok);

    EXPECT_EQ(fs.OpenExclusive("/a", false, &r), nullptr);
    EXPECT_EQ(r, OpenResult::Locked);
    EXPECT_EQ(fs.OpenExclusive("/a", true, &r), nullptr);
    EXPECT_EQ(r, OpenResult::Locked);
    EXPECT_EQ(fs.OpenShared("/a", &r), nullptr);
    EXPECT_EQ(r, OpenResult::Locked);
    EXPECT_EQ(fs.Get("/a"), Fill(700, 0x5A)) << "creating over a locked file must not truncate it";
    EXPECT_NE(fs.OpenPlain("/a", false, &r), nullptr) << "plain opens take no lock";

    EXPECT_TRUE(first->Close());
    auto shared1 = fs.OpenShared("/a", &r);
    auto shared2 = fs.OpenShared("/a", &r);
    ASSERT_NE(shared2, nullptr);
    EXPECT_FALSE(shared1->WriteAt("x", 0, 1)) << "shared opens are read-only";
    EXPECT_EQ(fs.OpenExclusive("/a", false, &r), nullptr);
    EXPECT_EQ(r, OpenResult::Locked);
    shared1.reset(); // destruction releases like Close
    shared2.reset();
    EXPECT_FALSE(fs.IsLocked("/a"));
    EXPECT_NE(fs.OpenExclusive("/a", false, &r), nullptr);
}

TEST(MemoryFileSystem, OpenResultsAndNamespace) {
    MemoryFileSystem fs;
    fs.Put("/d/x", Fill(1, 1));
    fs.PutSpecial("/d/fifo");
    ASSERT_TRUE(fs.MakeDirectory("/d/sub"));
    OpenResult r = OpenResult::Ok;
    EXPECT_EQ(fs.OpenExclusive("/d/none", false, &r), nullptr);
    EXPECT_EQ(r, OpenResult::NotFound);
    EXPECT_EQ(fs.OpenExclusive("/nofolder/a", true, &r), nullptr);
    EXPECT_EQ(r, OpenResult::NotFound);
    EXPECT_EQ(fs.OpenShared("/d/fifo", &r), nullptr);
    EXPECT_EQ(r, OpenResult::Failed);
    EXPECT_EQ(fs.OpenShared("/d/sub", &r), nullptr);
    EXPECT_EQ(r, OpenResult::Directory);
    EXPECT_EQ(fs.CreateNew("/d/x", &r), nullptr) << "never overwrites";
    auto created = fs.CreateNew("/d/y", &r);
    ASSERT_NE(created, nullptr);
    uint8_t byte = 0;
    ASSERT_TRUE(created->WriteAt(&byte, 0, 1));
    EXPECT_FALSE(created->ReadAt(&byte, 0, 1)) << "write-only";

    auto list = fs.ListDirectory("/d/");
    ASSERT_TRUE(list.has_value());
    std::vector<std::pair<std::string, DirEntryKind>> got;
    for (const auto& e : *list) {
        got.emplace_back(e.name, e.kind);
    }
    EXPECT_EQ(got, (std::vector<std::pair<std::string, DirEntryKind>>{{"fifo", DirEntryKind::Other},
                                                                      {"sub", DirEntryKind::Directory},
                                                                      {"x", DirEntryKind::File},
                                                                      {"y", DirEntryKind::File}}));
    EXPECT_FALSE(fs.Remove("/d")) << "not empty";
    fs.SetTimes("/d/x", 5, 7);
    auto times = fs.Stat("/d/x");
    ASSERT_TRUE(times.has_value());
    EXPECT_EQ(times->length, 1u);
    EXPECT_EQ(times->created, UnixNsToFileTime(5));
    EXPECT_EQ(times->modified, UnixNsToFileTime(7));
}

TEST(MemoryFileSystem, ReadsPastTheEndFailAndWritesExtend) {
    MemoryFileSystem fs;
    fs.Put("/a", Fill(10, 1));
    auto f = MustOpen(fs, "/a");
    uint8_t buffer[8] = {};
    EXPECT_TRUE(f->ReadAt(buffer, 2, 8));
    EXPECT_FALSE(f->ReadAt(buffer, 3, 8));
    EXPECT_FALSE(f->ReadAt(buffer, 11, 0));
    EXPECT_TRUE(f->WriteAt(buffer, 20, 4));
    EXPECT_EQ(f->Length(), 24u);
    EXPECT_EQ((*fs.Get("/a"))[15], 0) << "the gap reads as zeros";
}

TEST(MemoryFileSystem, CapacityLimitsGrowth) {
    MemoryFileSystem fs;
    fs.Put("/other", Fill(100, 0));
    fs.SetCapacity(1000);
    auto f = MustOpen(fs, "/a", true);
    EXPECT_TRUE(f->SetLength(900));
    EXPECT_FALSE(f->SetLength(901));
    EXPECT_EQ(f->Length(), 900u) << "a refused growth leaves the length alone";
    uint8_t byte = 7;
    EXPECT_FALSE(f->WriteAt(&byte, 900, 1));
    EXPECT_TRUE(f->WriteAt(&byte, 899, 1)) << "writing inside the file needs no room";
    EXPECT_TRUE(f->SetLength(400));
    EXPECT_TRUE(f->SetLength(900)) << "shrinking gives the room back";
    EXPECT_EQ(fs.UsedBytes(), 1000u);
}

TEST(MemoryFileSystem, PowerCutKillsHandlesAndLocks) {
    MemoryFileSystem fs;
    fs.Put("/a", Fill(10, 1));
    auto f = MustOpen(fs, "/a");
    fs.StopAt(1);
    std::mt19937 rng(1);
    fs.PowerCut(rng);
    EXPECT_FALSE(fs.Stopped());
    uint8_t byte = 0;
    EXPECT_FALSE(f->ReadAt(&byte, 0, 1));
    EXPECT_FALSE(f->WriteAt(&byte, 0, 1));
    EXPECT_FALSE(f->Sync());
    EXPECT_FALSE(f->Length().has_value());
    EXPECT_FALSE(f->Close());
    auto again = MustOpen(fs, "/a");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->ReadAt(&byte, 0, 1));
}

TEST(MemoryFileSystem, CloneIsIndependent) {
    MemoryFileSystem fs;
    fs.Put("/a", Fill(4, 1));
    auto held = MustOpen(fs, "/a");
    auto copy = fs.Clone();
    auto inCopy = MustOpen(*copy, "/a"); // the original's lock stays with the original
    ASSERT_NE(inCopy, nullptr);
    uint8_t byte = 9;
    inCopy->WriteAt(&byte, 0, 1);
    EXPECT_EQ((*fs.Get("/a"))[0], 1);
    EXPECT_EQ((*copy->Get("/a"))[0], 9);
}

TEST(MemoryFileSystem, StartupDiskAnswerAndLog) {
    MemoryFileSystem fs;
    bool missing = true;
    EXPECT_TRUE(fs.StartupDiskHasRoom(&missing));
    EXPECT_FALSE(missing);
    fs.SetStartupDisk(false);
    EXPECT_FALSE(fs.StartupDiskHasRoom(&missing));
    EXPECT_FALSE(missing);
    fs.SetStartupDisk(true, true);
    EXPECT_FALSE(fs.StartupDiskHasRoom(&missing));
    EXPECT_TRUE(missing);

    fs.log.clear();
    auto f = MustOpen(fs, "/j", true);
    f->WriteAt("abc", 7, 3);
    f->Close();
    ASSERT_EQ(fs.log.size(), 3u);
    EXPECT_EQ(fs.log[0].kind, OpKind::Create);
    EXPECT_EQ(fs.log[1].kind, OpKind::Write);
    EXPECT_EQ(fs.log[1].path, "/j");
    EXPECT_EQ(fs.log[1].offset, 7u);
    EXPECT_EQ(fs.log[1].length, 3u);
    EXPECT_EQ(fs.log[2].kind, OpKind::Close);

    fs.FailNext(OpKind::Read);
    f = MustOpen(fs, "/j");
    uint8_t byte = 0;
    EXPECT_FALSE(f->ReadAt(&byte, 0, 1));
    EXPECT_TRUE(f->ReadAt(&byte, 0, 1));
}

} // namespace
} // namespace quorvane
