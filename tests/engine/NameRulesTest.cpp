#include "NameRules.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(NameRules, ForbiddenCharactersBlankNamesAndFieldFit) {
    for (const char* name : {"a\\b", "a/b", "c:", "*", "?x", "say \"hi\"", "<", ">", "a|b"}) {
        EXPECT_TRUE(HasForbiddenCharacter(name)) << name;
    }
    for (const char* name : {"holiday.jpg", "Ä ö - (1) ;,#", ""}) {
        EXPECT_FALSE(HasForbiddenCharacter(name)) << name;
    }

    const struct {
        std::string text, trimmed;
    } trims[] = {{"  a b  ", "a b"}, {"   ", ""}, {"", ""}, {"x", "x"}, {"\ta ", "\ta"}};
    for (const auto& c : trims) {
        EXPECT_EQ(TrimSpaces(c.text), c.trimmed) << '"' << c.text << '"';
    }

    // The field holds 126 bytes as stored: Latin text one byte a character, Greek two (UTF-8).
    std::string alpha;
    for (int i = 0; i < 63; ++i) {
        alpha += "\xCE\xB1";
    }
    const struct {
        std::string text;
        bool fits;
    } fits[] = {{std::string(126, 'a'), true},
                {std::string(127, 'a'), false},
                {alpha, true},
                {alpha + "\xCE\xB1", false},
                {"", true}};
    for (const auto& c : fits) {
        EXPECT_EQ(FitsTextField(c.text), c.fits) << c.text.size() << " bytes";
    }
    std::string latin;
    for (int i = 0; i < 126; ++i) {
        latin += "\xC3\xA9"; // é: one byte in Windows-1252
    }
    EXPECT_TRUE(FitsTextField(latin)) << "stored in Windows-1252, one byte a character";
    EXPECT_FALSE(FitsTextField(latin + "\xC3\xA9"));
}

} // namespace
} // namespace quorvane
