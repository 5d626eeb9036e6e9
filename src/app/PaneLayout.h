#pragma once
// The main window's pane arrangements. Every start begins with ShowAll; the layout is not stored.

namespace quorvane {

enum class PaneLayout { HidePreview = 0, ShowAll = 1, HideArchive = 2 };

// The preview pane is on screen in ShowAll and HideArchive.
constexpr bool PreviewVisible(PaneLayout layout) {
    return layout != PaneLayout::HidePreview;
}

} // namespace quorvane
