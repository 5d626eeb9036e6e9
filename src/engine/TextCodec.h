#pragma once
// Names, comments, extensions and passwords are stored as 8-bit text, read back as UTF-8 when the
// bytes are valid UTF-8, else as Windows-1252. Texts are written in Windows-1252 when every character
// fits and those bytes are not also valid UTF-8 (which would read back as other text), else in UTF-8,
// so that every text reads back as written. Passwords are written in Windows-1252 whenever every
// character fits: the key of every archive ever made depends on those bytes. So archives and
// passwords move between this program and Windows unchanged.
#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

// UTF-8 text → stored bytes, cut on a character boundary to at most `maxBytes` bytes.
std::string EncodeStoredText(std::string_view utf8, size_t maxBytes);
// A password → the bytes the key is made from, cut likewise.
std::string EncodePassword(std::string_view utf8, size_t maxBytes);
// Stored bytes (up to the first NUL) → UTF-8 text.
std::string DecodeStoredText(std::string_view stored);
bool IsValidUtf8(std::string_view bytes);

} // namespace quorvane
