// Pictures of the program's windows for the README and for looking at the drawings: renders the
// About box, the help window, the Import dialog, the Archive Properties dialog, the preferences and
// a sheet of every icon into OUT_DIR; given an archive and its password file, the main window with
// that archive open. Run offscreen by scripts/screenshots; QT_SCALE_FACTOR=2 makes the same pictures
// at twice the pixels. `screens --pictures DIR` paints the sample pictures that script puts in the
// archive it makes.
#include "ArchivePropertiesForm.h"
#include "CCodeMain.h"
#include "FileLayer.h"
#include "HelpCommands.h"
#include "HelpWindow.h"
#include "Icons.h"
#include "Preferences.h"
#include "QtWorkspaceDialogs.h"
#include "SecretText.h"
#include "Workspace.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace quorvane;

namespace {

QString outDir;
int failures = 0;

void Save(QWidget* widget, const QString& name) {
    widget->ensurePolished();
    const QPixmap shot = widget->grab();
    const QString file = QDir(outDir).filePath(name + ".png");
    if (shot.isNull() || !shot.save(file)) {
        std::fprintf(stderr, "screens: could not write %s\n", qPrintable(file));
        ++failures;
        return;
    }
    std::printf("%s %dx%d (device pixel ratio %.1f)\n", qPrintable(file), shot.width(), shot.height(),
                shot.devicePixelRatio());
}

// Runs `open` (which shows a modal dialog) and pictures the dialog once it is up, then closes it.
void ShootModal(const QString& name, const std::function<void()>& open) {
    QTimer::singleShot(300, [name] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            Save(dialog, name);
            dialog->close();
        } else {
            std::fprintf(stderr, "screens: no dialog for %s\n", qPrintable(name));
            ++failures;
        }
    });
    open();
}

void IconSheet() {
    const std::vector<IconId>& ids = AllIconIds();
    constexpr int kCell = 44;
    constexpr int kColumns = 10;
    const int rows = int((ids.size() + kColumns - 1) / kColumns);
    QWidget sheet;
    sheet.resize(kColumns * kCell, rows * kCell);
    QPixmap canvas(sheet.size() * sheet.devicePixelRatioF());
    canvas.setDevicePixelRatio(sheet.devicePixelRatioF());
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        for (size_t i = 0; i < ids.size(); ++i) {
            const QRect cell(int(i % kColumns) * kCell, int(i / kColumns) * kCell, kCell, kCell);
            QuorvaneIcon(ids[i]).paint(&painter, cell.adjusted(6, 6, -6, -6));
        }
    }
    const QString file = QDir(outDir).filePath("icons.png");
    if (!canvas.save(file)) {
        ++failures;
    }
    std::printf("%s %dx%d (device pixel ratio %.1f)\n", qPrintable(file), canvas.width(), canvas.height(),
                canvas.devicePixelRatio());
}

// Sample landscapes, painted: a sky, a sun and hills in each picture's own colours.
int SamplePictures(const QString& dir) {
    struct Sample {
        const char* name;
        QColor sky, horizon, sun, hills, front;
        int width, height;
    };
    const Sample samples[] = {
        {"Dawn over the bay.png",
         {40, 60, 140},
         {250, 170, 120},
         {255, 236, 180},
         {60, 80, 110},
         {30, 45, 70},
         640,
         420},
        {"Harbour at noon.png",
         {70, 150, 230},
         {190, 225, 250},
         {255, 255, 230},
         {40, 120, 90},
         {30, 90, 60},
         600,
         400},
        {"Red cliffs.png",
         {120, 180, 230},
         {240, 220, 190},
         {255, 250, 220},
         {190, 90, 50},
         {130, 60, 30},
         420,
         560},
        {"Dunes.png",
         {90, 160, 220},
         {230, 230, 210},
         {255, 255, 240},
         {220, 170, 90},
         {190, 130, 60},
         640,
         400},
        {"Evening fields.png",
         {60, 40, 110},
         {240, 120, 80},
         {255, 210, 120},
         {90, 70, 60},
         {50, 40, 40},
         600,
         420},
        {"Snow peaks.png",
         {60, 110, 190},
         {200, 220, 240},
         {255, 255, 255},
         {230, 235, 245},
         {90, 110, 140},
         600,
         440},
    };
    QDir().mkpath(dir);
    int n = 0;
    for (const Sample& sample : samples) {
        QImage image(sample.width, sample.height, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal w = sample.width;
        const qreal h = sample.height;
        QLinearGradient sky(0, 0, 0, h * 0.65);
        sky.setColorAt(0, sample.sky);
        sky.setColorAt(1, sample.horizon);
        painter.fillRect(image.rect(), sky);
        QRadialGradient glow(QPointF(w * (0.25 + 0.1 * n), h * 0.35), h * 0.18);
        glow.setColorAt(0, sample.sun);
        glow.setColorAt(0.5, sample.sun);
        glow.setColorAt(1, QColor(sample.sun.red(), sample.sun.green(), sample.sun.blue(), 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(QPointF(w * (0.25 + 0.1 * n), h * 0.35), h * 0.18, h * 0.18);
        for (int layer = 0; layer < 2; ++layer) {
            QPainterPath hills;
            const qreal base = h * (layer == 0 ? 0.6 : 0.75);
            hills.moveTo(0, h);
            hills.lineTo(0, base);
            for (int i = 1; i <= 4; ++i) {
                const qreal x = w * i / 4;
                const qreal lift = h * (0.08 + 0.05 * ((i + n + layer) % 3));
                hills.quadTo(x - w / 8, base - lift, x, base - (layer == 0 ? 0 : lift / 3));
            }
            hills.lineTo(w, h);
            hills.closeSubpath();
            painter.setBrush(layer == 0 ? sample.hills : sample.front);
            painter.drawPath(hills);
        }
        painter.end();
        const QString file = QDir(dir).filePath(QString::fromLatin1(sample.name));
        if (!image.save(file)) {
            std::fprintf(stderr, "screens: could not write %s\n", qPrintable(file));
            return 1;
        }
        ++n;
    }
    return 0;
}

// The main window with `archive` open: the password dialog is answered from `passwordFile`, the
// thumbnails are painted, and the window is pictured.
void MainWindow(const QString& archive, const QString& passwordFile) {
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "screens: cannot read %s\n", qPrintable(passwordFile));
        ++failures;
        return;
    }
    const QString password = QString::fromUtf8(file.readLine()).trimmed();
    QTemporaryDir settingsDir;
    auto settings = std::make_unique<QSettings>(settingsDir.filePath(QStringLiteral("Quorvane.conf")),
                                                QSettings::IniFormat);
    settings->setValue(QStringLiteral("Preferences/DG1"), 1);   // no welcome prompt
    settings->setValue(QStringLiteral("Preferences/MLW"), 340); // room for three thumbnails a row
    CCodeMain window(std::move(settings), PosixFileSystem());
    window.resize(900, 520);
    window.show();
    QApplication::processEvents();
    QTimer::singleShot(300, [password] {
        QWidget* dialog = QApplication::activeModalWidget();
        auto* edit = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("password")) : nullptr;
        if (!edit) {
            std::fprintf(stderr, "screens: no password dialog\n");
            ++failures;
            if (dialog) {
                dialog->close();
            }
            return;
        }
        edit->setText(password);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    window.GetWorkspace().Open(archive);
    // One picture chosen, for the preview; the thumbnails are rendered as the list paints.
    for (QListView* list : window.findChildren<QListView*>()) {
        if (list->isVisible() && list->model() && list->model()->rowCount() > 2) {
            list->setFocus();
            list->setCurrentIndex(list->model()->index(2, 0));
        }
    }
    for (int i = 0; i < 5; ++i) {
        window.repaint();
        QApplication::processEvents();
    }
    Save(&window, QStringLiteral("main"));
    window.close();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("KVQ-screens"));
    QApplication::setApplicationName(QStringLiteral("Quorvane-screens"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: screens OUT_DIR [ARCHIVE PASSWORD_FILE] | screens --pictures DIR\n");
        return 2;
    }
    if (argc == 3 && QByteArray(argv[1]) == "--pictures") {
        return SamplePictures(QString::fromLocal8Bit(argv[2]));
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);

    IconSheet();

    std::unique_ptr<QDialog> about(MakeAboutBox(nullptr));
    about->show();
    QApplication::processEvents();
    Save(about.get(), QStringLiteral("about"));
    about->close();

    HelpWindow help;
    help.ShowTopic(HelpTopic::Importing);
    help.show();
    QApplication::processEvents();
    Save(&help, QStringLiteral("help"));
    help.close();

    QtWorkspaceDialogs dialogs;
    dialogs.SetHelpHandler(ShowDialogHelp);
    ShootModal(QStringLiteral("import"), [&] { dialogs.ChooseImportFiles(QDir::homePath()); });
    ShootModal(QStringLiteral("archive-properties"), [&] {
        ArchivePropertiesForm form;
        SecretText password;
        dialogs.AskCreateSettings(form, password);
    });
    Preferences preferences;
    ShootModal(QStringLiteral("preferences"), [&] { dialogs.EditPreferences(preferences); });
    if (argc >= 4) {
        MainWindow(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    return failures == 0 ? 0 : 1;
}
