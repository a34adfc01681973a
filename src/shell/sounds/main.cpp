// blenvar-sounds [TITLE]: edits the sound events of an application (default "Blenvar").
#include <QApplication>

#include "components/registry/registry_store.h"
#include "platform/qt_sound_player.h"
#include "shell/sounds/sound_events_window.h"

int main(int argc, char** argv) {
    blenvar::SelectQtSoundBackend();
    QApplication app(argc, argv);
    std::string title = "Blenvar";
    if (argc > 1 && argv[1][0] != '\0') title = argv[1];
    blenvar::QtSoundPlayer player;
    blenvar::SoundEventsWindow window(title, blenvar::OpenDefaultRegistryStore(), player);
    window.show();
    return app.exec();
}
