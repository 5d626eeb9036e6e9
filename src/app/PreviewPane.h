#pragma once
// What the Workspace asks of the preview pane.
#include <QString>

#include <cstdint>
#include <span>

namespace quorvane {

// An image to show. `data` is the engine's decrypted copy and is valid only for the call: the pane
// decodes it before returning and keeps no pointer to it.
struct PreviewItem {
    QString name;
    std::span<const uint8_t> data;
    int typeCode = 0;
    int archive = 0;
    int number = 0; // entry number
    QString comment;
};

class PreviewPane {
public:
    virtual ~PreviewPane() = default;
    virtual void ShowItem(const PreviewItem& item) = 0;
    // Shows nothing: the decoded image is wiped, the caption emptied.
    virtual void ClearItem() = 0;
    virtual void SetComment(const QString& comment) = 0;
    // The shown item was renamed: the caption takes the new name.
    virtual void SetName(const QString& name) = 0;
    // Paints again (the background colour may have changed).
    virtual void Repaint() = 0;
    // A drag has ended: the drop highlight goes.
    virtual void DragFinished() = 0;
};

} // namespace quorvane
