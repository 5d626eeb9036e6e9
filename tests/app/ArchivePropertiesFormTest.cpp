// The rules of the "Archive Properties" dialog: list selections for the remembered choices, what
// each change stores, and which controls are enabled.
#include "ArchivePropertiesForm.h"
#include "Preferences.h"

#include <gtest/gtest.h>

using namespace quorvane;

namespace {

TEST(ArchivePropertiesForm, ShowsTheLastCreationsChoicesAgain) {
    Preferences p;
    p.encryptionEnabled = 1;
    p.encryptionMethod = ArchivePropertiesForm::kBlowfish;
    p.thumbnailsEnabled = 1;
    p.highQualityThumbnails = 1;
    p.thumbnailFormat = 6; // 64 pixels, high colour
    const ArchivePropertiesForm form = ArchivePropertiesForm::FromPreferences(p);
    EXPECT_EQ(form.MethodIndex(), 1);
    EXPECT_EQ(form.ThumbnailModeIndex(), 2);
    EXPECT_EQ(form.SizeIndex(), 2);
    EXPECT_EQ(form.ColourIndex(), 1);
    EXPECT_TRUE(form.PasswordControlsEnabled());
    EXPECT_TRUE(form.ThumbnailControlsEnabled());

    Preferences q;
    form.StoreInto(q);
    EXPECT_EQ(q.encryptionMethod, ArchivePropertiesForm::kBlowfish);
    EXPECT_EQ(q.thumbnailFormat, 6);
    EXPECT_EQ(q.highQualityThumbnails, 1);
}

TEST(ArchivePropertiesForm, SelectionsOfAStoredCode) {
    struct Case {
        int code;
        int size;
        int colour;
    };
    const Case cases[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 1}, {3, 1, 0},   {4, 1, 1},   {5, 2, 0},
                          {6, 2, 1}, {7, 3, 0}, {8, 3, 1}, {9, -1, -1}, {-1, -1, -1}};
    for (const Case& c : cases) {
        int size = 7;
        int colour = 7;
        ArchivePropertiesForm::SelectionsForCode(c.code, size, colour);
        EXPECT_EQ(size, c.size) << c.code;
        EXPECT_EQ(colour, c.colour) << c.code;
        if (c.code >= 1 && c.code <= 8) {
            EXPECT_EQ(ArchivePropertiesForm::FormatCode(size, colour), c.code);
        }
    }
}

TEST(ArchivePropertiesForm, SizeAndColourChangesMakeTheCode) {
    ArchivePropertiesForm form;
    form.SelectSize(0);
    EXPECT_EQ(form.thumbnailFormat, 2); // 32 pixels, still high colour
    form.SelectColour(0);
    EXPECT_EQ(form.thumbnailFormat, 1);
    form.SelectSize(3);
    EXPECT_EQ(form.thumbnailFormat, 7);
    form.SelectColour(5); // not an item: nothing changes
    form.SelectSize(-1);
    EXPECT_EQ(form.thumbnailFormat, 7);

    // A code beyond 8 selects nothing; choosing one list then counts the other as its first item,
    // instead of landing on the previous size's high-colour code.
    Preferences p;
    p.thumbnailFormat = 9;
    ArchivePropertiesForm odd = ArchivePropertiesForm::FromPreferences(p);
    EXPECT_EQ(odd.SizeIndex(), -1);
    odd.SelectSize(2);
    EXPECT_EQ(odd.thumbnailFormat, 5);
    EXPECT_EQ(odd.ColourIndex(), 0);
}

TEST(ArchivePropertiesForm, MethodListAndThumbnailList) {
    struct Case {
        int index;
        uint32_t method;
    };
    const Case methods[] = {{0, ArchivePropertiesForm::kBasic},
                            {1, ArchivePropertiesForm::kBlowfish},
                            {2, ArchivePropertiesForm::kTwofish}};
    ArchivePropertiesForm form;
    for (const Case& c : methods) {
        form.SelectMethod(c.index);
        EXPECT_EQ(form.method, c.method);
        EXPECT_EQ(form.MethodIndex(), c.index);
    }
    EXPECT_EQ(ArchivePropertiesForm::IndexForMethod(0x0CAB0000), -1);
    form.SelectMethod(3);
    EXPECT_EQ(form.method, ArchivePropertiesForm::kTwofish);

    form.SelectThumbnailMode(0);
    EXPECT_FALSE(form.thumbnails);
    EXPECT_FALSE(form.highQuality);
    EXPECT_FALSE(form.ThumbnailControlsEnabled());
    EXPECT_EQ(form.ThumbnailModeIndex(), 0);
    form.SelectThumbnailMode(1);
    EXPECT_TRUE(form.thumbnails);
    EXPECT_FALSE(form.highQuality);
    EXPECT_EQ(form.ThumbnailModeIndex(), 1);
    form.SelectThumbnailMode(2);
    EXPECT_TRUE(form.highQuality);
    EXPECT_EQ(form.ThumbnailModeIndex(), 2);
}

TEST(ArchivePropertiesForm, TurningEncryptionOffKeepsTheMethod) {
    ArchivePropertiesForm form;
    form.SelectMethod(1);
    form.ToggleEncryption();
    EXPECT_FALSE(form.PasswordControlsEnabled());
    EXPECT_EQ(form.method, ArchivePropertiesForm::kBlowfish);
    form.ToggleEncryption();
    EXPECT_TRUE(form.PasswordControlsEnabled());
    EXPECT_EQ(form.MethodIndex(), 1);
}

} // namespace
