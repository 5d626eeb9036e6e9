#pragma once
// The window a long operation (import, copy, export, emptying the recycle bin) shows while it runs.
// The engine's progress calls reach it through WorkspaceHost; the desktop program draws it, tests
// fake it. Poll is where the event loop runs inside the operation: paints, timers, drops and close
// requests are dispatched there, so everything they reach must respect the Workspace's busy state.
#include "ArchiveHost.h"

#include <QString>

namespace quorvane {

class CCodeArchive;

class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;

    // `kind` is a ProgressKind; `thumbnailFormat` above 0 when the operation also makes thumbnails,
    // `quality` non-zero when they are anti-aliased. `archive` is the archive object whose operation
    // opens the window (null when there is none): operations are told apart by it, never by the
    // name, which repeats. An Open for an archive that still has a window cancels that window and
    // takes its place; one for another archive goes on top of it until its own Close.
    virtual void Open(const CCodeArchive* archive, int kind, const QString& archiveName, int thumbnailFormat,
                      int quality) = 0;
    // The number of units the bar counts.
    virtual void Total(int total) = 0;
    // The unit being worked on, with the figures done and planned so far.
    virtual void Text(const QString& step, const ProgressCounts& counts) = 0;
    // A piece of a large file.
    virtual void Piece(int piece, int pieces) = 0;
    // Lets the event loop run once; true once the user has cancelled (it stays true).
    virtual bool Poll() = 0;
    // Closes the window opened last.
    virtual void Close() = 0;
};

} // namespace quorvane
