#pragma once
// One item of the contents list: the catalogue fields the list sorts and steps by, and its name,
// decrypted once when the list is filled (never again for a comparison).
#include "Format.h"

#include <QString>

#include <cstdint>

namespace quorvane {

struct ContentsRow {
    int number = 0; // entry number
    uint8_t container = 0;
    uint8_t typeCode = 0;
    uint32_t size = 0;
    int32_t width = -1; // -1 unknown
    int32_t height = -1;
    uint64_t added = 0;
    uint64_t modified = 0;
    uint64_t created = 0;
    uint32_t nameKey1 = 0;
    uint32_t nameKey2 = 0;
    uint32_t commentKey1 = 0;
    uint32_t commentKey2 = 0;
    uint32_t extensionKey = 0;
    QString name;

    static ContentsRow From(const CatalogueEntry& entry, int number, QString name);

    // A file the preview can show: not a container, of an image type, and with stored bytes.
    bool Showable() const { return container == 0 && typeCode != 0 && typeCode != 128 && size != 0; }
};

} // namespace quorvane
