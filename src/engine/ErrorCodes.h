#pragma once
// Engine status codes: 0 success, 9004 cancelled by the user (or nothing changed at the user's
// wish), kBusy refused without a word, else a message number that has been shown.
#include <cstdint>

namespace quorvane {

using Status = uint16_t;

enum : Status {
    kOk = 0,
    kPendingGeneral = 1, // an import source that could not be opened or examined; shown as 9029
    // Called back from inside a running operation on the archive (or while its catalogue is in
    // flux): refused, nothing touched, nothing shown. The caller tries again when it has finished.
    kBusy = 2,
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
    kErrStartupDiskCreate = 9026,
    kErrStartupDiskAdd = 9027,
    kErrGeneral = 9029,
    kErrNewerRevision = 9030,
    kErrNewerVersion = 9031,
    kErrSourceLocked = 9032,
};

// The text of message `code`; an unknown code gives the general message's text.
const char* MessageText(Status code);

} // namespace quorvane
