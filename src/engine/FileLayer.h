#pragma once
// The engine's only way to the disk. The POSIX implementation is what the programs use; tests
// substitute an in-memory implementation that records every operation, can fail the k-th one and
// can simulate a power cut (see tests/support/MemoryFileSystem.h).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// One open file. Offsets and lengths are 64-bit; every call either does all it was asked or
// reports failure (a short read or write is a failure).
class IFile {
public:
    virtual ~IFile() = default;
    virtual bool ReadAt(void* buffer, uint64_t offset, size_t length) = 0;
    virtual bool WriteAt(const void* buffer, uint64_t offset, size_t length) = 0;
    // Growing reserves the space for real (posix_fallocate), so a full disk is reported here and
    // not by a later write; shrinking truncates.
    virtual bool SetLength(uint64_t length) = 0;
    virtual std::optional<uint64_t> Length() = 0;
    // Makes every earlier write and length change durable (fsync).
    virtual bool Sync() = 0;
    // Starts making the writes so far durable without waiting for it, where the file layer can
    // (nothing otherwise). The next Sync or Close waits for it, and a Sync reports its failure.
    virtual void SyncSoon() {}
    // Releases the lock and the descriptor. Returns false when the close itself failed.
    virtual bool Close() = 0;
};

struct FileTimes {
    uint64_t length = 0;
    // As FILETIMEs, which hold every date a file system can: nanoseconds since 1970 end in 2262.
    uint64_t created = 0; // birth time where the file system keeps one, else modification time
    uint64_t modified = 0;
};

enum class OpenResult {
    Ok,
    NotFound,    // no such file, or (creating) no such folder to make it in
    Locked,      // another process holds the lock
    Directory,   // the path is a folder
    NameTooLong, // a name or the path is longer than the file system allows
    Denied,      // no permission, or a read-only disc or file: an open for reading may still work
    Exists,      // (a new file) something of that name is already there
    InTheWay,    // a file or a symbolic link stands where a folder should be
    NoSpace,     // the disk (or the user's quota) is full
    Failed,      // any other failure (permissions, not a regular file, ...)
};

enum class DirEntryKind { File, Directory, Other };

struct DirEntry {
    std::string name;
    DirEntryKind kind = DirEntryKind::Other;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // The archive itself: read and write, exclusive (flock LOCK_EX|LOCK_NB held while open).
    // `create` makes a new file or replaces an existing one (truncating it), else the file must exist.
    virtual std::unique_ptr<IFile> OpenExclusive(const std::string& path, bool create,
                                                 OpenResult* result) = 0;
    // A file being imported: read-only with a shared lock, so that no one of ours writes it meanwhile.
    virtual std::unique_ptr<IFile> OpenShared(const std::string& path, OpenResult* result) = 0;
    // A plain read-write file with no lock (the rollback journal). `create` as above.
    virtual std::unique_ptr<IFile> OpenPlain(const std::string& path, bool create, OpenResult* result) = 0;
    // A new file that must not exist yet (export never overwrites). Write-only.
    virtual std::unique_ptr<IFile> CreateNew(const std::string& path, OpenResult* result) = 0;

    // Below `root`, which may itself be reached through a link (the user chose it), nothing is ever
    // reached through a symbolic link: a link, or a file, where a folder of `relative` ('/'-separated)
    // should be fails with OpenResult::InTheWay. MakeDirectoryBelow makes the folders of `relative`
    // as needed (those already there are fine); CreateNewBelow makes the new file `relative` (its
    // folders must exist), failing with OpenResult::Exists when the name is taken. Write-only.
    virtual bool MakeDirectoryBelow(const std::string& root, const std::string& relative,
                                    OpenResult* result) = 0;
    virtual std::unique_ptr<IFile> CreateNewBelow(const std::string& root, const std::string& relative,
                                                  OpenResult* result) = 0;

    virtual bool Exists(const std::string& path) = 0;
    virtual bool Remove(const std::string& path) = 0;
    // Makes the creation or removal of entries in the folder holding `path` durable.
    virtual bool SyncParentDirectory(const std::string& path) = 0;
    virtual bool MakeDirectory(const std::string& path) = 0;
    virtual std::optional<FileTimes> Stat(const std::string& path) = 0;
    // Kind of a path without following a final symbolic link to a directory: a link to a regular
    // file counts as File, a link to a directory as Other (never followed, so no loops).
    virtual DirEntryKind KindOf(const std::string& path) = 0;
    virtual std::optional<std::vector<DirEntry>> ListDirectory(const std::string& path) = 0;

    // The startup-disk check: a temporary file "KVQ…" in the temp folder grown to 10 MiB for real,
    // its length read back, then removed. `tempFolderMissing` tells the caller the folder or the
    // name could not be had at all.
    virtual bool StartupDiskHasRoom(bool* tempFolderMissing) = 0;
};

// The process-wide POSIX implementation.
IFileSystem& PosixFileSystem();

// Replaces the POSIX startup-disk check (tests cannot fill a real disk); an empty function
// restores the real check.
void SetStartupDiskOverride(std::function<bool(bool* tempFolderMissing)> check);

// Fills `length` bytes with unpredictable bytes from the kernel (getrandom).
void FillRandom(void* buffer, size_t length);
// Replaces the kernel's bytes in FillRandom (tests that compare the bytes of two runs); an empty
// function restores them.
void SetRandomOverride(std::function<void(void* buffer, size_t length)> fill);

// Current time as a Windows FILETIME (100-ns ticks since 1601-01-01 UTC).
uint64_t NowFileTime();
uint64_t UnixNsToFileTime(int64_t unixNs);
int64_t FileTimeToUnixNs(uint64_t fileTime);
// Seconds and nanoseconds since 1970 (a file system's time stamp), without overflow: dates outside
// what a FILETIME can say (before 1601, after the year 60056) are clamped to its ends.
uint64_t UnixTimeToFileTime(int64_t seconds, int64_t nanoseconds);
// Whole seconds since 1970, rounded down; every FILETIME has one.
int64_t FileTimeToUnixSeconds(uint64_t fileTime);

} // namespace quorvane
