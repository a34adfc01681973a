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

TEST(IconsTest, EachIconIsDrawnDistinctAndContrastsOnLightAndDarkPanels) {
    InitBlenvarIcons();
    std::vector<std::pair<const char*, QImage>> drawn;
    for (const char* name : {"tray-1", "tray-2", "tray-3", "tray-4", "blenvar"}) {
        const QIcon icon(QString(":/icons/%1.svg").arg(name));
        for (int size : {16, 22}) {
            for (QColor panel : {QColor(0xf0, 0xf0, 0xf0), QColor(0x20, 0x20, 0x20)}) {
                // A quarter of the square: enough to read the shape, not just a speck.
                EXPECT_GE(VisiblePixels(icon, size, panel), size * size / 4)
                    << name << " at " << size << " px on " << panel.name().toStdString();
            }
        }
        // A state the tray cannot tell apart from another is a wrong file in the resources.
        const QImage image = icon.pixmap(16, 16).toImage();
        for (const auto& [other, earlier] : drawn)
            EXPECT_NE(image, earlier) << name << " = " << other;
        drawn.emplace_back(name, image);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
