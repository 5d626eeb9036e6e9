// The file layer over POSIX calls: flock for the exclusive and deny-write opens, posix_fallocate so
// that growth reserves real space, statx for birth times.
#include "FileLayer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {
namespace {

constexpr off_t kStartupProbeBytes = 0xA00000; // 10 MiB that must fit on the temp folder's disk

bool OffsetFits(uint64_t offset, size_t length) {
    constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<off_t>::max());
    return offset <= kMax && length <= kMax - offset;
}

int OpenRetrying(const char* path, int flags, mode_t mode) {
    int fd = -1;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

void CloseQuietly(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

OpenResult ResultOfErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: // a folder of the path is a file
        return OpenResult::NotFound;
    case EWOULDBLOCK:
        return OpenResult::Locked;
    case EISDIR:
        return OpenResult::Directory;
    case ENAMETOOLONG:
        return OpenResult::NameTooLong;
    case EACCES:
    case EPERM: // an immutable file
    case EROFS:
        return OpenResult::Denied;
    case EEXIST:
        return OpenResult::Exists;
    case ELOOP: // a link where O_NOFOLLOW allows none
        return OpenResult::InTheWay;
    case ENOSPC:
    case EDQUOT:
        return OpenResult::NoSpace;
    default:
        return OpenResult::Failed;
    }
}

// Opens without blocking (a fifo would otherwise wait for a writer), refuses anything that is not
// a regular file, then switches the descriptor back to blocking I/O.
int OpenRegular(const std::string& path, int flags, mode_t mode, OpenResult* result) {
    int fd = OpenRetrying(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode);
    if (fd < 0) {
        *result = ResultOfErrno(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        CloseQuietly(fd);
        *result = S_ISDIR(st.st_mode) ? OpenResult::Directory : OpenResult::Failed;
        return -1;
    }
    int fileFlags = ::fcntl(fd, F_GETFL);
    if (fileFlags < 0 || ::fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK) != 0) {
        CloseQuietly(fd);
        *result = OpenResult::Failed;
        return -1;
    }
    *result = OpenResult::Ok;
    return fd;
}

bool LockRetrying(int fd, int operation) {
    int rc = 0;
    do {
        rc = ::flock(fd, operation | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

// Grows a descriptor's file to `newLength` with space really reserved. posix_fallocate returns its
// error instead of setting errno.
int Reserve(int fd, off_t oldLength, off_t newLength) {
    int rc = 0;
    do {
        rc = ::posix_fallocate(fd, oldLength, newLength - oldLength);
    } while (rc == EINTR);
    if (rc == EOPNOTSUPP || rc == EINVAL) {
        rc = ::ftruncate(fd, newLength) == 0 ? 0 : errno;
    }
    return rc;
}

class PosixFile final : public IFile {
public:
    // Writes go down in slices, since one write of several MiB lets the kernel put it in large
    // page-cache folios, which cost far more the first time the memory behind them is used. A file
    // the engine makes for the user (an export, a salvaged file) is written once and then left
    // alone, in small slices (on the 2-core VM a first 256 MiB export took 0.3-0.7 s in 4 MiB
    // writes, 0.24 s in these). An archive's pages are read and moved again, which small folios
    // slow down (defragmenting in 256 KiB slices was about 15 % slower), so its slices are larger
    // (there, 256 MiB of chunks took 0.25-0.55 s to write whole, about 45 ms in these).
    static constexpr size_t kNewFileSlice = 256 * 1024;
    static constexpr size_t kArchiveSlice = 1024 * 1024;

    explicit PosixFile(int fd, size_t writeSlice = SSIZE_MAX)
        : fd_(fd)
        , writeSlice_(writeSlice) {}
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;
    ~PosixFile() override { Close(); }

    bool ReadAt(void* buffer, uint64_t offset, size_t length) override {
        if (fd_ < 0 || !OffsetFits(offset, length)) {
            return false;
        }
        auto* out = static_cast<char*>(buffer);
        size_t done = 0;
        while (done < length) {
            ssize_t n = ::pread(fd_, out + done, std::min<size_t>(length - done, SSIZE_MAX),
                                static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) { // 0: the file ends before the range does
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

    bool WriteAt(const void* buffer, uint64_t offset, size_t length) override {
        if (fd_ < 0 || !OffsetFits(offset, length)) {
            return false;
        }
        const auto* in = static_cast<const char*>(buffer);
        size_t done = 0;
        while (done < length) {
            ssize_t n = ::pwrite(fd_, in + done, std::min(length - done, writeSlice_),
                                 static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

    bool SetLength(uint64_t length) override {
        if (fd_ < 0 || length > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
            return false;
        }
        struct stat st {};
        if (::fstat(fd_, &st) != 0) {
            return false;
        }
        const off_t oldLength = st.st_size;
        const auto newLength = static_cast<off_t>(length);
        if (newLength > oldLength) {
            if (Reserve(fd_, oldLength, newLength) == 0) {
                return true;
            }
            // A failed allocation may have moved the end of file part of the way; a failed growth
            // must leave the length as it was.
            if (::fstat(fd_, &st) == 0 && st.st_size != oldLength) {
                (void)::ftruncate(fd_, oldLength);
            }
            return false;
        }
        if (newLength < oldLength) {
            return ::ftruncate(fd_, newLength) == 0;
        }
        return true;
    }

    std::optional<uint64_t> Length() override {
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
            return std::nullopt;
        }
        return static_cast<uint64_t>(st.st_size);
    }

    // fdatasync also writes the metadata needed to read the data back (the length included); the
    // modification time can wait.
    bool Sync() override {
        // A failure the early sync saw is not reported again by the kernel on this descriptor.
        const bool earlier = JoinEarlySync();
        return fd_ >= 0 && ::fdatasync(fd_) == 0 && earlier;
    }

    // One sync at a time on a thread of its own, which only waits in the kernel: the data written
    // while it runs is left to the next one.
    void SyncSoon() override {
        if (fd_ < 0 || (early_.joinable() && !earlyDone_.load(std::memory_order_acquire))) {
            return;
        }
        JoinEarlySync();
        earlyDone_.store(false, std::memory_order_relaxed);
        try {
            early_ = std::thread([this, fd = fd_] {
                earlyFailed_ = ::fdatasync(fd) != 0;
                earlyDone_.store(true, std::memory_order_release);
            });
        } catch (const std::system_error&) {
            earlyDone_.store(true, std::memory_order_relaxed); // no thread: the next Sync does it all
        }
    }

    bool Close() override {
        JoinEarlySync();
        if (fd_ < 0) {
            return false;
        }
        // close() releases the flock with the descriptor. It is never retried: Linux frees the
        // descriptor even when close reports EINTR, and a retry could close someone else's.
        int fd = std::exchange(fd_, -1);
        return ::close(fd) == 0;
    }

private:
    // Waits for an early sync still running; false when one failed since the last Sync.
    bool JoinEarlySync() {
        if (early_.joinable()) {
            early_.join();
        }
        return !std::exchange(earlyFailed_, false);
    }

    int fd_;
    size_t writeSlice_;
    std::thread early_;
    std::atomic<bool> earlyDone_{true};
    bool earlyFailed_ = false; // written by the early sync's thread, read after joining it
};

std::string ParentOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    auto end = path.find_last_not_of('/', slash);
    if (end == std::string::npos) {
        return "/";
    }
    return path.substr(0, end + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

std::vector<std::string> NamesOf(const std::string& relative) {
    std::vector<std::string> names;
    for (size_t start = 0; start <= relative.size();) {
        const size_t slash = std::min(relative.find('/', start), relative.size());
        if (slash > start) {
            names.push_back(relative.substr(start, slash - start));
        }
        start = slash + 1;
    }
    return names;
}

// A descriptor of the folder `names[0] / ... / names[count - 1]` below `root`, reached one folder at a
// time without following a link; with `make`, each is made when it is missing.
int OpenFolderBelow(const std::string& root, const std::vector<std::string>& names, size_t count, bool make,
                    OpenResult* result) {
    int fd = OpenRetrying(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) {
        *result = ResultOfErrno(errno);
        return -1;
    }
    for (size_t i = 0; i < count; ++i) {
        if (make && ::mkdirat(fd, names[i].c_str(), 0755) != 0 && errno != EEXIST) {
            *result = ResultOfErrno(errno);
            CloseQuietly(fd);
            return -1;
        }
        int next = -1;
        do {
            next = ::openat(fd, names[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        } while (next < 0 && errno == EINTR);
        const int error = errno;
        CloseQuietly(fd);
        if (next < 0) {
            *result = error == ELOOP || error == ENOTDIR ? OpenResult::InTheWay : ResultOfErrno(error);
            return -1;
        }
        fd = next;
    }
    *result = OpenResult::Ok;
    return fd;
}

std::mutex& OverrideMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<bool(bool*)>& StartupOverride() {
    static std::function<bool(bool*)> check;
    return check;
}

bool RealStartupDiskHasRoom(bool* tempFolderMissing) {
    const char* env = std::getenv("TMPDIR");
    std::string folder = (env != nullptr && *env != '\0') ? env : "/tmp";
    std::string name = JoinPath(folder, "KVQXXXXXX");
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        if (tempFolderMissing != nullptr) {
            *tempFolderMissing = true;
        }
        return false;
    }
    bool room = false;
    int rc = 0;
    do {
        rc = ::posix_fallocate(fd, 0, kStartupProbeBytes);
    } while (rc == EINTR);
    if (rc == 0) {
        struct stat st {};
        room = ::fstat(fd, &st) == 0 && st.st_size == kStartupProbeBytes;
    }
    ::close(fd);
    ::unlink(name.c_str());
    return room;
}

class PosixFileSystemImpl final : public IFileSystem {
public:
    std::unique_ptr<IFile> OpenExclusive(const std::string& path, bool create, OpenResult* result) override {
        // Never O_TRUNC: the lock must be held before the length is touched, or replacing an
        // archive that another process has open would destroy it under that process.
        int fd = OpenRegular(path, O_RDWR | (create ? O_CREAT : 0), 0600, result);
        if (fd < 0) {
            return nullptr;
        }
        if (!LockRetrying(fd, LOCK_EX)) {
            *result = ResultOfErrno(errno);
            CloseQuietly(fd);
            return nullptr;
        }
        if (create && ::ftruncate(fd, 0) != 0) {
            *result = OpenResult::Failed;
            CloseQuietly(fd);
            return nullptr;
        }
        return std::make_unique<PosixFile>(fd, PosixFile::kArchiveSlice);
    }

    std::unique_ptr<IFile> OpenShared(const std::string& path, OpenResult* result) override {
        int fd = OpenRegular(path, O_RDONLY, 0, result);
        if (fd < 0) {
            return nullptr;
        }
        if (!LockRetrying(fd, LOCK_SH)) {
            *result = ResultOfErrno(errno);
            CloseQuietly(fd);
            return nullptr;
        }
        return std::make_unique<PosixFile>(fd);
    }

    std::unique_ptr<IFile> OpenPlain(const std::string& path, bool create, OpenResult* result) override {
        int fd = OpenRegular(path, O_RDWR | (create ? O_CREAT | O_TRUNC : 0), 0600, result);
        if (fd < 0) {
            return nullptr;
        }
        return std::make_unique<PosixFile>(fd);
    }

    std::unique_ptr<IFile> CreateNew(const std::string& path, OpenResult* result) override {
        // O_EXCL also refuses a symbolic link in the way, dangling or not.
        int fd = OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            *result = ResultOfErrno(errno);
            return nullptr;
        }
        *result = OpenResult::Ok;
        return std::make_unique<PosixFile>(fd, PosixFile::kNewFileSlice);
    }

    bool MakeDirectoryBelow(const std::string& root, const std::string& relative,
                            OpenResult* result) override {
        const std::vector<std::string> names = NamesOf(relative);
        const int fd = OpenFolderBelow(root, names, names.size(), true, result);
        CloseQuietly(fd);
        return fd >= 0;
    }

    std::unique_ptr<IFile> CreateNewBelow(const std::string& root, const std::string& relative,
                                          OpenResult* result) override {
        const std::vector<std::string> names = NamesOf(relative);
        if (names.empty()) {
            *result = OpenResult::Failed;
            return nullptr;
        }
        const int folder = OpenFolderBelow(root, names, names.size() - 1, false, result);
        if (folder < 0) {
            return nullptr;
        }
        int fd = -1;
        do {
            // O_EXCL refuses anything already there, a link (dangling or not) included.
            fd = ::openat(folder, names.back().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0644);
        } while (fd < 0 && errno == EINTR);
        const int error = errno;
        CloseQuietly(folder);
        if (fd < 0) {
            *result = ResultOfErrno(error);
            return nullptr;
        }
        *result = OpenResult::Ok;
        return std::make_unique<PosixFile>(fd, PosixFile::kNewFileSlice);
    }

    bool Exists(const std::string& path) override {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0;
    }

    bool Remove(const std::string& path) override { return std::remove(path.c_str()) == 0; }

    bool SyncParentDirectory(const std::string& path) override {
        int fd = OpenRetrying(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
        if (fd < 0) {
            return false;
        }
        // EINVAL: the file system cannot sync a directory at all; there is nothing more to be had.
        bool ok = ::fsync(fd) == 0 || errno == EINVAL;
        ::close(fd);
        return ok;
    }

    bool MakeDirectory(const std::string& path) override {
        if (::mkdir(path.c_str(), 0755) == 0) {
            return true;
        }
        struct stat st {};
        return errno == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    std::optional<FileTimes> Stat(const std::string& path) override {
        struct statx sx {};
        if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx) !=
            0) {
            return std::nullopt;
        }
        auto fileTime = [](const struct statx_timestamp& t) {
            return UnixTimeToFileTime(t.tv_sec, static_cast<int64_t>(t.tv_nsec));
        };
        FileTimes times;
        times.length = sx.stx_size;
        times.modified = fileTime(sx.stx_mtime);
        times.created = (sx.stx_mask & STATX_BTIME) != 0 ? fileTime(sx.stx_btime) : times.modified;
        return times;
    }

    DirEntryKind KindOf(const std::string& path) override {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            return DirEntryKind::Other;
        }
        if (S_ISLNK(st.st_mode)) {
            return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? DirEntryKind::File
                                                                         : DirEntryKind::Other;
        }
        if (S_ISDIR(st.st_mode)) {
            return DirEntryKind::Directory;
        }
        return S_ISREG(st.st_mode) ? DirEntryKind::File : DirEntryKind::Other;
    }

    std::optional<std::vector<DirEntry>> ListDirectory(const std::string& path) override {
        DIR* dir = ::opendir(path.c_str());
        if (dir == nullptr) {
            return std::nullopt;
        }
        std::vector<DirEntry> entries;
        while (const dirent* e = ::readdir(dir)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            DirEntryKind kind = DirEntryKind::Other;
            switch (e->d_type) {
            case DT_REG:
                kind = DirEntryKind::File;
                break;
            case DT_DIR:
                kind = DirEntryKind::Directory;
                break;
            case DT_LNK:
            case DT_UNKNOWN:
                kind = KindOf(JoinPath(path, name));
                break;
            default:
                break;
            }
            entries.push_back({std::move(name), kind});
        }
        ::closedir(dir);
        std::sort(entries.begin(), entries.end(),
                  [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
        return entries;
    }

    bool StartupDiskHasRoom(bool* tempFolderMissing) override {
        if (tempFolderMissing != nullptr) {
            *tempFolderMissing = false;
        }
        std::function<bool(bool*)> check;
        {
            std::lock_guard lock(OverrideMutex());
            check = StartupOverride();
        }
        return check ? check(tempFolderMissing) : RealStartupDiskHasRoom(tempFolderMissing);
    }
};

} // namespace

IFileSystem& PosixFileSystem() {
    static PosixFileSystemImpl fileSystem;
    return fileSystem;
}

void SetStartupDiskOverride(std::function<bool(bool* tempFolderMissing)> check) {
    std::lock_guard lock(OverrideMutex());
    StartupOverride() = std::move(check);
}

namespace {

std::function<void(void*, size_t)>& RandomOverride() {
    static std::function<void(void*, size_t)> fill;
    return fill;
}

} // namespace

void SetRandomOverride(std::function<void(void* buffer, size_t length)> fill) {
    std::lock_guard lock(OverrideMutex());
    RandomOverride() = std::move(fill);
}

void FillRandom(void* buffer, size_t length) {
    {
        std::lock_guard lock(OverrideMutex());
        if (RandomOverride()) {
            RandomOverride()(buffer, length);
            return;
        }
    }
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::getrandom(out + done, length - done, 0);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == ENOSYS) {
            break;
        } else {
            std::abort();
        }
    }
    if (done == length) {
        return;
    }
    // A kernel without getrandom: the device gives the same bytes.
    int fd = OpenRetrying("/dev/urandom", O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) {
        std::abort(); // no source of unpredictable bytes: salts and prefixes must never be guessable
    }
    while (done < length) {
        ssize_t n = ::read(fd, out + done, length - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            std::abort();
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

} // namespace quorvane
