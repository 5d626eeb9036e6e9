#include "CThumbnailMaker.h"

#include "CImageHolder.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quorvane {
namespace {

constexpr uint16_t kBlack555 = 0x0000;

uint16_t* Row(QImage& cell, int y) {
    return reinterpret_cast<uint16_t*>(cell.scanLine(y));
}
const uint16_t* Row(const QImage& cell, int y) {
    return reinterpret_cast<const uint16_t*>(cell.constScanLine(y));
}

// One axis of the 1.5-unit stepped pattern: steps of one, one, then two and one by turns. The counter
// is shared by everything that steps along the axis, which is why it lives outside the loops.
class Stepper {
public:
    int Next(int unit) {
        if (counter_ == 2) {
            counter_ = 1;
            return 2 * unit;
        }
        ++counter_;
        return unit;
    }

private:
    int counter_ = 0;
};

struct Sampling {
    bool stepped = false;
    int unit = 0; // 0: no sampling for this pair
};

// How a stored size is sampled into cell 0 (16 pixels) or cell 1 (32 pixels). Every stored size is
// chosen so that both icon sizes follow from it by whole or 1.5-unit steps.
Sampling SamplingFor(int storedSizeIndex, int targetCell) {
    static constexpr Sampling kTable[5][2] = {
        {{false, 0}, {false, 0}}, // (16 is never stored)
        {{false, 2}, {false, 0}}, // 32: every 2nd; own cell
        {{true, 2}, {true, 1}},   // 48
        {{false, 4}, {false, 2}}, // 64
        {{true, 4}, {true, 2}},   // 96
    };
    return kTable[storedSizeIndex][targetCell];
}

} // namespace

CThumbnailMaker::CThumbnailMaker() {
    for (int i = 0; i < kCellCount; ++i) {
        cells_[i] = QImage(kCellSize[i], kCellSize[i], QImage::Format_RGB555);
        cells_[i].fill(Qt::white);
        masks_[i] = QImage(kCellSize[i], kCellSize[i], QImage::Format_Grayscale8);
        masks_[i].fill(255);
    }
}

void CThumbnailMaker::Wipe() {
    for (int i = 0; i < kCellCount; ++i) {
        for (QImage* image : {&cells_[i], &masks_[i]}) {
            if (image->isDetached()) {
                std::memset(image->bits(), 0, static_cast<size_t>(image->sizeInBytes()));
            } else {
                *image = QImage(image->size(), image->format());
                image->fill(0);
            }
        }
        opaque_[i] = masks_[i].rect(); // an all-black mask
    }
    std::memset(bits_.data(), 0, bits_.size());
    std::memset(grey_.data(), 0, grey_.size());
}

QRect CThumbnailMaker::Placement(int width, int height, int cellSize) {
    const double cw = cellSize;
    const double ch = cellSize;
    double x = static_cast<double>(width) / height * ch;
    double y = ch;
    if (!(x >= 1.0)) { // also catches 0 / 0
        x = 1.0;
    }
    if (x > cw) {
        y = static_cast<double>(height) / width * cw;
        if (!(y >= 1.0)) {
            y = 1.0;
        }
        x = cw;
    }
    const int w = static_cast<int>(x);
    const int h = static_cast<int>(y);
    // Centred by the untruncated width, standing on the bottom edge.
    return QRect(static_cast<int>((cw - x) * 0.5), cellSize - h, w, h);
}

uint8_t CThumbnailMaker::GreyOf(uint16_t pixel555) {
    const int r = ((pixel555 >> 10) & 0x1F) << 3;
    const int g = ((pixel555 >> 5) & 0x1F) << 3;
    const int b = (pixel555 & 0x1F) << 3;
    return static_cast<uint8_t>((r + g + b) / 3);
}

void CThumbnailMaker::FrameAndMask(int cell, QRect placement) {
    QImage& colour = cells_[cell];
    const QRect inside = placement.intersected(colour.rect());
    if (!inside.isEmpty()) {
        const int left = inside.left();
        const int right = inside.right(); // inclusive
        const int top = inside.top();
        const int bottom = inside.bottom();
        for (int x = left; x <= right; ++x) {
            Row(colour, top)[x] = kBlack555;
            Row(colour, bottom)[x] = kBlack555;
        }
        for (int y = top; y <= bottom; ++y) {
            Row(colour, y)[left] = kBlack555;
            Row(colour, y)[right] = kBlack555;
        }
    }
    QImage& mask = masks_[cell];
    mask.fill(255);
    for (int y = inside.top(); y <= inside.bottom() && !inside.isEmpty(); ++y) {
        std::memset(mask.scanLine(y) + inside.left(), 0, static_cast<size_t>(inside.width()));
    }
    opaque_[cell] = inside;
}

void CThumbnailMaker::Render(const CImageHolder& image, int sizeIndex, bool smooth) {
    if (!image.HasImage() || sizeIndex <= 0 || sizeIndex >= kCellCount) {
        return;
    }
    const int cells[3] = {0, 1, sizeIndex};
    const int count = sizeIndex > 1 ? 3 : 2;
    for (int i = 0; i < count; ++i) {
        const int cell = cells[i];
        // Placed by the image's full size: after a reduced-scale decode Image() is smaller than that.
        const QRect placement = Placement(image.Width(), image.Height(), kCellSize[cell]);
        cells_[cell].fill(Qt::white);
        {
            QPainter painter(&cells_[cell]);
            DrawScaled(image, painter, image.Image().rect(), placement, smooth);
        }
        FrameAndMask(cell, placement);
    }
}

const uint8_t* CThumbnailMaker::GetThumbnailBits(int sizeIndex, bool grey) {
    if (sizeIndex < 0 || sizeIndex >= kCellCount) {
        return nullptr;
    }
    const QImage& cell = cells_[sizeIndex];
    const int side = kCellSize[sizeIndex];
    size_t at = 0;
    for (int y = 0; y < side; ++y) {
        const uint16_t* row = Row(cell, y);
        for (int x = 0; x < side; ++x) {
            const uint16_t pixel = row[x] & 0x7FFF;
            if (grey) {
                grey_[at++] = GreyOf(pixel);
            } else {
                bits_[at++] = static_cast<uint8_t>(pixel & 0xFF);
                bits_[at++] = static_cast<uint8_t>(pixel >> 8);
            }
        }
    }
    return grey ? grey_.data() : bits_.data();
}

void CThumbnailMaker::RestoreIcon(int storedSizeIndex, const uint8_t* pixels, int targetCell, bool grey,
                                  int width, int height) {
    if (storedSizeIndex < 1 || storedSizeIndex >= kCellCount || targetCell < 0 || targetCell >= kCellCount ||
        pixels == nullptr) {
        return;
    }
    const int stored = kCellSize[storedSizeIndex];
    const auto pixelAt = [&](int x, int y) -> uint16_t {
        const size_t i = static_cast<size_t>(y) * stored + x;
        if (grey) {
            return PixelOfGrey(pixels[i]);
        }
        return static_cast<uint16_t>(pixels[2 * i] | (pixels[2 * i + 1] << 8));
    };

    QImage& cell = cells_[targetCell];
    if (targetCell == storedSizeIndex) {
        for (int y = 0; y < stored; ++y) {
            uint16_t* row = Row(cell, y);
            for (int x = 0; x < stored; ++x) {
                row[x] = pixelAt(x, y);
            }
        }
    } else if (targetCell <= 1) {
        const Sampling sampling = SamplingFor(storedSizeIndex, targetCell);
        if (sampling.unit > 0) {
            const int out = kCellSize[targetCell];
            const int u = sampling.unit;
            Stepper columns;
            Stepper rows;
            int y = 0;
            for (int r = 0; r < out; ++r) {
                if (r > 0) {
                    y += sampling.stepped ? rows.Next(u) : u;
                }
                uint16_t* row = Row(cell, r);
                int x = 0;
                for (int c = 0; c < out; ++c) {
                    // The column counter advances once for every output pixel after the very first, also
                    // at the start of a row, where the column itself goes back to 0.
                    if (r > 0 || c > 0) {
                        const int step = sampling.stepped ? columns.Next(u) : u;
                        if (c > 0) {
                            x += step;
                        }
                    }
                    row[c] = pixelAt(x, y);
                }
            }
        }
    }
    FrameAndMask(targetCell, Placement(width, height, kCellSize[targetCell]));
}

} // namespace quorvane
