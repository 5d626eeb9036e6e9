#include "Progress.h"

#include "HostCall.h"

namespace quorvane {

Progress::Progress(ArchiveHost& host, const CCodeArchive* owner, const std::string& archiveName)
    : host_(host)
    , owner_(owner)
    , archiveName_(archiveName) {}

void Progress::Open(int kind, int thumbnailFormat, int thumbnailQuality) {
    cancelled_ = false;
    open_ = true;
    {
        const HostCall call;
        host_.ProgressOpenFor(owner_, kind, archiveName_, thumbnailFormat, thumbnailQuality);
    }
    PollCancel();
}

void Progress::Total(int total) {
    if (open_) {
        const HostCall call;
        host_.ProgressTotal(total);
    }
    PollCancel();
}

void Progress::Text(const std::string& text, const ProgressCounts& counts) {
    if (open_) {
        const HostCall call;
        host_.ProgressText(text, counts);
    }
    PollCancel();
}

void Progress::Piece(int piece, int pieces) {
    if (open_) {
        const HostCall call;
        host_.ProgressPiece(piece, pieces);
    }
    PollCancel();
}

bool Progress::PollCancel() {
    if (open_) {
        const HostCall call;
        if (host_.PollCancel()) {
            cancelled_ = true;
        }
    }
    return cancelled_;
}

void Progress::Close() {
    if (open_) {
        const HostCall call;
        host_.ProgressClose();
        open_ = false;
    }
}

Status Progress::AfterPiece(const ChunkCursor& chunks, const ChunkPiece& piece) {
    if (!chunks.pieceByPiece()) {
        return kOk;
    }
    Piece(static_cast<int>(piece.ordinal + 1), static_cast<int>(piece.count));
    return !piece.last() && open_ && cancelled_ ? Status{kCancelled} : Status{kOk};
}

} // namespace quorvane
