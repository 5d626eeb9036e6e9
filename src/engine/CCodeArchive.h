#pragma once
// One open archive: the file, its key, both headers, the catalogue in memory, and the long
// operations that change the file. Every operation returns a Status (0, 9004 when cancelled, or a
// message number) and has already shown its message through the ArchiveHost when it returns.
#include "ArchiveFile.h"
#include "ArchiveHost.h"
#include "BatchWriter.h"
#include "CCipher.h"
#include "Catalogue.h"
#include "EntryIndex.h"
#include "ErrorCodes.h"
#include "FileLayer.h"
#include "Format.h"
#include "HostCall.h"
#include "Progress.h"
#include "SharedBuffers.h"
#include "Validate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

class WorkerPool;

// Why the last Open failed, for a caller that offers the password again: only WrongPassword
// follows a password prompt whose password failed the check. A file that is not an archive of this
// kind (foreign magic or method, too short) shows the same message 9000 but is NotAnArchive.
enum class OpenFailure { None, WrongPassword, NotAnArchive, Cancelled, Other };

struct ImportedItem {
    int number = 0;
    std::string path;
};

class CCodeArchive {
public:
    explicit CCodeArchive(ArchiveHost& host, IFileSystem& fs = PosixFileSystem());
    ~CCodeArchive();
    CCodeArchive(const CCodeArchive&) = delete;
    CCodeArchive& operator=(const CCodeArchive&) = delete;

    // ---- life cycle
    // Asks the host for the settings ("Archive Properties", then "Confirm Archive Password").
    Status Create(const std::string& path, CreateSettings settings = {});
    // An archive that may be read but not written opens read-only (see readOnly()); a journal
    // beside it is not replayed, and 9040 is shown for it while Open still succeeds with 0.
    Status Open(const std::string& path);
    OpenFailure lastOpenFailure() const { return lastOpenFailure_; }
    // Writes the header and catalogue back when `save`; a failure is shown, returned, and the
    // archive stays open with its changes, so that the caller can keep it.
    Status Close(bool save);
    // Close(true) after the "Confirm Close Archive." dialog when `ask`: 9004 for No, else the
    // status of Close(true).
    Status ConfirmClose(bool ask);
    bool IsOpen() const { return isOpen_; }

    // ---- while events are pumped
    // The host's event loop keeps running inside every long operation (PollCancel and each dialog
    // let it), so paints, timers and drops may call back in. While an operation on this archive
    // runs it is Busy: called back from inside it, reads answer with correct data, and every
    // change and long operation is refused with kBusy, touching nothing. While the catalogue is in
    // flux - between the host's CatalogueAboutToChange and CatalogueChanged - reads answer nothing
    // (empty text, 0, null, false, an empty selection).
    bool Busy() const { return busyDepth_ > 0; }
    bool catalogueInFlux() const { return fluxDepth_ > 0; }
    // Changes whenever entries are renumbered, blocks or the catalogue move, the catalogue is
    // reloaded, and at Open, Create and Close; never for in-place renames, comments or flags.
    uint64_t catalogueGeneration() const { return generation_; }
    // Marks the archive Busy for its lifetime; nests. Every long operation holds one (both
    // archives of a copy).
    class OperationScope {
    public:
        explicit OperationScope(CCodeArchive& archive);
        ~OperationScope();
        OperationScope(const OperationScope&) = delete;
        OperationScope& operator=(const OperationScope&) = delete;

    private:
        CCodeArchive& archive_;
    };

    // ---- export
    // Asks the host for a folder, then writes the marked files there (folders below the selection
    // recreated). 0 (also when nothing is marked), 9004 when the folder chooser or the progress
    // window is cancelled, else the code of the one message shown: 9011 (the archive cannot be
    // read), 9041 (the folder cannot be written), 9043 (a file or link where a folder is to be made)
    // or 9005, naming the file or folder, and 9006 for a full disk and anything else. `written`
    // receives each path. With `withFolders`, every marked folder is made too, so that empty ones
    // come out as well.
    Status ExportSelection(const std::vector<int>& selection, std::vector<std::string>* written = nullptr,
                           bool withFolders = false);
    // One file: with `makeName`, `folder` is the export root and a free name is chosen there; else
    // `folder` is the complete destination path. Never overwrites an existing file, and never
    // reaches below the root through a link. A step of ExportSelection: its failure is returned, not
    // shown, and `writtenPath` then names the file or folder the failure is about.
    Status ExportFile(EntryIndex index, const std::string& folder, bool makeName,
                      std::string* writtenPath = nullptr, const SelectionMap* marks = nullptr);
    // Decrypts a file's chunks into `output` piece by piece; a failure is returned, not shown.
    Status ReadFileData(EntryIndex index, IFile& output);
    // The same into a callback (kvq cat); the callback returns false to stop with 9005.
    Status ReadFileData(EntryIndex index, const std::function<bool(const uint8_t*, size_t)>& sink);

    // ---- organise (selections are entry numbers; destination a folder's number, 0 = top level)
    Status MoveEntries(const std::vector<int>& selection, int destination, bool confirm);
    Status CopyEntries(const std::vector<int>& selection, int destination, CCodeArchive& target);

    // ---- recycle bin
    // 0, 9004 for a refused confirmation or a cancelled defragmentation, else the code shown.
    Status EmptyRecycleBin(const std::vector<int>& selection);
    Status Defragment();
    // Reloads and recounts the catalogue and writes it back with the header; a failure is shown.
    Status Refresh(bool alert);

    // ---- catalogue operations (parents, selections and FindNext speak in entry numbers)
    Status CreateFolder(int parent, const std::string& name, uint8_t typeCode, int* newNumber = nullptr);
    std::string GetName(EntryIndex index);
    std::string GetComment(EntryIndex index);
    std::string GetText(EntryIndex index, int field);
    uint32_t GetKey1(EntryIndex index, int field) const;
    uint32_t GetKey2(EntryIndex index, int field) const;
    int GetListIcon(EntryIndex index) const;
    int GetTreeKind(EntryIndex index) const;      // file 2, folder 1, recycle bin 9999, else 0
    int GetTreeKindNoBin(EntryIndex index) const; // the same, but 0 for the recycle bin
    // Decrypted thumbnail pixels (thumbStoredLength bytes) in the shared thumbnail buffer, or null;
    // valid until the next call into the engine that may pump (see SharedBuffers).
    const uint8_t* GetThumbnail(EntryIndex index);
    // The stored thumbnail of a file rebuilt into cell `targetCell` (0: 16 px, 1: 32 px, or the stored
    // size's own cell) of the shared thumbnail maker, for the contents list. False when the entry has
    // no thumbnail or it cannot be read.
    bool RenderThumbnail(EntryIndex index, int targetCell);
    // A file of at most 4 MiB decrypted into a transfer buffer: 0 and its bytes, or -1. The bytes
    // are valid until the next call into the engine that may pump (see SharedBuffers).
    int GetImageData(EntryIndex index, const uint8_t** data, uint32_t* size);
    // The entry number of the first file after entry number `start` (0: from the start) whose name
    // matches, or 0.
    int FindNext(const std::string& text, bool matchCase, bool wholeName, int start);
    // In-memory changes, written by the next WriteHeader or Close(true). Each returns 0, or 9029
    // (shown) for an entry that does not exist; a rename to a blank text changes nothing and
    // returns 9004, as when the user leaves the name as it was. On a read-only archive a rename or
    // comment is refused with 9039 (shown); expansion, type and the root's state change in memory
    // only, are never written, and return 0.
    Status SetEntryComment(EntryIndex index, const std::string& text);
    Status Rename(EntryIndex index, const std::string& text);
    Status SetExpanded(EntryIndex index, bool expanded);
    Status SetTypeCode(EntryIndex index, uint8_t code);
    Status SetRootExpanded(bool expanded);
    SelectionMap MarkSelection(const std::vector<int>& selection, bool withSubtrees) const;

    static std::string SizeText(uint32_t bytes);
    static std::string DateText(uint64_t fileTime);

    // ---- accessors
    const std::string& path() const { return path_; }
    const std::string& fileName() const { return fileName_; }
    const std::string& displayName() const { return displayName_; }
    uint32_t method() const { return archiveFile_.plainHeader().method; }
    bool encrypted() const { return archiveFile_.encrypted(); }
    // The password and key schedules (all zero once closed); for checks that the wipe happened.
    const CipherState& keyState() const { return archiveFile_.keyState(); }
    uint8_t thumbnailFormat() const { return header_.thumbnailFormat; }
    uint8_t thumbnailQuality() const { return header_.thumbnailQuality; }
    int thumbSizeIndex() const { return thumbnail_.sizeIndex; }
    uint32_t thumbStoredLength() const { return thumbnail_.storedLength; }
    int32_t entryCount() const { return header_.entryCount; }
    int32_t folderCount() const { return header_.folderCount; }
    int32_t fileCount() const { return header_.fileCount; }
    bool defragmentPending() const { return header_.defragmentPending != 0; }
    uint32_t dataSize() const { return header_.dataSize; }
    uint32_t catalogueSize() const { return header_.catalogueSize; }
    uint64_t archiveSize() const {
        return uint64_t{kDataAreaOffset} + header_.dataSize + header_.catalogueSize;
    }
    bool catalogueLoaded() const { return catalogue_.loaded(); }
    // Opened read-only (the file may be read but not written): everything that reads works, every
    // change is refused with a message, and nothing is ever written to the file.
    bool readOnly() const { return archiveFile_.readOnly(); }
    bool catalogueDirty() const { return catalogue_.dirty(); }
    const PlainHeader& plainHeader() const { return archiveFile_.plainHeader(); }
    const ProtectedHeader& header() const { return header_; }
    // The length of the open file (0 when none); archiveSize() once nothing is under way.
    uint64_t fileLength() { return FileLength(); }
    // The in-memory entry, or null when the catalogue is not loaded, is in flux or the index is out
    // of range; valid until the catalogue next changes (CatalogueChanged).
    const CatalogueEntry* Entry(EntryIndex index) const;

private:
    // The engine's own steps: the import and the check, and tests through their ArchiveInternals.
    friend Status ImportPaths(CCodeArchive&, const std::vector<std::string>&, int, bool,
                              std::vector<ImportedItem>*, std::vector<std::string>*);
    friend std::vector<Finding> CheckArchive(CCodeArchive&);
    friend class ArchiveInternals;

    // ---- checked primitives
    Status ReadAt(void* buffer, uint64_t offset, size_t length);
    // The entry when it has a stored thumbnail of the archive's size, else null.
    const CatalogueEntry* ThumbnailEntry(EntryIndex index) const;
    // ThumbnailEntry for an entry whose thumbnail the list shows (an image, not a plain file).
    const CatalogueEntry* IconEntry(EntryIndex index) const;
    // Decrypted thumbnail pixels of `e` rebuilt into the shared maker's cell `targetCell`.
    void RestoreThumbnail(const CatalogueEntry& e, const uint8_t* pixels, int targetCell) const;
    friend class ThumbnailBatch;
    Status WriteAt(const void* buffer, uint64_t offset, size_t length);
    Status CopyRange(uint64_t from, uint64_t to, uint64_t length);
    Status Flush();
    Status SetArchiveLength(uint64_t length);

    Status EncryptUnit(const void* source, void* destination, uint32_t length);
    Status DecryptUnit(const void* source, void* destination, uint32_t length);
    // A unit decrypted in consecutive pieces (see CCipher::DecryptPiece).
    Status DecryptPiece(const void* source, void* destination, uint32_t length, uint8_t* chain);

    // ---- headers and catalogue
    Status WriteHeader(bool flush);
    Status LoadCatalogue();
    Status FlushCatalogue();

    // ---- the batch, between its steps (see BatchWriter): the catalogue's changes are written
    // first, and Finish reloads and reports
    Status BeginBatch(bool silent);
    Status FinishBatch();

    // Shows the message of `code` (nothing for 0 and 9004; 9029 for codes the table does not hold),
    // naming `subject` when one is given, and returns the code shown (0 and 9004 as they are).
    Status ReportError(Status code, const std::string& subject = {});

    void Recount(bool alert);
    ArchiveHost& host() { return host_; }
    IFileSystem& fileSystem() { return fs_; }
    // The open file (tests and the checker read through it).
    IFile* file() { return archiveFile_.file(); }
    // Decrypts a 128-byte name or comment field into text.
    std::string DecryptText(const uint8_t* field);
    // Encrypts text into a 128-byte field by the text copy rule; fills the two sort keys.
    void EncryptText(const std::string& text, uint8_t* field, uint32_t* key1, uint32_t* key2);

    // Moves the catalogue and switches the header on disk to `next` in one crash-safe step.
    // On failure the file is as its old header describes; `sourceIntact` tells whether the bytes at
    // `from` are still as they were (no overlapping copy was attempted).
    Status RelocateCatalogue(uint64_t from, uint64_t to, uint64_t length, const ProtectedHeader& next,
                             bool* sourceIntact);
    // Writes a header image (stamping stamp2) at 128; remembers it as the header on disk.
    Status WriteHeaderImage(const ProtectedHeader& image, bool flush);
    // Close and Refresh without showing their failure.
    Status CloseFile(bool save);
    Status Reload(bool alert);

    // Called back from inside a pump of an operation on this archive (changes and long operations
    // are refused then; the operation's own steps are not called back and go on).
    bool Reentered() const;
    // Brackets a renumbering, a move of blocks or of the catalogue, or a reload: reads refuse
    // inside, and the outermost bracket tells the host before and after, then shows the messages
    // and alerts raised inside it (no dialog opens over a catalogue in flux).
    class CatalogueChange {
    public:
        explicit CatalogueChange(CCodeArchive& archive);
        ~CatalogueChange();
        CatalogueChange(const CatalogueChange&) = delete;
        CatalogueChange& operator=(const CatalogueChange&) = delete;

    private:
        CCodeArchive& archive_;
    };
    void NewGeneration();
    // An alert, shown now or, in flux, after CatalogueChanged.
    void ShowAlert(const Prompt& prompt);
    void ResetState();
    void FillThumbSettings();
    uint64_t FileLength();

    ArchiveHost& host_;
    IFileSystem& fs_;
    std::string path_;
    std::string fileName_;
    std::string displayName_;
    ProtectedHeader header_{};
    TimeBlock timeTemplate_{};
    ThumbnailSlot thumbnail_;
    bool isOpen_ = false;
    OpenFailure lastOpenFailure_ = OpenFailure::None;
    ArchiveFile archiveFile_;
    Catalogue catalogue_;
    Progress progress_;
    BatchWriter batch_;
    int busyDepth_ = 0;
    int busyHostDepth_ = 0; // host calls under way when the outermost operation began
    int fluxDepth_ = 0;
    bool announced_ = false; // Open or Create succeeded: the host hears of catalogue changes
    std::vector<std::function<void()>> deferred_; // dialogs raised in flux
    uint64_t generation_ = 0;
};

// One import into `folder` of `archive` as one batch: files, and with `recurse` directories with
// their whole tree (links to directories, fifos, sockets and devices are skipped, and `skipped`
// receives their paths). The same paths are planned and then added in the same order. `added`
// receives the entry number and source path of each entry made. Returns the batch's status
// (already shown through the host).
Status ImportPaths(CCodeArchive& archive, const std::vector<std::string>& paths, int folder, bool recurse,
                   std::vector<ImportedItem>* added = nullptr, std::vector<std::string>* skipped = nullptr);

// The thumbnails of several entries, each rendered as RenderThumbnail renders it, while the pool's
// workers decrypt the others: a list starts a batch for the items it is about to draw and renders
// each as it draws it, in whatever order it draws them. This thread reads the thumbnails from the
// archive (in the batch's order, as far ahead as there are buffers) and restores each into the
// shared maker's cell; the workers only decrypt, in buffers of their own. A batch lives inside one
// paint: as soon as the archive runs an operation or its catalogue changes it renders nothing more,
// and nothing it has read is used after that.
class ThumbnailBatch {
public:
    ThumbnailBatch(CCodeArchive& archive, std::vector<EntryIndex> entries, int targetCell);
    // Waits for the workers' part still under way (what is still queued is withdrawn).
    ~ThumbnailBatch();
    ThumbnailBatch(const ThumbnailBatch&) = delete;
    ThumbnailBatch& operator=(const ThumbnailBatch&) = delete;

    // Whether `index` is one of the batch's entries not rendered yet.
    bool Pending(EntryIndex index) const;
    // Renders `index`, one of the pending entries, into the cell: true when the cell now holds its
    // thumbnail, false when it has none or cannot be read, or the batch has ended.
    bool Render(EntryIndex index);

private:
    struct Job;
    static constexpr int kWaiting = -1; // not read yet
    static constexpr int kDone = -2;
    static constexpr int kNone = -3; // no thumbnail, or it could not be read
    // Reads the next entries into the free jobs and queues their decryption.
    void Launch();
    bool Valid() const;

    CCodeArchive& archive_;
    std::vector<EntryIndex> entries_;
    std::vector<int> job_; // per entry: kWaiting, kDone, kNone, or the job it is in
    int cell_;
    uint64_t generation_;
    size_t launched_ = 0;        // every entry before it has been read or rendered
    WorkerPool* pool_ = nullptr; // null: no workers, each entry rendered on this thread
    std::unique_ptr<Job[]> jobs_;
    std::vector<int> free_; // jobs not in use
};

} // namespace quorvane
