#pragma once
// Decoded pictures are as secret as the archive they came from: the pixel memory the program owns
// is zeroed before it is let go, not only freed.
#include <QImage>

#include <functional>

namespace quorvane {

// Zeroes `image`'s pixels when `image` is their only holder, then empties it. A picture whose pixels
// another QImage still shares is only let go: zeroing them would blank that holder's copy, which is
// that holder's to wipe. Returns whether the pixels were zeroed.
bool WipeImage(QImage& image);

// For tests: called with each picture just zeroed, before its memory is freed.
void SetImageWipeObserver(std::function<void(const QImage& zeroed)> observer);

} // namespace quorvane
