#include "PreviewFixture.h"

#include "ImageFixtures.h"

#include <QApplication>

namespace quorvane::testing {

bool SteppingList::NextImage() {
    ++nexts;
    if (images.empty()) {
        return false;
    }
    at = (at + 1) % images.size();
    return Land();
}

bool SteppingList::PreviousImage() {
    ++previouses;
    if (images.empty()) {
        return false;
    }
    at = (at + images.size() - 1) % images.size();
    return Land();
}

bool SteppingList::Land() {
    workspace_.OpenEntry(images[at]);
    return true;
}

PreviewFixture::PreviewFixture() {
    ws.SetViews(&frame, &tree, &list, &pane);
    pane.SetBrowser(&browser);
    // Blue, so that it tells apart from a white empty pane and from the pictures.
    prefs.backgroundColour = 0x00FF0000;
    prefs.alertFileOpen = 0;
}

std::vector<uint8_t> PreviewFixture::Png(const QImage& image) {
    const QByteArray png = fixtures::Encode(image, "png");
    return {png.begin(), png.end()};
}

QImage PreviewFixture::Solid(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QImage PreviewFixture::Pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x % 256, y % 256, 0));
        }
    }
    return image;
}

int PreviewFixture::AddPicture(const std::string& name, const QImage& image) {
    return ImportFile(0, name, Png(image));
}

QImage PreviewFixture::Shot() {
    QApplication::processEvents();
    return pane.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace quorvane::testing
