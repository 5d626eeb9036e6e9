#include "ArchiveHeaders.h"

#include "TextCodec.h"
#include "WipeText.h"

#include <algorithm>
#include <optional>

namespace quorvane {

Status ReadArchiveHeaders(ArchiveFile& file, const std::function<bool(std::string&)>& askPassword,
                          ProtectedHeader& header, OpenFailure& why) {
    why = OpenFailure::Other;
    const std::optional<uint64_t> length = file.file() ? file.file()->Length() : std::nullopt;
    if (!length) {
        return kErrArchiveRead;
    }
    if (*length < kPlainHeaderSize) {
        why = OpenFailure::NotAnArchive; // too short to be an archive of this kind
        return kErrPassword;
    }
    if (Status s = file.ReadPlainHeader(); s != kOk) {
        return s;
    }
    const PlainHeader& plain = file.plainHeader();
    if (plain.magic != kMagic) {
        why = OpenFailure::NotAnArchive;
        return kErrPassword;
    }
    if (plain.formatRevision != kFormatRevision) {
        return kErrNewerRevision;
    }
    if (plain.formatVersion != kFormatVersion) {
        return kErrNewerVersion;
    }
    bool prompted = false;
    if (plain.method == kMethodNone) {
        file.SetNoKey();
    } else if (plain.method >= kMethodTwofish && plain.method <= kMethodBasic) {
        std::string password;
        if (!askPassword(password)) {
            why = OpenFailure::Cancelled;
            return kCancelled;
        }
        prompted = true;
        std::string stored = EncodePassword(password, 255);
        const WipeOnExit wipeStored(stored);
        WipeText(password);
        file.SetKey(stored, plain.method);
    } else {
        why = OpenFailure::NotAnArchive; // a method of no archive of this kind
        return kErrPassword;
    }
    if (*length < kDataAreaOffset) {
        return kErrCorrupt;
    }
    if (Status s = file.ReadProtectedHeader(header); s != kOk) {
        return s;
    }
    const TimeBlock& created = plain.created;
    if (created.stamp1 != header.timeCopy.stamp1 || created.stamp3 != header.timeCopy.stamp3) {
        // With a password this is the password check failing; without one the header is foreign.
        why = prompted ? OpenFailure::WrongPassword : OpenFailure::NotAnArchive;
        return kErrPassword;
    }
    why = OpenFailure::None;
    return kOk;
}

} // namespace quorvane
