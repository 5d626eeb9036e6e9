#include "EntryCopier.h"

#include <string>

namespace quorvane {

EntryCopier::EntryCopier(Catalogue& source, ArchiveFile& sourceFile, BatchWriter& target,
                         const SelectionMap& marks, int destination, int32_t count)
    : source_(source)
    , sourceFile_(sourceFile)
    , target_(target)
    , marks_(marks)
    , destination_(destination)
    , count_(count) {}

Status EntryCopier::Plan() {
    Status status = kOk;
    for (EntryIndex index(0); index.value < count_ && status == kOk; ++index.value) {
        if (!marks_.Marked(index.number())) {
            continue;
        }
        CatalogueEntry e{};
        status = source_.ReadEntry(e, index);
        if (status != kOk) {
            target_.Fail(status);
            break;
        }
        status = e.IsFolder() ? target_.PlanFolder() : target_.PlanCopy(e);
    }
    return status;
}

void EntryCopier::Add() {
    for (EntryIndex index(0); index.value < count_; ++index.value) {
        if (CopyEntry(index) != kOk) {
            break;
        }
    }
}

Status EntryCopier::CopyEntry(EntryIndex index) {
    if (!marks_.Marked(index.number())) {
        return kOk;
    }
    CatalogueEntry e{};
    if (Status s = source_.ReadEntry(e, index); s != kOk) {
        target_.Fail(s);
        return s;
    }
    const int parent = e.parent;
    if (parent != 0) {
        if (Status s = CopyEntry(EntryIndex::OfNumber(parent)); s != kOk) {
            return s;
        }
    }
    const std::string name = sourceFile_.DecryptText(e.name);
    const std::string comment = sourceFile_.DecryptText(e.comment);
    const int32_t recorded = parent > 0 ? marks_.marks[static_cast<size_t>(parent)] : 0;
    const int targetParent = recorded >= 1 ? recorded : destination_;
    int number = 0;
    const Status status = e.IsFolder()
                              ? target_.AddFolder(targetParent, name, comment, kTypeFolder, &number)
                              : target_.AddCopiedFile(targetParent, sourceFile_, e, comment, name, &number);
    marks_.marks[static_cast<size_t>(index.number())] = status == kOk ? number : 0;
    return status;
}

} // namespace quorvane
