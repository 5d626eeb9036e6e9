#pragma once
// The rollback journal that keeps an archive consistent across a crash or power cut.
//
// The file format has no journal of its own, so ours lives beside the archive as NAME.kvq-journal
// (shortened, with a hash of the whole name, when that would not fit a file name).
// Before any write that overwrites bytes the header on disk relies on, those bytes, the protected
// header and the file's length are saved here; the journal is synced together with its folder, and
// only then does the archive change. A journal found when an archive is opened is written back, which
// returns the archive to the state of its last committed header. See RollbackJournal.cpp for why this holds.
#include "FileLayer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

class RollbackJournal {
public:
    RollbackJournal(IFileSystem& fs, const std::string& archivePath);
    ~RollbackJournal();
    RollbackJournal(const RollbackJournal&) = delete;
    RollbackJournal& operator=(const RollbackJournal&) = delete;

    static std::string PathFor(const std::string& archivePath);

    // Starts a journal: remembers the archive's length and saves its protected header. An operation
    // that ends by writing a new protected header passes its encrypted bytes as `targetHeader`.
    bool Begin(IFile& archive, const uint8_t* targetHeader = nullptr);
    // Saves the archive's current bytes of [offset, offset + length) (clipped to the file's end).
    bool Save(IFile& archive, uint64_t offset, uint64_t length);
    // Seals the journal and makes it durable together with its folder entry. From here on the
    // archive may be overwritten.
    bool Commit();
    // The new header is durable: the journal is no longer needed. Removal is made durable too, so
    // that a stale journal can never roll back later work.
    bool Discard();
    bool Active() const { return file_ != nullptr; }

    enum class Recovery {
        None,
        RolledBack,
        Completed,           // the operation had reached its new header: nothing to undo
        DiscardedIncomplete, // never committed: the archive was not touched under it
        Refused,             // not for this archive as it is, or its numbers do not fit: both left
        Failed,
    };
    // Called with the archive open and locked, before anything of it is read. `verifyState` off is
    // for a journal this process has just written for an operation that failed: it is replayed
    // whatever the header now holds.
    static Recovery Recover(IFileSystem& fs, const std::string& archivePath, IFile& archive,
                            bool verifyState = true);

private:
    bool Append(const void* data, size_t length);

    IFileSystem& fs_;
    std::string path_;
    std::unique_ptr<IFile> file_;
    uint64_t position_ = 0;
    uint64_t ranges_ = 0;
    uint64_t hash_ = 0;
};

} // namespace quorvane
