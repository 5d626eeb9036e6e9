// Move, copy, delete and restore.
#include "CCodeArchive.h"
#include "TextCodec.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

Status CCodeArchive::MoveEntries(const std::vector<int>& selection, int destination, bool confirm) {
    if (selection.empty()) {
        return kCancelled;
    }
    if (readOnly_) {
        return ReportError(kErrReadOnly);
    }
    const CatalogueEntry* target = destination == 0 ? nullptr : Entry(destination - 1);
    if (destination != 0 && (!target || !target->IsFolder())) {
        return ReportError(kErrGeneral);
    }
    const SelectionMap marks = MarkSelection(selection, true);
    moveMarks_ = marks;
    moveDestination_ = destination;
    if (marks.Marked(destination)) {
        host_.ShowMessage(kErrMoveIntoItself, MessageText(kErrMoveIntoItself));
        return kCancelled;
    }
    const bool intoBin = destination != 0 && target->inRecycleBin != 0;
    if (confirm && intoBin) {
        if (!host_.Confirm(marks.count == 1 ? ConfirmDeleteOne() : ConfirmDeleteMany())) {
            return kCancelled;
        }
    }
    Status status = WriteHeader(false);
    // Each entry changes by its parent alone, a four-byte field that no torn write can split, so
    // every entry is either moved or not whatever happens; the reload below recounts the rest.
    for (int number : selection) {
        if (status != kOk) {
            break;
        }
        if (number <= 1 || number > header_.entryCount) {
            continue;
        }
        CatalogueEntry e{};
        status = ReadEntry(e, number - 1);
        if (status == kOk && e.parent != destination) {
            e.parent = destination;
            status = WriteEntry(e, number - 1);
        }
    }
    if (status == kOk) {
        status = Flush();
    }
    const Status refreshed = Refresh(!(confirm && intoBin));
    if (status == kOk) {
        status = refreshed;
    } else {
        ReportError(status);
    }
    return status;
}

Status CCodeArchive::CopyEntries(const std::vector<int>& selection, int destination, CCodeArchive& target) {
    if (selection.empty()) {
        return kOk;
    }
    const SelectionMap marks = MarkSelection(selection, true);
    if (marks.count == 0) {
        return kOk;
    }
    const int count = header_.entryCount;
    FlushCatalogue();
    moveMarks_ = marks;
    moveDestination_ = destination;
    Status status = target.BeginBatch(false);
    for (int index = 0; index < count && status == kOk; ++index) {
        if (!marks.Marked(index + 1)) {
            continue;
        }
        CatalogueEntry e{};
        status = ReadEntry(e, index);
        if (status != kOk) {
            target.batch_.pendingError = status;
            break;
        }
        status = e.IsFolder() ? target.PlanFolder() : target.PlanCopy(e);
    }
    if (status == kOk) {
        status = target.Expand();
    }
    if (status == kOk && target.StartAdding() == kOk) {
        for (int index = 0; index < count; ++index) {
            if (CopyEntry(target, index) != kOk) {
                break;
            }
        }
    }
    return target.FinishBatch();
}

Status CCodeArchive::CopyEntry(CCodeArchive& target, int index) {
    if (!moveMarks_.Marked(index + 1)) {
        return kOk;
    }
    CatalogueEntry e{};
    if (Status s = ReadEntry(e, index); s != kOk) {
        target.batch_.pendingError = s;
        return s;
    }
    const int parent = e.parent;
    if (parent != 0) {
        if (Status s = CopyEntry(target, parent - 1); s != kOk) {
            return s;
        }
    }
    const std::string name = DecryptText(e.name);
    const std::string comment = DecryptText(e.comment);
    const int32_t recorded = parent > 0 ? moveMarks_.slots[static_cast<size_t>(parent)] : 0;
    const int targetParent = recorded >= 1 ? recorded : moveDestination_;
    int number = 0;
    const Status status = e.IsFolder() ? target.AddFolder(targetParent, name, comment, kTypeFolder, &number)
                                       : target.AddCopiedFile(targetParent, *this, e, comment, name, &number);
    moveMarks_.slots[static_cast<size_t>(index) + 1] = status == kOk ? number : 0;
    return status;
}

Status CCodeArchive::CopyFileData(CCodeArchive& source, const CatalogueEntry& entry, uint64_t position,
                                  const uint8_t** firstChunk) {
    TransferBuffers& buffers = SharedBuffers();
    if (firstChunk) {
        *firstChunk = nullptr;
    }
    const uint64_t size = entry.size;
    const uint64_t pieces = PieceCount(size);
    uint64_t from = entry.dataOffset;
    uint64_t remaining = size;
    uint64_t piece = 0;
    do {
        const uint32_t p = static_cast<uint32_t>(std::min<uint64_t>(remaining, kPieceSize));
        const uint32_t stored = Padded(uint64_t{p} + kChunkPrefix);
        // The random prefix travels with the chunk; only the key changes.
        if (source.ReadAt(buffers.a, from, stored) != kOk) {
            return kErrArchiveRead;
        }
        if (source.DecryptUnit(buffers.a, buffers.b, stored) != kOk ||
            EncryptUnit(buffers.b, buffers.a, stored) != kOk) {
            return kErrFileAccess;
        }
        if (Status s = WriteAt(buffers.a, position, stored); s != kOk) {
            return s;
        }
        from += stored;
        position += stored;
        remaining -= p;
        ++piece;
        if (size > kPieceSize) {
            ProgressPiece(static_cast<int>(piece), static_cast<int>(pieces));
        }
    } while (remaining > 0);
    if (firstChunk && size <= kPieceSize) {
        *firstChunk = buffers.b + kChunkPrefix;
    }
    return kOk;
}

Status CCodeArchive::AddCopiedFile(int parent, CCodeArchive& source, const CatalogueEntry& entry,
                                   const std::string& comment, const std::string& name, int* newNumber) {
    if (Status s = AddPreamble(); s != kOk) {
        return s;
    }
    if (Status s = CheckAddRoom(FileBlockRoom(entry.typeCode, entry.size)); s != kOk) {
        return s;
    }
    ProgressText(name);
    if (cancelled_) {
        batch_.pendingError = kCancelled;
        return batch_.pendingError;
    }
    const uint8_t* firstChunk = nullptr;
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

} // namespace quorvane
