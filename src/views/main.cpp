// The desktop program. Until the main frame with its panes exists, this window says so plainly.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

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
    return QApplication::exec();
}
