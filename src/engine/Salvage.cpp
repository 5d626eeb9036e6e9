#include "Salvage.h"

#include "ArchiveHeaders.h"
#include "ChunkCursor.h"
#include "Format.h"
#include "NameRules.h"
#include "TextCodec.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

namespace quorvane {
namespace {

constexpr int kCandidates = 32;

class Salvage {
public:
    Salvage(IFileSystem& fs, ArchiveHost& host, std::string folder, SalvageReport& report)
        : fs_(fs)
        , host_(host)
        , root_(std::move(folder))
        , report_(report)
        , archive_(fs) {
        while (root_.size() > 1 && root_.back() == '/') {
            root_.pop_back();
        }
    }
    ~Salvage() { archive_.Detach(); }
    Salvage(const Salvage&) = delete;
    Salvage& operator=(const Salvage&) = delete;

    Status Run(const std::string& path);

private:
    Status Fail(Status code) {
        host_.ShowMessage(code, MessageText(code));
        return code;
    }
    bool Read(void* buffer, uint64_t offset, size_t length) {
        return offset + length <= fileLength_ && archive_.ReadAt(buffer, offset, length) == kOk;
    }
    // The decrypted text of a 128-byte field when it is a terminated text whose sort keys match.
    std::optional<std::string> DecodeName(const CatalogueEntry& e);
    // The disk folder for the content of entry `number` (0: the root); empty when none can be had.
    std::string FolderFor(int32_t number);
    // Where the content of `number` goes when its parents need not be walked: the root, a folder
    // already made, or the folder of a lost entry. Empty when `number` is a folder still to be made.
    std::optional<std::string> KnownFolder(int32_t number);
    std::string MakeFolder(const std::string& parent, const std::string& name);
    Status WriteFile(int number, const CatalogueEntry& e, const std::string& name, const std::string& folder);

    IFileSystem& fs_;
    ArchiveHost& host_;
    std::string root_;
    SalvageReport& report_;
    ArchiveFile archive_; // opened read-only: nothing is ever written to it
    uint64_t fileLength_ = 0;
    std::vector<CatalogueEntry> entries_; // the entries present in the file
    std::vector<std::optional<std::string>> names_;
    std::map<int32_t, std::string> folders_; // entry number → disk folder made for it
    std::vector<uint8_t> chunk_;
    std::vector<uint8_t> plain_;
    ProgressCounts counts_{};
};

std::optional<std::string> Salvage::DecodeName(const CatalogueEntry& e) {
    uint8_t plain[kTextFieldSize];
    if (archive_.Decrypt(e.name, plain, kTextFieldSize) != kOk) {
        return std::nullopt;
    }
    const void* nul = std::memchr(plain, 0, kTextFieldSize - 1);
    // The plain sort keys are the only witness that the key and the field belong together.
    if (nul == nullptr || plain[0] == 0 || e.nameKey1 != SortKey(plain) || e.nameKey2 != SortKey(plain + 4)) {
        return std::nullopt;
    }
    const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(nul) - plain);
    std::string text = DecodeStoredText(std::string_view(reinterpret_cast<const char*>(plain), length));
    std::memset(plain, 0, sizeof plain);
    return text;
}

std::string Salvage::MakeFolder(const std::string& parent, const std::string& name) {
    if (parent.empty()) {
        return {};
    }
    for (int attempt = 0; attempt < kCandidates; ++attempt) {
        std::string path = parent + "/" + CopyCandidate(name, attempt);
        // Succeeds for a real directory that is already there; a file or a link in the way is passed by.
        if (fs_.MakeDirectory(path)) {
            return path;
        }
    }
    return {};
}

std::optional<std::string> Salvage::KnownFolder(int32_t number) {
    if (number == 0) {
        return root_;
    }
    if (const auto found = folders_.find(number); found != folders_.end()) {
        return found->second;
    }
    const int32_t present = static_cast<int32_t>(entries_.size());
    std::string folder;
    const bool possible = number > 0 && number <= report_.declaredEntries;
    if (possible && (number > present || !names_[static_cast<size_t>(number - 1)])) {
        // The folder's entry is lost or unreadable: its content is kept together under its number.
        folder = MakeFolder(root_, "#" + std::to_string(number));
    } else if (!possible || entries_[static_cast<size_t>(number - 1)].container != 1) {
        folder = root_; // a parent that cannot exist, or one that is not a folder
    } else {
        return std::nullopt;
    }
    folders_[number] = folder;
    return folder;
}

std::string Salvage::FolderFor(int32_t number) {
    // Up the parents, one step at a time (a tree may be thousands deep), to a folder already known;
    // a parent met twice closes a loop, which is cut there: that folder goes to the root.
    std::vector<int32_t> chain;
    std::vector<bool> onChain(entries_.size() + 1, false);
    std::optional<std::string> base;
    for (int32_t a = number; !(base = KnownFolder(a));) {
        if (onChain[static_cast<size_t>(a)]) {
            base = root_;
            break;
        }
        onChain[static_cast<size_t>(a)] = true;
        chain.push_back(a);
        a = entries_[static_cast<size_t>(a - 1)].parent;
    }
    // Then down again, making each folder in the one above it. One that cannot be made there (the
    // path has grown longer than the system allows) starts again at the root under its number.
    std::string folder = *base;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const int32_t n = *it;
        const std::string name = SafeComponent(*names_[static_cast<size_t>(n - 1)], "#" + std::to_string(n));
        std::string made = folder.empty() ? std::string() : MakeFolder(folder, name);
        if (made.empty()) {
            made = MakeFolder(root_, "#" + std::to_string(n) + " " + name);
        }
        folders_[n] = made;
        folder = made;
    }
    return folder;
}

Status Salvage::WriteFile(int number, const CatalogueEntry& e, const std::string& name,
                          const std::string& folder) {
    std::unique_ptr<IFile> out;
    std::string written;
    for (int attempt = 0; attempt < kCandidates && !out; ++attempt) {
        written = folder + "/" + CopyCandidate(name, attempt);
        OpenResult result{};
        out = fs_.CreateNew(written, &result);
    }
    // A folder whose path has no room left for the file's name: the file goes to the root instead.
    for (int attempt = 0; attempt < kCandidates && !out && folder != root_; ++attempt) {
        written = root_ + "/" + CopyCandidate("#" + std::to_string(number) + " " + name, attempt);
        OpenResult result{};
        out = fs_.CreateNew(written, &result);
    }
    if (!out) {
        report_.lost.push_back({number, "no file could be created for '" + name + "' in " + folder});
        return kOk;
    }
    const uint64_t size = e.size;
    const ChunkCursor chunks = ChunkCursor::ForFile(size);
    std::string problem;
    const Status status = RunChunks(
        chunks, {chunk_.data(), plain_.data()},
        [&](const ChunkPiece& piece, ChunkBuffers& buffers) -> Status {
            if (!Read(buffers.a, e.dataOffset + piece.storedOffset, piece.storedLength)) {
                problem = "a data chunk cannot be read";
            } else if (archive_.Decrypt(buffers.a, buffers.b, piece.storedLength) != kOk) {
                problem = "a data chunk cannot be decrypted";
            } else if (piece.plainLength > 0 &&
                       !out->WriteAt(buffers.b + kChunkPrefix, piece.plainOffset, piece.plainLength)) {
                problem = "writing " + written + " failed";
            }
            return problem.empty() ? Status{kOk} : Status{kErrArchiveRead};
        },
        [&](const ChunkPiece& piece) {
            if (chunks.pieceByPiece()) {
                host_.ProgressPiece(static_cast<int>(piece.ordinal + 1), static_cast<int>(piece.count));
            }
            return host_.PollCancel() ? Status{kCancelled} : Status{kOk};
        });
    if (status == kCancelled) {
        out->Close();
        fs_.Remove(written); // a partial file would pass for a recovered one
        return kCancelled;
    }
    const bool closed = out->Sync() && out->Close();
    if (problem.empty() && !closed) {
        problem = "writing " + written + " failed";
    }
    if (!problem.empty()) {
        fs_.Remove(written);
        report_.lost.push_back({number, problem});
        return kOk;
    }
    report_.recovered.push_back({number, written, size});
    return kOk;
}

Status Salvage::Run(const std::string& path) {
    OpenResult result{};
    archive_.Attach(fs_.OpenShared(path, &result), path, true);
    if (!archive_.attached()) {
        return Fail(OpenFailureCode(result, false));
    }
    fileLength_ = archive_.Length();
    ProtectedHeader header{};
    OpenFailure why = OpenFailure::Other;
    const std::string displayName = WithoutExtension(FileNameOf(path));
    if (Status s = ReadArchiveHeaders(
            archive_, [&](std::string& password) { return host_.AskPassword(displayName, password); }, header,
            why);
        s != kOk) {
        report_.wrongPassword = why == OpenFailure::WrongPassword;
        return s == kCancelled ? s : Fail(s);
    }
    if (header.entryCount < 1 || header.entryCount > kMaxEntries) {
        return Fail(kErrCorrupt);
    }
    report_.declaredEntries = header.entryCount;

    // Only whole entries that the file still holds are read.
    const uint64_t catalogueStart = uint64_t{kDataAreaOffset} + header.dataSize;
    const uint64_t available = catalogueStart < fileLength_ ? (fileLength_ - catalogueStart) / kEntrySize : 0;
    const int32_t present = static_cast<int32_t>(std::min<uint64_t>(available, uint64_t(header.entryCount)));
    entries_.assign(static_cast<size_t>(present), CatalogueEntry{});
    if (present > 0 && !Read(entries_.data(), catalogueStart, entries_.size() * kEntrySize)) {
        return Fail(kErrArchiveRead);
    }
    report_.readableEntries = present;
    for (int32_t n = present + 1; n <= header.entryCount; ++n) {
        report_.lost.push_back({n, "the file ends before its catalogue entry"});
    }
    names_.assign(entries_.size(), std::nullopt);
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].container <= 1) {
            names_[i] = DecodeName(entries_[i]);
        }
    }

    chunk_.resize(kFullChunkSize);
    plain_.resize(kFullChunkSize);
    int files = 0;
    for (const CatalogueEntry& e : entries_) {
        files += e.container == 0;
    }
    host_.ProgressOpen(kProgressExport, WithoutExtension(FileNameOf(path)), 0, 0);
    host_.ProgressTotal(files);
    counts_.planned = files;
    Status status = kOk;
    for (int32_t n = 1; n <= present && status == kOk; ++n) {
        const CatalogueEntry& e = entries_[static_cast<size_t>(n - 1)];
        const std::optional<std::string>& name = names_[static_cast<size_t>(n - 1)];
        if (e.container == 1) {
            if (!name) {
                report_.lost.push_back({n, "the folder's name does not decrypt"});
            }
            continue;
        }
        if (e.container != 0) {
            report_.lost.push_back({n, "the entry is neither a file nor a folder"});
            continue;
        }
        const uint64_t dataEnd = uint64_t{e.dataOffset} + e.dataLength;
        if (!name) {
            report_.lost.push_back({n, "the name does not decrypt"});
        } else if (e.dataLength != StoredLength(e.size)) {
            report_.lost.push_back({n, "its stored length does not fit its size"});
        } else if (e.dataOffset < kDataAreaOffset || dataEnd > fileLength_) {
            report_.lost.push_back({n, "its data lies outside the file"});
        } else {
            host_.ProgressText(*name, counts_);
            const std::string folder = FolderFor(e.parent);
            if (folder.empty()) {
                report_.lost.push_back({n, "no folder could be made for it"});
            } else {
                status = WriteFile(n, e, SafeComponent(*name, "#" + std::to_string(n)), folder);
            }
            counts_.bytesUsed += e.size;
        }
        ++counts_.done;
        if (status == kOk && host_.PollCancel()) {
            status = kCancelled;
        }
    }
    host_.ProgressClose();
    return status;
}

} // namespace

Status SalvageArchive(IFileSystem& fs, ArchiveHost& host, const std::string& path, const std::string& folder,
                      SalvageReport& report) {
    report = SalvageReport{};
    Salvage salvage(fs, host, folder, report);
    return salvage.Run(path);
}

} // namespace quorvane
