#pragma once
// The codes an archive stores that the imaging layer reads too: entry type codes and the thumbnail
// format code of the protected header. Defined here once, for the engine and the thumbnail maker.
#include <cstdint>

namespace quorvane {

// Entry type codes.
enum TypeCode : uint8_t {
    kTypeArchive = 0,
    kTypeFolder = 1,
    kTypeRecycleBin = 2,
    kTypeOther = 128,
    kTypeJpeg = 129,
    kTypeGif = 130,
    kTypeBmp = 131,
    kTypePng = 132,
    kTypeTiff = 133,
};

constexpr bool IsImageType(uint8_t type) {
    return type >= kTypeJpeg && type <= kTypeTiff;
}

// The Qt image reader's format name for an image type code; null for anything else.
constexpr const char* ImageReaderFormat(int type) {
    switch (type) {
    case kTypeJpeg:
        return "jpeg";
    case kTypeGif:
        return "gif";
    case kTypeBmp:
        return "bmp";
    case kTypePng:
        return "png";
    case kTypeTiff:
        return "tiff";
    default:
        return nullptr;
    }
}

// Thumbnail format codes: 0 none, 1..8, where the size index (code + 1) / 2 gives 32, 48, 64 or 96
// pixels and odd codes are grey (one byte a pixel), even ones 16-bit colour (two). Any other code
// stands for no thumbnails: size index 0, not grey, nothing stored.
constexpr int ThumbSizeIndex(int format) {
    return format >= 1 && format <= 8 ? (format + 1) / 2 : 0;
}
constexpr bool ThumbIsGrey(int format) {
    return ThumbSizeIndex(format) != 0 && format % 2 == 1;
}
// The side in pixels of a stored thumbnail of that size index (0 for none).
constexpr int ThumbSide(int sizeIndex) {
    constexpr int kSide[5] = {0, 32, 48, 64, 96};
    return sizeIndex >= 1 && sizeIndex <= 4 ? kSide[sizeIndex] : 0;
}
// Bytes of a stored thumbnail of that format, before the cipher's padding (all are multiples of 16).
constexpr uint32_t ThumbStoredLength(int format) {
    const auto side = static_cast<uint32_t>(ThumbSide(ThumbSizeIndex(format)));
    return side * side * (ThumbIsGrey(format) ? 1U : 2U);
}

} // namespace quorvane
