#pragma once
// Decoding of stored pictures from memory and drawing them. Qt Gui only: QImage, QImageReader and
// QPainter on a QImage work without any application object, so the engine and `kvq` use this too.
#include "StoredCodes.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QVector>

#include <cstdint>
#include <functional>
#include <string>

class QPainter;

namespace quorvane {

// The image format of an entry, as stored with the entry in the archive.
enum ImageType : int16_t {
    kImageJpeg = kTypeJpeg,
    kImageGif = kTypeGif,
    kImageBmp = kTypeBmp,
    kImagePng = kTypePng,
    kImageTiff = kTypeTiff,
};

// Results of CImageHolder::Load.
enum ImageStatus : int16_t {
    kImageOk = 0,
    kImageNoHeader = -1,     // nothing loaded, or the header could not be read
    kImageNoMemory = -2,     // the image could not be allocated (or is larger than kMaxImageBytes)
    kImageBadPixels = -3,    // the pixels could not be decoded
    kImageUnknownType = -4,  // unknown type, or a JPEG that does not start with 0xFF 0xD8
    kImageReduceFailed = -5, // the reduction to 256 colours failed
};

// What an interactive load needs from the window: the status-bar activity indicator and the
// "File Open Error" dialog. The defaults do nothing, so the holder is usable without widgets.
struct ImageCallbacks {
    virtual ~ImageCallbacks() = default;
    virtual void BeginActivity() {}
    virtual void EndActivity() {}
    // Shows "There was an error opening the file '%s' with the image viewer. The image either is corrupt
    // or has an unrecognized format." with the box "Do not display this message for this file again.";
    // `suppress` carries the box's state in and out.
    virtual void ShowOpenError(const std::string& name, bool& suppress) {
        (void)name;
        (void)suppress;
    }
};

class CImageHolder {
public:
    // Decoded images above this many bytes (at 32 bits per pixel, or more for deep formats) are refused
    // with kImageNoMemory, judged from the header before any pixel memory is touched.
    static constexpr int64_t kMaxImageBytes = int64_t{256} << 20;
    // The bytes a decoder reads between two calls of a load's `poll`.
    static constexpr int64_t kPollBytes = 128 * 1024;

    CImageHolder() = default;
    // The decoded pixels are zeroed before they are freed, here and at every Reset.
    ~CImageHolder();
    CImageHolder(const CImageHolder&) = delete;
    CImageHolder& operator=(const CImageHolder&) = delete;

    // Decodes `length` bytes at `data` (borrowed only during the call) as `type`. Only the decoder of
    // that type is tried. An interactive load whose `depthLimit` is 8 or less reduces a deeper image to
    // 256 colours with a palette; it also reports activity and failures through `callbacks`.
    int16_t Load(const std::string& name, const uint8_t* data, uint32_t length, int16_t type,
                 int16_t depthLimit, bool interactive, ImageCallbacks* callbacks = nullptr);

    // Non-interactive load for thumbnails only: a JPEG is decoded at a reduced scale (by libjpeg, in the
    // DCT domain) that is still no smaller than the image's placement in a `cellSize` cell (and in the
    // 32-pixel icon cell). Width() and Height() report the full size from the header; Image() holds the
    // reduced pixels. `poll`, when given, is called every kPollBytes the decoder reads, so that the
    // caller can get on with a little of its own work during a long decode.
    int16_t LoadForThumbnail(const std::string& name, const uint8_t* data, uint32_t length, int16_t type,
                             int cellSize, const std::function<void()>& poll = {});

    void Reset();
    bool HasImage() const { return !image_.isNull(); }
    int16_t Status() const { return status_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Depth() const { return depth_; } // bits per pixel: 1, 8, 16, 24 or 32
    int16_t Type() const { return type_; }
    const std::string& Name() const { return name_; }
    const QImage& Image() const { return image_; }
    const QVector<QRgb>& Palette() const { return palette_; } // empty unless colours were reduced

    // The state of the "do not display this message for this file again" box of the last error dialog.
    bool OpenErrorSuppressed() const { return suppressOpenError_; }
    void SetOpenErrorSuppressed(bool suppress) { suppressOpenError_ = suppress; }

    // Bits per pixel that an image of this format counts as (24 for opaque 32-bit formats).
    static int DepthOf(const QImage& image);

private:
    int16_t Decode(const uint8_t* data, uint32_t length, int16_t type, int minimumEdge,
                   const std::function<void()>& poll = {});

    QImage image_;
    QVector<QRgb> palette_;
    std::string name_;
    int width_ = 0;
    int height_ = 0;
    int depth_ = 0;
    int16_t depthLimit_ = 0;
    int16_t type_ = 0;
    int16_t status_ = kImageNoHeader;
    bool suppressOpenError_ = false;
};

bool HasImage(const CImageHolder& holder);

// Draws `source` (image pixels) into `destination`, resampled once (smoothly) to the destination's size;
// with `paintBorders`, the parts of `area` around the destination are first filled with `background`.
void Draw(const CImageHolder& holder, QPainter& painter, QRect source, QRect destination, QRect area,
          bool paintBorders, QColor background);
// The same without borders; `smooth` chooses interpolating resampling over picking the nearest pixel.
void DrawScaled(const CImageHolder& holder, QPainter& painter, QRect source, QRect destination, bool smooth);

// Places an image of `image`'s size in `area`. With `fit`, the image is shrunk (never enlarged) to fit
// inside the area less a 4-pixel margin on each side and centred; without it, it is centred where it is
// smaller than the area and left where it is. Returns 1 when the placed size differs from the image's.
int PlaceInArea(QRect image, QRect& out, QRect area, bool fit);

// Fills the strips of `area` to the left and right of `destination` (over the area's full height) and
// above and below it (over the area's full width).
void PaintBorders(QRect destination, QRect area, QPainter& painter, QColor background);

} // namespace quorvane
