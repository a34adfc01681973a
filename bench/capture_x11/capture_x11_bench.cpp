// X11 capture figures. Needs a display:
//   tests/support/with-desktop --x -- <build>/bin/bench_capture_x11
// 1. Delay of a key that is not the start key, injection to arrival in a focused Xlib
//    window, with no capture and with the capture harness watching the start key.
// 2. Capture throughput: characters per second the backend collects while it holds the
//    keyboard, and how many reached the window instead (must be 0).
// Qt first: Xlib's macros break its headers.
#include <QCoreApplication>
#include <QTimer>
// (keep the order)
#include <X11/Xlib.h>
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

#include "output/synthetic_key_guard.h"
#include "platform/x11_capture.h"

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

void IdleDelay(Window_& window) {
    const int keys = 2000;
    PrintDelays("idle key, no capture", KeyDelays(window, keys));
    // The harness watches F12 as a start key in another process.
    const std::string events =
        std::filesystem::temp_directory_path() / ("blenvar-bench-" + std::to_string(getpid()));
    std::ofstream(events).close();
    const char* argv[] = {BLENVAR_HARNESS, events.c_str(), "1,0,123,88", "1,0,122,87", nullptr};
    pid_t harness = -1;
    posix_spawn(&harness, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ);
    for (std::string text; text.find("ready") == std::string::npos;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream in(events);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    PrintDelays("idle key, capture watching F12", KeyDelays(window, keys));
    PrintDelays("idle key, no capture (again)", [&] {
        kill(harness, SIGTERM);
        waitpid(harness, nullptr, 0);
        return KeyDelays(window, keys);
    }());
    std::filesystem::remove(events);
}

void Throughput(Window_& window, int chars) {
    blenvar::SyntheticKeyGuard guard;
    blenvar::X11Capture capture(guard);
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
    for (int chars : {2000, 10000}) Throughput(window, chars);
    return 0;
}
