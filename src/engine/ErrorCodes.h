#pragma once
// Engine status codes: 0 success, 9004 cancelled by the user (or nothing changed at the user's
// wish), kBusy refused without a word, else a message number that has been shown. 9000 to 9032
// are the program's own table; the codes from 9033 on say more exactly what went wrong where the
// table has only "locked, in use, or can not be accessed" or a disk-space message for it.
#include <cstdint>
#include <string>

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
    kErrUnreadableFolder = 9021, // a folder to import cannot be listed; shown with its path
    kErrStartupDiskCreate = 9026,
    kErrStartupDiskAdd = 9027,
    kErrGeneral = 9029,
    kErrNewerRevision = 9030,
    kErrNewerVersion = 9031,
    kErrSourceLocked = 9032,
    kErrArchiveMissing = 9033,   // open: there is no file of that name
    kErrArchiveIsFolder = 9034,  // open or create: the path is a folder
    kErrFolderMissing = 9035,    // create: the folder to put the archive in does not exist
    kErrNameTooLong = 9036,      // open or create: the path is longer than the file system allows
    kErrJournalMismatch = 9037,  // open: the journal beside the archive is not for it as it is now
    kErrJournalFailed = 9038,    // open: the journal could not be written back
    kErrReadOnly = 9039,         // a change asked of an archive opened read-only
    kWarnJournalReadOnly = 9040, // open: a journal lies beside an archive that is opened read-only
    kErrFolderReadOnly = 9041,   // create or export: the folder (or the file in its place) cannot be written
    kErrTempFolder = 9042,       // the startup-disk check found no temp folder it could write to
    kErrFolderInTheWay = 9043,   // export: a file or a link stands where a folder is to be made
    kLastMessage = kErrFolderInTheWay,
};

enum class OpenResult;
// The code of an archive that could not be opened (or, with `creating`, created) for `result`.
Status OpenFailureCode(OpenResult result, bool creating);

// The message shown for a failure `code`: the code itself when the table holds it, else 9029.
inline Status ShownCode(Status code) {
    return code >= 9000 && code <= kLastMessage ? code : Status{kErrGeneral};
}
// The text of message `code`; an unknown code gives the general message's text.
const char* MessageText(Status code);
// The same, naming the file or folder it is about (nothing is added for an empty `subject`).
std::string MessageText(Status code, const std::string& subject);

} // namespace quorvane
