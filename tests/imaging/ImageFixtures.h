#pragma once
// Encoded pictures made in memory for the imaging tests: Qt's writers where Qt has one, and small
// hand-made encoders for what it cannot write (GIF, multi-page TIFF, CMYK JPEG, lying headers).
#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <cstdint>
#include <vector>

namespace fixtures {

// Encodes with QImageWriter ("jpeg", "png", "bmp", "tiff"); quality -1 keeps the writer's default.
QByteArray Encode(const QImage& image, const char* format, int quality = -1);

// A deterministic photo-like picture: smooth gradients and waves with a little noise.
QImage PhotoLike(int width, int height, int noise = 6, unsigned seed = 1);

// A GIF of paletted frames (palette up to 256 colours; one index per pixel, row by row). More than one
// frame makes an animated GIF. Pixels of `transparentIndex` (when 0 ... 255) are transparent.
QByteArray Gif(int width, int height, const std::vector<QRgb>& palette,
               const std::vector<std::vector<uint8_t>>& frames, int transparentIndex = -1);

struct TiffPage {
    int width = 0;
    int height = 0;
    uint8_t grey = 0;     // every pixel
    int claimedWidth = 0; // when set, the header claims this instead of width (the strip stays small)
    int claimedHeight = 0;
};
// An uncompressed 8-bit grey TIFF with one directory per page.
QByteArray GreyTiff(const std::vector<TiffPage>& pages);

// A baseline JPEG with four components and an Adobe marker (CMYK), one flat colour, sides multiples of 8.
QByteArray CmykJpeg(int width, int height, uint8_t c, uint8_t m, uint8_t y, uint8_t k);

// A valid tiny PNG whose header then claims width x height (with a correct header checksum).
QByteArray PngClaiming(int width, int height);

inline const uint8_t* Bytes(const QByteArray& data) {
    return reinterpret_cast<const uint8_t*>(data.constData());
}
inline uint32_t Length(const QByteArray& data) {
    return static_cast<uint32_t>(data.size());
}

} // namespace fixtures
