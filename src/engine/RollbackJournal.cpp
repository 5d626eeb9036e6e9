// Why the journal keeps an archive whole.
//
// An archive's meaning is fixed by its protected header: it says where the catalogue lies
// (384 + dataSize) and how long it is, and the catalogue says where every block lies. A crash can
// therefore only lose data if it interrupts a write to bytes that the header *on disk* relies on:
// the header itself, the catalogue it points to, or a block that catalogue points to.
//
// Every operation is ordered so that such writes are rare:
//   1. data goes into space nothing refers to yet (the reserved gap, the tail behind the catalogue);
//   2. sync;
//   3. one header write switches to the new state (256 bytes inside the first 512-byte sector, so
//      the disk writes it whole or not at all);
//   4. sync.
// A crash before 3 leaves the old header with everything it refers to untouched; after 4 the new
// state is complete. Where an operation must overwrite referenced bytes (a catalogue move shorter
// than the catalogue, an in-place catalogue rewrite, an overlapping block move), it first saves
// those bytes here, with the header and the file length, and makes this journal durable — file and
// folder entry — before the first such write. Opening an archive with a journal beside it writes the
// saved bytes back and restores the length, which re-creates exactly the state the saved header
// describes. A journal whose seal does not check out was never committed, so the archive was not
// touched under it and it is simply removed. Once the new header is durable the journal is removed
// and the removal made durable, so that it can never roll back later work.
//
// A journal is replayed only over the state it was written against. The plain header tells its
// archive from another; the protected header as it lay on disk when the journal began (always the
// first record) tells that state from any other of the same archive, such as a backup put back
// before the archive was opened again. An operation that ends by switching to a new header records
// that header's bytes too: finding them on disk means the operation completed, and the journal is
// then simply removed. Any other header, or a number that does not fit the archive, and the journal
// is refused: both files are left as they are, for the user to decide.
//
// Layout: "KVQJRNL1", original length (u64), the archive's plain header (128 bytes), then records
// {offset u64, length u64, bytes} (the one with offset 2^64 - 1 holds the header the operation
// switches to, and is never written back), then the seal "KVQSEAL1", record count (u64), FNV-1a 64
// of everything before the seal.
#include "RollbackJournal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvane {
namespace {

constexpr char kJournalMagic[8] = {'K', 'V', 'Q', 'J', 'R', 'N', 'L', '1'};
constexpr char kSealMagic[8] = {'K', 'V', 'Q', 'S', 'E', 'A', 'L', '1'};
constexpr size_t kCopyPiece = 1 << 20;
constexpr size_t kIdentityBytes = 128;
constexpr uint64_t kTargetRecord = ~uint64_t{0};
constexpr uint64_t kHeaderOffset = 128;
constexpr uint64_t kHeaderBytes = 256;
constexpr uint64_t kDataAreaBytes = kHeaderOffset + kHeaderBytes; // the two headers
// The longest an archive file can be: 500 MiB of data and catalogue, and room for the entries of
// one more batch behind them (Expand) or a second catalogue (EmptyRecycleBin).
constexpr uint64_t kMaxArchiveLength = 524288000 + 2 * 5120 * 512;

uint64_t Fnv1a(uint64_t hash, const void* data, size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < length; ++i) {
        hash ^= p[i];
        hash *= 0x100000001B3ull;
    }
    return hash;
}

constexpr uint64_t kFnvBasis = 0xCBF29CE484222325ull;

} // namespace

RollbackJournal::RollbackJournal(IFileSystem& fs, const std::string& archivePath)
    : fs_(fs)
    , path_(PathFor(archivePath)) {}

RollbackJournal::~RollbackJournal() {
    if (file_) {
        file_->Close();
    }
}

std::string RollbackJournal::PathFor(const std::string& archivePath) {
    // A file name holds at most 255 bytes. An archive whose name leaves no room for the suffix gets
    // a journal named by the start of its name and a hash of all of it, which still tells it apart.
    constexpr size_t kNameMax = 255;
    constexpr const char* kSuffix = "-journal";
    const size_t slash = archivePath.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string name = archivePath.substr(nameStart);
    if (name.size() + std::strlen(kSuffix) <= kNameMax) {
        return archivePath + kSuffix;
    }
    char hash[18];
    std::snprintf(hash, sizeof hash, "~%016llx",
                  static_cast<unsigned long long>(Fnv1a(kFnvBasis, name.data(), name.size())));
    size_t keep = kNameMax - std::strlen(kSuffix) - std::strlen(hash);
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) {
        --keep; // never half a character
    }
    return archivePath.substr(0, nameStart) + name.substr(0, keep) + hash + kSuffix;
}

bool RollbackJournal::Append(const void* data, size_t length) {
    if (!file_->WriteAt(data, position_, length)) {
        return false;
    }
    position_ += length;
    hash_ = Fnv1a(hash_, data, length);
    return true;
}

bool RollbackJournal::Begin(IFile& archive, const uint8_t* targetHeader) {
    OpenResult result{};
    file_ = fs_.OpenPlain(path_, true, &result);
    if (!file_ || !file_->SetLength(0)) {
        file_.reset();
        return false;
    }
    position_ = 0;
    ranges_ = 0;
    hash_ = kFnvBasis;
    const std::optional<uint64_t> length = archive.Length();
    if (!length) {
        return false;
    }
    const uint64_t originalLength = *length;
    // The plain header never changes after creation: it tells this archive's journal from another's.
    uint8_t identity[kIdentityBytes] = {};
    if (!archive.ReadAt(identity, 0, std::min<uint64_t>(kIdentityBytes, originalLength))) {
        return false;
    }
    if (!Append(kJournalMagic, sizeof kJournalMagic) || !Append(&originalLength, sizeof originalLength) ||
        !Append(identity, sizeof identity) || !Save(archive, kHeaderOffset, kHeaderBytes)) {
        return false;
    }
    if (targetHeader == nullptr) {
        return true;
    }
    ++ranges_;
    return Append(&kTargetRecord, sizeof kTargetRecord) && Append(&kHeaderBytes, sizeof kHeaderBytes) &&
           Append(targetHeader, kHeaderBytes);
}

bool RollbackJournal::Save(IFile& archive, uint64_t offset, uint64_t length) {
    const std::optional<uint64_t> fileLength = archive.Length();
    if (!file_ || !fileLength) {
        return false;
    }
    if (offset >= *fileLength || length == 0) {
        return true; // nothing there yet: nothing to restore
    }
    length = std::min(length, *fileLength - offset);
    if (!Append(&offset, sizeof offset) || !Append(&length, sizeof length)) {
        return false;
    }
    std::vector<uint8_t> piece(std::min<uint64_t>(length, kCopyPiece));
    for (uint64_t done = 0; done < length;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), length - done));
        if (!archive.ReadAt(piece.data(), offset + done, n) || !Append(piece.data(), n)) {
            return false;
        }
        done += n;
    }
    ++ranges_;
    return true;
}

bool RollbackJournal::Commit() {
    if (!file_) {
        return false;
    }
    uint8_t seal[24];
    std::memcpy(seal, kSealMagic, 8);
    std::memcpy(seal + 8, &ranges_, 8);
    std::memcpy(seal + 16, &hash_, 8);
    if (!file_->WriteAt(seal, position_, sizeof seal)) {
        return false;
    }
    position_ += sizeof seal;
    return file_->Sync() && fs_.SyncParentDirectory(path_);
}

bool RollbackJournal::Discard() {
    if (!file_) {
        return true;
    }
    // The seal is wiped and synced first: from then on the journal is void, whether or not its
    // removal below reaches the disk. A failure here leaves it sealed, so it can still roll back.
    if (position_ >= 24) {
        const uint8_t zeros[24] = {};
        if (!file_->WriteAt(zeros, position_ - 24, sizeof zeros) || !file_->Sync()) {
            return false;
        }
    }
    file_->Close();
    file_.reset();
    fs_.Remove(path_);
    fs_.SyncParentDirectory(path_);
    return true;
}

RollbackJournal::Recovery RollbackJournal::Recover(IFileSystem& fs, const std::string& archivePath,
                                                   IFile& archive, bool verifyState) {
    const std::string path = PathFor(archivePath);
    if (!fs.Exists(path)) {
        return Recovery::None;
    }
    OpenResult result{};
    std::unique_ptr<IFile> journal = fs.OpenPlain(path, false, &result);
    if (!journal) {
        return Recovery::Failed;
    }
    const std::optional<uint64_t> journalLength = journal->Length();
    if (!journalLength) {
        return Recovery::Failed;
    }

    // First pass: check the whole journal against its seal before writing anything back.
    struct Range {
        uint64_t offset;
        uint64_t length;
        uint64_t at; // position of the bytes in the journal
    };
    std::vector<Range> ranges;
    uint64_t originalLength = 0;
    uint8_t identity[kIdentityBytes] = {};
    bool sealed = false;
    {
        uint64_t hash = kFnvBasis;
        uint64_t pos = 0;
        auto read = [&](void* buffer, uint64_t n) {
            if (pos + n > *journalLength || !journal->ReadAt(buffer, pos, static_cast<size_t>(n))) {
                return false;
            }
            pos += n;
            return true;
        };
        char magic[8];
        if (read(magic, 8) && std::memcmp(magic, kJournalMagic, 8) == 0 && read(&originalLength, 8) &&
            read(identity, kIdentityBytes)) {
            hash = Fnv1a(Fnv1a(Fnv1a(hash, magic, 8), &originalLength, 8), identity, kIdentityBytes);
            std::vector<uint8_t> piece(kCopyPiece);
            while (pos + 24 <= *journalLength) {
                uint8_t head[16];
                if (!read(head, 16)) {
                    break;
                }
                if (std::memcmp(head, kSealMagic, 8) == 0) {
                    uint64_t count = 0;
                    uint64_t stored = 0;
                    std::memcpy(&count, head + 8, 8);
                    if (read(&stored, 8) && count == ranges.size() && stored == hash &&
                        pos == *journalLength) {
                        sealed = true;
                    }
                    break;
                }
                Range r{};
                std::memcpy(&r.offset, head, 8);
                std::memcpy(&r.length, head + 8, 8);
                if (r.length > *journalLength - pos) {
                    break;
                }
                hash = Fnv1a(hash, head, 16);
                r.at = pos;
                for (uint64_t done = 0; done < r.length;) {
                    const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), r.length - done));
                    if (!read(piece.data(), n)) {
                        break;
                    }
                    hash = Fnv1a(hash, piece.data(), n);
                    done += n;
                }
                if (pos != r.at + r.length) {
                    break;
                }
                ranges.push_back(r);
            }
        }
    }
    auto removeJournal = [&](Recovery outcome) {
        journal->Close();
        journal.reset();
        return fs.Remove(path) && fs.SyncParentDirectory(path) ? outcome : Recovery::Failed;
    };
    if (!sealed) {
        // Never committed: the archive was not touched under this journal.
        return removeJournal(Recovery::DiscardedIncomplete);
    }

    // Every number is checked against the archive before anything is written: the length it had,
    // each range inside that length and behind the plain header, the protected header first.
    const Range* target = nullptr;
    bool fits = originalLength >= kDataAreaBytes && originalLength <= kMaxArchiveLength && !ranges.empty() &&
                ranges[0].offset == kHeaderOffset && ranges[0].length == kHeaderBytes;
    for (const Range& r : ranges) {
        if (r.offset == kTargetRecord) {
            fits = fits && target == nullptr && r.length == kHeaderBytes;
            target = &r;
        } else {
            fits = fits && r.offset >= kHeaderOffset && r.length <= originalLength &&
                   r.offset <= originalLength - r.length;
        }
    }
    if (!fits) {
        return Recovery::Refused;
    }
    if (verifyState) {
        // Only over this archive, and only over the state the journal began from or the one its
        // operation was switching to.
        uint8_t current[kIdentityBytes] = {};
        uint8_t header[kHeaderBytes] = {};
        uint8_t saved[kHeaderBytes] = {};
        const std::optional<uint64_t> archiveLength = archive.Length();
        if (!archiveLength) {
            return Recovery::Failed;
        }
        if (*archiveLength < kDataAreaBytes) {
            return Recovery::Refused;
        }
        if (!archive.ReadAt(current, 0, sizeof current) ||
            !archive.ReadAt(header, kHeaderOffset, sizeof header) ||
            !journal->ReadAt(saved, ranges[0].at, sizeof saved)) {
            return Recovery::Failed;
        }
        if (std::memcmp(current, identity, kIdentityBytes) != 0) {
            return Recovery::Refused;
        }
        if (std::memcmp(header, saved, kHeaderBytes) != 0) {
            uint8_t switched[kHeaderBytes] = {};
            if (target != nullptr && journal->ReadAt(switched, target->at, sizeof switched) &&
                std::memcmp(header, switched, kHeaderBytes) == 0) {
                // The new header is on disk, and everything it refers to was made durable before it.
                return removeJournal(Recovery::Completed);
            }
            return Recovery::Refused;
        }
    }

    std::vector<uint8_t> piece(kCopyPiece);
    for (const Range& r : ranges) {
        if (r.offset == kTargetRecord) {
            continue;
        }
        for (uint64_t done = 0; done < r.length;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), r.length - done));
            if (!journal->ReadAt(piece.data(), r.at + done, n) ||
                !archive.WriteAt(piece.data(), r.offset + done, n)) {
                return Recovery::Failed;
            }
            done += n;
        }
    }
    if (!archive.SetLength(originalLength) || !archive.Sync()) {
        return Recovery::Failed;
    }
    return removeJournal(Recovery::RolledBack);
}

} // namespace quorvane
