#pragma once
// The progress window of one archive's long operations, and the user's cancel: every call that
// reaches the host goes through a HostCall and ends with a poll, so that a cancel is seen at once.
// Without an open window nothing reaches the host and a cancel stays as it was.
#include "ArchiveHost.h"
#include "ChunkCursor.h"
#include "ErrorCodes.h"

#include <string>

namespace quorvane {

class CCodeArchive;

class Progress {
public:
    // `owner` names the archive to the host (its windows are keyed by it); `archiveName` is its
    // display name.
    Progress(ArchiveHost& host, const CCodeArchive* owner, const std::string& archiveName);
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Opens the window and clears the cancel; an adding window shows the thumbnail settings.
    void Open(int kind, int thumbnailFormat, int thumbnailQuality);
    void Total(int total);
    void Text(const std::string& text, const ProgressCounts& counts);
    void Piece(int piece, int pieces);
    bool PollCancel();
    void Close();

    bool cancelled() const { return cancelled_; }
    void ResetCancel() { cancelled_ = false; }
    // Between two pieces of a file's data: the piece's progress, and, unless it was the last, 9004
    // when the user cancelled the operation whose window is open (a large file stops between its
    // pieces, not only between files).
    Status AfterPiece(const ChunkCursor& chunks, const ChunkPiece& piece);

private:
    ArchiveHost& host_;
    const CCodeArchive* owner_;
    const std::string& archiveName_;
    bool cancelled_ = false;
    bool open_ = false;
};

} // namespace quorvane
