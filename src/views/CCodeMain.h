#pragma once
// The program's one main window: menus, toolbar, status bar and the splitter of two rows by three
// columns (the captions "Open Archives", "Contents" and "Preview" over the folder tree, the contents
// list and the preview). It owns the preferences, the dialogs, the Workspace and the panes, routes
// every command (8100..8121 to the Workspace, 8000..8006 to itself, 8200..8219 to the list, 8300 to
// the preview), keeps every menu entry and button up to date from the command rules, and runs the
// close sequence.
//
// The preview pane reports the shown image with SetStatusText (panes 3001..3004) and its caption
// with SetCaption(2, ...). The slideshow receives 8201, 8202 and 8216 and steps on idleTick; auto
// close checks first on every idleTick and hears of every NoteActivity (activityNoted); the
// application-wide activity filter notes the user's input. SetHelpHandler enables the help
// commands and the dialogs' Help buttons.
#include "MainFrame.h"

#include "CommandRules.h"
#include "CommandState.h"
#include "FrameTables.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSettings;
class QSplitter;
class QToolBar;

namespace quorvane {

class AutoCloseController;
class CCodeList;
class CCodePict;
class CCodeText;
class CCodeTree;
class IFileSystem;
class CloseGuard;
class Preferences;
class PreviewPane;
class ProgressDialog;
class ProgressWindow;
class QtWorkspaceDialogs;
class Slideshow;
class Workspace;

class CCodeMain : public QMainWindow, public MainFrame {
    Q_OBJECT

public:
    // The preferences are read from `settings` here and written back there at the end of the close
    // sequence; the archives live in `fileSystem`.
    CCodeMain(std::unique_ptr<QSettings> settings, IFileSystem& fileSystem, QWidget* parent = nullptr);
    ~CCodeMain() override;
    CCodeMain(const CCodeMain&) = delete;
    CCodeMain& operator=(const CCodeMain&) = delete;

    // Where the close sequence keeps the window's size, place and maximised state.
    static constexpr const char* kGeometryKey = "Window/geometry";
    // Before the window is shown: the geometry the last close stored; false when there is none
    // (the caller then chooses a size).
    bool RestoreWindowGeometry();

    // After the window is shown: opens `archivePath` when one is given; then, unless an archive is
    // open or "DG1" says not to, the welcome prompt (Open: the open dialog, New: a new archive).
    void StartUp(const QString& archivePath);

    // ---- MainFrame
    PaneLayout Layout() const override { return layout_; }
    void SetLayout(PaneLayout layout) override;
    void EnsureArchivePaneVisible() override;
    void EnsurePreviewVisible() override;
    void SetCaption(int column, const QString& text) override;
    void BeginProgress(int range) override;
    void SetProgress(int position) override;
    void EndProgress() override;
    void BeginActivity() override;
    void StepActivity() override;
    void EndActivity() override;
    void SetFrameDisabled(bool disabled) override;
    bool FrameDisabled() const override { return frameDisabled_; }
    ActivePane Active() const override { return active_; }
    void ActivateTreePane() override;
    void ActivateListPane() override;
    bool LabelEditing() const override { return treeEditing_ || listEditing_; }
    void NoteActivity() override;
    void SetWaitCursor(bool on) override;

    // ---- commands
    // Runs a command from a menu, a key, a button or a pane's context menu.
    void Execute(int commandId);
    // Enabled, checked and text of a command as the menus show it now.
    CommandUi UpdateCommand(int commandId) const;
    // Brings every menu entry and button up to date; cheap when nothing changed since the last time.
    void RefreshCommands();
    // The action of a command of the menus, the toolbar or the accelerators; null for any other id.
    QAction* Action(int commandId) const;
    QToolBar* Toolbar() const { return toolbar_; }

    // ---- panes
    Workspace& GetWorkspace() const { return *workspace_; }
    Preferences& Prefs() const { return *prefs_; }
    QtWorkspaceDialogs& Dialogs() const { return *dialogs_; }
    CCodeTree* Tree() const { return tree_; }
    CCodeList* List() const { return list_; }
    QWidget* PreviewWidget() const { return previewWidget_; }
    PreviewPane* Preview() const { return preview_; }
    CCodePict* Pict() const { return pict_; }
    Slideshow& SlideshowControl() const { return *show_; }
    AutoCloseController& AutoCloser() const { return *autoClose_; }
    CCodeText* Caption(int column) const { return captions_.at(static_cast<size_t>(column)); }
    QSplitter* Splitter() const { return splitter_; }
    // -1 after Show All, 1 after Hide Archive, 0 after Hide Preview.
    int ActiveColumnMarker() const { return activeColumn_; }

    // ---- status bar
    // The texts of panes 3001..3004 (size, type, colours, file size of the shown image); an empty
    // text shows as " ".
    void SetStatusText(int pane, const QString& text);
    QString StatusText(int pane) const;
    // Panes 3001..3004 from the image the preview shows now.
    void UpdateStatusPanes();
    QProgressBar* StatusProgress() const { return statusProgress_; }
    bool ActivityMode() const { return activityMode_; }

    // ---- what later pieces plug in
    // The window long operations show; null goes back to the window's own progress dialog. Not owned.
    void SetProgressWindow(ProgressWindow* window);
    ProgressWindow* CurrentProgressWindow() const { return progressWindow_; }
    void SetSlideshowHandler(std::function<void(int commandId)> handler) { slideshow_ = std::move(handler); }
    void SetFitHandler(std::function<void(bool fit)> handler) { fit_ = std::move(handler); }
    void SetHelpHandler(std::function<void(int topic)> handler);
    // Milliseconds of a monotonic clock at the last noted activity.
    qint64 LastActivity() const { return lastActivity_; }
    QTimer& IdleTimer() { return idle_; }

    static constexpr int kIdleInterval = 15; // ms; never 0, which would spin a core
    static constexpr int kActivityRange = 64;

signals:
    // After every NoteActivity.
    void activityNoted();
    // Every kIdleInterval ms, after the status bar's activity step: auto close, then the slideshow.
    void idleTick();
    // The close sequence has run: archives closed, preferences saved.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Files dragged over the frame's own areas: accepted as a copy with no target, unless busy.
    void AcceptFilesOverFrame(QDragMoveEvent* event);
    // The preview column's pane; any widget that is also a PreviewPane.
    template <typename Pane>
    void InstallPreview(Pane* pane) {
        InstallPreview(static_cast<QWidget*>(pane), static_cast<PreviewPane*>(pane));
    }
    void InstallPreview(QWidget* widget, PreviewPane* pane);

    void BuildPanes();
    void BuildMenus();
    void BuildToolbar();
    void BuildStatusBar();
    QAction* MakeAction(int commandId);
    void AddEntries(QMenu* menu, const std::vector<MenuEntry>& entries);

    CommandState CurrentState() const;
    CommandUi UpdateCommand(int commandId, const CommandState& state) const;
    void PaneCommand(int commandId);
    void FrameCommand(int commandId);
    void MovePaneFocus(bool forward);
    void RunCloseSequence();

    // Column widths: the stored widths clamped to the window, the rest to the column that takes it.
    void ApplyColumns();
    std::array<int, 3> CurrentWidths() const;
    void SaveWidths();
    void SetActive(ActivePane pane);
    void RestoreFocus();
    void RunStartUpPrompts(const QString& archivePath);
    // Activates the window (or the dialog of ours still open over it) after a dialog closed.
    void ReclaimActivation();

    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<Preferences> prefs_;
    std::unique_ptr<QtWorkspaceDialogs> dialogs_;
    std::unique_ptr<Workspace> workspace_;

    QSplitter* splitter_ = nullptr;
    std::array<CCodeText*, 3> captions_{};
    CCodeTree* tree_ = nullptr;
    CCodeList* list_ = nullptr;
    QWidget* previewColumn_ = nullptr;
    QWidget* previewWidget_ = nullptr;
    PreviewPane* preview_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QProgressBar* statusProgress_ = nullptr;
    std::array<QLabel*, 4> statusPanes_{};
    ProgressDialog* progressDialog_ = nullptr;
    CloseGuard* closeGuard_ = nullptr;
    ProgressWindow* progressWindow_ = nullptr;

    QHash<int, QAction*> actions_;
    CommandState lastState_;
    bool haveState_ = false;

    PaneLayout layout_ = PaneLayout::ShowAll;
    int activeColumn_ = -1;
    // What each column is given on the next layout: its stored width, or -1 for the rest.
    std::array<int, 3> wanted_{};
    std::array<int, 3> applied_{};
    bool columnsPending_ = true;

    ActivePane active_ = ActivePane::None;
    bool treeEditing_ = false;
    bool listEditing_ = false;
    bool frameDisabled_ = false;
    QPointer<QWidget> focusBeforeDisabled_;
    int waitCursors_ = 0;

    bool activityMode_ = false;
    QTimer idle_;
    int ticks_ = 0;
    QElapsedTimer clock_;
    qint64 lastActivity_ = 0;

    CCodePict* pict_ = nullptr;
    class ListBrowser;
    std::unique_ptr<ListBrowser> browser_;
    std::unique_ptr<Slideshow> show_;
    std::unique_ptr<AutoCloseController> autoClose_;

    std::function<void(int)> slideshow_;
    std::function<void(bool)> fit_;
    std::function<void(int)> help_;

    bool closing_ = false;
    bool shutDown_ = false;
};

} // namespace quorvane
