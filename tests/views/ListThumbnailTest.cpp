// Thumbnails are decrypted only for items that are drawn: the first paint renders the visible items
// (at most one row more), a scroll what became visible, and nothing is rendered while a command runs
// or the catalogue is in flux.
#include "PaneFixture.h"
#include "WorkerPool.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

class ListThumbnailTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCodeArchive& archive = p.host.Add("many", 8);
        folder = FakePaneHost::Folder(archive, 0, "Pictures");
        std::vector<std::string> names;
        names.reserve(60);
        for (int i = 0; i < 60; ++i) {
            names.push_back("img" + std::to_string(100 + i) + ".jpg");
        }
        p.host.Images(archive, folder, names, 24);
        p.list->Thumbnails().SetRenderHook([this](int number, int) { rendered.push_back(number); });
        p.list->SetViewMode(CCodeList::kModeThumbnails);
        p.list->resize(420, 320);
        p.list->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(p.list.get()));
        p.Show(1, folder);
    }

    QAbstractItemView* View() { return p.list->CurrentView(); }
    void Paint() {
        QCoreApplication::processEvents();
        View()->viewport()->repaint();
    }
    // Entry numbers of the items whose rectangle meets `area` (viewport coordinates).
    std::set<int> ItemsIn(const QRect& area) {
        std::set<int> numbers;
        for (int i = 0; i < p.list->Model().Count(); ++i) {
            if (View()->visualRect(p.list->Model().index(i, 0)).intersects(area)) {
                numbers.insert(p.list->Model().NumberAt(i));
            }
        }
        return numbers;
    }
    std::set<int> Visible() { return ItemsIn(View()->viewport()->rect()); }
    int RowHeight() { return View()->visualRect(p.list->Model().index(0, 0)).height(); }
    int PerRow() {
        const int top = View()->visualRect(p.list->Model().index(0, 0)).top();
        int n = 0;
        for (int i = 0; i < p.list->Model().Count(); ++i) {
            n += View()->visualRect(p.list->Model().index(i, 0)).top() == top ? 1 : 0;
        }
        return n;
    }
    // Every render was of an item on screen or within one row of it, and every item on screen
    // that became visible was rendered.
    void ExpectRenderedOnly(const std::set<int>& wanted) {
        const QRect reach = View()->viewport()->rect().adjusted(0, -RowHeight(), 0, RowHeight());
        const std::set<int> nearby = ItemsIn(reach);
        for (int number : rendered) {
            EXPECT_TRUE(nearby.count(number)) << "rendered off screen: entry " << number;
        }
        const std::set<int> done(rendered.begin(), rendered.end());
        EXPECT_EQ(done.size(), rendered.size()) << "an item was rendered twice";
        for (int number : wanted) {
            EXPECT_TRUE(done.count(number)) << "not rendered: entry " << number;
        }
        EXPECT_LE(rendered.size(), wanted.size() + static_cast<size_t>(PerRow()));
    }
    void ScrollAPage() {
        QScrollBar* bar = View()->verticalScrollBar();
        bar->setValue(bar->value() + bar->pageStep());
    }

    Panes p;
    int folder = 0;
    std::vector<int> rendered;
};

TEST_F(ListThumbnailTest, OnlyWhatIsDrawnIsRendered) {
    Paint();
    const std::set<int> first = Visible();
    ASSERT_GT(first.size(), 2u);
    ASSERT_LT(first.size(), 30u);
    ExpectRenderedOnly(first);

    for (int page = 0; page < 2; ++page) {
        const std::set<int> before = Visible();
        rendered.clear();
        ScrollAPage();
        Paint();
        std::set<int> fresh;
        for (int number : Visible()) {
            if (!before.count(number)) {
                fresh.insert(number);
            }
        }
        ASSERT_FALSE(fresh.empty());
        ExpectRenderedOnly(fresh);
    }
}

// Passes everything on to the list's own delegate and records the rows it is asked to paint.
class RecordingDelegate : public QAbstractItemDelegate {
public:
    explicit RecordingDelegate(QAbstractItemDelegate* inner)
        : inner_(inner) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        rows.push_back(index.row());
        inner_->paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return inner_->sizeHint(option, index);
    }
    mutable std::vector<int> rows;

private:
    QAbstractItemDelegate* inner_;
};

// A paint renders each thumbnail it draws once, as its item is drawn and in the order the items are
// drawn, while the engine's workers decrypt the next ones; with one thread or three the screen is
// the same. Also for a scroll and in large icons.
TEST_F(ListThumbnailTest, APaintRendersEachThumbnailAsItDrawsItsItem) {
    QAbstractItemDelegate* own = View()->itemDelegate();
    RecordingDelegate recording(own);
    View()->setItemDelegate(&recording);
    std::vector<size_t> drawnBefore; // items drawn, the one being drawn included, at each render
    p.list->Thumbnails().SetRenderHook([this, &recording, &drawnBefore](int number, int) {
        rendered.push_back(number);
        drawnBefore.push_back(recording.rows.size());
    });
    for (int mode : {CCodeList::kModeThumbnails, CCodeList::kModeLargeIcons}) {
        SCOPED_TRACE(mode);
        p.list->SetViewMode(mode);
        for (int page = 0; page < 2; ++page) {
            if (page > 0) {
                ScrollAPage();
            }
            QCoreApplication::processEvents();
            std::vector<QImage> screens;
            for (int threads : {1, 3}) {
                SCOPED_TRACE(threads);
                const WorkerPool::ThreadsFor use(threads);
                p.list->Thumbnails().Clear(); // the whole screen to render again
                rendered.clear();
                drawnBefore.clear();
                recording.rows.clear();
                View()->viewport()->repaint();
                ASSERT_FALSE(rendered.empty());
                std::vector<int> drawn;
                for (int row : recording.rows) {
                    drawn.push_back(p.list->Model().NumberAt(row));
                }
                EXPECT_EQ(rendered, drawn);
                for (size_t i = 0; i < drawnBefore.size(); ++i) {
                    EXPECT_EQ(drawnBefore[i], i + 1) << "not rendered as its item was drawn";
                }
                ExpectRenderedOnly(Visible());
                screens.push_back(View()->viewport()->grab().toImage());
            }
            EXPECT_EQ(screens[0], screens[1]);
        }
    }
    View()->setItemDelegate(own);
}

// Painted where there are two device pixels per logical pixel, a thumbnail is its stored pixels
// doubled, each a 2 x 2 block of one colour, not a smoothed enlargement.
TEST_F(ListThumbnailTest, ADenseScreenGetsEveryStoredPixelAsABlock) {
    Paint();
    const QModelIndex index = p.list->Model().index(0, 0);
    const int number = p.list->Model().NumberAt(0);
    // The item painted by the list's own delegate onto a device with two pixels per logical pixel.
    const QRect item(QPoint(0, 0), View()->visualRect(index).size());
    QImage painted(item.size() * 2, QImage::Format_ARGB32_Premultiplied);
    painted.setDevicePixelRatio(2);
    painted.fill(Qt::white);
    {
        QStyleOptionViewItem option;
        option.initFrom(View()->viewport());
        option.widget = View();
        option.rect = item;
        option.state &= ~QStyle::State_Selected;
        QPainter painter(&painted);
        View()->itemDelegateForIndex(index)->paint(&painter, option, index);
    }

    ThumbnailCache& cache = p.list->Thumbnails();
    const QImage* stored = cache.Fetch(p.host.Archive(1), number, 4, false, 2);
    ASSERT_NE(stored, nullptr) << "the paint made no copy at scale 2";
    EXPECT_EQ(stored->devicePixelRatio(), 2.0);

    // The thumbnail's cell is drawn at the icon rectangle's top-left, somewhere in the item: the
    // offset (in whole logical pixels) at which the painted pixels match the copy's opaque ones.
    const int w = stored->width();
    const int h = stored->height();
    ASSERT_GT(w * h, 0);
    int best = -1;
    for (int dy = 0; dy <= item.height() * 2 - h && best != 0; dy += 2) {
        for (int dx = 0; dx <= item.width() * 2 - w && best != 0; dx += 2) {
            int wrong = 0;
            for (int y = 0; y < h && (best < 0 || wrong < best); ++y) {
                for (int x = 0; x < w; ++x) {
                    const QRgb want = stored->pixel(x, y);
                    if (qAlpha(want) == 255 &&
                        painted.pixel(item.left() * 2 + dx + x, item.top() * 2 + dy + y) != want) {
                        ++wrong;
                    }
                }
            }
            if (best < 0 || wrong < best) {
                best = wrong;
            }
        }
    }
    EXPECT_EQ(best, 0) << "the painted thumbnail differs from the doubled pixels in " << best << " places";
}

TEST_F(ListThumbnailTest, NothingIsRenderedWhileACommandRunsOrTheCatalogueChanges) {
    Paint();
    rendered.clear();
    p.host.busy = true;
    ScrollAPage();
    Paint();
    EXPECT_TRUE(rendered.empty());
    p.host.busy = false;
    {
        CCodeArchive::OperationScope running(p.host.Archive(1));
        Paint();
        EXPECT_TRUE(rendered.empty());
    }
    Paint();
    EXPECT_FALSE(rendered.empty());

    // In flux: a paint that comes before the panes are told, and one after, render nothing; the
    // list is empty until it is filled again.
    ScrollAPage();
    rendered.clear();
    int rowsAfter = -1;
    p.host.engine.aboutToChange = [&](CCodeArchive& archive) {
        Paint();
        p.list->CatalogueAboutToChange(&archive);
        Paint();
        rowsAfter = p.list->Model().Count();
    };
    FakePaneHost::Folder(p.host.Archive(1), folder, "New Folder");
    EXPECT_TRUE(rendered.empty());
    EXPECT_EQ(rowsAfter, 0);
    EXPECT_EQ(p.list->Model().Count(), 0);
}

} // namespace
