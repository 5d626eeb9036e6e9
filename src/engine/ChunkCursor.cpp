#include "ChunkCursor.h"

#include "WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace quorvane {
namespace {

// One piece on its way through the pool, in buffers of its own.
struct ChunkSlot final : PoolJob {
    ChunkBuffers buffers{};
    ChunkPiece piece;
    const ChunkStep* transform = nullptr;
    Status status = kOk;

    void Run() override { status = (*transform)(piece, buffers); }
};

// The pool's buffers: allocated when first needed, kept for the life of the process, so that no
// chunk allocates anything.
struct SlotMemory {
    std::vector<std::unique_ptr<uint8_t[]>> blocks;
    std::vector<ChunkBuffers> buffers;
};

SlotMemory& Slots() {
    static SlotMemory memory;
    return memory;
}

const std::vector<ChunkBuffers>& SlotBuffers(size_t count) {
    SlotMemory& memory = Slots();
    while (memory.buffers.size() < count) {
        auto a = std::make_unique<uint8_t[]>(kTransferBufferSize);
        auto b = std::make_unique<uint8_t[]>(kTransferBufferSize);
        memory.buffers.push_back({a.get(), b.get()});
        memory.blocks.push_back(std::move(a));
        memory.blocks.push_back(std::move(b));
    }
    return memory.buffers;
}

// Only one walk at a time uses the pool's buffers; one started from a pump inside another runs on
// the caller's thread in the buffers it was given.
std::atomic<bool> g_slotsInUse{false};

Status RunInOrder(const ChunkCursor& cursor, ChunkBuffers buffers, const ChunkStages& stages,
                  const ChunkAfter& after, ChunkBuffers* lastBuffers) {
    for (uint64_t i = 0; i < cursor.count(); ++i) {
        const ChunkPiece piece = cursor.Piece(i);
        for (const ChunkStep* step : {&stages.load, &stages.transform, &stages.beside, &stages.store}) {
            if (*step) {
                if (Status s = (*step)(piece, buffers); s != kOk) {
                    return s;
                }
            }
        }
        if (lastBuffers != nullptr && piece.last()) {
            *lastBuffers = buffers;
        }
        if (after) {
            if (Status s = after(piece); s != kOk) {
                return s;
            }
        }
    }
    return kOk;
}

} // namespace

ChunkCursor::ChunkCursor(uint64_t length, bool stored, bool backwards)
    : length_(length)
    , count_(stored ? PieceCount(length) : (length + kPieceSize - 1) / kPieceSize)
    , stored_(stored)
    , backwards_(backwards) {}

ChunkCursor ChunkCursor::ForFile(uint64_t size) {
    return ChunkCursor(size, true, false);
}

ChunkCursor ChunkCursor::ForRange(uint64_t length, bool backwards) {
    return ChunkCursor(length, false, backwards);
}

ChunkPiece ChunkCursor::Piece(uint64_t ordinal) const {
    const uint64_t index = backwards_ ? count_ - 1 - ordinal : ordinal;
    ChunkPiece piece;
    piece.ordinal = ordinal;
    piece.count = count_;
    piece.plainOffset = index * kPieceSize;
    piece.plainLength = static_cast<uint32_t>(std::min<uint64_t>(kPieceSize, length_ - piece.plainOffset));
    if (stored_) {
        piece.storedOffset = index * kFullChunkSize;
        piece.storedLength = Padded(uint64_t{piece.plainLength} + kChunkPrefix);
    } else {
        piece.storedOffset = piece.plainOffset;
        piece.storedLength = piece.plainLength;
    }
    return piece;
}

Status RunChunks(const ChunkCursor& cursor, ChunkBuffers buffers, const ChunkStep& step,
                 const ChunkAfter& after) {
    for (uint64_t i = 0; i < cursor.count(); ++i) {
        const ChunkPiece piece = cursor.Piece(i);
        if (Status s = step(piece, buffers); s != kOk) {
            return s;
        }
        if (after) {
            if (Status s = after(piece); s != kOk) {
                return s;
            }
        }
    }
    return kOk;
}

Status RunChunks(const ChunkCursor& cursor, ChunkBuffers buffers, const ChunkStages& stages,
                 const ChunkAfter& after, ChunkBuffers* lastBuffers) {
    const int threads = WorkerPool::Threads();
    const uint64_t count = cursor.count();
    bool idle = false;
    if (threads <= 1 || (count <= 1 && !stages.beside) || !g_slotsInUse.compare_exchange_strong(idle, true)) {
        return RunInOrder(cursor, buffers, stages, after, lastBuffers);
    }
    struct Release {
        ~Release() { g_slotsInUse.store(false); }
    } release;

    WorkerPool& pool = WorkerPool::Shared(threads - 1);
    const size_t slotCount =
        static_cast<size_t>(std::min<uint64_t>(2 * static_cast<uint64_t>(threads), count));
    const std::vector<ChunkBuffers>& memory = SlotBuffers(slotCount);
    ChunkSlot slots[2 * WorkerPool::kMaxThreads];
    for (size_t i = 0; i < slotCount; ++i) {
        slots[i].buffers = memory[i];
        slots[i].transform = &stages.transform;
    }

    // Pieces [next, posted) are in the slots, piece p in slot p % slotCount. A load or a `beside`
    // that fails ends the walk at its piece, once the pieces before it are stored.
    uint64_t next = 0;
    uint64_t posted = 0;
    uint64_t end = count;
    Status endStatus = kOk;
    Status status = kOk;
    while (status == kOk && next < end) {
        // Every free slot takes the next piece, so that the workers never wait for a read.
        while (posted < end && posted - next < slotCount) {
            ChunkSlot& slot = slots[posted % slotCount];
            slot.piece = cursor.Piece(posted);
            slot.status = kOk;
            if (Status s = stages.load(slot.piece, slot.buffers); s != kOk) {
                end = posted;
                endStatus = s;
                break;
            }
            pool.Post(slot);
            ++posted;
            if (stages.beside) {
                if (Status s = stages.beside(slot.piece, slot.buffers); s != kOk) {
                    end = posted - 1;
                    endStatus = s;
                    break;
                }
            }
        }
        if (next >= end) {
            break;
        }
        ChunkSlot& slot = slots[next % slotCount];
        pool.Wait(slot);
        status = slot.status;
        if (status == kOk) {
            status = stages.store(slot.piece, slot.buffers);
        }
        if (status == kOk && lastBuffers != nullptr && slot.piece.last()) {
            *lastBuffers = slot.buffers;
        }
        if (status == kOk && after) {
            status = after(slot.piece);
        }
        ++next;
    }
    if (status == kOk) {
        status = endStatus;
    }
    // Stopped early: what no thread has started never runs, and what has started is waited for,
    // since it works in the slots' buffers.
    for (uint64_t p = next; p < posted; ++p) {
        pool.Withdraw(slots[p % slotCount]);
    }
    for (uint64_t p = next; p < posted; ++p) {
        pool.Wait(slots[p % slotCount]);
    }
    return status;
}

void WipeChunkBuffers() {
    bool idle = false;
    if (!g_slotsInUse.compare_exchange_strong(idle, true)) {
        return; // a walk is under way (never when an archive is closed): its buffers are busy
    }
    for (const ChunkBuffers& buffers : Slots().buffers) {
        std::memset(buffers.a, 0, kTransferBufferSize);
        std::memset(buffers.b, 0, kTransferBufferSize);
    }
    g_slotsInUse.store(false);
}

} // namespace quorvane
