// The smallest Qt tray program: an icon with a two-entry menu and a hidden window. The tray
// benchmark measures it beside blenvar, as the floor for the same desktop and Qt build.
#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QWidget window;
    QPixmap image(22, 22);
    image.fill(Qt::darkBlue);
    QSystemTrayIcon icon{QIcon(image)};
    QMenu menu;
    QObject::connect(menu.addAction("Show"), &QAction::triggered, &window, &QWidget::show);
    QObject::connect(menu.addAction("Exit"), &QAction::triggered, &app, &QApplication::quit);
    icon.setContextMenu(&menu);
    icon.setToolTip("Minimal");
    icon.show();
    return app.exec();
}
