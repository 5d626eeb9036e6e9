#pragma once
// Renders a decoded image into the thumbnail that an archive stores and into the 16 and 32 pixel list
// icons, and rebuilds those icons later from the stored thumbnail alone. One instance per process; its
// cells are overwritten by every Render and RestoreIcon.
#include "StoredCodes.h"

#include <QImage>
#include <QRect>

#include <array>
#include <cstdint>

namespace quorvane {

class CImageHolder;

class CThumbnailMaker {
public:
    static constexpr int kCellCount = 5;
    static constexpr int kCellSize[kCellCount] = {16, 32, 48, 64, 96};
    // The largest stored thumbnail: 96 x 96 pixels at two bytes.
    static constexpr uint32_t kMaxStoredBytes = ThumbStoredLength(8);

    CThumbnailMaker();

    // The rectangle an image of width x height occupies in a cell: fitted inside, proportions kept (but
    // at least one pixel thick), centred horizontally and standing on the cell's bottom edge.
    static QRect Placement(int width, int height, int cellSize);

    // Draws cells 0 and 1 and, for a size index above 1, that index's cell: white, the whole image
    // resampled into its placement (smooth: interpolating, else nearest pixel), a one-pixel black frame
    // along the inside of the placement, and the mask. Does nothing without an image or for size index 0.
    void Render(const CImageHolder& image, int sizeIndex, bool smooth);

    // The pixels of cell `sizeIndex` in the stored layout: rows top-down, no padding; grey one byte per
    // pixel, else a little-endian 5-5-5 word per pixel. Valid until the next call; null for a bad index.
    const uint8_t* GetThumbnailBits(int sizeIndex, bool grey);

    // Rebuilds cell `targetCell` from a stored thumbnail of size index `storedSizeIndex` (1 ... 4): copied
    // into its own cell, sampled down into cell 0 or 1, not copied into any other; then the frame and the
    // mask are redrawn for an image of width x height. `pixels` holds the stored thumbnail's bytes.
    void RestoreIcon(int storedSizeIndex, const uint8_t* pixels, int targetCell, bool grey, int width,
                     int height);

    // Zeroes every cell, mask and staging buffer (they held a picture of the last archive used), then
    // makes the cells blank again. A cell another QImage still shares is replaced instead: that copy
    // is its holder's to wipe.
    void Wipe();

    // Colour bitmap of a cell, Format_RGB555.
    const QImage& Cell(int index) const { return cells_.at(index); }
    // Mask of a cell, Format_Grayscale8: white where the icon is transparent, black over the framed image.
    const QImage& Mask(int index) const { return masks_.at(index); }
    // The one rectangle of a cell that its mask leaves opaque: the framed image, the whole cell after
    // Wipe, nothing before the first picture. Kept as the mask is drawn, so nobody scans the mask for it.
    QRect Opaque(int index) const { return opaque_.at(index); }

    // Pixel conversions of the stored layout.
    static uint8_t GreyOf(uint16_t pixel555);
    static uint16_t PixelOfGrey(uint8_t grey) { return static_cast<uint16_t>((grey >> 3) * 0x421); }

private:
    void FrameAndMask(int cell, QRect placement);

    std::array<QImage, kCellCount> cells_;
    std::array<QImage, kCellCount> masks_;
    std::array<QRect, kCellCount> opaque_{};
    std::array<uint8_t, kMaxStoredBytes> bits_{}; // a cell's words in the stored layout
    std::array<uint8_t, kMaxStoredBytes> grey_{}; // the same pixels as grey bytes
};

} // namespace quorvane
