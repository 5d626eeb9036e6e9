#include "ClipboardRecord.h"

namespace quorvane {

void ClipboardRecord::Set(int newKind, int newArchive, int newFolder, const SelectionGather& gather) {
    items.clear();
    archive = newArchive;
    folder = newFolder;
    kind = newKind;
    if (kind != kNone && gather) {
        items = gather(static_cast<SelectionPurpose>(kind));
    }
}

void ClipboardRecord::Clear() {
    items.clear();
    archive = 0;
    folder = 0;
    kind = kNone;
}

} // namespace quorvane
