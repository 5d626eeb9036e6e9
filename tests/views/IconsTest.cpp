// The program's own icons: every drawing is in the resources and valid, renders something at a device
// pixel ratio of 2 at full resolution, and the toolbar's buttons each have a picture of their own.
#include "Icons.h"
#include "CommandIds.h"
#include "FrameTables.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <gtest/gtest.h>

using namespace quorvane;

namespace {

// How many pixels of the image are not fully transparent.
int Covered(const QImage& image) {
    int n = 0;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            n += qAlpha(argb.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return n;
}

TEST(Icons, EveryIdHasAValidDrawingThatRendersSharpAtRatio2) {
    ASSERT_FALSE(AllIconIds().empty());
    for (IconId id : AllIconIds()) {
        const QString file = IconResource(id);
        SCOPED_TRACE(file.toStdString());
        ASSERT_TRUE(QFile::exists(file));
        EXPECT_TRUE(QSvgRenderer(file).isValid());

        const QPixmap pixmap = QuorvanePixmap(id, 24, 2.0);
        EXPECT_EQ(pixmap.size(), QSize(48, 48));
        EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), 2.0);
        // A drawing covers a fair part of its square, and none fills it all (the corners stay clear).
        const int covered = Covered(pixmap.toImage());
        EXPECT_GT(covered, 48 * 48 / 8);
        EXPECT_LT(covered, 48 * 48);

        // Asked through QIcon with a ratio, the icon is drawn for the device's pixels, not scaled up.
        const QPixmap fromIcon = QuorvaneIcon(id).pixmap(QSize(24, 24), 2.0);
        EXPECT_EQ(fromIcon.size(), QSize(48, 48));
        EXPECT_DOUBLE_EQ(fromIcon.devicePixelRatio(), 2.0);
        QImage upscaled = QuorvanePixmap(id, 24, 1.0).toImage().scaled(48, 48);
        EXPECT_NE(fromIcon.toImage().convertToFormat(QImage::Format_ARGB32),
                  upscaled.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST(Icons, PaintingAtRatio2FillsTheDevicePixels) {
    QImage device(48, 48, QImage::Format_ARGB32_Premultiplied);
    device.setDevicePixelRatio(2.0);
    device.fill(Qt::transparent);
    {
        QPainter painter(&device);
        QuorvaneIcon(IconId::TreeFolder).paint(&painter, QRect(0, 0, 24, 24));
    }
    QImage direct =
        QuorvanePixmap(IconId::TreeFolder, 24, 2.0).toImage().convertToFormat(QImage::Format_ARGB32);
    device.setDevicePixelRatio(1.0);
    direct.setDevicePixelRatio(1.0);
    EXPECT_EQ(device.convertToFormat(QImage::Format_ARGB32), direct);
}

TEST(Icons, DisabledButtonsAreGreyAndEveryToolbarCommandHasItsOwnPicture) {
    const QImage normal = QuorvaneIcon(IconId::ArchiveNew).pixmap(32, QIcon::Normal).toImage();
    const QImage disabled = QuorvaneIcon(IconId::ArchiveNew).pixmap(32, QIcon::Disabled).toImage();
    ASSERT_EQ(normal.size(), disabled.size());
    bool greyOnly = true;
    for (int y = 0; y < disabled.height(); ++y) {
        for (int x = 0; x < disabled.width(); ++x) {
            const QColor c = disabled.pixelColor(x, y);
            greyOnly = greyOnly && c.red() == c.green() && c.green() == c.blue();
        }
    }
    EXPECT_TRUE(greyOnly);
    EXPECT_NE(normal.convertToFormat(QImage::Format_ARGB32), disabled.convertToFormat(QImage::Format_ARGB32));

    int buttons = 0;
    for (int command : FrameTables::Toolbar()) {
        if (command == 0) {
            continue;
        }
        ++buttons;
        const QIcon icon = CommandIcon(command);
        EXPECT_FALSE(icon.isNull()) << command;
    }
    // Distinct pictures: compare the rendered pixels of every pair.
    std::vector<QImage> images;
    for (int command : FrameTables::Toolbar()) {
        if (command != 0) {
            images.push_back(
                CommandIcon(command).pixmap(24).toImage().convertToFormat(QImage::Format_ARGB32));
        }
    }
    for (size_t i = 0; i < images.size(); ++i) {
        for (size_t j = i + 1; j < images.size(); ++j) {
            EXPECT_NE(images[i], images[j]) << "buttons " << i << " and " << j;
        }
    }
    EXPECT_TRUE(CommandIcon(kCmdCut).isNull()); // a command that has no button
    EXPECT_GT(buttons, 0);
}

} // namespace
