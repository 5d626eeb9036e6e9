#include "ThumbnailCache.h"

#include "CCodeArchive.h"
#include "CThumbnailMaker.h"
#include "ImageWipe.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvane {

size_t ThumbnailCache::KeyHash::operator()(const Key& k) const {
    size_t h = std::hash<const void*>()(k.archive);
    h ^= std::hash<uint64_t>()(k.generation) + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
    h ^=
        std::hash<int>()((k.number * 8 + k.cell) * 8 + k.scale) + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
    return h;
}

ThumbnailCache::ThumbnailCache(size_t capacity)
    : capacity_(std::max<size_t>(capacity, 1)) {}

ThumbnailCache::~ThumbnailCache() {
    Clear();
}

namespace {

// The 5-5-5 word widened to 8 bits a channel, as Qt widens it.
inline QRgb Widened(uint32_t w) {
    const uint32_t r = (w >> 10) & 31;
    const uint32_t g = (w >> 5) & 31;
    const uint32_t b = w & 31;
    return 0xFF000000U | ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
}

} // namespace

void ThumbnailCache::WidenRow(const uint16_t* words, QRgb* out, int count) {
    int x = 0;
#if defined(__SSE2__)
    // Eight pixels at a time in 16-bit lanes: a 5-bit channel v widens to (v * 33) >> 2, which is
    // v << 3 | v >> 2; the lanes G<<8|B and 0xFF00|R then interleave into the 32-bit pixels.
    const __m128i five = _mm_set1_epi16(31);
    const __m128i times33 = _mm_set1_epi16(33);
    const __m128i alpha = _mm_set1_epi16(static_cast<short>(0xFF00));
    for (; x + 8 <= count; x += 8) {
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words + x));
        const __m128i b = _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(w, five), times33), 2);
        const __m128i g =
            _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(w, 5), five), times33), 2);
        const __m128i r =
            _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(w, 10), five), times33), 2);
        const __m128i low = _mm_or_si128(_mm_slli_epi16(g, 8), b);
        const __m128i high = _mm_or_si128(alpha, r);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi16(low, high));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), _mm_unpackhi_epi16(low, high));
    }
#endif
    for (; x < count; ++x) {
        out[x] = Widened(words[x]);
    }
}

QImage ThumbnailCache::CopyCell(int cell) {
    const CThumbnailMaker& maker = SharedThumbnailMaker();
    const QImage& colour = maker.Cell(cell);
    const QImage& mask = maker.Mask(cell);
    if (const QRect opaque = maker.Opaque(cell); !opaque.isEmpty()) {
        QImage out(opaque.size(), QImage::Format_RGB32);
        out.setOffset(opaque.topLeft());
        // QImage's accessors are calls into Qt (scanLine checks for sharing each time): taken once.
        const int width = opaque.width();
        const int height = opaque.height();
        const qsizetype from = colour.bytesPerLine();
        const qsizetype to = out.bytesPerLine();
        const uchar* source = colour.constBits() + opaque.top() * from + opaque.left() * 2;
        uchar* target = out.bits();
        for (int y = 0; y < height; ++y) {
            WidenRow(reinterpret_cast<const uint16_t*>(source + y * from),
                     reinterpret_cast<QRgb*>(target + y * to), width);
        }
        return out;
    }
    QImage out(colour.size(), QImage::Format_ARGB32_Premultiplied);
    // One pass from the 5-5-5 words (widened as Qt widens them) and the mask, which is white
    // where the icon is transparent.
    const int width = out.width();
    const int height = out.height();
    for (int y = 0; y < height; ++y) {
        const auto* words = reinterpret_cast<const uint16_t*>(colour.constScanLine(y));
        const uchar* m = mask.constScanLine(y);
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = m[x] != 0 ? 0 : Widened(words[x]);
        }
    }
    return out;
}

QImage ThumbnailCache::Blocks(const QImage& image, int scale) {
    if (scale <= 1 || image.isNull()) {
        return image;
    }
    // Both of CopyCell's formats have 32 bits a pixel.
    QImage out(image.size() * scale, image.format());
    out.setDevicePixelRatio(scale);
    out.setOffset(image.offset());
    for (int y = 0; y < image.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y * scale));
        for (int x = 0; x < image.width(); ++x) {
            std::fill_n(row + x * scale, scale, from[x]);
        }
        for (int repeat = 1; repeat < scale; ++repeat) {
            std::memcpy(out.scanLine(y * scale + repeat), row, size_t(out.bytesPerLine()));
        }
    }
    return out;
}

int ThumbnailCache::ScaleFor(qreal devicePixelRatio) {
    // A ratio a rounding error above a whole number is that number.
    const int scale = int(std::ceil(devicePixelRatio - 0.01));
    return std::clamp(scale, 1, 4);
}

const QImage* ThumbnailCache::Fetch(CCodeArchive& archive, int number, int cell, bool mayRender, int scale) {
    if (archive.catalogueInFlux() || cell < 0 || cell >= CThumbnailMaker::kCellCount) {
        return nullptr;
    }
    scale = std::clamp(scale, 1, 4);
    const Key key{&archive, archive.catalogueGeneration(), number, cell, scale};
    if (auto it = entries_.find(key); it != entries_.end()) {
        order_.splice(order_.begin(), order_, it->second);
        return &it->second->image;
    }
    if (!mayRender || archive.Busy()) {
        return nullptr;
    }
    if (hook_) {
        hook_(number, cell);
    }
    ++renders_;
    const EntryIndex index = EntryIndex::OfNumber(number);
    const bool batched = batch_ && batchKey_.archive == key.archive &&
                         batchKey_.generation == key.generation && batchKey_.cell == key.cell &&
                         batchKey_.scale == key.scale && batch_->Pending(index);
    if (!(batched ? batch_->Render(index) : archive.RenderThumbnail(index, cell))) {
        return nullptr;
    }
    return &Keep(key, CopyCell(cell));
}

void ThumbnailCache::Prepare(CCodeArchive& archive, const std::vector<int>& numbers, int cell, int scale) {
    Finish();
    if (archive.catalogueInFlux() || archive.Busy() || cell < 0 || cell >= CThumbnailMaker::kCellCount) {
        return;
    }
    scale = std::clamp(scale, 1, 4);
    std::vector<EntryIndex> entries;
    for (int number : numbers) {
        if (!entries_.contains(Key{&archive, archive.catalogueGeneration(), number, cell, scale}) &&
            std::find(entries.begin(), entries.end(), EntryIndex::OfNumber(number)) == entries.end()) {
            entries.push_back(EntryIndex::OfNumber(number));
        }
    }
    if (entries.size() > 1) {
        batch_ = std::make_unique<ThumbnailBatch>(archive, std::move(entries), cell);
        batchKey_ = Key{&archive, archive.catalogueGeneration(), 0, cell, scale};
    }
}

void ThumbnailCache::Finish() {
    batch_.reset();
    batchKey_ = Key{};
}

const QImage& ThumbnailCache::Keep(const Key& key, QImage image) {
    // Copied before anything else can call into the engine and redraw the shared cell.
    if (key.scale > 1) {
        QImage blocks = Blocks(image, key.scale);
        Wipe(image);
        image = std::move(blocks);
    }
    const size_t units = size_t(key.scale) * size_t(key.scale);
    while (!order_.empty() && units_ + units > capacity_) {
        Erase(std::prev(order_.end()));
    }
    units_ += units;
    order_.push_front(Entry{key, std::move(image)});
    entries_.emplace(key, order_.begin());
    return order_.front().image;
}

void ThumbnailCache::DropArchive(const CCodeArchive* archive) {
    if (batchKey_.archive == archive) {
        Finish();
    }
    for (auto it = order_.begin(); it != order_.end();) {
        auto next = std::next(it);
        if (it->key.archive == archive) {
            Erase(it);
        }
        it = next;
    }
}

void ThumbnailCache::KeepOnly(const std::vector<CCodeArchive*>& open) {
    Finish();
    for (auto it = order_.begin(); it != order_.end();) {
        auto next = std::next(it);
        const auto live = std::find(open.begin(), open.end(), it->key.archive);
        if (live == open.end() || (*live)->catalogueGeneration() != it->key.generation) {
            Erase(it);
        }
        it = next;
    }
}

void ThumbnailCache::Clear() {
    Finish();
    while (!order_.empty()) {
        Erase(order_.begin());
    }
}

void ThumbnailCache::Erase(Order::iterator it) {
    units_ -= size_t(it->key.scale) * size_t(it->key.scale);
    entries_.erase(it->key);
    Wipe(it->image);
    order_.erase(it);
}

void ThumbnailCache::Wipe(QImage& image) {
    // Only an image nobody else shares is ours to overwrite; the shared wipe leaves a shared one be.
    WipeImage(image);
}

} // namespace quorvane
