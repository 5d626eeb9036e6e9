// Renders an SVG picture to square PNG files: render-svg IN.svg OUT_DIR SIZE... writes
// OUT_DIR/SIZE.png for each size. The installed theme's PNG icons are made from the one SVG this way,
// so that there is only one drawing to keep.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: render-svg IN.svg OUT_DIR SIZE...\n");
        return 2;
    }
    // Rendering needs no window; the offscreen platform keeps the tool usable on a build machine
    // without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render-svg: %s is not a valid SVG file\n", argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!out.mkpath(".")) {
        std::fprintf(stderr, "render-svg: cannot make %s\n", argv[2]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size <= 0 || size > 4096) {
            std::fprintf(stderr, "render-svg: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter, QRectF(0, 0, size, size));
        }
        const QString file = out.filePath(QString::number(size) + ".png");
        if (!image.save(file, "PNG")) {
            std::fprintf(stderr, "render-svg: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
