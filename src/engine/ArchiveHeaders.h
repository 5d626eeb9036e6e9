#pragma once
// The one reader of an archive's headers and key, for opening and for salvage.
#include "ArchiveFile.h"
#include "CCodeArchive.h"

#include <functional>
#include <string>

namespace quorvane {

// Reads both headers of `file` and sets its key: the plain header's magic, revision, version and
// method are checked, the password is asked for through `askPassword` (false: cancelled) when the
// archive has one, and the protected header must carry the plain header's time stamps. 0, 9004 when
// cancelled, else the code to show (9000, 9011, 9020, 9030, 9031), with `why` telling a wrong
// password from a file that is no archive of this kind.
Status ReadArchiveHeaders(ArchiveFile& file, const std::function<bool(std::string&)>& askPassword,
                          ProtectedHeader& header, OpenFailure& why);

} // namespace quorvane
