#pragma once
// The program's one document-level object: the table of open archives, the current archive and
// folder, the clipboard and undo records, the drop target, the busy state, and every command of
// the range 8100..8121. It talks to the panes, the main frame and the dialogs only through their
// interfaces, so all of it runs without a window.
//
// Numbers. Archives are slots 1..ArchiveCount() in opening order, without gaps. Entries are named
// by entry number everywhere here (0 the archive's top level, 1 its recycle bin); the conversion to
// the engine's EntryIndex happens only at the calls into CCodeArchive.
//
// Busy. Every command runs under a BusyGuard. Long operations pump the event loop (the progress
// window, every modal dialog), so while a command runs drops, renames from the panes, other
// commands and a close of the window arrive from inside it: they are refused (commands, drops,
// renames, items opened) or deferred (RequestClose), and touch no archive.
#include "CCodeArchive.h"
#include "EditRecords.h"
#include "PaneHost.h"
#include "WorkspaceDialogs.h"
#include "WorkspaceHost.h"

#include <QObject>

#include <memory>
#include <vector>

class QSettings;

namespace quorvane {

class ContentsPane;
class MainFrame;
class PreviewPane;
class ProgressWindow;
class TreePane;
struct CommandState;
struct CommandUi;

class Workspace : public QObject, public PaneHost {
    Q_OBJECT

public:
    static constexpr int kMaxArchives = 64;
    // A request refused because it came from inside a running command (or was not enabled).
    static constexpr int kRejected = -1;

    Workspace(Preferences& preferences, WorkspaceDialogs& dialogs, IFileSystem& fileSystem);
    ~Workspace() override;
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // The panes and the frame, once they exist; any may be null (nothing is shown there).
    void SetViews(MainFrame* frame, TreePane* tree, ContentsPane* list, PreviewPane* preview);
    void SetProgressWindow(ProgressWindow* window);

    // ---- PaneHost
    int ArchiveCount() const override { return static_cast<int>(archives_.size()); }
    CCodeArchive* ArchiveAt(int archive) const override;
    int CurrentArchive() const override { return current_; }
    int CurrentFolder() const override { return folder_; }
    bool Busy() const override { return busy_; }
    void SelectArchiveFolder(int archive, int folder, bool force) override;
    int Rename(int archive, int number, const QString& text) override;
    void OpenEntry(int number) override { OpenItem(number); }
    DropTarget& Drop() override { return drop_; }
    void SetInternalDrag(bool on) override { internalDrag_ = on; }
    bool InternalDrag() const override { return internalDrag_; }
    void DropItems() override { CompleteDrag(); }
    void DropFiles(const QStringList& paths) override { DropPaths(paths); }
    int MarkNotAnImage(int archive, int number) override;
    Preferences& Prefs() override { return prefs_; }
    void NoteActivity() override;

    // ---- the operations; each returns 0, the engine's status, or kRejected / kBusy
    int Open(const QString& path = QString()); // no path: the "Open Archive" dialog
    int Create();
    int Close(bool ask);
    int CloseAll();
    // End of the program: clears the records, closes every archive (a failed save is shown, then
    // the archive is released anyway) and saves the preferences into `settings`.
    int Shutdown(QSettings& settings);
    int Import();
    int DropPaths(const QStringList& paths);
    int CompleteDrag();
    int OpenItem(int number);
    int NewFolder();
    int BeginRename();
    int Comment();
    int Properties();
    int Export();
    int Restore();
    int EmptyRecycleBin();
    int Cut();
    int Copy();
    int Paste();
    int Delete();
    int Undo();
    int Find(bool again);
    int EditPreferences();

    // Runs one command of 8100..8121; refused while busy or when the command is disabled.
    int DispatchCommand(int commandId);
    // Enabled, checked and (for Undo) the text of any command, from the state below.
    CommandUi UpdateCommand(int commandId) const;
    // The snapshot the command rules read. While busy only `busy` and the records are filled: no
    // catalogue is read then. The frame adds what only it knows (the list's sort column, bars).
    CommandState State() const;

    // Name and comment of an entry, the archive's name for number 0; empty when not open.
    QString ArchiveName(int archive) const;
    QString EntryName(int archive, int number) const;
    QString EntryComment(int archive, int number) const;

    // The main window wants to close. True: nothing runs, close now (CloseAll, then Shutdown).
    // False: a command is running; its operation is cancelled and closeReady() follows once the
    // command has unwound. Connect closeReady with a queued connection.
    bool RequestClose();
    // Presses Cancel on the running operation's progress window (every later poll reports it).
    void CancelRunningOperation();
    bool ClosePending() const { return closePending_; }

    const EditRecords& Records() const { return records_; }
    EditRecords& Records() { return records_; }

    // From WorkspaceHost: the engine is about to renumber, move or reload `archive`'s catalogue,
    // and has done so.
    void CatalogueAboutToChange(CCodeArchive& archive);
    void CatalogueChanged(CCodeArchive& archive);

    MainFrame* Frame() const { return frame_; }
    WorkspaceHost& Host() { return host_; }

signals:
    void currentChanged(int archive, int folder);
    // `archive` has just been closed (its keys are wiped) and is about to be deleted: anything kept
    // for it - cached thumbnails above all - is to be wiped and dropped now. Emitted for every way an
    // archive closes (Close, CloseAll, auto close, Shutdown).
    void archiveClosed(const quorvane::CCodeArchive* archive);
    void busyChanged(bool busy);
    void closeReady();
    // The engine's catalogue notifications, passed on before the Workspace clears the panes
    // (about to change) and before it refills them (changed), so that panes keeping state of their
    // own can freeze and thaw it.
    void catalogueAboutToChange(CCodeArchive* archive);
    void catalogueChanged(CCodeArchive* archive);
    // `archive` is going: it is closed (or about to be) and then deleted, and still in its slot
    // when this arrives. Whatever was copied out of it (thumbnails) goes with it.
    void archiveClosing(CCodeArchive* archive);

private:
    // Sets the busy flag for a command. A flag, not a counter: the end of any guard clears it,
    // also when guards nest (a drop that opens an archive); only the end of the outermost one
    // counts as the command having unwound.
    class BusyGuard {
    public:
        explicit BusyGuard(Workspace& workspace);
        ~BusyGuard();
        BusyGuard(const BusyGuard&) = delete;
        BusyGuard& operator=(const BusyGuard&) = delete;

    private:
        Workspace& workspace_;
    };

    int PreCheck();
    // "Contents of '<folder>'", the caption above the list.
    static QString ContentsCaption(const QString& folderName);
    // The slot of the open archive at `path` (compared as clean absolute paths), 0 when none.
    int SlotOfPath(const QString& path) const;
    // With `removeOriginals`, each source file goes once its stored copy read back identical; the
    // ones kept are named in a message.
    int ImportInto(const std::vector<std::string>& paths, bool recurse, bool removeOriginals = false);
    RecordContext Context();
    std::vector<int> GatherSelection(SelectionPurpose purpose);
    CCodeArchive* Current() const { return ArchiveAt(current_); }
    int ParentOf(const CCodeArchive& archive, int number) const;
    bool InRecycleBin(const CCodeArchive& archive, int folder) const;
    void Refresh() { SelectArchiveFolder(current_, folder_, true); }
    void SetBusy(bool busy);
    void CommandUnwound();
    void ReleaseAll(bool save);
    // After any close: the shared buffers and the password field hold nothing of what was closed.
    void WipeAfterClose();
    void ClearPreview();
    void Report(int code);
    void SetListRedraw(bool on);
    int SlotOf(const CCodeArchive* archive) const;

    Preferences& prefs_;
    WorkspaceDialogs& dialogs_;
    IFileSystem& fs_;
    WorkspaceHost host_;
    MainFrame* frame_ = nullptr;
    TreePane* tree_ = nullptr;
    ContentsPane* list_ = nullptr;
    PreviewPane* preview_ = nullptr;

    std::vector<std::unique_ptr<CCodeArchive>> archives_;
    int current_ = 0;
    int folder_ = 0;
    bool busy_ = false;
    int commandDepth_ = 0;
    bool refreshing_ = false;
    bool closePending_ = false;
    DropTarget drop_;
    bool internalDrag_ = false;
    EditRecords records_;

    // What the preview shows, so that a new comment reaches it only for that item.
    const CCodeArchive* previewArchive_ = nullptr;
    int previewNumber_ = 0;

    // Entry counts when each archive's catalogue began to change: fewer afterwards means renumbered.
    struct Flux {
        const CCodeArchive* archive;
        int entryCount;
    };
    std::vector<Flux> flux_;
};

} // namespace quorvane
