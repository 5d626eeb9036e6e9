#include "ChunkCursor.h"

#include "WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace quorvane {

// One piece on its way through the pool, in buffers of its own.
struct ChunkSlot final : PoolJob {
    ChunkBuffers buffers{};
    ChunkPiece piece;
    const ChunkStep* transform = nullptr;
    Status status = kOk;

    void Run() override { status = (*transform)(piece, buffers); }
};

namespace {

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

// Only one relay at a time uses the pool's buffers; a walk started from a pump inside another runs
// on the caller's thread in the buffers it was given.
std::atomic<bool> g_slotsInUse{false};

Status RunInOrder(const ChunkCursor& cursor, ChunkBuffers buffers, const ChunkStages& stages,
                  const ChunkStep& transform, const ChunkAfter& after, ChunkBuffers* lastBuffers) {
    // Every piece is stored after its beside here, so the poll has nothing to do.
    const ChunkPoll nothingToStore = [] {};
    for (uint64_t i = 0; i < cursor.count(); ++i) {
        const ChunkPiece piece = cursor.Piece(i);
        for (const ChunkStep* step : {&stages.load, &transform}) {
            if (Status s = *step ? (*step)(piece, buffers) : Status{kOk}; s != kOk) {
                return s;
            }
        }
        if (Status s = stages.beside ? stages.beside(piece, buffers, nothingToStore) : Status{kOk};
            s != kOk) {
            return s;
        }
        if (Status s = stages.store ? stages.store(piece, buffers) : Status{kOk}; s != kOk) {
            return s;
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
    ChunkRelay relay(stages.transform);
    return relay.Walk(0, cursor, buffers, stages, after, lastBuffers);
}

ChunkRelay::ChunkRelay(ChunkStep transform)
    : transform_(std::move(transform)) {}

ChunkRelay::~ChunkRelay() {
    Drop();
}

bool ChunkRelay::Hold(int threads) {
    const auto wanted = 2 * static_cast<size_t>(threads);
    if (held_ && slotCount_ == wanted) {
        return true;
    }
    Drop(); // the threads changed between two walks
    bool idle = false;
    if (!g_slotsInUse.compare_exchange_strong(idle, true)) {
        return false;
    }
    held_ = true;
    slotCount_ = wanted;
    pool_ = &WorkerPool::Shared(threads - 1);
    if (!slots_) {
        slots_ = std::make_unique<ChunkSlot[]>(2 * WorkerPool::kMaxThreads);
    }
    const std::vector<ChunkBuffers>& memory = SlotBuffers(slotCount_);
    for (size_t i = 0; i < slotCount_; ++i) {
        slots_[i].buffers = memory[i];
        slots_[i].transform = &transform_;
    }
    head_ = tail_ = 0;
    return true;
}

void ChunkRelay::Release() {
    if (held_) {
        held_ = false;
        g_slotsInUse.store(false);
    }
}

ChunkSlot& ChunkRelay::SlotAt(uint64_t position) {
    return slots_[position % slotCount_];
}

void ChunkRelay::Post(ChunkSlot& slot) {
    slot.status = kOk;
    pool_->Post(slot);
    ++tail_;
}

void ChunkRelay::Discard() {
    // What no thread has started never runs, and what has started is waited for, since it works
    // in the slots' buffers.
    for (uint64_t p = head_; p < tail_; ++p) {
        pool_->Withdraw(SlotAt(p));
    }
    for (uint64_t p = head_; p < tail_; ++p) {
        pool_->Wait(SlotAt(p));
    }
    head_ = tail_;
}

void ChunkRelay::Drop() {
    if (held_) {
        Discard();
        Release();
    }
    ahead_.clear();
    aheadStopped_ = false;
}

void ChunkRelay::FillAhead(const ChunkLookahead& lookahead) {
    while (!aheadStopped_ && tail_ - head_ < slotCount_) {
        if (ahead_.empty() || ahead_.back().posted == ahead_.back().walk.cursor.count()) {
            if (!lookahead || ahead_.size() >= slotCount_) {
                return;
            }
            Ahead next;
            if (!lookahead(ahead_.size(), next.walk)) {
                return;
            }
            ahead_.push_back(std::move(next));
            continue;
        }
        Ahead& walk = ahead_.back();
        ChunkSlot& slot = SlotAt(tail_);
        slot.piece = walk.walk.cursor.Piece(walk.posted);
        if (const Status s = walk.walk.load(slot.piece, slot.buffers); s != kOk) {
            walk.failed = s;
            aheadStopped_ = true;
            return;
        }
        Post(slot);
        ++walk.posted;
    }
}

Status ChunkRelay::Walk(uint64_t key, const ChunkCursor& cursor, ChunkBuffers buffers,
                        const ChunkStages& stages, const ChunkAfter& after, ChunkBuffers* lastBuffers,
                        const ChunkLookahead& lookahead) {
    const int threads = WorkerPool::Threads();
    const uint64_t count = cursor.count();
    // Pieces [0, posted) of this walk are in slots from head_ on: loaded ahead by the walks before,
    // when this is the walk they expected.
    uint64_t posted = 0;
    Status failedLoad = kOk;
    bool adopted = false;
    if (!ahead_.empty()) {
        const Ahead& first = ahead_.front();
        if (first.walk.key == key && first.walk.cursor.SameWalk(cursor) && held_ &&
            slotCount_ == 2 * static_cast<size_t>(threads)) {
            posted = first.posted;
            failedLoad = first.failed;
            ahead_.pop_front();
            adopted = true;
            if (ahead_.empty()) {
                aheadStopped_ = false; // loading ahead stopped inside this walk, which loads the rest
            }
        } else {
            Drop();
        }
    }
    const bool parallel = threads > 1 && (adopted || count > 1 || stages.beside || lookahead);
    if (!parallel || !Hold(threads)) {
        return RunInOrder(cursor, buffers, stages, transform_, after, lastBuffers);
    }

    // Pieces [next, posted) of this walk are in flight, piece `next` at head_; the walks ahead
    // follow them.
    uint64_t next = 0;
    // A load that failed ahead fails the walk at its piece, as it would have here.
    uint64_t end = failedLoad != kOk ? posted : count;
    uint64_t besideDone = 0;
    Status endStatus = failedLoad;
    Status status = kOk;
    // Pieces [next, storedEarly) were stored from a beside's poll, the last of them with status
    // `earlyStatus`; their `after` is still to come.
    uint64_t storedEarly = 0;
    Status earlyStatus = kOk;
    const ChunkPoll poll = [&] {
        for (uint64_t p = std::max(storedEarly, next); earlyStatus == kOk && p <= besideDone && p < posted;
             ++p) {
            ChunkSlot& slot = SlotAt(head_ + (p - next));
            if (!pool_->Done(slot) || slot.status != kOk) {
                return; // the walk itself waits for it, and reports a failed transform
            }
            earlyStatus = stages.store(slot.piece, slot.buffers);
            storedEarly = p + 1;
        }
    };
    while (status == kOk && next < end) {
        // Every free slot takes the next piece, so that the workers never wait for a read: this
        // walk's own first, then those of the walks to come. (Only the last walk ahead can be
        // part-loaded, so a walk with pieces still to load has nothing ahead behind it.)
        while (posted < end && tail_ - head_ < slotCount_) {
            ChunkSlot& slot = SlotAt(tail_);
            slot.piece = cursor.Piece(posted);
            if (Status s = stages.load(slot.piece, slot.buffers); s != kOk) {
                end = posted;
                endStatus = s;
                break;
            }
            Post(slot);
            ++posted;
        }
        if (posted == count) {
            FillAhead(lookahead);
        }
        while (stages.beside && besideDone < std::min(posted, end)) {
            ChunkSlot& slot = SlotAt(head_ + (besideDone - next));
            if (Status s = stages.beside(slot.piece, slot.buffers, poll); s != kOk) {
                end = besideDone;
                endStatus = s;
                break;
            }
            ++besideDone;
        }
        if (next >= end) {
            break;
        }
        ChunkSlot& slot = SlotAt(head_);
        pool_->Wait(slot);
        ++head_;
        status = slot.status;
        if (next < storedEarly) {
            status = next + 1 == storedEarly ? earlyStatus : Status{kOk};
        } else if (status == kOk) {
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
    if (status != kOk) {
        Drop(); // nothing after the stop is stored, nor anything loaded ahead
        return status;
    }
    if (ahead_.empty()) {
        Release();
    }
    return kOk;
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
