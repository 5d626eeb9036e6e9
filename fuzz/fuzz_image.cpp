// Arbitrary bytes into the image decoders. The first byte picks the type (the five image types and one
// unknown code) and the path: whole decode, interactive decode with colour reduction, or thumbnail decode.
// Whatever decodes is rendered into a thumbnail and read back, so drawing is exercised too.
#include "CImageHolder.h"
#include "CThumbnailMaker.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    static const int16_t kTypes[] = {quorvane::kImageJpeg, quorvane::kImageGif,  quorvane::kImageBmp,
                                     quorvane::kImagePng,  quorvane::kImageTiff, 0x80};
    const uint8_t selector = data[0];
    const int16_t type = kTypes[selector % 6];
    const int path = (selector / 6) % 3;
    const auto length = static_cast<uint32_t>(size - 1);

    static quorvane::CImageHolder holder;
    static quorvane::CThumbnailMaker maker;
    int16_t status = 0;
    switch (path) {
    case 0:
        status = holder.Load("fuzz", data + 1, length, type, 16, false);
        break;
    case 1:
        status = holder.Load("fuzz", data + 1, length, type, 8, true);
        break;
    default:
        status = holder.LoadForThumbnail("fuzz", data + 1, length, type, 96);
        break;
    }
    if (status == 0) {
        maker.Render(holder, 1 + selector % 4, (selector & 0x80) != 0);
        const int sizeIndex = 1 + selector % 4;
        const uint8_t* bits = maker.GetThumbnailBits(sizeIndex, (selector & 0x40) != 0);
        maker.RestoreIcon(sizeIndex, bits, 0, (selector & 0x40) != 0, holder.Width(), holder.Height());
    }
    return 0;
}
