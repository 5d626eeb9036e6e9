#include "ChunkCursor.h"

#include <algorithm>

namespace quorvane {

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

} // namespace quorvane
