// The folder tree on screen: order, archive images, expansion kept in the archive, in-place rename
// with its refusals, drag effects, drags that end without a drop, desktop drops, drag-scrolling and
// the context menus.
#include "PaneFixture.h"

#include "CommandIds.h"
#include "ContextMenus.h"
#include "StringTable.h"

#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

class TreePaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCodeArchive& photos = p.host.Add("photos");
        beta = FakePaneHost::Folder(photos, 0, "beta");
        alpha = FakePaneHost::Folder(photos, 0, "Alpha");
        zebra = FakePaneHost::Folder(photos, 0, "Zebra");
        inner = FakePaneHost::Folder(photos, alpha, "inner");
        CCodeArchive& trips = p.host.Add("trips");
        x = FakePaneHost::Folder(trips, 0, "x");
        p.host.onRename = [this](int archive, int number, const QString& text) {
            const int status = p.host.RenameLikeWorkspace(archive, number, text);
            if (status == 0) {
                p.tree->Rebuild(); // what the Workspace does after a rename
            }
            return status;
        };
        p.tree->resize(260, 400);
        p.tree->show();
        p.Show(1, 0);
    }

    QModelIndex At(int archive, int folder) { return p.tree->Model().IndexOf(archive, folder); }
    QPoint CentreOf(int archive, int folder) { return p.tree->visualRect(At(archive, folder)).center(); }
    QWidget* Viewport() { return p.tree->viewport(); }

    // "depth:name" of every row in the order drawn, top to bottom.
    std::vector<std::string> OnScreen() {
        std::vector<std::string> rows;
        for (QModelIndex i = p.tree->model()->index(0, 0); i.isValid(); i = p.tree->indexBelow(i)) {
            int depth = 0;
            for (QModelIndex up = i.parent(); up.isValid(); up = up.parent()) {
                ++depth;
            }
            rows.push_back(std::to_string(depth) + ":" + i.data().toString().toStdString());
        }
        return rows;
    }

    Panes p;
    int alpha = 0, beta = 0, zebra = 0, inner = 0, x = 0;
};

TEST_F(TreePaneTest, ArchivesInOpeningOrderFoldersByNameAndTheBinLast) {
    p.tree->expandAll();
    const std::string photos = "0:" + p.host.Archive(1).displayName();
    const std::string trips = "0:" + p.host.Archive(2).displayName();
    // "Zebra" sorts after "Recycle Bin" by name; the bin still comes last.
    EXPECT_EQ(OnScreen(), (std::vector<std::string>{photos, "1:Alpha", "2:inner", "1:beta", "1:Zebra",
                                                    "1:Recycle Bin", trips, "1:x", "1:Recycle Bin"}));

    // Selecting a folder of the second archive draws its archive as the current one.
    p.tree->setCurrentIndex(At(2, x));
    ASSERT_FALSE(p.host.selections.empty());
    EXPECT_EQ(p.host.selections.back().archive, 2);
    EXPECT_EQ(p.host.selections.back().folder, x);
    EXPECT_FALSE(p.host.selections.back().force);
    EXPECT_EQ(p.tree->Model().Node(At(2, 0))->image, TreeNodes::kImageCurrentArchive);
    EXPECT_EQ(p.tree->Model().Node(At(1, 0))->image, TreeNodes::kImageArchive);

    // While a command runs, a click does not move the current location.
    p.host.busy = true;
    const size_t before = p.host.selections.size();
    p.tree->setCurrentIndex(At(1, alpha));
    EXPECT_EQ(p.host.selections.size(), before);
    EXPECT_EQ(p.tree->currentIndex(), At(2, x));
}

// Walking the tree with the keys keeps the current node on screen.
TEST_F(TreePaneTest, KeysBringTheCurrentNodeIntoView) {
    p.tree->expandAll();
    p.tree->resize(260, 90); // a few rows high: the nine nodes do not fit
    p.tree->setFocus();
    p.tree->setCurrentIndex(At(1, 0));
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down,
                        Qt::Key_Down, Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp}) {
        QTest::keyClick(p.tree.get(), key);
        const QRect row = p.tree->visualRect(p.tree->currentIndex());
        EXPECT_TRUE(Viewport()->rect().contains(row)) << "key " << key << " left the node at " << row.top();
    }
}

TEST_F(TreePaneTest, ExpansionIsStoredInTheArchiveAndRestored) {
    // A folder in the recycle bin gives the bin a child; its entry's stored flag is set (new
    // folders start expanded) and it must still never show expanded.
    ASSERT_EQ(p.host.Archive(1).MoveEntries({zebra}, 1, false), kOk);
    p.Show(1, 0);
    struct Round {
        bool alphaOpen;
        bool tripsOpen;
    };
    for (const Round round : {Round{true, false}, Round{false, true}}) {
        p.tree->setExpanded(At(1, 0), true);
        p.tree->setExpanded(At(1, alpha), round.alphaOpen);
        p.tree->setExpanded(At(2, 0), round.tripsOpen);
        // Closed and opened again: what the tree shows comes from the files.
        for (int slot = 1; slot <= 2; ++slot) {
            const std::string path = p.host.Archive(slot).path();
            ASSERT_EQ(p.host.Archive(slot).Close(true), kOk);
            p.host.archives[static_cast<size_t>(slot - 1)] = OpenArchive(p.host.fs, p.host.engine, path, "");
            ASSERT_TRUE(p.host.Archive(slot).IsOpen());
        }
        p.Show(1, 0);
        EXPECT_TRUE(p.tree->isExpanded(At(1, 0)));
        EXPECT_EQ(p.tree->isExpanded(At(1, alpha)), round.alphaOpen);
        EXPECT_EQ(p.tree->isExpanded(At(2, 0)), round.tripsOpen);
        EXPECT_FALSE(p.tree->isExpanded(At(1, 1)));
        EXPECT_TRUE(p.tree->Model().hasChildren(At(1, 1)));
    }
}

TEST_F(TreePaneTest, OnlyFoldersAreRenamedAndOnlyThroughTheWorkspace) {
    QSignalSpy editing(p.tree.get(), &CCodeTree::labelEditingChanged);
    for (const int folder : {0, 1}) { // the archive node, the recycle bin
        p.tree->setCurrentIndex(At(1, folder));
        p.tree->BeginRename();
        QTest::keyClick(p.tree.get(), Qt::Key_F2);
        EXPECT_FALSE(p.tree->Editing()) << "folder " << folder;
    }
    EXPECT_EQ(editing.count(), 0);

    struct Case {
        const char* typed;
        Qt::Key key;
        bool asked;             // the Workspace is asked
        const char* labelAfter; // what the tree shows afterwards
    };
    const Case cases[] = {
        {"Al/pha", Qt::Key_Return, true, "Alpha"}, // refused by the Workspace (5088)
        {"Gamma", Qt::Key_Escape, false, "Alpha"}, // cancelled
        {"Omega", Qt::Key_Return, true, "Omega"},  // renamed, shown by the rebuild
    };
    for (const Case& c : cases) {
        p.tree->setCurrentIndex(At(1, alpha));
        QTest::keyClick(p.tree.get(), Qt::Key_F2);
        ASSERT_TRUE(p.tree->Editing()) << c.typed;
        auto* editor = qobject_cast<QLineEdit*>(p.tree->indexWidget(p.tree->currentIndex()));
        ASSERT_NE(editor, nullptr);
        editor->setText(QString::fromLatin1(c.typed));
        const size_t asked = p.host.renames.size();
        QTest::keyClick(editor, c.key);
        QCoreApplication::processEvents(); // the delegate commits an Enter from the event loop
        EXPECT_EQ(p.host.renames.size() > asked, c.asked) << c.typed;
        EXPECT_EQ(At(1, alpha).data().toString().toStdString(), c.labelAfter) << c.typed;
        EXPECT_FALSE(p.tree->Editing());
    }
    EXPECT_EQ(p.host.messages, QStringList{StringTable::Text(kStrForbiddenName)});
    EXPECT_EQ(editing.count(), 6); // on and off, three times

    // A click on the selected folder edits its name only when it falls on the name, not the icon.
    p.tree->setCurrentIndex(At(1, alpha));
    const QRect row = p.tree->visualRect(At(1, alpha));
    for (const bool onName : {false, true}) {
        const QPoint at(onName ? row.left() + 30 : row.left() + 4, row.center().y());
        QTest::mouseClick(p.tree->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        EXPECT_EQ(p.tree->Editing(), onName);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    ASSERT_FALSE(p.tree->Editing());
    editing.clear();

    // A rebuild under an open editor ends the edit without renaming.
    p.tree->setCurrentIndex(At(1, beta));
    p.tree->BeginRename();
    ASSERT_TRUE(p.tree->Editing());
    const size_t asked = p.host.renames.size();
    p.tree->Rebuild();
    QCoreApplication::processEvents();
    EXPECT_FALSE(p.tree->Editing());
    EXPECT_EQ(editing.count(), 2);
    EXPECT_EQ(p.host.renames.size(), asked);
}

TEST_F(TreePaneTest, DragEffectsShowWhereTheDropWillGo) {
    std::unique_ptr<QMimeData> internal(InternalData());
    std::unique_ptr<QMimeData> files(FileData({QStringLiteral("/tmp/a.jpg")}));
    const QPoint nowhere(10, Viewport()->height() - 4); // below every row
    struct Case {
        const char* what;
        const QMimeData* data;
        bool internalFlag;
        int archive, folder; // the node under the pointer (0: none)
        bool busy;
        Qt::DropAction effect;
        bool targetSet;
    };
    const Case cases[] = {
        {"ours into the current archive", internal.get(), true, 1, alpha, false, Qt::MoveAction, true},
        {"ours onto the current archive's node", internal.get(), true, 1, 0, false, Qt::MoveAction, true},
        {"ours into another archive", internal.get(), true, 2, x, false, Qt::CopyAction, true},
        {"ours over no node", internal.get(), true, 0, 0, false, Qt::IgnoreAction, false},
        {"ours while a command runs", internal.get(), true, 1, alpha, true, Qt::IgnoreAction, false},
        {"desktop files onto a folder", files.get(), false, 2, x, false, Qt::CopyAction, true},
        {"desktop files over no node", files.get(), false, 0, 0, false, Qt::CopyAction, false},
    };
    for (const Case& c : cases) {
        p.host.drop.Clear();
        p.host.internalDrag = c.internalFlag;
        p.host.busy = c.busy;
        const QPoint at = c.archive ? CentreOf(c.archive, c.folder) : nowhere;
        EXPECT_EQ(DragMoveOver(Viewport(), at, c.data), c.effect) << c.what;
        EXPECT_EQ(p.host.drop.IsSet(), c.targetSet) << c.what;
        if (c.targetSet) {
            EXPECT_EQ(p.host.drop.valid, DropTarget::kTree) << c.what;
            EXPECT_EQ(p.host.drop.archive, c.archive) << c.what;
            EXPECT_EQ(p.host.drop.folder, c.folder) << c.what;
            EXPECT_EQ(p.tree->Model().DropHighlightRow(), p.tree->Model().RowOf(At(c.archive, c.folder)));
        }
        LeaveDrag(Viewport());
        EXPECT_EQ(p.tree->Model().DropHighlightRow(), -1);
        EXPECT_FALSE(p.host.drop.IsSet());
    }
}

TEST_F(TreePaneTest, ADragActsOnlyWhenItIsDropped) {
    std::vector<int> gathered;
    p.host.onDropItems = [&] { gathered = p.tree->Gather(SelectionPurpose::Drag); };
    enum End { kEscape, kDropOnFolder, kDropOnNothing };
    struct Case {
        const char* what;
        End end;
        bool dropItems;
    };
    for (const Case& c : {Case{"Escape", kEscape, false}, Case{"drop on Alpha", kDropOnFolder, true},
                          Case{"released over no node", kDropOnNothing, false}}) {
        p.host.dropItems.clear();
        p.tree->setCurrentIndex(At(1, beta));
        bool flagInLoop = false;
        Qt::DropAction shown = Qt::IgnoreAction;
        int bold = -1;
        p.tree->SetDragRunner([&](QDrag& drag) {
            flagInLoop = p.host.internalDrag;
            bold = p.tree->Model().RowOf(At(1, beta));
            EXPECT_TRUE(At(1, beta).data(Qt::FontRole).value<QFont>().bold());
            shown = DragMoveOver(Viewport(), CentreOf(1, alpha), drag.mimeData());
            switch (c.end) {
            case kEscape:
                LeaveDrag(Viewport());
                return Qt::IgnoreAction;
            case kDropOnFolder:
                return DropOn(Viewport(), CentreOf(1, alpha), drag.mimeData());
            case kDropOnNothing:
                return DropOn(Viewport(), QPoint(10, Viewport()->height() - 4), drag.mimeData());
            }
            return Qt::IgnoreAction;
        });
        p.tree->startDrag(Qt::MoveAction | Qt::CopyAction);
        // The flag is up during the loop, so a drag within the archive shows the move it makes.
        EXPECT_TRUE(flagInLoop) << c.what;
        EXPECT_EQ(shown, Qt::MoveAction) << c.what;
        EXPECT_GE(bold, 0);
        EXPECT_FALSE(At(1, beta).data(Qt::FontRole).value<QFont>().bold());
        EXPECT_FALSE(p.host.internalDrag) << c.what;
        ASSERT_EQ(p.host.dropItems.size(), c.dropItems ? 1u : 0u) << c.what;
        if (c.dropItems) {
            EXPECT_EQ(p.host.dropItems[0].folder, alpha);
            EXPECT_TRUE(p.host.internalAtDropItems[0]);
            EXPECT_EQ(gathered, std::vector<int>{beta});
        } else {
            EXPECT_FALSE(p.host.drop.IsSet()) << c.what;
        }
    }

    // Neither an archive node nor the recycle bin is dragged.
    bool ran = false;
    p.tree->SetDragRunner([&](QDrag&) {
        ran = true;
        return Qt::MoveAction;
    });
    for (const int folder : {0, 1}) {
        p.tree->setCurrentIndex(At(1, folder));
        p.tree->startDrag(Qt::MoveAction);
    }
    EXPECT_FALSE(ran);
}

TEST_F(TreePaneTest, DesktopFilesDroppedOnTheTreeGoToTheWorkspace) {
    const QStringList paths{QStringLiteral("/home/me/a.jpg"), QStringLiteral("/home/me/trip")};
    std::unique_ptr<QMimeData> files(FileData(paths));
    EXPECT_EQ(DropOn(Viewport(), CentreOf(2, x), files.get()), Qt::CopyAction);
    EXPECT_TRUE(p.host.droppedFiles.empty()); // handed over once the drop has returned
    QCoreApplication::processEvents();
    ASSERT_EQ(p.host.droppedFiles.size(), 1u);
    EXPECT_EQ(p.host.droppedFiles[0], paths);
    EXPECT_EQ(p.host.dropFilesTargets[0].archive, 2);
    EXPECT_EQ(p.host.dropFilesTargets[0].folder, x);

    p.host.busy = true;
    EXPECT_EQ(DropOn(Viewport(), CentreOf(2, x), files.get()), Qt::IgnoreAction);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.host.droppedFiles.size(), 1u);
}

TEST_F(TreePaneTest, ADragNearAnEdgeScrollsOneLineAtATime) {
    for (int i = 0; i < 30; ++i) {
        FakePaneHost::Folder(p.host.Archive(2), 0, "f" + std::to_string(100 + i));
    }
    p.Show(2, 0);
    p.tree->expandAll();
    p.tree->resize(200, 160);
    QCoreApplication::processEvents();
    QScrollBar* bar = p.tree->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 2);
    bar->setValue(1);
    p.host.internalDrag = true;
    std::unique_ptr<QMimeData> internal(InternalData());

    DragMoveOver(Viewport(), QPoint(20, Viewport()->height() - 2), internal.get());
    EXPECT_TRUE(p.tree->DragScrolling());
    EXPECT_EQ(p.tree->kDragScrollInterval, 48);
    p.tree->DragScrollTick();
    EXPECT_EQ(bar->value(), 2);
    DragMoveOver(Viewport(), QPoint(20, 2), internal.get());
    p.tree->DragScrollTick();
    p.tree->DragScrollTick();
    EXPECT_EQ(bar->value(), 0);
    DragMoveOver(Viewport(), QPoint(20, Viewport()->height() / 2), internal.get());
    p.tree->DragScrollTick();
    EXPECT_EQ(bar->value(), 0);
    LeaveDrag(Viewport());
    EXPECT_FALSE(p.tree->DragScrolling());
}

// Every command of a context menu, in order; 0 for a separator, -1 / -2 around a submenu.
std::vector<int> Commands(const QMenu& menu) {
    std::vector<int> ids;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            ids.push_back(0);
        } else if (action->menu()) {
            ids.push_back(-1);
            const std::vector<int> inner = Commands(*action->menu());
            ids.insert(ids.end(), inner.begin(), inner.end());
            ids.push_back(-2);
        } else {
            ids.push_back(ContextMenus::CommandOf(action));
        }
    }
    return ids;
}

TEST_F(TreePaneTest, ContextMenusForFoldersAndArchiveNodes) {
    std::unique_ptr<QMenu> item(ContextMenus::Build(StringTable::kItemMenu, {}, nullptr));
    EXPECT_EQ(Commands(*item),
              (std::vector<int>{kCmdOpenItem, 0, kCmdUndoContext, kCmdCut, kCmdCopy, kCmdPaste, 0, kCmdDelete,
                                kCmdRename, kCmdComment, 0, kCmdExport, kCmdRestore, 0, kCmdSelectAll, 0,
                                kCmdProperties}));
    EXPECT_EQ(item->actions()[0]->text(), StringTable::MenuLabel(StringTable::kItemMenu, kCmdOpenItem));
    // The rules decide what is enabled and what Undo reads.
    std::unique_ptr<QMenu> space(ContextMenus::Build(
        StringTable::kSpaceMenu,
        [](int id) {
            CommandUi ui;
            ui.enabled = id != kCmdPaste;
            ui.checked = id == kCmdViewDetails;
            if (id == kCmdUndoContext) {
                ui.text = StringTable::UndoLabel(5, false);
            }
            return ui;
        },
        nullptr));
    EXPECT_EQ(Commands(*space), (std::vector<int>{-1,
                                                  kCmdViewThumbnails,
                                                  kCmdViewLargeIcons,
                                                  kCmdViewSmallIcons,
                                                  kCmdViewList,
                                                  kCmdViewDetails,
                                                  -2,
                                                  -1,
                                                  kCmdSortByName,
                                                  kCmdSortByType,
                                                  kCmdSortBySize,
                                                  kCmdSortByDate,
                                                  kCmdSortByDimensions,
                                                  kCmdSortByComment,
                                                  -2,
                                                  0,
                                                  kCmdUndoContext,
                                                  kCmdCopy,
                                                  kCmdPaste,
                                                  0,
                                                  kCmdExport,
                                                  kCmdSelectAll,
                                                  0,
                                                  -1,
                                                  kCmdNewFolder,
                                                  kCmdImport,
                                                  -2,
                                                  0,
                                                  kCmdProperties}));
    std::map<int, QAction*> byId;
    for (QAction* a : space->findChildren<QAction*>()) {
        byId[ContextMenus::CommandOf(a)] = a;
    }
    EXPECT_FALSE(byId[kCmdPaste]->isEnabled());
    EXPECT_TRUE(byId[kCmdViewDetails]->isChecked());
    EXPECT_EQ(byId[kCmdUndoContext]->text(), QStringLiteral("&Undo Move"));

    // Right-clicking a node selects it and opens its menu; the chosen command is passed on.
    QSignalSpy commands(p.tree.get(), &CCodeTree::commandRequested);
    int firstCommand = 0;
    p.tree->SetMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
        firstCommand = ContextMenus::CommandOf(menu.actions()[0]);
        for (QAction* a : menu.findChildren<QAction*>()) {
            if (ContextMenus::CommandOf(a) == kCmdRename || ContextMenus::CommandOf(a) == kCmdProperties) {
                return a;
            }
        }
        return nullptr;
    });
    struct Click {
        int archive, folder, firstCommand, chosen;
    };
    for (const Click c : {Click{1, beta, kCmdOpenItem, kCmdRename}, Click{2, 0, 0, kCmdProperties},
                          Click{1, 1, kCmdOpenItem, kCmdRename}}) {
        const QPoint at = CentreOf(c.archive, c.folder);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, Viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(Viewport(), &event);
        EXPECT_EQ(p.host.currentArchive, c.archive);
        EXPECT_EQ(p.host.currentFolder, c.folder);
        EXPECT_EQ(firstCommand, c.firstCommand); // menu 201 opens with its View submenu
        ASSERT_FALSE(commands.isEmpty());
        EXPECT_EQ(commands.takeLast().at(0).toInt(), c.chosen);
    }
    // From the keyboard (Shift+F10, as the Menu key on a real display) the current node's menu.
    p.tree->setCurrentIndex(At(1, beta));
    firstCommand = 0;
    QTest::keyClick(p.tree.get(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(firstCommand, kCmdOpenItem);
    ASSERT_FALSE(commands.isEmpty());
    EXPECT_EQ(commands.takeLast().at(0).toInt(), kCmdRename);
}

} // namespace
