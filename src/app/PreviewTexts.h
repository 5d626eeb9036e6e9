#pragma once
// The texts the preview pane gives the window: the caption above it and the four status-bar panes
// that describe the shown image.
#include <QString>

#include <array>
#include <cstdint>

namespace quorvane {

// What the status bar reads of the shown image.
struct PreviewFacts {
    bool shown = false;
    int width = 0;
    int height = 0;
    int typeCode = 0;  // 0x81 JPEG ... 0x85 TIFF
    int depth = 0;     // bits per pixel
    uint32_t size = 0; // bytes of the stored file
};

class PreviewTexts {
public:
    // "Preview of 'name'", followed by " - " and the comment when there is one.
    static QString Caption(const QString& name, const QString& comment);

    // Panes 3001..3004: "%2dx%2d", the type ("JPEG", "GIF", "BMP", "PNG", "TIF"), the colours
    // ("%d Colors" for 0, 1, 2, 3, 4 and 8 bits, else "True Color") and "%.1fKB". A single blank
    // each while nothing is shown.
    static std::array<QString, 4> Status(const PreviewFacts& facts);

    // The type text of an image type code; empty for any other code.
    static QString TypeText(int typeCode);
};

} // namespace quorvane
