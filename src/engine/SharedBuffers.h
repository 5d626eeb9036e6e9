#pragma once
// The buffers every archive of the process shares, and the one thumbnail maker.
#include "Format.h"

#include <cstdint>

namespace quorvane {

class CThumbnailMaker;

// The one thumbnail maker of the process.
CThumbnailMaker& SharedThumbnailMaker();

// The two 4 MiB transfer buffers and the thumbnail buffer, made once per process and shared by
// every archive.
//
// No pointer into them is held across a pump. A pump - PollCancel, or any dialog - runs the host's
// event loop, which may call back into any archive (a paint asks for a thumbnail, say) and so
// overwrite them. An operation therefore keeps nothing in them from one unit of work to the next,
// and whoever gets bytes from GetThumbnail or GetImageData uses or copies them before the next
// call into the engine that may pump. Debug builds check it: `epoch` advances at every pump, and a
// SharedBytes taken before one asserts when it is read after it.
struct TransferBuffers {
    uint8_t* a;
    uint8_t* b;
    uint8_t* thumbnail;
    uint64_t epoch = 0;
};
TransferBuffers& SharedBuffers();
// Zeroes both transfer buffers, the chunk buffers of the worker pool, the thumbnail buffer and the
// thumbnail maker's cells: what an archive decrypted into them outlives nothing once it is closed. Called
// after every close; safe whenever no engine call is under way (nothing keeps a pointer into them between
// calls).
void WipeSharedBuffers();

// Buffers of one stored thumbnail each (kThumbnailBufferSize bytes), for the thumbnails a list
// decrypts beside the caller's thread (ThumbnailBatch); made on first use, zeroed
// with the others.
constexpr int kThumbnailJobBuffers = 16;
uint8_t* ThumbnailJobBuffer(int slot);

// A pointer into the shared buffers together with the pump epoch it was taken in.
class SharedBytes {
public:
    SharedBytes() = default;
    explicit SharedBytes(const uint8_t* data)
        : data_(data)
        , epoch_(SharedBuffers().epoch) {}
    // The pointer; debug builds abort when a pump came between taking and reading it.
    const uint8_t* get() const;
    explicit operator bool() const { return data_ != nullptr; }

private:
    const uint8_t* data_ = nullptr;
    uint64_t epoch_ = 0;
};

} // namespace quorvane
