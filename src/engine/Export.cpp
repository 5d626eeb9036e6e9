// Export: decrypted copies of archive files written into a folder of the disk.
#include "CCodeArchive.h"
#include "NameRules.h"

#include <algorithm>

namespace quorvane {
namespace {

// Export keeps counting past "Copy (31) of" rather than overwrite anything; this only bounds a
// folder that somehow holds every name.
constexpr int kMaxCopyAttempts = 100000;

} // namespace

Status CCodeArchive::ExportSelection(const std::vector<int>& selection, std::vector<std::string>* written) {
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
    ProgressOpen(kProgressExport);
    ProgressTotal(marks.count);
    batch_ = Batch{};
    batch_.plannedEntries = marks.count;
    Status status = kOk;
    for (int index = 0; index < header_.entryCount; ++index) {
        if (!marks.Marked(index + 1)) {
            continue;
        }
        ProgressText(GetName(EntryIndex(index)));
        if (cancelled_) {
            status = kCancelled;
            break;
        }
        if (!catalogue_[static_cast<size_t>(index)].IsFolder()) {
            std::string path;
            status = ExportFile(EntryIndex(index), root, true, &path, &marks);
            if (status != kOk) {
                break;
            }
            if (written) {
                written->push_back(path);
            }
        }
        ++batch_.entriesAdded;
    }
    ProgressClose();
    // Whatever stopped it, one message: 9006.
    return status == kOk || status == kCancelled ? status : ReportError(kErrExportSpace);
}

std::string CCodeArchive::DestinationFolder(EntryIndex index, const std::string& root,
                                            const SelectionMap& marks) {
    std::vector<int> ancestors;
    const CatalogueEntry* e = Entry(index);
    for (int a = e ? e->parent : 0; a != 0 && a != 1 && marks.Marked(a) && ancestors.size() < 512;
         a = catalogue_[static_cast<size_t>(a - 1)].parent) {
        ancestors.push_back(a);
    }
    std::string path = root;
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        path += SafeComponent(GetName(EntryIndex::OfNumber(*it)), "unnamed") + "/";
        fs_.MakeDirectory(path.substr(0, path.size() - 1)); // an existing folder is fine
    }
    return path;
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
        const SelectionMap none;
        const std::string directory = DestinationFolder(index, folder, marks ? *marks : none);
        const std::string name = SafeComponent(GetName(index), "unnamed");
        for (int attempt = 0; attempt < kMaxCopyAttempts && !output; ++attempt) {
            path = directory + CopyCandidate(name, attempt);
            if (fs_.Exists(path)) {
                continue;
            }
            output = fs_.CreateNew(path, &result);
            if (!output && !fs_.Exists(path)) {
                break; // not a name clash: the folder cannot take the file
            }
        }
    } else {
        path = folder;
        output = fs_.CreateNew(path, &result);
    }
    if (!output) {
        return kPendingGeneral;
    }
    Status status = ReadFileData(index, *output);
    if (!output->Close() && status == kOk) {
        status = kErrFileAccess;
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
    TransferBuffers& buffers = SharedBuffers();
    const uint64_t size = e->size;
    const uint64_t fullPieces = size / kPieceSize;
    // Each chunk streams through a slice small enough to stay in the processor's cache between
    // the read, the decryption in place and the write.
    constexpr uint32_t kSlice = 256 * 1024;
    uint64_t position = e->dataOffset;
    uint64_t remaining = size;
    uint64_t piece = 0;
    uint8_t chain[CCipher::kChainBytes];
    do {
        const uint32_t p = static_cast<uint32_t>(std::min<uint64_t>(remaining, kPieceSize));
        const uint32_t stored = Padded(uint64_t{p} + kChunkPrefix);
        CCipher::BeginChain(chain);
        for (uint32_t at = 0; at < stored; at += kSlice) {
            const uint32_t n = std::min(kSlice, stored - at);
            if (ReadAt(buffers.a, position + at, n) != kOk ||
                DecryptPiece(buffers.a, buffers.a, n, chain) != kOk) {
                return kErrArchiveRead;
            }
            // The file's bytes of this slice: after the random prefix, before the padding.
            const uint32_t from = std::max(at, kChunkPrefix);
            const uint32_t to = std::min(at + n, kChunkPrefix + p);
            if (from < to && !sink(buffers.a + (from - at), to - from)) {
                return kErrFileAccess;
            }
        }
        if (p == 0 && !sink(buffers.a, 0)) {
            return kErrFileAccess;
        }
        position += stored;
        remaining -= p;
        ++piece;
        if (size > kPieceSize) {
            ProgressPiece(static_cast<int>(piece), static_cast<int>(fullPieces));
            // ExportFile removes the part already written.
            if (remaining > 0 && CancelledBetweenPieces()) {
                return kCancelled;
            }
        }
    } while (remaining > 0);
    return kOk;
}

} // namespace quorvane
