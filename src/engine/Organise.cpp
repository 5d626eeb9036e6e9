// Move, copy, delete and restore.
#include "CCodeArchive.h"
#include "ChunkCursor.h"
#include "TextCodec.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

Status CCodeArchive::MoveEntries(const std::vector<int>& selection, int destination, bool confirm) {
    if (Reentered()) {
        return kBusy;
    }
    const OperationScope scope(*this);
    // Nothing to move (an empty selection, or one of the recycle bin alone) is no failure: as for
    // a copy, nothing is touched and 0 comes back.
    const SelectionMap marks = MarkSelection(selection, true);
    if (marks.count == 0) {
        return kOk;
    }
    if (archiveFile_.readOnly()) {
        return ReportError(kErrReadOnly);
    }
    const CatalogueEntry* target = destination == 0 ? nullptr : Entry(EntryIndex::OfNumber(destination));
    if (destination != 0 && (!target || !target->IsFolder())) {
        return ReportError(kErrGeneral);
    }
    if (marks.Marked(destination)) {
        return ReportError(kErrMoveIntoItself);
    }
    const bool intoBin = destination != 0 && target->inRecycleBin != 0;
    if (confirm && intoBin) {
        const HostCall call;
        if (!host_.Confirm(marks.count == 1 ? ConfirmDeleteOne() : ConfirmDeleteMany())) {
            return kCancelled;
        }
    }
    // The entries are changed in the file, then reloaded: changes held in memory must reach the file
    // first, or the reload would throw them away.
    if (Status s = WriteHeader(false); s != kOk) {
        return ReportError(s);
    }
    Status status = kOk;
    // Each entry changes by its parent alone, a four-byte field that no torn write can split, so
    // every entry is either moved or not whatever happens; the reload below recounts the rest.
    for (int number : selection) {
        if (status != kOk) {
            break;
        }
        if (number <= 1 || number > header_.entryCount) {
            continue;
        }
        CatalogueEntry e{};
        status = catalogue_.ReadEntry(e, EntryIndex::OfNumber(number));
        if (status == kOk && e.parent != destination) {
            e.parent = destination;
            status = catalogue_.WriteEntry(e, EntryIndex::OfNumber(number));
        }
    }
    if (status == kOk) {
        status = Flush();
    }
    Status reloaded = kOk;
    {
        const CatalogueChange change(*this);
        reloaded = Reload(!(confirm && intoBin));
    }
    return ReportError(status != kOk ? status : reloaded);
}

Status CCodeArchive::CopyEntries(const std::vector<int>& selection, int destination, CCodeArchive& target) {
    if (Reentered() || target.Reentered()) {
        return kBusy;
    }
    const OperationScope scope(*this);
    const OperationScope targetScope(target);
    if (selection.empty()) {
        return kOk;
    }
    const SelectionMap marks = MarkSelection(selection, true);
    if (marks.count == 0) {
        return kOk;
    }
    const int count = header_.entryCount;
    // A copy within this archive reloads it at the end: what is only in memory must be written first.
    if (Status s = FlushCatalogue(); s != kOk) {
        return ReportError(s);
    }
    moveMarks_ = marks;
    moveDestination_ = destination;
    Status status = target.BeginBatch(false);
    for (int index = 0; index < count && status == kOk; ++index) {
        if (!marks.Marked(index + 1)) {
            continue;
        }
        CatalogueEntry e{};
        status = catalogue_.ReadEntry(e, EntryIndex(index));
        if (status != kOk) {
            target.batch_.Fail(status);
            break;
        }
        status = e.IsFolder() ? target.batch_.PlanFolder() : target.batch_.PlanCopy(e);
    }
    if (status == kOk) {
        status = target.batch_.Expand();
    }
    if (status == kOk && target.batch_.StartAdding() == kOk) {
        for (int index = 0; index < count; ++index) {
            if (CopyEntry(target, EntryIndex(index)) != kOk) {
                break;
            }
        }
    }
    return target.FinishBatch();
}

Status CCodeArchive::CopyEntry(CCodeArchive& target, EntryIndex index) {
    if (!moveMarks_.Marked(index.number())) {
        return kOk;
    }
    CatalogueEntry e{};
    if (Status s = catalogue_.ReadEntry(e, index); s != kOk) {
        target.batch_.Fail(s);
        return s;
    }
    const int parent = e.parent;
    if (parent != 0) {
        if (Status s = CopyEntry(target, EntryIndex::OfNumber(parent)); s != kOk) {
            return s;
        }
    }
    const std::string name = DecryptText(e.name);
    const std::string comment = DecryptText(e.comment);
    const int32_t recorded = parent > 0 ? moveMarks_.marks[static_cast<size_t>(parent)] : 0;
    const int targetParent = recorded >= 1 ? recorded : moveDestination_;
    int number = 0;
    const Status status =
        e.IsFolder() ? target.batch_.AddFolder(targetParent, name, comment, kTypeFolder, &number)
                     : target.batch_.AddCopiedFile(targetParent, archiveFile_, e, comment, name, &number);
    moveMarks_.marks[static_cast<size_t>(index.number())] = status == kOk ? number : 0;
    return status;
}

} // namespace quorvane
