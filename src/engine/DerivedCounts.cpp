#include "DerivedCounts.h"

namespace quorvane {

DerivedCounts CountDerived(const std::vector<CatalogueEntry>& entries) {
    const size_t n = entries.size();
    DerivedCounts d;
    d.itemCount.assign(n, 0);
    d.fileCount.assign(n, 0);
    d.size.assign(n, 0);
    d.inBin.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const CatalogueEntry& e = entries[i];
        bool inBin = i == 0;
        if (e.IsFolder()) {
            ++d.folders;
        } else {
            ++d.files;
            if (e.parent > 0) {
                ++d.fileCount[static_cast<size_t>(e.parent - 1)];
            } else if (e.parent == 0) {
                ++d.topLevelFiles;
            }
        }
        size_t steps = 0;
        for (int32_t a = e.parent; a > 0 && steps <= n;
             a = entries[static_cast<size_t>(a - 1)].parent, ++steps) {
            ++d.itemCount[static_cast<size_t>(a - 1)];
            if (!e.IsFolder()) {
                d.size[static_cast<size_t>(a - 1)] += e.size;
            }
            inBin = inBin || a == 1;
        }
        d.inBin[i] = inBin ? 1 : 0;
    }
    return d;
}

} // namespace quorvane
