#pragma once
// The verbs of kvq. Each returns the process exit status:
// 0 success, 1 the operation failed, 2 usage error or no password, 3 wrong password or not an
// archive of this kind (a folder included), 4 not found (an item, ambiguous item names, the archive,
// or the folder to create it in), 5 archive locked or in use, 6 made by a newer version,
// 7 a change refused because the archive can only be read, 130 interrupted.
#include "Args.h"

namespace quorvane::cli {

enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,
    kExitUsage = 2,
    kExitPassword = 3,
    kExitNotFound = 4,
    kExitLocked = 5,
    kExitNewer = 6,
    kExitReadOnly = 7,
    kExitInterrupted = 130,
};

int RunVerb(const Arguments& arguments);

} // namespace quorvane::cli
