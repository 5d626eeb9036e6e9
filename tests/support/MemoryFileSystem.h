#pragma once
// An in-memory file system for the engine's tests. It records every call, can fail the k-th
// mutating one or stop everything from there on (the process dying), and can simulate a power cut.
//
// Durability model. Each file has a durable image (what a power cut leaves) and a volatile image
// (what reads see), plus the writes and length changes made since its last Sync. Sync makes the
// volatile image durable. Creating and removing a file change the durable namespace only at
// SyncParentDirectory of that folder, so a file that was written and synced but whose folder was
// never synced may vanish in a power cut. Folders (MakeDirectory) are durable at once.
//
// A power cut starts every file from its durable image and replays each pending change
// independently: kept, lost, or, for a write, torn (only its part up to a 512-byte boundary of the
// file, strictly inside the write, is kept). Pending creations and removals are each kept or lost.
#include "FileLayer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace quorvane {

enum class OpKind {
    Open, // OpenExclusive or OpenPlain without `create`, OpenShared
    Read,
    Length,
    Write,
    SetLength,
    Sync,
    Close,
    Create, // OpenExclusive/OpenPlain with `create` (a new file or a truncation), CreateNew
    Remove,
    SyncDir,
    MakeDir,
    Query, // Exists, Stat, KindOf, ListDirectory
    StartupCheck,
};

// Write, SetLength, Sync, Create, Remove, SyncDir and MakeDir: the operations FailAt and StopAt count.
bool IsMutating(OpKind kind);

struct Op {
    OpKind kind = OpKind::Query;
    std::string path;
    uint64_t offset = 0;
    uint64_t length = 0;
    bool ok = true;
};

class MemoryFileSystem : public IFileSystem {
public:
    MemoryFileSystem();
    ~MemoryFileSystem() override;
    MemoryFileSystem(const MemoryFileSystem&) = delete;
    MemoryFileSystem& operator=(const MemoryFileSystem&) = delete;

    std::unique_ptr<IFile> OpenExclusive(const std::string& path, bool create, OpenResult* result) override;
    std::unique_ptr<IFile> OpenShared(const std::string& path, OpenResult* result) override;
    std::unique_ptr<IFile> OpenPlain(const std::string& path, bool create, OpenResult* result) override;
    std::unique_ptr<IFile> CreateNew(const std::string& path, OpenResult* result) override;
    bool MakeDirectoryBelow(const std::string& root, const std::string& relative,
                            OpenResult* result) override;
    std::unique_ptr<IFile> CreateNewBelow(const std::string& root, const std::string& relative,
                                          OpenResult* result) override;
    bool Exists(const std::string& path) override;
    bool Remove(const std::string& path) override;
    bool SyncParentDirectory(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;
    std::optional<FileTimes> Stat(const std::string& path) override;
    DirEntryKind KindOf(const std::string& path) override;
    std::optional<std::vector<DirEntry>> ListDirectory(const std::string& path) override;
    bool StartupDiskHasRoom(bool* tempFolderMissing) override;

    // Every call made through this object and its files, in order, with whether it succeeded.
    std::vector<Op>& log;

    // Fault injection, counted in mutating operations from the moment of arming (k = 1 is the next).
    // FailAt: that one operation fails without effect; later ones succeed.
    void FailAt(uint64_t k);
    // StopAt: that operation and every later call fail without effect (queries still answer), as if
    // the process had died there.
    void StopAt(uint64_t k);
    // The next call of this kind fails without effect (a Close still releases the file).
    void FailNext(OpKind kind);
    // FailCallAt: the k-th call from the moment of arming fails without effect, counting every call
    // but queries (opens, reads and length questions as well as mutations and the startup check).
    void FailCallAt(uint64_t k);
    uint64_t CallCount() const; // the calls FailCallAt counts, since construction
    void ClearFaults();
    bool Stopped() const;
    uint64_t MutatingOpCount() const; // since construction or the last ResetMutatingOpCount
    void ResetMutatingOpCount();

    // The state after a power cut; afterwards every image is durable, no lock is held, every file
    // handle opened before is dead (all its calls fail) and no fault is armed.
    void PowerCut(std::mt19937& rng);

    // Total bytes all files may occupy; growth past it fails.
    void SetCapacity(uint64_t bytes);
    uint64_t UsedBytes() const;
    void SetStartupDisk(bool hasRoom, bool tempFolderMissing = false);

    // Test helpers: not logged, not subject to faults.
    void Put(const std::string& path, const std::vector<uint8_t>& bytes); // durable, folders made as needed
    std::optional<std::vector<uint8_t>> Get(const std::string& path) const;
    void PutSpecial(const std::string& path); // a fifo, socket or dangling link: kind Other, cannot be opened
    void SetTimes(const std::string& path, int64_t createdUnixNs, int64_t modifiedUnixNs);
    bool IsLocked(const std::string& path) const;
    // The folder can no longer be listed (as without read permission).
    void SetUnreadable(const std::string& folder);
    // The file can be read but not written (read-only media, an immutable file, another user's file):
    // an open for writing fails with OpenResult::Denied.
    void SetReadOnly(const std::string& path);
    // A deep copy of files, folders, settings, counters and the log; open handles and their locks
    // stay with the original.
    std::unique_ptr<MemoryFileSystem> Clone() const;

    struct State;

private:
    explicit MemoryFileSystem(std::shared_ptr<State> state);
    std::unique_ptr<IFile> Open(const std::string& path, int mode, bool create, OpenResult* result);

    std::shared_ptr<State> state_;
};

} // namespace quorvane
