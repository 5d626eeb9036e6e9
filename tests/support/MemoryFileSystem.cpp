#include "MemoryFileSystem.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <utility>

namespace quorvane {

bool IsMutating(OpKind kind) {
    switch (kind) {
    case OpKind::Write:
    case OpKind::SetLength:
    case OpKind::Sync:
    case OpKind::Create:
    case OpKind::Remove:
    case OpKind::SyncDir:
    case OpKind::MakeDir:
        return true;
    default:
        return false;
    }
}

namespace {

constexpr uint64_t kSector = 512;

enum Mode { kRead = 1, kWrite = 2, kExclusive = 4, kShared = 8, kMustBeNew = 16 };
constexpr uint64_t kMaxFileBytes =
    uint64_t{1} << 32; // far beyond any archive; keeps a wild offset from exhausting memory
enum class Lock { None, Shared, Exclusive };

struct Change {
    bool isWrite = true;
    uint64_t offset = 0;        // write
    std::vector<uint8_t> bytes; // write
    uint64_t length = 0;        // length change
};

struct Inode {
    std::vector<uint8_t> durable;
    std::vector<uint8_t> data;
    std::vector<Change> pending;
    int openCount = 0;
    int sharedLocks = 0;
    bool exclusiveLock = false;
    int64_t createdNs = 0;
    int64_t modifiedNs = 0;
};

struct DirChange {
    bool create = true;
    std::string path;
    uint64_t inode = 0;
};

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string Normalize(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string ParentOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return "";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ApplyWrite(std::vector<uint8_t>& image, uint64_t offset, const uint8_t* bytes, size_t length) {
    if (image.size() < offset + length) {
        image.resize(offset + length);
    }
    std::copy(bytes, bytes + length, image.begin() + static_cast<std::ptrdiff_t>(offset));
}

} // namespace

struct MemoryFileSystem::State {
    std::map<uint64_t, Inode> inodes;
    std::map<std::string, uint64_t> names;        // what lookups see
    std::map<std::string, uint64_t> durableNames; // what a power cut starts from
    std::vector<DirChange> pendingDir;
    std::map<std::string, int64_t> folders; // path → creation time; "" and "/" always exist
    std::set<std::string> specials;
    std::set<std::string> unreadable; // folders ListDirectory refuses
    std::set<std::string> readOnly;   // files no open for writing is allowed
    uint64_t nextInode = 1;
    uint64_t epoch = 0;

    uint64_t mutating = 0;
    uint64_t countBase = 0;
    uint64_t failTarget = 0;
    uint64_t stopTarget = 0;
    uint64_t calls = 0;
    uint64_t callFailTarget = 0;
    bool stopped = false;
    std::set<OpKind> failNext;

    std::optional<uint64_t> capacity;
    bool startupRoom = true;
    bool tempMissing = false;
    std::vector<Op> log;

    bool FolderExists(const std::string& path) const {
        return path.empty() || path == "/" || folders.count(path) != 0;
    }

    // Logs the call and decides whether fault injection lets it through.
    bool Admit(OpKind kind, const std::string& path, uint64_t offset = 0, uint64_t length = 0) {
        bool ok = true;
        if (IsMutating(kind)) {
            ++mutating;
            if (stopTarget != 0 && mutating >= stopTarget) {
                stopped = true;
            }
            if (failTarget != 0 && mutating == failTarget) {
                ok = false;
            }
        }
        if (kind != OpKind::Query && ++calls == callFailTarget) {
            ok = false;
        }
        if (stopped && kind != OpKind::Query) {
            ok = false;
        }
        if (failNext.erase(kind) != 0) {
            ok = false;
        }
        log.push_back({kind, path, offset, length, ok});
        return ok;
    }

    // Marks the logged call as failed for a reason of its own (no such file, locked, full).
    bool Refuse() {
        log.back().ok = false;
        return false;
    }

    uint64_t Used() const {
        uint64_t used = 0;
        std::set<uint64_t> counted;
        for (const auto& [path, id] : names) {
            if (counted.insert(id).second) {
                used += inodes.at(id).data.size();
            }
        }
        for (const auto& [id, node] : inodes) {
            if (node.openCount > 0 && counted.insert(id).second) {
                used += node.data.size();
            }
        }
        return used;
    }

    bool HasRoomFor(uint64_t oldSize, uint64_t newSize) const {
        return !capacity || newSize <= oldSize || Used() + (newSize - oldSize) <= *capacity;
    }

    uint64_t NewInode(int64_t now) {
        uint64_t id = nextInode++;
        Inode& node = inodes[id];
        node.createdNs = now;
        node.modifiedNs = now;
        return id;
    }

    void DropUnreachable() {
        std::set<uint64_t> live;
        for (const auto& [path, id] : names) {
            live.insert(id);
        }
        for (const auto& [path, id] : durableNames) {
            live.insert(id);
        }
        for (const auto& change : pendingDir) {
            live.insert(change.inode);
        }
        for (auto it = inodes.begin(); it != inodes.end();) {
            if (live.count(it->first) == 0 && it->second.openCount == 0) {
                it = inodes.erase(it);
            } else {
                ++it;
            }
        }
    }
};

namespace {

class MemoryFile final : public IFile {
public:
    MemoryFile(std::shared_ptr<MemoryFileSystem::State> state, uint64_t inode, std::string path, int mode,
               Lock lock)
        : state_(std::move(state))
        , inode_(inode)
        , path_(std::move(path))
        , mode_(mode)
        , lock_(lock)
        , epoch_(state_->epoch) {}
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    ~MemoryFile() override { Release(); }

    bool ReadAt(void* buffer, uint64_t offset, size_t length) override {
        if (!state_->Admit(OpKind::Read, path_, offset, length)) {
            return false;
        }
        Inode* node = Live();
        if (node == nullptr || (mode_ & kRead) == 0 || offset > node->data.size() ||
            length > node->data.size() - offset) {
            return state_->Refuse();
        }
        std::copy_n(node->data.begin() + static_cast<std::ptrdiff_t>(offset), length,
                    static_cast<uint8_t*>(buffer));
        return true;
    }

    bool WriteAt(const void* buffer, uint64_t offset, size_t length) override {
        if (!state_->Admit(OpKind::Write, path_, offset, length)) {
            return false;
        }
        Inode* node = Live();
        if (node == nullptr || (mode_ & kWrite) == 0 || offset > kMaxFileBytes ||
            length > kMaxFileBytes - offset || !state_->HasRoomFor(node->data.size(), offset + length)) {
            return state_->Refuse();
        }
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        ApplyWrite(node->data, offset, bytes, length);
        node->pending.push_back({true, offset, std::vector<uint8_t>(bytes, bytes + length), 0});
        node->modifiedNs = NowNs();
        return true;
    }

    bool SetLength(uint64_t length) override {
        if (!state_->Admit(OpKind::SetLength, path_, 0, length)) {
            return false;
        }
        Inode* node = Live();
        if (node == nullptr || (mode_ & kWrite) == 0 || length > kMaxFileBytes ||
            !state_->HasRoomFor(node->data.size(), length)) {
            return state_->Refuse();
        }
        node->data.resize(length);
        node->pending.push_back({false, 0, {}, length});
        node->modifiedNs = NowNs();
        return true;
    }

    std::optional<uint64_t> Length() override {
        if (!state_->Admit(OpKind::Length, path_)) {
            return std::nullopt;
        }
        Inode* node = Live();
        if (node == nullptr) {
            state_->Refuse();
            return std::nullopt;
        }
        return node->data.size();
    }

    bool Sync() override {
        if (!state_->Admit(OpKind::Sync, path_)) {
            return false;
        }
        Inode* node = Live();
        if (node == nullptr) {
            return state_->Refuse();
        }
        node->durable = node->data;
        node->pending.clear();
        return true;
    }

    bool Close() override {
        if (closed_) {
            return false;
        }
        bool ok = state_->Admit(OpKind::Close, path_) && epoch_ == state_->epoch;
        if (!ok) {
            state_->Refuse();
        }
        Release(); // a failed close still gives up the descriptor and its lock
        return ok;
    }

private:
    Inode* Live() {
        if (closed_ || epoch_ != state_->epoch) {
            return nullptr;
        }
        auto it = state_->inodes.find(inode_);
        return it == state_->inodes.end() ? nullptr : &it->second;
    }

    void Release() {
        if (closed_) {
            return;
        }
        closed_ = true;
        if (epoch_ != state_->epoch) {
            return; // the power cut already dropped every lock
        }
        auto it = state_->inodes.find(inode_);
        if (it == state_->inodes.end()) {
            return;
        }
        Inode& node = it->second;
        --node.openCount;
        if (lock_ == Lock::Exclusive) {
            node.exclusiveLock = false;
        } else if (lock_ == Lock::Shared) {
            --node.sharedLocks;
        }
    }

    std::shared_ptr<MemoryFileSystem::State> state_;
    uint64_t inode_;
    std::string path_;
    int mode_;
    Lock lock_;
    uint64_t epoch_;
    bool closed_ = false;
};

} // namespace

MemoryFileSystem::MemoryFileSystem()
    : MemoryFileSystem(std::make_shared<State>()) {}

MemoryFileSystem::MemoryFileSystem(std::shared_ptr<State> state)
    : log(state->log)
    , state_(std::move(state)) {}

MemoryFileSystem::~MemoryFileSystem() = default;

std::unique_ptr<IFile> MemoryFileSystem::Open(const std::string& rawPath, int mode, bool create,
                                              OpenResult* result) {
    State& s = *state_;
    const std::string path = Normalize(rawPath);
    const bool exclusive = (mode & kExclusive) != 0;
    const bool shared = (mode & kShared) != 0;
    const bool mustBeNew = (mode & kMustBeNew) != 0;
    *result = OpenResult::Failed;
    if (!s.Admit(create ? OpKind::Create : OpKind::Open, path)) {
        return nullptr;
    }
    auto it = s.names.find(path);
    if (it == s.names.end()) {
        if (s.folders.count(path) != 0 || s.specials.count(path) != 0) {
            if (mustBeNew) {
                *result = OpenResult::Exists;
            } else if (s.folders.count(path) != 0) {
                *result = OpenResult::Directory;
            }
            s.Refuse();
            return nullptr;
        }
        if (!create || !s.FolderExists(ParentOf(path))) {
            *result = OpenResult::NotFound;
            s.Refuse();
            return nullptr;
        }
        uint64_t id = s.NewInode(NowNs());
        it = s.names.emplace(path, id).first;
        s.pendingDir.push_back({true, path, id});
    } else if (mustBeNew) {
        *result = OpenResult::Exists;
        s.Refuse();
        return nullptr;
    } else if ((mode & kWrite) != 0 && s.readOnly.count(path) != 0) {
        *result = OpenResult::Denied;
        s.Refuse();
        return nullptr;
    }
    Inode& node = s.inodes.at(it->second);
    if ((exclusive && (node.exclusiveLock || node.sharedLocks > 0)) || (shared && node.exclusiveLock)) {
        *result = OpenResult::Locked;
        s.Refuse();
        return nullptr;
    }
    if (create && !mustBeNew && !node.data.empty()) { // replacing a file truncates the same file
        node.data.clear();
        node.pending.push_back({false, 0, {}, 0});
        node.modifiedNs = NowNs();
    }
    Lock lock = Lock::None;
    if (exclusive) {
        node.exclusiveLock = true;
        lock = Lock::Exclusive;
    } else if (shared) {
        ++node.sharedLocks;
        lock = Lock::Shared;
    }
    ++node.openCount;
    *result = OpenResult::Ok;
    return std::make_unique<MemoryFile>(state_, it->second, path, mode & (kRead | kWrite), lock);
}

std::unique_ptr<IFile> MemoryFileSystem::OpenExclusive(const std::string& path, bool create,
                                                       OpenResult* result) {
    return Open(path, kRead | kWrite | kExclusive, create, result);
}

std::unique_ptr<IFile> MemoryFileSystem::OpenShared(const std::string& path, OpenResult* result) {
    return Open(path, kRead | kShared, false, result);
}

std::unique_ptr<IFile> MemoryFileSystem::OpenPlain(const std::string& path, bool create, OpenResult* result) {
    return Open(path, kRead | kWrite, create, result);
}

std::unique_ptr<IFile> MemoryFileSystem::CreateNew(const std::string& path, OpenResult* result) {
    return Open(path, kWrite | kMustBeNew, true, result);
}

bool MemoryFileSystem::MakeDirectoryBelow(const std::string& root, const std::string& relative,
                                          OpenResult* result) {
    // No links here but the specials: a file or a special in the way refuses like a link would.
    std::string path = Normalize(root) == "/" ? std::string() : Normalize(root);
    size_t start = 0;
    while (start < relative.size()) {
        const size_t slash = std::min(relative.find('/', start), relative.size());
        if (slash > start) {
            path += "/" + relative.substr(start, slash - start);
            if (!MakeDirectory(path)) {
                const bool inTheWay = state_->names.count(path) != 0 || state_->specials.count(path) != 0;
                *result = inTheWay ? OpenResult::InTheWay : OpenResult::Failed;
                return false;
            }
        }
        start = slash + 1;
    }
    *result = OpenResult::Ok;
    return true;
}

std::unique_ptr<IFile> MemoryFileSystem::CreateNewBelow(const std::string& root, const std::string& relative,
                                                        OpenResult* result) {
    return CreateNew((Normalize(root) == "/" ? std::string() : Normalize(root)) + "/" + relative, result);
}

bool MemoryFileSystem::Exists(const std::string& rawPath) {
    const std::string path = Normalize(rawPath);
    state_->Admit(OpKind::Query, path);
    return state_->names.count(path) != 0 || state_->FolderExists(path) || state_->specials.count(path) != 0;
}

bool MemoryFileSystem::Remove(const std::string& rawPath) {
    State& s = *state_;
    const std::string path = Normalize(rawPath);
    if (!s.Admit(OpKind::Remove, path)) {
        return false;
    }
    if (auto it = s.names.find(path); it != s.names.end()) {
        s.pendingDir.push_back({false, path, it->second});
        s.names.erase(it);
        return true;
    }
    if (s.specials.erase(path) != 0) {
        return true;
    }
    if (s.folders.count(path) != 0) {
        auto isChild = [&](const std::string& other) { return ParentOf(other) == path; };
        bool empty =
            std::none_of(s.names.begin(), s.names.end(), [&](const auto& e) { return isChild(e.first); }) &&
            std::none_of(s.folders.begin(), s.folders.end(),
                         [&](const auto& e) { return isChild(e.first); }) &&
            std::none_of(s.specials.begin(), s.specials.end(), isChild);
        if (empty) {
            s.folders.erase(path);
            return true;
        }
    }
    return s.Refuse();
}

bool MemoryFileSystem::SyncParentDirectory(const std::string& rawPath) {
    State& s = *state_;
    const std::string path = Normalize(rawPath);
    if (!s.Admit(OpKind::SyncDir, path)) {
        return false;
    }
    const std::string folder = ParentOf(path);
    if (!s.FolderExists(folder)) {
        return s.Refuse();
    }
    std::vector<DirChange> rest;
    for (auto& change : s.pendingDir) {
        if (ParentOf(change.path) != folder) {
            rest.push_back(std::move(change));
        } else if (change.create) {
            s.durableNames[change.path] = change.inode;
        } else {
            s.durableNames.erase(change.path);
        }
    }
    s.pendingDir = std::move(rest);
    s.DropUnreachable();
    return true;
}

bool MemoryFileSystem::MakeDirectory(const std::string& rawPath) {
    State& s = *state_;
    const std::string path = Normalize(rawPath);
    if (!s.Admit(OpKind::MakeDir, path)) {
        return false;
    }
    if (s.FolderExists(path)) {
        return true;
    }
    if (s.names.count(path) != 0 || s.specials.count(path) != 0 || !s.FolderExists(ParentOf(path))) {
        return s.Refuse();
    }
    s.folders[path] = NowNs();
    return true;
}

std::optional<FileTimes> MemoryFileSystem::Stat(const std::string& rawPath) {
    State& s = *state_;
    const std::string path = Normalize(rawPath);
    s.Admit(OpKind::Query, path);
    if (auto it = s.names.find(path); it != s.names.end()) {
        const Inode& node = s.inodes.at(it->second);
        return FileTimes{node.data.size(), UnixNsToFileTime(node.createdNs),
                         UnixNsToFileTime(node.modifiedNs)};
    }
    if (auto it = s.folders.find(path); it != s.folders.end()) {
        return FileTimes{0, UnixNsToFileTime(it->second), UnixNsToFileTime(it->second)};
    }
    s.Refuse();
    return std::nullopt;
}

DirEntryKind MemoryFileSystem::KindOf(const std::string& rawPath) {
    const std::string path = Normalize(rawPath);
    state_->Admit(OpKind::Query, path);
    if (state_->names.count(path) != 0) {
        return DirEntryKind::File;
    }
    return state_->FolderExists(path) ? DirEntryKind::Directory : DirEntryKind::Other;
}

std::optional<std::vector<DirEntry>> MemoryFileSystem::ListDirectory(const std::string& rawPath) {
    State& s = *state_;
    const std::string path = Normalize(rawPath);
    s.Admit(OpKind::Query, path);
    if (!s.FolderExists(path) || s.unreadable.count(path) != 0) {
        s.Refuse();
        return std::nullopt;
    }
    std::vector<DirEntry> entries;
    auto add = [&](const std::string& child, DirEntryKind kind) {
        if (child != path && ParentOf(child) == path) {
            entries.push_back({NameOf(child), kind});
        }
    };
    for (const auto& [child, id] : s.names) {
        add(child, DirEntryKind::File);
    }
    for (const auto& [child, time] : s.folders) {
        add(child, DirEntryKind::Directory);
    }
    for (const auto& child : s.specials) {
        add(child, DirEntryKind::Other);
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
}

bool MemoryFileSystem::StartupDiskHasRoom(bool* tempFolderMissing) {
    if (tempFolderMissing != nullptr) {
        *tempFolderMissing = false;
    }
    if (!state_->Admit(OpKind::StartupCheck, "")) {
        return false;
    }
    if (state_->tempMissing) {
        if (tempFolderMissing != nullptr) {
            *tempFolderMissing = true;
        }
        return state_->Refuse();
    }
    return state_->startupRoom || state_->Refuse();
}

void MemoryFileSystem::FailAt(uint64_t k) {
    state_->failTarget = state_->mutating + k;
}

void MemoryFileSystem::StopAt(uint64_t k) {
    state_->stopTarget = state_->mutating + k;
}

void MemoryFileSystem::FailNext(OpKind kind) {
    state_->failNext.insert(kind);
}

void MemoryFileSystem::FailCallAt(uint64_t k) {
    state_->callFailTarget = state_->calls + k;
}

uint64_t MemoryFileSystem::CallCount() const {
    return state_->calls;
}

void MemoryFileSystem::ClearFaults() {
    state_->failTarget = 0;
    state_->stopTarget = 0;
    state_->callFailTarget = 0;
    state_->stopped = false;
    state_->failNext.clear();
}

bool MemoryFileSystem::Stopped() const {
    return state_->stopped;
}

uint64_t MemoryFileSystem::MutatingOpCount() const {
    return state_->mutating - state_->countBase;
}

void MemoryFileSystem::ResetMutatingOpCount() {
    state_->countBase = state_->mutating;
}

void MemoryFileSystem::PowerCut(std::mt19937& rng) {
    State& s = *state_;
    std::uniform_int_distribution<int> coin(0, 1);
    std::uniform_int_distribution<int> threeWay(0, 2);

    std::map<std::string, uint64_t> names = s.durableNames;
    for (const auto& change : s.pendingDir) {
        if (coin(rng) == 0) {
            continue; // lost
        }
        if (change.create) {
            names[change.path] = change.inode;
        } else {
            names.erase(change.path);
        }
    }
    s.names = names;
    s.durableNames = std::move(names);
    s.pendingDir.clear();

    for (auto& [id, node] : s.inodes) {
        std::vector<uint8_t> image = node.durable;
        for (const auto& change : node.pending) {
            if (!change.isWrite) {
                if (coin(rng) == 1) {
                    image.resize(change.length);
                }
                continue;
            }
            const uint64_t end = change.offset + change.bytes.size();
            const uint64_t firstBoundary = (change.offset / kSector + 1) * kSector;
            const bool tearable = firstBoundary < end;
            const int fate = tearable ? threeWay(rng) : coin(rng); // 0 lost, 1 kept, 2 torn
            if (fate == 0) {
                continue;
            }
            size_t kept = change.bytes.size();
            if (fate == 2) {
                const uint64_t boundaries = (end - 1 - firstBoundary) / kSector + 1;
                std::uniform_int_distribution<uint64_t> pick(0, boundaries - 1);
                kept = static_cast<size_t>(firstBoundary + pick(rng) * kSector - change.offset);
            }
            ApplyWrite(image, change.offset, change.bytes.data(), kept);
        }
        node.durable = image;
        node.data = std::move(image);
        node.pending.clear();
        node.openCount = 0;
        node.sharedLocks = 0;
        node.exclusiveLock = false;
    }
    s.DropUnreachable();
    ++s.epoch;
    ClearFaults();
}

void MemoryFileSystem::SetCapacity(uint64_t bytes) {
    state_->capacity = bytes;
}

uint64_t MemoryFileSystem::UsedBytes() const {
    return state_->Used();
}

void MemoryFileSystem::SetStartupDisk(bool hasRoom, bool tempFolderMissing) {
    state_->startupRoom = hasRoom;
    state_->tempMissing = tempFolderMissing;
}

void MemoryFileSystem::Put(const std::string& rawPath, const std::vector<uint8_t>& bytes) {
    State& s = *state_;
    const std::string path = Normalize(rawPath);
    const int64_t now = NowNs();
    for (std::string folder = ParentOf(path); !s.FolderExists(folder); folder = ParentOf(folder)) {
        s.folders[folder] = now;
    }
    uint64_t id = s.NewInode(now);
    Inode& node = s.inodes.at(id);
    node.data = bytes;
    node.durable = bytes;
    s.names[path] = id;
    s.durableNames[path] = id;
    std::erase_if(s.pendingDir, [&](const DirChange& change) { return change.path == path; });
    s.DropUnreachable();
}

std::optional<std::vector<uint8_t>> MemoryFileSystem::Get(const std::string& path) const {
    auto it = state_->names.find(Normalize(path));
    if (it == state_->names.end()) {
        return std::nullopt;
    }
    return state_->inodes.at(it->second).data;
}

void MemoryFileSystem::PutSpecial(const std::string& path) {
    state_->specials.insert(Normalize(path));
}

void MemoryFileSystem::SetTimes(const std::string& path, int64_t createdUnixNs, int64_t modifiedUnixNs) {
    auto it = state_->names.find(Normalize(path));
    if (it != state_->names.end()) {
        Inode& node = state_->inodes.at(it->second);
        node.createdNs = createdUnixNs;
        node.modifiedNs = modifiedUnixNs;
    }
}

bool MemoryFileSystem::IsLocked(const std::string& path) const {
    auto it = state_->names.find(Normalize(path));
    if (it == state_->names.end()) {
        return false;
    }
    const Inode& node = state_->inodes.at(it->second);
    return node.exclusiveLock || node.sharedLocks > 0;
}

void MemoryFileSystem::SetReadOnly(const std::string& path) {
    state_->readOnly.insert(Normalize(path));
}

void MemoryFileSystem::SetUnreadable(const std::string& folder) {
    state_->unreadable.insert(Normalize(folder));
}

std::unique_ptr<MemoryFileSystem> MemoryFileSystem::Clone() const {
    auto copy = std::make_shared<State>(*state_);
    for (auto& [id, node] : copy->inodes) {
        node.openCount = 0;
        node.sharedLocks = 0;
        node.exclusiveLock = false;
    }
    return std::unique_ptr<MemoryFileSystem>(new MemoryFileSystem(std::move(copy)));
}

} // namespace quorvane
