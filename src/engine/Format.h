#pragma once
// The .kvq file, byte for byte. Every record is little-endian; the structs below are laid out so
// that their in-memory image is the file's image on a little-endian machine.
//
//   0             plain header (128 bytes, never encrypted, written once)
//   128           protected header (256 bytes, one encrypted unit)
//   384           data area: one storage block per file entry, in entry-number order
//   384 + D       catalogue: N entries of 512 bytes (two text fields of each are encrypted units)
#include "StoredCodes.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace quorvane {

static_assert(std::endian::native == std::endian::little, "the archive records are little-endian images");

constexpr uint32_t kMagic = 0x0CABFEED;
constexpr uint32_t kFormatVersion = 0x00010000;
constexpr uint32_t kFormatRevision = 1;

constexpr uint32_t kPlainHeaderSize = 128;
constexpr uint32_t kProtectedHeaderOffset = 128;
constexpr uint32_t kProtectedHeaderSize = 256;
constexpr uint32_t kDataAreaOffset = 384;
constexpr uint32_t kEntrySize = 512;

constexpr uint32_t kPieceSize = 4194304; // 4 MiB of file content per chunk
constexpr uint32_t kChunkPrefix = 64;    // random bytes in front of every piece
constexpr uint32_t kFullChunkSize = 4194368;
constexpr uint32_t kTransferBufferSize = 4194432;
constexpr uint32_t kThumbnailBufferSize = ThumbStoredLength(8); // the largest stored thumbnail
constexpr int32_t kMaxEntries = 5120;
constexpr uint64_t kMaxArchiveSize = 524288000; // 500 MiB
constexpr size_t kTextFieldSize = 128;
constexpr size_t kTextMaxBytes = 126;
constexpr size_t kExtensionMaxBytes = 6;

struct TimeBlock {
    uint64_t stamp1;
    uint64_t stamp2;
    uint64_t stamp3;
    uint32_t reserved[2];
};
static_assert(sizeof(TimeBlock) == 32);

struct PlainHeader {
    uint32_t magic;
    uint32_t method;
    uint32_t formatVersion;
    uint32_t formatRevision;
    TimeBlock created;
    uint8_t reserved[80];
};
static_assert(sizeof(PlainHeader) == 128);
static_assert(offsetof(PlainHeader, method) == 4);
static_assert(offsetof(PlainHeader, formatVersion) == 8);
static_assert(offsetof(PlainHeader, formatRevision) == 12);
static_assert(offsetof(PlainHeader, created) == 16);
static_assert(offsetof(PlainHeader, reserved) == 48);

struct ProtectedHeader {
    uint8_t salt[64];
    uint8_t thumbnailFormat;
    uint8_t rootExpanded;
    uint8_t defragmentPending;
    uint8_t thumbnailQuality;
    uint8_t reserved1[16];
    int32_t entryCount;
    int32_t folderCount;
    int32_t fileCount;
    uint32_t dataSize;
    uint32_t catalogueSize;
    uint8_t reserved2[120];
    TimeBlock timeCopy;
};
static_assert(sizeof(ProtectedHeader) == 256);
static_assert(offsetof(ProtectedHeader, thumbnailFormat) == 64);
static_assert(offsetof(ProtectedHeader, rootExpanded) == 65);
static_assert(offsetof(ProtectedHeader, defragmentPending) == 66);
static_assert(offsetof(ProtectedHeader, thumbnailQuality) == 67);
static_assert(offsetof(ProtectedHeader, reserved1) == 68);
static_assert(offsetof(ProtectedHeader, entryCount) == 84);
static_assert(offsetof(ProtectedHeader, folderCount) == 88);
static_assert(offsetof(ProtectedHeader, fileCount) == 92);
static_assert(offsetof(ProtectedHeader, dataSize) == 96);
static_assert(offsetof(ProtectedHeader, catalogueSize) == 100);
static_assert(offsetof(ProtectedHeader, reserved2) == 104);
static_assert(offsetof(ProtectedHeader, timeCopy) == 224);

struct CatalogueEntry {
    uint64_t created;
    uint64_t modified;
    uint64_t added;
    uint8_t reserved0[8];
    uint8_t container; // 0 file, 1 folder
    uint8_t typeCode;
    uint8_t expanded;
    uint8_t inRecycleBin;
    uint8_t hasThumbnail;
    uint8_t reserved1[11];
    int32_t parent; // entry number, 0 = top level
    int32_t itemCount;
    int32_t fileCount;
    uint32_t size;
    int32_t width;
    int32_t height;
    uint32_t thumbOffset;
    uint32_t thumbLength;
    uint32_t dataOffset;
    uint32_t dataLength;
    uint32_t blockOffset;
    uint32_t blockLength;
    uint8_t name[128];
    uint32_t nameKey1;
    uint32_t nameKey2;
    uint8_t comment[128];
    uint32_t commentKey1;
    uint32_t commentKey2;
    char extension[8];
    uint32_t extensionKey;
    uint8_t reserved2[132];

    bool IsFolder() const { return container != 0; }
};
static_assert(sizeof(CatalogueEntry) == 512);
static_assert(offsetof(CatalogueEntry, container) == 32);
static_assert(offsetof(CatalogueEntry, typeCode) == 33);
static_assert(offsetof(CatalogueEntry, expanded) == 34);
static_assert(offsetof(CatalogueEntry, inRecycleBin) == 35);
static_assert(offsetof(CatalogueEntry, hasThumbnail) == 36);
static_assert(offsetof(CatalogueEntry, parent) == 48);
static_assert(offsetof(CatalogueEntry, itemCount) == 52);
static_assert(offsetof(CatalogueEntry, fileCount) == 56);
static_assert(offsetof(CatalogueEntry, size) == 60);
static_assert(offsetof(CatalogueEntry, width) == 64);
static_assert(offsetof(CatalogueEntry, height) == 68);
static_assert(offsetof(CatalogueEntry, thumbOffset) == 72);
static_assert(offsetof(CatalogueEntry, thumbLength) == 76);
static_assert(offsetof(CatalogueEntry, dataOffset) == 80);
static_assert(offsetof(CatalogueEntry, dataLength) == 84);
static_assert(offsetof(CatalogueEntry, blockOffset) == 88);
static_assert(offsetof(CatalogueEntry, blockLength) == 92);
static_assert(offsetof(CatalogueEntry, name) == 96);
static_assert(offsetof(CatalogueEntry, nameKey1) == 224);
static_assert(offsetof(CatalogueEntry, nameKey2) == 228);
static_assert(offsetof(CatalogueEntry, comment) == 232);
static_assert(offsetof(CatalogueEntry, commentKey1) == 360);
static_assert(offsetof(CatalogueEntry, commentKey2) == 364);
static_assert(offsetof(CatalogueEntry, extension) == 368);
static_assert(offsetof(CatalogueEntry, extensionKey) == 376);
static_assert(offsetof(CatalogueEntry, reserved2) == 380);

constexpr uint32_t Padded(uint64_t n) {
    return static_cast<uint32_t>((n + 15) / 16 * 16);
}

// Stored length of a file of `size` bytes: its chunks, each a random prefix plus a piece, padded.
constexpr uint64_t StoredLength(uint64_t size) {
    if (size <= kPieceSize) {
        return Padded(size + kChunkPrefix);
    }
    uint64_t stored = size / kPieceSize * kFullChunkSize;
    if (size % kPieceSize != 0) {
        stored += Padded(size % kPieceSize + kChunkPrefix);
    }
    return stored;
}

// The chunks a file of `size` bytes is stored in (one for an empty file), as progress counts them.
constexpr uint64_t PieceCount(uint64_t size) {
    return size <= kPieceSize ? 1 : (size + kPieceSize - 1) / kPieceSize;
}

// Four characters of a zero-filled text field packed into a sort word: a..z upper-cased, then
// 32 subtracted modulo 256, so that NUL becomes 0xE0 and a name sorts after longer names it begins.
constexpr uint32_t SortKey(const uint8_t* text4) {
    uint32_t key = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t c = text4[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<uint8_t>(c - 'a' + 'A');
        }
        key = (key << 8) | static_cast<uint8_t>(c - 32);
    }
    return key;
}

} // namespace quorvane
