// Import: files from disk into the reserved gap of a batch, with their thumbnails.
#include "CCodeArchive.h"
#include "CImageHolder.h"
#include "CThumbnailMaker.h"
#include "ChunkCursor.h"
#include "NameRules.h"
#include "TextCodec.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

namespace quorvane {

uint8_t CCodeArchive::TypeCodeOf(const std::string& path) {
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

Status CCodeArchive::WriteFileData(IFile& source, uint64_t size, uint64_t position, SharedBytes* firstChunk,
                                   const std::function<void(const uint8_t*)>& beside) {
    TransferBuffers& shared = SharedBuffers();
    if (firstChunk) {
        *firstChunk = SharedBytes();
    }
    const ChunkCursor chunks = ChunkCursor::ForFile(size);
    ChunkStages stages;
    stages.load = [&](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
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
    };
    stages.transform = [this](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
        return EncryptUnit(buffers.a, buffers.b, piece.storedLength) == kOk ? kOk : kErrFileAccess;
    };
    stages.store = [&](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
        return WriteAt(buffers.b, position + piece.storedOffset, piece.storedLength);
    };
    if (beside && size <= kPieceSize) {
        stages.beside = [&](const ChunkPiece& /*piece*/, ChunkBuffers& buffers) -> Status {
            beside(buffers.a + kChunkPrefix);
            return kOk;
        };
    }
    ChunkBuffers last{shared.a, shared.b};
    const Status status = RunChunks(
        chunks, {shared.a, shared.b}, stages,
        [&](const ChunkPiece& piece) { return AfterPiece(chunks, piece); }, &last);
    if (status != kOk) {
        return status;
    }
    if (firstChunk && size <= kPieceSize) {
        *firstChunk = SharedBytes(last.a + kChunkPrefix);
    }
    return kOk;
}

Status CCodeArchive::SealThumbnail(const std::string& name, const uint8_t* data, CatalogueEntry& entry) {
    CThumbnailMaker& maker = SharedThumbnailMaker();
    const int cell = CThumbnailMaker::kCellSize[thumbSizeIndex_];
    const int16_t loaded = image_->LoadForThumbnail(name, data, entry.size, entry.typeCode, cell);
    if (loaded != 0) {
        return kErrGeneral;
    }
    entry.width = image_->Width();
    entry.height = image_->Height();
    maker.Render(*image_, thumbSizeIndex_, header_.thumbnailQuality != 0);
    const uint8_t* pixels = maker.GetThumbnailBits(thumbSizeIndex_, ThumbIsGrey(header_.thumbnailFormat));
    image_->Reset();
    if (pixels == nullptr || EncryptUnit(pixels, SharedBuffers().thumbnail, thumbStoredLength_) != kOk) {
        return kErrGeneral;
    }
    return kOk;
}

Status CCodeArchive::MakeThumbnail(const std::string& name, const SharedBytes& data, CatalogueEntry& entry) {
    if (Status s = SealThumbnail(name, data.get(), entry); s != kOk) {
        return s;
    }
    return WriteAt(SharedBuffers().thumbnail, entry.thumbOffset, thumbStoredLength_);
}

bool CCodeArchive::RenderThumbnail(EntryIndex index, int targetCell) {
    const CatalogueEntry* e = Entry(index);
    if (!e || e->typeCode == kTypeOther || !e->hasThumbnail) {
        return false;
    }
    const SharedBytes pixels(GetThumbnail(index));
    if (!pixels) {
        return false;
    }
    SharedThumbnailMaker().RestoreIcon(thumbSizeIndex_, pixels.get(), targetCell,
                                       ThumbIsGrey(header_.thumbnailFormat), e->width, e->height);
    return true;
}

Status CCodeArchive::AddFile(int parent, const std::string& path, int* newNumber) {
    if (Status s = AddPreamble(); s != kOk) {
        return s;
    }
    OpenResult result{};
    std::unique_ptr<IFile> source = fs_.OpenShared(path, &result);
    const std::optional<FileTimes> times = source ? fs_.Stat(path) : std::nullopt;
    const std::optional<uint64_t> length = source ? source->Length() : std::nullopt;
    if (!source || !times || !length) {
        batch_.pendingError = kPendingGeneral;
        return batch_.pendingError;
    }
    const std::string name = FileNameOf(path);
    ProgressText(name);
    if (cancelled_) {
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

    // A picture's thumbnail is decoded on this thread while its chunk is encrypted on another.
    std::optional<Status> sealed;
    const auto thumbnail = [&](const uint8_t* plain) { sealed = SealThumbnail(path, plain, e); };
    const bool makesThumbnail = IsImageType(type) && size <= kPieceSize && thumbStoredLength_ != 0;
    SharedBytes firstChunk;
    if (const Status s =
            WriteFileData(*source, size, batch_.nextDataPosition, &firstChunk,
                          makesThumbnail ? std::function<void(const uint8_t*)>(thumbnail) : nullptr);
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

uint64_t CCodeArchive::FileBlockRoom(uint8_t typeCode, uint64_t size) const {
    const bool thumbnail = IsImageType(typeCode) && size <= kPieceSize && thumbStoredLength_ != 0;
    return StoredLength(size) + (thumbnail ? thumbStoredLength_ : 0);
}

Status CCodeArchive::CommitFileAdd(CatalogueEntry& e, const std::string& name, const std::string& comment,
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
        } else if (thumbStoredLength_ != 0) {
            // Made for this archive's format, so an image copied from another archive is decoded again.
            // One sealed beside the file's chunk is in the shared thumbnail buffer, still to be written.
            const Status made = sealedThumbnail == nullptr ? MakeThumbnail(imageName, firstChunk, e)
                                : *sealedThumbnail != kOk
                                    ? *sealedThumbnail
                                    : WriteAt(SharedBuffers().thumbnail, e.thumbOffset, thumbStoredLength_);
            if (made == kOk) {
                e.hasThumbnail = 1;
                e.thumbLength = thumbStoredLength_;
            } else {
                e.typeCode = kTypeOther;
                e.width = -1;
                e.height = -1;
            }
        }
    }
    e.blockLength = e.dataLength + e.thumbLength;

    EncryptText(name, e.name, &e.nameKey1, &e.nameKey2);
    EncryptText(comment, e.comment, &e.commentKey1, &e.commentKey2);
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

} // namespace quorvane

namespace quorvane {
namespace {

struct PlanItem {
    std::string path;
    bool directory = false;
    int parentItem = -1; // index of the directory item it lies in, -1 for the import folder
};

std::string DirectoryName(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return FileNameOf(path);
}

} // namespace

Status ImportPaths(CCodeArchive& archive, const std::vector<std::string>& paths, int folder, bool recurse,
                   std::vector<ImportedItem>* added, std::vector<std::string>* skipped) {
    // Never called by another operation: busy means called back from inside one.
    if (archive.Busy()) {
        return kBusy;
    }
    const CCodeArchive::OperationScope scope(archive);
    archive.BeginBatch(false);
    // Planned depth first, in the order the adds will take.
    IFileSystem& fs = archive.fs_;
    std::vector<PlanItem> plan;
    std::function<Status(const std::string&, int)> planPath = [&](const std::string& path,
                                                                  int parentItem) -> Status {
        switch (fs.KindOf(path)) {
        case DirEntryKind::File: {
            const std::optional<FileTimes> times = fs.Stat(path);
            const Status s = archive.PlanFile(path, times ? times->length : 0);
            if (s == kOk) {
                plan.push_back({path, false, parentItem});
            }
            return s;
        }
        case DirEntryKind::Directory: {
            if (!recurse) {
                return kOk;
            }
            if (Status s = archive.PlanFolder(); s != kOk) {
                return s;
            }
            const int self = static_cast<int>(plan.size());
            plan.push_back({path, true, parentItem});
            const std::optional<std::vector<DirEntry>> entries = fs.ListDirectory(path);
            if (!entries) {
                return archive.PlanFailure(kErrUnreadableFolder, path); // never taken in as empty
            }
            const std::string prefix = path.back() == '/' ? path : path + "/";
            for (const DirEntry& entry : *entries) {
                if (Status s = planPath(prefix + entry.name, self); s != kOk) {
                    return s;
                }
            }
            return kOk;
        }
        case DirEntryKind::Other:
            if (skipped) {
                skipped->push_back(path);
            }
            return kOk;
        }
        return kOk;
    };
    Status status = kOk;
    for (const std::string& path : paths) {
        status = planPath(path, -1);
        if (status != kOk) {
            break;
        }
    }
    if (status == kOk) {
        status = archive.Expand();
    }
    if (status == kOk) {
        status = archive.StartAdding();
    }
    if (status == kOk) {
        std::vector<int> numbers(plan.size(), 0);
        for (size_t i = 0; i < plan.size() && status == kOk; ++i) {
            const PlanItem& item = plan[i];
            const int parent = item.parentItem < 0 ? folder : numbers[static_cast<size_t>(item.parentItem)];
            int number = 0;
            status = item.directory ? archive.AddFolder(parent, DirectoryName(item.path), std::string(),
                                                        kTypeFolder, &number)
                                    : archive.AddFile(parent, item.path, &number);
            if (status == kOk) {
                numbers[i] = number;
                if (added) {
                    added->push_back({number, item.path});
                }
            }
        }
    }
    return archive.FinishBatch();
}

} // namespace quorvane
