#pragma once
// Read-only recovery from an archive that Open refuses (a catalogue cut short, a broken entry):
// every file entry whose name decrypts and whose stored chunks lie inside the file is written out
// under `folder`, in its folder tree where that can be rebuilt: each folder and file is placed
// once, a loop of parents is cut (its folder goes to the top), and a folder too deep for a path
// starts again at the top under its entry number. The archive is opened read-only and
// never written; a rollback journal beside it is ignored (salvage sees the file as it is).
//
// Names become safe for the disk: no "/", no NUL, never "." or "..", and an existing file is never
// replaced ("Copy of " names as export chooses them).
#include "ArchiveHost.h"
#include "ErrorCodes.h"
#include "FileLayer.h"

#include <string>
#include <vector>

namespace quorvane {

struct SalvagedFile {
    int number = 0;   // entry number in the damaged archive
    std::string path; // where it was written
    uint64_t size = 0;
};

struct SalvageLoss {
    int number = 0; // entry number; entries lost to a cut catalogue are one loss per entry
    std::string reason;
};

struct SalvageReport {
    int declaredEntries = 0; // what the header says
    int readableEntries = 0; // entries present in the file
    // The password asked for failed the header check: worth asking again (9000 is shown for a file
    // that is no archive of this kind, too).
    bool wrongPassword = false;
    std::vector<SalvagedFile> recovered;
    std::vector<SalvageLoss> lost;
};

// Status 0 when the salvage ran (see `report` for what was lost), 9004 when cancelled through the
// host, else the code of the reason nothing could be read (shown through the host): 9010 the file
// cannot be opened, 9000 not an archive of this kind or a wrong password, 9030/9031 a newer
// format, 9011 a read failure of the headers, 9020 a file cut short inside its headers or a
// header whose counts make no sense.
Status SalvageArchive(IFileSystem& fs, ArchiveHost& host, const std::string& path, const std::string& folder,
                      SalvageReport& report);

} // namespace quorvane
