#pragma once
// What the panes put into a drag and read out of a drop. A drag of our own items carries only our
// own MIME type with the process id: the items themselves are the dragging pane's selection, which
// the Workspace gathers once the drop has happened. Files from the desktop come as text/uri-list.
#include <QStringList>

class QMimeData;

namespace quorvane {

class PaneDrag {
public:
    static const char* const kMimeType;

    // The data of a drag started in a pane of this process.
    static QMimeData* MakeInternal();
    // A drag started in a pane of this process.
    static bool IsInternal(const QMimeData* data);
    // The local files of a drop from the desktop (anything else in the list is left out).
    static QStringList LocalFiles(const QMimeData* data);
    static bool HasFiles(const QMimeData* data);
};

} // namespace quorvane
