// The desktop program: the main window over the real file system, the archive named on the command
// line opened once the window is on screen.
#include "CCodeMain.h"
#include "FileLayer.h"
#include "PictureMemory.h"
#include "ProcessGuard.h"
#include "SingleInstance.h"
#include "SlideshowWindow.h"
#include "Workspace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include <memory>

int main(int argc, char** argv) {
    // Before anything decrypted or secret is in memory.
    quorvane::ForbidCoreDumps();
    // Before the first picture: each next photo shown reuses the memory of the last.
    quorvane::KeepPictureMemoryForReuse();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("KVQ"));
    QApplication::setApplicationName(QStringLiteral("Quorvane"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Pictures in password-protected, encrypted archives."));
    parser.addHelpOption();
    // Renders the window to a PNG once it is shown, then quits (to look at the program without a
    // display, under QT_QPA_PLATFORM=offscreen).
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the window to <file> and quit."),
                                        QStringLiteral("file"));
    parser.addOption(screenshot);
    parser.addPositionalArgument(QStringLiteral("archive"), QStringLiteral("An archive (.kvq) to open."));
    parser.process(app);
    const QStringList positional = parser.positionalArguments();
    const QString archive = positional.isEmpty() ? QString() : positional.first();

    // A program already running takes the archive (it holds its archives locked) and comes to the front.
    quorvane::SingleInstance instance;
    if (instance.HandOver(archive)) {
        return 0;
    }
    instance.Listen();

    // ~/.config/KVQ/Quorvane.conf, group Preferences.
    quorvane::CCodeMain window(std::make_unique<QSettings>(), quorvane::PosixFileSystem());
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && !window.RestoreWindowGeometry()) {
        const QSize room = screen->availableSize();
        window.resize(std::min(1100, room.width() * 9 / 10), std::min(720, room.height() * 9 / 10));
    }
    QObject::connect(
        &window, &quorvane::CCodeMain::closed, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    window.show();

    // A path handed over waits while an operation runs or a dialog of ours is open.
    instance.SetReadyCheck([&window] {
        return !window.GetWorkspace().Busy() && !window.FrameDisabled() && !QApplication::activeModalWidget();
    });
    QObject::connect(&instance, &quorvane::SingleInstance::pathReceived, &window,
                     [&window](const QString& path) {
                         window.showNormal();
                         window.raise();
                         window.activateWindow();
                         if (path.isEmpty()) {
                             return;
                         }
                         // The slideshow's own event loop unwinds before the archive's password is asked for.
                         window.SlideshowControl().End();
                         QTimer::singleShot(0, &window, [&window, path] {
                             if (!window.GetWorkspace().Busy()) {
                                 window.NoteActivity();
                                 window.GetWorkspace().Open(path);
                             }
                         });
                     });

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(300, &window, [&window, file] {
            window.grab().save(file);
            QApplication::quit();
        });
    }
    // Started from the event loop, so that the window is painted before the first dialog.
    QTimer::singleShot(0, &window, [&window, archive] { window.StartUp(archive); });
    return QApplication::exec();
}
