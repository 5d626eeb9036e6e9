#include "ImageSamples.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <algorithm>

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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0) {
        writer.setQuality(quality);
    }
    if (!writer.write(image)) {
        return {};
    }
    return {bytes.begin(), bytes.end()};
}

} // namespace quorvane::testing
