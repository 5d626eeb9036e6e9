#include "MoveOriginals.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

std::string Problem(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

// Reads exactly `length` bytes from `fd` at its position; false on an error or an early end.
bool ReadExactly(int fd, uint8_t* buffer, size_t length) {
    while (length > 0) {
        const ssize_t got = ::read(fd, buffer, length);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        buffer += got;
        length -= static_cast<size_t>(got);
    }
    return true;
}

class FileCloser {
public:
    explicit FileCloser(int fd)
        : fd_(fd) {}
    ~FileCloser() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    int fd_;
};

void Verify(CCodeArchive& archive, const ImportedItem& item, OriginalCheck& check) {
    const CatalogueEntry* entry = archive.Entry(EntryIndex::OfNumber(item.number));
    if (!entry || entry->container != 0) {
        check.problem = "its entry is not in the archive";
        return;
    }
    const uint32_t storedSize = entry->size;
    // Links are not followed: removing a link would leave the file it names behind, and removing
    // that file is not what was asked.
    const int fd = ::open(item.path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        check.problem = errno == ELOOP ? std::string("it is a link") : Problem("cannot read it", errno);
        return;
    }
    const FileCloser closer(fd);
    struct stat before {};
    if (::fstat(fd, &before) != 0) {
        check.problem = Problem("cannot read it", errno);
        return;
    }
    if (!S_ISREG(before.st_mode)) {
        check.problem = "it is not a plain file";
        return;
    }
    if (before.st_size != static_cast<off_t>(storedSize)) {
        check.problem = "its size differs from the stored copy";
        return;
    }

    std::vector<uint8_t> source;
    uint64_t compared = 0;
    bool differs = false;
    bool readFailed = false;
    const Status status =
        archive.ReadFileData(EntryIndex::OfNumber(item.number), [&](const uint8_t* data, size_t n) {
            if (n == 0) {
                return true; // nothing to compare (and no buffer to compare it in)
            }
            source.resize(n);
            if (!ReadExactly(fd, source.data(), n)) {
                readFailed = true;
                return false;
            }
            if (std::memcmp(source.data(), data, n) != 0) {
                differs = true;
                return false;
            }
            compared += n;
            return true;
        });
    if (differs) {
        check.problem = "it differs from the stored copy";
        return;
    }
    if (readFailed) {
        check.problem = "it could not be read to the end";
        return;
    }
    if (status != kOk) {
        check.problem = std::string("the stored copy could not be read back (") + MessageText(status) + ")";
        return;
    }
    uint8_t extra = 0;
    if (compared != storedSize || ::read(fd, &extra, 1) != 0) {
        check.problem = "it differs from the stored copy";
        return;
    }
    // The file must not have changed while it was compared.
    struct stat after {};
    if (::fstat(fd, &after) != 0 || after.st_size != before.st_size ||
        !SameTime(after.st_mtim, before.st_mtim) || !SameTime(after.st_ctim, before.st_ctim)) {
        check.problem = "it changed while it was compared";
        return;
    }
    check.verified = true;
    check.device = before.st_dev;
    check.inode = before.st_ino;
    check.size = before.st_size;
    check.modified = before.st_mtim;
    check.changed = before.st_ctim;
}

} // namespace

std::vector<OriginalCheck> VerifyOriginals(CCodeArchive& archive, const std::vector<ImportedItem>& added,
                                           const BeforeVerify& beforeVerify) {
    std::vector<OriginalCheck> checks;
    checks.reserve(added.size());
    for (const ImportedItem& item : added) {
        OriginalCheck check;
        check.path = item.path;
        const CatalogueEntry* entry = archive.Entry(EntryIndex::OfNumber(item.number));
        check.folder = entry && entry->container != 0;
        if (!check.folder) {
            if (beforeVerify) {
                beforeVerify(item);
            }
            Verify(archive, item, check);
        }
        checks.push_back(std::move(check));
    }
    return checks;
}

std::vector<OriginalOutcome> RemoveOriginals(const std::vector<OriginalCheck>& checks) {
    std::vector<OriginalOutcome> outcomes(checks.size());
    std::set<std::string> removed;
    for (size_t i = 0; i < checks.size(); ++i) {
        const OriginalCheck& check = checks[i];
        OriginalOutcome& out = outcomes[i];
        out.path = check.path;
        out.folder = check.folder;
        if (check.folder) {
            continue;
        }
        if (!check.verified) {
            out.problem = check.problem;
            continue;
        }
        if (removed.count(check.path)) { // the same source named twice
            out.removed = true;
            continue;
        }
        struct stat now {};
        if (::lstat(check.path.c_str(), &now) != 0) {
            out.problem = Problem("it is no longer there", errno);
            continue;
        }
        if (now.st_dev != check.device || now.st_ino != check.inode || now.st_size != check.size ||
            !SameTime(now.st_mtim, check.modified) || !SameTime(now.st_ctim, check.changed)) {
            out.problem = "it changed after it was compared";
            continue;
        }
        if (::unlink(check.path.c_str()) != 0) {
            out.problem = Problem("it could not be removed", errno);
            continue;
        }
        removed.insert(check.path);
        out.removed = true;
    }
    // Folders last and deepest first, so that a tree empties from its leaves up.
    std::vector<size_t> folders;
    for (size_t i = 0; i < checks.size(); ++i) {
        if (checks[i].folder) {
            folders.push_back(i);
        }
    }
    std::sort(folders.begin(), folders.end(),
              [&](size_t a, size_t b) { return checks[a].path.size() > checks[b].path.size(); });
    for (size_t i : folders) {
        OriginalOutcome& out = outcomes[i];
        if (::rmdir(checks[i].path.c_str()) == 0) {
            out.removed = true;
        } else if (errno == ENOTEMPTY || errno == EEXIST) {
            out.problem = "it still holds files that were kept or not imported";
        } else {
            out.problem = Problem("it could not be removed", errno);
        }
    }
    return outcomes;
}

std::vector<OriginalOutcome> MoveOriginals(CCodeArchive& archive, const std::vector<ImportedItem>& added,
                                           const BeforeVerify& beforeVerify) {
    return RemoveOriginals(VerifyOriginals(archive, added, beforeVerify));
}

} // namespace quorvane
