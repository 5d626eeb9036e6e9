// Screenshots of the preview pane, a slide, the auto-close countdown and the Preferences pages, for
// a person to look at. Run on a real (or virtual) X display with QUORVANE_SHOTS naming the folder
// the pictures go to; every shot is of the whole screen, as the window manager-less display shows it.
#include "PreviewFixture.h"

#include "AutoCloseCountdown.h"
#include "DialogScript.h"
#include "QtWorkspaceDialogs.h"
#include "SlideshowWindow.h"

#include <QApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

QString Folder() {
    return qEnvironmentVariable("QUORVANE_SHOTS");
}

void Settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QTest::qWait(20);
    }
}

// The whole screen into <folder>/<name>.png.
void Shoot(const char* name) {
    Settle();
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    ASSERT_FALSE(screen.isNull());
    const QString path = QDir(Folder()).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    EXPECT_TRUE(screen.save(path)) << path.toStdString();
}

// A photograph-like picture: a gradient sky over a darker ground, with a sun, so that placement and
// scaling show.
QImage Scene(int width, int height, QColor sky) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, sky.lighter(150));
    gradient.setColorAt(1, sky.darker(150));
    painter.fillRect(image.rect(), gradient);
    painter.fillRect(QRect(0, height * 2 / 3, width, height - height * 2 / 3), QColor(60, 110, 40));
    painter.setBrush(QColor(250, 220, 60));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(width * 3 / 4, height / 4), width / 10, width / 10);
    painter.setPen(Qt::black);
    for (int x = 0; x < width; x += 100) {
        painter.drawLine(x, height - 10, x, height);
    }
    return image;
}

class PreviewShots : public PreviewFixture {
protected:
    PreviewShots() {
        prefs.backgroundColour = 0x00303030;
        EXPECT_EQ(CreateArchive("/a/holiday.kvq"), kOk);
    }
    void SetUp() override {
        if (Folder().isEmpty()) {
            GTEST_SKIP() << "QUORVANE_SHOTS names no folder";
        }
        QDir().mkpath(Folder());
    }
};

TEST_F(PreviewShots, PreviewFitAndActualSize) {
    const int number = AddPicture("beach.png", Scene(1400, 900, QColor(70, 130, 200)));
    ws.ArchiveAt(1)->SetEntryComment(EntryIndex::OfNumber(number), "The bay at noon");
    pane.setGeometry(40, 40, 800, 560);
    pane.show();
    prefs.previewFit = 1;
    ws.OpenEntry(number);
    ASSERT_TRUE(pane.Shown());
    Shoot("preview-fit");
    pane.SetFit(false);
    pane.horizontalScrollBar()->setValue(5 * 32);
    Shoot("preview-actual");
}

TEST_F(PreviewShots, FourImageSlideWithBothTexts) {
    const QColor skies[] = {QColor(70, 130, 200), QColor(200, 120, 60), QColor(120, 60, 160),
                            QColor(40, 150, 140)};
    const char* comments[] = {"Morning", "Evening at the pier", "A stormy sky", "Low tide"};
    for (int i = 0; i < 4; ++i) {
        const int number = AddPicture("view" + std::to_string(i + 1) + ".png", Scene(640, 420, skies[i]));
        ws.ArchiveAt(1)->SetEntryComment(EntryIndex::OfNumber(number), comments[i]);
        browser.images.push_back(number);
    }
    ws.SelectArchiveFolder(1, 0, true);
    ws.OpenEntry(browser.images[0]);
    ASSERT_TRUE(pane.Shown());
    prefs.slidesPerScreen = 4;
    prefs.slideShowInfo = 1;
    prefs.slideShowComments = 1;
    int64_t now = 1000;
    SlideshowWindow window(pane, browser, prefs, [&now] { return now; });
    window.Open(QGuiApplication::primaryScreen());
    Settle();
    for (int i = 0; i < 3; ++i) {
        now += 5;
        window.Tick();
    }
    EXPECT_EQ(window.State().Slot(), 0);
    Shoot("slideshow-4");
    window.End();
}

TEST_F(PreviewShots, TheCountdown) {
    QWidget main;
    main.setGeometry(100, 80, 900, 600);
    // Dark, so that the countdown's own box shows on a display without window frames.
    main.setAutoFillBackground(true);
    QPalette dark = main.palette();
    dark.setColor(QPalette::Window, QColor(60, 60, 70));
    main.setPalette(dark);
    main.show();
    AutoCloseCountdown countdown(&main);
    countdown.SetRemaining(14);
    countdown.show();
    Shoot("countdown");
    countdown.Finish();
}

TEST_F(PreviewShots, BothPreferencesPages) {
    QtWorkspaceDialogs real;
    Drive({[](QWidget* sheet) {
              Shoot("preferences-slideshow");
              sheet->findChild<QTabWidget*>()->setCurrentIndex(1);
              Shoot("preferences-general");
              QTest::keyClick(sheet, Qt::Key_Escape);
          }},
          [&] { return real.EditPreferences(prefs); });
}

} // namespace
