#pragma once
// What the Workspace asks of the contents list. Items are named by entry number throughout.
#include "SelectionSource.h"

namespace quorvane {

class ContentsPane : public SelectionSource {
public:
    // Filling: RemoveAll, ShowFolder, InsertEntry for each entry of the folder in entry order, EndFill.
    virtual void RemoveAll() = 0;
    virtual void ShowFolder(int archive, int folder, int entryCount) = 0;
    virtual void InsertEntry(int number) = 0;
    // Ends a fill: sorts when asked, then selects the remembered item again if it is still listed.
    virtual void EndFill(bool sort) = 0;
    // Makes the list the active pane and selects, focuses and shows the item; `rename` starts
    // editing its name.
    virtual void SelectEntry(int number, bool rename) = 0;
    // Draws an item again after its name or comment changed.
    virtual void UpdateItem(int number) = 0;
    // Starts editing the focused item's name.
    virtual void BeginRename() = 0;
    // Forgets the item to select after the next fill: its number may now name another item.
    virtual void ForgetReselect() = 0;
    virtual void SetRedraw(bool on) = 0;
    // The outermost command has ended: an image selected while it ran (Find's match, say) is shown
    // now, if it is still the first selected item.
    virtual void CommandEnded() = 0;

    // The focused item's entry number, 0 when none.
    virtual int FocusedEntry() const = 0;
    virtual int SelectedCount() const = 0;

    // Opens the item at `position` (-1: the first selected): a folder becomes current, an image shows.
    virtual void OpenAt(int position) = 0;
    virtual void Resort() = 0;
    virtual void EndSlideshow() = 0;
    virtual bool SlideshowRunning() const = 0;
    // A drag has ended: the drop highlight goes.
    virtual void DragFinished() = 0;
};

} // namespace quorvane
