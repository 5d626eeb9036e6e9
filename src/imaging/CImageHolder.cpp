#include "CImageHolder.h"

#include "ImageWipe.h"

#include <QBuffer>
#include <QByteArray>
#include <QHash>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvane {
namespace {

// Qt refuses on its own any image above QImageReader::allocationLimit() megabytes. Our limit is checked
// first and must be the one that decides, so Qt's may not be lower. A limit of 0 means none.
void AllowImagesUpToOurLimit() {
    constexpr int ourLimitMegabytes = static_cast<int>(CImageHolder::kMaxImageBytes >> 20);
    const int qtLimit = QImageReader::allocationLimit();
    if (qtLimit != 0 && qtLimit < ourLimitMegabytes) {
        QImageReader::setAllocationLimit(ourLimitMegabytes);
    }
}

int BytesPerPixel(QImage::Format format) {
    if (format == QImage::Format_Invalid) {
        return 4;
    }
    const int bits = QImage::toPixelFormat(format).bitsPerPixel();
    return std::max(4, bits / 8);
}

// The decoded pixels are kept at 8 bits per channel at most: deep formats (16-bit PNG and TIFF) would
// double the memory for no visible gain.
QImage::Format NormalFormat(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_Grayscale16:
        return QImage::Format_Grayscale8;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
    case QImage::Format_BGR30:
    case QImage::Format_RGB30:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_A2RGB30_Premultiplied:
        return image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    default:
        return image.format();
    }
}

// The deep original is zeroed once its converted copy exists.
QImage Normalised(QImage image) {
    const QImage::Format format = NormalFormat(image);
    if (format == image.format()) {
        return image;
    }
    QImage converted = image.convertToFormat(format);
    WipeImage(image);
    return converted;
}

// The largest libjpeg reduction (1/2, 1/4 or 1/8) whose result is still at least as large as the image's
// fitted size in a square cell of `cellSize`; 1 when none is.
int JpegReduction(QSize full, int cellSize) {
    const double scale =
        std::min(static_cast<double>(cellSize) / full.width(), static_cast<double>(cellSize) / full.height());
    const int needWidth = std::max(1, static_cast<int>(std::ceil(full.width() * scale)));
    const int needHeight = std::max(1, static_cast<int>(std::ceil(full.height() * scale)));
    for (int denominator : {8, 4, 2}) {
        if (full.width() / denominator >= needWidth && full.height() / denominator >= needHeight) {
            return denominator;
        }
    }
    return 1;
}

// Qt composes GIF frames into 32-bit pixels. A GIF is paletted by nature; keeping it so (exactly, when
// the frame has at most 256 colours including transparency) gives it its 8-bit depth and a quarter of the
// memory.
QImage Paletted(const QImage& decoded) {
    if (decoded.format() == QImage::Format_Indexed8) {
        return decoded;
    }
    QImage argb = decoded.convertToFormat(QImage::Format_ARGB32);
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    // The 32-bit copy is zeroed on every way out (a no-op when it shares the decoded pixels).
    struct WipeOnExit {
        QImage& image;
        ~WipeOnExit() { WipeImage(image); }
    } wipeArgb{argb};
    if (argb.isNull() || indexed.isNull()) {
        return decoded;
    }
    QHash<QRgb, int> indexOf;
    QVector<QRgb> table;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            auto found = indexOf.constFind(in[x]);
            if (found == indexOf.constEnd()) {
                if (table.size() == 256) {
                    WipeImage(indexed);
                    return decoded;
                }
                found = indexOf.insert(in[x], static_cast<int>(table.size()));
                table.push_back(in[x]);
            }
            out[x] = static_cast<uchar>(found.value());
        }
    }
    indexed.setColorTable(table);
    return indexed;
}

} // namespace

int CImageHolder::DepthOf(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_Invalid:
        return 0;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return 1;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8:
        return 8;
    case QImage::Format_RGB16:
    case QImage::Format_RGB555:
    case QImage::Format_RGB444:
    case QImage::Format_Grayscale16:
        return 16;
    default:
        return image.hasAlphaChannel() ? 32 : 24;
    }
}

CImageHolder::~CImageHolder() {
    Reset();
}

void CImageHolder::Reset() {
    WipeImage(image_);
    palette_.clear();
    width_ = 0;
    height_ = 0;
    depth_ = 0;
    status_ = kImageNoHeader;
}

namespace {

// A picture's bytes for the decoder. Without a poll they are all shown at once; with one, a window at
// a time, with a call to `poll` before each window after the first. It stays a QBuffer, whose memory Qt's
// JPEG reader takes directly (window by window, moving to each window's end): reading it in small pieces
// instead would slow the decoder. Any other read or seek is shown all the bytes it asks for, so no read comes
// back short before the end (Qt's PNG reader would take a short read for the whole).
class PolledBuffer final : public QBuffer {
public:
    PolledBuffer(const uint8_t* data, uint32_t length, const std::function<void()>& poll)
        : data_(reinterpret_cast<const char*>(data))
        , length_(length)
        , poll_(poll)
        , view_(QByteArray::fromRawData(data_, poll ? std::min<qint64>(length_, CImageHolder::kPollBytes)
                                                    : length_)) {
        setBuffer(&view_);
    }

    qint64 size() const override { return length_; }
    bool seek(qint64 position) override {
        Show(position, 1);
        return QBuffer::seek(position);
    }

protected:
    qint64 readData(char* out, qint64 maxSize) override {
        Show(pos(), maxSize);
        return QBuffer::readData(out, maxSize);
    }

private:
    // Shows at least the `count` bytes from `position` (as far as there are any), in whole windows.
    // Positions come from the picture itself (a TIFF's offsets), so nothing here may overflow.
    void Show(qint64 position, qint64 count) {
        if (position < 0 || count <= 0) {
            return;
        }
        const qint64 end = position >= length_ ? length_ : position + std::min(count, length_ - position);
        if (end <= view_.size()) {
            return;
        }
        poll_();
        qint64 shown = view_.size();
        while (shown < end) {
            shown += CImageHolder::kPollBytes;
        }
        view_ = QByteArray::fromRawData(data_, std::min(shown, length_));
    }

    const char* data_;
    qint64 length_;
    const std::function<void()>& poll_;
    QByteArray view_;
};

} // namespace

int16_t CImageHolder::Decode(const uint8_t* data, uint32_t length, int16_t type, int thumbnailCell,
                             const std::function<void()>& poll) {
    const char* format = ImageReaderFormat(type);
    if (format == nullptr) {
        return kImageUnknownType;
    }
    if (data == nullptr) {
        length = 0;
    }
    if (type == kImageJpeg && (length < 2 || data[0] != 0xFF || data[1] != 0xD8)) {
        return kImageUnknownType;
    }

    PolledBuffer device(data, length, poll);
    if (!device.open(QIODevice::ReadOnly)) {
        return kImageNoHeader;
    }
    // Only the decoder of the stored type may see the bytes: guessing from the content would let archive
    // data reach every other image plugin installed on the machine.
    QImageReader reader(&device, format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);

    if (!reader.canRead()) {
        return kImageNoHeader;
    }
    QSize size = reader.size();
    // A BMP whose rows are stored from the top down says so with a negative height; Qt decodes it
    // the right way up but reports that height as it stands.
    if (type == kImageBmp && size.height() < 0 && size.height() != std::numeric_limits<int>::min()) {
        size.setHeight(-size.height());
    }
    if (!size.isValid() || size.isEmpty()) {
        return kImageNoHeader;
    }
    const int64_t bytesNeeded =
        int64_t{size.width()} * int64_t{size.height()} * BytesPerPixel(reader.imageFormat());
    if (bytesNeeded > kMaxImageBytes) {
        return kImageNoMemory;
    }
    AllowImagesUpToOurLimit();

    QSize decodedSize = size;
    if (thumbnailCell > 0 && type == kImageJpeg) {
        const int denominator = JpegReduction(size, thumbnailCell);
        if (denominator > 1) {
            // Exactly 1/denominator (rounded down), so that Qt picks that libjpeg scale and does not
            // resample the result again by more than a pixel.
            decodedSize = QSize(size.width() / denominator, size.height() / denominator);
            reader.setScaledSize(decodedSize);
        }
    }

    QImage decoded;
    if (!reader.read(&decoded) || decoded.isNull()) {
        // A reader that gives up half way (Qt's PNG reader) leaves the rows decoded until then.
        WipeImage(decoded);
        return kImageBadPixels;
    }
    decoded = Normalised(std::move(decoded));
    if (type == kImageGif) {
        QImage paletted = Paletted(decoded);
        if (paletted.constBits() != decoded.constBits()) {
            WipeImage(decoded);
        }
        decoded = std::move(paletted);
    }
    if (decoded.isNull()) {
        return kImageNoMemory;
    }
    image_ = std::move(decoded);
    if (decodedSize == size) {
        width_ = image_.width();
        height_ = image_.height();
    } else {
        width_ = size.width();
        height_ = size.height();
    }
    depth_ = DepthOf(image_);
    return kImageOk;
}

int16_t CImageHolder::Load(const std::string& name, const uint8_t* data, uint32_t length, int16_t type,
                           int16_t depthLimit, bool interactive, ImageCallbacks* callbacks) {
    Reset();
    ImageCallbacks* ui = interactive ? callbacks : nullptr;
    if (ui != nullptr) {
        ui->BeginActivity();
    }
    name_ = name;
    type_ = type;
    depthLimit_ = depthLimit;

    status_ = Decode(data, length, type, 0);
    if (status_ == kImageOk && interactive && depthLimit_ <= 8 && depth_ > 8) {
        QImage reduced = image_.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
        if (reduced.isNull() || reduced.colorCount() == 0 || reduced.colorCount() > 256) {
            status_ = kImageReduceFailed;
        } else {
            palette_ = reduced.colorTable();
            QImage full = std::move(image_);
            image_ = std::move(reduced);
            WipeImage(full);
            depth_ = 8;
        }
    }

    if (ui != nullptr) {
        ui->EndActivity();
    }
    if (status_ != kImageOk) {
        const int16_t failed = status_;
        Reset();
        status_ = failed;
        if (ui != nullptr) {
            ui->ShowOpenError(name_, suppressOpenError_);
        }
    }
    return status_;
}

int16_t CImageHolder::LoadForThumbnail(const std::string& name, const uint8_t* data, uint32_t length,
                                       int16_t type, int cellSize, const std::function<void()>& poll) {
    Reset();
    name_ = name;
    type_ = type;
    depthLimit_ = 32;
    // Render always draws the 32-pixel icon too, so the pixels must suffice for that cell at least.
    status_ = Decode(data, length, type, std::max(cellSize, 32), poll);
    if (status_ != kImageOk) {
        const int16_t failed = status_;
        Reset();
        status_ = failed;
    }
    return status_;
}

bool HasImage(const CImageHolder& holder) {
    return holder.HasImage();
}

namespace {

void DrawResampled(const CImageHolder& holder, QPainter& painter, QRect source, QRect destination,
                   Qt::TransformationMode mode) {
    if (!holder.HasImage()) {
        return;
    }
    const QImage& image = holder.Image();
    const QRect from = source.intersected(image.rect());
    if (from.isEmpty() || destination.isEmpty()) {
        return;
    }
    if (from.size() == destination.size()) {
        painter.drawImage(destination.topLeft(), image, from);
        return;
    }
    // Resampled once to the exact destination size, so that the painter copies it 1:1. Both copies
    // are zeroed once drawn (the part is a no-op when it is the whole image, which it shares).
    QImage part = from == image.rect() ? image : image.copy(from);
    QImage scaled = part.scaled(destination.size(), Qt::IgnoreAspectRatio, mode);
    if (!scaled.isNull()) {
        painter.drawImage(destination.topLeft(), scaled);
    } else {
        painter.drawImage(destination, image, from); // out of memory: let the painter stretch
    }
    WipeImage(scaled);
    WipeImage(part);
}

} // namespace

void Draw(const CImageHolder& holder, QPainter& painter, QRect source, QRect destination, QRect area,
          bool paintBorders, QColor background) {
    if (paintBorders) {
        PaintBorders(destination, area, painter, background);
    }
    DrawResampled(holder, painter, source, destination, Qt::SmoothTransformation);
}

void DrawScaled(const CImageHolder& holder, QPainter& painter, QRect source, QRect destination, bool smooth) {
    DrawResampled(holder, painter, source, destination,
                  smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
}

int PlaceInArea(QRect image, QRect& out, QRect area, bool fit) {
    const int iw = image.width();
    const int ih = image.height();
    if (!fit) {
        out = image;
        if (iw <= area.width()) {
            out.translate((area.width() - iw) / 2, 0);
        }
        if (ih <= area.height()) {
            out.translate(0, (area.height() - ih) / 2);
        }
        return 0;
    }

    // A 4-pixel margin on every side; an area smaller than the margins leaves no room at all.
    const int aw = std::max(area.width() - 8, 0);
    const int ah = std::max(area.height() - 8, 0);
    int w = 0;
    int h = 0;
    if (iw <= aw && ih <= ah) {
        w = iw;
        h = ih;
    } else if (iw <= 0 || ih <= 0) {
        w = std::clamp(iw, 0, aw);
        h = std::clamp(ih, 0, ah);
    } else {
        const double x = std::trunc(static_cast<double>(iw) / ih * ah);
        if (x > aw) {
            w = aw;
            h = static_cast<int>(static_cast<double>(ih) / iw * aw);
        } else {
            w = static_cast<int>(x);
            h = ah;
        }
    }
    out = QRect(area.left() + (aw - w) / 2 + 4, area.top() + (ah - h) / 2 + 4, w, h);
    return (w != iw || h != ih) ? 1 : 0;
}

void PaintBorders(QRect destination, QRect area, QPainter& painter, QColor background) {
    const int areaRight = area.x() + area.width(); // exclusive edges
    const int areaBottom = area.y() + area.height();
    const int destRight = destination.x() + destination.width();
    const int destBottom = destination.y() + destination.height();
    const auto fill = [&](QRect strip) {
        if (!strip.isEmpty()) {
            painter.fillRect(strip, background);
        }
    };
    if (area.width() >= destination.width()) {
        fill(QRect(area.x(), area.y(), destination.x() - area.x(), area.height()));
        fill(QRect(destRight, area.y(), areaRight - destRight, area.height()));
    }
    if (area.height() >= destination.height()) {
        fill(QRect(area.x(), area.y(), area.width(), destination.y() - area.y()));
        fill(QRect(area.x(), destBottom, area.width(), areaBottom - destBottom));
    }
}

} // namespace quorvane
