#pragma once
// One batch of additions to an archive: Begin, Plan* for every entry to come, Expand (the data area
// grows by a gap for all of it, the catalogue moves up behind the gap, and the header on disk
// follows at once, marked as holding free space), StartAdding, one add step per planned entry
// (each writes its data into the gap and its entry behind the catalogue), then Finish, which
// switches the header to take the new entries in and gives back what was reserved but not used.
// A crash at any point leaves the archive as one of its headers describes. Every step after the
// first failure or a cancel returns that status and touches nothing; Finish reports it once.
#include "ArchiveFile.h"
#include "Catalogue.h"
#include "ChunkCursor.h"
#include "ErrorCodes.h"
#include "FileLayer.h"
#include "Format.h"
#include "Progress.h"
#include "SharedBuffers.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

class CImageHolder;

// An archive's stored thumbnails: their cell in the thumbnail maker and their length (0: none).
struct ThumbnailSlot {
    int sizeIndex = 0;
    uint32_t storedLength = 0;
};

class BatchWriter {
public:
    BatchWriter(ArchiveFile& file, ProtectedHeader& header, Catalogue& catalogue, Progress& progress,
                IFileSystem& fs, const ThumbnailSlot& thumbnail);
    ~BatchWriter();
    BatchWriter(const BatchWriter&) = delete;
    BatchWriter& operator=(const BatchWriter&) = delete;

    // A new batch whose first status is `flushed`, that of writing the catalogue's changes first
    // (the batch ends with a reload from the file, which would throw away changes not written).
    // On a read-only archive every step returns 9039.
    Status Begin(bool silent, Status flushed);
    bool silent() const { return batch_.silent; }
    // No batch: every count back to zero.
    void Reset() { batch_ = Batch{}; }

    // ---- planning
    Status PlanFile(const std::string& path, uint64_t size);
    Status PlanFolder();
    Status PlanCopy(const CatalogueEntry& entry);
    // Planning found something the batch cannot take (a folder that cannot be listed): the batch
    // fails with `code`, shown naming `subject`.
    Status PlanFailure(Status code, const std::string& subject);
    Status Expand();
    Status StartAdding();
    // The batch fails with `code` (a source that cannot be read).
    void Fail(Status code) { batch_.pendingError = code; }

    // ---- add steps, in planning order; each gives the new entry's number
    Status AddFolder(int parent, const std::string& name, const std::string& comment, uint8_t typeCode,
                     int* newNumber = nullptr);
    // One file from disk into `parent`.
    Status AddFile(int parent, const std::string& path, int* newNumber = nullptr);
    // One file of `source` (`entry` as read from there), re-encrypted into `parent`.
    Status AddCopiedFile(int parent, ArchiveFile& source, const CatalogueEntry& entry,
                         const std::string& comment, const std::string& name, int* newNumber = nullptr);

    // ---- finishing
    // The header switch that takes the added entries in (when the batch expanded) and the progress
    // window's close: the batch's status so far. The owner then reloads the catalogue when
    // expanded() and ends the batch with its final status.
    Status Finish();
    bool expanded() const { return batch_.expanded; }
    // The file or folder `result` is about, when it is the error planning set.
    std::string SubjectOf(Status result) const;
    void End(Status result);

    ProgressCounts Counts() const;
    static uint8_t TypeCodeOf(const std::string& path);

private:
    struct Batch {
        int plannedEntries = 0;
        uint64_t plannedBytes = 0;
        uint64_t usedBytes = 0;
        int entriesAdded = 0;
        uint64_t nextDataPosition = 0;
        uint64_t nextEntryPosition = 0;
        bool expanded = false;
        bool silent = false;
        uint8_t defragmentBefore = 0;
        Status pendingError = 0;
        std::string pendingSubject;             // the file or folder the pending error is about, if any
        std::vector<uint64_t> plannedFileSizes; // in planning order; each add of a file takes the next
        std::vector<std::string> plannedFilePaths;
        size_t nextPlannedFile = 0;
    };

    // A planned file after the one being added, opened so that its first chunks can be read ahead.
    struct Upcoming {
        size_t planIndex = 0;
        std::unique_ptr<IFile> source;
        uint64_t length = 0;
    };

    uint64_t ArchiveSize() const;
    void Text(const std::string& text) { progress_.Text(text, Counts()); }
    // Status of an add step's preamble: 9004 when cancelled, else the pending error.
    Status AddPreamble() const;
    // An add may write `blockLength` bytes only while it stays inside the reserved gap and the
    // plan; otherwise the pending error is set and nothing is written.
    Status CheckAddRoom(uint64_t blockLength);
    // The bytes a file's block may take in the gap: its chunks, and a thumbnail when it may get one.
    uint64_t FileBlockRoom(uint8_t typeCode, uint64_t size) const;
    // Walks a file's chunks from the shared buffers, the progress window between pieces; `last`
    // gets the buffers the last piece went through.
    Status WalkFileChunks(const ChunkCursor& chunks, const ChunkStages& stages, ChunkBuffers& last);
    // Writes a finished chunk into the gap; `midDecode` while a picture is still being decoded.
    Status StoreChunk(const uint8_t* chunk, uint64_t position, uint32_t length, bool midDecode);
    // Reads one chunk of a file from disk into `a`: its random prefix drawn, the padding zeroed.
    static Status LoadFileChunk(IFile& source, const ChunkPiece& piece, ChunkBuffers& buffers);
    // The planned files after `planIndex` for the import's relay: the i-th of them, opened.
    bool LookAhead(size_t planIndex, size_t i, ChunkWalkAhead& ahead);
    // Forgets everything read ahead (after a failure, a cancel, at the batch's end).
    void DropAhead();
    // The plain bytes of a one-chunk file, on this thread while the chunk is encrypted, with the
    // walk's poll to call now and then.
    using PlainBeside = std::function<void(const uint8_t*, const ChunkPoll&)>;
    // Writes the source's chunks at `position`; for a one-chunk file `firstChunk` gets the plain bytes,
    // and `beside` gets them while the chunk is encrypted. With `planIndex`, the file is the planned
    // one of that index, and the planned files after it are read ahead while its last chunks are
    // encrypted.
    Status WriteFileData(IFile& source, uint64_t size, uint64_t position, SharedBytes* firstChunk,
                         const PlainBeside& beside = nullptr, std::optional<size_t> planIndex = std::nullopt);
    // The same for a file of another archive, whose chunks are decrypted and encrypted again.
    Status CopyFileData(ArchiveFile& source, const CatalogueEntry& entry, uint64_t position,
                        SharedBytes* firstChunk);
    // Decodes the image, records its dimensions in `entry` and encrypts its thumbnail into the shared
    // thumbnail buffer; `poll` runs now and then during the decode.
    Status SealThumbnail(const std::string& name, const uint8_t* data, CatalogueEntry& entry,
                         const ChunkPoll& poll = {});
    // SealThumbnail, then the thumbnail written at entry.thumbOffset.
    Status MakeThumbnail(const std::string& name, const SharedBytes& data, CatalogueEntry& entry);
    // Completes a file entry whose data was just written at the next data position (offsets,
    // thumbnail, name, comment, extension) and commits it. `e` holds the file's own fields. With
    // `sealedThumbnail`, the thumbnail was already made beside the data (its status; when 0 it waits
    // in the shared thumbnail buffer), else it is made from `firstChunk`.
    Status CommitFileAdd(CatalogueEntry& e, const std::string& name, const std::string& comment,
                         bool zeroEmptyCommentKeys, const std::string& imageName,
                         const SharedBytes& firstChunk, int* newNumber,
                         const Status* sealedThumbnail = nullptr);
    // AddFile once its source is open (null when it could not be).
    Status AddOpenedFile(int parent, const std::string& path, std::unique_ptr<IFile> source, int* newNumber);
    // Writes the entry of an add step at the next entry position and advances the batch.
    Status CommitAdd(CatalogueEntry& entry, int* newNumber);

    ArchiveFile& file_;
    ProtectedHeader& header_;
    Catalogue& catalogue_;
    Progress& progress_;
    IFileSystem& fs_;
    const ThumbnailSlot& thumbnail_;
    std::unique_ptr<CImageHolder> image_;
    Batch batch_;
    // Files from disk encrypted one after the other, their first chunks read ahead.
    ChunkRelay importRelay_;
    std::deque<Upcoming> upcoming_;
    // Bytes stored since the last early sync was asked for.
    static constexpr uint64_t kEarlySyncBytes = 32u << 20;
    uint64_t unsyncedBytes_ = 0;
};

} // namespace quorvane
