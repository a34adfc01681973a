// blenvar-xlibprobe OUTPUT_FILE READY_FILE
// A plain Xlib window that reads keys the way xev does: it refreshes its
// keymap on MappingNotify and looks each key press up with XLookupString.
// Such a client reads the keymap only when it gets to the event, so it sees
// a spare key code's character only if the binding is still there then.
// Appends each character as UTF-8, or "<NoSymbol>" for a key it could not
// read, to OUTPUT_FILE; writes READY_FILE once it holds the focus.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: blenvar-xlibprobe OUTPUT_FILE READY_FILE\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "ab");
    Display* dpy = XOpenDisplay(nullptr);
    if (out == nullptr || dpy == nullptr) {
        std::fprintf(stderr, "blenvar-xlibprobe: cannot open the output file or the display\n");
        return 1;
    }
    XSetWindowAttributes attributes{};
    attributes.event_mask = KeyPressMask | StructureNotifyMask;
    const Window window =
        XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 0, 200, 50, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWEventMask, &attributes);
    XMapWindow(dpy, window);
    bool ready = false;
    for (;;) {
        XEvent event;
        XNextEvent(dpy, &event);
        if (event.type == MapNotify && !ready) {
            // No window manager: take the focus ourselves.
            XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
            XSync(dpy, False);
            if (std::FILE* f = std::fopen(argv[2], "w")) {
                std::fputs("ready\n", f);
                std::fclose(f);
            }
            ready = true;
        } else if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
        } else if (event.type == KeyPress) {
            char buffer[32];
            KeySym keysym = NoSymbol;
            XLookupString(&event.xkey, buffer, sizeof buffer, &keysym, nullptr);
            char utf8[8];
            if (xkb_keysym_to_utf8(xkb_keysym_t(keysym), utf8, sizeof utf8) > 1) {
                std::fputs(utf8, out);
            } else if (keysym == NoSymbol) {
                std::fputs("<NoSymbol>", out);
            }
            std::fflush(out);
        }
    }
}
