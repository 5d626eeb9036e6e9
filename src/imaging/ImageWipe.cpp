#include "ImageWipe.h"

#include <cstring>
#include <utility>

namespace quorvane {

namespace {

std::function<void(const QImage&)>& Observer() {
    static std::function<void(const QImage&)> observer;
    return observer;
}

} // namespace

bool WipeImage(QImage& image) {
    if (image.isNull()) {
        return false;
    }
    bool wiped = false;
    if (image.isDetached()) {
        // bits() does not copy an image that is not shared.
        uchar* bits = image.bits();
        std::memset(bits, 0, static_cast<size_t>(image.sizeInBytes()));
        // Keeps the stores from being dropped as dead: the memory is freed right after.
        __asm__ __volatile__("" : : "r"(bits) : "memory");
        wiped = true;
        if (Observer()) {
            Observer()(image);
        }
    }
    image = QImage();
    return wiped;
}

void SetImageWipeObserver(std::function<void(const QImage& zeroed)> observer) {
    Observer() = std::move(observer);
}

} // namespace quorvane
