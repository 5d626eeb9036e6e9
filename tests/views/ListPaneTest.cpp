// The contents list on screen: view modes (Thumbnails only above 32 pixels), the details columns,
// sorting kept across refills, image stepping, opening, in-place rename, selection commands, drag
// effects and drags ended without a drop, desktop drops, drag-scrolling and the context menus.
#include "PaneFixture.h"

#include "CThumbnailMaker.h"
#include "CommandIds.h"
#include "StringTable.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

class ListPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCodeArchive& photos = p.host.Add("photos", 8);
        sub = FakePaneHost::Folder(photos, 0, "Sub");
        other = FakePaneHost::Folder(photos, 0, "Other");
        a = p.host.Images(photos, 0, {"a.jpg", "b.jpg", "c.jpg"});
        p.host.Images(photos, sub, {"d.jpg"});
        CCodeArchive& small = p.host.Add("small", 2);
        p.host.Images(small, 0, {"s1.jpg", "s2.jpg"});
        p.list->resize(520, 400);
        p.list->show();
        p.Show(1, 0);
    }

    QAbstractItemView* View() { return p.list->CurrentView(); }
    QWidget* Viewport() { return View()->viewport(); }
    QModelIndex Row(int position) { return p.list->Model().index(position, 0); }
    QPoint CentreOf(int position) { return View()->visualRect(Row(position)).center(); }
    int PositionOf(int number) { return p.list->Model().PositionOf(number); }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        names.reserve(static_cast<size_t>(p.list->Model().Count()));
        for (int i = 0; i < p.list->Model().Count(); ++i) {
            names.push_back(p.list->Model().RowAt(i)->name.toStdString());
        }
        return names;
    }
    void Click(int position, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(Viewport(), Qt::LeftButton, modifiers, CentreOf(position));
    }
    QPoint EmptySpace() { return QPoint(Viewport()->width() - 4, Viewport()->height() - 4); }

    Panes p;
    int sub = 0, other = 0, a = 0; // a, a + 1, a + 2: a.jpg, b.jpg, c.jpg
};

TEST_F(ListPaneTest, ViewModesAndThumbnailsOnlyAboveThirtyTwoPixels) {
    struct Case {
        int mode;
        bool details;
        int iconSize;
    };
    for (const Case c : {Case{0, false, 16}, Case{1, false, 32}, Case{2, false, 96}, Case{3, false, 16},
                         Case{4, true, 16}}) {
        p.list->SetViewMode(c.mode);
        EXPECT_EQ(p.list->ViewMode(), c.mode);
        EXPECT_EQ(p.host.prefs.listViewMode, c.mode);
        EXPECT_EQ(View() == p.list->Details(), c.details) << c.mode;
        EXPECT_TRUE(View()->isVisible()) << c.mode;
        if (!c.details) {
            EXPECT_EQ(p.list->Icons()->iconSize(), QSize(c.iconSize, c.iconSize)) << c.mode;
        }
    }

    // An archive with 32-pixel thumbnails shown while in Thumbnails: large icons, with the 32-pixel
    // thumbnails drawn; Thumbnails cannot be chosen for it.
    p.list->SetViewMode(CCodeList::kModeThumbnails);
    std::vector<int> cells;
    p.list->Thumbnails().SetRenderHook([&](int, int cell) { cells.push_back(cell); });
    p.Show(2, 0);
    EXPECT_EQ(p.list->ViewMode(), CCodeList::kModeLargeIcons);
    EXPECT_EQ(p.host.prefs.listViewMode, CCodeList::kModeLargeIcons);
    EXPECT_TRUE(p.list->ExecuteCommand(kCmdViewThumbnails));
    EXPECT_EQ(p.list->ViewMode(), CCodeList::kModeLargeIcons);
    QCoreApplication::processEvents(); // the view lays its items out
    Viewport()->repaint();
    EXPECT_EQ(cells, (std::vector<int>{1, 1}));

    // Back on a 96-pixel archive Thumbnails is possible again.
    p.Show(1, 0);
    EXPECT_TRUE(p.list->ExecuteCommand(kCmdViewThumbnails));
    EXPECT_EQ(p.list->ViewMode(), CCodeList::kModeThumbnails);
    EXPECT_EQ(p.list->ThumbSizeIndex(), 4);
}

// The icon views start at the top however narrow the pane, and every item has the width of its
// cell: a name that fits its cell is never cut short because the last item's name is shorter (the
// view takes one size for all items).
TEST_F(ListPaneTest, IconViewsStartAtTheTopWithWholeNames) {
    CCodeArchive& names = p.host.Add("names", 8);
    p.host.Images(names, 0, {"a-much-longer-name.jpg", "pic10.jpg", "z.jpg"});
    p.Show(3, 0);
    struct Case {
        int mode;
        int width;
    };
    for (const Case c : {Case{CCodeList::kModeSmallIcons, 170}, Case{CCodeList::kModeSmallIcons, 520},
                         Case{CCodeList::kModeList, 170}, Case{CCodeList::kModeList, 520},
                         Case{CCodeList::kModeLargeIcons, 520}}) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << ", width " << c.width);
        p.list->resize(c.width, 400);
        p.list->SetViewMode(c.mode);
        QCoreApplication::processEvents(); // the view lays its items out
        ASSERT_EQ(p.list->Model().RowAt(0)->name, QStringLiteral("a-much-longer-name.jpg"));
        ASSERT_EQ(p.list->Model().RowAt(1)->name, QStringLiteral("pic10.jpg"));
        const QFontMetrics metrics = View()->fontMetrics();
        const int icon = c.mode == CCodeList::kModeLargeIcons ? 0 : 16;
        const QRect first = View()->visualRect(Row(0));
        EXPECT_LT(first.top(), metrics.height() / 2) << first.top();
        EXPECT_GE(View()->visualRect(Row(1)).width(),
                  metrics.horizontalAdvance(QStringLiteral("pic10.jpg")) + icon);
        const int needed = metrics.horizontalAdvance(p.list->Model().RowAt(0)->name) + icon;
        if (c.mode != CCodeList::kModeLargeIcons && Viewport()->width() > 2 * needed) {
            EXPECT_GE(first.width(), needed);
        }
        EXPECT_LE(first.right(), Viewport()->width());
        EXPECT_EQ(View()->visualRect(Row(2)).width(), first.width());
    }
}

TEST_F(ListPaneTest, DetailsColumnsKeepTheirTitlesAndWidthsAcrossFills) {
    p.list->SetViewMode(CCodeList::kModeDetails);
    p.Show(1, sub);
    p.Show(1, 0);
    QHeaderView* header = p.list->Details()->header();
    const char* titles[] = {"Name", "Size", "Type", "Dimensions", "Modified", "Comment"};
    const int widths[] = {120, 56, 70, 70, 120, 120};
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(p.list->Model().headerData(column, Qt::Horizontal).toString(),
                  QLatin1String(titles[column]));
        EXPECT_EQ(header->sectionSize(column), widths[column]) << column;
    }
    const int right = p.list->Model().index(0, 1).data(Qt::TextAlignmentRole).toInt();
    EXPECT_TRUE(right & Qt::AlignRight);
}

TEST_F(ListPaneTest, ASortIsKeptWhenTheListIsFilledAgain) {
    EXPECT_EQ(Names(), (std::vector<std::string>{"Other", "Sub", "a.jpg", "b.jpg", "c.jpg"}));
    p.list->SetViewMode(CCodeList::kModeDetails);
    QHeaderView* header = p.list->Details()->header();
    auto clickHeader = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    };
    struct Step {
        int column;
        int key;
    };
    // Size twice: descending; a third time ascending again; another column starts ascending.
    for (const Step s : {Step{1, 2}, Step{1, 3}, Step{1, 2}, Step{1, 3}, Step{0, 0}, Step{0, 1}}) {
        clickHeader(s.column);
        EXPECT_EQ(p.list->SortState().sortKey, s.key);
        EXPECT_EQ(p.list->SortState().sortColumn, s.column);
    }
    // Descending by name: files first.
    EXPECT_EQ(Names(), (std::vector<std::string>{"c.jpg", "b.jpg", "a.jpg", "Sub", "Other"}));
    p.Show(1, sub);
    p.Show(1, 0);
    EXPECT_EQ(p.list->SortState().sortKey, 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"c.jpg", "b.jpg", "a.jpg", "Sub", "Other"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // A menu sort starts ascending.
    EXPECT_TRUE(p.list->ExecuteCommand(kCmdSortByName));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Other", "Sub", "a.jpg", "b.jpg", "c.jpg"}));
}

TEST_F(ListPaneTest, TabStepsThroughTheImagesAndWraps) {
    struct Case {
        bool previewVisible;
    };
    for (const bool previewVisible : {false, true}) {
        p.list->SetPreviewVisible(previewVisible);
        View()->selectionModel()->clearSelection();
        View()->selectionModel()->clearCurrentIndex();
        p.host.opened.clear();
        std::vector<int> landed;
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab}) {
            QTest::keyClick(View(), key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            landed.push_back(p.list->FirstSelected());
            EXPECT_EQ(p.list->SelectedCount(), 1);
        }
        // Folders at 0 and 1 are passed over; the last image wraps to the first.
        EXPECT_EQ(landed, (std::vector<int>{2, 3, 4, 2, 4}));
        // Each step shows its image once: by itself with the preview hidden, through the
        // selection with the preview visible.
        EXPECT_EQ(p.host.opened, (std::vector<int>{a, a + 1, a + 2, a, a + 2})) << previewVisible;
    }
}

// The arrow and page keys bring the item they move to into view, in every view mode, down to the
// last item and back up to the first.
TEST_F(ListPaneTest, KeysBringTheCurrentItemIntoView) {
    CCodeArchive& many = p.host.Add("many", 8);
    std::vector<std::string> names;
    names.reserve(80);
    for (int i = 0; i < 80; ++i) {
        names.push_back("pic" + std::to_string(100 + i) + ".jpg");
    }
    p.host.Images(many, 0, names);
    p.Show(3, 0);
    p.list->resize(300, 200);
    for (int mode : {CCodeList::kModeThumbnails, CCodeList::kModeLargeIcons, CCodeList::kModeSmallIcons,
                     CCodeList::kModeList, CCodeList::kModeDetails}) {
        SCOPED_TRACE(mode);
        p.list->SetViewMode(mode);
        QCoreApplication::processEvents();
        View()->setFocus();
        View()->setCurrentIndex(Row(0));
        const Qt::Key ahead = mode == CCodeList::kModeList ? Qt::Key_Right : Qt::Key_Down;
        const Qt::Key back = mode == CCodeList::kModeList ? Qt::Key_Left : Qt::Key_Up;
        for (Qt::Key key : {Qt::Key_PageDown, ahead, Qt::Key_PageDown, ahead, Qt::Key_End, Qt::Key_PageUp,
                            back, Qt::Key_Home}) {
            QTest::keyClick(View(), key);
            const QModelIndex current = View()->currentIndex();
            ASSERT_TRUE(current.isValid()) << key;
            EXPECT_TRUE(Viewport()->rect().contains(View()->visualRect(current)))
                << "key " << key << " left row " << current.row() << " off screen";
        }
        EXPECT_EQ(View()->currentIndex().row(), 0);
    }
}

TEST_F(ListPaneTest, ASelectionOpensAnImageOnlyWhileThePreviewIsVisible) {
    p.list->SetPreviewVisible(false);
    Click(PositionOf(a + 1));
    EXPECT_TRUE(p.host.opened.empty());
    p.list->SetPreviewVisible(true);
    Click(PositionOf(sub)); // a folder opens only when asked to
    EXPECT_TRUE(p.host.opened.empty());
    Click(PositionOf(a));
    EXPECT_EQ(p.host.opened, std::vector<int>{a});
    Click(PositionOf(a + 2), Qt::ControlModifier); // not the first selected
    EXPECT_EQ(p.host.opened, std::vector<int>{a});

    // Enter and a double click open (a folder too).
    p.host.opened.clear();
    QTest::keyClick(View(), Qt::Key_Return);
    QTest::mouseDClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CentreOf(PositionOf(sub)));
    EXPECT_EQ(p.host.opened, (std::vector<int>{a, sub}));
}

TEST_F(ListPaneTest, ANameChangesOnlyWhenTheWorkspaceRenamed) {
    QSignalSpy editing(p.list.get(), &CCodeList::labelEditingChanged);
    struct Case {
        const char* typed;
        Qt::Key key;
        bool asked;
        const char* labelAfter;
    };
    const Case cases[] = {
        {"x/y", Qt::Key_Return, true, "a.jpg"},               // refused with 5088
        {"holiday", Qt::Key_Escape, false, "a.jpg"},          // cancelled
        {"holiday.png", Qt::Key_Return, true, "holiday.jpg"}, // the file keeps its extension
    };
    for (const Case& c : cases) {
        p.list->SelectEntry(a, true);
        ASSERT_TRUE(p.list->Editing()) << c.typed;
        auto* editor = qobject_cast<QLineEdit*>(View()->indexWidget(Row(PositionOf(a))));
        ASSERT_NE(editor, nullptr);
        editor->setText(QString::fromLatin1(c.typed));
        const size_t asked = p.host.renames.size();
        QTest::keyClick(editor, c.key);
        QCoreApplication::processEvents();
        EXPECT_FALSE(p.list->Editing());
        EXPECT_EQ(p.host.renames.size() > asked, c.asked) << c.typed;
        EXPECT_EQ(p.list->Model().RowAt(PositionOf(a))->name.toStdString(), c.labelAfter) << c.typed;
    }
    EXPECT_EQ(p.host.messages, QStringList{StringTable::Text(kStrForbiddenName)});
    EXPECT_EQ(p.host.Archive(1).GetName(EntryIndex::OfNumber(a)), "holiday.jpg");
    EXPECT_EQ(editing.count(), 6);

    // The catalogue changing under an open editor ends the edit without renaming anything.
    p.list->SelectEntry(a + 1, true);
    ASSERT_TRUE(p.list->Editing());
    qobject_cast<QLineEdit*>(View()->indexWidget(Row(PositionOf(a + 1))))->setText(QStringLiteral("late"));
    const size_t asked = p.host.renames.size();
    FakePaneHost::Folder(p.host.Archive(1), 0, "New Folder");
    QCoreApplication::processEvents();
    EXPECT_FALSE(p.list->Editing());
    EXPECT_EQ(editing.count(), 8);
    EXPECT_EQ(p.host.renames.size(), asked);

    // Nothing is edited while a command runs.
    p.Show(1, 0);
    p.host.busy = true;
    p.list->SelectEntry(a + 1, true);
    EXPECT_FALSE(p.list->Editing());
}

// A click on a selected item opens its name for editing only when it falls on the name: on the
// icon it is where a drag or a second look begins.
TEST_F(ListPaneTest, AClickOnASelectedItemEditsOnlyOnItsName) {
    struct Case {
        int mode;
        bool onName;
    };
    for (const Case c : {Case{2, false}, Case{2, true}, Case{4, false}, Case{4, true}}) {
        p.list->SetViewMode(c.mode);
        p.list->SelectEntry(a, false);
        const QRect item = View()->visualRect(Row(PositionOf(a)));
        // Under an icon the name is the item's last line; in the details the icon comes first.
        const int line = View()->fontMetrics().height();
        const QPoint at =
            c.mode == 2 ? QPoint(item.center().x(), c.onName ? item.bottom() - line / 2 : item.top() + 20)
                        : QPoint(c.onName ? item.left() + 40 : item.left() + 10, item.center().y());
        QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        EXPECT_EQ(p.list->Editing(), c.onName) << c.mode << " " << c.onName;
        if (p.list->Editing()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QCoreApplication::processEvents();
        }
        EXPECT_FALSE(p.list->Editing());
    }
}

TEST_F(ListPaneTest, SelectAllAndInvertSelection) {
    EXPECT_TRUE(p.list->ExecuteCommand(kCmdSelectAll));
    EXPECT_EQ(p.list->SelectedCount(), 5);
    EXPECT_TRUE(p.list->ExecuteCommand(kCmdInvertSelection));
    EXPECT_EQ(p.list->SelectedCount(), 0);
    Click(PositionOf(a + 1));
    p.list->InvertSelection();
    EXPECT_EQ(p.list->Gather(SelectionPurpose::Delete), (std::vector<int>{other, sub, a, a + 2}));
}

TEST_F(ListPaneTest, DragEffectsOverTheList) {
    std::unique_ptr<QMimeData> internal(InternalData());
    std::unique_ptr<QMimeData> files(FileData({QStringLiteral("/tmp/a.jpg")}));
    Click(PositionOf(sub));
    Click(PositionOf(a), Qt::ControlModifier); // the dragged items: Sub and a.jpg
    const int otherAt = PositionOf(other);
    struct Case {
        const char* what;
        const QMimeData* data;
        bool internalFlag;
        int currentArchive; // the Workspace's current archive; the list shows archive 1
        QPoint at;
        bool busy;
        Qt::DropAction effect;
        int folder; // recorded target folder, -1 none
    };
    const Case cases[] = {
        {"ours onto a folder", internal.get(), true, 1, CentreOf(otherAt), false, Qt::MoveAction, other},
        {"ours onto a dragged folder", internal.get(), true, 1, CentreOf(PositionOf(sub)), false,
         Qt::MoveAction, 0},
        {"ours onto an image", internal.get(), true, 1, CentreOf(PositionOf(a + 1)), false, Qt::MoveAction,
         0},
        {"ours onto empty space", internal.get(), true, 1, EmptySpace(), false, Qt::MoveAction, 0},
        {"ours from another archive", internal.get(), true, 2, CentreOf(otherAt), false, Qt::CopyAction,
         other},
        {"desktop files", files.get(), false, 1, CentreOf(otherAt), false, Qt::CopyAction, other},
        {"while a command runs", internal.get(), true, 1, CentreOf(otherAt), true, Qt::IgnoreAction, -1},
    };
    for (const Case& c : cases) {
        p.host.drop.Clear();
        p.host.internalDrag = c.internalFlag;
        p.host.currentArchive = c.currentArchive;
        p.host.busy = c.busy;
        EXPECT_EQ(DragMoveOver(Viewport(), c.at, c.data), c.effect) << c.what;
        if (c.folder < 0) {
            EXPECT_FALSE(p.host.drop.IsSet()) << c.what;
        } else {
            EXPECT_EQ(p.host.drop.valid, DropTarget::kList) << c.what;
            EXPECT_EQ(p.host.drop.archive, 1) << c.what;
            EXPECT_EQ(p.host.drop.folder, c.folder) << c.what;
            EXPECT_EQ(p.list->Model().DropHighlight(), c.folder == other ? otherAt : -1) << c.what;
        }
        LeaveDrag(Viewport());
        EXPECT_FALSE(p.host.drop.IsSet());
        EXPECT_EQ(p.list->Model().DropHighlight(), -1);
    }
}

TEST_F(ListPaneTest, ADragCancelledWithEscapeChangesNothing) {
    std::vector<int> gathered;
    p.host.onDropItems = [&] { gathered = p.list->Gather(SelectionPurpose::Drag); };
    Click(PositionOf(a));
    for (const bool dropped : {false, true}) {
        p.host.dropItems.clear();
        bool flagInLoop = false;
        Qt::DropAction shown = Qt::IgnoreAction;
        p.list->SetDragRunner([&](QDrag& drag) {
            flagInLoop = p.host.internalDrag;
            shown = DragMoveOver(Viewport(), CentreOf(PositionOf(other)), drag.mimeData());
            if (!dropped) {
                LeaveDrag(Viewport()); // Escape: the target hears the drag leave, exec gives IgnoreAction
                return Qt::IgnoreAction;
            }
            return DropOn(Viewport(), CentreOf(PositionOf(other)), drag.mimeData());
        });
        // A real press and move past the drag distance starts the drag.
        const QPoint from = CentreOf(PositionOf(a));
        QTest::mousePress(Viewport(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(Viewport(), from + QPoint(QApplication::startDragDistance() + 5, 0));
        QTest::mouseMove(Viewport(), from + QPoint(2 * QApplication::startDragDistance() + 10, 3));
        QTest::mouseRelease(Viewport(), Qt::LeftButton, Qt::NoModifier, from);
        EXPECT_TRUE(flagInLoop);
        EXPECT_EQ(shown, Qt::MoveAction);
        EXPECT_FALSE(p.host.internalDrag);
        ASSERT_EQ(p.host.dropItems.size(), dropped ? 1u : 0u);
        if (dropped) {
            EXPECT_EQ(p.host.dropItems[0].folder, other);
            EXPECT_EQ(gathered, std::vector<int>{a});
        } else {
            EXPECT_FALSE(p.host.drop.IsSet());
        }
    }
}

TEST_F(ListPaneTest, DesktopFilesDroppedOnTheListGoToTheWorkspace) {
    const QStringList paths{QStringLiteral("/home/me/x.jpg")};
    std::unique_ptr<QMimeData> files(FileData(paths));
    EXPECT_EQ(DropOn(Viewport(), CentreOf(PositionOf(other)), files.get()), Qt::CopyAction);
    EXPECT_EQ(DropOn(Viewport(), EmptySpace(), files.get()), Qt::CopyAction);
    QCoreApplication::processEvents();
    ASSERT_EQ(p.host.droppedFiles.size(), 2u);
    EXPECT_EQ(p.host.droppedFiles[0], paths);
    EXPECT_EQ(p.host.dropFilesTargets[0].folder, other);
    EXPECT_EQ(p.host.dropFilesTargets[1].folder, 0); // the shown folder itself
    EXPECT_EQ(p.host.dropFilesTargets[1].archive, 1);
}

TEST_F(ListPaneTest, ADragNearAnEdgeScrolls) {
    CCodeArchive& photos = p.host.Archive(1);
    for (int i = 0; i < 40; ++i) {
        FakePaneHost::Folder(photos, other, "f" + std::to_string(100 + i));
    }
    p.list->resize(300, 200);
    p.host.internalDrag = true;
    std::unique_ptr<QMimeData> internal(InternalData());
    struct Case {
        int mode;
        int linesUpNearTop; // from the middle of the range, pointer one pixel below the top
    };
    for (const Case c : {Case{CCodeList::kModeDetails, 2}, Case{CCodeList::kModeLargeIcons, 1}}) {
        p.list->SetViewMode(c.mode);
        p.Show(1, other);
        p.list->SelectAll(); // dragged folders take no drop: the pointer's item is not scrolled to
        QCoreApplication::processEvents();
        QScrollBar* bar = View()->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 10) << c.mode;
        const int middle = bar->maximum() / 2;
        bar->setValue(middle);
        DragMoveOver(Viewport(), QPoint(20, 1), internal.get());
        EXPECT_TRUE(p.list->DragScrolling());
        p.list->DragScrollTick();
        EXPECT_EQ(bar->value(), middle - c.linesUpNearTop * bar->singleStep()) << c.mode;
        bar->setValue(middle);
        DragMoveOver(Viewport(), QPoint(20, Viewport()->height() - 1), internal.get());
        p.list->DragScrollTick();
        EXPECT_EQ(bar->value(), middle + bar->singleStep()) << c.mode;
        bar->setValue(middle);
        DragMoveOver(Viewport(), QPoint(20, Viewport()->height() / 2), internal.get());
        p.list->DragScrollTick();
        EXPECT_EQ(bar->value(), middle) << c.mode;
        LeaveDrag(Viewport());
        EXPECT_FALSE(p.list->DragScrolling());
    }
}

TEST_F(ListPaneTest, ContextMenuOfAnItemAndOfEmptySpace) {
    QSignalSpy commands(p.list.get(), &CCodeList::commandRequested);
    std::vector<int> firstCommands;
    p.list->SetMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
        firstCommands.push_back(ContextMenus::CommandOf(menu.actions()[0]));
        for (QAction* action : menu.findChildren<QAction*>()) {
            if (ContextMenus::CommandOf(action) == kCmdProperties) {
                return action;
            }
        }
        return nullptr;
    });
    for (const QPoint at : {CentreOf(PositionOf(a)), EmptySpace()}) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, Viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(Viewport(), &event);
    }
    EXPECT_EQ(firstCommands, (std::vector<int>{kCmdOpenItem, 0})); // 201 opens with its View submenu
    ASSERT_EQ(commands.count(), 2);
    EXPECT_EQ(commands.at(0).at(0).toInt(), kCmdProperties);

    // From the keyboard (Shift+F10, as the Menu key on a real display) the selected item's menu.
    Click(PositionOf(a));
    firstCommands.clear();
    QTest::keyClick(View(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(firstCommands, std::vector<int>{kCmdOpenItem});
    EXPECT_EQ(commands.count(), 3);
}

} // namespace
