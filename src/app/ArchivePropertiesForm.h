#pragma once
// The rules of the "Archive Properties" dialog, which chooses encryption and thumbnails when an
// archive is created: what its lists select for the remembered choices, which controls are
// enabled, and what each change stores. The dialog binds its controls to this and draws.
#include <cstdint>

namespace quorvane {

class Preferences;

class ArchivePropertiesForm {
public:
    static constexpr uint32_t kTwofish = 0x0CAB0001;
    static constexpr uint32_t kBlowfish = 0x0CAB0002;
    static constexpr uint32_t kBasic = 0x0CAB0003;

    bool encryption = true;
    uint32_t method = kTwofish;
    bool thumbnails = true;
    bool highQuality = true;
    int thumbnailFormat = 8; // 2 x size index + 1 + colour index

    // The remembered choices ("PX", "ET", "IN", "IS", "IH"), and back after OK.
    static ArchivePropertiesForm FromPreferences(const Preferences& preferences);
    void StoreInto(Preferences& preferences) const;

    // Selections of the lists; -1 selects nothing.
    int MethodIndex() const { return IndexForMethod(method); } // 0 basic, 1 Blowfish, 2 Twofish
    int ThumbnailModeIndex() const { return !thumbnails ? 0 : (highQuality ? 2 : 1); }
    int SizeIndex() const { return sizeIndex_; }     // 32, 48, 64, 96 pixels
    int ColourIndex() const { return colourIndex_; } // grey scale, high colour

    // The password edit, its label and the method list follow the encryption box; the size and
    // colour lists with their labels follow the thumbnail list.
    bool PasswordControlsEnabled() const { return encryption; }
    bool ThumbnailControlsEnabled() const { return thumbnails; }

    // The encryption box; the password and the method are kept when it is turned off.
    void ToggleEncryption() { encryption = !encryption; }
    void SelectMethod(int index);
    // 0 no thumbnails, 1 standard, 2 high quality (anti-aliased).
    void SelectThumbnailMode(int index);
    void SelectSize(int index);
    void SelectColour(int index);

    static int FormatCode(int sizeIndex, int colourIndex) { return 2 * sizeIndex + 1 + colourIndex; }
    static uint32_t MethodForIndex(int index);
    static int IndexForMethod(uint32_t method);
    // The list selections for a stored code: codes 1..8 as they say, 0 as 32 pixels grey scale,
    // anything else nothing.
    static void SelectionsForCode(int code, int& sizeIndex, int& colourIndex);

private:
    void SetSelections();
    void StoreCode();

    int sizeIndex_ = 3;
    int colourIndex_ = 1;
};

} // namespace quorvane
