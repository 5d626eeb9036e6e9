#pragma once
// Emptying the recycle bin and the defragmentation pass that gives the freed space back. Both work
// on the file under the protected header in memory and leave the catalogue in memory invalid: the
// owner reloads it afterwards, whatever happened.
#include "ArchiveFile.h"
#include "Catalogue.h"
#include "ErrorCodes.h"
#include "FileLayer.h"
#include "Format.h"
#include "Progress.h"

#include <string>

namespace quorvane {

class Defragmenter {
public:
    Defragmenter(ArchiveFile& file, ProtectedHeader& header, Catalogue& catalogue, IFileSystem& fs,
                 const std::string& archivePath, Progress& progress);

    // Renumbers the catalogue without the marked entries and switches the header to it in one
    // write; the marks of kept entries receive their new numbers. The space left behind is marked
    // for defragmentation. On failure the header on disk still describes the old catalogue.
    Status RemoveMarked(SelectionMap& marks);
    // Moves every block down over the free space, in entry order, through the open progress window,
    // then moves the catalogue behind the last block and cuts the file. `cancelled` is set when the
    // user stopped it between two blocks (the archive is then whole, with free space left).
    Status Compact(bool* cancelled);

private:
    ArchiveFile& file_;
    ProtectedHeader& header_;
    Catalogue& catalogue_;
    IFileSystem& fs_;
    const std::string& archivePath_;
    Progress& progress_;
};

} // namespace quorvane
