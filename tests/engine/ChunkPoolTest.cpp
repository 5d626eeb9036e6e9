// Chunks encrypted and decrypted on several threads: the walk keeps its order and its stops, and
// an archive written, exported or copied with one thread or several holds the same bytes.
#include "ArchiveFixtures.h"
#include "CCodeArchive.h"
#include "ChunkCursor.h"
#include "ImageSamples.h"
#include "MemoryFileSystem.h"
#include "ScriptedHost.h"
#include "WorkerPool.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const char* const kPassword = "pool-test";

using ThreadsFor = WorkerPool::ThreadsFor;

// FillRandom draws from a seeded generator while it lives; `onChunkPrefix` runs at every draw of a
// chunk's random prefix (64 bytes), on the thread that draws it, with the count of draws so far.
class FixedRandom {
public:
    explicit FixedRandom(uint64_t seed)
        : rng_(seed) {
        SetRandomOverride([this](void* buffer, size_t length) {
            auto* out = static_cast<uint8_t*>(buffer);
            for (size_t i = 0; i < length; ++i) {
                out[i] = static_cast<uint8_t>(rng_());
            }
            if (length == kChunkPrefix) {
                prefixThreads.insert(std::this_thread::get_id());
                ++prefixes;
                if (onChunkPrefix) {
                    onChunkPrefix(prefixes);
                }
            }
        });
    }
    ~FixedRandom() { SetRandomOverride(nullptr); }
    FixedRandom(const FixedRandom&) = delete;
    FixedRandom& operator=(const FixedRandom&) = delete;

    int prefixes = 0;
    std::set<std::thread::id> prefixThreads;
    std::function<void(int)> onChunkPrefix;

private:
    std::mt19937_64 rng_;
};

// ---------------------------------------------------------------- the walk itself

// What a walk of synthetic stages saw. Loads, stores and `after` must all run on the test's thread
// in piece order; a transform stamps its piece's ordinal into `b`, so a store that finds another
// piece's stamp shows buffers shared between pieces in flight.
struct WalkLog {
    std::mutex mutex;
    std::vector<uint64_t> loads, stores, afters;
    std::atomic<int> transforms{0};
    std::atomic<int> running{0};
    size_t mostAhead = 0; // loads not yet stored, at most
    bool offThread = false;
    bool mixedBuffers = false;
};

ChunkStages SyntheticStages(WalkLog& log, const std::thread::id caller) {
    ChunkStages stages;
    stages.load = [&log, caller](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
        log.offThread |= std::this_thread::get_id() != caller;
        log.loads.push_back(piece.ordinal);
        log.mostAhead = std::max(log.mostAhead, log.loads.size() - log.stores.size());
        std::memcpy(buffers.a, &piece.ordinal, sizeof piece.ordinal);
        return kOk;
    };
    stages.transform = [&log](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
        ++log.running;
        uint64_t stamped = 0;
        std::memcpy(&stamped, buffers.a, sizeof stamped);
        stamped = stamped * 7 + 1;
        // Long enough that the walk's threads overlap.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::memcpy(buffers.b, &stamped, sizeof stamped);
        ++log.transforms;
        --log.running;
        (void)piece;
        return kOk;
    };
    stages.store = [&log, caller](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
        log.offThread |= std::this_thread::get_id() != caller;
        uint64_t stamped = 0;
        std::memcpy(&stamped, buffers.b, sizeof stamped);
        log.mixedBuffers |= stamped != piece.ordinal * 7 + 1;
        log.stores.push_back(piece.ordinal);
        return kOk;
    };
    return stages;
}

std::vector<uint64_t> Ordinals(uint64_t count) {
    std::vector<uint64_t> out;
    for (uint64_t i = 0; i < count; ++i) {
        out.push_back(i);
    }
    return out;
}

TEST(ChunkWalk, EveryPieceOnceInOrderOnTheCallersThread) {
    const ChunkCursor cursor = ChunkCursor::ForFile(9 * uint64_t{kPieceSize} + 100); // 10 pieces
    for (int threads : {1, 2, 4}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        const ThreadsFor use(threads);
        WalkLog log;
        TransferBuffers& shared = SharedBuffers();
        const std::thread::id caller = std::this_thread::get_id();
        const ChunkStages stages = SyntheticStages(log, caller);
        ChunkBuffers last{};
        const Status status = RunChunks(
            cursor, {shared.a, shared.b}, stages,
            [&](const ChunkPiece& piece) {
                log.offThread |= std::this_thread::get_id() != caller;
                log.afters.push_back(piece.ordinal);
                return Status{kOk};
            },
            &last);
        EXPECT_EQ(status, kOk);
        EXPECT_EQ(log.loads, Ordinals(10));
        EXPECT_EQ(log.stores, Ordinals(10));
        EXPECT_EQ(log.afters, Ordinals(10));
        EXPECT_EQ(log.transforms.load(), 10);
        EXPECT_FALSE(log.offThread);
        EXPECT_FALSE(log.mixedBuffers);
        // At most two pieces in flight per thread.
        EXPECT_LE(log.mostAhead, static_cast<size_t>(2 * threads));
        uint64_t stamped = 0;
        std::memcpy(&stamped, last.b, sizeof stamped);
        EXPECT_EQ(stamped, 9u * 7 + 1) << "the last piece's buffers";
        // Several threads never work in the buffers that calls back from a pump may use.
        EXPECT_EQ(last.a == shared.a, threads == 1);
    }
}

// A failure or a cancel at piece 4 stops the walk there: nothing after it is stored, nothing is
// still running when it returns, and no more is read than the pieces in flight.
TEST(ChunkWalk, StopsAtTheFirstFailureInPieceOrder) {
    enum Where { kLoad, kTransform, kStore, kAfter };
    const struct {
        Where where;
        Status code;
    } cases[] = {
        {kLoad, kErrFileAccess}, {kTransform, kErrGeneral}, {kStore, kErrFileAccess}, {kAfter, kCancelled}};
    constexpr uint64_t kFailing = 4;
    const ChunkCursor cursor = ChunkCursor::ForFile(11 * uint64_t{kPieceSize}); // 11 pieces
    for (int threads : {1, 3}) {
        for (const auto& c : cases) {
            SCOPED_TRACE("threads " + std::to_string(threads) + ", stage " + std::to_string(c.where));
            const ThreadsFor use(threads);
            WalkLog log;
            TransferBuffers& shared = SharedBuffers();
            ChunkStages stages = SyntheticStages(log, std::this_thread::get_id());
            const auto failAt = [&](Where where, ChunkStep step) -> ChunkStep {
                if (c.where != where) {
                    return step;
                }
                return [step, code = c.code](const ChunkPiece& piece, ChunkBuffers& buffers) {
                    const Status s = step(piece, buffers);
                    return piece.ordinal == kFailing ? code : s;
                };
            };
            stages.load = failAt(kLoad, stages.load);
            stages.transform = failAt(kTransform, stages.transform);
            stages.store = failAt(kStore, stages.store);
            const Status status =
                RunChunks(cursor, {shared.a, shared.b}, stages, [&](const ChunkPiece& piece) {
                    log.afters.push_back(piece.ordinal);
                    return c.where == kAfter && piece.ordinal == kFailing ? Status{kCancelled} : Status{kOk};
                });
            EXPECT_EQ(status, c.code);
            EXPECT_EQ(log.running.load(), 0) << "a transform outlived the walk";
            const uint64_t stored = c.where == kStore || c.where == kAfter ? kFailing + 1 : kFailing;
            EXPECT_EQ(log.stores, Ordinals(stored));
            EXPECT_EQ(log.afters, Ordinals(c.where == kAfter ? kFailing + 1 : kFailing));
            EXPECT_LE(log.loads.size(), kFailing + 2 * static_cast<uint64_t>(threads));
        }
    }
}

// ---------------------------------------------------------------- walks in a row

// Walks of several files through one relay, each piece stamped with its walk and ordinal.
struct RelayLog {
    std::vector<std::pair<uint64_t, uint64_t>> loads, stores;
    size_t mostInFlight = 0;
    size_t loadsAtFirstStore = 0; // pieces read when walk 0 was stored
    bool offThread = false;
    bool mixedBuffers = false;
    uint64_t failLoadOf = UINT64_MAX; // this walk's piece 0 cannot be read
};

uint64_t Stamp(uint64_t walk, uint64_t ordinal) {
    return walk * 1000 + ordinal;
}

ChunkStep RelayLoad(RelayLog& log, uint64_t walk) {
    return [&log, walk, caller = std::this_thread::get_id()](const ChunkPiece& piece, ChunkBuffers& buffers) {
        log.offThread |= std::this_thread::get_id() != caller;
        if (walk == log.failLoadOf && piece.ordinal == 0) {
            return Status{kErrFileAccess};
        }
        log.loads.emplace_back(walk, piece.ordinal);
        log.mostInFlight = std::max(log.mostInFlight, log.loads.size() - log.stores.size());
        const uint64_t stamp = Stamp(walk, piece.ordinal);
        std::memcpy(buffers.a, &stamp, sizeof stamp);
        return Status{kOk};
    };
}

ChunkStep RelayTransform() {
    return [](const ChunkPiece& /*piece*/, ChunkBuffers& buffers) {
        uint64_t stamp = 0;
        std::memcpy(&stamp, buffers.a, sizeof stamp);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        stamp = stamp * 7 + 1;
        std::memcpy(buffers.b, &stamp, sizeof stamp);
        return Status{kOk};
    };
}

// Runs the walks `order` (keys into `pieces`) through `relay`, each expecting the next of
// `expected` after it; the status of each walk.
std::vector<Status> RunWalks(ChunkRelay& relay, RelayLog& log, const std::vector<uint64_t>& pieces,
                             const std::vector<uint64_t>& order) {
    const auto cursorOf = [&](uint64_t walk) {
        return ChunkCursor::ForFile(pieces[walk] * uint64_t{kPieceSize});
    };
    std::vector<Status> statuses;
    TransferBuffers& shared = SharedBuffers();
    for (const uint64_t walk : order) {
        ChunkStages stages;
        stages.load = RelayLoad(log, walk);
        stages.store = [&log, walk](const ChunkPiece& piece, ChunkBuffers& buffers) {
            uint64_t stamp = 0;
            std::memcpy(&stamp, buffers.b, sizeof stamp);
            log.mixedBuffers |= stamp != Stamp(walk, piece.ordinal) * 7 + 1;
            if (log.stores.empty()) {
                log.loadsAtFirstStore = log.loads.size();
            }
            log.stores.emplace_back(walk, piece.ordinal);
            return Status{kOk};
        };
        const ChunkLookahead lookahead = [&, walk](size_t i, ChunkWalkAhead& ahead) {
            const uint64_t next = walk + 1 + i;
            if (next >= pieces.size()) {
                return false;
            }
            ahead.key = next;
            ahead.cursor = cursorOf(next);
            ahead.load = RelayLoad(log, next);
            return true;
        };
        statuses.push_back(
            relay.Walk(walk, cursorOf(walk), {shared.a, shared.b}, stages, {}, nullptr, lookahead));
    }
    return statuses;
}

std::vector<std::pair<uint64_t, uint64_t>> PiecesOf(const std::vector<uint64_t>& pieces,
                                                    const std::vector<uint64_t>& walks) {
    std::vector<std::pair<uint64_t, uint64_t>> out;
    for (const uint64_t walk : walks) {
        for (uint64_t i = 0; i < pieces[walk]; ++i) {
            out.emplace_back(walk, i);
        }
    }
    return out;
}

// Small files in a row: with several threads the next files are read while one is encrypted, yet
// every piece is read once and stored once, in order, inside its own walk.
TEST(ChunkRelay, ReadsTheNextFilesAheadAndStoresEachInItsOwnWalk) {
    const std::vector<uint64_t> pieces = {1, 1, 3, 1, 1, 2, 1};
    const std::vector<uint64_t> all = {0, 1, 2, 3, 4, 5, 6};
    for (int threads : {1, 2, 3}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        const ThreadsFor use(threads);
        RelayLog log;
        ChunkRelay relay(RelayTransform());
        EXPECT_EQ(RunWalks(relay, log, pieces, all), std::vector<Status>(all.size(), kOk));
        EXPECT_EQ(log.stores, PiecesOf(pieces, all));
        EXPECT_EQ(log.loads, PiecesOf(pieces, all)) << "each piece read once, in order";
        EXPECT_FALSE(log.offThread);
        EXPECT_FALSE(log.mixedBuffers);
        EXPECT_LE(log.mostInFlight, static_cast<size_t>(2 * threads));
        // Walk 1 is read before walk 0 is stored only when there are threads to spare.
        EXPECT_EQ(log.loadsAtFirstStore > 1, threads > 1);
        EXPECT_EQ(relay.piecesAhead(), 0u);
    }
}

// A walk other than the one expected, or one whose read failed ahead of it: nothing read ahead is
// stored, and the failing walk fails at its piece as it would on one thread.
TEST(ChunkRelay, DropsWhatWasReadAheadForAnotherWalkAndKeepsAFailedRead) {
    const std::vector<uint64_t> pieces = {1, 1, 1, 1, 1};
    for (int threads : {1, 3}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        const ThreadsFor use(threads);
        {
            RelayLog log;
            ChunkRelay relay(RelayTransform());
            EXPECT_EQ(RunWalks(relay, log, pieces, {0, 1, 3, 4}), std::vector<Status>(4, kOk));
            EXPECT_EQ(log.stores, PiecesOf(pieces, {0, 1, 3, 4})) << "walk 2, read ahead, is never stored";
            EXPECT_FALSE(log.mixedBuffers);
        }
        {
            RelayLog log;
            log.failLoadOf = 2;
            ChunkRelay relay(RelayTransform());
            EXPECT_EQ(RunWalks(relay, log, pieces, {0, 1, 2}),
                      (std::vector<Status>{kOk, kOk, kErrFileAccess}));
            EXPECT_EQ(log.stores, PiecesOf(pieces, {0, 1}));
            EXPECT_EQ(relay.piecesAhead(), 0u);
        }
    }
}

// A picture decoded beside its one chunk polls the walk now and then. With threads to spare the
// chunk is stored from the poll once it is encrypted (and no piece read ahead for the next walk);
// its `after` still comes after the beside, and a store that fails there fails the walk.
TEST(ChunkRelay, ABesidesPollStoresItsPieceOnceEncrypted) {
    using namespace std::chrono_literals;
    for (int threads : {1, 3}) {
        for (bool storeFails : {false, true}) {
            SCOPED_TRACE("threads " + std::to_string(threads) + (storeFails ? ", the store fails" : ""));
            const ThreadsFor use(threads);
            RelayLog log;
            std::vector<std::string> events;
            ChunkStages stages;
            stages.load = RelayLoad(log, 0);
            stages.store = [&](const ChunkPiece& piece, ChunkBuffers& buffers) {
                uint64_t stamp = 0;
                std::memcpy(&stamp, buffers.b, sizeof stamp);
                log.mixedBuffers |= stamp != Stamp(0, piece.ordinal) * 7 + 1;
                events.emplace_back("store");
                return storeFails ? Status{kErrFileAccess} : Status{kOk};
            };
            stages.beside = [&](const ChunkPiece& /*piece*/, ChunkBuffers& /*buffers*/,
                                const ChunkPoll& poll) {
                events.emplace_back("beside");
                const auto until = std::chrono::steady_clock::now() + 5s;
                while (threads > 1 && events.back() != "store" && std::chrono::steady_clock::now() < until) {
                    poll();
                    std::this_thread::sleep_for(1ms);
                }
                // By now the next walk's piece is encrypted too; it must stay where it is.
                std::this_thread::sleep_for(20ms);
                poll();
                events.emplace_back("beside ends");
                return Status{kOk};
            };
            const ChunkLookahead lookahead = [&](size_t i, ChunkWalkAhead& ahead) {
                if (i > 0) {
                    return false;
                }
                ahead.key = 1;
                ahead.cursor = ChunkCursor::ForFile(1000);
                ahead.load = RelayLoad(log, 1);
                return true;
            };
            ChunkRelay relay(RelayTransform());
            TransferBuffers& shared = SharedBuffers();
            const Status status = relay.Walk(
                0, ChunkCursor::ForFile(1000), {shared.a, shared.b}, stages,
                [&](const ChunkPiece& /*piece*/) {
                    events.emplace_back("after");
                    return Status{kOk};
                },
                nullptr, lookahead);
            EXPECT_EQ(status, storeFails ? kErrFileAccess : kOk);
            std::vector<std::string> expected =
                threads > 1 ? std::vector<std::string>{"beside", "store", "beside ends"}
                            : std::vector<std::string>{"beside", "beside ends", "store"};
            if (!storeFails) {
                expected.emplace_back("after");
            }
            EXPECT_EQ(events, expected);
            EXPECT_FALSE(log.mixedBuffers) << "a piece was stored before its transform, or another walk's";
        }
    }
}

TEST(WorkerPoolThreads, EnvironmentChoosesTheThreads) {
    const unsigned cores =
        std::max(1u, std::min<unsigned>(std::thread::hardware_concurrency(), WorkerPool::kMaxThreads));
    const struct {
        const char* value;
        int threads;
    } cases[] = {
        {"1", 1},
        {"2", std::min(2, static_cast<int>(cores))},
        {"999", static_cast<int>(cores)},
        {"0", static_cast<int>(cores)},
        {"two", static_cast<int>(cores)},
        {"", static_cast<int>(cores)},
    };
    const char* saved = std::getenv("KVQ_THREADS");
    const std::string keep = saved ? saved : "";
    for (const auto& c : cases) {
        ::setenv("KVQ_THREADS", c.value, 1);
        EXPECT_EQ(WorkerPool::Threads(), c.threads) << "KVQ_THREADS=" << c.value;
    }
    if (saved) {
        ::setenv("KVQ_THREADS", keep.c_str(), 1);
    } else {
        ::unsetenv("KVQ_THREADS");
    }
}

// ---------------------------------------------------------------- archives

// Everything of one run that must not depend on the threads.
struct RunResult {
    std::vector<uint8_t> dataArea;       // every chunk and thumbnail, as stored
    std::vector<CatalogueEntry> entries; // with the times of the run zeroed
    std::map<std::string, std::vector<uint8_t>> exported;
    std::vector<uint8_t> copiedDataArea; // the other archive after the copy
    std::vector<CatalogueEntry> copiedEntries;
    int prefixes = 0;
    bool prefixesOnOneThread = false;
};

std::vector<SourceFile> MixedSources() {
    return {{"big.bin", PatternBytes(2 * size_t{kPieceSize} + 12345, 1)},
            {"photo.jpg", EncodedImage(640, 480, "jpeg")},
            {"empty.dat", {}},
            {"exact.bin", PatternBytes(kPieceSize, 2)},
            {"drawing.png", EncodedImage(300, 200, "png")},
            {"small.txt", PatternBytes(777, 3)}};
}

std::vector<uint8_t> DataArea(MemoryFileSystem& fs, const std::string& path) {
    const std::optional<std::vector<uint8_t>> bytes = fs.Get(path);
    if (!bytes || bytes->size() < kDataAreaOffset + sizeof(ProtectedHeader)) {
        ADD_FAILURE() << "no archive at " << path;
        return {};
    }
    return *bytes;
}

std::vector<CatalogueEntry> EntriesWithoutTimes(CCodeArchive& archive) {
    std::vector<CatalogueEntry> out;
    for (int i = 0; i < archive.entryCount(); ++i) {
        CatalogueEntry e = *archive.Entry(EntryIndex(i));
        e.added = 0;
        e.created = 0;
        e.modified = 0;
        out.push_back(e);
    }
    return out;
}

RunResult ImportExportCopy(int threads) {
    const ThreadsFor use(threads);
    FixedRandom random(4711);
    RunResult result;
    MemoryFileSystem fs;
    ScriptedHost host;
    const std::vector<SourceFile> sources = MixedSources();
    {
        auto archive = MakeArchive(fs, host, "/a.kvq", ScriptedHost::Encrypted(kMethodTwofish, kPassword, 8));
        EXPECT_EQ(ImportFiles(*archive, fs, 0, sources), kOk);
        auto other = MakeArchive(fs, host, "/b.kvq", ScriptedHost::Encrypted(kMethodBlowfish, kPassword, 16));
        std::vector<int> all;
        for (int number = 1; number <= archive->entryCount(); ++number) {
            all.push_back(number);
        }
        EXPECT_EQ(archive->CopyEntries(all, 0, *other), kOk);
        fs.MakeDirectory("/out");
        host.folder = "/out";
        std::vector<std::string> written;
        EXPECT_EQ(archive->ExportSelection({0}, &written), kOk);
        for (const std::string& path : written) {
            result.exported[path] = fs.Get(path).value_or(std::vector<uint8_t>{});
        }
        result.entries = EntriesWithoutTimes(*archive);
        result.copiedEntries = EntriesWithoutTimes(*other);
        const uint32_t dataSize = archive->dataSize();
        const uint32_t otherDataSize = other->dataSize();
        EXPECT_EQ(archive->Close(true), kOk);
        EXPECT_EQ(other->Close(true), kOk);
        result.dataArea = DataArea(fs, "/a.kvq");
        result.dataArea = std::vector<uint8_t>(result.dataArea.begin() + kDataAreaOffset,
                                               result.dataArea.begin() + kDataAreaOffset + dataSize);
        result.copiedDataArea = DataArea(fs, "/b.kvq");
        result.copiedDataArea =
            std::vector<uint8_t>(result.copiedDataArea.begin() + kDataAreaOffset,
                                 result.copiedDataArea.begin() + kDataAreaOffset + otherDataSize);
    }
    result.prefixes = random.prefixes;
    result.prefixesOnOneThread = random.prefixThreads.size() == 1;
    // What the run wrote must be what was imported, or equal runs could both be wrong.
    std::map<std::string, std::vector<uint8_t>> expected;
    for (const SourceFile& f : sources) {
        expected["/out/" + f.name] = f.bytes;
    }
    EXPECT_EQ(result.exported, expected);
    return result;
}

TEST(ChunkPool, OneThreadAndSeveralWriteTheSameBytes) {
    const RunResult one = ImportExportCopy(1);
    const RunResult several = ImportExportCopy(3);
    ASSERT_FALSE(one.dataArea.empty());
    EXPECT_TRUE(one.dataArea == several.dataArea) << "the imported chunks and thumbnails differ";
    EXPECT_TRUE(one.copiedDataArea == several.copiedDataArea) << "the copied chunks and thumbnails differ";
    ASSERT_EQ(one.entries.size(), several.entries.size());
    for (size_t i = 0; i < one.entries.size(); ++i) {
        EXPECT_EQ(std::memcmp(&one.entries[i], &several.entries[i], sizeof(CatalogueEntry)), 0)
            << "entry " << i;
    }
    ASSERT_EQ(one.copiedEntries.size(), several.copiedEntries.size());
    for (size_t i = 0; i < one.copiedEntries.size(); ++i) {
        EXPECT_EQ(std::memcmp(&one.copiedEntries[i], &several.copiedEntries[i], sizeof(CatalogueEntry)), 0)
            << "copied entry " << i;
    }
    // Both pictures got their thumbnails, made beside their chunks.
    int thumbnails = 0;
    for (const CatalogueEntry& e : several.entries) {
        thumbnails += e.hasThumbnail;
    }
    EXPECT_EQ(thumbnails, 2);
    EXPECT_EQ(one.prefixes, several.prefixes);
    EXPECT_TRUE(several.prefixesOnOneThread) << "a chunk's random prefix was drawn on a worker";
}

// A read of the source or a write of the archive that fails in one chunk of a large file fails
// that file: it is not committed, the files before it are, and the archive stays sound.
TEST(ChunkPool, AFailureInOneChunkCommitsNothingOfTheFile) {
    const struct {
        const char* name;
        OpKind kind;
    } cases[] = {{"source read", OpKind::Read}, {"archive write", OpKind::Write}};
    for (int threads : {1, 3}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", threads " + std::to_string(threads));
            const ThreadsFor use(threads);
            MemoryFileSystem fs;
            ScriptedHost host;
            auto archive =
                MakeArchive(fs, host, "/a.kvq", ScriptedHost::Encrypted(kMethodTwofish, kPassword));
            ASSERT_EQ(ImportFiles(*archive, fs, 0, {{"kept.bin", PatternBytes(5000, 4)}}), kOk);
            FixedRandom random(5);
            // The read of the large file's third chunk fails (read ahead or not); or, once its
            // second chunk is shown as written, the write of the next one.
            random.onChunkPrefix = [&](int prefix) {
                if (prefix == 4 && c.kind == OpKind::Read) {
                    fs.FailNext(c.kind);
                }
            };
            host.onPiece = [&](int piece, int pieces) {
                if (pieces == 4 && piece == 2 && c.kind == OpKind::Write) {
                    fs.FailNext(c.kind);
                }
            };
            const Status status =
                ImportFiles(*archive, fs, 0,
                            {{"first.bin", PatternBytes(300, 5)},
                             {"large.bin", PatternBytes(3 * size_t{kPieceSize} + 1000, 6)}});
            EXPECT_NE(status, kOk);
            EXPECT_NE(status, kCancelled);
            std::vector<std::string> names;
            for (const EntrySnapshot& s : Snapshot(*archive)) {
                names.push_back(s.name);
            }
            EXPECT_EQ(names, (std::vector<std::string>{"Recycle Bin", "kept.bin", "first.bin"}));
            EXPECT_EQ(CheckErrors(*archive), "");
            ASSERT_EQ(archive->Close(true), kOk);
            Status reopened = kOk;
            auto again = OpenArchive(fs, host, "/a.kvq", kPassword, &reopened);
            ASSERT_EQ(reopened, kOk);
            EXPECT_EQ(again->entryCount(), 3);
            EXPECT_EQ(CheckErrors(*again), "");
            EXPECT_EQ(ReadFileBytes(*again, EntryIndex(2)), PatternBytes(300, 5));
            again->Close(false);
        }
    }
}

// A cancel during a 200 MiB import stops at the next chunk boundary: no chunk after the cancelled
// one is read beyond the ones already in flight, nothing more is reported, and the archive passes
// the check. On disk (a sparse source), so that the test stays small in memory.
TEST(ChunkPool, CancelDuringALargeImportStopsWithinTheChunksInFlight) {
    namespace fs = std::filesystem;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/chunkpool.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path root = pattern;
    struct Remove {
        fs::path path;
        ~Remove() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } remove{root};
    const std::string source = (root / "large.bin").string();
    {
        const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{200} << 20), 0);
        ::close(fd);
    }
    constexpr int kCancelAt = 3; // the piece whose report presses Cancel
    for (int threads : {1, 2}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        const ThreadsFor use(threads);
        ScriptedHost host;
        const std::string path = (root / ("a" + std::to_string(threads) + ".kvq")).string();
        auto archive =
            MakeArchive(PosixFileSystem(), host, path, ScriptedHost::Encrypted(kMethodTwofish, kPassword));
        const uint64_t lengthBefore = archive->fileLength();
        FixedRandom random(6);
        host.cancelAtPiece = kCancelAt;
        EXPECT_EQ(ImportPaths(*archive, {source}, 0, false), kCancelled);
        ASSERT_FALSE(host.pieces.empty());
        EXPECT_EQ(host.pieces.back().first, kCancelAt) << "pieces reported after the cancel";
        // Chunks drawn (read) after the cancelled one: at most those in flight.
        EXPECT_LE(random.prefixes - kCancelAt, 2 * threads - 1);
        EXPECT_EQ(archive->entryCount(), 1) << "the recycle bin alone";
        EXPECT_EQ(archive->fileLength(), lengthBefore);
        EXPECT_EQ(CheckErrors(*archive), "");
        ASSERT_EQ(archive->Close(true), kOk);
        Status reopened = kOk;
        auto again = OpenArchive(PosixFileSystem(), host, path, kPassword, &reopened);
        ASSERT_EQ(reopened, kOk);
        EXPECT_EQ(CheckErrors(*again), "");
        again->Close(false);
    }
}

} // namespace
