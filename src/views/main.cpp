// The desktop program. Until the main frame with its panes exists, this window says so plainly.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>
#include <QStatusBar>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("KVQ");
    QApplication::setApplicationName("Quorvane");

    QMainWindow window;
    window.setWindowTitle("Quorvane");
    auto* label = new QLabel(
        "<h2>Quorvane</h2>"
        "<p>The desktop program is under construction.</p>"
        "<p>Archives can already be created and managed with the <tt>kvq</tt> command-line tool.</p>");
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(24);
    window.setCentralWidget(label);
    window.statusBar()->showMessage("Under construction");
    window.resize(640, 400);
    window.show();

    // --screenshot FILE: render the window to a PNG once it is shown, then quit (used to look at
    // the program without a display, under QT_QPA_PLATFORM=offscreen).
    const QStringList args = QApplication::arguments();
    const qsizetype at = args.indexOf("--screenshot");
    if (at >= 0 && at + 1 < args.size()) {
        const QString& file = args.at(at + 1);
        QTimer::singleShot(300, &window, [&window, file] {
            window.grab().save(file);
            QApplication::quit();
        });
    }
    return QApplication::exec();
}
