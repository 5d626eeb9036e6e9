#pragma once
// The structural rules every archive keeps. Open refuses a file that breaks one of them (9020);
// `kvq check` lists every finding.
#include "Format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

struct Finding {
    bool error = true; // false: a warning (something recomputed on load)
    std::string text;
};

// Checks the catalogue against the header and the file length. With `firstErrorOnly` it stops at
// the first error (what Open needs); warnings are only produced when it does not.
std::vector<Finding> CheckStructure(const ProtectedHeader& header, const std::vector<CatalogueEntry>& entries,
                                    uint64_t fileLength, bool firstErrorOnly);

} // namespace quorvane
