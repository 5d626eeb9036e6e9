#pragma once
// Export: decrypted copies of an archive's files written into a folder of the disk, with the
// folders of the selection below it. Nothing is ever overwritten, nothing below the chosen folder
// is reached through a link, and a file that could not be written whole is removed again.
#include "ArchiveFile.h"
#include "Catalogue.h"
#include "ChunkCursor.h"
#include "EntryIndex.h"
#include "ErrorCodes.h"
#include "FileLayer.h"
#include "Progress.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

class Exporter {
public:
    Exporter(Catalogue& catalogue, ArchiveFile& file, IFileSystem& fs, Progress& progress);

    // Writes the marked files (and with `withFolders` every marked folder) below `root`, which ends
    // in '/', in entry order, through the open progress window. 0, 9004 when cancelled, else the
    // failure's code with `subject` naming the file or folder it is about.
    Status Run(const std::string& root, const SelectionMap& marks, std::vector<std::string>* written,
               bool withFolders, std::string& subject);
    // One file: with `makeName`, `folder` is the export root and a free name is chosen there; else
    // `folder` is the complete destination path. `writtenPath` names the file written, or the file
    // or folder a failure is about.
    Status ExportFile(EntryIndex index, const std::string& folder, bool makeName, std::string* writtenPath,
                      const SelectionMap* marks);
    // Decrypts a file's chunks into `sink` piece by piece; false from it stops with 9005.
    Status ReadFileData(EntryIndex index, const std::function<bool(const uint8_t*, size_t)>& sink);

private:
    std::string NameOf(EntryIndex index);
    // The folders below the export root that hold an entry's file: the names of its marked
    // ancestors up to the first that is not marked or is the recycle bin, each followed by '/'.
    std::string RelativeFolder(EntryIndex index, const SelectionMap& marks);

    // Decrypts a whole chunk in place (on any thread).
    ChunkStep DecryptStep();
    // Reads one stored chunk of the file whose data begins at `dataOffset`.
    Status LoadChunk(uint64_t dataOffset, const ChunkPiece& piece, ChunkBuffers& buffers);

    Catalogue& catalogue_;
    ArchiveFile& file_;
    IFileSystem& fs_;
    Progress& progress_;
    // During Run, with several threads: the files to write in order, the place of the one being
    // written, and the relay that reads the next ones' first chunks ahead.
    ChunkRelay* relay_ = nullptr;
    std::vector<EntryIndex> runFiles_;
    size_t runPosition_ = 0;
};

} // namespace quorvane
