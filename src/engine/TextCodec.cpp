#include "TextCodec.h"

#include <array>
#include <cstdint>
#include <optional>

namespace quorvane {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80 to 0x9F. The five bytes the code page leaves undefined stand for the C1
// control with the same number, as Windows itself converts them.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<unsigned char> ToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<unsigned char>(c);
    }
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return std::nullopt;
}

char32_t FromCp1252(unsigned char b) {
    return (b >= 0x80 && b <= 0x9F) ? kHighControls[b - 0x80] : static_cast<char32_t>(b);
}

// Decodes one strict UTF-8 sequence at `pos`; returns its length, or 0 when the bytes there are not
// a well-formed sequence (overlong forms, surrogates and values past U+10FFFF included).
size_t DecodeOne(std::string_view s, size_t pos, char32_t* out) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char b0 = byte(pos);
    if (b0 < 0x80) {
        *out = b0;
        return 1;
    }
    size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        c = b0 & 0x1F;
        minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        c = b0 & 0x0F;
        minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        c = b0 & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - pos < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    *out = c;
    return length;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

size_t Utf8Length(char32_t c) {
    if (c < 0x80) {
        return 1;
    }
    if (c < 0x800) {
        return 2;
    }
    return c < 0x10000 ? 3 : 4;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (size_t pos = 0; pos < bytes.size();) {
        char32_t c = 0;
        size_t n = DecodeOne(bytes, pos, &c);
        if (n == 0) {
            return false;
        }
        pos += n;
    }
    return true;
}

namespace {

// `readsBack`: the code page is taken only when its bytes cannot be mistaken for UTF-8.
std::string Encode(std::string_view utf8, size_t maxBytes, bool readsBack) {
    // Every byte that is not part of a well-formed sequence stands for U+FFFD. The stored field
    // ends at its first NUL, so the text does too.
    std::u32string text;
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t c = 0;
        size_t n = DecodeOne(utf8, pos, &c);
        if (n == 0) {
            c = kReplacement;
            n = 1;
        }
        if (c == 0) {
            break;
        }
        text.push_back(c);
        pos += n;
    }

    // Windows-1252 when every character that fits in the field has a byte there: one byte per
    // character, so the field holds the first maxBytes characters.
    std::string stored;
    bool fits = true;
    for (size_t i = 0; i < text.size() && i < maxBytes; ++i) {
        auto b = ToCp1252(text[i]);
        if (!b) {
            fits = false;
            break;
        }
        stored.push_back(static_cast<char>(*b));
    }
    if (fits && !(readsBack && IsValidUtf8(stored))) {
        return stored;
    }

    stored.clear();
    for (char32_t c : text) {
        if (stored.size() + Utf8Length(c) > maxBytes) {
            break; // never half a character
        }
        AppendUtf8(stored, c);
    }
    return stored;
}

} // namespace

std::string EncodeStoredText(std::string_view utf8, size_t maxBytes) {
    return Encode(utf8, maxBytes, true);
}

std::string EncodePassword(std::string_view utf8, size_t maxBytes) {
    return Encode(utf8, maxBytes, false);
}

std::string DecodeStoredText(std::string_view stored) {
    if (auto nul = stored.find('\0'); nul != std::string_view::npos) {
        stored = stored.substr(0, nul);
    }
    if (IsValidUtf8(stored)) {
        return std::string(stored);
    }
    std::string out;
    out.reserve(stored.size() * 2);
    for (char ch : stored) {
        AppendUtf8(out, FromCp1252(static_cast<unsigned char>(ch)));
    }
    return out;
}

} // namespace quorvane
