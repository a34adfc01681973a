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
#include <string>

namespace {

std::string Utf8(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    } else {
        s += char(0xF0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
    return s;
}

}  // namespace

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
            const char32_t cp = xkb_keysym_to_utf32(xkb_keysym_t(keysym));
            if (cp != 0) {
                std::fputs(Utf8(cp).c_str(), out);
            } else if (keysym == NoSymbol) {
                std::fputs("<NoSymbol>", out);
            }
            std::fflush(out);
        }
    }
}
