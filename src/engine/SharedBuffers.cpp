#include "SharedBuffers.h"

#include "CThumbnailMaker.h"
#include "ChunkCursor.h"

#include <cassert>
#include <cstring>
#include <memory>

namespace quorvane {

CThumbnailMaker& SharedThumbnailMaker() {
    static CThumbnailMaker maker;
    return maker;
}

TransferBuffers& SharedBuffers() {
    static std::unique_ptr<uint8_t[]> a(new uint8_t[kTransferBufferSize]);
    static std::unique_ptr<uint8_t[]> b(new uint8_t[kTransferBufferSize]);
    static std::unique_ptr<uint8_t[]> thumbnail(new uint8_t[kThumbnailBufferSize]);
    static TransferBuffers buffers{a.get(), b.get(), thumbnail.get()};
    return buffers;
}

namespace {

std::unique_ptr<uint8_t[]>& ThumbnailJobMemory() {
    static std::unique_ptr<uint8_t[]> memory;
    return memory;
}

} // namespace

uint8_t* ThumbnailJobBuffer(int slot) {
    assert(slot >= 0 && slot < kThumbnailJobBuffers);
    std::unique_ptr<uint8_t[]>& memory = ThumbnailJobMemory();
    if (!memory) {
        memory = std::make_unique<uint8_t[]>(size_t(kThumbnailJobBuffers) * kThumbnailBufferSize);
    }
    return memory.get() + size_t(slot) * kThumbnailBufferSize;
}

void WipeSharedBuffers() {
    TransferBuffers& buffers = SharedBuffers();
    std::memset(buffers.a, 0, kTransferBufferSize);
    std::memset(buffers.b, 0, kTransferBufferSize);
    std::memset(buffers.thumbnail, 0, kThumbnailBufferSize);
    if (const std::unique_ptr<uint8_t[]>& jobs = ThumbnailJobMemory(); jobs) {
        std::memset(jobs.get(), 0, size_t(kThumbnailJobBuffers) * kThumbnailBufferSize);
    }
    SharedThumbnailMaker().Wipe();
    WipeChunkBuffers();
    // A pointer taken before is stale now, as after a pump.
    ++buffers.epoch;
}

const uint8_t* SharedBytes::get() const {
    assert((data_ == nullptr || epoch_ == SharedBuffers().epoch) &&
           "a pointer into the shared buffers was held across a pump");
    return data_;
}

} // namespace quorvane
