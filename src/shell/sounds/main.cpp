// blenvar-sounds: the window that edits an application's sound events.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "components/registry/registry_store.h"
#include "core/usage.h"
#include "platform/qt/qt_messages.h"
#include "platform/qt/qt_sound_player.h"
#include "shell/sounds/sound_events_window.h"

namespace {

constexpr char kUsage[] =
    "Usage: blenvar-sounds [--title TITLE] [--event EVENT]\n"
    "Lists the sound events of an application with their current and default sound files,\n"
    "and lets you choose, play, reset to default or clear the sound of each event.\n"
    "\n"
    "  --title TITLE  the application whose events are shown (default: Blenvar)\n"
    "  --event EVENT  the event selected at first, such as a barcode type (default: the\n"
    "                 first one)\n"
    "  -h, --help     print this help and exit\n"
    "  -v, --version  print the version and exit\n";

int UsageError(const std::string& what) {
    return blenvar::UsageError("blenvar-sounds", what);
}

bool Set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

void NoDisplay(const char*) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "blenvar-sounds: cannot open the display \"%s\"\n",
                 display ? display : "");
    std::_Exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    std::string title = "Blenvar";
    std::string event;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "-v" || arg == "--version") {
            std::printf("blenvar-sounds %s\n", BLENVAR_VERSION);
            return 0;
        }
        if (arg == "--title" || arg.rfind("--title=", 0) == 0) {
            if (arg == "--title" && i + 1 >= argc) return UsageError("--title needs a title");
            title = arg == "--title" ? argv[++i] : arg.substr(8);
            if (title.empty()) return UsageError("the title must not be empty");
            continue;
        }
        if (arg == "--event" || arg.rfind("--event=", 0) == 0) {
            if (arg == "--event" && i + 1 >= argc) return UsageError("--event needs an event");
            event = arg == "--event" ? argv[++i] : arg.substr(8);
            continue;
        }
        return UsageError(arg.rfind('-', 0) == 0 ? "unknown option '" + arg + "'"
                                                 : "unexpected argument '" + arg + "'");
    }
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM")) {
        std::fprintf(stderr,
                     "blenvar-sounds: no display to show the window on (DISPLAY is not set)\n");
        return 2;
    }
    // The only fatal message Qt can give before the window exists is a display it can't open.
    blenvar::QuietDesktopMessages(NoDisplay);
    blenvar::SelectQtSoundBackend();
    // Qt would take "--title" as its own X11 option and name the window after it.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    blenvar::QuietDesktopMessages();
    blenvar::QtSoundPlayer player;
    blenvar::SoundEventsWindow window(title, blenvar::OpenDefaultRegistryStore(), player);
    window.SelectEvent(QString::fromStdString(event));
    window.show();
    return app.exec();
}
