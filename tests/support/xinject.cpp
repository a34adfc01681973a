// blenvar-xinject: types keys through XTest on its own connection, as fast as asked, then
// waits until the server has taken every one (XSync). The keys come from the slave "Xvfb
// keyboard" where there is one, as from a real keyboard (not from the core XTest keyboard
// that Blenvar types through). Arguments act in order:
//   --text STR     the characters of STR on the active layout (Shift where the layout
//                  needs it; "\n" is Return, "\t" Tab)
//   --key NAME     a key by its X keysym name, with modifiers before it joined by "+":
//                  F12, Return, KP_7, ctrl+c, shift+alt+Home (shift ctrl alt super);
//                  "#N" is the key of X key code N: ctrl+#108+#20
//   --down NAME | --up NAME   press or release only (NAME may be shift, ctrl...)
//   --delay-us N   pause after each following key event (default 0)
//   --device xtest the following keys come from the core XTest keyboard
//   --master NAME  the following keys come from the XTEST keyboard of the master NAME
//                  (`xinput create-master NAME`), whose keyboard gets the core keyboard's
//                  focus window first
//   --try-grab X   grabs the core keyboard and lets go (X is ignored); exit status 3 when
//                  another client holds it
// Exit status: 0 sent, 1 no display, 2 bad arguments or a key the layout lacks.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Injector {
    Display* dpy = nullptr;
    XDevice* device = nullptr;  // null: the XTest keyboard of the client pointer's master
    long delayUs = 0;

    void Event(KeyCode code, bool down) {
        if (device != nullptr)
            XTestFakeDeviceKeyEvent(dpy, device, code, down, nullptr, 0, CurrentTime);
        else
            XTestFakeKeyEvent(dpy, code, down ? True : False, CurrentTime);
        if (delayUs > 0) {
            XFlush(dpy);
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        }
    }

    void Stroke(const std::vector<KeyCode>& mods, KeyCode code) {
        for (KeyCode m : mods) Event(m, true);
        Event(code, true);
        Event(code, false);
        for (auto m = mods.rbegin(); m != mods.rend(); ++m) Event(*m, false);
    }

    KeyCode CodeOf(KeySym sym) const { return sym == NoSymbol ? 0 : XKeysymToKeycode(dpy, sym); }

    static KeySym ModifierSym(const std::string& name) {
        return name == "shift"   ? XK_Shift_L
               : name == "ctrl"  ? XK_Control_L
               : name == "alt"   ? XK_Alt_L
               : name == "super" ? XK_Super_L
                                 : NoSymbol;
    }

    // "#108": the key with that X key code, whatever the layout puts on it.
    static KeyCode Raw(const std::string& name) {
        return KeyCode(std::strtol(name.c_str() + 1, nullptr, 10));
    }

    // "ctrl+shift+F12" -> modifier keys and the key; "shift" alone is the Shift key.
    bool Parse(const std::string& chord, std::vector<KeyCode>& mods, KeyCode& code) const {
        std::string rest = chord;
        for (std::size_t plus; (plus = rest.find('+')) != std::string::npos && plus > 0;) {
            const std::string mod = rest.substr(0, plus);
            const KeyCode held = mod[0] == '#' ? Raw(mod) : CodeOf(ModifierSym(mod));
            if (held == 0) break;  // a key named with "+" in it
            mods.push_back(held);
            rest = rest.substr(plus + 1);
        }
        const KeySym alone = ModifierSym(rest);
        code = rest[0] == '#' ? Raw(rest)
                              : CodeOf(alone != NoSymbol ? alone : XStringToKeysym(rest.c_str()));
        return code != 0;
    }

    void Device(const char* name) {
        int count = 0;
        XDeviceInfo* infos = XListInputDevices(dpy, &count);
        for (int i = 0; i < count && device == nullptr; ++i) {
            if (infos[i].use == IsXExtensionKeyboard && std::string(infos[i].name) == name)
                device = XOpenDevice(dpy, infos[i].id);
        }
        if (infos != nullptr) XFreeDeviceList(infos);
    }

    bool Master(const std::string& name) {
        device = nullptr;
        int major = 2, minor = 2, count = 0, pointer = -1, keyboard = -1;
        if (XIQueryVersion(dpy, &major, &minor) != Success) return false;
        XIDeviceInfo* infos = XIQueryDevice(dpy, XIAllMasterDevices, &count);
        for (int i = 0; i < count; ++i) {
            if (infos[i].name == name + " pointer") pointer = infos[i].deviceid;
            if (infos[i].name == name + " keyboard") keyboard = infos[i].deviceid;
        }
        XIFreeDeviceInfo(infos);
        if (pointer < 0 || keyboard < 0) return false;
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(dpy, &focus, &revert);
        XISetClientPointer(dpy, 0, pointer);
        if (focus > PointerRoot) XISetFocus(dpy, keyboard, focus, CurrentTime);
        XSync(dpy, False);
        return true;
    }

    bool Text(const std::string& text) {
        const KeyCode shift = CodeOf(XK_Shift_L);
        for (unsigned char c : text) {
            const KeySym sym = c == '\n' ? XK_Return : c == '\t' ? XK_Tab : KeySym(c);
            const KeyCode code = CodeOf(sym);
            if (code == 0) {
                std::fprintf(stderr, "blenvar-xinject: the layout has no key for 0x%02x\n", c);
                return false;
            }
            const bool shifted = XkbKeycodeToKeysym(dpy, code, 0, 0) != sym &&
                                 XkbKeycodeToKeysym(dpy, code, 0, 1) == sym;
            Stroke(shifted ? std::vector<KeyCode>{shift} : std::vector<KeyCode>{}, code);
        }
        return true;
    }
};

int Usage(const char* why) {
    std::fprintf(stderr, "blenvar-xinject: %s (see the head of xinject.cpp)\n", why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    Injector in;
    in.dpy = XOpenDisplay(nullptr);
    if (in.dpy == nullptr) {
        std::fprintf(stderr, "blenvar-xinject: cannot open the display\n");
        return 1;
    }
    int event, error, major, minor;
    if (!XTestQueryExtension(in.dpy, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "blenvar-xinject: the display has no XTest\n");
        return 1;
    }
    in.Device("Xvfb keyboard");
    XDevice* const keyboard = in.device;
    int status = 0;
    for (std::size_t i = 0; i < args.size() && status == 0; i += 2) {
        if (i + 1 >= args.size()) {
            status = Usage(("a value is missing after " + args[i]).c_str());
            break;
        }
        const std::string& opt = args[i];
        const std::string& value = args[i + 1];
        std::vector<KeyCode> mods;
        KeyCode code = 0;
        if (opt == "--text") {
            if (!in.Text(value)) status = 2;
        } else if (opt == "--key" || opt == "--down" || opt == "--up") {
            if (!in.Parse(value, mods, code)) {
                status = Usage(("unknown key " + value).c_str());
            } else if (opt == "--key") {
                in.Stroke(mods, code);
            } else {
                in.Event(code, opt == "--down");
            }
        } else if (opt == "--device" && value == "xtest") {
            in.device = nullptr;
        } else if (opt == "--master") {
            if (!in.Master(value)) status = Usage(("no master named " + value).c_str());
        } else if (opt == "--try-grab") {
            const Window root = DefaultRootWindow(in.dpy);
            if (XGrabKeyboard(in.dpy, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) !=
                GrabSuccess)
                status = 3;
            XUngrabKeyboard(in.dpy, CurrentTime);
        } else if (opt == "--delay-us") {
            in.delayUs = std::strtol(value.c_str(), nullptr, 10);
        } else {
            status = Usage(("unknown option " + opt).c_str());
        }
    }
    XSync(in.dpy, False);
    if (keyboard != nullptr) XCloseDevice(in.dpy, keyboard);
    XCloseDisplay(in.dpy);
    return status;
}
