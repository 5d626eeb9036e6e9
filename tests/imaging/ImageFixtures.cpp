#include "ImageFixtures.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace fixtures {
namespace {

void Put16le(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}
void Put32le(QByteArray& out, uint32_t value) {
    Put16le(out, static_cast<int>(value & 0xFFFF));
    Put16le(out, static_cast<int>(value >> 16));
}
void Put16be(QByteArray& out, int value) {
    out.append(static_cast<char>((value >> 8) & 0xFF));
    out.append(static_cast<char>(value & 0xFF));
}
void Put32be(QByteArray& out, uint32_t value) {
    Put16be(out, static_cast<int>(value >> 16));
    Put16be(out, static_cast<int>(value & 0xFFFF));
}

uint32_t Crc32(const char* data, qsizetype length) {
    uint32_t crc = 0xFFFFFFFFU;
    for (qsizetype i = 0; i < length; ++i) {
        crc ^= static_cast<uint8_t>(data[i]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
        }
    }
    return ~crc;
}

// LSB-first bit packing of variable-width codes, as GIF wants.
class CodeWriter {
public:
    void Put(int code, int width) {
        buffer_ |= static_cast<uint32_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            bytes_.push_back(static_cast<uint8_t>(buffer_ & 0xFF));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    std::vector<uint8_t> Finish() {
        if (bits_ > 0) {
            bytes_.push_back(static_cast<uint8_t>(buffer_ & 0xFF));
        }
        return bytes_;
    }

private:
    std::vector<uint8_t> bytes_;
    uint32_t buffer_ = 0;
    int bits_ = 0;
};

// MSB-first bit packing with 0xFF stuffing, as JPEG wants.
class JpegBits {
public:
    void Put(uint32_t value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            byte_ = static_cast<uint8_t>((byte_ << 1) | ((value >> i) & 1U));
            if (++count_ == 8) {
                Flush();
            }
        }
    }
    QByteArray Finish() {
        while (count_ != 0) {
            Put(1, 1);
        }
        return out_;
    }

private:
    void Flush() {
        out_.append(static_cast<char>(byte_));
        if (byte_ == 0xFF) {
            out_.append('\0');
        }
        byte_ = 0;
        count_ = 0;
    }
    QByteArray out_;
    uint8_t byte_ = 0;
    int count_ = 0;
};

} // namespace

QByteArray Encode(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0) {
        writer.setQuality(quality);
    }
    if (!writer.write(image)) {
        throw std::runtime_error("QImageWriter failed: " + writer.errorString().toStdString());
    }
    return bytes;
}

QImage PhotoLike(int width, int height, int noise, unsigned seed) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> grain(-noise, noise);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double fy = static_cast<double>(y) / height;
        for (int x = 0; x < width; ++x) {
            const double fx = static_cast<double>(x) / width;
            const double d = std::hypot(fx - 0.6, fy - 0.4);
            const int e = noise > 0 ? grain(random) : 0;
            const int r = static_cast<int>(60 + 150 * fx + 40 * std::sin(fy * 9)) + e;
            const int g = static_cast<int>(80 + 120 * fy + 60 * std::cos(d * 20)) + e;
            const int b = static_cast<int>(120 + 100 * (1 - d)) + e;
            row[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

QByteArray Gif(int width, int height, const std::vector<QRgb>& palette,
               const std::vector<std::vector<uint8_t>>& frames, int transparentIndex) {
    QByteArray out("GIF89a");
    Put16le(out, width);
    Put16le(out, height);
    out.append(static_cast<char>(0xF7)); // global table of 256 entries, 8 bits of colour resolution
    out.append('\0');                    // background index
    out.append('\0');                    // aspect ratio
    for (int i = 0; i < 256; ++i) {
        const QRgb colour = i < static_cast<int>(palette.size()) ? palette[i] : qRgb(0, 0, 0);
        out.append(static_cast<char>(qRed(colour)));
        out.append(static_cast<char>(qGreen(colour)));
        out.append(static_cast<char>(qBlue(colour)));
    }
    if (frames.size() > 1) {
        out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16);
        Put16le(out, 0); // loop forever
        out.append('\0');
    }
    for (const std::vector<uint8_t>& frame : frames) {
        out.append("\x21\xF9\x04", 3); // graphic control
        out.append(transparentIndex >= 0 ? '\x01' : '\0');
        Put16le(out, 10); // 0.1 s
        out.append(static_cast<char>(transparentIndex >= 0 ? transparentIndex : 0));
        out.append('\0');
        out.append(',');
        Put16le(out, 0);
        Put16le(out, 0);
        Put16le(out, width);
        Put16le(out, height);
        out.append('\0');
        out.append('\x08'); // minimum code size
        // Literal codes only, with a clear code often enough that the code width stays at 9 bits.
        CodeWriter codes;
        constexpr int kClear = 256;
        constexpr int kEnd = 257;
        for (size_t i = 0; i < frame.size(); ++i) {
            if (i % 128 == 0) {
                codes.Put(kClear, 9);
            }
            codes.Put(frame[i], 9);
        }
        codes.Put(kEnd, 9);
        const std::vector<uint8_t> data = codes.Finish();
        for (size_t at = 0; at < data.size(); at += 255) {
            const size_t n = std::min<size_t>(255, data.size() - at);
            out.append(static_cast<char>(n));
            out.append(reinterpret_cast<const char*>(data.data() + at), static_cast<qsizetype>(n));
        }
        out.append('\0');
    }
    out.append(';');
    return out;
}

QByteArray GreyTiff(const std::vector<TiffPage>& pages) {
    QByteArray out("II*\0", 4);
    const qsizetype firstIfdAt = out.size();
    Put32le(out, 0); // patched below
    qsizetype linkAt = firstIfdAt;
    for (const TiffPage& page : pages) {
        const uint32_t stripAt = static_cast<uint32_t>(out.size());
        const qsizetype stripBytes = qsizetype{page.width} * page.height;
        out.append(QByteArray(stripBytes, static_cast<char>(page.grey)));
        if (out.size() % 2 != 0) {
            out.append('\0');
        }
        const auto ifdAt = static_cast<uint32_t>(out.size());
        for (int i = 0; i < 4; ++i) {
            out[linkAt + i] = static_cast<char>((ifdAt >> (8 * i)) & 0xFF);
        }
        struct Entry {
            int tag;
            int type; // 3 SHORT, 4 LONG
            uint32_t value;
        };
        const uint32_t w = static_cast<uint32_t>(page.claimedWidth ? page.claimedWidth : page.width);
        const uint32_t h = static_cast<uint32_t>(page.claimedHeight ? page.claimedHeight : page.height);
        const Entry entries[] = {
            {256, 4, w}, {257, 4, h}, {258, 3, 8},
            {259, 3, 1}, {262, 3, 1}, {273, 4, stripAt},
            {277, 3, 1}, {278, 4, h}, {279, 4, static_cast<uint32_t>(stripBytes)},
        };
        Put16le(out, static_cast<int>(std::size(entries)));
        for (const Entry& e : entries) {
            Put16le(out, e.tag);
            Put16le(out, e.type);
            Put32le(out, 1);
            if (e.type == 3) {
                Put16le(out, static_cast<int>(e.value));
                Put16le(out, 0);
            } else {
                Put32le(out, e.value);
            }
        }
        linkAt = out.size();
        Put32le(out, 0); // next directory, patched by the next page
    }
    return out;
}

QByteArray CmykJpeg(int width, int height, uint8_t c, uint8_t m, uint8_t y, uint8_t k) {
    QByteArray out("\xFF\xD8", 2);
    out.append("\xFF\xEE", 2); // Adobe marker, transform 0: the four components are CMYK as they stand
    Put16be(out, 14);
    out.append("Adobe", 5);
    Put16be(out, 100);
    Put16be(out, 0);
    Put16be(out, 0);
    out.append('\0');

    out.append("\xFF\xDB", 2); // one quantisation table of ones
    Put16be(out, 67);
    out.append('\0');
    out.append(QByteArray(64, '\x01'));

    out.append("\xFF\xC0", 2);
    Put16be(out, 8 + 3 * 4);
    out.append('\x08');
    Put16be(out, height);
    Put16be(out, width);
    out.append('\x04');
    for (int id = 1; id <= 4; ++id) {
        out.append(static_cast<char>(id));
        out.append('\x11');
        out.append('\0');
    }

    // DC table: categories 0 ... 11 all with 4-bit codes 0000 ... 1011.
    out.append("\xFF\xC4", 2);
    Put16be(out, 2 + 1 + 16 + 12);
    out.append('\0');
    for (int length = 1; length <= 16; ++length) {
        out.append(static_cast<char>(length == 4 ? 12 : 0));
    }
    for (int symbol = 0; symbol < 12; ++symbol) {
        out.append(static_cast<char>(symbol));
    }
    // AC table: end of block = 00 (and one unused symbol = 01).
    out.append("\xFF\xC4", 2);
    Put16be(out, 2 + 1 + 16 + 2);
    out.append('\x10');
    for (int length = 1; length <= 16; ++length) {
        out.append(static_cast<char>(length == 2 ? 2 : 0));
    }
    out.append('\0');
    out.append('\x01');

    out.append("\xFF\xDA", 2);
    Put16be(out, 6 + 2 * 4);
    out.append('\x04');
    for (int id = 1; id <= 4; ++id) {
        out.append(static_cast<char>(id));
        out.append('\0');
    }
    out.append('\0');
    out.append('\x3F');
    out.append('\0');

    // A flat 8x8 block of sample v has the single coefficient 8 (v - 128).
    const uint8_t values[4] = {c, m, y, k};
    int predictor[4] = {0, 0, 0, 0};
    JpegBits bits;
    const int blocks = (width / 8) * (height / 8);
    for (int block = 0; block < blocks; ++block) {
        for (int comp = 0; comp < 4; ++comp) {
            const int dc = 8 * (values[comp] - 128);
            const int diff = dc - predictor[comp];
            predictor[comp] = dc;
            int category = 0;
            while ((std::abs(diff) >> category) != 0) {
                ++category;
            }
            bits.Put(static_cast<uint32_t>(category), 4);
            if (category > 0) {
                const int coded = diff >= 0 ? diff : diff + (1 << category) - 1;
                bits.Put(static_cast<uint32_t>(coded), category);
            }
            bits.Put(0, 2); // end of block
        }
    }
    out.append(bits.Finish());
    out.append("\xFF\xD9", 2);
    return out;
}

QByteArray PngClaiming(int width, int height) {
    QImage tiny(1, 1, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    QByteArray png = Encode(tiny, "png");
    // Signature (8), then the IHDR chunk: length (4), "IHDR" (4), width (4), height (4), ..., CRC.
    QByteArray size;
    Put32be(size, static_cast<uint32_t>(width));
    Put32be(size, static_cast<uint32_t>(height));
    png.replace(16, 8, size);
    QByteArray crc;
    Put32be(crc, Crc32(png.constData() + 12, 4 + 13));
    png.replace(12 + 4 + 13, 4, crc);
    return png;
}

} // namespace fixtures
