#pragma once
// Moving files into an archive: after an import, each source file is removed only once its stored
// copy has been read back out of the archive and found identical, byte for byte. Anything else — a
// difference, a source that changed or vanished, a read or removal error — keeps the original, and
// the outcome says why.
//
// Two steps, so that a caller can make the archive durable in between (kvq closes and saves it):
// VerifyOriginals reads back while the archive is open; RemoveOriginals removes what was verified,
// provided each path still names the very file that was compared, unchanged since.
#include "CCodeArchive.h"

#include <ctime>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quorvane {

struct OriginalCheck {
    std::string path;
    bool folder = false;
    bool verified = false; // files: the stored copy equals the source; folders: always false
    std::string problem;   // why a file was not verified
    // The file as compared, so that a later change or replacement keeps it.
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
};

struct OriginalOutcome {
    std::string path;
    bool folder = false;
    bool removed = false;
    std::string problem; // why it was kept (empty when removed)
};

// Called with each imported item just before its read-back (a test's way to change a source).
using BeforeVerify = std::function<void(const ImportedItem&)>;

// Reads back every imported file of `added` (the list ImportPaths filled) through the archive and
// compares it with its source. Folders are listed for RemoveOriginals and not compared.
std::vector<OriginalCheck> VerifyOriginals(CCodeArchive& archive, const std::vector<ImportedItem>& added,
                                           const BeforeVerify& beforeVerify = {});

// Removes each verified file whose path still names the same, unchanged file; then every folder of
// the import that is empty by then, deepest first. A folder still holding something is kept.
std::vector<OriginalOutcome> RemoveOriginals(const std::vector<OriginalCheck>& checks);

// Both steps at once, for an archive that stays open (the import already made it durable).
std::vector<OriginalOutcome> MoveOriginals(CCodeArchive& archive, const std::vector<ImportedItem>& added,
                                           const BeforeVerify& beforeVerify = {});

} // namespace quorvane
