#include "CCodeMain.h"

#include "AutoCloseController.h"
#include "AutoCloseCountdown.h"
#include "CCodeArchive.h"
#include "CCodeList.h"
#include "CCodePict.h"
#include "CCodeText.h"
#include "CCodeTree.h"
#include "CloseGuard.h"
#include "CommandIds.h"
#include "HelpCommands.h"
#include "HelpWindow.h"
#include "Icons.h"
#include "ImageBrowser.h"
#include "PaneDrag.h"
#include "Preferences.h"
#include "ProgressDialog.h"
#include "QtWorkspaceDialogs.h"
#include "SlideshowWindow.h"
#include "StringTable.h"
#include "Workspace.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace quorvane {

namespace {

constexpr int kFirstStatusPane = kStrStatusPane1;
// The idle tick brings the menus up to date only every so many ticks: the events that change
// a command's state refresh at once, this only catches what no signal reports.
constexpr int kRefreshEveryTicks = 8;

bool InRange(int id, int low, int high) {
    return id >= low && id <= high;
}

bool IsCheckable(int id) {
    return InRange(id, kCmdHidePreview, kCmdHideArchive) || InRange(id, kCmdSortByName, kCmdViewDetails) ||
           id == kCmdSortByDimensions || id == kCmdSortByComment || id == kCmdAutoAdvance ||
           id == kCmdFitInWindow || id == kCmdToggleToolbar || id == kCmdToggleStatusBar;
}

bool IsHelp(int id) {
    return InRange(id, kCmdHelpIndex, kCmdDefaultHelp);
}

bool IsSlideshow(int id) {
    return id == kCmdStartSlideshow || id == kCmdEndSlideshow || id == kCmdContinueSlideshow;
}

// The label a command has in the menu bar; the tooltip for those only on the toolbar or keys.
QString LabelOf(int id) {
    const QString label = StringTable::MenuLabel(StringTable::kMainMenu, id);
    return label.isEmpty() ? StringTable::Tooltip(id) : label;
}

} // namespace

// The contents list as the preview and the slideshow step through it.
class CCodeMain::ListBrowser : public ImageBrowser {
public:
    ListBrowser(CCodeMain& main, CCodeList& list)
        : main_(main)
        , list_(list) {}
    void SetSlideshow(Slideshow* show) { show_ = show; }

    bool NextImage() override { return list_.NextImage(); }
    bool PreviousImage() override { return list_.PreviousImage(); }
    void StartSlideshow() override {
        if (!show_) {
            return;
        }
        if (QAbstractItemView* view = list_.CurrentView()) {
            view->clearSelection();
        }
        show_->Start();
        // The full-screen window is gone: the keys go back to the list it was started from.
        main_.ActivateListPane();
        main_.ReclaimActivation();
    }

private:
    CCodeMain& main_;
    CCodeList& list_;
    Slideshow* show_ = nullptr;
};

CCodeMain::CCodeMain(std::unique_ptr<QSettings> settings, IFileSystem& fileSystem, QWidget* parent)
    : QMainWindow(parent)
    , settings_(std::move(settings))
    , prefs_(std::make_unique<Preferences>())
    , dialogs_(std::make_unique<QtWorkspaceDialogs>(this)) {
    clock_.start();
    lastActivity_ = clock_.elapsed();
    prefs_->Load(*settings_);
    workspace_ = std::make_unique<Workspace>(*prefs_, *dialogs_, fileSystem);
    // Leaving any of the dialogs counts as activity for auto close.
    dialogs_->SetClosedHandler([this] {
        NoteActivity();
        ReclaimActivation();
    });

    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(StringTable::Text(kStrApplicationTitle));
    setWindowIcon(QuorvaneIcon(IconId::Application));
    setMinimumSize(512, 256);
    setMaximumSize(16000, 16000);
    setAcceptDrops(true);

    BuildPanes();
    BuildMenus();
    BuildToolbar();
    BuildStatusBar();

    progressDialog_ = new ProgressDialog(this);
    SetProgressWindow(nullptr);
    // Closes, quits and drops that arrive while a command runs become a cancel of it.
    closeGuard_ = new CloseGuard(*workspace_, *this);
    workspace_->SetViews(this, tree_, list_, preview_);

    // The slideshow over the preview, stepping through the list; auto close ahead of it on each tick.
    browser_ = std::make_unique<ListBrowser>(*this, *list_);
    show_ = std::make_unique<Slideshow>(*pict_, *browser_, *prefs_, this);
    browser_->SetSlideshow(show_.get());
    pict_->SetBrowser(browser_.get());
    // Panes 3001..3004 describe the shown image: at once when one is shown, and on the idle ticks
    // for whatever cleared the preview since.
    connect(pict_, &CCodePict::itemShown, this, &CCodeMain::UpdateStatusPanes);
    autoClose_ = std::make_unique<AutoCloseController>(*workspace_, *this, this);
    list_->SetSlideshow([this] { return show_->Running(); }, [this] { show_->End(); });
    autoClose_->SetSlideshow([this] { return show_->Running(); }, [this] { show_->End(); });
    autoClose_->InstallActivityFilter();
    autoClose_->WatchSessionLock();
    connect(this, &CCodeMain::activityNoted, autoClose_.get(), &AutoCloseController::NoteActivity);
    // Without a window manager the keys would go nowhere after the countdown or the result box.
    connect(autoClose_.get(), &AutoCloseController::dialogClosed, this, &CCodeMain::ReclaimActivation,
            Qt::QueuedConnection);
    connect(this, &CCodeMain::idleTick, this, [this] {
        autoClose_->Check();
        show_->Tick();
    });
    SetSlideshowHandler([this](int commandId) {
        if (commandId == kCmdStartSlideshow) {
            browser_->StartSlideshow();
        } else if (commandId == kCmdEndSlideshow) {
            show_->End();
        }
    });
    SetFitHandler([this](bool fit) { pict_->SetFit(fit); });
    SetHelpHandler(&ShowDialogHelp);

    Workspace* ws = workspace_.get();
    connect(ws, &Workspace::busyChanged, this, &CCodeMain::RefreshCommands);
    connect(ws, &Workspace::currentChanged, this, &CCodeMain::RefreshCommands);
    connect(ws, &Workspace::catalogueAboutToChange, this, [this](CCodeArchive* archive) {
        tree_->CatalogueAboutToChange(archive);
        list_->CatalogueAboutToChange(archive);
    });
    connect(ws, &Workspace::catalogueChanged, this, [this](CCodeArchive* archive) {
        tree_->CatalogueChanged(archive);
        list_->CatalogueChanged(archive);
    });
    connect(ws, &Workspace::archiveClosing, this,
            [this](CCodeArchive* archive) { list_->ArchiveClosing(archive); });

    // The layout at every start.
    layout_ = PaneLayout::ShowAll;
    activeColumn_ = -1;
    wanted_ = {prefs_->treeWidth, prefs_->listWidth, -1};
    ApplyColumns();
    list_->SetPreviewVisible(true);
    ActivateTreePane();
    tree_->Rebuild();

    qApp->installEventFilter(this);
    connect(&idle_, &QTimer::timeout, this, [this] {
        StepActivity();
        if (++ticks_ % kRefreshEveryTicks == 0) {
            RefreshCommands();
            UpdateStatusPanes();
        }
        emit idleTick();
    });
    idle_.start(kIdleInterval);
    RefreshCommands();
}

CCodeMain::~CCodeMain() {
    qApp->removeEventFilter(this);
    idle_.stop();
    while (waitCursors_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitCursors_;
    }
    // The slideshow and auto close hold the panes: they go before them.
    disconnect(this, &CCodeMain::idleTick, nullptr, nullptr);
    show_.reset();
    autoClose_.reset();
    if (pict_) {
        pict_->SetBrowser(nullptr);
    }
    list_->SetSlideshow({}, {});
    // The panes hold the Workspace as their host: they go first, while it still exists.
    disconnect(workspace_.get(), nullptr, this, nullptr);
    workspace_->SetViews(nullptr, nullptr, nullptr, nullptr);
    workspace_->SetProgressWindow(nullptr);
    delete splitter_;
    delete closeGuard_;
    delete progressDialog_;
}

// ---------------------------------------------------------------- building

void CCodeMain::BuildPanes() {
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("splitter"));
    splitter_->setChildrenCollapsible(true);
    const int titles[3] = {kStrOpenArchives, kStrContents, kStrPreview};
    std::array<QVBoxLayout*, 3> columns{};
    for (size_t column = 0; column < 3; ++column) {
        auto* holder = new QWidget(splitter_);
        holder->setObjectName(QStringLiteral("column%1").arg(column));
        auto* layout = new QVBoxLayout(holder);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        captions_[column] = new CCodeText(StringTable::Text(titles[column]), holder);
        captions_[column]->setObjectName(QStringLiteral("caption%1").arg(column));
        layout->addWidget(captions_[column]);
        columns[column] = layout;
        splitter_->addWidget(holder);
    }
    tree_ = new CCodeTree(*workspace_);
    tree_->setObjectName(QStringLiteral("tree"));
    columns[0]->addWidget(tree_, 1);
    list_ = new CCodeList(*workspace_);
    list_->setObjectName(QStringLiteral("list"));
    columns[1]->addWidget(list_, 1);
    previewColumn_ = columns[2]->parentWidget();

    // The preview pane.
    pict_ = new CCodePict(*workspace_, this, dialogs_.get());
    pict_->setObjectName(QStringLiteral("preview"));
    InstallPreview(pict_);

    setCentralWidget(splitter_);
    splitter_->installEventFilter(this);

    connect(tree_, &CCodeTree::activated, this, [this] { SetActive(ActivePane::Tree); });
    connect(tree_, &CCodeTree::labelEditingChanged, this, [this](bool on) {
        treeEditing_ = on;
        RefreshCommands();
    });
    // Queued: the pane's menu handler has returned before the command runs.
    connect(tree_, &CCodeTree::commandRequested, this, &CCodeMain::Execute, Qt::QueuedConnection);
    tree_->SetCommandUpdate([this](int id) { return UpdateCommand(id); });
    connect(list_, &CCodeList::activated, this, [this] { SetActive(ActivePane::List); });
    connect(list_, &CCodeList::labelEditingChanged, this, [this](bool on) {
        listEditing_ = on;
        RefreshCommands();
    });
    connect(list_, &CCodeList::commandRequested, this, &CCodeMain::Execute, Qt::QueuedConnection);
    list_->SetCommandUpdate([this](int id) { return UpdateCommand(id); });
    QItemSelectionModel* selection = list_->Icons()->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, &CCodeMain::RefreshCommands);
    connect(selection, &QItemSelectionModel::currentChanged, this, &CCodeMain::RefreshCommands);
}

void CCodeMain::InstallPreview(QWidget* widget, PreviewPane* pane) {
    if (previewWidget_) {
        previewWidget_->deleteLater();
    }
    previewWidget_ = widget;
    preview_ = pane;
    widget->setParent(previewColumn_);
    static_cast<QVBoxLayout*>(previewColumn_->layout())->addWidget(widget, 1);
    if (tree_ && list_ && workspace_->Frame() == this) {
        workspace_->SetViews(this, tree_, list_, preview_);
    }
}

QAction* CCodeMain::MakeAction(int id) {
    if (QAction* existing = actions_.value(id)) {
        return existing;
    }
    auto* action = new QAction(LabelOf(id), this);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    action->setData(id);
    if (const QString prompt = StringTable::StatusPrompt(id); !prompt.isEmpty()) {
        action->setStatusTip(prompt);
    }
    // A command without a tooltip of its own (Help Topics) shows its label.
    QString tip = StringTable::Tooltip(id);
    if (tip.isEmpty()) {
        tip = LabelOf(id).section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
    }
    action->setToolTip(tip);
    action->setIcon(CommandIcon(id));
    action->setIconVisibleInMenu(false);
    action->setShortcuts(FrameTables::ShortcutsOf(id));
    action->setCheckable(IsCheckable(id));
    // Keys work whether or not the toolbar or the menus show the command.
    addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
    actions_.insert(id, action);
    return action;
}

void CCodeMain::AddEntries(QMenu* menu, const std::vector<MenuEntry>& entries) {
    connect(menu, &QMenu::aboutToShow, this, &CCodeMain::RefreshCommands);
    for (const MenuEntry& entry : entries) {
        if (entry.title) {
            QMenu* submenu = menu->addMenu(QString::fromUtf8(entry.title));
            submenu->setObjectName(QString::fromUtf8(entry.title).remove(QLatin1Char('&')));
            AddEntries(submenu, entry.entries);
        } else if (entry.id == FrameTables::kSeparator) {
            menu->addSeparator();
        } else {
            menu->addAction(MakeAction(entry.id));
        }
    }
}

void CCodeMain::BuildMenus() {
    for (const MenuTitle& title : FrameTables::MenuBar()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(title.title));
        menu->setObjectName(QString::fromUtf8(title.title).remove(QLatin1Char('&')));
        AddEntries(menu, title.entries);
    }
    // The keys without a menu entry (F6, Shift+F6) and the toolbar's own commands.
    for (const int id : FrameTables::AllCommands()) {
        MakeAction(id);
    }
}

void CCodeMain::BuildToolbar() {
    toolbar_ =
        new QToolBar(StringTable::MenuLabel(StringTable::kMainMenu, kCmdToggleToolbar).remove('&'), this);
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setMovable(true);
    toolbar_->setFloatable(true);
    toolbar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const int id : FrameTables::Toolbar()) {
        if (id == FrameTables::kSeparator) {
            toolbar_->addSeparator();
        } else {
            toolbar_->addAction(MakeAction(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, toolbar_);
}

void CCodeMain::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    const QFontMetrics metrics(bar->font());
    statusProgress_ = new QProgressBar(bar);
    statusProgress_->setObjectName(QStringLiteral("statusProgress"));
    statusProgress_->setTextVisible(false);
    statusProgress_->setRange(0, 1);
    statusProgress_->setValue(0);
    statusProgress_->setFixedWidth(metrics.horizontalAdvance(StringTable::Text(kStrStatusProgressPane)));
    statusProgress_->setMaximumHeight(metrics.height());
    bar->addPermanentWidget(statusProgress_);
    for (size_t i = 0; i < statusPanes_.size(); ++i) {
        const int pane = kFirstStatusPane + static_cast<int>(i);
        auto* label = new QLabel(QStringLiteral(" "), bar);
        label->setObjectName(QStringLiteral("statusPane%1").arg(pane));
        label->setMinimumWidth(metrics.horizontalAdvance(StringTable::Text(pane)));
        statusPanes_[i] = label;
        bar->addPermanentWidget(label);
    }
}

void CCodeMain::SetProgressWindow(ProgressWindow* window) {
    progressWindow_ = window ? window : progressDialog_;
    workspace_->SetProgressWindow(progressWindow_);
}

void CCodeMain::SetHelpHandler(std::function<void(int topic)> handler) {
    help_ = std::move(handler);
    if (help_) {
        dialogs_->SetHelpHandler([this](int resource) { help_(resource); });
    } else {
        dialogs_->SetHelpHandler({});
    }
    haveState_ = false;
    RefreshCommands();
}

// ---------------------------------------------------------------- start-up and close

void CCodeMain::StartUp(const QString& archivePath) {
    RunStartUpPrompts(archivePath);
    if (shutDown_ || closing_) {
        return;
    }
    // The keys typed after the prompts go to the active pane, without a click first.
    if (active_ == ActivePane::List) {
        ActivateListPane();
    } else {
        ActivateTreePane();
    }
    ReclaimActivation();
}

void CCodeMain::RunStartUpPrompts(const QString& archivePath) {
    if (!archivePath.isEmpty()) {
        NoteActivity();
        workspace_->Open(archivePath);
    }
    // When the archive named on the command line did not open, the prompt follows as usual.
    if (prefs_->alertWelcome != 0 || workspace_->ArchiveCount() > 0 || shutDown_) {
        return;
    }
    switch (dialogs_->Welcome(prefs_->alertWelcome)) {
    case WelcomeChoice::New:
        Execute(kCmdNew);
        break;
    case WelcomeChoice::Open:
        Execute(kCmdOpen);
        break;
    case WelcomeChoice::Cancel:
        break;
    }
}

void CCodeMain::ReclaimActivation() {
    if (shutDown_ || closing_ || !isVisible()) {
        return;
    }
    // Without a window manager (and on the offscreen platform) nothing hands the activation back
    // when one of our dialogs closes, and the keys typed next would reach no window: it goes to
    // the dialog still open below it, else to this window.
    QWidget* next = QApplication::activeModalWidget();
    if (!next) {
        next = this;
    }
    if (next->isVisible() && !next->isActiveWindow()) {
        next->activateWindow();
    }
}

void CCodeMain::closeEvent(QCloseEvent* event) {
    if (shutDown_) {
        event->accept();
        return;
    }
    // A message shown by the close sequence itself (a failed save) may bring a second request.
    if (closing_) {
        event->ignore();
        return;
    }
    // A running command is cancelled first; the guard closes the window again once it has unwound.
    if (!closeGuard_->InterceptClose(event)) {
        return;
    }
    RunCloseSequence();
    event->accept();
}

bool CCodeMain::RestoreWindowGeometry() {
    const QByteArray stored = settings_->value(QLatin1String(kGeometryKey)).toByteArray();
    return !stored.isEmpty() && restoreGeometry(stored);
}

void CCodeMain::RunCloseSequence() {
    closing_ = true;
    show_->End();
    workspace_->CloseAll();
    // "MLW" changes only with a layout switch; "MTW" here too, unless the tree is hidden.
    if (layout_ != PaneLayout::HideArchive && !columnsPending_) {
        prefs_->treeWidth = CurrentWidths()[0];
    }
    workspace_->Shutdown(*settings_);
    // Size, place and maximised state, for the next start (beside the preferences, not among them).
    settings_->setValue(QLatin1String(kGeometryKey), saveGeometry());
    settings_->sync();
    idle_.stop();
    shutDown_ = true;
    closing_ = false;
    emit closed();
}

// ---------------------------------------------------------------- layouts

std::array<int, 3> CCodeMain::CurrentWidths() const {
    if (columnsPending_ || !splitter_->isVisible()) {
        return applied_;
    }
    const QList<int> sizes = splitter_->sizes();
    std::array<int, 3> widths{};
    for (size_t i = 0; i < widths.size() && static_cast<qsizetype>(i) < sizes.size(); ++i) {
        widths[i] = sizes.at(static_cast<qsizetype>(i));
    }
    return widths;
}

void CCodeMain::ApplyColumns() {
    int handles = 0;
    for (int i = 1; i < splitter_->count(); ++i) {
        handles += splitter_->handle(i)->isHidden() ? 0 : splitter_->handleWidth();
    }
    // setSizes shares out the space by weight: the fixed columns get exactly their pixels only when
    // the sizes add up to the room there is, so the column that takes the rest is given the rest.
    int left = std::max(0, splitter_->width() - handles);
    size_t rest = 2;
    std::array<int, 3> sizes{};
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (wanted_[i] < 0) {
            rest = i;
            continue;
        }
        sizes[i] = Preferences::ColumnWidth(wanted_[i], left);
        left -= sizes[i];
    }
    sizes[rest] = left;
    for (size_t i = 0; i < sizes.size(); ++i) {
        // A wider or narrower window goes to the column that takes the rest.
        splitter_->setStretchFactor(static_cast<int>(i), i == rest ? 1 : 0);
    }
    splitter_->setSizes({sizes[0], sizes[1], sizes[2]});
    applied_ = sizes;
    // Until the window is on screen the splitter has no width of its own: applied again then.
    columnsPending_ = !splitter_->isVisible();
}

void CCodeMain::SaveWidths() {
    // Before the window has been laid out the stored widths are still what the user left.
    if (columnsPending_) {
        return;
    }
    const std::array<int, 3> widths = CurrentWidths();
    switch (layout_) {
    case PaneLayout::HidePreview:
        prefs_->treeWidth = widths[0];
        break;
    case PaneLayout::ShowAll:
        prefs_->treeWidth = widths[0];
        prefs_->listWidth = widths[1];
        break;
    case PaneLayout::HideArchive:
        prefs_->listWidth = widths[1];
        break;
    }
}

void CCodeMain::SetLayout(PaneLayout layout) {
    if (layout == layout_) {
        return;
    }
    SaveWidths();
    layout_ = layout;
    switch (layout) {
    case PaneLayout::ShowAll:
        wanted_ = {prefs_->treeWidth, prefs_->listWidth, -1};
        activeColumn_ = -1;
        break;
    case PaneLayout::HideArchive:
        ActivateListPane();
        wanted_ = {0, prefs_->listWidth, -1};
        activeColumn_ = 1;
        break;
    case PaneLayout::HidePreview:
        wanted_ = {prefs_->treeWidth, -1, 0};
        if (preview_) {
            preview_->ClearItem();
        }
        activeColumn_ = 0;
        break;
    }
    ApplyColumns();
    list_->SetPreviewVisible(PreviewVisible(layout));
    list_->Resort();
    if (layout != PaneLayout::HidePreview) {
        // An image selected in the list shows in the preview that has just come back.
        list_->OpenAt(-1);
    }
    haveState_ = false;
    RefreshCommands();
}

void CCodeMain::EnsureArchivePaneVisible() {
    if (layout_ == PaneLayout::HideArchive) {
        SetLayout(PaneLayout::ShowAll);
    }
}

void CCodeMain::EnsurePreviewVisible() {
    if (layout_ == PaneLayout::HidePreview) {
        SetLayout(PaneLayout::ShowAll);
    }
}

void CCodeMain::SetCaption(int column, const QString& text) {
    if (column >= 0 && column < static_cast<int>(captions_.size())) {
        captions_[static_cast<size_t>(column)]->SetCaption(text, true);
    }
}

// ---------------------------------------------------------------- active pane and focus

void CCodeMain::SetActive(ActivePane pane) {
    // With the archive pane hidden the tree cannot take the keyboard: a refresh that selects its
    // node leaves the list active, so that keys never go to a pane nobody sees.
    if (pane == ActivePane::Tree && layout_ == PaneLayout::HideArchive) {
        ActivateListPane();
        return;
    }
    if (active_ != pane) {
        active_ = pane;
        RefreshCommands();
    }
}

void CCodeMain::ActivateTreePane() {
    if (layout_ == PaneLayout::HideArchive) {
        ActivateListPane();
        return;
    }
    tree_->setFocus(Qt::OtherFocusReason);
    SetActive(ActivePane::Tree);
}

void CCodeMain::ActivateListPane() {
    list_->setFocus(Qt::OtherFocusReason);
    if (active_ != ActivePane::List) {
        active_ = ActivePane::List;
        RefreshCommands();
    }
}

void CCodeMain::MovePaneFocus(bool forward) {
    const std::array<int, 3> widths = CurrentWidths();
    const std::array<QWidget*, 3> all = {tree_, list_, previewWidget_};
    std::vector<QWidget*> shown;
    for (size_t i = 0; i < all.size(); ++i) {
        if (widths[i] > 0 && all[i]) {
            shown.push_back(all[i]);
        }
    }
    if (shown.empty()) {
        return;
    }
    const int count = static_cast<int>(shown.size());
    const QWidget* focus = QApplication::focusWidget();
    int at = -1;
    for (int i = 0; i < count; ++i) {
        const QWidget* pane = shown[static_cast<size_t>(i)];
        if (focus && (focus == pane || pane->isAncestorOf(focus))) {
            at = i;
        }
    }
    if (at < 0) {
        for (int i = 0; i < count; ++i) {
            const QWidget* pane = shown[static_cast<size_t>(i)];
            if ((pane == tree_ && active_ == ActivePane::Tree) ||
                (pane == list_ && active_ == ActivePane::List)) {
                at = i;
            }
        }
    }
    const int next = at < 0 ? (forward ? 0 : count - 1) : (at + (forward ? 1 : count - 1)) % count;
    QWidget* target = shown[static_cast<size_t>(next)];
    if (target == tree_) {
        ActivateTreePane();
    } else if (target == list_) {
        ActivateListPane();
    } else {
        target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    }
}

void CCodeMain::RestoreFocus() {
    if (focusBeforeDisabled_ && focusBeforeDisabled_->isVisible() && focusBeforeDisabled_->isEnabled()) {
        focusBeforeDisabled_->setFocus(Qt::OtherFocusReason);
    } else if (active_ == ActivePane::List) {
        ActivateListPane();
    } else if (active_ == ActivePane::Tree) {
        ActivateTreePane();
    }
    focusBeforeDisabled_.clear();
}

// ---------------------------------------------------------------- status bar

void CCodeMain::BeginProgress(int range) {
    // A range of 0 would turn the bar into Qt's endless busy animation.
    statusProgress_->setRange(0, std::max(range, 1));
    statusProgress_->setValue(0);
}

void CCodeMain::SetProgress(int position) {
    statusProgress_->setValue(std::clamp(position, 0, statusProgress_->maximum()));
}

void CCodeMain::EndProgress() {
    statusProgress_->setValue(0);
    statusProgress_->repaint();
    statusBar()->repaint();
}

void CCodeMain::BeginActivity() {
    statusProgress_->setRange(0, kActivityRange);
    statusProgress_->setValue(0);
    activityMode_ = true;
}

void CCodeMain::StepActivity() {
    if (!activityMode_) {
        return;
    }
    const int next = statusProgress_->value() + 1;
    statusProgress_->setValue(next >= kActivityRange ? 0 : next);
}

void CCodeMain::EndActivity() {
    if (!activityMode_) {
        return;
    }
    statusProgress_->setValue(0);
    statusProgress_->repaint();
    activityMode_ = false;
}

void CCodeMain::SetStatusText(int pane, const QString& text) {
    const int i = pane - kFirstStatusPane;
    if (i < 0 || i >= static_cast<int>(statusPanes_.size())) {
        return;
    }
    QLabel* label = statusPanes_[static_cast<size_t>(i)];
    const QString shown = text.isEmpty() ? QStringLiteral(" ") : text;
    if (label->text() != shown) {
        label->setText(shown);
    }
}

void CCodeMain::UpdateStatusPanes() {
    if (!pict_) {
        return;
    }
    const std::array<QString, 4> texts = pict_->StatusTexts();
    for (size_t i = 0; i < texts.size(); ++i) {
        SetStatusText(kFirstStatusPane + static_cast<int>(i), texts[i]);
    }
}

QString CCodeMain::StatusText(int pane) const {
    const int i = pane - kFirstStatusPane;
    if (i < 0 || i >= static_cast<int>(statusPanes_.size())) {
        return {};
    }
    return statusPanes_[static_cast<size_t>(i)]->text();
}

// ---------------------------------------------------------------- frame state

void CCodeMain::SetFrameDisabled(bool disabled) {
    if (disabled != frameDisabled_) {
        frameDisabled_ = disabled;
        if (disabled) {
            focusBeforeDisabled_ = focusWidget();
        }
        // The window itself stays enabled: the dialogs an operation shows are its children and
        // would be disabled with it.
        menuBar()->setEnabled(!disabled);
        toolbar_->setEnabled(!disabled);
        splitter_->setEnabled(!disabled);
        if (!disabled) {
            RestoreFocus();
            // The progress window that covered it is gone; without a window manager the keys
            // would go nowhere.
            ReclaimActivation();
        }
    }
    NoteActivity();
}

void CCodeMain::NoteActivity() {
    lastActivity_ = clock_.elapsed();
    emit activityNoted();
}

void CCodeMain::SetWaitCursor(bool on) {
    if (on) {
        if (waitCursors_++ == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
    } else if (waitCursors_ > 0 && --waitCursors_ == 0) {
        QApplication::restoreOverrideCursor();
    }
}

// ---------------------------------------------------------------- commands

CommandState CCodeMain::CurrentState() const {
    CommandState state = workspace_->State();
    state.toolbarVisible = !toolbar_->isHidden();
    state.statusBarVisible = !statusBar()->isHidden();
    if (!state.busy) {
        state.viewMode = list_->ViewMode();
        state.sortColumn = list_->SortState().sortColumn;
        if (list_->Model().Showing()) {
            state.thumbSizeIndex = list_->ThumbSizeIndex();
        }
    }
    return state;
}

CommandUi CCodeMain::UpdateCommand(int commandId, const CommandState& state) const {
    CommandUi ui = CommandRules::Update(commandId, state);
    if (IsHelp(commandId) && help_) {
        ui.enabled = !state.busy;
    }
    // The slideshow's commands do something only once the slideshow is there.
    if (IsSlideshow(commandId) && !slideshow_) {
        ui.enabled = false;
    }
    return ui;
}

CommandUi CCodeMain::UpdateCommand(int commandId) const {
    return UpdateCommand(commandId, CurrentState());
}

QAction* CCodeMain::Action(int commandId) const {
    return actions_.value(commandId);
}

void CCodeMain::RefreshCommands() {
    if (shutDown_) {
        return;
    }
    const CommandState state = CurrentState();
    if (haveState_ && state == lastState_) {
        return;
    }
    lastState_ = state;
    haveState_ = true;
    for (auto it = actions_.cbegin(); it != actions_.cend(); ++it) {
        const CommandUi ui = UpdateCommand(it.key(), state);
        QAction* action = it.value();
        action->setEnabled(ui.enabled);
        if (action->isCheckable()) {
            action->setChecked(ui.checked);
        }
        if (ui.text && action->text() != *ui.text) {
            action->setText(*ui.text);
        }
    }
}

void CCodeMain::Execute(int commandId) {
    if (shutDown_) {
        return;
    }
    if (commandId == kCmdExit) {
        // Always: while a command runs the close becomes a cancel of it.
        close();
        return;
    }
    const CommandUi ui = UpdateCommand(commandId);
    if (ui.enabled) {
        if (InRange(commandId, kCmdNew, kCmdComment)) {
            NoteActivity();
            workspace_->DispatchCommand(commandId);
        } else if (InRange(commandId, kCmdPane8000, kCmdHideArchive)) {
            PaneCommand(commandId);
        } else if (InRange(commandId, kCmdNextImage, kCmdSortByComment)) {
            NoteActivity();
            if (IsSlideshow(commandId)) {
                slideshow_(commandId);
            } else {
                list_->ExecuteCommand(commandId);
            }
        } else if (commandId == kCmdFitInWindow) {
            NoteActivity();
            prefs_->previewFit = prefs_->previewFit != 0 ? 0 : 1;
            if (fit_) {
                fit_(prefs_->previewFit != 0);
            } else if (preview_) {
                preview_->Repaint();
            }
        } else {
            FrameCommand(commandId);
        }
    }
    // Also after a refused command: Qt has already flipped a checkable entry that was clicked.
    haveState_ = false;
    RefreshCommands();
}

void CCodeMain::PaneCommand(int commandId) {
    if (workspace_->Busy()) {
        return;
    }
    switch (commandId) {
    case kCmdUpOneLevel: {
        if (layout_ != PaneLayout::HideArchive) {
            ActivateTreePane();
        }
        // At the archive's top level in Hide Archive it brings the archive pane back instead.
        const bool atTop = tree_->UpOneLevel();
        if (atTop && layout_ == PaneLayout::HideArchive) {
            SetLayout(PaneLayout::ShowAll);
        }
        break;
    }
    case kCmdHidePreview:
        SetLayout(PaneLayout::HidePreview);
        break;
    case kCmdShowAll:
        SetLayout(PaneLayout::ShowAll);
        break;
    case kCmdHideArchive:
        SetLayout(PaneLayout::HideArchive);
        break;
    default:
        break;
    }
}

void CCodeMain::FrameCommand(int commandId) {
    // Help, the web addresses and About.
    if (RunHelpCommand(commandId, this)) {
        NoteActivity();
        // The About box has closed (the help window, which stays open, keeps the activation).
        if (commandId == kCmdAbout) {
            ReclaimActivation();
        }
        return;
    }
    switch (commandId) {
    case kCmdNextPane:
        MovePaneFocus(true);
        break;
    case kCmdPreviousPane:
        MovePaneFocus(false);
        break;
    case kCmdToggleToolbar:
        toolbar_->setVisible(toolbar_->isHidden());
        break;
    case kCmdToggleStatusBar:
        statusBar()->setVisible(statusBar()->isHidden());
        break;
    default:
        if (IsHelp(commandId) && help_) {
            help_(commandId);
        }
        break;
    }
}

// ---------------------------------------------------------------- events

bool CCodeMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // A key is about to be matched against the shortcuts: their enabled states must be current.
        RefreshCommands();
    } else if (watched == splitter_ && columnsPending_ &&
               (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        // A widget being shown gets its first resize before it counts as visible: the show that
        // follows is when the columns can be laid out for good.
        ApplyColumns();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CCodeMain::dragEnterEvent(QDragEnterEvent* event) {
    NoteActivity();
    AcceptFilesOverFrame(event);
}

void CCodeMain::dragMoveEvent(QDragMoveEvent* event) {
    AcceptFilesOverFrame(event);
}

void CCodeMain::AcceptFilesOverFrame(QDragMoveEvent* event) {
    if (shutDown_ || workspace_->Busy() || !PaneDrag::HasFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    // The frame's own areas (captions, toolbar, status bar) are no folder: no target.
    workspace_->Drop().Clear();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CCodeMain::dropEvent(QDropEvent* event) {
    NoteActivity();
    if (shutDown_ || workspace_->Busy() || !PaneDrag::HasFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QStringList paths = PaneDrag::LocalFiles(event->mimeData());
    // Handled once the drop has returned to the desktop that started it.
    QMetaObject::invokeMethod(
        this,
        [this, paths] {
            workspace_->Drop().Clear();
            workspace_->DropFiles(paths);
        },
        Qt::QueuedConnection);
}

} // namespace quorvane
