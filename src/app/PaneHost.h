#pragma once
// What the tree, the contents list and the preview ask of the Workspace: the open archives, the
// current location, the busy state, and the requests they pass on (selections, renames, opening an
// item, drops). The Workspace implements it; pane tests use a fake.
#include "DropTarget.h"

#include <QString>
#include <QStringList>

namespace quorvane {

class CCodeArchive;
class Preferences;

class PaneHost {
public:
    virtual ~PaneHost() = default;

    // Open archives are numbered 1..ArchiveCount() in opening order, without gaps.
    virtual int ArchiveCount() const = 0;
    // The archive in slot `archive`, or null outside 1..ArchiveCount().
    virtual CCodeArchive* ArchiveAt(int archive) const = 0;
    virtual int CurrentArchive() const = 0; // 0 when none
    virtual int CurrentFolder() const = 0;  // entry number, 0 = the archive's top level

    // A command runs (its progress window may be pumping events): panes then refuse renames, drags
    // and drops, and read no catalogue that may be changing.
    virtual bool Busy() const = 0;

    // Makes (archive, folder) current and refreshes the panes; `force` rebuilds even when unchanged.
    virtual void SelectArchiveFolder(int archive, int folder, bool force) = 0;
    // A pane's in-place edit ended with `text`: 0 when renamed, else the pane keeps the old name.
    virtual int Rename(int archive, int number, const QString& text) = 0;
    // The list opened an item: a folder becomes current, an image is shown in the preview.
    virtual void OpenEntry(int number) = 0;

    // Drag and drop: the pane under the pointer records the target; the pane that started an
    // internal drag sets the flag before its drag loop and calls DropItems once the drop happened.
    virtual DropTarget& Drop() = 0;
    virtual void SetInternalDrag(bool on) = 0;
    virtual bool InternalDrag() const = 0;
    virtual void DropItems() = 0;
    // Files dropped from the desktop on any pane.
    virtual void DropFiles(const QStringList& paths) = 0;

    // The preview's decoder refused an entry's data: it becomes type 128 (not an image), so that the
    // list skips it from then on. 0 when marked, else why not (busy, closed, read-only archive).
    // Hosts that cannot change entries keep the default, which marks nothing.
    virtual int MarkNotAnImage(int archive, int number) {
        (void)archive;
        (void)number;
        return -1;
    }

    virtual Preferences& Prefs() = 0;
    // Restarts the auto-close wait (clicks, keys, selections, expansions, drags, edits).
    virtual void NoteActivity() = 0;
};

} // namespace quorvane
