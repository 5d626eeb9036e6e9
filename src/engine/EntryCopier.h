#pragma once
// A copy of marked entries from one archive into a batch of another (or of the same) archive:
// every marked entry is planned, then added with each folder before what lies in it, so that the
// copies keep their tree below the destination folder. Files travel chunk by chunk, decrypted with
// the source's key and encrypted with the target's.
#include "ArchiveFile.h"
#include "BatchWriter.h"
#include "Catalogue.h"
#include "EntryIndex.h"
#include "ErrorCodes.h"

#include <cstdint>

namespace quorvane {

class EntryCopier {
public:
    // `count` is the source's number of entries; `destination` the target's folder number (0 =
    // top level).
    EntryCopier(Catalogue& source, ArchiveFile& sourceFile, BatchWriter& target, const SelectionMap& marks,
                int destination, int32_t count);

    // Plans every marked entry in the target's batch; a source entry that cannot be read fails it.
    Status Plan();
    // Adds the marked entries in entry order, each after its marked folders; stops at the first
    // failure, which the batch holds.
    void Add();

private:
    Status CopyEntry(EntryIndex index);

    Catalogue& source_;
    ArchiveFile& sourceFile_;
    BatchWriter& target_;
    // The marks, and for each entry copied the number of its copy.
    SelectionMap marks_;
    int destination_;
    int32_t count_;
};

} // namespace quorvane
