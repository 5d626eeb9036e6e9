#include "Validate.h"

#include <string>

namespace quorvane {
namespace {

bool IsFileType(uint8_t type) {
    return type == kTypeArchive || (type >= kTypeOther && type <= kTypeTiff);
}

} // namespace

std::vector<Finding> CheckStructure(const ProtectedHeader& header, const std::vector<CatalogueEntry>& entries,
                                    uint64_t fileLength, bool firstErrorOnly) {
    std::vector<Finding> findings;
    auto error = [&](const std::string& text) {
        findings.push_back({true, text});
        return firstErrorOnly;
    };
    auto warning = [&](const std::string& text) {
        if (!firstErrorOnly) {
            findings.push_back({false, text});
        }
    };

    const int32_t count = header.entryCount;
    if (count < 1 || count > kMaxEntries) {
        error("entry count " + std::to_string(count) + " is outside 1..5120");
        return findings;
    }
    if (header.catalogueSize != uint64_t{kEntrySize} * static_cast<uint32_t>(count)) {
        error("catalogue size " + std::to_string(header.catalogueSize) + " is not 512 x " +
              std::to_string(count));
        return findings;
    }
    const uint64_t dataEnd = uint64_t{kDataAreaOffset} + header.dataSize;
    if (dataEnd + header.catalogueSize > fileLength) {
        error("the file is " + std::to_string(fileLength) + " bytes, shorter than its catalogue's end " +
              std::to_string(dataEnd + header.catalogueSize));
        return findings;
    }
    if (entries.size() != static_cast<size_t>(count)) {
        error("the catalogue holds " + std::to_string(entries.size()) + " entries, not " +
              std::to_string(count));
        return findings;
    }
    if (dataEnd + header.catalogueSize < fileLength) {
        warning("the file has " + std::to_string(fileLength - dataEnd - header.catalogueSize) +
                " bytes behind its catalogue");
    }

    const CatalogueEntry& bin = entries[0];
    if (bin.container != 1 || bin.typeCode != kTypeRecycleBin || bin.parent != 0) {
        if (error("entry #1 is not the recycle bin")) {
            return findings;
        }
    }
    const uint32_t thumbStored = ThumbStoredLength(header.thumbnailFormat);
    uint64_t previousEnd = kDataAreaOffset;
    int32_t previousBlock = 0;
    for (int32_t i = 0; i < count; ++i) {
        const CatalogueEntry& e = entries[static_cast<size_t>(i)];
        const std::string at = "entry #" + std::to_string(i + 1) + ": ";
        if (e.container > 1) {
            if (error(at + "container flag " + std::to_string(e.container))) {
                return findings;
            }
            continue;
        }
        if (e.parent < 0 || e.parent > count || e.parent == i + 1) {
            if (error(at + "parent #" + std::to_string(e.parent) + " does not exist")) {
                return findings;
            }
            continue;
        }
        if (e.parent != 0 && entries[static_cast<size_t>(e.parent - 1)].container != 1) {
            if (error(at + "parent #" + std::to_string(e.parent) + " is not a folder")) {
                return findings;
            }
            continue;
        }
        if (e.container == 1) {
            if (e.typeCode != kTypeFolder && !(i == 0 && e.typeCode == kTypeRecycleBin)) {
                if (error(at + "folder with type code " + std::to_string(e.typeCode))) {
                    return findings;
                }
            }
            if (e.blockOffset || e.blockLength || e.dataOffset || e.dataLength || e.thumbOffset ||
                e.thumbLength) {
                if (error(at + "folder with a storage block")) {
                    return findings;
                }
            }
            continue;
        }
        if (!IsFileType(e.typeCode)) {
            warning(at + "unknown type code " + std::to_string(e.typeCode));
        }
        const uint64_t blockEnd = uint64_t{e.blockOffset} + e.blockLength;
        std::string problem;
        if (e.dataLength != StoredLength(e.size)) {
            problem = "stored length " + std::to_string(e.dataLength) + " does not fit size " +
                      std::to_string(e.size);
        } else if (e.thumbLength != 0 && e.thumbLength != thumbStored) {
            problem =
                "thumbnail length " + std::to_string(e.thumbLength) + " does not match the archive's format";
        } else if ((e.hasThumbnail != 0) != (e.thumbLength != 0)) {
            problem = "thumbnail flag and length disagree";
        } else if (e.dataOffset != e.blockOffset || e.thumbOffset != uint64_t{e.dataOffset} + e.dataLength ||
                   uint64_t{e.blockLength} != uint64_t{e.dataLength} + e.thumbLength) {
            problem = "block, data and thumbnail offsets disagree";
        } else if (e.blockOffset < kDataAreaOffset || blockEnd > dataEnd) {
            problem = "block " + std::to_string(e.blockOffset) + "+" + std::to_string(e.blockLength) +
                      " lies outside the data area";
        } else if (e.blockOffset < previousEnd) {
            problem = "block " + std::to_string(e.blockOffset) +
                      " overlaps or precedes the block of entry #" + std::to_string(previousBlock);
        }
        if (!problem.empty()) {
            if (error(at + problem)) {
                return findings;
            }
            continue;
        }
        previousEnd = blockEnd;
        previousBlock = i + 1;
    }

    // Every chain of parents must end at the top level. Colouring keeps this linear.
    std::vector<uint8_t> state(static_cast<size_t>(count) + 1,
                               0); // 0 unknown, 1 on the path, 2 reaches the top
    state[0] = 2;
    std::vector<int32_t> path;
    for (int32_t n = 1; n <= count; ++n) {
        path.clear();
        int32_t a = n;
        while (a >= 0 && a <= count && state[static_cast<size_t>(a)] == 0) {
            state[static_cast<size_t>(a)] = 1;
            path.push_back(a);
            const int32_t p = entries[static_cast<size_t>(a - 1)].parent;
            a = (p < 0 || p > count) ? -1 : p;
        }
        const bool reachesTop = a >= 0 && a <= count && state[static_cast<size_t>(a)] == 2;
        for (int32_t v : path) {
            state[static_cast<size_t>(v)] = reachesTop ? 2 : 3;
        }
        if (!reachesTop && !path.empty()) {
            if (error("entry #" + std::to_string(n) + ": its chain of parents loops")) {
                return findings;
            }
        }
    }
    return findings;
}

} // namespace quorvane
