#include "ErrorCodes.h"

#include "FileLayer.h"

#include <string>

namespace quorvane {

const char* MessageText(Status code) {
    static const char* const kPassword =
        "The password you entered is incorrect. Make sure your password is correct, then type your password "
        "again. Letters in passwords must be typed in the correct case. Make sure the Caps Lock in not "
        "accidentally on.";
    static const char* const kNewer = "This archive was created with a newer version of Quorvane and cannot "
                                      "be opened. Please upgrade Quorvane.";
    switch (code) {
    case kErrPassword:
    case kErrConfirmPassword:
        return kPassword;
    case kErrDiskSpace:
        return "There is insufficient disk space to add the selected files to this archive.";
    case kCancelled:
        return "Database Error: Cancel";
    case kErrFileAccess:
        return "A file could not be accessed.";
    case kErrExportSpace:
        return "There is insufficient disk space to export these files.";
    case kErrArchiveLocked:
        return "The archive is locked, in use, or can not be accessed.";
    case kErrArchiveRead:
    case kErrArchiveFlush:
    case kErrArchiveMove:
    case kErrBatchWrite:
        return "The archive could not be accessed.";
    case 9001:
        return "There was not enough memory available to process this command. ";
    case 9003:
        return "There was not enough storage available to process this command. This archive will be closed. "
               "Please close some archives and try again.";
    case 9007:
        return "There was an error deleting this file.";
    case 9009:
        return "There is insufficient disk space to add the selected files to this archive.";
    case kErrTooManyArchives:
        return "Cannot open archive. The maximum number of archives are open.";
    case 9022:
        return "This file could not be opened.";
    case 9023:
        return "There was an error reading this archive. This file is not a Quorvane archive.";
    case 9024:
        return "There was an error creating this archive.";
    case 9025:
        return "Drag and drop could not be completed. There was no drop target selected.";
    case 9028:
        return "There was a server memory allocation error. To protect your data, all archives will be "
               "closed. "
               "Please check the available storage space on your startup harddrive and try again.";
    case kErrArchiveClose:
        return "The archive could not be closed.";
    case kErrTooManyEntries:
        return "Cannot add files. An archive can contain a maximum of 5000 files.";
    case kErrTooLarge:
        return "Cannot add files. An archive can have a maximum size of 500MB";
    case kErrMoveIntoItself:
        return "Cannot move item. The destination folder is a subfolder of the source folder.";
    case kErrCorrupt:
        return "The Archive may be corrupt...";
    case kErrStartupDiskCreate:
        return "There is insufficient disk space on the startup disk to create this archive.";
    case kErrStartupDiskAdd:
        return "There is insufficient disk space on the startup disk to add the selected files to this "
               "archive.";
    case kErrNewerRevision:
    case kErrNewerVersion:
        return kNewer;
    case kErrSourceLocked:
        return "One of the files you are importing is locked, in use, or can not be accessed.";
    case kErrArchiveMissing:
        return "The archive could not be found: there is no such file.";
    case kErrArchiveIsFolder:
        return "This is a folder, not an archive.";
    case kErrFolderMissing:
        return "The folder to create the archive in does not exist.";
    case kErrNameTooLong:
        return "The archive's name or path is too long for the disk it is on.";
    case kErrJournalMismatch:
        return "A rollback journal lies beside this archive, but it was not written for the archive as it is "
               "now (one put back from a backup, or replaced), or it does not fit it, so it was not used. "
               "Neither file was changed: move the journal away to open the archive as it is.";
    case kErrJournalFailed:
        return "The rollback journal beside this archive could not be written back. It stays there and is "
               "used the next time the archive is opened.";
    case kErrReadOnly:
        return "This archive is read-only: it is on a read-only disc or folder, or you may not write to it. "
               "It can be viewed and exported, but not changed.";
    case kWarnJournalReadOnly:
        return "This archive was opened read-only, and a rollback journal of a change that was interrupted "
               "lies beside it. The change was not undone, so some items may be damaged; open the archive "
               "where it can be written to undo it.";
    case kErrFolderReadOnly:
        return "This folder cannot be written to: it is read-only, or you may not write to it.";
    case kErrTempFolder:
        return "The folder for temporary files (TMPDIR) does not exist or cannot be written to, so the room "
               "left for the system's own files cannot be checked.";
    case kErrFolderInTheWay:
        return "A folder cannot be made: a file or a link of that name is in the way.";
    default:
        return "There was an error processing this command.";
    }
}

Status OpenFailureCode(OpenResult result, bool creating) {
    switch (result) {
    case OpenResult::NotFound:
        return creating ? kErrFolderMissing : kErrArchiveMissing;
    case OpenResult::Directory:
        return kErrArchiveIsFolder;
    case OpenResult::NameTooLong:
        return kErrNameTooLong;
    case OpenResult::Denied:
        return creating ? kErrFolderReadOnly : kErrArchiveLocked;
    default:
        return kErrArchiveLocked;
    }
}

std::string MessageText(Status code, const std::string& subject) {
    std::string text = MessageText(code);
    if (subject.empty()) {
        return text;
    }
    switch (code) {
    case kErrUnreadableFolder:
        return text + " This folder could not be read: " + subject;
    case kErrJournalMismatch:
    case kErrJournalFailed:
    case kWarnJournalReadOnly:
        return text + " The journal: " + subject;
    case kErrFolderInTheWay:
        return text.substr(0, text.size() - 1) + ": " + subject;
    default:
        return text + " (" + subject + ")";
    }
}

} // namespace quorvane
