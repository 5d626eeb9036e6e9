#pragma once
// Copies of the contents list's thumbnails, so that an item scrolled past is not decrypted again at
// every paint. The engine rebuilds a thumbnail in the one shared cell of the thumbnail maker; the
// cache copies that cell at once (the next call into the engine may overwrite it). When the cell's
// mask leaves one opaque rectangle (the framed picture, as the maker draws it) the copy is just that
// rectangle, opaque, with its place in the cell as the image's offset(): painting it is then a plain
// copy instead of a blend of the whole cell. Any other mask gives the whole cell with alpha.
//
// Entries are keyed by the archive object, its catalogue generation, the entry number, the cell and
// the pixel scale, so that a renumbered or reloaded catalogue can never show another entry's picture. Only
// the code that paints an item fills the cache, and never while the archive runs an operation or its
// catalogue is in flux. The pixels are decrypted content: whatever the cache lets go of is zeroed
// first, and everything of an archive goes when it closes.
#include <QImage>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

namespace quorvane {

class CCodeArchive;
class ThumbnailBatch;

class ThumbnailCache {
public:
    static constexpr size_t kDefaultCapacity = 512;

    explicit ThumbnailCache(size_t capacity = kDefaultCapacity);
    ~ThumbnailCache();
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // The thumbnail of entry `number` drawn into cell `cell` (0: 16 pixels, 1: 32 pixels, or the
    // archive's own thumbnail size index). A copy made earlier for the same catalogue generation is
    // returned as it is; otherwise, when `mayRender` and the archive is idle and readable, the engine
    // renders it now. Null when the entry has no thumbnail or rendering is not allowed. The pointer
    // is valid until the next call that changes the cache.
    //
    // `scale` is for screens with more than one device pixel per logical pixel: each stored pixel
    // becomes a scale x scale block and the image's device pixel ratio is `scale` (its offset() stays
    // in the cell's logical pixels), so that it is drawn at the cell's logical size pixel for pixel,
    // never smoothed up from the stored size. The capacity counts a copy at scale s as s * s copies.
    const QImage* Fetch(CCodeArchive& archive, int number, int cell, bool mayRender, int scale = 1);

    // The thumbnails of `numbers` are about to be fetched (with `mayRender`), in any order: those
    // not kept yet are rendered through one batch, decrypted on the engine's workers ahead of the
    // fetch that asks for them. Finish() ends the batch; what nobody fetched by then is not kept.
    void Prepare(CCodeArchive& archive, const std::vector<int>& numbers, int cell, int scale = 1);
    void Finish();

    // Forgets (and zeroes) every thumbnail of `archive`: it closes or its catalogue changes. The
    // archive is not read, so this may be called with an object that is going away.
    void DropArchive(const CCodeArchive* archive);
    // Keeps only the thumbnails of archives in `open` made for their current generation.
    void KeepOnly(const std::vector<CCodeArchive*>& open);
    void Clear();

    size_t size() const { return entries_.size(); }
    size_t capacity() const { return capacity_; }
    // Thumbnails rendered through the engine since the cache was made.
    uint64_t renderCount() const { return renders_; }
    // Called with the entry number before each render (tests count and check what is rendered).
    void SetRenderHook(std::function<void(int number, int cell)> hook) { hook_ = std::move(hook); }

    // The maker's cell `cell`: the opaque rectangle at its offset(), or the whole cell with alpha
    // (transparent where the mask is white) at offset (0, 0).
    static QImage CopyCell(int cell);
    // `count` 5-5-5 words widened to opaque 32-bit pixels, each channel as Qt widens it.
    static void WidenRow(const uint16_t* words, QRgb* out, int count);
    // `image` with every pixel repeated into a scale x scale block, device pixel ratio `scale`, the
    // same offset(); `image` itself when `scale` is 1.
    static QImage Blocks(const QImage& image, int scale);
    // The whole-number scale for thumbnails on a paint device of `devicePixelRatio`: the ratio itself
    // when it is whole, else the next whole number above it (the painter then reduces the picture a
    // little rather than enlarging it); 1 for ratios up to 1, and never more than 4.
    static int ScaleFor(qreal devicePixelRatio);

private:
    struct Key {
        const CCodeArchive* archive = nullptr;
        uint64_t generation = 0;
        int number = 0;
        int cell = 0;
        int scale = 1;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const;
    };
    struct Entry {
        Key key;
        QImage image;
    };
    using Order = std::list<Entry>; // most recently used first

    // Stores `image`, the copy of the cell made for `key` (widened to the key's scale here), and
    // returns the stored copy.
    const QImage& Keep(const Key& key, QImage image);
    void Erase(Order::iterator it);
    static void Wipe(QImage& image);

    size_t capacity_;
    size_t units_ = 0; // sum of scale * scale over the entries
    Order order_;
    std::unordered_map<Key, Order::iterator, KeyHash> entries_;
    uint64_t renders_ = 0;
    std::function<void(int, int)> hook_;
    std::unique_ptr<ThumbnailBatch> batch_;
    Key batchKey_; // the archive, generation, cell and scale the batch renders for
};

} // namespace quorvane
