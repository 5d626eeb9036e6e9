#include "Exporter.h"

#include "ChunkCursor.h"
#include "NameRules.h"
#include "SharedBuffers.h"
#include "WorkerPool.h"

#include <algorithm>

namespace quorvane {
namespace {

// Export keeps counting past "Copy (31) of" rather than overwrite anything; this only bounds a
// folder that somehow holds every name.
constexpr int kMaxCopyAttempts = 100000;

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

Exporter::Exporter(Catalogue& catalogue, ArchiveFile& file, IFileSystem& fs, Progress& progress)
    : catalogue_(catalogue)
    , file_(file)
    , fs_(fs)
    , progress_(progress) {}

std::string Exporter::NameOf(EntryIndex index) {
    const CatalogueEntry* e = catalogue_.Entry(index);
    return e ? catalogue_.Name(*e) : std::string();
}

std::string Exporter::RelativeFolder(EntryIndex index, const SelectionMap& marks) {
    std::vector<int> ancestors;
    const CatalogueEntry* e = catalogue_.Entry(index);
    while (e && e->parent != 0 && e->parent != 1 && marks.Marked(e->parent) && ancestors.size() < 512) {
        ancestors.push_back(e->parent);
        e = catalogue_.Entry(EntryIndex::OfNumber(e->parent));
    }
    std::string relative;
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        relative += SafeComponent(NameOf(EntryIndex::OfNumber(*it)), "unnamed") + "/";
    }
    return relative;
}

Status Exporter::Run(const std::string& root, const SelectionMap& marks, std::vector<std::string>* written,
                     bool withFolders, std::string& subject) {
    ProgressCounts counts{0, marks.count, 0, 0};
    const auto count = static_cast<int32_t>(catalogue_.entries().size());
    ChunkRelay relay(DecryptStep());
    runFiles_.clear();
    runPosition_ = 0;
    if (WorkerPool::Threads() > 1) {
        for (EntryIndex index(0); index.value < count; ++index.value) {
            if (marks.Marked(index.number()) &&
                !catalogue_.entries()[static_cast<size_t>(index.value)].IsFolder()) {
                runFiles_.push_back(index);
            }
        }
        relay_ = &relay;
    }
    struct Detach {
        Exporter& self;
        ~Detach() {
            self.relay_ = nullptr;
            self.runFiles_.clear();
        }
    } detach{*this};
    for (EntryIndex index(0); index.value < count; ++index.value) {
        if (!marks.Marked(index.number())) {
            continue;
        }
        progress_.Text(NameOf(index), counts);
        if (progress_.cancelled()) {
            return kCancelled;
        }
        if (!catalogue_.entries()[static_cast<size_t>(index.value)].IsFolder()) {
            std::string path;
            while (runPosition_ < runFiles_.size() && runFiles_[runPosition_].value < index.value) {
                ++runPosition_;
            }
            if (Status s = ExportFile(index, root, true, &path, &marks); s != kOk) {
                subject = path;
                return s;
            }
            if (written) {
                written->push_back(path);
            }
        } else if (withFolders) {
            // Where its files go, as ExportFile makes it for them.
            if (Status s = MakeFolders(fs_, root,
                                       RelativeFolder(index, marks) + SafeComponent(NameOf(index), "unnamed"),
                                       subject);
                s != kOk) {
                return s;
            }
        }
        ++counts.done;
    }
    return kOk;
}

Status Exporter::ExportFile(EntryIndex index, const std::string& folder, bool makeName,
                            std::string* writtenPath, const SelectionMap* marks) {
    const CatalogueEntry* e = catalogue_.Entry(index);
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
        const std::string relative = RelativeFolder(index, marks ? *marks : none);
        std::string subject;
        if (Status s = MakeFolders(fs_, root, relative, subject); s != kOk) {
            if (writtenPath) {
                *writtenPath = subject;
            }
            return s;
        }
        const std::string name = SafeComponent(NameOf(index), "unnamed");
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
    Status status =
        ReadFileData(index, [&output, offset = uint64_t{0}](const uint8_t* data, size_t length) mutable {
            const bool ok = output->WriteAt(data, offset, length);
            offset += length;
            return ok;
        });
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

Status Exporter::ReadFileData(EntryIndex index, const std::function<bool(const uint8_t*, size_t)>& sink) {
    const CatalogueEntry* e = catalogue_.Entry(index);
    if (!e || e->IsFolder()) {
        return kErrArchiveRead;
    }
    TransferBuffers& shared = SharedBuffers();
    const uint64_t dataOffset = e->dataOffset;
    const ChunkCursor chunks = ChunkCursor::ForFile(e->size);
    // ExportFile removes the part already written after a cancel.
    const ChunkAfter after = [&](const ChunkPiece& piece) { return progress_.AfterPiece(chunks, piece); };
    if (WorkerPool::Threads() <= 1) {
        // One thread: each chunk streams through a slice small enough to stay in the processor's
        // cache between the read, the decryption in place and the write.
        return RunChunks(
            chunks, {shared.a, shared.b},
            [&](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
                constexpr uint32_t kSlice = 256 * 1024;
                const uint64_t position = dataOffset + piece.storedOffset;
                uint8_t chain[CCipher::kChainBytes];
                CCipher::BeginChain(chain);
                for (uint32_t at = 0; at < piece.storedLength; at += kSlice) {
                    const uint32_t n = std::min(kSlice, piece.storedLength - at);
                    if (file_.ReadAt(buffers.a, position + at, n) != kOk ||
                        file_.DecryptPiece(buffers.a, buffers.a, n, chain) != kOk) {
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
            after);
    }
    // Several threads: whole chunks, decrypted on the pool while this thread reads and writes.
    ChunkStages stages;
    stages.load = [this, dataOffset](const ChunkPiece& piece, ChunkBuffers& buffers) {
        return LoadChunk(dataOffset, piece, buffers);
    };
    stages.transform = DecryptStep();
    stages.store = [&](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
        // The file's bytes: after the random prefix, before the padding.
        return sink(buffers.a + kChunkPrefix, piece.plainLength) ? kOk : kErrFileAccess;
    };
    const bool inRun =
        relay_ != nullptr && runPosition_ < runFiles_.size() && runFiles_[runPosition_] == index;
    if (!inRun) {
        return RunChunks(chunks, {shared.a, shared.b}, stages, after);
    }
    // While this file's last chunks are decrypted, the next files' first ones are read.
    const ChunkLookahead lookahead = [this](size_t i, ChunkWalkAhead& ahead) {
        const size_t at = runPosition_ + 1 + i;
        const CatalogueEntry* next = at < runFiles_.size() ? catalogue_.Entry(runFiles_[at]) : nullptr;
        if (next == nullptr) {
            return false;
        }
        ahead.key = static_cast<uint64_t>(runFiles_[at].value);
        ahead.cursor = ChunkCursor::ForFile(next->size);
        ahead.load = [this, offset = uint64_t{next->dataOffset}](const ChunkPiece& piece,
                                                                 ChunkBuffers& buffers) {
            return LoadChunk(offset, piece, buffers);
        };
        return true;
    };
    return relay_->Walk(static_cast<uint64_t>(index.value), chunks, {shared.a, shared.b}, stages, after,
                        nullptr, lookahead);
}

ChunkStep Exporter::DecryptStep() {
    return [this](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
        return file_.Decrypt(buffers.a, buffers.a, piece.storedLength) == kOk ? kOk : kErrArchiveRead;
    };
}

Status Exporter::LoadChunk(uint64_t dataOffset, const ChunkPiece& piece, ChunkBuffers& buffers) {
    return file_.ReadAt(buffers.a, dataOffset + piece.storedOffset, piece.storedLength) == kOk
               ? kOk
               : kErrArchiveRead;
}

} // namespace quorvane
