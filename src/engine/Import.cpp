// Import: files and folders from disk, planned and then added as one batch.
#include "CCodeArchive.h"
#include "NameRules.h"

#include <functional>

namespace quorvane {

namespace {

struct PlanItem {
    std::string path;
    bool directory = false;
    int parentItem = -1; // index of the directory item it lies in, -1 for the import folder
};

std::string DirectoryName(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return FileNameOf(path);
}

} // namespace

Status ImportPaths(CCodeArchive& archive, const std::vector<std::string>& paths, int folder, bool recurse,
                   std::vector<ImportedItem>* added, std::vector<std::string>* skipped) {
    // Never called by another operation: busy means called back from inside one.
    if (archive.Busy()) {
        return kBusy;
    }
    const CCodeArchive::OperationScope scope(archive);
    archive.BeginBatch(false);
    // Planned depth first, in the order the adds will take.
    IFileSystem& fs = archive.fs_;
    std::vector<PlanItem> plan;
    std::function<Status(const std::string&, int)> planPath = [&](const std::string& path,
                                                                  int parentItem) -> Status {
        switch (fs.KindOf(path)) {
        case DirEntryKind::File: {
            const std::optional<FileTimes> times = fs.Stat(path);
            const Status s = archive.batch_.PlanFile(path, times ? times->length : 0);
            if (s == kOk) {
                plan.push_back({path, false, parentItem});
            }
            return s;
        }
        case DirEntryKind::Directory: {
            if (!recurse) {
                return kOk;
            }
            if (Status s = archive.batch_.PlanFolder(); s != kOk) {
                return s;
            }
            const int self = static_cast<int>(plan.size());
            plan.push_back({path, true, parentItem});
            const std::optional<std::vector<DirEntry>> entries = fs.ListDirectory(path);
            if (!entries) {
                return archive.batch_.PlanFailure(kErrUnreadableFolder, path); // never taken in as empty
            }
            const std::string prefix = path.back() == '/' ? path : path + "/";
            for (const DirEntry& entry : *entries) {
                if (Status s = planPath(prefix + entry.name, self); s != kOk) {
                    return s;
                }
            }
            return kOk;
        }
        case DirEntryKind::Other:
            if (skipped) {
                skipped->push_back(path);
            }
            return kOk;
        }
        return kOk;
    };
    Status status = kOk;
    for (const std::string& path : paths) {
        status = planPath(path, -1);
        if (status != kOk) {
            break;
        }
    }
    if (status == kOk) {
        status = archive.batch_.Expand();
    }
    if (status == kOk) {
        status = archive.batch_.StartAdding();
    }
    if (status == kOk) {
        std::vector<int> numbers(plan.size(), 0);
        for (size_t i = 0; i < plan.size() && status == kOk; ++i) {
            const PlanItem& item = plan[i];
            const int parent = item.parentItem < 0 ? folder : numbers[static_cast<size_t>(item.parentItem)];
            int number = 0;
            status = item.directory ? archive.batch_.AddFolder(parent, DirectoryName(item.path),
                                                               std::string(), kTypeFolder, &number)
                                    : archive.batch_.AddFile(parent, item.path, &number);
            if (status == kOk) {
                numbers[i] = number;
                if (added) {
                    added->push_back({number, item.path});
                }
            }
        }
    }
    return archive.FinishBatch();
}

} // namespace quorvane
