#include "ContentsRow.h"

#include <utility>

namespace quorvane {

ContentsRow ContentsRow::From(const CatalogueEntry& entry, int number, QString name) {
    ContentsRow row;
    row.number = number;
    row.container = entry.container;
    row.typeCode = entry.typeCode;
    row.size = entry.size;
    row.width = entry.width;
    row.height = entry.height;
    row.added = entry.added;
    row.modified = entry.modified;
    row.created = entry.created;
    row.nameKey1 = entry.nameKey1;
    row.nameKey2 = entry.nameKey2;
    row.commentKey1 = entry.commentKey1;
    row.commentKey2 = entry.commentKey2;
    row.extensionKey = entry.extensionKey;
    row.name = std::move(name);
    return row;
}

} // namespace quorvane
