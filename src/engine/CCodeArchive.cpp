#include "CCodeArchive.h"

#include "ArchiveHeaders.h"
#include "CThumbnailMaker.h"
#include "Defragmenter.h"
#include "EntryCopier.h"
#include "Exporter.h"
#include "HostCall.h"
#include "NameRules.h"
#include "RollbackJournal.h"
#include "TextCodec.h"
#include "WipeText.h"
#include "WorkerPool.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>

namespace quorvane {

namespace {

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
    , archiveFile_(fs)
    , catalogue_(archiveFile_, header_, fs_, path_)
    , progress_(host, this, displayName_)
    , batch_(archiveFile_, header_, catalogue_, progress_, fs_, thumbnail_) {
    archiveFile_.SetPieceProgress([this](int piece, int pieces) { progress_.Piece(piece, pieces); });
    ResetState();
}

CCodeArchive::~CCodeArchive() {
    assert(busyDepth_ == 0 && "an archive is deleted while an operation on it runs");
    // The owner calls Close first; the file is let go of without writing anything.
}

// ---------------------------------------------------------------- while events are pumped

CCodeArchive::OperationScope::OperationScope(CCodeArchive& archive)
    : archive_(archive) {
    if (archive_.busyDepth_++ == 0) {
        archive_.busyHostDepth_ = HostCall::Depth();
    }
}

CCodeArchive::OperationScope::~OperationScope() {
    --archive_.busyDepth_;
}

bool CCodeArchive::Reentered() const {
    // The operation's own steps run at the host depth it began at; anything deeper came in
    // through a pump of it (or of the other archive of a copy).
    return busyDepth_ > 0 && HostCall::Depth() > busyHostDepth_;
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
    archiveFile_.WipeKey();
    const uint64_t now = NowFileTime();
    timeTemplate_ = TimeBlock{now, NowFileTime(), NowFileTime(), {0, 0}};
    PlainHeader& plain = archiveFile_.plainHeader();
    plain = PlainHeader{};
    plain.magic = kMagic;
    plain.method = kMethodNone;
    plain.formatVersion = kFormatVersion;
    plain.formatRevision = kFormatRevision;
    plain.created = timeTemplate_;
    header_ = ProtectedHeader{};
    FillRandom(header_.salt, sizeof header_.salt);
    header_.thumbnailFormat = 8;
    header_.rootExpanded = 1;
    header_.timeCopy = timeTemplate_;
    archiveFile_.SetDiskHeader(header_);
    thumbnail_ = ThumbnailSlot{};
    catalogue_.Clear();
    batch_.Reset();
    progress_.ResetCancel();
}

void CCodeArchive::FillThumbSettings() {
    thumbnail_.sizeIndex = ThumbSizeIndex(header_.thumbnailFormat);
    thumbnail_.storedLength = ThumbStoredLength(header_.thumbnailFormat);
}

uint64_t CCodeArchive::FileLength() {
    return archiveFile_.Length();
}

// ---------------------------------------------------------------- life cycle

Status CCodeArchive::Create(const std::string& path, CreateSettings settings) {
    if (isOpen_) {
        return kErrArchiveLocked;
    }
    ResetState();
    const WipeOnExit wipePassword(settings.password);
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
            const WipeOnExit wipeTyped(typed);
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
        std::string stored = EncodePassword(settings.password, 255);
        const WipeOnExit wipeStored(stored);
        archiveFile_.plainHeader().method = method;
        archiveFile_.SetKey(stored, method);
    } else {
        archiveFile_.SetNoKey();
        archiveFile_.plainHeader().method = kMethodNone;
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
            archiveFile_.Attach(fs_.OpenExclusive(path, true, &result), path, false);
            if (!archiveFile_.attached()) {
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
            status = archiveFile_.WritePlainHeader(false);
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
    std::unique_ptr<IFile> file = fs_.OpenExclusive(path, false, &result);
    bool readOnly = false;
    if (!file && result == OpenResult::Denied) {
        // It may be read but not written (a read-only disc, an immutable or another user's file):
        // opened for reading, with a shared lock that keeps writers out while it is open.
        file = fs_.OpenShared(path, &result);
        readOnly = file != nullptr;
    }
    archiveFile_.Attach(std::move(file), path, readOnly);
    if (!archiveFile_.attached()) {
        return fail(OpenFailureCode(result, false));
    }
    isOpen_ = true;

    if (archiveFile_.readOnly()) {
        // Nothing is ever written to a read-only archive, not even to undo an interrupted change.
        if (const std::string journal = RollbackJournal::PathFor(path); fs_.Exists(journal)) {
            ReportError(kWarnJournalReadOnly, journal);
        }
    } else {
        // An interrupted operation left its journal: write the saved bytes back before anything is read.
        switch (RollbackJournal::Recover(fs_, path, *archiveFile_.file())) {
        case RollbackJournal::Recovery::Refused:
            return fail(kErrJournalMismatch, OpenFailure::Other, RollbackJournal::PathFor(path));
        case RollbackJournal::Recovery::Failed:
            return fail(kErrJournalFailed, OpenFailure::Other, RollbackJournal::PathFor(path));
        default:
            break;
        }
    }

    OpenFailure why = OpenFailure::Other;
    if (Status s = ReadArchiveHeaders(
            archiveFile_, [this](std::string& password) { return host_.AskPassword(displayName_, password); },
            header_, why);
        s != kOk) {
        return fail(s, why);
    }
    FillThumbSettings();
    const uint64_t catalogueEnd = uint64_t{kDataAreaOffset} + header_.dataSize + header_.catalogueSize;
    if (header_.entryCount < 1 || header_.entryCount > kMaxEntries ||
        header_.catalogueSize != uint64_t{kEntrySize} * static_cast<uint32_t>(header_.entryCount) ||
        catalogueEnd > archiveFile_.Length()) {
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
    if (save && archiveFile_.attached() && !archiveFile_.readOnly()) {
        Status status = kOk;
        if (catalogue_.dirty() || HeaderChanged(header_, archiveFile_.diskHeader())) {
            status = WriteHeader(false);
        }
        if (status == kOk) {
            status = Flush();
        }
        if (status != kOk) {
            return status; // still open: the caller may try again or close without saving
        }
    }
    const bool closed = archiveFile_.Detach();
    isOpen_ = false;
    announced_ = false;
    NewGeneration();
    catalogue_.Clear();
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
    return archiveFile_.ReadAt(buffer, offset, length);
}

Status CCodeArchive::WriteAt(const void* buffer, uint64_t offset, size_t length) {
    return archiveFile_.WriteAt(buffer, offset, length);
}

Status CCodeArchive::CopyRange(uint64_t from, uint64_t to, uint64_t length) {
    return archiveFile_.CopyRange(from, to, length);
}

Status CCodeArchive::Flush() {
    return archiveFile_.Flush();
}

Status CCodeArchive::SetArchiveLength(uint64_t length) {
    return archiveFile_.SetLength(length == 0 ? archiveSize() : length);
}

Status CCodeArchive::EncryptUnit(const void* source, void* destination, uint32_t length) {
    return archiveFile_.Encrypt(source, destination, length);
}

Status CCodeArchive::DecryptUnit(const void* source, void* destination, uint32_t length) {
    return archiveFile_.Decrypt(source, destination, length);
}

Status CCodeArchive::DecryptPiece(const void* source, void* destination, uint32_t length, uint8_t* chain) {
    return archiveFile_.DecryptPiece(source, destination, length, chain);
}

std::string CCodeArchive::DecryptText(const uint8_t* field) {
    return archiveFile_.DecryptText(field);
}

void CCodeArchive::EncryptText(const std::string& text, uint8_t* field, uint32_t* key1, uint32_t* key2) {
    archiveFile_.EncryptText(text, field, key1, key2);
}

// ---------------------------------------------------------------- headers and catalogue

Status CCodeArchive::WriteHeaderImage(const ProtectedHeader& image, bool flush) {
    return WriteHeaderImageOf(archiveFile_, header_, image, flush);
}

Status CCodeArchive::RelocateCatalogue(uint64_t from, uint64_t to, uint64_t length,
                                       const ProtectedHeader& next, bool* sourceIntact) {
    return RelocateCatalogueOf(archiveFile_, header_, from, to, length, next, sourceIntact);
}

Status CCodeArchive::WriteHeader(bool flush) {
    if (archiveFile_.readOnly()) {
        return kErrReadOnly;
    }
    const Status catalogueStatus = FlushCatalogue();
    const Status headerStatus = WriteHeaderImage(header_, flush);
    return catalogueStatus != kOk ? catalogueStatus : headerStatus;
}

Status CCodeArchive::LoadCatalogue() {
    WaitCursorGuard wait(host_);
    return catalogue_.Load();
}

Status CCodeArchive::FlushCatalogue() {
    if (!catalogue_.HasUnwrittenChanges()) {
        return kOk;
    }
    WaitCursorGuard wait(host_);
    return catalogue_.Flush();
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
    return archiveFile_.readOnly() ? Status{kOk} : WriteHeader(true);
}

// ---------------------------------------------------------------- batch

Status CCodeArchive::BeginBatch(bool silent) {
    if (Reentered()) {
        return kBusy;
    }
    return batch_.Begin(silent, FlushCatalogue());
}

Status CCodeArchive::FinishBatch() {
    // The header switch and the reload: the catalogue grows and is read anew.
    std::optional<CatalogueChange> change;
    if (batch_.expanded()) {
        change.emplace(*this);
    }
    Status result = batch_.Finish();
    const std::string subject = batch_.SubjectOf(result);
    // A batch that never expanded changed nothing in the file: the catalogue in memory stays as it
    // is, with any change that could not be flushed.
    if (batch_.expanded()) {
        const Status reloaded = Reload(true);
        if (reloaded != kOk && (result == kOk || result == kCancelled)) {
            result = reloaded;
        }
    }
    batch_.End(result);
    change.reset();
    return ReportError(result, subject);
}

// ---------------------------------------------------------------- the catalogue

const CatalogueEntry* CCodeArchive::Entry(EntryIndex index) const {
    // In flux the buffer may hold the old numbering, or offsets that no longer hold.
    return fluxDepth_ > 0 ? nullptr : catalogue_.Entry(index);
}

Status CCodeArchive::CreateFolder(int parent, const std::string& name, uint8_t typeCode, int* newNumber) {
    if (Reentered()) {
        return kBusy;
    }
    const OperationScope scope(*this);
    BeginBatch(true);
    Status status = batch_.PlanFolder();
    if (status == kOk) {
        status = batch_.Expand();
    }
    if (status == kOk) {
        status = batch_.StartAdding();
    }
    int number = 0;
    if (status == kOk) {
        status = batch_.AddFolder(parent, name, std::string(), typeCode, &number);
    }
    status = FinishBatch();
    if (status == kOk && newNumber) {
        *newNumber = number;
    }
    return status;
}

std::string CCodeArchive::GetName(EntryIndex index) {
    const CatalogueEntry* e = Entry(index);
    return e ? catalogue_.Name(*e) : std::string();
}

std::string CCodeArchive::GetComment(EntryIndex index) {
    const CatalogueEntry* e = Entry(index);
    return e ? catalogue_.Text(*e, kFieldComment) : std::string();
}

std::string CCodeArchive::SizeText(uint32_t bytes) {
    return Catalogue::SizeText(bytes);
}

std::string CCodeArchive::DateText(uint64_t fileTime) {
    return Catalogue::DateText(fileTime);
}

std::string CCodeArchive::GetText(EntryIndex index, int field) {
    const CatalogueEntry* e = Entry(index);
    return e ? catalogue_.Text(*e, field) : std::string();
}

uint32_t CCodeArchive::GetKey1(EntryIndex index, int field) const {
    const CatalogueEntry* e = Entry(index);
    return e ? Catalogue::Key1(*e, field) : 0;
}

uint32_t CCodeArchive::GetKey2(EntryIndex index, int field) const {
    const CatalogueEntry* e = Entry(index);
    return e ? Catalogue::Key2(*e, field) : 0;
}

int CCodeArchive::GetListIcon(EntryIndex index) const {
    const CatalogueEntry* e = Entry(index);
    return e ? Catalogue::ListIcon(*e) : 1;
}

int CCodeArchive::GetTreeKind(EntryIndex index) const {
    const CatalogueEntry* e = Entry(index);
    return e ? Catalogue::TreeKind(*e) : 0;
}

int CCodeArchive::GetTreeKindNoBin(EntryIndex index) const {
    const int kind = GetTreeKind(index);
    return kind == 9999 ? 0 : kind;
}

const CatalogueEntry* CCodeArchive::ThumbnailEntry(EntryIndex index) const {
    const CatalogueEntry* e = Entry(index);
    if (!e || e->IsFolder() || !e->hasThumbnail || thumbnail_.storedLength == 0 ||
        e->thumbLength != thumbnail_.storedLength) {
        return nullptr;
    }
    return e;
}

const uint8_t* CCodeArchive::GetThumbnail(EntryIndex index) {
    const CatalogueEntry* e = ThumbnailEntry(index);
    if (!e) {
        return nullptr;
    }
    TransferBuffers& buffers = SharedBuffers();
    if (ReadAt(buffers.a, e->thumbOffset, thumbnail_.storedLength) != kOk ||
        DecryptUnit(buffers.a, buffers.thumbnail, thumbnail_.storedLength) != kOk) {
        return nullptr;
    }
    return buffers.thumbnail;
}

int CCodeArchive::GetImageData(EntryIndex index, const uint8_t** data, uint32_t* size) {
    const CatalogueEntry* e = Entry(index);
    if (!e || e->IsFolder() || e->size > kPieceSize || e->dataLength != StoredLength(e->size)) {
        return -1;
    }
    TransferBuffers& buffers = SharedBuffers();
    if (ReadAt(buffers.a, e->dataOffset, e->dataLength) != kOk ||
        DecryptUnit(buffers.a, buffers.b, e->dataLength) != kOk) {
        return -1;
    }
    *data = buffers.b + kChunkPrefix;
    *size = e->size;
    return 0;
}

const CatalogueEntry* CCodeArchive::IconEntry(EntryIndex index) const {
    const CatalogueEntry* e = ThumbnailEntry(index);
    return e && e->typeCode != kTypeOther ? e : nullptr;
}

void CCodeArchive::RestoreThumbnail(const CatalogueEntry& e, const uint8_t* pixels, int targetCell) const {
    SharedThumbnailMaker().RestoreIcon(thumbnail_.sizeIndex, pixels, targetCell,
                                       ThumbIsGrey(header_.thumbnailFormat), e.width, e.height);
}

bool CCodeArchive::RenderThumbnail(EntryIndex index, int targetCell) {
    const CatalogueEntry* e = IconEntry(index);
    if (!e) {
        return false;
    }
    const SharedBytes pixels(GetThumbnail(index));
    if (!pixels) {
        return false;
    }
    RestoreThumbnail(*e, pixels.get(), targetCell);
    return true;
}

// One stored thumbnail decrypted in place, in a buffer of its own, on whichever thread takes it.
struct ThumbnailBatch::Job final : PoolJob {
    ArchiveFile* file = nullptr;
    uint8_t* bytes = nullptr;
    uint32_t length = 0;
    Status status = kOk;

    void Run() override { status = file->Decrypt(bytes, bytes, length); }
};

namespace {

// The job buffers serve one batch at a time; another one meanwhile renders on this thread alone.
bool g_batchBuffersInUse = false;

} // namespace

ThumbnailBatch::ThumbnailBatch(CCodeArchive& archive, std::vector<EntryIndex> entries, int targetCell)
    : archive_(archive)
    , entries_(std::move(entries))
    , job_(entries_.size(), kWaiting)
    , cell_(targetCell)
    , generation_(archive.catalogueGeneration()) {
    const int threads = WorkerPool::Threads();
    if (threads <= 1 || entries_.size() < 2 || g_batchBuffersInUse || !Valid()) {
        return;
    }
    g_batchBuffersInUse = true;
    pool_ = &WorkerPool::Shared(threads - 1);
    const int jobs = std::min({8 * threads, kThumbnailJobBuffers, int(entries_.size())});
    jobs_ = std::make_unique<Job[]>(size_t(jobs));
    for (int i = jobs - 1; i >= 0; --i) {
        Job& job = jobs_[size_t(i)];
        job.file = &archive_.archiveFile_;
        job.bytes = ThumbnailJobBuffer(i);
        job.length = archive_.thumbnail_.storedLength;
        free_.push_back(i);
    }
    Launch();
}

ThumbnailBatch::~ThumbnailBatch() {
    if (!pool_) {
        return;
    }
    for (int job : job_) {
        if (job >= 0 && !pool_->Withdraw(jobs_[size_t(job)])) {
            pool_->Wait(jobs_[size_t(job)]);
        }
    }
    g_batchBuffersInUse = false;
}

bool ThumbnailBatch::Valid() const {
    return !archive_.Busy() && !archive_.catalogueInFlux() && archive_.catalogueGeneration() == generation_;
}

bool ThumbnailBatch::Pending(EntryIndex index) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i] == index && job_[i] != kDone) {
            return true;
        }
    }
    return false;
}

void ThumbnailBatch::Launch() {
    for (; launched_ < entries_.size() && !free_.empty(); ++launched_) {
        if (job_[launched_] != kWaiting) {
            continue;
        }
        const CatalogueEntry* e = archive_.IconEntry(entries_[launched_]);
        Job& job = jobs_[size_t(free_.back())];
        if (!e || archive_.ReadAt(job.bytes, e->thumbOffset, job.length) != kOk) {
            job_[launched_] = kNone;
            continue;
        }
        job_[launched_] = free_.back();
        free_.pop_back();
        pool_->Post(job);
    }
}

bool ThumbnailBatch::Render(EntryIndex index) {
    size_t at = 0;
    while (at < entries_.size() && (entries_[at] != index || job_[at] == kDone)) {
        ++at;
    }
    if (at == entries_.size() || !Valid()) {
        return false; // the jobs still out are waited for when the batch ends
    }
    const int job = job_[at];
    job_[at] = kDone;
    if (job == kNone) {
        return false;
    }
    if (job == kWaiting) {
        // Not read ahead (no workers, or every buffer in use): rendered here.
        return archive_.RenderThumbnail(index, cell_);
    }
    Job& decrypting = jobs_[size_t(job)];
    pool_->Wait(decrypting);
    bool ok = decrypting.status == kOk;
    if (ok) {
        archive_.RestoreThumbnail(*archive_.Entry(index), decrypting.bytes, cell_);
    }
    free_.push_back(job);
    Launch();
    return ok;
}

int CCodeArchive::FindNext(const std::string& text, bool matchCase, bool wholeName, int start) {
    return fluxDepth_ > 0 ? 0 : catalogue_.FindNext(text, matchCase, wholeName, start);
}

SelectionMap CCodeArchive::MarkSelection(const std::vector<int>& selection, bool withSubtrees) const {
    if (fluxDepth_ > 0) {
        SelectionMap none;
        none.marks.assign(3, 0);
        return none;
    }
    return catalogue_.MarkSelection(selection, withSubtrees);
}

Status CCodeArchive::SetEntryComment(EntryIndex index, const std::string& text) {
    if (Reentered() || catalogueInFlux()) {
        return kBusy;
    }
    if (!Entry(index)) {
        return ReportError(kErrGeneral);
    }
    if (archiveFile_.readOnly()) {
        return ReportError(kErrReadOnly);
    }
    catalogue_.SetComment(index, text);
    return kOk;
}

Status CCodeArchive::Rename(EntryIndex index, const std::string& text) {
    if (Reentered() || catalogueInFlux()) {
        return kBusy;
    }
    if (!Entry(index)) {
        return ReportError(kErrGeneral);
    }
    const std::string trimmed = TrimSpaces(text);
    if (trimmed.empty()) {
        return kCancelled; // the name stays as it was
    }
    if (archiveFile_.readOnly()) {
        return ReportError(kErrReadOnly);
    }
    catalogue_.SetName(index, trimmed);
    return kOk;
}

Status CCodeArchive::SetExpanded(EntryIndex index, bool expanded) {
    if (Reentered() || catalogueInFlux()) {
        return kBusy;
    }
    if (!Entry(index)) {
        return ReportError(kErrGeneral);
    }
    catalogue_.SetExpanded(index, expanded);
    return kOk;
}

Status CCodeArchive::SetTypeCode(EntryIndex index, uint8_t code) {
    if (Reentered() || catalogueInFlux()) {
        return kBusy;
    }
    if (!Entry(index)) {
        return ReportError(kErrGeneral);
    }
    catalogue_.SetTypeCode(index, code);
    return kOk;
}

Status CCodeArchive::SetRootExpanded(bool expanded) {
    if (Reentered() || catalogueInFlux()) {
        return kBusy;
    }
    if (!isOpen_) {
        return ReportError(kErrGeneral);
    }
    header_.rootExpanded = expanded ? 1 : 0;
    return kOk;
}

void CCodeArchive::Recount(bool alert) {
    if (!catalogue_.loaded() || Reentered()) {
        return;
    }
    if (catalogue_.Recount(&header_.folderCount, &header_.fileCount) && alert) {
        ShowAlert(AlertPerformance());
    }
}

// ---------------------------------------------------------------- export

Status CCodeArchive::ExportSelection(const std::vector<int>& selection, std::vector<std::string>* written,
                                     bool withFolders) {
    if (Reentered()) {
        return kBusy;
    }
    const OperationScope scope(*this);
    std::string root;
    {
        const HostCall call;
        if (!host_.ChooseFolder(root)) {
            return kCancelled;
        }
    }
    const SelectionMap marks = MarkSelection(selection, true);
    if (marks.count == 0) {
        return kOk;
    }
    if (root.empty() || root.back() != '/') {
        root += '/';
    }
    progress_.Open(kProgressExport, 0, 0);
    progress_.Total(marks.count);
    std::string subject; // the file or folder a failure is about
    const Status status =
        Exporter(catalogue_, archiveFile_, fs_, progress_).Run(root, marks, written, withFolders, subject);
    progress_.Close();
    if (status == kOk || status == kCancelled) {
        return status;
    }
    // One message, saying what went wrong where that is known; a disk that filled up (or anything
    // else) as 9006.
    switch (status) {
    case kErrArchiveRead:
    case kErrFolderReadOnly:
    case kErrFolderInTheWay:
    case kErrFileAccess:
        return ReportError(status, subject);
    default:
        return ReportError(kErrExportSpace);
    }
}

Status CCodeArchive::ExportFile(EntryIndex index, const std::string& folder, bool makeName,
                                std::string* writtenPath, const SelectionMap* marks) {
    if (Reentered()) {
        return kBusy;
    }
    if (catalogueInFlux()) {
        return kErrGeneral;
    }
    return Exporter(catalogue_, archiveFile_, fs_, progress_)
        .ExportFile(index, folder, makeName, writtenPath, marks);
}

Status CCodeArchive::ReadFileData(EntryIndex index, IFile& output) {
    return ReadFileData(index, [&output, offset = uint64_t{0}](const uint8_t* data, size_t length) mutable {
        const bool ok = output.WriteAt(data, offset, length);
        offset += length;
        return ok;
    });
}

Status CCodeArchive::ReadFileData(EntryIndex index, const std::function<bool(const uint8_t*, size_t)>& sink) {
    // It may pump through the progress window of an operation running on the archive.
    if (Reentered()) {
        return kBusy;
    }
    if (catalogueInFlux()) {
        return kErrArchiveRead;
    }
    return Exporter(catalogue_, archiveFile_, fs_, progress_).ReadFileData(index, sink);
}

// ---------------------------------------------------------------- organise

Status CCodeArchive::MoveEntries(const std::vector<int>& selection, int destination, bool confirm) {
    if (Reentered()) {
        return kBusy;
    }
    const OperationScope scope(*this);
    // Nothing to move (an empty selection, or one of the recycle bin alone) is no failure: as for
    // a copy, nothing is touched and 0 comes back.
    const SelectionMap marks = MarkSelection(selection, true);
    if (marks.count == 0) {
        return kOk;
    }
    if (archiveFile_.readOnly()) {
        return ReportError(kErrReadOnly);
    }
    const CatalogueEntry* target = destination == 0 ? nullptr : Entry(EntryIndex::OfNumber(destination));
    if (destination != 0 && (!target || !target->IsFolder())) {
        return ReportError(kErrGeneral);
    }
    if (marks.Marked(destination)) {
        return ReportError(kErrMoveIntoItself);
    }
    const bool intoBin = destination != 0 && target->inRecycleBin != 0;
    if (confirm && intoBin) {
        const HostCall call;
        if (!host_.Confirm(marks.count == 1 ? ConfirmDeleteOne() : ConfirmDeleteMany())) {
            return kCancelled;
        }
    }
    // The entries are changed in the file, then reloaded: changes held in memory must reach the file
    // first, or the reload would throw them away.
    if (Status s = WriteHeader(false); s != kOk) {
        return ReportError(s);
    }
    Status status = kOk;
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
        status = catalogue_.ReadEntry(e, EntryIndex::OfNumber(number));
        if (status == kOk && e.parent != destination) {
            e.parent = destination;
            status = catalogue_.WriteEntry(e, EntryIndex::OfNumber(number));
        }
    }
    if (status == kOk) {
        status = Flush();
    }
    Status reloaded = kOk;
    {
        const CatalogueChange change(*this);
        reloaded = Reload(!(confirm && intoBin));
    }
    return ReportError(status != kOk ? status : reloaded);
}

Status CCodeArchive::CopyEntries(const std::vector<int>& selection, int destination, CCodeArchive& target) {
    if (Reentered() || target.Reentered()) {
        return kBusy;
    }
    const OperationScope scope(*this);
    const OperationScope targetScope(target);
    if (selection.empty()) {
        return kOk;
    }
    const SelectionMap marks = MarkSelection(selection, true);
    if (marks.count == 0) {
        return kOk;
    }
    const int count = header_.entryCount;
    // A copy within this archive reloads it at the end: what is only in memory must be written first.
    if (Status s = FlushCatalogue(); s != kOk) {
        return ReportError(s);
    }
    Status status = target.BeginBatch(false);
    EntryCopier copier(catalogue_, archiveFile_, target.batch_, marks, destination, count);
    if (status == kOk) {
        status = copier.Plan();
    }
    if (status == kOk) {
        status = target.batch_.Expand();
    }
    if (status == kOk && target.batch_.StartAdding() == kOk) {
        copier.Add();
    }
    return target.FinishBatch();
}

// ---------------------------------------------------------------- recycle bin

Status CCodeArchive::EmptyRecycleBin(const std::vector<int>& selection) {
    if (Reentered()) {
        return kBusy;
    }
    if (archiveFile_.readOnly()) {
        return ReportError(kErrReadOnly);
    }
    const OperationScope scope(*this);
    SelectionMap marks = MarkSelection(selection, true);
    if (marks.count == 0) {
        return header_.defragmentPending ? Defragment() : Status{kOk};
    }
    {
        const HostCall call;
        if (!host_.Confirm(ConfirmEmptyRecycleBin())) {
            return kCancelled;
        }
    }
    if (Status s = WriteHeader(false); s != kOk) {
        return ReportError(s);
    }
    // From the renumbering to the end of the defragmentation the catalogue is in flux.
    const CatalogueChange change(*this);
    Status status = kOk;
    {
        WaitCursorGuard wait(host_);
        status = Defragmenter(archiveFile_, header_, catalogue_, fs_, path_, progress_).RemoveMarked(marks);
    }
    if (status != kOk) {
        // The header on disk still describes the old catalogue: reload it and say what happened.
        Reload(false);
        return ReportError(kErrCorrupt);
    }
    // The pass reloads the catalogue on every way out and shows its own failure.
    return Defragment();
}

Status CCodeArchive::Defragment() {
    if (Reentered()) {
        return kBusy;
    }
    if (!header_.defragmentPending) {
        return kOk;
    }
    if (archiveFile_.readOnly()) {
        return ReportError(kErrReadOnly);
    }
    const OperationScope scope(*this);
    // Pending catalogue changes reach the file first: the pass works on the file and reloads it, so
    // changes that cannot be written would be lost.
    if (Status s = FlushCatalogue(); s != kOk) {
        return ReportError(s);
    }
    // Blocks move and the catalogue is reloaded: in flux until the pass is over.
    std::optional<CatalogueChange> change(std::in_place, *this);
    progress_.Open(kProgressDefragment, 0, 0);
    progress_.Total(header_.entryCount);
    bool cancelled = false;
    Status failure =
        Defragmenter(archiveFile_, header_, catalogue_, fs_, path_, progress_).Compact(&cancelled);
    // The catalogue is reloaded on every way out: moved entries have new offsets in the file.
    catalogue_.Invalidate();
    const Status reloaded = Reload(false);
    if (failure == kOk) {
        failure = reloaded;
    }
    progress_.Close();
    change.reset();
    if (failure != kOk) {
        return ReportError(failure);
    }
    if (cancelled) {
        ShowAlert(AlertDefragmentCancelled());
        return kCancelled;
    }
    return kOk;
}

// ---------------------------------------------------------------- errors

Status CCodeArchive::ReportError(Status code, const std::string& subject) {
    if (code == kOk || code == kCancelled) {
        return code;
    }
    const Status shown = ShownCode(code);
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
