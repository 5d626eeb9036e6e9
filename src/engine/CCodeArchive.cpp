#include "CCodeArchive.h"

#include "CImageHolder.h"
#include "ChunkCursor.h"
#include "CThumbnailMaker.h"
#include "Journal.h"
#include "NameRules.h"
#include "TextCodec.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>

namespace quorvane {

TransferBuffers& SharedBuffers() {
    static std::unique_ptr<uint8_t[]> a(new uint8_t[kTransferBufferSize]);
    static std::unique_ptr<uint8_t[]> b(new uint8_t[kTransferBufferSize]);
    static std::unique_ptr<uint8_t[]> thumbnail(new uint8_t[kThumbnailBufferSize]);
    static TransferBuffers buffers{a.get(), b.get(), thumbnail.get()};
    return buffers;
}

void WipeSharedBuffers() {
    TransferBuffers& buffers = SharedBuffers();
    std::memset(buffers.a, 0, kTransferBufferSize);
    std::memset(buffers.b, 0, kTransferBufferSize);
    std::memset(buffers.thumbnail, 0, kThumbnailBufferSize);
    SharedThumbnailMaker().Wipe();
    // A pointer taken before is stale now, as after a pump.
    ++buffers.epoch;
}

const uint8_t* SharedBytes::get() const {
    assert((data_ == nullptr || epoch_ == SharedBuffers().epoch) &&
           "a pointer into the shared buffers was held across a pump");
    return data_;
}

namespace {

// Calls into a host that may run its event loop, under way now, across all archives.
int hostCallDepth = 0;
// Catalogue generations are drawn from one sequence, so that no two archive objects share one.
uint64_t lastGeneration = 0;

size_t CharacterCount(const std::string& utf8) {
    size_t count = 0;
    for (unsigned char c : utf8) {
        count += (c & 0xC0) != 0x80;
    }
    return count;
}

// The header fields whose change must reach the file (stamp2 changes on every write by design).
bool HeaderChanged(const ProtectedHeader& a, const ProtectedHeader& b) {
    ProtectedHeader x = a;
    ProtectedHeader y = b;
    x.timeCopy.stamp2 = 0;
    y.timeCopy.stamp2 = 0;
    return std::memcmp(&x, &y, sizeof x) != 0;
}

} // namespace

CCodeArchive::CCodeArchive(ArchiveHost& host, IFileSystem& fs)
    : host_(host)
    , fs_(fs)
    , image_(std::make_unique<CImageHolder>()) {
    ResetState();
}

CCodeArchive::~CCodeArchive() {
    assert(busyDepth_ == 0 && "an archive is deleted while an operation on it runs");
    // The owner calls Close first; this only lets go of the file without writing anything.
    if (file_) {
        file_->Close();
    }
    key_.Wipe();
}

// ---------------------------------------------------------------- while events are pumped

CCodeArchive::OperationScope::OperationScope(CCodeArchive& archive)
    : archive_(archive) {
    if (archive_.busyDepth_++ == 0) {
        archive_.busyHostDepth_ = hostCallDepth;
    }
}

CCodeArchive::OperationScope::~OperationScope() {
    --archive_.busyDepth_;
}

CCodeArchive::HostCall::HostCall() {
    ++hostCallDepth;
    ++SharedBuffers().epoch;
}

CCodeArchive::HostCall::~HostCall() {
    --hostCallDepth;
}

bool CCodeArchive::Reentered() const {
    // The operation's own steps run at the host depth it began at; anything deeper came in
    // through a pump of it (or of the other archive of a copy).
    return busyDepth_ > 0 && hostCallDepth > busyHostDepth_;
}

CCodeArchive::CatalogueChange::CatalogueChange(CCodeArchive& archive)
    : archive_(archive) {
    if (archive_.fluxDepth_++ == 0 && archive_.announced_) {
        archive_.host_.CatalogueAboutToChange(archive_);
    }
}

CCodeArchive::CatalogueChange::~CatalogueChange() {
    if (--archive_.fluxDepth_ != 0) {
        return;
    }
    archive_.NewGeneration();
    if (archive_.announced_) {
        archive_.host_.CatalogueChanged(archive_);
    }
    std::vector<std::function<void()>> deferred;
    deferred.swap(archive_.deferred_);
    for (const auto& show : deferred) {
        show();
    }
}

void CCodeArchive::NewGeneration() {
    generation_ = ++lastGeneration;
}

void CCodeArchive::ShowAlert(const Prompt& prompt) {
    auto show = [this, prompt] {
        const HostCall call;
        host_.Alert(prompt);
    };
    if (fluxDepth_ > 0) {
        deferred_.push_back(show);
    } else {
        show();
    }
}

void CCodeArchive::ResetState() {
    key_.Wipe();
    const uint64_t now = NowFileTime();
    timeTemplate_ = TimeBlock{now, NowFileTime(), NowFileTime(), {0, 0}};
    plainHeader_ = PlainHeader{};
    plainHeader_.magic = kMagic;
    plainHeader_.method = kMethodNone;
    plainHeader_.formatVersion = kFormatVersion;
    plainHeader_.formatRevision = kFormatRevision;
    plainHeader_.created = timeTemplate_;
    header_ = ProtectedHeader{};
    FillRandom(header_.salt, sizeof header_.salt);
    header_.thumbnailFormat = 8;
    header_.rootExpanded = 1;
    header_.timeCopy = timeTemplate_;
    diskHeader_ = header_;
    thumbSizeIndex_ = 0;
    thumbStoredLength_ = 0;
    catalogueLoaded_ = false;
    catalogueDirty_ = false;
    catalogue_.clear();
    entryChanges_.clear();
    batch_ = Batch{};
    cancelled_ = false;
    readOnly_ = false;
}

void CCodeArchive::FillThumbSettings() {
    thumbSizeIndex_ = ThumbSizeIndex(header_.thumbnailFormat);
    thumbStoredLength_ = ThumbStoredLength(header_.thumbnailFormat);
}

uint64_t CCodeArchive::FileLength() {
    if (!file_) {
        return 0;
    }
    return file_->Length().value_or(0);
}

// ---------------------------------------------------------------- life cycle

Status CCodeArchive::Create(const std::string& path, CreateSettings settings) {
    if (isOpen_) {
        return kErrArchiveLocked;
    }
    ResetState();
    for (;;) {
        if (!host_.AskCreateSettings(path, settings)) {
            return kCancelled;
        }
        if (settings.encrypt && CharacterCount(settings.password) < 4) {
            host_.ShowNotice("The password must be at least 4 characters long.");
            continue;
        }
        break;
    }
    if (settings.encrypt) {
        for (;;) {
            std::string typed;
            if (!host_.AskConfirmPassword(typed)) {
                return kCancelled;
            }
            if (typed == settings.password) {
                break;
            }
            ReportError(kErrConfirmPassword);
        }
        uint32_t method = settings.method;
        if (method < kMethodTwofish || method > kMethodBasic) {
            method = kMethodTwofish;
        }
        const std::string stored = EncodePassword(settings.password, 255);
        std::memset(key_.password, 0, sizeof key_.password);
        std::memcpy(key_.password, stored.data(), stored.size());
        plainHeader_.method = method;
        cipher_.SetKey(key_, method);
    } else {
        key_.enabled = 0;
        key_.method = kMethodNone;
        plainHeader_.method = kMethodNone;
    }
    if (settings.thumbnails && settings.thumbnailFormat >= 1 && settings.thumbnailFormat <= 8) {
        header_.thumbnailFormat = settings.thumbnailFormat;
        header_.thumbnailQuality = settings.highQuality ? 1 : 0;
    } else {
        header_.thumbnailFormat = 0;
        header_.thumbnailQuality = 0;
    }
    FillThumbSettings();

    path_ = path;
    fileName_ = FileNameOf(path);
    displayName_ = WithoutExtension(fileName_);

    Status status = kOk;
    {
        WaitCursorGuard wait(host_);
        bool tempMissing = false;
        if (!fs_.StartupDiskHasRoom(&tempMissing)) {
            status = tempMissing ? kErrTempFolder : kErrStartupDiskCreate;
        } else {
            OpenResult result{};
            file_ = fs_.OpenExclusive(path, true, &result);
            if (!file_) {
                status = OpenFailureCode(result, true);
            } else {
                isOpen_ = true;
                // A journal left by an earlier archive of this name belongs to bytes that are gone;
                // replayed over the new archive it would wreck it.
                const std::string journal = RollbackJournal::PathFor(path);
                if (fs_.Exists(journal) && !fs_.Remove(journal)) {
                    status = kErrArchiveLocked;
                }
                // A space probe, then the bare headers.
                if (status == kOk &&
                    (SetArchiveLength(32768) != kOk || SetArchiveLength(kDataAreaOffset) != kOk)) {
                    status = kErrArchiveLocked;
                }
            }
        }
        if (status == kOk) {
            status = WritePlainHeader(false);
        }
        if (status == kOk) {
            status = WriteHeaderImage(header_, true);
        }
    }
    // The new file's name must survive a power cut as surely as its contents.
    if (status == kOk && !fs_.SyncParentDirectory(path)) {
        status = kErrArchiveLocked;
    }
    if (status == kOk) {
        // A batch of its own, which has shown its failure when it returns one.
        if (Status s = CreateFolder(0, "Recycle Bin", kTypeRecycleBin); s != kOk) {
            CloseFile(false);
            return s;
        }
        status = LoadCatalogue();
    }
    if (status != kOk) {
        CloseFile(false);
        return ReportError(status);
    }
    NewGeneration();
    announced_ = true;
    return kOk;
}

Status CCodeArchive::Open(const std::string& path) {
    lastOpenFailure_ = OpenFailure::Other;
    if (isOpen_) {
        return kErrArchiveLocked;
    }
    ResetState();
    path_ = path;
    fileName_ = FileNameOf(path);
    displayName_ = WithoutExtension(fileName_);

    auto fail = [&](Status code, OpenFailure why = OpenFailure::Other, const std::string& subject = {}) {
        lastOpenFailure_ = why;
        CloseFile(false);
        return ReportError(code, subject);
    };

    OpenResult result{};
    file_ = fs_.OpenExclusive(path, false, &result);
    if (!file_ && result == OpenResult::Denied) {
        // It may be read but not written (a read-only disc, an immutable or another user's file):
        // opened for reading, with a shared lock that keeps writers out while it is open.
        file_ = fs_.OpenShared(path, &result);
        readOnly_ = file_ != nullptr;
    }
    if (!file_) {
        return fail(OpenFailureCode(result, false));
    }
    isOpen_ = true;

    if (readOnly_) {
        // Nothing is ever written to a read-only archive, not even to undo an interrupted change.
        if (const std::string journal = RollbackJournal::PathFor(path); fs_.Exists(journal)) {
            ReportError(kWarnJournalReadOnly, journal);
        }
    } else {
        // An interrupted operation left its journal: write the saved bytes back before anything is read.
        switch (RollbackJournal::Recover(fs_, path, *file_)) {
        case RollbackJournal::Recovery::Refused:
            return fail(kErrJournalMismatch, OpenFailure::Other, RollbackJournal::PathFor(path));
        case RollbackJournal::Recovery::Failed:
            return fail(kErrJournalFailed, OpenFailure::Other, RollbackJournal::PathFor(path));
        default:
            break;
        }
    }

    const std::optional<uint64_t> length = file_->Length();
    if (!length) {
        return fail(kErrArchiveRead);
    }
    if (*length < kPlainHeaderSize) {
        return fail(kErrPassword, OpenFailure::NotAnArchive); // too short to be an archive of this kind
    }
    if (Status s = ReadPlainHeader(); s != kOk) {
        return fail(s);
    }
    if (plainHeader_.magic != kMagic) {
        return fail(kErrPassword, OpenFailure::NotAnArchive);
    }
    if (plainHeader_.formatRevision != kFormatRevision) {
        return fail(kErrNewerRevision);
    }
    if (plainHeader_.formatVersion != kFormatVersion) {
        return fail(kErrNewerVersion);
    }
    bool prompted = false;
    if (plainHeader_.method == kMethodNone) {
        key_.enabled = 0;
        key_.method = kMethodNone;
    } else if (plainHeader_.method >= kMethodTwofish && plainHeader_.method <= kMethodBasic) {
        std::string password;
        if (!host_.AskPassword(displayName_, password)) {
            return fail(kCancelled, OpenFailure::Cancelled);
        }
        prompted = true;
        const std::string stored = EncodePassword(password, 255);
        std::memset(key_.password, 0, sizeof key_.password);
        std::memcpy(key_.password, stored.data(), stored.size());
        std::fill(password.begin(), password.end(), '\0');
        cipher_.SetKey(key_, plainHeader_.method);
    } else {
        return fail(kErrPassword, OpenFailure::NotAnArchive); // a method of no archive of this kind
    }
    if (*length < kDataAreaOffset) {
        return fail(kErrCorrupt);
    }
    if (Status s = ReadProtectedHeader(); s != kOk) {
        return fail(s);
    }
    const TimeBlock& plain = plainHeader_.created;
    const TimeBlock& copy = header_.timeCopy;
    if (plain.stamp1 != copy.stamp1 || plain.stamp3 != copy.stamp3) {
        // With a password this is the password check failing; without one the header is foreign.
        return fail(kErrPassword, prompted ? OpenFailure::WrongPassword : OpenFailure::NotAnArchive);
    }
    FillThumbSettings();
    const uint64_t catalogueEnd = uint64_t{kDataAreaOffset} + header_.dataSize + header_.catalogueSize;
    if (header_.entryCount < 1 || header_.entryCount > kMaxEntries ||
        header_.catalogueSize != uint64_t{kEntrySize} * static_cast<uint32_t>(header_.entryCount) ||
        catalogueEnd > *length) {
        return fail(kErrCorrupt);
    }
    if (Status s = LoadCatalogue(); s != kOk) {
        return fail(s);
    }
    Recount(false);
    lastOpenFailure_ = OpenFailure::None;
    NewGeneration();
    announced_ = true;
    return kOk;
}

Status CCodeArchive::Close(bool save) {
    if (Reentered()) {
        return kBusy;
    }
    return ReportError(CloseFile(save));
}

Status CCodeArchive::CloseFile(bool save) {
    if (!isOpen_) {
        return kOk;
    }
    if (save && file_ && !readOnly_) {
        Status status = kOk;
        if (catalogueDirty_ || HeaderChanged(header_, diskHeader_)) {
            status = WriteHeader(false);
        }
        if (status == kOk) {
            status = Flush();
        }
        if (status != kOk) {
            return status; // still open: the caller may try again or close without saving
        }
    }
    bool closed = true;
    if (file_) {
        closed = file_->Close();
        file_.reset();
    }
    isOpen_ = false;
    announced_ = false;
    NewGeneration();
    key_.Wipe();
    catalogue_.clear();
    entryChanges_.clear();
    catalogueLoaded_ = false;
    catalogueDirty_ = false;
    readOnly_ = false;
    return closed ? kOk : kErrArchiveClose;
}

Status CCodeArchive::ConfirmClose(bool ask) {
    if (Reentered()) {
        return kBusy;
    }
    if (ask) {
        const HostCall call;
        if (!host_.Confirm(ConfirmCloseArchive())) {
            return kCancelled;
        }
    }
    // A failed save leaves the archive open with its changes, so that the caller can keep it.
    return Close(true);
}

// ---------------------------------------------------------------- primitives

Status CCodeArchive::ReadAt(void* buffer, uint64_t offset, size_t length) {
    if (!file_ || !file_->ReadAt(buffer, offset, length)) {
        return kErrArchiveRead;
    }
    return kOk;
}

Status CCodeArchive::WriteAt(const void* buffer, uint64_t offset, size_t length) {
    if (readOnly_) {
        return kErrReadOnly;
    }
    if (!file_ || !file_->WriteAt(buffer, offset, length)) {
        return kErrFileAccess;
    }
    return kOk;
}

Status CCodeArchive::CopyRange(uint64_t from, uint64_t to, uint64_t length) {
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
            if (pieces.pieceByPiece()) {
                ProgressPiece(static_cast<int>(piece.ordinal + 1), static_cast<int>(piece.count));
            }
            return Status{kOk};
        });
}

Status CCodeArchive::AfterPiece(const ChunkCursor& chunks, const ChunkPiece& piece) {
    if (!chunks.pieceByPiece()) {
        return kOk;
    }
    ProgressPiece(static_cast<int>(piece.ordinal + 1), static_cast<int>(piece.count));
    // A cancel stops a large file between its pieces, not only between files.
    return !piece.last() && CancelledBetweenPieces() ? Status{kCancelled} : Status{kOk};
}

Status CCodeArchive::Flush() {
    if (!file_ || !file_->Sync()) {
        return kErrArchiveFlush;
    }
    return kOk;
}

Status CCodeArchive::SetArchiveLength(uint64_t length) {
    if (readOnly_) {
        return kErrReadOnly;
    }
    if (!file_) {
        return kErrDiskSpace;
    }
    if (length == 0) {
        length = archiveSize();
    }
    const uint64_t old = FileLength();
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

Status CCodeArchive::EncryptUnit(const void* source, void* destination, uint32_t length) {
    return cipher_.Encrypt(key_, source, destination, length) == 0 ? kOk : kErrGeneral;
}

Status CCodeArchive::DecryptUnit(const void* source, void* destination, uint32_t length) {
    return cipher_.Decrypt(key_, source, destination, length) == 0 ? kOk : kErrGeneral;
}

Status CCodeArchive::DecryptPiece(const void* source, void* destination, uint32_t length, uint8_t* chain) {
    return cipher_.DecryptPiece(key_, source, destination, length, chain) == 0 ? kOk : kErrGeneral;
}

// ---------------------------------------------------------------- headers and catalogue

Status CCodeArchive::ReadPlainHeader() {
    return ReadAt(&plainHeader_, 0, sizeof plainHeader_);
}

Status CCodeArchive::WritePlainHeader(bool flush) {
    Status status = WriteAt(&plainHeader_, 0, sizeof plainHeader_);
    if (status == kOk && flush) {
        status = Flush();
    }
    return status;
}

Status CCodeArchive::ReadProtectedHeader() {
    uint8_t io[2][kProtectedHeaderSize];
    if (Status s = ReadAt(io[0], kProtectedHeaderOffset, kProtectedHeaderSize); s != kOk) {
        return s;
    }
    if (DecryptUnit(io[0], io[1], kProtectedHeaderSize) != kOk) {
        return kErrArchiveRead;
    }
    std::memcpy(&header_, io[1], sizeof header_);
    diskHeader_ = header_;
    return kOk;
}

Status CCodeArchive::SealHeaderImage(const ProtectedHeader& image, ProtectedHeader& stamped,
                                     uint8_t* sealed) {
    stamped = image;
    stamped.timeCopy.stamp2 = NowFileTime();
    return EncryptUnit(&stamped, sealed, kProtectedHeaderSize) == kOk ? Status{kOk} : Status{kErrFileAccess};
}

Status CCodeArchive::WriteHeaderImage(const ProtectedHeader& image, bool flush) {
    ProtectedHeader stamped{};
    uint8_t sealed[kProtectedHeaderSize];
    if (Status s = SealHeaderImage(image, stamped, sealed); s != kOk) {
        return s;
    }
    return WriteSealedHeader(stamped, sealed, flush);
}

Status CCodeArchive::WriteSealedHeader(const ProtectedHeader& stamped, const uint8_t* sealed, bool flush) {
    Status status = WriteAt(sealed, kProtectedHeaderOffset, kProtectedHeaderSize);
    if (status == kOk && flush) {
        status = Flush();
        if (status != kOk) {
            // The new image is in the file but not known to be durable. Every caller takes a failure
            // to mean that the old header still holds (and may shrink the file under the new one),
            // so the old image goes back in.
            uint8_t old[kProtectedHeaderSize];
            if (EncryptUnit(&diskHeader_, old, kProtectedHeaderSize) == kOk &&
                WriteAt(old, kProtectedHeaderOffset, kProtectedHeaderSize) == kOk) {
                Flush();
            }
        }
    }
    if (status == kOk) {
        diskHeader_ = stamped;
        header_.timeCopy.stamp2 = stamped.timeCopy.stamp2;
    }
    return status;
}

Status CCodeArchive::WriteHeader(bool flush) {
    if (readOnly_) {
        return kErrReadOnly;
    }
    const Status catalogueStatus = FlushCatalogue();
    const Status headerStatus = WriteHeaderImage(header_, flush);
    return catalogueStatus != kOk ? catalogueStatus : headerStatus;
}

Status CCodeArchive::LoadCatalogue() {
    WaitCursorGuard wait(host_);
    // Cleared first, so that a failed load can never be recounted or written back.
    catalogueLoaded_ = false;
    catalogueDirty_ = false;
    const int32_t count = header_.entryCount;
    if (count < 0 || count > kMaxEntries || header_.catalogueSize != uint64_t{kEntrySize} * count) {
        catalogue_.clear();
        return kErrCorrupt;
    }
    catalogue_.resize(static_cast<size_t>(count));
    if (ReadAt(catalogue_.data(), uint64_t{kDataAreaOffset} + header_.dataSize, header_.catalogueSize) !=
        kOk) {
        catalogue_.clear();
        return kErrArchiveRead;
    }
    if (Status s = ValidateLoaded(); s != kOk) {
        catalogue_.clear();
        return s;
    }
    entryChanges_.assign(catalogue_.size(), kChangeNone);
    catalogueLoaded_ = true;
    return kOk;
}

void CCodeArchive::MarkChanged(int index, EntryChange change) {
    if (index >= 0 && static_cast<size_t>(index) < entryChanges_.size()) {
        uint8_t& slot = entryChanges_[static_cast<size_t>(index)];
        slot = std::max<uint8_t>(slot, change);
    }
    catalogueDirty_ = true;
}

Status CCodeArchive::FlushCatalogue() {
    // A read-only archive keeps its changes of tree state in memory only.
    if (!catalogueLoaded_ || !catalogueDirty_ || !file_ || readOnly_) {
        return kOk;
    }
    WaitCursorGuard wait(host_);
    const uint64_t base = uint64_t{kDataAreaOffset} + header_.dataSize;
    const bool samePlace =
        entryChanges_.size() == catalogue_.size() && header_.dataSize == diskHeader_.dataSize;

    // Only the entries that changed are written. When one of them changes more than the derived
    // counts (a rename, a comment, a type), the old bytes go to the journal first: a torn entry would
    // otherwise leave a name that decrypts to garbage. Derived counts are recomputed on every load,
    // so a torn write of them alone loses nothing.
    std::vector<std::pair<size_t, size_t>> runs; // [first, last)
    bool needJournal = !samePlace;
    if (samePlace) {
        for (size_t i = 0; i < catalogue_.size(); ++i) {
            if (entryChanges_[i] == kChangeNone) {
                continue;
            }
            needJournal = needJournal || entryChanges_[i] == kChangeContent;
            if (!runs.empty() && runs.back().second == i) {
                runs.back().second = i + 1;
            } else {
                runs.emplace_back(i, i + 1);
            }
        }
    } else {
        runs.emplace_back(0, catalogue_.size());
    }
    RollbackJournal journal(fs_, path_);
    if (needJournal) {
        bool ok = journal.Begin(*file_);
        for (const auto& [first, last] : runs) {
            ok = ok && journal.Save(*file_, base + first * kEntrySize, (last - first) * kEntrySize);
        }
        if (!ok || !journal.Commit()) {
            journal.Discard();
            return kErrFileAccess;
        }
    }
    Status status = kOk;
    for (const auto& [first, last] : runs) {
        status = WriteAt(&catalogue_[first], base + first * kEntrySize, (last - first) * kEntrySize);
        if (status != kOk) {
            break;
        }
    }
    if (needJournal) {
        if (status == kOk) {
            status = Flush();
        }
        if (status == kOk && !journal.Discard()) {
            status = kErrFileAccess;
        }
        if (status != kOk) {
            // Put the old entries back now: a journal left behind would undo later work on the next
            // open. The changes stay in memory, so saving can be tried again.
            RollbackJournal::Recover(fs_, path_, *file_, false);
        }
    }
    if (status != kOk) {
        return status;
    }
    std::fill(entryChanges_.begin(), entryChanges_.end(), kChangeNone);
    catalogueDirty_ = false;
    return kOk;
}

Status CCodeArchive::Refresh(bool alert) {
    if (Reentered()) {
        return kBusy;
    }
    const OperationScope scope(*this);
    Status status = kOk;
    {
        const CatalogueChange change(*this);
        status = Reload(alert);
    }
    return ReportError(status);
}

Status CCodeArchive::Reload(bool alert) {
    if (!isOpen_) {
        return kOk;
    }
    if (Status s = LoadCatalogue(); s != kOk) {
        return s;
    }
    Recount(alert);
    return readOnly_ ? Status{kOk} : WriteHeader(true);
}

Status CCodeArchive::ReadEntry(CatalogueEntry& entry, EntryIndex index) {
    if (index.value < 0 || index.value >= header_.entryCount) {
        return kErrArchiveRead;
    }
    return ReadAt(&entry, uint64_t{kDataAreaOffset} + header_.dataSize + uint64_t{kEntrySize} * index.value,
                  kEntrySize);
}

Status CCodeArchive::WriteEntry(const CatalogueEntry& entry, EntryIndex index) {
    if (index.value < 0 || index.value >= header_.entryCount) {
        return kErrFileAccess;
    }
    const uint64_t offset = uint64_t{kDataAreaOffset} + header_.dataSize + uint64_t{kEntrySize} * index.value;
    return WriteAt(&entry, offset, kEntrySize);
}

Status CCodeArchive::MoveCatalogue(int64_t delta) {
    if (delta == 0) {
        return kOk;
    }
    const uint64_t from = uint64_t{kDataAreaOffset} + header_.dataSize;
    return CopyRange(from, from + delta, uint64_t{kEntrySize} * static_cast<uint32_t>(header_.entryCount));
}

Status CCodeArchive::RelocateCatalogue(uint64_t from, uint64_t to, uint64_t length,
                                       const ProtectedHeader& next, bool* sourceIntact) {
    // The catalogue the header on disk points to must survive until the new header is durable. If
    // the move's destination overlaps it, its overwritten bytes go to the journal first. Whatever
    // fails, the file is left in the state its old header describes.
    const uint64_t committedStart = uint64_t{kDataAreaOffset} + diskHeader_.dataSize;
    const uint64_t committedEnd = committedStart + diskHeader_.catalogueSize;
    const uint64_t overlapStart = std::max(to, committedStart);
    const uint64_t overlapEnd = std::min(to + length, committedEnd);
    const bool journalled = from != to && overlapStart < overlapEnd;
    *sourceIntact = !journalled;
    const ProtectedHeader before = diskHeader_;
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
            diskHeader_ = before;
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

// ---------------------------------------------------------------- batch protocol

Status CCodeArchive::BeginBatch(bool silent) {
    if (Reentered()) {
        return kBusy;
    }
    batch_ = Batch{};
    // The batch ends with a reload from the file: changes that could not be written first would be
    // thrown away by it, so a failed flush stops the batch before anything is added.
    batch_.pendingError = FlushCatalogue();
    batch_.silent = silent;
    batch_.defragmentBefore = header_.defragmentPending;
    cancelled_ = false;
    if (readOnly_) {
        batch_.pendingError = kErrReadOnly; // every step returns it; FinishBatch shows it once
        return batch_.pendingError;
    }
    if (!silent) {
        ProgressOpen(key_.enabled ? kProgressEncrypt : kProgressCopy);
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

Status CCodeArchive::PlanFile(const std::string& path, uint64_t size) {
    if (Status s = PlanPreamble(cancelled_, batch_.pendingError); s != kOk) {
        return s;
    }
    if (PollCancel()) {
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
    batch_.plannedBytes += thumbStoredLength_ + StoredLength(size);
    batch_.plannedFileSizes.push_back(size);
    return kOk;
}

Status CCodeArchive::PlanFailure(Status code, const std::string& subject) {
    if (batch_.pendingError == kOk) {
        batch_.pendingError = code;
        batch_.pendingSubject = subject;
    }
    return batch_.pendingError;
}

Status CCodeArchive::PlanFolder() {
    if (Status s = PlanPreamble(cancelled_, batch_.pendingError); s != kOk) {
        return s;
    }
    if (PollCancel()) {
        return kCancelled;
    }
    ++batch_.plannedEntries;
    return kOk;
}

Status CCodeArchive::PlanCopy(const CatalogueEntry& entry) {
    if (Status s = PlanPreamble(cancelled_, batch_.pendingError); s != kOk) {
        return s;
    }
    if (PollCancel()) {
        return kCancelled;
    }
    ++batch_.plannedEntries;
    batch_.plannedBytes += StoredLength(entry.size) + thumbStoredLength_;
    return kOk;
}

Status CCodeArchive::Expand() {
    if (cancelled_) {
        return kCancelled;
    }
    if (batch_.pendingError != kOk) {
        return batch_.pendingError;
    }
    ProgressText("Expanding Archive");
    const uint64_t planned = batch_.plannedBytes;
    if (batch_.plannedEntries + header_.entryCount > kMaxEntries) {
        batch_.pendingError = kErrTooManyEntries;
    } else if (archiveSize() + planned > kMaxArchiveSize) {
        batch_.pendingError = kErrTooLarge;
    } else {
        ProgressText("Resizing archive, please wait.");
        const uint64_t oldLength = FileLength();
        const uint64_t oldCatalogue = uint64_t{kDataAreaOffset} + header_.dataSize;
        Status status = SetArchiveLength(archiveSize() + planned +
                                         uint64_t{kEntrySize} * static_cast<uint32_t>(batch_.plannedEntries));
        if (status == kOk && planned > 0) {
            // The catalogue moves up behind the gap, and the header on disk follows it at once,
            // marked as holding free space: the gap is then space nothing refers to, and the adds
            // can fill it without touching anything a crash would need.
            ProtectedHeader next = header_;
            next.dataSize = static_cast<uint32_t>(header_.dataSize + planned);
            next.defragmentPending = 1;
            bool sourceIntact = true;
            status = RelocateCatalogue(oldCatalogue, oldCatalogue + planned, header_.catalogueSize, next,
                                       &sourceIntact);
            if (status != kOk) {
                file_->SetLength(oldLength); // the old header is the one on disk
            }
        }
        if (status != kOk) {
            batch_.pendingError = status;
        } else {
            batch_.expanded = true;
            batch_.nextDataPosition = oldCatalogue;
            header_.dataSize = static_cast<uint32_t>(header_.dataSize + planned);
            batch_.nextEntryPosition = archiveSize();
            entryChanges_.clear(); // the catalogue now lives elsewhere; reloaded by FinishBatch
        }
    }
    return batch_.pendingError;
}

Status CCodeArchive::StartAdding() {
    if (cancelled_) {
        return kCancelled;
    }
    if (batch_.pendingError != kOk) {
        return batch_.pendingError;
    }
    ProgressTotal(batch_.plannedEntries);
    return kOk;
}

Status CCodeArchive::AddPreamble() const {
    if (cancelled_) {
        return kCancelled;
    }
    return batch_.pendingError;
}

Status CCodeArchive::CheckAddRoom(uint64_t blockLength) {
    const uint64_t gapEnd = uint64_t{kDataAreaOffset} + header_.dataSize;
    if (!batch_.expanded || batch_.entriesAdded >= batch_.plannedEntries ||
        batch_.nextDataPosition + blockLength > gapEnd) {
        batch_.pendingError = kErrBatchWrite;
        return batch_.pendingError;
    }
    return kOk;
}

Status CCodeArchive::CommitAdd(CatalogueEntry& entry, int* newNumber) {
    if (WriteAt(&entry, batch_.nextEntryPosition, kEntrySize) != kOk) {
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

Status CCodeArchive::FinishBatch() {
    Status pending = batch_.pendingError;
    // A cancel that stopped the batch before its last add is the batch's result, also when it came
    // between two steps rather than inside an add (a cancel during planning added nothing at all).
    if (pending == kOk && cancelled_ && (!batch_.expanded || batch_.entriesAdded < batch_.plannedEntries)) {
        pending = kCancelled;
    }
    // The header switch and the reload: the catalogue grows and is read anew.
    std::optional<CatalogueChange> change;
    if (batch_.expanded) {
        change.emplace(*this);
    }
    if (batch_.expanded) {
        ProgressText("Canceling");
        ProgressTotal(0);
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
            ProgressText("Resizing archive, please wait.");
            const uint64_t unused = batch_.plannedBytes - batch_.usedBytes;
            next.dataSize = static_cast<uint32_t>(header_.dataSize - unused);
            status = RelocateCatalogue(catalogueStart, catalogueStart - unused, next.catalogueSize, next,
                                       &sourceIntact);
            PollCancel();
        } else {
            // Data and entries first, then the header that makes them part of the archive.
            status = Flush();
            if (status == kOk) {
                status = WriteHeaderImage(next, true);
            }
        }
        if (status == kOk) {
            header_ = next;
            header_.timeCopy.stamp2 = diskHeader_.timeCopy.stamp2;
            status = SetArchiveLength(0);
        } else if (sourceIntact) {
            // The move did not happen: keep the entries added where they are, with the data area at
            // its reserved size, and let the next Empty Recycle Bin reclaim the unused space.
            header_.entryCount = next.entryCount;
            header_.catalogueSize = next.catalogueSize;
            header_.defragmentPending = 1;
            if (Flush() == kOk) {
                WriteHeaderImage(header_, true);
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
    ProgressClose();
    image_->Reset();
    // The subject belongs to the error planning set, not to one of finishing.
    const std::string subject = pending == batch_.pendingError ? batch_.pendingSubject : std::string();
    // A batch that never expanded changed nothing in the file: the catalogue in memory stays as it
    // is, with any change that could not be flushed.
    if (batch_.expanded) {
        const Status reloaded = Reload(true);
        if (reloaded != kOk && (pending == kOk || pending == kCancelled)) {
            pending = reloaded;
        }
    }
    batch_.expanded = false;
    change.reset();
    batch_.pendingError = pending;
    return ReportError(pending, subject);
}

// ---------------------------------------------------------------- progress and errors

void CCodeArchive::ProgressOpen(int kind) {
    cancelled_ = false;
    progressOpen_ = true;
    const bool adding = kind == kProgressCopy || kind == kProgressEncrypt;
    {
        const HostCall call;
        host_.ProgressOpenFor(this, kind, displayName_, adding ? header_.thumbnailFormat : 0,
                              adding ? header_.thumbnailQuality : 0);
    }
    PollCancel();
}

void CCodeArchive::ProgressTotal(int total) {
    if (progressOpen_) {
        const HostCall call;
        host_.ProgressTotal(total);
    }
    PollCancel();
}

void CCodeArchive::ProgressText(const std::string& text) {
    if (progressOpen_) {
        ProgressCounts counts{batch_.entriesAdded, batch_.plannedEntries, batch_.usedBytes,
                              batch_.plannedBytes};
        const HostCall call;
        host_.ProgressText(text, counts);
    }
    PollCancel();
}

void CCodeArchive::ProgressPiece(int piece, int pieces) {
    if (progressOpen_) {
        const HostCall call;
        host_.ProgressPiece(piece, pieces);
    }
    PollCancel();
}

bool CCodeArchive::PollCancel() {
    if (progressOpen_) {
        const HostCall call;
        if (host_.PollCancel()) {
            cancelled_ = true;
        }
    }
    return cancelled_;
}

void CCodeArchive::ProgressClose() {
    if (progressOpen_) {
        const HostCall call;
        host_.ProgressClose();
        progressOpen_ = false;
    }
}

Status CCodeArchive::ReportError(Status code, const std::string& subject) {
    if (code == kOk || code == kCancelled) {
        return code;
    }
    const Status shown = code >= 9000 && code <= kLastMessage ? code : Status{kErrGeneral};
    auto show = [this, shown, text = MessageText(shown, subject)] {
        const HostCall call;
        host_.ShowMessage(shown, text);
    };
    if (fluxDepth_ > 0) {
        deferred_.push_back(show); // shown once the host has the catalogue back
    } else {
        show();
    }
    return shown;
}

} // namespace quorvane
