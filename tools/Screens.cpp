// Pictures of the program's windows for the README and for looking at the drawings: renders the
// About box, the help window, the Import dialog, the Archive Properties dialog, the preferences and
// a sheet of every icon into OUT_DIR. Run offscreen by scripts/screenshots; QT_SCALE_FACTOR=2 makes
// the same pictures at twice the pixels.
#include "ArchivePropertiesForm.h"
#include "HelpCommands.h"
#include "HelpWindow.h"
#include "Icons.h"
#include "Preferences.h"
#include "QtWorkspaceDialogs.h"
#include "SecretText.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPainter>
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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("KVQ-screens"));
    QApplication::setApplicationName(QStringLiteral("Quorvane-screens"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: screens OUT_DIR\n");
        return 2;
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
    return failures == 0 ? 0 : 1;
}
