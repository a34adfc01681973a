// The icons as the tray draws them: every one loads from the resources through the SVG
// plugin and stands out from both a light and a dark panel at the tray's sizes.
#include "shell/icons/icons.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <cstdlib>

namespace {

// Pixels of the icon drawn over `panel` that differ clearly from the panel itself.
int VisiblePixels(const QIcon& icon, int size, QColor panel) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(panel);
    QPainter painter(&image);
    icon.paint(&painter, QRect(0, 0, size, size));
    painter.end();
    int visible = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const QColor c = image.pixelColor(x, y);
            const int diff = std::abs(c.red() - panel.red()) + std::abs(c.green() - panel.green()) +
                             std::abs(c.blue() - panel.blue());
            if (diff > 150) ++visible;
        }
    return visible;
}

TEST(IconsTest, EachIconIsDrawnAndContrastsOnLightAndDarkPanels) {
    InitBlenvarIcons();
    for (const char* name : {"tray-1", "tray-2", "tray-3", "tray-4", "blenvar"}) {
        const QIcon icon(QString(":/icons/%1.svg").arg(name));
        for (int size : {16, 22}) {
            for (QColor panel : {QColor(0xf0, 0xf0, 0xf0), QColor(0x20, 0x20, 0x20)}) {
                // A quarter of the square: enough to read the shape, not just a speck.
                EXPECT_GE(VisiblePixels(icon, size, panel), size * size / 4)
                    << name << " at " << size << " px on " << panel.name().toStdString();
            }
        }
    }
}

TEST(IconsTest, TrayImagesDifferFromEachOther) {
    InitBlenvarIcons();
    std::vector<QImage> images;
    for (int n = 1; n <= 4; ++n) {
        const QImage image = QIcon(QString(":/icons/tray-%1.svg").arg(n)).pixmap(16, 16).toImage();
        for (size_t earlier = 0; earlier < images.size(); ++earlier)
            EXPECT_NE(image, images[earlier]) << "tray-" << n << " looks like tray-" << earlier + 1;
        images.push_back(image);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
