// Emptying the recycle bin, and the defragmentation pass that gives its space back.
#include "CCodeArchive.h"
#include "Journal.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace quorvane {

Status CCodeArchive::EmptyRecycleBin(const std::vector<int>& selection) {
    if (Reentered()) {
        return kBusy;
    }
    if (archiveFile_.readOnly()) {
        return ReportError(kErrReadOnly);
    }
    const OperationScope scope(*this);
    SelectionMap marks = MarkSelection(selection, true);
    if (marks.count == 0) {
        return header_.defragmentPending ? Defragment() : Status{kOk};
    }
    {
        const HostCall call;
        if (!host_.Confirm(ConfirmEmptyRecycleBin())) {
            return kCancelled;
        }
    }
    if (Status s = WriteHeader(false); s != kOk) {
        return ReportError(s);
    }
    // From the renumbering to the end of the defragmentation the catalogue is in flux.
    const CatalogueChange change(*this);
    Status status = kOk;
    {
        WaitCursorGuard wait(host_);
        header_.defragmentPending = 1;
        const int count = header_.entryCount;
        // Renumber: kept entries take the next numbers in order; their marks hold the new numbers.
        int kept = 0;
        for (int number = 1; number <= count; ++number) {
            if (!marks.Marked(number)) {
                marks.marks[static_cast<size_t>(number)] = ++kept;
            }
        }
        // The compacted catalogue is written behind the old one, into space nothing refers to, and
        // one header write switches to it: the old catalogue becomes free space at the end of the
        // data area. A crash before that write leaves the archive as it was; after it, complete.
        const uint64_t oldCatalogue = uint64_t{kDataAreaOffset} + header_.dataSize;
        const uint64_t newCatalogue = oldCatalogue + header_.catalogueSize;
        std::vector<CatalogueEntry> compacted;
        compacted.reserve(static_cast<size_t>(kept));
        for (int index = 0; index < count && status == kOk; ++index) {
            if (marks.Marked(index + 1)) {
                continue;
            }
            CatalogueEntry e{};
            status = catalogue_.ReadEntry(e, EntryIndex(index));
            if (e.parent > 0) {
                e.parent = marks.marks[static_cast<size_t>(e.parent)];
            }
            compacted.push_back(e);
        }
        if (status == kOk) {
            status = SetArchiveLength(newCatalogue + uint64_t{kEntrySize} * static_cast<uint32_t>(kept));
        }
        if (status == kOk) {
            status = WriteAt(compacted.data(), newCatalogue, compacted.size() * kEntrySize);
        }
        if (status == kOk) {
            status = Flush();
        }
        ProtectedHeader next = header_;
        next.dataSize = static_cast<uint32_t>(header_.dataSize + header_.catalogueSize);
        next.entryCount = kept;
        next.catalogueSize = kEntrySize * static_cast<uint32_t>(kept);
        next.defragmentPending = 1;
        if (status == kOk) {
            status = WriteHeaderImage(next, true);
        }
        if (status == kOk) {
            header_ = next;
            header_.timeCopy.stamp2 = archiveFile_.diskHeader().timeCopy.stamp2;
            // The buffer still holds the old numbering: nothing may write it back.
            catalogue_.Invalidate();
        }
    }
    if (status != kOk) {
        // The header on disk still describes the old catalogue: reload it and say what happened.
        Reload(false);
        return ReportError(kErrCorrupt);
    }
    // The pass reloads the catalogue on every way out and shows its own failure.
    return Defragment();
}

Status CCodeArchive::Defragment() {
    if (Reentered()) {
        return kBusy;
    }
    if (!header_.defragmentPending) {
        return kOk;
    }
    if (archiveFile_.readOnly()) {
        return ReportError(kErrReadOnly);
    }
    const OperationScope scope(*this);
    // Pending catalogue changes reach the file first: the pass works on the file and reloads it, so
    // changes that cannot be written would be lost.
    if (Status s = FlushCatalogue(); s != kOk) {
        return ReportError(s);
    }
    // Blocks move and the catalogue is reloaded: in flux until the pass is over.
    std::optional<CatalogueChange> change(std::in_place, *this);
    const int count = header_.entryCount;
    progress_.Open(kProgressDefragment, 0, 0);
    progress_.Total(count);
    ProgressCounts counts{0, count, 0, 0};
    uint64_t next = kDataAreaOffset;
    uint64_t total = 0;
    Status failure = kOk;
    bool cancelled = false;
    const uint64_t catalogue = uint64_t{kDataAreaOffset} + header_.dataSize;
    auto entryOffset = [&](int index) {
        return catalogue + uint64_t{kEntrySize} * static_cast<uint32_t>(index);
    };
    // A moved block changes three offsets of its entry, 20 bytes at 72..91. Entries all share one
    // alignment to the disk's 512-byte sectors, so either every such write lies inside a sector (and
    // the disk writes it whole or not at all) or every one crosses a boundary and needs the journal.
    constexpr uint32_t kOffsetsAt = offsetof(CatalogueEntry, thumbOffset);
    constexpr uint32_t kOffsetsLength = offsetof(CatalogueEntry, blockLength) - kOffsetsAt;
    const bool entryWritesTear =
        (entryOffset(0) + kOffsetsAt) / 512 != (entryOffset(0) + kOffsetsAt + kOffsetsLength - 1) / 512;

    // Blocks are copied into free space in groups; then one sync, the group's entries, one sync.
    // A block whose new place overlaps a source still referenced by the group's entries waits for
    // the next group.
    struct Move {
        int index;
        CatalogueEntry entry;
    };
    std::vector<Move> group;
    uint64_t groupSources = UINT64_MAX; // lowest source offset in the group
    auto commitGroup = [&]() -> Status {
        if (group.empty()) {
            return kOk;
        }
        // Several entries change together through the journal: if only some of them reached the
        // disk, a moved block could lie before an unmoved one of a lower entry number.
        const bool journalled = entryWritesTear || group.size() > 1;
        RollbackJournal journal(fs_, path_);
        Status s = Flush();
        if (s == kOk && journalled) {
            bool ok = journal.Begin(*archiveFile_.file());
            for (const Move& m : group) {
                ok = ok &&
                     journal.Save(*archiveFile_.file(), entryOffset(m.index) + kOffsetsAt, kOffsetsLength);
            }
            s = ok && journal.Commit() ? Status{kOk} : Status{kErrFileAccess};
        }
        for (const Move& m : group) {
            if (s == kOk) {
                s = WriteAt(reinterpret_cast<const uint8_t*>(&m.entry) + kOffsetsAt,
                            entryOffset(m.index) + kOffsetsAt, kOffsetsLength);
            }
        }
        if (s == kOk) {
            s = Flush();
        }
        if (journalled && journal.Active()) {
            if (s != kOk || !journal.Discard()) {
                RollbackJournal::Recover(fs_, path_, *archiveFile_.file(), false);
                s = s != kOk ? s : Status{kErrFileAccess};
            }
        }
        group.clear();
        groupSources = UINT64_MAX;
        return s;
    };

    for (int index = 0; index < count; ++index) {
        progress_.Text("Defragmenting Archive", counts);
        CatalogueEntry e{};
        if (Status s = catalogue_.ReadEntry(e, EntryIndex(index)); s != kOk) {
            failure = s;
            break;
        }
        if (e.blockOffset != 0 && e.blockOffset != next) {
            const uint64_t from = e.blockOffset;
            const uint64_t length = e.blockLength;
            CatalogueEntry moved = e;
            moved.blockOffset = moved.dataOffset = static_cast<uint32_t>(next);
            moved.thumbOffset = moved.dataOffset + moved.dataLength;
            if (next + length > from) {
                // The block overlaps its own new place: the part the copy overwrites goes to the
                // journal with the entry, so a crash leaves the old block with its old entry.
                if (Status s = commitGroup(); s != kOk) {
                    failure = s;
                    break;
                }
                RollbackJournal journal(fs_, path_);
                const bool ok = journal.Begin(*archiveFile_.file()) &&
                                journal.Save(*archiveFile_.file(), entryOffset(index), kEntrySize) &&
                                journal.Save(*archiveFile_.file(), from, next + length - from) &&
                                journal.Commit();
                Status s = ok ? CopyRange(from, next, length) : Status{kErrFileAccess};
                if (s == kOk) {
                    s = Flush();
                }
                if (s == kOk) {
                    s = catalogue_.WriteEntry(moved, EntryIndex(index));
                }
                if (s == kOk) {
                    s = Flush();
                }
                if (s != kOk || !journal.Discard()) {
                    if (ok) {
                        RollbackJournal::Recover(fs_, path_, *archiveFile_.file(), false);
                    } else {
                        journal.Discard();
                    }
                    failure = s != kOk ? s : Status{kErrFileAccess};
                    break;
                }
            } else {
                if (next + length > groupSources) {
                    if (Status s = commitGroup(); s != kOk) {
                        failure = s;
                        break;
                    }
                }
                if (Status s = CopyRange(from, next, length); s != kOk) {
                    failure = s;
                    break;
                }
                group.push_back({index, moved});
                groupSources = std::min(groupSources, from);
            }
        }
        next += e.blockLength;
        total += e.blockLength;
        ++counts.done;
        if (progress_.PollCancel()) {
            cancelled = true;
            break;
        }
    }
    if (failure == kOk) {
        failure = commitGroup();
    }
    if (failure == kOk && !cancelled) {
        progress_.Text("Resizing archive, please wait.", counts);
        ProtectedHeader compact = header_;
        compact.dataSize = static_cast<uint32_t>(total);
        compact.defragmentPending = 0;
        bool sourceIntact = true;
        if (RelocateCatalogue(catalogue, kDataAreaOffset + total, header_.catalogueSize, compact,
                              &sourceIntact) != kOk) {
            failure = kErrCorrupt;
        } else {
            header_.dataSize = compact.dataSize;
            header_.defragmentPending = 0;
            header_.timeCopy.stamp2 = archiveFile_.diskHeader().timeCopy.stamp2;
            progress_.Text("Resizing archive, please wait.", counts);
            if (SetArchiveLength(0) != kOk) {
                failure = kErrCorrupt;
            }
        }
    }
    // The catalogue is reloaded on every way out: moved entries have new offsets in the file.
    catalogue_.Invalidate();
    const Status reloaded = Reload(false);
    if (failure == kOk) {
        failure = reloaded;
    }
    progress_.Close();
    change.reset();
    if (failure != kOk) {
        return ReportError(failure);
    }
    if (cancelled) {
        ShowAlert(AlertDefragmentCancelled());
        return kCancelled;
    }
    return kOk;
}

} // namespace quorvane
