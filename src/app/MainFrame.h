#pragma once
// What the Workspace asks of the main window: the pane arrangement, the captions above the panes,
// the status bar's progress bar, the active pane, and the states the command rules read.
#include "ActivePane.h"
#include "PaneLayout.h"

#include <QString>

namespace quorvane {

class MainFrame {
public:
    virtual ~MainFrame() = default;

    virtual PaneLayout Layout() const = 0;
    virtual void SetLayout(PaneLayout layout) = 0;
    // Hide Archive becomes Show All; otherwise nothing changes.
    virtual void EnsureArchivePaneVisible() = 0;
    // Hide Preview becomes Show All; otherwise nothing changes.
    virtual void EnsurePreviewVisible() = 0;

    // Column 0 "Open Archives", 1 the contents, 2 the preview.
    virtual void SetCaption(int column, const QString& text) = 0;

    // The status bar's progress bar: a fill counts 0..range; the activity mode runs 0..63 in a loop.
    virtual void BeginProgress(int range) = 0;
    virtual void SetProgress(int position) = 0;
    virtual void EndProgress() = 0;
    virtual void BeginActivity() = 0;
    virtual void StepActivity() = 0;
    virtual void EndActivity() = 0;

    // Disabled while a progress window is open; each change counts as activity for auto close.
    virtual void SetFrameDisabled(bool disabled) = 0;
    virtual bool FrameDisabled() const = 0;

    virtual ActivePane Active() const = 0;
    virtual void ActivateTreePane() = 0;
    virtual void ActivateListPane() = 0;
    // A name is being edited in place in a pane.
    virtual bool LabelEditing() const = 0;

    // Restarts the auto-close wait.
    virtual void NoteActivity() = 0;
    virtual void SetWaitCursor(bool on) = 0;
};

} // namespace quorvane
