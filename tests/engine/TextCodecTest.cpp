#include "TextCodec.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(TextCodec, StoresLatinAsWindows1252AndTheRestAsUtf8) {
    struct Case {
        std::string text;
        std::string stored;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"photo", "photo"},
        {"Café", "Caf\xE9"},
        {"naïve résumé", "na\xEFve r\xE9sum\xE9"},
        {"Œuvre – €5", "\x8Cuvre \x96 \x80"
                       "5"},
        {"\xC2\x81", "\x81"}, // a byte the code page leaves undefined still comes back as itself
        {"東京", "東京"},
        {"é東", "\xC3\xA9\xE6\x9D\xB1"}, // one character outside the code page: all UTF-8
        {"😀", "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        std::string stored = EncodeStoredText(c.text, 126);
        EXPECT_EQ(stored, c.stored) << c.text;
        EXPECT_EQ(DecodeStoredText(stored), c.text) << c.text;
    }
}

// Windows-1252 bytes that happen to be valid UTF-8 would read back as other text: such a text is
// stored as UTF-8. Passwords keep the code page whenever it holds them, so that an archive keeps
// opening with the password it was made with.
TEST(TextCodec, TextWhoseCodePageBytesReadAsUtf8IsStoredAsUtf8) {
    struct Case {
        std::string text;
        std::string password; // its bytes as a key
    };
    const std::vector<Case> cases = {
        {"JOSÉ’S PHOTOS.txt", "JOS\xC9\x92S PHOTOS.txt"}, // as Windows-1252 the UTF-8 of "JOSɒS"
        {"Ö®.txt", "\xD6\xAE.txt"},                       // as Windows-1252 the UTF-8 of U+05AE
        {"Ã©", "\xC3\xA9"},                               // as Windows-1252 the UTF-8 of "é"
    };
    for (const auto& c : cases) {
        const std::string stored = EncodeStoredText(c.text, 126);
        EXPECT_EQ(stored, c.text) << c.text;
        EXPECT_EQ(DecodeStoredText(stored), c.text) << c.text;
        EXPECT_EQ(EncodePassword(c.text, 255), c.password) << c.text;
    }
    // Only what is stored counts: cut to two characters, "Ã©x" would read back as "é".
    EXPECT_EQ(DecodeStoredText(EncodeStoredText("Ã©x", 2)), "Ã");
    EXPECT_EQ(EncodePassword("Café", 255), "Caf\xE9");
    EXPECT_EQ(EncodePassword("東京", 255), "東京");
}

TEST(TextCodec, EveryWindows1252CharacterRoundTrips) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string text = DecodeStoredText(byte);
        ASSERT_TRUE(IsValidUtf8(text)) << b;
        EXPECT_EQ(EncodeStoredText(text, 126), byte) << "byte " << b << " read as " << text;
    }
    EXPECT_EQ(DecodeStoredText("\x80\x8D\x9F\xFF"), "€\xC2\x8DŸÿ");
}

TEST(TextCodec, CutsOnCharacterBoundaries) {
    std::string threeByte;
    for (int i = 0; i < 50; ++i) {
        threeByte += "東";
    }
    struct Case {
        std::string text;
        size_t maxBytes;
        std::string stored;
    };
    const std::vector<Case> cases = {
        {std::string(200, 'a'), 126, std::string(126, 'a')},
        {threeByte, 126, threeByte.substr(0, 126)},                // 42 characters
        {std::string(124, 'a') + "😀", 126, std::string(124, 'a')}, // the emoji would straddle the limit
        {std::string(125, 'a') + "é", 126, std::string(125, 'a') + "\xE9"},
        {"ÉÉÉÉÉÉÉÉ", 6, std::string(6, '\xC9')},
        {"東京x", 6, "東京"},
        {"abé東", 4, "ab\xC3\xA9"},
        // Only what is stored has to fit the code page: a long Latin name keeps its 126 characters.
        {std::string(130, 'a') + "東", 126, std::string(126, 'a')},
    };
    for (const auto& c : cases) {
        std::string stored = EncodeStoredText(c.text, c.maxBytes);
        EXPECT_EQ(stored, c.stored) << c.text.substr(0, 20) << " at " << c.maxBytes;
        EXPECT_LE(stored.size(), c.maxBytes);
    }
}

TEST(TextCodec, InvalidInputAndNuls) {
    EXPECT_EQ(EncodeStoredText("a\xFF"
                               "b",
                               126),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(EncodeStoredText(std::string_view("ab\0cd", 5), 126), "ab");
    EXPECT_EQ(DecodeStoredText(std::string_view("abc\0\xE9\xE9", 6)), "abc");
    EXPECT_EQ(DecodeStoredText(std::string("Caf\xE9\0\0\0", 7)), "Café");
}

TEST(TextCodec, StrictUtf8Validation) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"plain", true},
        {"\xC3\xA9", true},
        {"\xEF\xBF\xBF", true},
        {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF
        {"\xC0\xAF", false},         // overlong '/'
        {"\xE0\x80\xAF", false},     // overlong, three bytes
        {"\xF0\x80\x80\xAF", false}, // overlong, four bytes
        {"\xED\xA0\x80", false},     // surrogate
        {"\xF4\x90\x80\x80", false}, // past U+10FFFF
        {"\xE6\x9D", false},         // cut short
        {"\x80", false},             // stray continuation
        {"\xC3\x28", false},         // continuation missing
        {"\xF8\x88\x80\x80\x80", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
    }
}

} // namespace
} // namespace quorvane
