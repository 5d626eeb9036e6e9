#pragma once
// The preview pane and the slideshow over a real Workspace with archives in memory, the fake frame
// and dialogs of the application tests, and a list that steps through given entries.
#include "WorkspaceFixture.h"

#include "CCodePict.h"
#include "ImageBrowser.h"

#include <QImage>

#include <vector>

namespace quorvane::testing {

// The contents list as the preview and the slideshow see it: steps through `images` in order,
// wrapping, and opens each image it lands on through the Workspace.
class SteppingList : public ImageBrowser {
public:
    explicit SteppingList(Workspace& workspace)
        : workspace_(workspace) {}

    bool NextImage() override;
    bool PreviousImage() override;
    void StartSlideshow() override { ++starts; }

    std::vector<int> images;
    size_t at = 0;
    int nexts = 0;
    int previouses = 0;
    int starts = 0;

private:
    bool Land();
    Workspace& workspace_;
};

class PreviewFixture : public WorkspaceFixture {
protected:
    PreviewFixture();

    // A picture as a stored PNG.
    static std::vector<uint8_t> Png(const QImage& image);
    static QImage Solid(int width, int height, QColor colour);
    // Each pixel's red is x % 256 and green y % 256: where a pixel shows says which it is.
    static QImage Pattern(int width, int height);
    // Imports `image` as a PNG named `name` into the archive's top level; its number.
    int AddPicture(const std::string& name, const QImage& image);
    // What the pane's viewport shows now.
    QImage Shot();

    CCodePict pane{ws, &frame, &dialogs};
    SteppingList browser{ws};
};

} // namespace quorvane::testing
