#include "ProcessGuard.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace quorvane {

bool ForbidCoreDumps() {
    const bool notDumpable = prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    const rlimit none{0, 0};
    const bool noCore = setrlimit(RLIMIT_CORE, &none) == 0;
    return notDumpable && noCore;
}

} // namespace quorvane
