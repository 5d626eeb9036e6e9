#include "UndoRecord.h"

namespace quorvane {

void UndoRecord::Set(int newKind, int newArchive, int newFolder, bool treeActive,
                     const ParentLookup& parentOf, const SelectionGather& gather) {
    items.clear();
    archive = newArchive;
    folder = newFolder;
    kind = newKind;
    if (treeActive && folder > 0) {
        folder = parentOf ? parentOf(folder) : 0;
    }
    if (kind != kNone && gather) {
        items = gather(static_cast<SelectionPurpose>(kind));
    }
}

void UndoRecord::Clear() {
    items.clear();
    archive = 0;
    folder = 0;
    kind = kNone;
}

} // namespace quorvane
