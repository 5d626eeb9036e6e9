// Export: decrypted copies of archive files written into a folder of the disk.
#include "CCodeArchive.h"
#include "ChunkCursor.h"
#include "NameRules.h"

#include <algorithm>

namespace quorvane {
namespace {

// Export keeps counting past "Copy (31) of" rather than overwrite anything; this only bounds a
// folder that somehow holds every name.
constexpr int kMaxCopyAttempts = 100000;

// The folders below the export root that hold an entry's file: the names of its marked ancestors
// up to the first that is not marked or is the recycle bin, each followed by '/'.
std::string RelativeFolder(CCodeArchive& archive, EntryIndex index, const SelectionMap& marks) {
    std::vector<int> ancestors;
    const CatalogueEntry* e = archive.Entry(index);
    while (e && e->parent != 0 && e->parent != 1 && marks.Marked(e->parent) && ancestors.size() < 512) {
        ancestors.push_back(e->parent);
        e = archive.Entry(EntryIndex::OfNumber(e->parent));
    }
    std::string relative;
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        relative += SafeComponent(archive.GetName(EntryIndex::OfNumber(*it)), "unnamed") + "/";
    }
    return relative;
}

// The code of a file or folder that could not be made in the export folder.
Status CreateFailure(OpenResult result) {
    switch (result) {
    case OpenResult::Denied:
        return kErrFolderReadOnly;
    case OpenResult::InTheWay:
        return kErrFolderInTheWay;
    case OpenResult::NoSpace:
        return kErrExportSpace;
    default:
        return kErrFileAccess;
    }
}

// The first folder of `relative` below `root` that is not a real folder (a file or a link in the
// way), for the message; the whole path when each is.
std::string FirstNotAFolder(IFileSystem& fs, const std::string& root, const std::string& relative) {
    std::string path = root;
    for (size_t start = 0; start < relative.size();) {
        const size_t slash = std::min(relative.find('/', start), relative.size());
        path += relative.substr(start, slash - start);
        if (fs.KindOf(path) != DirEntryKind::Directory) {
            return path;
        }
        path += "/";
        start = slash + 1;
    }
    return path.size() > 1 && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
}

// Makes the folders of `relative` below `root`; the failure's code, with `subject` set.
Status MakeFolders(IFileSystem& fs, const std::string& root, const std::string& relative,
                   std::string& subject) {
    OpenResult result = OpenResult::Ok;
    if (relative.empty() || fs.MakeDirectoryBelow(root, relative, &result)) {
        return kOk;
    }
    const Status code = CreateFailure(result);
    subject = code == kErrFolderInTheWay ? FirstNotAFolder(fs, root, relative) : root + relative;
    if (subject.size() > 1 && subject.back() == '/') {
        subject.pop_back();
    }
    return code;
}

} // namespace

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
    ProgressCounts counts{0, marks.count, 0, 0};
    Status status = kOk;
    std::string subject; // the file or folder a failure is about
    for (int index = 0; index < header_.entryCount; ++index) {
        if (!marks.Marked(index + 1)) {
            continue;
        }
        progress_.Text(GetName(EntryIndex(index)), counts);
        if (progress_.cancelled()) {
            status = kCancelled;
            break;
        }
        if (!catalogue_.entries()[static_cast<size_t>(index)].IsFolder()) {
            std::string path;
            status = ExportFile(EntryIndex(index), root, true, &path, &marks);
            if (status != kOk) {
                subject = path;
                break;
            }
            if (written) {
                written->push_back(path);
            }
        } else if (withFolders) {
            // Where its files go, as ExportFile makes it for them.
            status = MakeFolders(fs_, root,
                                 RelativeFolder(*this, EntryIndex(index), marks) +
                                     SafeComponent(GetName(EntryIndex(index)), "unnamed"),
                                 subject);
            if (status != kOk) {
                break;
            }
        }
        ++counts.done;
    }
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
    const CatalogueEntry* e = Entry(index);
    if (!e || e->IsFolder()) {
        return kErrGeneral;
    }
    std::unique_ptr<IFile> output;
    std::string path;
    OpenResult result{};
    if (makeName) {
        // Nothing below the chosen folder is reached through a link: one already there could lead
        // anywhere on the disk.
        const std::string root = !folder.empty() && folder.back() != '/' ? folder + "/" : folder;
        const SelectionMap none;
        const std::string relative = RelativeFolder(*this, index, marks ? *marks : none);
        std::string subject;
        if (Status s = MakeFolders(fs_, root, relative, subject); s != kOk) {
            if (writtenPath) {
                *writtenPath = subject;
            }
            return s;
        }
        const std::string name = SafeComponent(GetName(index), "unnamed");
        for (int attempt = 0; attempt < kMaxCopyAttempts && !output; ++attempt) {
            path = root + relative + CopyCandidate(name, attempt);
            output = fs_.CreateNewBelow(root, relative + CopyCandidate(name, attempt), &result);
            if (!output && result != OpenResult::Exists) {
                break; // not a name clash: the folder cannot take the file
            }
        }
        if (!output && result == OpenResult::Denied) {
            path = root + relative;
            if (path.size() > 1) {
                path.pop_back(); // the folder is what cannot be written
            }
        }
    } else {
        path = folder;
        output = fs_.CreateNew(path, &result);
    }
    if (!output) {
        if (writtenPath) {
            *writtenPath = path;
        }
        return CreateFailure(result);
    }
    Status status = ReadFileData(index, *output);
    if (status == kErrFileAccess) {
        status = kErrExportSpace; // the output file took no more: a full disk, most likely
    }
    if (!output->Close() && status == kOk) {
        status = kErrExportSpace;
    }
    if (status != kOk) {
        fs_.Remove(path); // never leave a truncated copy behind
        return status;
    }
    if (writtenPath) {
        *writtenPath = path;
    }
    return kOk;
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
    const CatalogueEntry* e = Entry(index);
    if (!e || e->IsFolder()) {
        return kErrArchiveRead;
    }
    TransferBuffers& shared = SharedBuffers();
    const uint64_t dataOffset = e->dataOffset;
    const ChunkCursor chunks = ChunkCursor::ForFile(e->size);
    return RunChunks(
        chunks, {shared.a, shared.b},
        [&](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
            // Each chunk streams through a slice small enough to stay in the processor's cache
            // between the read, the decryption in place and the write.
            constexpr uint32_t kSlice = 256 * 1024;
            const uint64_t position = dataOffset + piece.storedOffset;
            uint8_t chain[CCipher::kChainBytes];
            CCipher::BeginChain(chain);
            for (uint32_t at = 0; at < piece.storedLength; at += kSlice) {
                const uint32_t n = std::min(kSlice, piece.storedLength - at);
                if (ReadAt(buffers.a, position + at, n) != kOk ||
                    DecryptPiece(buffers.a, buffers.a, n, chain) != kOk) {
                    return kErrArchiveRead;
                }
                // The file's bytes of this slice: after the random prefix, before the padding.
                const uint32_t from = std::max(at, kChunkPrefix);
                const uint32_t to = std::min(at + n, kChunkPrefix + piece.plainLength);
                if (from < to && !sink(buffers.a + (from - at), to - from)) {
                    return kErrFileAccess;
                }
            }
            if (piece.plainLength == 0 && !sink(buffers.a, 0)) {
                return kErrFileAccess;
            }
            return kOk;
        },
        // ExportFile removes the part already written after a cancel.
        [&](const ChunkPiece& piece) { return progress_.AfterPiece(chunks, piece); });
}

} // namespace quorvane
