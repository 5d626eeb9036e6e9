#pragma once
// The one walk over a file's stored chunks (or over the pieces of a byte range being moved).
//
// A file of `size` bytes is stored as PieceCount(size) chunks, each one encrypted unit: 64 random
// bytes, up to 4 MiB of the file, zero padding to a multiple of 16. Chunk i begins
// i * kFullChunkSize bytes after the file's dataOffset. Every operation that moves file data
// (import, export, copy between archives, check, salvage) walks those chunks through RunChunks
// with a step that does its read -> cipher -> write for one piece, and an `after` callback that
// runs in order on the caller's thread between pieces (progress, cancel).
//
// The pieces are independent: a step sees only its piece and the buffers it is given. A walk
// given as ChunkStages splits each step in three: `load` and `store` run on the caller's thread in
// piece order (the file layer is only ever used there, and random prefixes are drawn there, so the
// bytes written never depend on the threads), while `transform` (the cipher) may run on a worker
// of the WorkerPool, several pieces at once, each in buffers of its own.
#include "ErrorCodes.h"
#include "Format.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace quorvane {

class WorkerPool;
struct ChunkSlot;

struct ChunkPiece {
    uint64_t ordinal = 0;      // place in the walk, 0-based
    uint64_t count = 0;        // pieces in the walk
    uint64_t plainOffset = 0;  // where the piece's bytes lie in the file (or the range)
    uint32_t plainLength = 0;  // the piece's bytes
    uint64_t storedOffset = 0; // where its chunk lies, counted from the start of the stored data
    uint32_t storedLength = 0; // its chunk's length (for a range piece: plainLength)

    bool last() const { return ordinal + 1 == count; }
};

// The two work buffers a step may use, each kTransferBufferSize bytes.
struct ChunkBuffers {
    uint8_t* a;
    uint8_t* b;
};

class ChunkCursor {
public:
    // The stored chunks of a file of `size` bytes (one, prefix and padding only, when it is empty).
    static ChunkCursor ForFile(uint64_t size);
    // Pieces of at most 4 MiB of a byte range, no prefix and no padding. With `backwards` the
    // last piece comes first, so that a copy towards the end over an overlap reads every piece
    // before it is overwritten.
    static ChunkCursor ForRange(uint64_t length, bool backwards);

    uint64_t count() const { return count_; }
    // Both walk the same pieces.
    bool SameWalk(const ChunkCursor& other) const {
        return length_ == other.length_ && stored_ == other.stored_ && backwards_ == other.backwards_;
    }
    // More than one piece: progress is reported for each.
    bool pieceByPiece() const { return length_ > kPieceSize; }
    ChunkPiece Piece(uint64_t ordinal) const;

private:
    ChunkCursor(uint64_t length, bool stored, bool backwards);

    uint64_t length_;
    uint64_t count_;
    bool stored_;
    bool backwards_;
};

using ChunkStep = std::function<Status(const ChunkPiece&, ChunkBuffers&)>;
using ChunkAfter = std::function<Status(const ChunkPiece&)>;

// Runs `step` for every piece in order, then `after` for it; stops at the first status that is not
// 0 and returns it.
Status RunChunks(const ChunkCursor& cursor, ChunkBuffers buffers, const ChunkStep& step,
                 const ChunkAfter& after = {});

// Given to a `beside` stage, which may call it now and then while it works (a picture being
// decoded): the pieces whose transform has finished are stored then, in order, up to its own, so
// that their writes need not wait for it to end.
using ChunkPoll = std::function<void()>;
using ChunkBeside = std::function<Status(const ChunkPiece&, ChunkBuffers&, const ChunkPoll&)>;

struct ChunkStages {
    // Caller's thread, in order: fills the piece's buffers (reads, random prefix, padding).
    ChunkStep load;
    // Any thread: works on the piece's buffers alone (no file, no catalogue, no host, no Qt).
    ChunkStep transform;
    // Caller's thread, in order: writes the result out.
    ChunkStep store;
    // Optional, caller's thread: runs once the piece's transform has been handed on, beside it,
    // before its `after`. It may read buffer `a`, which a transform must therefore only read, and a
    // store therefore never writes. Its piece is stored after it, or from its poll once the
    // transform has finished; with one thread, after it.
    ChunkBeside beside;
};

// The same walk in stages. With WorkerPool::Threads() above 1 and more than one thread's worth of
// work, the pieces go through buffers of the pool's own (never `buffers`, which calls back from a
// pump may use), at most two pieces per thread in flight; else everything runs in `buffers` on the
// caller's thread, as RunChunks does. The first status that is not 0 (in piece order: a load, a
// transform, a store or `after`) stops the walk once the transforms under way have finished; no
// later piece is stored. `lastBuffers`, when given, receives the buffers the last piece went through.
Status RunChunks(const ChunkCursor& cursor, ChunkBuffers buffers, const ChunkStages& stages,
                 const ChunkAfter& after = {}, ChunkBuffers* lastBuffers = nullptr);

// A walk still to come, as far as loading it goes.
struct ChunkWalkAhead {
    uint64_t key = 0; // names it to the Walk that will take its pieces over
    ChunkCursor cursor = ChunkCursor::ForFile(0);
    // Caller's thread, in piece order, during an earlier walk: what that walk's stages.load does.
    // It must stay valid until the walk is run or the relay dropped.
    ChunkStep load;
};

// Asked for the walks after the current one, the nearest first (0 is the next): fills `ahead` and
// returns true, or false when there is none (or it cannot be prepared now).
using ChunkLookahead = std::function<bool(size_t, ChunkWalkAhead&)>;

// Staged walks over several files in a row (an import, an export), one after the other, so
// that a run of small files keeps every thread busy: once a walk's own pieces are all under way, the
// free slots take the first pieces of the walks to come (loaded in order on the caller's thread,
// transformed on the pool), and the next Walk under the same key takes them over. Stores stay in
// order and inside their own walk, so each file still ends before the next one begins; only its
// reads come earlier. A walk that fails, or is not the one expected, drops everything loaded ahead:
// none of it is ever stored.
class ChunkRelay {
public:
    // Every walk's transform (the same for all the files of the operation).
    explicit ChunkRelay(ChunkStep transform);
    ~ChunkRelay();
    ChunkRelay(const ChunkRelay&) = delete;
    ChunkRelay& operator=(const ChunkRelay&) = delete;

    // RunChunks with stages (their transform is the relay's), for the walk named `key`.
    Status Walk(uint64_t key, const ChunkCursor& cursor, ChunkBuffers buffers, const ChunkStages& stages,
                const ChunkAfter& after = {}, ChunkBuffers* lastBuffers = nullptr,
                const ChunkLookahead& lookahead = {});
    // Discards everything loaded ahead (waiting for transforms under way) and gives the pool's
    // buffers back.
    void Drop();
    // Pieces loaded ahead and not yet taken over.
    uint64_t piecesAhead() const { return tail_ - head_; }

private:
    struct Ahead {
        ChunkWalkAhead walk;
        uint64_t posted = 0; // its pieces [0, posted) are in slots
        Status failed = kOk; // the load of piece `posted` failed so: the walk fails there
    };
    // Takes the pool's buffers for `threads` threads; false when another walk has them.
    bool Hold(int threads);
    void Release();
    ChunkSlot& SlotAt(uint64_t position);
    // Posts a loaded slot at the tail.
    void Post(ChunkSlot& slot);
    // Loads and posts pieces of the walks ahead into the free slots, in order, asking `lookahead`
    // for more while slots stay free. A load that fails ends the loading ahead there and is kept:
    // the walk it belongs to fails at that piece, as it would have loading it itself.
    void FillAhead(const ChunkLookahead& lookahead);
    // Withdraws or waits for every posted piece.
    void Discard();

    ChunkStep transform_;
    bool held_ = false;
    bool aheadStopped_ = false;
    size_t slotCount_ = 0;
    WorkerPool* pool_ = nullptr;
    std::unique_ptr<ChunkSlot[]> slots_;
    // Slot positions, counted without wrapping: [head_, tail_) hold posted pieces, oldest first.
    uint64_t head_ = 0;
    uint64_t tail_ = 0;
    std::deque<Ahead> ahead_;
};

// Zeroes the pool's chunk buffers (with the shared buffers, when an archive is locked or closed).
void WipeChunkBuffers();

} // namespace quorvane
