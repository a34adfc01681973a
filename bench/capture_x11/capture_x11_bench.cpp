// X11 capture figures. Needs a display:
//   tests/support/with-desktop --x -- <build>/bin/bench_capture_x11
// 1. Delay of a key that is not the start key, injection to arrival in a focused Xlib
//    window, with no capture and with the capture harness watching the start key; and the
//    same for keys of the keyboard while the harness runs in Scanner mode, holding a second
//    keyboard, beside none running.
// 2. Capture throughput: characters per second the backend collects while it holds the
//    keyboard, and how many reached the window instead (must be 0).
// Qt first: Xlib's macros break its headers.
#include <QCoreApplication>
#include <QTimer>
// (keep the order)
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "output/typing_gate.h"
#include "platform/x11/x11_capture.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// A focused window on its own connection; counts the key presses it gets.
struct Window_ {
    Display* dpy = XOpenDisplay(nullptr);
    Window win = 0;

    Window_() {
        win = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 200, 100, 0, 0, 0);
        XSelectInput(dpy, win, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
        XMapRaised(dpy, win);
        for (XEvent ev;;) {
            XNextEvent(dpy, &ev);
            if (ev.type == MapNotify) break;
        }
        XSetInputFocus(dpy, win, RevertToParent, CurrentTime);
        XSync(dpy, False);
    }
    ~Window_() { XCloseDisplay(dpy); }

    void WaitFor(int type) {
        for (XEvent ev;;) {
            XNextEvent(dpy, &ev);
            if (ev.type == type) return;
        }
    }
    int PressesPending() {
        XSync(dpy, False);
        int presses = 0;
        while (XPending(dpy) > 0) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            presses += ev.type == KeyPress;
        }
        return presses;
    }
};

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

// Microseconds from injecting a key press to its arrival, for `count` keys.
std::vector<double> KeyDelays(Window_& window, int count) {
    Display* inject = XOpenDisplay(nullptr);
    const KeyCode a = XKeysymToKeycode(inject, XK_a);
    std::vector<double> delays;
    for (int i = 0; i < count; ++i) {
        const auto t0 = Clock::now();
        XTestFakeKeyEvent(inject, a, True, CurrentTime);
        XFlush(inject);
        window.WaitFor(KeyPress);
        delays.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        XTestFakeKeyEvent(inject, a, False, CurrentTime);
        XFlush(inject);
        window.WaitFor(KeyRelease);
    }
    XCloseDisplay(inject);
    return delays;
}

void PrintDelays(const char* label, const std::vector<double>& d) {
    std::printf("%-34s p50 %6.1f us  p95 %6.1f us  p99 %6.1f us  (%zu keys)\n", label,
                Percentile(d, 0.50), Percentile(d, 0.95), Percentile(d, 0.99), d.size());
}

// Runs the capture harness with `args` (after its events file) while `measure` runs.
template <typename Measure>
void WithHarness(std::vector<std::string> args, Measure measure) {
    const std::string events =
        std::filesystem::temp_directory_path() / ("blenvar-bench-" + std::to_string(getpid()));
    std::ofstream(events).close();
    args.insert(args.begin(), {BLENVAR_HARNESS, events});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t harness = -1;
    posix_spawn(&harness, argv[0], nullptr, nullptr, argv.data(), environ);
    for (std::string text; text.find("ready") == std::string::npos;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream in(events);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    measure();
    kill(harness, SIGTERM);
    waitpid(harness, nullptr, 0);
    std::filesystem::remove(events);
}

void IdleDelay(Window_& window) {
    const int keys = 2000;
    KeyDelays(window, 200);  // warm-up: the first keys after start are slower
    PrintDelays("idle key, no capture", KeyDelays(window, keys));
    // The harness watches F12 as a start key in another process.
    WithHarness({"1,0,123,88", "1,0,122,87"},
                [&] { PrintDelays("idle key, capture watching F12", KeyDelays(window, keys)); });
    PrintDelays("idle key, no capture (again)", KeyDelays(window, keys));
}

// The keyboard's keys while Scanner mode holds a second keyboard (the XTest slave of a
// master of its own): they are not grabbed, so only the server's own work should show.
void ScannerModeDelay(Window_& window) {
    XIAddMasterInfo master{XIAddMaster, const_cast<char*>("scanner"), True, True};
    XIChangeHierarchy(window.dpy, reinterpret_cast<XIAnyHierarchyChangeInfo*>(&master), 1);
    XSync(window.dpy, False);
    // Rounds take turns, so a busy spell of the machine weighs on both sides alike.
    std::vector<double> none, scanner;
    const auto add = [](std::vector<double>& to, const std::vector<double>& d) {
        to.insert(to.end(), d.begin(), d.end());
    };
    for (int round = 0; round < 8; ++round) {
        add(none, KeyDelays(window, 500));
        WithHarness({"1,0,123,88", "1,0,13,28", "scanner XTEST keyboard"},
                    [&] { add(scanner, KeyDelays(window, 500)); });
    }
    PrintDelays("keyboard key, no capture", none);
    PrintDelays("keyboard key, Scanner mode", scanner);
    std::printf("Scanner mode vs none: p50 %+.1f us, p99 %+.1f us\n",
                Percentile(scanner, 0.50) - Percentile(none, 0.50),
                Percentile(scanner, 0.99) - Percentile(none, 0.99));
    int count = 0;
    XIDeviceInfo* infos = XIQueryDevice(window.dpy, XIAllMasterDevices, &count);
    for (int i = 0; i < count; ++i) {
        if (std::string(infos[i].name) != "scanner keyboard") continue;
        XIRemoveMasterInfo remove{XIRemoveMaster, infos[i].deviceid, XIFloating, 0, 0};
        XIChangeHierarchy(window.dpy, reinterpret_cast<XIAnyHierarchyChangeInfo*>(&remove), 1);
    }
    XIFreeDeviceInfo(infos);
    XSync(window.dpy, False);
}

void Throughput(Window_& window, int chars) {
    blenvar::TypingGate gate;
    blenvar::X11Capture capture(gate);
    int collected = 0;
    Clock::time_point end;
    blenvar::InstallHook(capture, [&](const blenvar::KeyEvent& e) {
        if (e.Action == 1 && e.VCode == 123) capture.HoldKeyboard(true);
        if (e.Action == 4 && e.VCode >= 'A' && e.VCode <= 'Z') ++collected;
        if (e.Action == 1 && e.VCode == 122) {
            capture.HoldKeyboard(false);
            end = Clock::now();
            QCoreApplication::quit();
        }
        return blenvar::kConsumeKey;
    });
    capture.WatchStartKey({1, 0, 123, 88});
    const auto start = Clock::now();
    std::thread injector([chars] {
        Display* dpy = XOpenDisplay(nullptr);
        const auto stroke = [dpy](KeySym sym) {
            const KeyCode code = XKeysymToKeycode(dpy, sym);
            XTestFakeKeyEvent(dpy, code, True, CurrentTime);
            XTestFakeKeyEvent(dpy, code, False, CurrentTime);
        };
        stroke(XK_F12);
        for (int i = 0; i < chars; ++i) stroke(XK_a + i % 26);
        stroke(XK_F11);
        XSync(dpy, False);
        XCloseDisplay(dpy);
    });
    QCoreApplication::exec();
    injector.join();
    const double seconds = std::chrono::duration<double>(end - start).count();
    std::printf("capture of %5d characters: %8.0f characters/s, %d collected, %d leaked\n", chars,
                chars / seconds, collected, window.PressesPending());
}

}  // namespace

int main(int argc, char** argv) {
    XInitThreads();
    QCoreApplication app(argc, argv);
    Window_ window;
    IdleDelay(window);
    ScannerModeDelay(window);
    for (int chars : {2000, 10000}) Throughput(window, chars);
    return 0;
}
