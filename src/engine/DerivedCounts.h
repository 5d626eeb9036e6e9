#pragma once
// The fields of a catalogue that follow from its parent links alone: per entry the items and files
// below it, the bytes of the files below it and whether it lies in the recycle bin; in all, the
// folders and files. Loading recounts them (a torn write of them loses nothing), and the check
// compares what the file holds with them.
#include "Format.h"

#include <cstdint>
#include <vector>

namespace quorvane {

struct DerivedCounts {
    std::vector<int32_t> itemCount; // entries below, at any depth
    std::vector<int32_t> fileCount; // files directly inside
    std::vector<uint32_t> size;     // bytes of the files below, at any depth
    std::vector<uint8_t> inBin;     // the recycle bin itself, and everything below it
    int32_t folders = 0;
    int32_t files = 0;
    int32_t topLevelFiles = 0;
};

// Parents must be in range and free of loops (see CheckStructure); the walk up is bounded anyway.
DerivedCounts CountDerived(const std::vector<CatalogueEntry>& entries);

} // namespace quorvane
