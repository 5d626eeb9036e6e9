#pragma once
// How names move between the disk and an archive: file names and extensions of paths, and names
// from an archive made safe to write to the disk.
#include <functional>
#include <string>

namespace quorvane {

// The part of a path after its last '/'.
std::string FileNameOf(const std::string& path);
// A file name without its extension (the name itself when its only dot is the first character).
std::string WithoutExtension(const std::string& name);
// The text after the last dot of a file name; empty when there is none or the dot is the name's
// first or last character.
std::string ExtensionOf(const std::string& name);
std::string AsciiUpper(std::string text);

// The longest form of `name` that `fits` accepts: whole characters are dropped from the end of the
// part before the extension, so that the extension stays; only when even one character with the
// extension does not fit is the whole name cut from its end. Empty when nothing fits.
std::string ShortenKeepingExtension(const std::string& name,
                                    const std::function<bool(const std::string&)>& fits);

// The characters no name of an entry may hold (the desktop program and kvq refuse them).
constexpr const char* kForbiddenNameCharacters = "\\/:*?\"<>|";
bool HasForbiddenCharacter(const std::string& name);
// The text without the spaces at its start and end (a name that is nothing else is blank).
std::string TrimSpaces(const std::string& text);
// Whether a name or comment fits its 126-byte field as stored (EncryptText would cut it).
bool FitsTextField(const std::string& text);

// The longest file name a file system takes, in bytes.
constexpr size_t kFileNameMax = 255;

// One component of a disk path for a name read from an archive: never ".", ".." or a name that
// reaches into another folder, never empty (`emptyName` stands in), never longer than a file
// name may be (shortened as ShortenKeepingExtension does).
std::string SafeComponent(std::string name, const std::string& emptyName);
// The names tried in turn when a file of that name already exists: the name, "Copy of " name,
// then "Copy (2) of " name and on; each shortened, keeping its extension, to fit a file name.
std::string CopyCandidate(const std::string& name, int attempt);

} // namespace quorvane
