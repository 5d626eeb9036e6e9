#pragma once
// Engine status codes: 0 success, 9004 cancelled by the user, else a message number.
#include <cstdint>
#include <string>

namespace quorvane {

using Status = uint16_t;

enum : Status {
    kOk = 0,
    kPendingGeneral = 1, // an import source that could not be opened or examined; shown as 9029
    kErrPassword = 9000,
    kErrDiskSpace = 9002,
    kCancelled = 9004,
    kErrFileAccess = 9005,
    kErrExportSpace = 9006,
    kErrConfirmPassword = 9008,
    kErrArchiveLocked = 9010,
    kErrArchiveRead = 9011,
    kErrArchiveClose = 9012,
    kErrArchiveFlush = 9013,
    kErrArchiveMove = 9014,
    kErrBatchWrite = 9015,
    kErrTooManyArchives = 9016,
    kErrTooManyEntries = 9017,
    kErrTooLarge = 9018,
    kErrMoveIntoItself = 9019,
    kErrCorrupt = 9020,
    kErrUnreadableFolder = 9021, // a folder to import cannot be listed; shown with its path
    kErrStartupDiskCreate = 9026,
    kErrStartupDiskAdd = 9027,
    kErrGeneral = 9029,
    kErrNewerRevision = 9030,
    kErrNewerVersion = 9031,
    kErrSourceLocked = 9032,
};

// The text of message `code`; an unknown code gives the general message's text.
const char* MessageText(Status code);
// The same, naming the file or folder it is about (nothing is added for an empty `subject`).
std::string MessageText(Status code, const std::string& subject);

} // namespace quorvane
