#include "Defragmenter.h"

#include "RollbackJournal.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace quorvane {

Defragmenter::Defragmenter(ArchiveFile& file, ProtectedHeader& header, Catalogue& catalogue, IFileSystem& fs,
                           const std::string& archivePath, Progress& progress)
    : file_(file)
    , header_(header)
    , catalogue_(catalogue)
    , fs_(fs)
    , archivePath_(archivePath)
    , progress_(progress) {}

Status Defragmenter::RemoveMarked(SelectionMap& marks) {
    Status status = kOk;
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
    for (EntryIndex index(0); index.value < count && status == kOk; ++index.value) {
        if (marks.Marked(index.number())) {
            continue;
        }
        CatalogueEntry e{};
        status = catalogue_.ReadEntry(e, index);
        if (e.parent > 0) {
            e.parent = marks.marks[static_cast<size_t>(e.parent)];
        }
        compacted.push_back(e);
    }
    if (status == kOk) {
        status = file_.SetLength(newCatalogue + uint64_t{kEntrySize} * static_cast<uint32_t>(kept));
    }
    if (status == kOk) {
        status = file_.WriteAt(compacted.data(), newCatalogue, compacted.size() * kEntrySize);
    }
    if (status == kOk) {
        status = file_.Flush();
    }
    ProtectedHeader next = header_;
    next.dataSize = static_cast<uint32_t>(header_.dataSize + header_.catalogueSize);
    next.entryCount = kept;
    next.catalogueSize = kEntrySize * static_cast<uint32_t>(kept);
    next.defragmentPending = 1;
    if (status == kOk) {
        status = WriteHeaderImageOf(file_, header_, next, true);
    }
    if (status == kOk) {
        header_ = next;
        header_.timeCopy.stamp2 = file_.diskHeader().timeCopy.stamp2;
        // The buffer still holds the old numbering: nothing may write it back.
        catalogue_.Invalidate();
    }
    return status;
}

Status Defragmenter::Compact(bool* cancelled) {
    *cancelled = false;
    const int count = header_.entryCount;
    ProgressCounts counts{0, count, 0, 0};
    uint64_t next = kDataAreaOffset;
    uint64_t total = 0;
    Status failure = kOk;
    const uint64_t catalogue = uint64_t{kDataAreaOffset} + header_.dataSize;
    auto entryOffset = [&](EntryIndex index) {
        return catalogue + uint64_t{kEntrySize} * static_cast<uint32_t>(index.value);
    };
    // A moved block changes three offsets of its entry, 20 bytes at 72..91. Entries all share one
    // alignment to the disk's 512-byte sectors, so either every such write lies inside a sector (and
    // the disk writes it whole or not at all) or every one crosses a boundary and needs the journal.
    constexpr uint32_t kOffsetsAt = offsetof(CatalogueEntry, thumbOffset);
    constexpr uint32_t kOffsetsLength = offsetof(CatalogueEntry, blockLength) - kOffsetsAt;
    const bool entryWritesTear = (entryOffset(EntryIndex(0)) + kOffsetsAt) / 512 !=
                                 (entryOffset(EntryIndex(0)) + kOffsetsAt + kOffsetsLength - 1) / 512;

    // Blocks are copied into free space in groups; then one sync, the group's entries, one sync.
    // A block whose new place overlaps a source still referenced by the group's entries waits for
    // the next group.
    struct Move {
        EntryIndex index;
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
        RollbackJournal journal(fs_, archivePath_);
        Status s = file_.Flush();
        if (s == kOk && journalled) {
            bool ok = journal.Begin(*file_.file());
            for (const Move& m : group) {
                ok = ok && journal.Save(*file_.file(), entryOffset(m.index) + kOffsetsAt, kOffsetsLength);
            }
            s = ok && journal.Commit() ? Status{kOk} : Status{kErrFileAccess};
        }
        for (const Move& m : group) {
            if (s == kOk) {
                s = file_.WriteAt(reinterpret_cast<const uint8_t*>(&m.entry) + kOffsetsAt,
                                  entryOffset(m.index) + kOffsetsAt, kOffsetsLength);
            }
        }
        if (s == kOk) {
            s = file_.Flush();
        }
        if (journalled && journal.Active()) {
            if (s != kOk || !journal.Discard()) {
                RollbackJournal::Recover(fs_, archivePath_, *file_.file(), false);
                s = s != kOk ? s : Status{kErrFileAccess};
            }
        }
        group.clear();
        groupSources = UINT64_MAX;
        return s;
    };

    for (EntryIndex index(0); index.value < count; ++index.value) {
        progress_.Text("Defragmenting Archive", counts);
        CatalogueEntry e{};
        if (Status s = catalogue_.ReadEntry(e, index); s != kOk) {
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
                RollbackJournal journal(fs_, archivePath_);
                const bool ok = journal.Begin(*file_.file()) &&
                                journal.Save(*file_.file(), entryOffset(index), kEntrySize) &&
                                journal.Save(*file_.file(), from, next + length - from) && journal.Commit();
                Status s = ok ? file_.CopyRange(from, next, length) : Status{kErrFileAccess};
                if (s == kOk) {
                    s = file_.Flush();
                }
                if (s == kOk) {
                    s = catalogue_.WriteEntry(moved, index);
                }
                if (s == kOk) {
                    s = file_.Flush();
                }
                if (s != kOk || !journal.Discard()) {
                    if (ok) {
                        RollbackJournal::Recover(fs_, archivePath_, *file_.file(), false);
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
                if (Status s = file_.CopyRange(from, next, length); s != kOk) {
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
            *cancelled = true;
            break;
        }
    }
    if (failure == kOk) {
        failure = commitGroup();
    }
    if (failure == kOk && !*cancelled) {
        progress_.Text("Resizing archive, please wait.", counts);
        ProtectedHeader compact = header_;
        compact.dataSize = static_cast<uint32_t>(total);
        compact.defragmentPending = 0;
        bool sourceIntact = true;
        if (RelocateCatalogueOf(file_, header_, catalogue, kDataAreaOffset + total, header_.catalogueSize,
                                compact, &sourceIntact) != kOk) {
            failure = kErrCorrupt;
        } else {
            header_.dataSize = compact.dataSize;
            header_.defragmentPending = 0;
            header_.timeCopy.stamp2 = file_.diskHeader().timeCopy.stamp2;
            progress_.Text("Resizing archive, please wait.", counts);
            if (file_.SetLength(uint64_t{kDataAreaOffset} + header_.dataSize + header_.catalogueSize) !=
                kOk) {
                failure = kErrCorrupt;
            }
        }
    }
    return failure;
}

} // namespace quorvane
