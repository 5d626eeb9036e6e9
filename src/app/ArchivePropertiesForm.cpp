#include "ArchivePropertiesForm.h"

#include "Preferences.h"

namespace quorvane {

ArchivePropertiesForm ArchivePropertiesForm::FromPreferences(const Preferences& p) {
    ArchivePropertiesForm form;
    form.encryption = p.encryptionEnabled != 0;
    form.method = p.encryptionMethod;
    form.thumbnails = p.thumbnailsEnabled != 0;
    form.highQuality = p.highQualityThumbnails != 0;
    form.thumbnailFormat = p.thumbnailFormat;
    form.SetSelections();
    return form;
}

void ArchivePropertiesForm::StoreInto(Preferences& p) const {
    p.encryptionEnabled = encryption ? 1 : 0;
    p.encryptionMethod = method;
    p.thumbnailsEnabled = thumbnails ? 1 : 0;
    p.highQualityThumbnails = highQuality ? 1 : 0;
    p.thumbnailFormat = thumbnailFormat;
}

void ArchivePropertiesForm::SetSelections() {
    SelectionsForCode(thumbnailFormat, sizeIndex_, colourIndex_);
}

void ArchivePropertiesForm::SelectionsForCode(int code, int& sizeIndex, int& colourIndex) {
    if (code == 0) {
        sizeIndex = 0;
        colourIndex = 0;
    } else if (code >= 1 && code <= 8) {
        sizeIndex = (code - 1) / 2;
        colourIndex = (code - 1) % 2;
    } else {
        sizeIndex = -1;
        colourIndex = -1;
    }
}

uint32_t ArchivePropertiesForm::MethodForIndex(int index) {
    switch (index) {
    case 0:
        return kBasic;
    case 1:
        return kBlowfish;
    default:
        return kTwofish;
    }
}

int ArchivePropertiesForm::IndexForMethod(uint32_t m) {
    switch (m) {
    case kTwofish:
        return 2;
    case kBlowfish:
        return 1;
    case kBasic:
        return 0;
    default:
        return -1;
    }
}

void ArchivePropertiesForm::SelectMethod(int index) {
    if (index >= 0 && index <= 2) {
        method = MethodForIndex(index);
    }
}

void ArchivePropertiesForm::SelectThumbnailMode(int index) {
    switch (index) {
    case 0:
        thumbnails = false;
        highQuality = false;
        break;
    case 1:
        thumbnails = true;
        highQuality = false;
        break;
    case 2:
        thumbnails = true;
        highQuality = true;
        break;
    default:
        break;
    }
}

void ArchivePropertiesForm::SelectSize(int index) {
    if (index >= 0 && index <= 3) {
        sizeIndex_ = index;
        StoreCode();
    }
}

void ArchivePropertiesForm::SelectColour(int index) {
    if (index == 0 || index == 1) {
        colourIndex_ = index;
        StoreCode();
    }
}

void ArchivePropertiesForm::StoreCode() {
    // A list left without a selection (a stored code beyond 8) counts as its first item, so that the
    // code never lands on another size's colour variant.
    if (sizeIndex_ < 0) {
        sizeIndex_ = 0;
    }
    if (colourIndex_ < 0) {
        colourIndex_ = 0;
    }
    thumbnailFormat = FormatCode(sizeIndex_, colourIndex_);
}

} // namespace quorvane
