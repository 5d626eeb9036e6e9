#include "PictureMemory.h"

#include "CImageHolder.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace quorvane {

bool KeepPictureMemoryForReuse() {
#if defined(__GLIBC__)
    constexpr int kLargestPicture = static_cast<int>(CImageHolder::kMaxImageBytes);
    // Setting the threshold also stops glibc from moving it by itself (up to 32 MB at most).
    const bool inHeap = mallopt(M_MMAP_THRESHOLD, kLargestPicture) == 1;
    // Free memory at the heap's top is handed back only beyond one largest picture.
    const bool kept = mallopt(M_TRIM_THRESHOLD, kLargestPicture) == 1;
    return inHeap && kept;
#else
    return false;
#endif
}

} // namespace quorvane
