#include "ImageSamples.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <algorithm>
#include <cstring>

namespace quorvane::testing {

std::vector<uint8_t> EncodedImage(int width, int height, const char* format, int quality, unsigned seed) {
    QImage image(width, height, QImage::Format_RGB32);
    uint32_t x = seed * 2654435761u + 7;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int i = 0; i < width; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            const int noise = static_cast<int>(x % 9) - 4;
            const int r = std::clamp(i * 255 / std::max(1, width - 1) + noise, 0, 255);
            const int g = std::clamp(y * 255 / std::max(1, height - 1) + noise, 0, 255);
            const int b = std::clamp(128 + noise * 8, 0, 255);
            row[i] = qRgb(r, g, b);
        }
    }
    const bool topDown = std::strcmp(format, "bmp-top-down") == 0;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, topDown ? "bmp" : format);
    if (quality >= 0) {
        writer.setQuality(quality);
    }
    if (!writer.write(image)) {
        return {};
    }
    std::vector<uint8_t> out(bytes.begin(), bytes.end());
    if (topDown) {
        // Rows in the other order, and the height negated to say so.
        uint32_t pixels = 0;
        uint16_t bits = 0;
        std::memcpy(&pixels, out.data() + 10, 4);
        std::memcpy(&bits, out.data() + 28, 2);
        const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
        std::vector<uint8_t> rows(out.begin() + pixels, out.begin() + pixels + stride * height);
        for (int y = 0; y < height; ++y) {
            std::copy_n(rows.begin() + static_cast<std::ptrdiff_t>(stride * (height - 1 - y)), stride,
                        out.begin() + static_cast<std::ptrdiff_t>(pixels + stride * y));
        }
        const int32_t negative = -height;
        std::memcpy(out.data() + 22, &negative, 4);
    }
    return out;
}

} // namespace quorvane::testing
