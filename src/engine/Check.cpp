#include "Check.h"

#include "CCodeArchive.h"
#include "ChunkCursor.h"
#include "DerivedCounts.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

std::vector<Finding> CheckArchive(CCodeArchive& archive) {
    std::vector<Finding> findings;
    // Never called by another operation: busy means called back from inside one.
    if (archive.Busy()) {
        findings.push_back({true, "the archive is busy"});
        return findings;
    }
    const CCodeArchive::OperationScope scope(archive);
    IFile* file = archive.file();
    if (!archive.IsOpen() || file == nullptr) {
        findings.push_back({true, "the archive is not open"});
        return findings;
    }
    const ProtectedHeader& header = archive.header();
    const uint64_t length = file->Length().value_or(0);
    std::vector<CatalogueEntry> entries(static_cast<size_t>(std::max(0, header.entryCount)));
    if (!entries.empty() && archive.ReadAt(entries.data(), uint64_t{kDataAreaOffset} + header.dataSize,
                                           entries.size() * kEntrySize) != kOk) {
        findings.push_back({true, "the catalogue cannot be read"});
        return findings;
    }
    findings = CheckStructure(header, entries, length, false);
    for (const Finding& f : findings) {
        if (f.error) {
            return findings; // the rest relies on the structure
        }
    }

    auto error = [&](size_t i, const std::string& text) {
        findings.push_back({true, "entry #" + std::to_string(i + 1) + ": " + text});
    };
    uint8_t plain[kTextFieldSize];
    auto checkText = [&](size_t i, const uint8_t* field, uint32_t key1, uint32_t key2, const char* what,
                         bool emptyKeysZero) {
        if (archive.DecryptUnit(field, plain, kTextFieldSize) != kOk) {
            error(i, std::string(what) + " cannot be decrypted");
            return;
        }
        const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(plain, 0, kTextFieldSize - 1));
        if (nul == nullptr) {
            error(i, std::string(what) + " has no terminator within its field");
            return;
        }
        if (std::any_of(nul, static_cast<const uint8_t*>(plain) + kTextFieldSize,
                        [](uint8_t b) { return b != 0; })) {
            error(i, std::string(what) + " is not zero-filled after its terminator");
        }
        const bool zeroKeys = emptyKeysZero && plain[0] == 0 && key1 == 0 && key2 == 0;
        if (!zeroKeys && (key1 != SortKey(plain) || key2 != SortKey(plain + 4))) {
            error(i, std::string(what) + " sort keys do not match its text");
        }
    };

    const DerivedCounts derived = CountDerived(entries);
    TransferBuffers& buffers = SharedBuffers();
    for (size_t i = 0; i < entries.size(); ++i) {
        const CatalogueEntry& e = entries[i];
        checkText(i, e.name, e.nameKey1, e.nameKey2, "name", false);
        // An empty comment of an imported file is stored with zero keys.
        checkText(i, e.comment, e.commentKey1, e.commentKey2, "comment", true);
        const char* nul = static_cast<const char*>(std::memchr(e.extension, 0, sizeof e.extension));
        if (nul == nullptr || std::any_of(nul, static_cast<const char*>(e.extension) + sizeof e.extension,
                                          [](char c) { return c != 0; })) {
            error(i, "extension is not a terminated, zero-filled text");
        } else if (!(e.extensionKey == 0 && e.extension[0] == 0) &&
                   e.extensionKey != SortKey(reinterpret_cast<const uint8_t*>(e.extension))) {
            error(i, "extension sort key does not match its text");
        }
        if (e.IsFolder()) {
            if (e.itemCount != derived.itemCount[i] || e.fileCount != derived.fileCount[i] ||
                e.size != derived.size[i]) {
                findings.push_back({false, "entry #" + std::to_string(i + 1) + ": stale folder counts"});
            }
        }
        if (e.inRecycleBin != derived.inBin[i]) {
            findings.push_back({false, "entry #" + std::to_string(i + 1) + ": stale recycle-bin flag"});
        }
        if (e.IsFolder()) {
            continue;
        }
        // Every chunk and the thumbnail must read back.
        const bool readable =
            RunChunks(ChunkCursor::ForFile(e.size), {buffers.a, buffers.b},
                      [&](const ChunkPiece& piece, ChunkBuffers& work) -> Status {
                          if (archive.ReadAt(work.a, e.dataOffset + piece.storedOffset, piece.storedLength) !=
                                  kOk ||
                              archive.DecryptUnit(work.a, work.b, piece.storedLength) != kOk) {
                              return kErrArchiveRead;
                          }
                          return kOk;
                      }) == kOk;
        if (!readable) {
            error(i, "a data chunk cannot be read");
        }
        if (e.thumbLength != 0 && (archive.ReadAt(buffers.a, e.thumbOffset, e.thumbLength) != kOk ||
                                   archive.DecryptUnit(buffers.a, buffers.b, e.thumbLength) != kOk)) {
            error(i, "the thumbnail cannot be read");
        }
    }
    if (header.folderCount != derived.folders || header.fileCount != derived.files) {
        findings.push_back({false, "stale folder and file counts in the header"});
    }
    return findings;
}

} // namespace quorvane
