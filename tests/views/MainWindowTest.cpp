// The main window: the three layouts' column widths and what they store, every menu entry, key and
// toolbar button with its id, label and shortcut, the status bar's progress, and files dropped from
// the desktop over each pane.
#include "MainWindowFixture.h"

#include "CCodeList.h"
#include "CCodePict.h"
#include "CCodeText.h"
#include "CCodeTree.h"
#include "CommandIds.h"
#include "DialogScript.h"
#include "PaneFixture.h"
#include "StringTable.h"
#include "Workspace.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

class MainWindowTest : public MainWindowFixture {
protected:
    // A window 1,000 pixels wide with an archive open, "MTW" 150 and "MLW" 220.
    void OpenWindow() {
        path = PrepareArchive("photos", ScriptedHost::Plain(8), {{"Trip", {"a.jpg", "b.jpg"}}, {"Home", {}}});
        Preset(QStringLiteral("MTW"), 150);
        Preset(QStringLiteral("MLW"), 220);
        MakeWindow(1000, 600);
        window->StartUp(path);
        ASSERT_EQ(window->GetWorkspace().ArchiveCount(), 1);
        QCoreApplication::processEvents();
    }
    std::vector<int> Widths() const {
        const QList<int> sizes = window->Splitter()->sizes();
        return {sizes.begin(), sizes.end()};
    }
    // What the columns share: the splitter less its visible handles.
    int Room() const {
        int room = window->Splitter()->width();
        for (int i = 1; i < window->Splitter()->count(); ++i) {
            if (!window->Splitter()->handle(i)->isHidden()) {
                room -= window->Splitter()->handleWidth();
            }
        }
        return room;
    }
    void Key(QKeyCombination key) {
        QTest::keyClick(window.get(), key.key(), key.keyboardModifiers());
        QCoreApplication::processEvents();
    }
    int NumberOf(const QString& name) const {
        CCodeArchive* archive = window->GetWorkspace().ArchiveAt(1);
        for (int i = 0; archive && i < archive->entryCount(); ++i) {
            if (window->GetWorkspace().EntryName(1, i + 1) == name) {
                return i + 1;
            }
        }
        return 0;
    }
    int ChildCount(int folder) const {
        CCodeArchive* archive = window->GetWorkspace().ArchiveAt(1);
        int n = 0;
        for (int i = 1; archive && i < archive->entryCount(); ++i) {
            const CatalogueEntry* e = archive->Entry(EntryIndex(i));
            n += e && e->parent == folder ? 1 : 0;
        }
        return n;
    }

    QString path;
};

TEST_F(MainWindowTest, LayoutsGiveTheColumnsTheirStoredWidthsAndTheRestToTheLastShown) {
    OpenWindow();
    ASSERT_EQ(window->Splitter()->width(), 1000);
    EXPECT_EQ(window->Layout(), PaneLayout::ShowAll);
    EXPECT_EQ(window->ActiveColumnMarker(), -1);
    EXPECT_EQ(Widths(), (std::vector<int>{150, 220, Room() - 370}));

    // Hide Archive (Ctrl+9): no tree, the list active; the list keeps its width.
    Key(Qt::CTRL | Qt::Key_9);
    EXPECT_EQ(window->Layout(), PaneLayout::HideArchive);
    EXPECT_EQ(window->ActiveColumnMarker(), 1);
    EXPECT_EQ(Widths(), (std::vector<int>{0, 220, Room() - 220}));
    EXPECT_EQ(window->Active(), ActivePane::List);
    EXPECT_TRUE(window->Action(kCmdHideArchive)->isChecked());
    EXPECT_FALSE(window->Action(kCmdShowAll)->isChecked());

    // Hide Preview (Ctrl+7): the tree is back with its width, the list takes the rest.
    Key(Qt::CTRL | Qt::Key_7);
    EXPECT_EQ(window->ActiveColumnMarker(), 0);
    EXPECT_EQ(Widths(), (std::vector<int>{150, Room() - 150, 0}));

    // The user drags the tree wider; choosing Hide Preview again re-reads nothing.
    window->Splitter()->setSizes({300, Room() - 300, 0});
    Key(Qt::CTRL | Qt::Key_7);
    EXPECT_EQ(Widths(), (std::vector<int>{300, Room() - 300, 0}));
    EXPECT_EQ(window->Prefs().treeWidth, 150);

    // Show All stores the tree's new width ("MTW") and lays out from it; the list's stays.
    Key(Qt::CTRL | Qt::Key_8);
    EXPECT_EQ(window->Prefs().treeWidth, 300);
    EXPECT_EQ(window->Prefs().listWidth, 220);
    EXPECT_EQ(Widths(), (std::vector<int>{300, 220, Room() - 520}));

    // A wider window widens only the last column.
    window->resize(1200, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(Widths(), (std::vector<int>{300, 220, Room() - 520}));
}

TEST_F(MainWindowTest, ClosingStoresTheTreeWidthExceptInHideArchive) {
    OpenWindow();
    window->Splitter()->setSizes({170, 240, Room() - 410});
    Key(Qt::CTRL | Qt::Key_9); // stores both: 170 and 240
    window->Splitter()->setSizes({0, 260, Room() - 260});
    window->close();
    EXPECT_EQ(Stored(QStringLiteral("MTW")).toInt(), 170);
    EXPECT_EQ(Stored(QStringLiteral("MLW")).toInt(), 240); // only layout switches store it
    window.reset();

    // In Show All the close stores the tree's width, and still not the list's.
    MakeWindow(1000, 600);
    window->StartUp(path);
    window->Splitter()->setSizes({190, 200, Room() - 390});
    window->close();
    EXPECT_EQ(Stored(QStringLiteral("MTW")).toInt(), 190);
    EXPECT_EQ(Stored(QStringLiteral("MLW")).toInt(), 240);
    EXPECT_EQ(window->GetWorkspace().ArchiveCount(), 0);
}

// The close keeps the window's size for the next start, outside the preferences.
TEST_F(MainWindowTest, TheNextStartHasTheSizeTheLastCloseLeft) {
    MakeWindow(900, 560);
    EXPECT_FALSE(window->RestoreWindowGeometry()) << "nothing stored yet";
    window->resize(820, 530);
    QCoreApplication::processEvents();
    window->close();
    window.reset();
    {
        QSettings settings(settingsPath, QSettings::IniFormat);
        EXPECT_FALSE(settings.value(QLatin1String(CCodeMain::kGeometryKey)).toByteArray().isEmpty());
        EXPECT_FALSE(settings.contains(QStringLiteral("Preferences/geometry")));
    }
    window = std::make_unique<CCodeMain>(std::make_unique<QSettings>(settingsPath, QSettings::IniFormat),
                                         PosixFileSystem());
    ASSERT_TRUE(window->RestoreWindowGeometry());
    EXPECT_EQ(window->size(), QSize(820, 530));
}

TEST_F(MainWindowTest, CaptionsPaneCommandsAndSize) {
    MakeWindow(1000, 600);
    EXPECT_EQ(window->Caption(0)->Caption(), QStringLiteral("Open Archives"));
    EXPECT_EQ(window->Caption(1)->Caption(), QStringLiteral("Contents"));
    EXPECT_EQ(window->Caption(2)->Caption(), QStringLiteral("Preview"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quorvane"));
    EXPECT_EQ(window->minimumSize(), QSize(512, 256));
    // With no archive open every pane command is off.
    for (const int id : {kCmdUpOneLevel, kCmdHidePreview, kCmdShowAll, kCmdHideArchive}) {
        EXPECT_FALSE(window->Action(id)->isEnabled()) << id;
    }
    Key(Qt::CTRL | Qt::Key_9);
    EXPECT_EQ(window->Layout(), PaneLayout::ShowAll);
    // The idle tick runs on a period, never as a zero timer.
    EXPECT_TRUE(window->IdleTimer().isActive());
    EXPECT_GT(window->IdleTimer().interval(), 0);
}

// Every entry of the menu bar in order: id, label with its shortcut text, and the keys that run it.
struct MenuRow {
    const char* menu; // "File", "Edit", "View", "View/Panes", ... ; "" for keys only
    int id;           // 0: a separator
    const char* label;
    std::vector<QKeyCombination> keys;
};

const std::vector<MenuRow>& MenuRows() {
    static const std::vector<MenuRow> rows = {
        {"File", kCmdNew, "&New\tCtrl+N", {Qt::CTRL | Qt::Key_N}},
        {"File", kCmdOpen, "&Open\tCtrl+O", {Qt::CTRL | Qt::Key_O}},
        {"File", kCmdClose, "&Close\tCtrl+W", {Qt::CTRL | Qt::Key_W}},
        {"File", 0, "", {}},
        {"File", kCmdNewFolder, "New &Folder\tCtrl+L", {Qt::CTRL | Qt::Key_L}},
        {"File", 0, "", {}},
        {"File", kCmdImport, "&Import Images...\tCtrl+I", {Qt::CTRL | Qt::Key_I}},
        {"File", kCmdExport, "E&xport Images...\tCtrl+S", {Qt::CTRL | Qt::Key_S}},
        {"File", 0, "", {}},
        {"File", kCmdRestore, "&Restore", {}},
        {"File", kCmdEmptyRecycleBin, "&Empty Recycle Bin", {Qt::CTRL | Qt::Key_B}},
        {"File", 0, "", {}},
        {"File", kCmdProperties, "&Properties", {}},
        {"File", kCmdPreferences, "Pr&eferences...", {}},
        {"File", 0, "", {}},
        {"File", kCmdExit, "E&xit\tCtrl+Q", {Qt::CTRL | Qt::Key_Q, Qt::ALT | Qt::Key_F4}},
        {"Edit", kCmdUndo, "&Undo\tCtrl+Z", {Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace}},
        {"Edit", 0, "", {}},
        {"Edit", kCmdCut, "Cu&t\tCtrl+X", {Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete}},
        {"Edit", kCmdCopy, "&Copy\tCtrl+C", {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert}},
        {"Edit", kCmdPaste, "&Paste\tCtrl+V", {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert}},
        {"Edit", 0, "", {}},
        {"Edit", kCmdFind, "&Find...\tCtrl+F", {Qt::CTRL | Qt::Key_F}},
        {"Edit", kCmdFindAgain, "Find A&gain\tCtrl+G", {Qt::CTRL | Qt::Key_G}},
        {"Edit", 0, "", {}},
        {"Edit", kCmdSelectAll, "Select &All\tCtrl+A", {Qt::CTRL | Qt::Key_A}},
        {"Edit", kCmdInvertSelection, "&Invert Selection", {}},
        {"Edit", 0, "", {}},
        {"Edit", kCmdDelete, "&Delete\tDEL", {QKeyCombination(Qt::Key_Delete)}},
        {"Edit", kCmdRename, "&Rename\tCtrl+R", {Qt::CTRL | Qt::Key_R}},
        {"Edit", 0, "", {}},
        {"Edit", kCmdComment, "C&omment...\tCtrl+M", {Qt::CTRL | Qt::Key_M}},
        {"View", kCmdToggleToolbar, "&Toolbar", {}},
        {"View", kCmdToggleStatusBar, "&Status Bar", {}},
        {"View", 0, "", {}},
        {"View", -1, "P&anes", {}},
        {"View", 0, "", {}},
        {"View", kCmdViewThumbnails, "Thumb&nails", {}},
        {"View", kCmdViewLargeIcons, "Lar&ge Icons", {}},
        {"View", kCmdViewSmallIcons, "S&mall Icons", {}},
        {"View", kCmdViewList, "&List", {}},
        {"View", kCmdViewDetails, "&Details", {}},
        {"View", 0, "", {}},
        {"View", -1, "Arrange &Icons", {}},
        {"View", 0, "", {}},
        {"View", kCmdFitInWindow, "&Fit in Window\tCtrl+Y", {Qt::CTRL | Qt::Key_Y}},
        {"View", kCmdStartSlideshow, "&Start Slideshow\tCtrl+P", {Qt::CTRL | Qt::Key_P}},
        {"Panes", kCmdHidePreview, "Hide &Preview\tCtrl+7", {Qt::CTRL | Qt::Key_7}},
        {"Panes", kCmdShowAll, "Show &All\tCtrl+8", {Qt::CTRL | Qt::Key_8}},
        {"Panes", kCmdHideArchive, "Hide Ar&chive\tCtrl+9", {Qt::CTRL | Qt::Key_9}},
        {"Arrange Icons", kCmdSortByName, "By &Name", {}},
        {"Arrange Icons", kCmdSortByType, "By &Type", {}},
        {"Arrange Icons", kCmdSortBySize, "By &Size", {}},
        {"Arrange Icons", kCmdSortByDate, "By &Date", {}},
        {"Arrange Icons", kCmdSortByDimensions, "By Di&mensions", {}},
        {"Arrange Icons", kCmdSortByComment, "By &Comment", {}},
        {"Help", kCmdHelpTopics, "&Help Topics", {}},
        {"Help", 0, "", {}},
        {"Help", kCmdHomePage, nullptr, {}}, // its label is ours to choose
        {"Help", kCmdMailSupport, "&E-mail Support", {}},
        {"Help", kCmdCheckUpdates, "Check for &Updates", {}},
        {"Help", 0, "", {}},
        {"Help", kCmdAbout, "&About Quorvane...", {}},
        {"", kCmdNextPane, nullptr, {QKeyCombination(Qt::Key_F6)}},
        {"", kCmdPreviousPane, nullptr, {Qt::SHIFT | Qt::Key_F6}},
        {"", kCmdHelp, nullptr, {QKeyCombination(Qt::Key_F1)}},
        {"", kCmdUpOneLevel, nullptr, {Qt::ALT | Qt::Key_Up}},
    };
    return rows;
}

TEST_F(MainWindowTest, EveryMenuEntryAndKeyWithItsIdLabelAndShortcut) {
    MakeWindow(1000, 600);
    const QStringList titles{"&File", "&Edit", "&View", "&Help"};
    QStringList bar;
    for (QAction* action : window->menuBar()->actions()) {
        bar << action->text();
    }
    EXPECT_EQ(bar, titles);

    std::map<std::string, std::vector<const MenuRow*>> byMenu;
    for (const MenuRow& row : MenuRows()) {
        byMenu[row.menu].push_back(&row);
    }
    for (const auto& [name, rows] : byMenu) {
        if (name.empty()) {
            continue;
        }
        auto* menu = window->findChild<QMenu*>(QString::fromStdString(name));
        ASSERT_NE(menu, nullptr) << name;
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(rows.size())) << name;
        for (size_t i = 0; i < rows.size(); ++i) {
            const MenuRow& row = *rows[i];
            QAction* action = actions.at(static_cast<qsizetype>(i));
            SCOPED_TRACE(name + " entry " + std::to_string(i));
            if (row.id == 0) {
                EXPECT_TRUE(action->isSeparator());
            } else if (row.id < 0) {
                ASSERT_NE(action->menu(), nullptr);
                EXPECT_EQ(action->text(), QString::fromUtf8(row.label));
            } else {
                EXPECT_EQ(action->data().toInt(), row.id);
                EXPECT_EQ(action, window->Action(row.id));
                if (row.label) {
                    EXPECT_EQ(action->text(), QString::fromUtf8(row.label));
                } else {
                    EXPECT_FALSE(action->text().isEmpty());
                }
            }
        }
    }
    // Every key of the accelerator table runs its command.
    for (const MenuRow& row : MenuRows()) {
        if (row.id <= 0) {
            continue;
        }
        QAction* action = window->Action(row.id);
        ASSERT_NE(action, nullptr) << row.id;
        QList<QKeySequence> expected;
        for (const QKeyCombination key : row.keys) {
            expected.push_back(QKeySequence(key));
        }
        EXPECT_EQ(action->shortcuts(), expected) << row.id;
    }
}

TEST_F(MainWindowTest, ToolbarButtonsInOrderWithTheirTooltips) {
    MakeWindow(1000, 600);
    const std::vector<int> expected = {kCmdNew,
                                       kCmdOpen,
                                       kCmdClose,
                                       0,
                                       kCmdHidePreview,
                                       kCmdShowAll,
                                       kCmdHideArchive,
                                       0,
                                       kCmdUpOneLevel,
                                       0,
                                       kCmdImport,
                                       kCmdExport,
                                       0,
                                       kCmdNewFolder,
                                       kCmdComment,
                                       0,
                                       kCmdDelete,
                                       kCmdEmptyRecycleBin,
                                       0,
                                       kCmdPreviousImage,
                                       kCmdNextImage,
                                       0,
                                       kCmdFitInWindow,
                                       kCmdStartSlideshow,
                                       0,
                                       kCmdViewThumbnails,
                                       kCmdViewLargeIcons,
                                       kCmdViewSmallIcons,
                                       kCmdViewList,
                                       kCmdViewDetails,
                                       0,
                                       kCmdHelpTopics};
    std::vector<int> shown;
    for (QAction* action : window->Toolbar()->actions()) {
        shown.push_back(action->isSeparator() ? 0 : action->data().toInt());
        if (!action->isSeparator()) {
            const int id = action->data().toInt();
            EXPECT_FALSE(action->icon().isNull()) << id;
            const QString tip = StringTable::Tooltip(id);
            if (!tip.isEmpty()) {
                EXPECT_EQ(action->toolTip(), tip) << id;
            } else {
                EXPECT_EQ(action->toolTip(), QStringLiteral("Help Topics")) << id;
            }
        }
    }
    EXPECT_EQ(shown, expected);
    // Toolbar and status bar toggle, with their entries checked while shown.
    EXPECT_TRUE(window->Action(kCmdToggleToolbar)->isChecked());
    window->Action(kCmdToggleToolbar)->trigger();
    EXPECT_TRUE(window->Toolbar()->isHidden());
    EXPECT_FALSE(window->Action(kCmdToggleToolbar)->isChecked());
    window->Action(kCmdToggleStatusBar)->trigger();
    EXPECT_TRUE(window->statusBar()->isHidden());
    EXPECT_FALSE(window->Action(kCmdToggleStatusBar)->isChecked());
}

TEST_F(MainWindowTest, StatusProgressNeverTurnsIntoABusyAnimation) {
    MakeWindow(1000, 600);
    QProgressBar* bar = window->StatusProgress();
    // A catalogue of fewer than 64 entries gives a range of 0.
    window->BeginProgress(0);
    EXPECT_GT(bar->maximum(), bar->minimum());
    window->SetProgress(5);
    EXPECT_LE(bar->value(), bar->maximum());
    window->EndProgress();
    EXPECT_EQ(bar->value(), 0);

    window->BeginActivity();
    EXPECT_EQ(bar->maximum(), 64);
    for (int i = 0; i < 63; ++i) {
        window->StepActivity();
    }
    EXPECT_EQ(bar->value(), 63);
    window->StepActivity();
    EXPECT_EQ(bar->value(), 0);
    window->StepActivity();
    window->EndActivity();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_FALSE(window->ActivityMode());
    window->StepActivity();
    EXPECT_EQ(bar->value(), 0);

    window->SetStatusText(3001, QStringLiteral("64x48"));
    EXPECT_EQ(window->StatusText(3001), QStringLiteral("64x48"));
    window->SetStatusText(3001, QString());
    EXPECT_EQ(window->StatusText(3001), QStringLiteral(" "));
}

TEST_F(MainWindowTest, DesktopFilesDroppedOverEachPane) {
    OpenWindow();
    const QString picture = dir.filePath(QStringLiteral("new.jpg"));
    {
        const std::vector<uint8_t> bytes = EncodedImage(50, 30, "jpeg");
        QFile file(picture);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    std::unique_ptr<QMimeData> files(FileData({picture}));
    const int trip = NumberOf(QStringLiteral("Trip"));
    const int home = NumberOf(QStringLiteral("Home"));
    ASSERT_GT(trip, 0);
    ASSERT_GT(home, 0);
    Workspace& ws = window->GetWorkspace();

    // Over a folder of the tree: into that folder.
    CCodeTree* tree = window->Tree();
    const QPoint homeAt = tree->visualRect(tree->Model().IndexOf(1, home)).center();
    EXPECT_EQ(DropOn(tree->viewport(), homeAt, files.get()), Qt::CopyAction);
    ASSERT_TRUE(WaitUntil([&] { return ChildCount(home) == 1; }));

    // Over the list's empty space: into the folder it shows.
    ws.SelectArchiveFolder(1, trip, false);
    QCoreApplication::processEvents();
    QWidget* listArea = window->List()->CurrentView()->viewport();
    EXPECT_EQ(DropOn(listArea, QPoint(listArea->width() - 5, listArea->height() - 5), files.get()),
              Qt::CopyAction);
    ASSERT_TRUE(WaitUntil([&] { return ChildCount(trip) == 3; }));

    // Over the preview: into the shown folder as well.
    ws.SelectArchiveFolder(1, home, false);
    QCoreApplication::processEvents();
    ASSERT_EQ(window->PreviewWidget(), static_cast<QWidget*>(window->Pict()));
    QWidget* preview = window->Pict()->viewport();
    EXPECT_EQ(DropOn(preview, preview->rect().center(), files.get()), Qt::CopyAction);
    ASSERT_TRUE(WaitUntil([&] { return ChildCount(home) == 2; }));

    // Over a caption, which is no folder: accepted, and the Workspace says there is no target.
    const int before = window->GetWorkspace().ArchiveAt(1)->entryCount();
    QString said;
    Drive({[&](QWidget* dialog) {
              if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                  said = box->text();
              }
              QTest::keyClick(dialog, Qt::Key_Return);
          }},
          [&] {
              CCodeText* caption = window->Caption(1);
              EXPECT_EQ(DropOn(caption, caption->rect().center(), files.get()), Qt::CopyAction);
              QCoreApplication::processEvents();
          });
    EXPECT_EQ(said, StringTable::ErrorText(9025)); // no folder to drop on
    EXPECT_EQ(window->GetWorkspace().ArchiveAt(1)->entryCount(), before);
}

} // namespace
