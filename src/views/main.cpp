// The desktop program: the main window over the real file system, the archive named on the command
// line opened once the window is on screen.
#include "CCodeMain.h"
#include "FileLayer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include <memory>

int main(int argc, char** argv) {
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

    // ~/.config/KVQ/Quorvane.conf, group Preferences.
    quorvane::CCodeMain window(std::make_unique<QSettings>(), quorvane::PosixFileSystem());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableSize();
        window.resize(std::min(1100, room.width() * 9 / 10), std::min(720, room.height() * 9 / 10));
    }
    QObject::connect(&window, &quorvane::CCodeMain::closed, &app, [] { QCoreApplication::exit(0); },
                     Qt::QueuedConnection);
    window.show();

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
