#pragma once
// What the preview pane and the slideshow ask of the contents list: stepping from image to image,
// and starting the slideshow. The list implements it.
namespace quorvane {

class ImageBrowser {
public:
    virtual ~ImageBrowser() = default;
    // Selects the next (previous) showable image of the list, wrapping at the ends and skipping
    // folders and items that are not images, and has the preview show it before returning. A list
    // holding a single image lands on that image again. False when the list holds no image.
    virtual bool NextImage() = 0;
    virtual bool PreviousImage() = 0;
    // Deselects every item and starts the slideshow (or says that there is nothing to show);
    // returns when the slideshow has ended.
    virtual void StartSlideshow() = 0;
};

} // namespace quorvane
