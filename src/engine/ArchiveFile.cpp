#include "ArchiveFile.h"

#include "ChunkCursor.h"
#include "RollbackJournal.h"
#include "SharedBuffers.h"
#include "TextCodec.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace quorvane {

ArchiveFile::ArchiveFile(IFileSystem& fs)
    : fs_(fs) {}

ArchiveFile::~ArchiveFile() {
    // The owner detaches first; this only lets go of the file without writing anything.
    if (file_) {
        file_->Close();
    }
    key_.Wipe();
}

void ArchiveFile::Attach(std::unique_ptr<IFile> file, const std::string& path, bool readOnly) {
    file_ = std::move(file);
    path_ = path;
    readOnly_ = file_ != nullptr && readOnly;
}

bool ArchiveFile::Detach() {
    bool closed = true;
    if (file_) {
        closed = file_->Close();
        file_.reset();
    }
    readOnly_ = false;
    key_.Wipe();
    return closed;
}

// ---------------------------------------------------------------- bytes

Status ArchiveFile::ReadAt(void* buffer, uint64_t offset, size_t length) {
    if (!file_ || !file_->ReadAt(buffer, offset, length)) {
        return kErrArchiveRead;
    }
    return kOk;
}

Status ArchiveFile::WriteAt(const void* buffer, uint64_t offset, size_t length) {
    if (readOnly_) {
        return kErrReadOnly;
    }
    if (!file_ || !file_->WriteAt(buffer, offset, length)) {
        return kErrFileAccess;
    }
    return kOk;
}

Status ArchiveFile::CopyRange(uint64_t from, uint64_t to, uint64_t length) {
    if (length == 0 || from == to) {
        return kOk;
    }
    if (readOnly_) {
        return kErrReadOnly;
    }
    // Towards the start, front to back; towards the end over an overlap, back to front, so that no
    // piece is overwritten before it has been read.
    const bool backwards = to > from && to < from + length;
    const ChunkCursor pieces = ChunkCursor::ForRange(length, backwards);
    TransferBuffers& shared = SharedBuffers();
    return RunChunks(
        pieces, {shared.a, shared.b},
        [&](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
            if (!file_ || !file_->ReadAt(buffers.a, from + piece.plainOffset, piece.plainLength) ||
                !file_->WriteAt(buffers.a, to + piece.plainOffset, piece.plainLength)) {
                return kErrArchiveMove;
            }
            return kOk;
        },
        [&](const ChunkPiece& piece) {
            if (pieces.pieceByPiece() && pieceProgress_) {
                pieceProgress_(static_cast<int>(piece.ordinal + 1), static_cast<int>(piece.count));
            }
            return Status{kOk};
        });
}

Status ArchiveFile::Flush() {
    if (!file_ || !file_->Sync()) {
        return kErrArchiveFlush;
    }
    return kOk;
}

Status ArchiveFile::SetLength(uint64_t length) {
    if (readOnly_) {
        return kErrReadOnly;
    }
    if (!file_) {
        return kErrDiskSpace;
    }
    const uint64_t old = Length();
    if (length == old) {
        return kOk;
    }
    if (!file_->SetLength(length)) {
        file_->SetLength(old);
        return kErrDiskSpace;
    }
    if (length > old) {
        bool tempMissing = false;
        if (!fs_.StartupDiskHasRoom(&tempMissing)) {
            file_->SetLength(old);
            return tempMissing ? kErrTempFolder : kErrStartupDiskAdd;
        }
    }
    return kOk;
}

uint64_t ArchiveFile::Length() {
    if (!file_) {
        return 0;
    }
    return file_->Length().value_or(0);
}

// ---------------------------------------------------------------- the key

void ArchiveFile::SetKey(const std::string& stored, uint32_t method) {
    std::memset(key_.password, 0, sizeof key_.password);
    std::memcpy(key_.password, stored.data(), std::min(stored.size(), sizeof key_.password));
    cipher_.SetKey(key_, method);
}

void ArchiveFile::SetNoKey() {
    key_.enabled = 0;
    key_.method = kMethodNone;
}

Status ArchiveFile::Encrypt(const void* source, void* destination, uint32_t length) {
    return cipher_.Encrypt(key_, source, destination, length) == 0 ? kOk : kErrGeneral;
}

Status ArchiveFile::Decrypt(const void* source, void* destination, uint32_t length) {
    return cipher_.Decrypt(key_, source, destination, length) == 0 ? kOk : kErrGeneral;
}

Status ArchiveFile::DecryptPiece(const void* source, void* destination, uint32_t length, uint8_t* chain) {
    return cipher_.DecryptPiece(key_, source, destination, length, chain) == 0 ? kOk : kErrGeneral;
}

std::string ArchiveFile::DecryptText(const uint8_t* field) {
    // Only as far as the terminator: a list of a thousand short names decrypts a thousand pieces,
    // not a thousand whole fields. Zeroed first, so a method that writes nothing reads as no text.
    uint8_t plain[kTextFieldSize] = {};
    const int32_t length = cipher_.DecryptTerminated(key_, field, plain, kTextFieldSize);
    if (length < 0) {
        return {};
    }
    std::string text =
        DecodeStoredText(std::string_view(reinterpret_cast<const char*>(plain), static_cast<size_t>(length)));
    explicit_bzero(plain, sizeof plain);
    return text;
}

void ArchiveFile::EncryptText(const std::string& text, uint8_t* field, uint32_t* key1, uint32_t* key2) {
    uint8_t plain[kTextFieldSize] = {};
    const std::string head = text.substr(0, text.find('\0'));
    const std::string stored = EncodeStoredText(head, kTextMaxBytes);
    std::copy(stored.begin(), stored.end(), plain); // at most 126 bytes: the field stays terminated
    *key1 = SortKey(plain);
    *key2 = SortKey(plain + 4);
    Encrypt(plain, field, kTextFieldSize);
    std::memset(plain, 0, sizeof plain);
}

// ---------------------------------------------------------------- headers

Status ArchiveFile::ReadPlainHeader() {
    return ReadAt(&plain_, 0, sizeof plain_);
}

Status ArchiveFile::WritePlainHeader(bool flush) {
    Status status = WriteAt(&plain_, 0, sizeof plain_);
    if (status == kOk && flush) {
        status = Flush();
    }
    return status;
}

Status ArchiveFile::ReadProtectedHeader(ProtectedHeader& header) {
    uint8_t io[2][kProtectedHeaderSize];
    if (Status s = ReadAt(io[0], kProtectedHeaderOffset, kProtectedHeaderSize); s != kOk) {
        return s;
    }
    if (Decrypt(io[0], io[1], kProtectedHeaderSize) != kOk) {
        return kErrArchiveRead;
    }
    std::memcpy(&header, io[1], sizeof header);
    std::memset(io, 0, sizeof io);
    disk_ = header;
    return kOk;
}

Status ArchiveFile::SealHeaderImage(const ProtectedHeader& image, ProtectedHeader& stamped, uint8_t* sealed) {
    stamped = image;
    stamped.timeCopy.stamp2 = NowFileTime();
    return Encrypt(&stamped, sealed, kProtectedHeaderSize) == kOk ? Status{kOk} : Status{kErrFileAccess};
}

Status ArchiveFile::WriteHeaderImage(const ProtectedHeader& image, bool flush) {
    ProtectedHeader stamped{};
    uint8_t sealed[kProtectedHeaderSize];
    if (Status s = SealHeaderImage(image, stamped, sealed); s != kOk) {
        return s;
    }
    return WriteSealedHeader(stamped, sealed, flush);
}

Status ArchiveFile::WriteSealedHeader(const ProtectedHeader& stamped, const uint8_t* sealed, bool flush) {
    Status status = WriteAt(sealed, kProtectedHeaderOffset, kProtectedHeaderSize);
    if (status == kOk && flush) {
        status = Flush();
        if (status != kOk) {
            // The new image is in the file but not known to be durable. Every caller takes a failure
            // to mean that the old header still holds (and may shrink the file under the new one),
            // so the old image goes back in.
            uint8_t old[kProtectedHeaderSize];
            if (Encrypt(&disk_, old, kProtectedHeaderSize) == kOk &&
                WriteAt(old, kProtectedHeaderOffset, kProtectedHeaderSize) == kOk) {
                Flush();
            }
        }
    }
    if (status == kOk) {
        disk_ = stamped;
    }
    return status;
}

Status ArchiveFile::RelocateCatalogue(uint64_t from, uint64_t to, uint64_t length,
                                      const ProtectedHeader& next, bool* sourceIntact) {
    // The catalogue the header on disk points to must survive until the new header is durable. If
    // the move's destination overlaps it, its overwritten bytes go to the journal first. Whatever
    // fails, the file is left in the state its old header describes.
    const uint64_t committedStart = uint64_t{kDataAreaOffset} + disk_.dataSize;
    const uint64_t committedEnd = committedStart + disk_.catalogueSize;
    const uint64_t overlapStart = std::max(to, committedStart);
    const uint64_t overlapEnd = std::min(to + length, committedEnd);
    const bool journalled = from != to && overlapStart < overlapEnd;
    *sourceIntact = !journalled;
    const ProtectedHeader before = disk_;
    // The new header is sealed first, so that the journal can tell a crash after it was written.
    ProtectedHeader stamped{};
    uint8_t sealed[kProtectedHeaderSize];
    if (SealHeaderImage(next, stamped, sealed) != kOk) {
        *sourceIntact = true;
        return kErrArchiveMove;
    }
    RollbackJournal journal(fs_, path_);
    if (journalled) {
        if (!journal.Begin(*file_, sealed) ||
            !journal.Save(*file_, overlapStart, overlapEnd - overlapStart) || !journal.Commit()) {
            journal.Discard();
            *sourceIntact = true; // nothing was moved
            return kErrArchiveMove;
        }
    }
    auto rollBack = [&](Status code) {
        if (journalled) {
            RollbackJournal::Recover(fs_, path_, *file_, false);
            disk_ = before;
        }
        return code;
    };
    if (Status s = CopyRange(from, to, length); s != kOk) {
        return rollBack(s);
    }
    if (Status s = Flush(); s != kOk) {
        return rollBack(s);
    }
    if (Status s = WriteSealedHeader(stamped, sealed, true); s != kOk) {
        return rollBack(s);
    }
    if (!journal.Discard()) {
        // A journal that cannot be removed would roll later work back: undo now instead.
        return rollBack(kErrFileAccess);
    }
    return kOk;
}

Status WriteHeaderImageOf(ArchiveFile& file, ProtectedHeader& inMemory, const ProtectedHeader& image,
                          bool flush) {
    const Status status = file.WriteHeaderImage(image, flush);
    if (status == kOk) {
        inMemory.timeCopy.stamp2 = file.diskHeader().timeCopy.stamp2;
    }
    return status;
}

Status RelocateCatalogueOf(ArchiveFile& file, ProtectedHeader& inMemory, uint64_t from, uint64_t to,
                           uint64_t length, const ProtectedHeader& next, bool* sourceIntact) {
    const Status status = file.RelocateCatalogue(from, to, length, next, sourceIntact);
    if (status == kOk) {
        inMemory.timeCopy.stamp2 = file.diskHeader().timeCopy.stamp2;
    }
    return status;
}

} // namespace quorvane
