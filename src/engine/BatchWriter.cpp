#include "BatchWriter.h"

#include "CImageHolder.h"
#include "CThumbnailMaker.h"
#include "ChunkCursor.h"
#include "NameRules.h"
#include "TextCodec.h"

#include <cstring>
#include <optional>

namespace quorvane {

BatchWriter::BatchWriter(ArchiveFile& file, ProtectedHeader& header, Catalogue& catalogue, Progress& progress,
                         IFileSystem& fs, const ThumbnailSlot& thumbnail)
    : file_(file)
    , header_(header)
    , catalogue_(catalogue)
    , progress_(progress)
    , fs_(fs)
    , thumbnail_(thumbnail)
    , image_(std::make_unique<CImageHolder>())
    , importRelay_([this](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
        return file_.Encrypt(buffers.a, buffers.b, piece.storedLength) == kOk ? kOk : kErrFileAccess;
    }) {}

BatchWriter::~BatchWriter() {
    DropAhead();
}

void BatchWriter::DropAhead() {
    importRelay_.Drop();
    upcoming_.clear();
}

uint64_t BatchWriter::ArchiveSize() const {
    return uint64_t{kDataAreaOffset} + header_.dataSize + header_.catalogueSize;
}

Status BatchWriter::Begin(bool silent, Status flushed) {
    DropAhead();
    batch_ = Batch{};
    unsyncedBytes_ = 0;
    batch_.pendingError = flushed;
    batch_.silent = silent;
    batch_.defragmentBefore = header_.defragmentPending;
    progress_.ResetCancel();
    if (file_.readOnly()) {
        batch_.pendingError = kErrReadOnly; // every step returns it; Finish gives it once
        return batch_.pendingError;
    }
    if (!silent) {
        progress_.Open(file_.encrypted() ? kProgressEncrypt : kProgressCopy, header_.thumbnailFormat,
                       header_.thumbnailQuality);
    }
    return batch_.pendingError;
}

namespace {

Status PlanPreamble(bool cancelled, Status pending) {
    if (cancelled) {
        return kCancelled;
    }
    return pending;
}

} // namespace

Status BatchWriter::PlanFile(const std::string& path, uint64_t size) {
    if (Status s = PlanPreamble(progress_.cancelled(), batch_.pendingError); s != kOk) {
        return s;
    }
    if (progress_.PollCancel()) {
        return kCancelled;
    }
    OpenResult result{};
    std::unique_ptr<IFile> source = fs_.OpenShared(path, &result);
    if (!source) {
        batch_.pendingError = kErrSourceLocked;
        return batch_.pendingError;
    }
    source->Close();
    ++batch_.plannedEntries;
    batch_.plannedBytes += thumbnail_.storedLength + StoredLength(size);
    batch_.plannedFileSizes.push_back(size);
    batch_.plannedFilePaths.push_back(path);
    return kOk;
}

Status BatchWriter::PlanFailure(Status code, const std::string& subject) {
    if (batch_.pendingError == kOk) {
        batch_.pendingError = code;
        batch_.pendingSubject = subject;
    }
    return batch_.pendingError;
}

Status BatchWriter::PlanFolder() {
    if (Status s = PlanPreamble(progress_.cancelled(), batch_.pendingError); s != kOk) {
        return s;
    }
    if (progress_.PollCancel()) {
        return kCancelled;
    }
    ++batch_.plannedEntries;
    return kOk;
}

Status BatchWriter::PlanCopy(const CatalogueEntry& entry) {
    if (Status s = PlanPreamble(progress_.cancelled(), batch_.pendingError); s != kOk) {
        return s;
    }
    if (progress_.PollCancel()) {
        return kCancelled;
    }
    ++batch_.plannedEntries;
    batch_.plannedBytes += StoredLength(entry.size) + thumbnail_.storedLength;
    return kOk;
}

Status BatchWriter::Expand() {
    if (progress_.cancelled()) {
        return kCancelled;
    }
    if (batch_.pendingError != kOk) {
        return batch_.pendingError;
    }
    Text("Expanding Archive");
    const uint64_t planned = batch_.plannedBytes;
    if (batch_.plannedEntries + header_.entryCount > kMaxEntries) {
        batch_.pendingError = kErrTooManyEntries;
    } else if (ArchiveSize() + planned > kMaxArchiveSize) {
        batch_.pendingError = kErrTooLarge;
    } else {
        Text("Resizing archive, please wait.");
        const uint64_t oldLength = file_.Length();
        const uint64_t oldCatalogue = uint64_t{kDataAreaOffset} + header_.dataSize;
        Status status = file_.SetLength(ArchiveSize() + planned +
                                        uint64_t{kEntrySize} * static_cast<uint32_t>(batch_.plannedEntries));
        if (status == kOk && planned > 0) {
            // The catalogue moves up behind the gap, and the header on disk follows it at once,
            // marked as holding free space: the gap is then space nothing refers to, and the adds
            // can fill it without touching anything a crash would need.
            ProtectedHeader next = header_;
            next.dataSize = static_cast<uint32_t>(header_.dataSize + planned);
            next.defragmentPending = 1;
            bool sourceIntact = true;
            status = RelocateCatalogueOf(file_, header_, oldCatalogue, oldCatalogue + planned,
                                         header_.catalogueSize, next, &sourceIntact);
            if (status != kOk) {
                file_.file()->SetLength(oldLength); // the old header is the one on disk
            }
        }
        if (status != kOk) {
            batch_.pendingError = status;
        } else {
            batch_.expanded = true;
            batch_.nextDataPosition = oldCatalogue;
            header_.dataSize = static_cast<uint32_t>(header_.dataSize + planned);
            batch_.nextEntryPosition = ArchiveSize();
            catalogue_.Moved(); // reloaded by FinishBatch
        }
    }
    return batch_.pendingError;
}

Status BatchWriter::StartAdding() {
    if (progress_.cancelled()) {
        return kCancelled;
    }
    if (batch_.pendingError != kOk) {
        return batch_.pendingError;
    }
    progress_.Total(batch_.plannedEntries);
    return kOk;
}

Status BatchWriter::AddPreamble() const {
    if (progress_.cancelled()) {
        return kCancelled;
    }
    return batch_.pendingError;
}

Status BatchWriter::CheckAddRoom(uint64_t blockLength) {
    const uint64_t gapEnd = uint64_t{kDataAreaOffset} + header_.dataSize;
    if (!batch_.expanded || batch_.entriesAdded >= batch_.plannedEntries ||
        batch_.nextDataPosition + blockLength > gapEnd) {
        batch_.pendingError = kErrBatchWrite;
        return batch_.pendingError;
    }
    return kOk;
}

Status BatchWriter::CommitAdd(CatalogueEntry& entry, int* newNumber) {
    if (file_.WriteAt(&entry, batch_.nextEntryPosition, kEntrySize) != kOk) {
        batch_.pendingError = kErrBatchWrite;
        return batch_.pendingError;
    }
    batch_.nextEntryPosition += kEntrySize;
    batch_.nextDataPosition += entry.blockLength;
    batch_.usedBytes += entry.blockLength;
    ++batch_.entriesAdded;
    if (newNumber) {
        *newNumber = header_.entryCount + batch_.entriesAdded;
    }
    return kOk;
}

Status BatchWriter::AddFolder(int parent, const std::string& name, const std::string& comment,
                              uint8_t typeCode, int* newNumber) {
    if (Status s = AddPreamble(); s != kOk) {
        return s;
    }
    if (Status s = CheckAddRoom(0); s != kOk) {
        return s;
    }
    const uint64_t now = NowFileTime();
    header_.timeCopy.stamp2 = now;
    CatalogueEntry e{};
    e.created = e.modified = e.added = now;
    e.container = 1;
    e.typeCode = typeCode;
    e.expanded = 1;
    e.parent = parent;
    e.width = -1;
    e.height = -1;
    file_.EncryptText(name, e.name, &e.nameKey1, &e.nameKey2);
    file_.EncryptText(comment, e.comment, &e.commentKey1, &e.commentKey2);
    return CommitAdd(e, newNumber);
}

uint8_t BatchWriter::TypeCodeOf(const std::string& path) {
    const std::string extension = AsciiUpper(ExtensionOf(FileNameOf(path)));
    if (extension == "KVQ") {
        return kTypeArchive;
    }
    if (extension == "JPG" || extension == "JPEG") {
        return kTypeJpeg;
    }
    if (extension == "GIF" || extension == "GIFF") {
        return kTypeGif;
    }
    if (extension == "BMP") {
        return kTypeBmp;
    }
    if (extension == "PNG") {
        return kTypePng;
    }
    if (extension == "TIF" || extension == "TIFF") {
        return kTypeTiff;
    }
    return kTypeOther;
}

Status BatchWriter::WalkFileChunks(const ChunkCursor& chunks, const ChunkStages& stages, ChunkBuffers& last) {
    TransferBuffers& shared = SharedBuffers();
    last = {shared.a, shared.b};
    return RunChunks(
        chunks, {shared.a, shared.b}, stages,
        [&](const ChunkPiece& piece) { return progress_.AfterPiece(chunks, piece); }, &last);
}

Status BatchWriter::StoreChunk(const uint8_t* chunk, uint64_t position, uint32_t length, bool midDecode) {
    if (const Status s = file_.WriteAt(chunk, position, length); s != kOk) {
        return s;
    }
    // The kernel writes the data out while the rest is encrypted (or the picture decoded), so that
    // the sync before the header switch has little left to wait for. The sync's thread only waits
    // in the kernel, so one-thread runs have it too.
    unsyncedBytes_ += length;
    if (midDecode || unsyncedBytes_ >= kEarlySyncBytes) {
        unsyncedBytes_ = 0;
        file_.file()->SyncSoon();
    }
    return kOk;
}

Status BatchWriter::LoadFileChunk(IFile& source, const ChunkPiece& piece, ChunkBuffers& buffers) {
    // Drawn here, in chunk order, whichever thread encrypts the chunk.
    FillRandom(buffers.a, kChunkPrefix);
    if (piece.plainLength > 0 &&
        !source.ReadAt(buffers.a + kChunkPrefix, piece.plainOffset, piece.plainLength)) {
        return kErrFileAccess;
    }
    // The padding is zeroed, so that no bytes of an earlier transfer end up in the file.
    std::memset(buffers.a + kChunkPrefix + piece.plainLength, 0,
                piece.storedLength - kChunkPrefix - piece.plainLength);
    return kOk;
}

bool BatchWriter::LookAhead(size_t planIndex, size_t i, ChunkWalkAhead& ahead) {
    const size_t wanted = planIndex + 1 + i;
    if (wanted >= batch_.plannedFilePaths.size()) {
        return false;
    }
    // The upcoming files are opened in plan order, one past the other.
    if (i < upcoming_.size() ? upcoming_[i].planIndex != wanted : i != upcoming_.size()) {
        return false;
    }
    if (i == upcoming_.size()) {
        OpenResult result{};
        std::unique_ptr<IFile> source = fs_.OpenShared(batch_.plannedFilePaths[wanted], &result);
        const std::optional<uint64_t> length = source ? source->Length() : std::nullopt;
        // One that cannot be opened, or changed its length, is left to its own add to report.
        if (!length || *length != batch_.plannedFileSizes[wanted]) {
            return false;
        }
        upcoming_.push_back({wanted, std::move(source), *length});
    }
    const Upcoming& file = upcoming_[i];
    IFile* source = file.source.get();
    ahead.key = file.planIndex;
    ahead.cursor = ChunkCursor::ForFile(file.length);
    ahead.load = [source](const ChunkPiece& piece, ChunkBuffers& buffers) {
        return LoadFileChunk(*source, piece, buffers);
    };
    return true;
}

Status BatchWriter::WriteFileData(IFile& source, uint64_t size, uint64_t position, SharedBytes* firstChunk,
                                  const PlainBeside& beside, std::optional<size_t> planIndex) {
    if (firstChunk) {
        *firstChunk = SharedBytes();
    }
    const ChunkCursor chunks = ChunkCursor::ForFile(size);
    ChunkStages stages;
    stages.load = [&source](const ChunkPiece& piece, ChunkBuffers& buffers) {
        return LoadFileChunk(source, piece, buffers);
    };
    bool insideBeside = false;
    stages.store = [&](const ChunkPiece& piece, ChunkBuffers& buffers) {
        return StoreChunk(buffers.b, position + piece.storedOffset, piece.storedLength, insideBeside);
    };
    if (beside && size <= kPieceSize) {
        stages.beside = [&](const ChunkPiece& /*piece*/, ChunkBuffers& buffers,
                            const ChunkPoll& poll) -> Status {
            insideBeside = true;
            beside(buffers.a + kChunkPrefix, poll);
            insideBeside = false;
            return kOk;
        };
    }
    TransferBuffers& shared = SharedBuffers();
    ChunkBuffers last{shared.a, shared.b};
    const ChunkAfter after = [&](const ChunkPiece& piece) { return progress_.AfterPiece(chunks, piece); };
    ChunkLookahead lookahead;
    if (planIndex) {
        lookahead = [this, index = *planIndex](size_t i, ChunkWalkAhead& ahead) {
            return LookAhead(index, i, ahead);
        };
    }
    if (const Status status = importRelay_.Walk(planIndex.value_or(SIZE_MAX), chunks, {shared.a, shared.b},
                                                stages, after, &last, lookahead);
        status != kOk) {
        DropAhead();
        return status;
    }
    if (firstChunk && size <= kPieceSize) {
        *firstChunk = SharedBytes(last.a + kChunkPrefix);
    }
    return kOk;
}

Status BatchWriter::SealThumbnail(const std::string& name, const uint8_t* data, CatalogueEntry& entry,
                                  const ChunkPoll& poll) {
    CThumbnailMaker& maker = SharedThumbnailMaker();
    const int cell = CThumbnailMaker::kCellSize[thumbnail_.sizeIndex];
    const int16_t loaded = image_->LoadForThumbnail(name, data, entry.size, entry.typeCode, cell, poll);
    if (loaded != 0) {
        return kErrGeneral;
    }
    entry.width = image_->Width();
    entry.height = image_->Height();
    maker.Render(*image_, thumbnail_.sizeIndex, header_.thumbnailQuality != 0);
    const uint8_t* pixels =
        maker.GetThumbnailBits(thumbnail_.sizeIndex, ThumbIsGrey(header_.thumbnailFormat));
    image_->Reset();
    if (pixels == nullptr ||
        file_.Encrypt(pixels, SharedBuffers().thumbnail, thumbnail_.storedLength) != kOk) {
        return kErrGeneral;
    }
    return kOk;
}

Status BatchWriter::MakeThumbnail(const std::string& name, const SharedBytes& data, CatalogueEntry& entry) {
    if (Status s = SealThumbnail(name, data.get(), entry); s != kOk) {
        return s;
    }
    return file_.WriteAt(SharedBuffers().thumbnail, entry.thumbOffset, thumbnail_.storedLength);
}

Status BatchWriter::AddFile(int parent, const std::string& path, int* newNumber) {
    if (Status s = AddPreamble(); s != kOk) {
        return s;
    }
    // Opened already when its first chunks were read ahead.
    std::unique_ptr<IFile> source;
    if (!upcoming_.empty() && upcoming_.front().planIndex == batch_.nextPlannedFile &&
        batch_.plannedFilePaths[batch_.nextPlannedFile] == path) {
        source = std::move(upcoming_.front().source);
        upcoming_.pop_front();
    } else {
        DropAhead();
        OpenResult result{};
        source = fs_.OpenShared(path, &result);
    }
    const Status status = AddOpenedFile(parent, path, std::move(source), newNumber);
    if (status != kOk) {
        DropAhead();
    }
    return status;
}

Status BatchWriter::AddOpenedFile(int parent, const std::string& path, std::unique_ptr<IFile> source,
                                  int* newNumber) {
    const std::optional<FileTimes> times = source ? fs_.Stat(path) : std::nullopt;
    const std::optional<uint64_t> length = source ? source->Length() : std::nullopt;
    if (!source || !times || !length) {
        batch_.pendingError = kPendingGeneral;
        return batch_.pendingError;
    }
    const std::string name = FileNameOf(path);
    Text(name);
    if (progress_.cancelled()) {
        batch_.pendingError = kCancelled;
        return batch_.pendingError;
    }
    // The gap holds exactly what was planned: a source that changed its length since would write
    // over the catalogue behind the gap, so it is refused.
    const size_t planIndex = batch_.nextPlannedFile++;
    if (planIndex >= batch_.plannedFileSizes.size() || batch_.plannedFileSizes[planIndex] != *length) {
        batch_.pendingError = kErrFileAccess;
        return batch_.pendingError;
    }
    const uint64_t size = *length;
    const uint8_t type = TypeCodeOf(path);
    if (Status s = CheckAddRoom(FileBlockRoom(type, size)); s != kOk) {
        return s;
    }

    CatalogueEntry e{};
    e.container = 0;
    e.expanded = 1;
    e.parent = parent;
    e.size = static_cast<uint32_t>(size);
    e.width = -1;
    e.height = -1;
    e.typeCode = type;
    e.created = times->created;
    e.modified = times->modified;

    // A picture's thumbnail is decoded on this thread while its chunk is encrypted on another; the
    // decode stores the chunk as soon as it is ready.
    std::optional<Status> sealed;
    const auto thumbnail = [&](const uint8_t* plain, const ChunkPoll& poll) {
        sealed = SealThumbnail(path, plain, e, poll);
    };
    const bool makesThumbnail = IsImageType(type) && size <= kPieceSize && thumbnail_.storedLength != 0;
    SharedBytes firstChunk;
    if (const Status s = WriteFileData(*source, size, batch_.nextDataPosition, &firstChunk,
                                       makesThumbnail ? PlainBeside(thumbnail) : nullptr, planIndex);
        s != kOk) {
        // A file cancelled between its pieces is not committed; its chunks in the gap are given
        // back with the rest of the unused space.
        batch_.pendingError = s == kCancelled ? kCancelled : kErrBatchWrite;
        return batch_.pendingError;
    }
    // An imported file's empty comment is stored with zero sort keys.
    return CommitFileAdd(e, name, std::string(), true, path, firstChunk, newNumber,
                         sealed ? &*sealed : nullptr);
}

uint64_t BatchWriter::FileBlockRoom(uint8_t typeCode, uint64_t size) const {
    const bool thumbnail = IsImageType(typeCode) && size <= kPieceSize && thumbnail_.storedLength != 0;
    return StoredLength(size) + (thumbnail ? thumbnail_.storedLength : 0);
}

Status BatchWriter::CommitFileAdd(CatalogueEntry& e, const std::string& name, const std::string& comment,
                                  bool zeroEmptyCommentKeys, const std::string& imageName,
                                  const SharedBytes& firstChunk, int* newNumber,
                                  const Status* sealedThumbnail) {
    e.added = NowFileTime();
    e.inRecycleBin = 0;
    e.hasThumbnail = 0;
    e.itemCount = 0;
    e.fileCount = 0;
    e.dataOffset = e.blockOffset = static_cast<uint32_t>(batch_.nextDataPosition);
    e.dataLength = static_cast<uint32_t>(StoredLength(e.size));
    e.thumbOffset = e.dataOffset + e.dataLength;
    e.thumbLength = 0;
    header_.timeCopy.stamp2 = e.added;

    if (IsImageType(e.typeCode)) {
        if (e.size > kPieceSize) {
            e.typeCode = kTypeOther; // never shown as an image
        } else if (thumbnail_.storedLength != 0) {
            // Made for this archive's format, so an image copied from another archive is decoded again.
            // One sealed beside the file's chunk is in the shared thumbnail buffer, still to be written.
            const Status made =
                sealedThumbnail == nullptr ? MakeThumbnail(imageName, firstChunk, e)
                : *sealedThumbnail != kOk
                    ? *sealedThumbnail
                    : file_.WriteAt(SharedBuffers().thumbnail, e.thumbOffset, thumbnail_.storedLength);
            if (made == kOk) {
                e.hasThumbnail = 1;
                e.thumbLength = thumbnail_.storedLength;
            } else {
                e.typeCode = kTypeOther;
                e.width = -1;
                e.height = -1;
            }
        }
    }
    e.blockLength = e.dataLength + e.thumbLength;

    file_.EncryptText(name, e.name, &e.nameKey1, &e.nameKey2);
    file_.EncryptText(comment, e.comment, &e.commentKey1, &e.commentKey2);
    if (zeroEmptyCommentKeys && comment.empty()) {
        e.commentKey1 = 0;
        e.commentKey2 = 0;
    }
    std::memset(e.extension, 0, sizeof e.extension);
    const std::string extension = EncodeStoredText(AsciiUpper(ExtensionOf(name)), kExtensionMaxBytes);
    std::memcpy(e.extension, extension.data(), extension.size());
    e.extensionKey = SortKey(reinterpret_cast<const uint8_t*>(e.extension));
    return CommitAdd(e, newNumber);
}

Status BatchWriter::CopyFileData(ArchiveFile& source, const CatalogueEntry& entry, uint64_t position,
                                 SharedBytes* firstChunk) {
    if (firstChunk) {
        *firstChunk = SharedBytes();
    }
    const ChunkCursor chunks = ChunkCursor::ForFile(entry.size);
    ChunkStages stages;
    stages.load = [&](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
        return source.ReadAt(buffers.a, entry.dataOffset + piece.storedOffset, piece.storedLength) == kOk
                   ? kOk
                   : kErrArchiveRead;
    };
    // The random prefix travels with the chunk; only the key changes.
    stages.transform = [this, &source](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
        if (source.Decrypt(buffers.a, buffers.b, piece.storedLength) != kOk ||
            file_.Encrypt(buffers.b, buffers.a, piece.storedLength) != kOk) {
            return kErrFileAccess;
        }
        return kOk;
    };
    stages.store = [&](const ChunkPiece& piece, ChunkBuffers& buffers) {
        return StoreChunk(buffers.a, position + piece.storedOffset, piece.storedLength, false);
    };
    ChunkBuffers last{};
    if (const Status status = WalkFileChunks(chunks, stages, last); status != kOk) {
        return status;
    }
    if (firstChunk && entry.size <= kPieceSize) {
        *firstChunk = SharedBytes(last.b + kChunkPrefix);
    }
    return kOk;
}

Status BatchWriter::AddCopiedFile(int parent, ArchiveFile& source, const CatalogueEntry& entry,
                                  const std::string& comment, const std::string& name, int* newNumber) {
    if (Status s = AddPreamble(); s != kOk) {
        return s;
    }
    if (Status s = CheckAddRoom(FileBlockRoom(entry.typeCode, entry.size)); s != kOk) {
        return s;
    }
    Text(name);
    if (progress_.cancelled()) {
        batch_.pendingError = kCancelled;
        return batch_.pendingError;
    }
    SharedBytes firstChunk;
    if (Status s = CopyFileData(source, entry, batch_.nextDataPosition, &firstChunk); s != kOk) {
        batch_.pendingError = s;
        return s;
    }
    CatalogueEntry e{};
    e.container = entry.container;
    e.typeCode = entry.typeCode;
    e.expanded = entry.expanded;
    e.width = entry.width;
    e.height = entry.height;
    e.size = entry.size;
    e.created = entry.created;
    e.modified = entry.modified;
    e.parent = parent;
    return CommitFileAdd(e, name, comment, false, name, firstChunk, newNumber);
}

Status BatchWriter::Finish() {
    DropAhead();
    Status pending = batch_.pendingError;
    // A cancel that stopped the batch before its last add is the batch's result, also when it came
    // between two steps rather than inside an add (a cancel during planning added nothing at all).
    if (pending == kOk && progress_.cancelled() &&
        (!batch_.expanded || batch_.entriesAdded < batch_.plannedEntries)) {
        pending = kCancelled;
    }
    if (batch_.expanded) {
        Text("Canceling");
        progress_.Total(0);
        const uint32_t added = static_cast<uint32_t>(batch_.entriesAdded);
        ProtectedHeader next = header_;
        next.entryCount = header_.entryCount + batch_.entriesAdded;
        next.catalogueSize = header_.catalogueSize + kEntrySize * added;
        next.defragmentPending = batch_.defragmentBefore;
        const uint64_t catalogueStart = uint64_t{kDataAreaOffset} + header_.dataSize;
        Status status = kOk;
        bool sourceIntact = true;
        if (batch_.usedBytes != batch_.plannedBytes) {
            // Give back what was reserved but not used: the catalogue, new entries included, moves
            // down to the end of the data actually written.
            Text("Resizing archive, please wait.");
            const uint64_t unused = batch_.plannedBytes - batch_.usedBytes;
            next.dataSize = static_cast<uint32_t>(header_.dataSize - unused);
            status = RelocateCatalogueOf(file_, header_, catalogueStart, catalogueStart - unused,
                                         next.catalogueSize, next, &sourceIntact);
            progress_.PollCancel();
        } else {
            // Data and entries first, then the header that makes them part of the archive.
            status = file_.Flush();
            if (status == kOk) {
                status = WriteHeaderImageOf(file_, header_, next, true);
            }
        }
        if (status == kOk) {
            header_ = next;
            header_.timeCopy.stamp2 = file_.diskHeader().timeCopy.stamp2;
            status = file_.SetLength(ArchiveSize());
        } else if (sourceIntact) {
            // The move did not happen: keep the entries added where they are, with the data area at
            // its reserved size, and let the next Empty Recycle Bin reclaim the unused space.
            header_.entryCount = next.entryCount;
            header_.catalogueSize = next.catalogueSize;
            header_.defragmentPending = 1;
            if (file_.Flush() == kOk) {
                WriteHeaderImageOf(file_, header_, header_, true);
            }
        } else {
            // The move was rolled back: the file is as Expand left it, without the new entries.
            header_.defragmentPending = 1;
        }
        // A failure to finish is shown even after a cancel.
        if (status != kOk && (pending == kOk || pending == kCancelled)) {
            pending = kErrBatchWrite;
        }
    }
    progress_.Close();
    image_->Reset();
    return pending;
}

std::string BatchWriter::SubjectOf(Status result) const {
    // The subject belongs to the error planning set, not to one of finishing.
    return result == batch_.pendingError ? batch_.pendingSubject : std::string();
}

void BatchWriter::End(Status result) {
    batch_.expanded = false;
    batch_.pendingError = result;
}

ProgressCounts BatchWriter::Counts() const {
    return {batch_.entriesAdded, batch_.plannedEntries, batch_.usedBytes, batch_.plannedBytes};
}

} // namespace quorvane
