#pragma once
// The archive's file, its key and its header images: every byte the engine reads from or writes to
// a .kvq goes through here, like a database's pager.
//
// States, between any two calls:
//   detached   no file: reads fail with 9011, writes with 9012 (or 9039 when read-only).
//   attached   the file is held (an exclusive lock, or a shared one when read-only). diskHeader()
//              is the protected header as last read from or written to offset 128; the caller's
//              header in memory may differ from it until its next header write.
//   read-only  attached, but every write, length change and header write is refused with 9039
//              before the file is touched.
// A header write that fails leaves the old image in force: WriteSealedHeader writes the old image
// back when the new one cannot be made durable, and RelocateCatalogue journals the bytes of the
// catalogue on disk that its move overwrites, rolling them back on failure.
#include "CCipher.h"
#include "ErrorCodes.h"
#include "FileLayer.h"
#include "Format.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quorvane {

class ArchiveFile {
public:
    explicit ArchiveFile(IFileSystem& fs);
    ~ArchiveFile();
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    // Takes `file` for the archive at `path`; the key and headers are left as they are.
    void Attach(std::unique_ptr<IFile> file, const std::string& path, bool readOnly);
    // Lets go of the file (true when it closed cleanly) and wipes the key.
    bool Detach();
    bool attached() const { return file_ != nullptr; }
    bool readOnly() const { return readOnly_; }
    IFile* file() { return file_.get(); }
    // Called for each piece of a copy longer than one piece.
    void SetPieceProgress(std::function<void(int, int)> progress) { pieceProgress_ = std::move(progress); }

    // ---- bytes
    Status ReadAt(void* buffer, uint64_t offset, size_t length);
    Status WriteAt(const void* buffer, uint64_t offset, size_t length);
    // Copies [from, from + length) to `to`; the ranges may overlap.
    Status CopyRange(uint64_t from, uint64_t to, uint64_t length);
    Status Flush();
    // Grows or shrinks the file; growing also checks the startup disk still has room.
    Status SetLength(uint64_t length);
    uint64_t Length();

    // ---- the key
    // `stored` is the password as stored in the key (see EncodePassword).
    void SetKey(const std::string& stored, uint32_t method);
    void SetNoKey();
    void WipeKey() { key_.Wipe(); }
    bool encrypted() const { return key_.enabled != 0; }
    const CipherState& keyState() const { return key_; }
    Status Encrypt(const void* source, void* destination, uint32_t length);
    Status Decrypt(const void* source, void* destination, uint32_t length);
    // A unit decrypted in consecutive pieces (see CCipher::DecryptPiece).
    Status DecryptPiece(const void* source, void* destination, uint32_t length, uint8_t* chain);
    // A 128-byte name or comment field as text, or empty.
    std::string DecryptText(const uint8_t* field);
    // Text into a 128-byte field by the text copy rule; fills the two sort keys.
    void EncryptText(const std::string& text, uint8_t* field, uint32_t* key1, uint32_t* key2);

    // ---- headers
    PlainHeader& plainHeader() { return plain_; }
    const PlainHeader& plainHeader() const { return plain_; }
    const ProtectedHeader& diskHeader() const { return disk_; }
    void SetDiskHeader(const ProtectedHeader& image) { disk_ = image; }
    Status ReadPlainHeader();
    Status WritePlainHeader(bool flush);
    // Reads and decrypts the protected header into `header`; it becomes the disk header.
    Status ReadProtectedHeader(ProtectedHeader& header);
    // Writes `image` (stamping stamp2) at 128; on success it is the disk header.
    Status WriteHeaderImage(const ProtectedHeader& image, bool flush);
    // The two halves of WriteHeaderImage: the stamped image and its encrypted bytes, then the write.
    Status SealHeaderImage(const ProtectedHeader& image, ProtectedHeader& stamped, uint8_t* sealed);
    Status WriteSealedHeader(const ProtectedHeader& stamped, const uint8_t* sealed, bool flush);
    // Moves the catalogue and switches the header on disk to `next` in one crash-safe step.
    // On failure the file is as its old header describes; `sourceIntact` tells whether the bytes at
    // `from` are still as they were (no overlapping copy was attempted).
    Status RelocateCatalogue(uint64_t from, uint64_t to, uint64_t length, const ProtectedHeader& next,
                             bool* sourceIntact);

private:
    IFileSystem& fs_;
    std::string path_;
    std::unique_ptr<IFile> file_;
    bool readOnly_ = false;
    CipherState key_;
    CCipher cipher_;
    PlainHeader plain_{};
    ProtectedHeader disk_{};
    std::function<void(int, int)> pieceProgress_;
};

// WriteHeaderImage and RelocateCatalogue for an owner that keeps the protected header in memory:
// on success `inMemory` takes the stamp the image on disk got.
Status WriteHeaderImageOf(ArchiveFile& file, ProtectedHeader& inMemory, const ProtectedHeader& image,
                          bool flush);
Status RelocateCatalogueOf(ArchiveFile& file, ProtectedHeader& inMemory, uint64_t from, uint64_t to,
                           uint64_t length, const ProtectedHeader& next, bool* sourceIntact);

} // namespace quorvane
