// blenvar as the user runs it: process start to its icon mapped in the tray with its memory
// at that moment, the same for the smallest Qt tray program, then CPU time, wake-ups and
// memory while blenvar sits idle. bench/app/tray-bench runs it on a desktop of its own:
//   tests/support/with-desktop --tray -- build/bin/blenvar_tray_start_bench [PROGRAM] [RUNS]
// PROGRAM defaults to the build's blenvar; it runs from a temporary copy of its folder with
// trained settings, so it hides to the tray and writes nothing beside the build.
// With --sections N the settings also hold N barcode types, and the figure is the time
// to blenvar's window instead (run it under with-desktop --a11y as well).
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr char kTrained[] =
    "[Setup]\nStart_Action=1\nStart_State=0\nStart_VCode=192\nStart_SCode=41\n"
    "Stop_Action=1\nStop_State=0\nStop_VCode=13\nStop_SCode=28\n";

fs::path MakeProgramFolder(const fs::path& program, int sections) {
    char pattern[] = "/tmp/blenvar-bench-XXXXXX";
    fs::path folder = mkdtemp(pattern);
    for (const auto& entry : fs::directory_iterator(program.parent_path())) {
        const auto ext = entry.path().extension();
        if (entry.path() == program || ext == ".wav" || ext == ".htm" || ext == ".so")
            fs::copy(entry.path(), folder / entry.path().filename());
    }
    std::ofstream ini(folder / "blenvar.ini");
    ini << kTrained;
    for (int i = 0; i < sections; ++i) ini << "[Shelf " << i << "]\nIdentText=Z" << i << "!\n";
    fs::create_directory(folder / "home");
    return folder;
}

pid_t Spawn(const fs::path& exe, const fs::path& home) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0), dup2(null, 1), dup2(null, 2);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

bool ParentIsRoot(Display* d, Window w) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) return true;
    if (children) XFree(children);
    return parent == root;
}

// The icon: a window of the program that the tray host has embedded (its parent is not the
// root) and that is mapped itself (its new parent may still be unmapped for a moment).
bool IsTrayIcon(Display* d, Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) && a.map_state != IsUnmapped && !ParentIsRoot(d, w);
}

// The main window: a mapped top-level window larger than any icon (no window manager
// reparents it here).
bool IsMainWindow(Display* d, Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable && a.width > 100 &&
           ParentIsRoot(d, w);
}

// The tray host owns its selection once it takes icons: a program started earlier might
// find no tray. Its MANAGER announcement on the root window wakes us.
bool WaitForTrayHost(Display* d, std::chrono::seconds limit) {
    const Atom selection = XInternAtom(d, "_NET_SYSTEM_TRAY_S0", False);
    XSelectInput(d, DefaultRootWindow(d), StructureNotifyMask);
    const auto start = Clock::now();
    while (XGetSelectionOwner(d, selection) == None) {
        if (Clock::now() - start > limit) return false;
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
        }
        fd_set in;
        FD_ZERO(&in);
        FD_SET(ConnectionNumber(d), &in);
        timeval tv{0, 100000};
        select(ConnectionNumber(d) + 1, &in, nullptr, nullptr, &tv);
    }
    return true;
}

// Milliseconds from the start of `pid` to the map of its icon in the tray, or -1 after
// `limit`. Every new top-level window is watched from its creation; a map or a reparent of
// one, or 20 ms without news, looks at them all again, so no order of events is missed.
double StartToWindow(Display* d, pid_t* pid, const fs::path& exe, const fs::path& home,
                     std::chrono::seconds limit, bool (*found)(Display*, Window)) {
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, True);
    const auto start = Clock::now();
    *pid = Spawn(exe, home);
    std::set<Window> watched;
    const int fd = ConnectionNumber(d);
    while (Clock::now() - start < limit) {
        if (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == CreateNotify && e.xcreatewindow.parent == root) {
                watched.insert(e.xcreatewindow.window);
                XSelectInput(d, e.xcreatewindow.window, StructureNotifyMask);
            } else if (e.type != MapNotify && e.type != ReparentNotify) {
                continue;
            }
        } else {
            fd_set in;
            FD_ZERO(&in);
            FD_SET(fd, &in);
            timeval tv{0, 20000};
            select(fd + 1, &in, nullptr, nullptr, &tv);
        }
        for (Window w : watched)
            if (found(d, w))
                return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    return -1;
}

// utime + stime of every thread, in clock ticks.
long CpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string f;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14) utime = std::stol(f);
        if (i == 15) stime = std::stol(f);
    }
    return utime + stime;
}

// A "Name:   value kB" line's value from a /proc status-like file (0 when absent).
long Field(const std::string& file, const std::string& name) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(name + ":", 0) == 0) return std::atol(line.c_str() + name.size() + 1);
    return 0;
}

// Context switches of all threads: each is a wake-up (a timer, a socket, a signal).
long WakeUps(pid_t pid) {
    long total = 0;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
        const std::string status = (task.path() / "status").string();
        total +=
            Field(status, "voluntary_ctxt_switches") + Field(status, "nonvoluntary_ctxt_switches");
    }
    return total;
}

// Windows come and go while we watch them; a request about one that is gone is no fault.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    int status;
    waitpid(pid, &status, 0);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Starts {
    std::vector<double> ms, rssMb, pssMb;
};

// Starts exe `runs` times; each run is measured as its icon is mapped. The last copy is
// left running in *pid. False when an icon did not come.
bool MeasureStarts(Display* d, const fs::path& exe, const fs::path& home, int runs, pid_t* pid,
                   Starts& out) {
    for (int run = 0; run < runs; ++run) {
        const double ms = StartToWindow(d, pid, exe, home, std::chrono::seconds(20), IsTrayIcon);
        if (ms < 0) {
            std::fprintf(stderr, "%s run %d: no tray icon within 20 s\n", exe.c_str(), run + 1);
            Stop(*pid);
            return false;
        }
        const std::string proc = "/proc/" + std::to_string(*pid);
        out.ms.push_back(ms);
        out.rssMb.push_back(Field(proc + "/status", "VmRSS") / 1024.0);
        out.pssMb.push_back(Field(proc + "/smaps_rollup", "Pss") / 1024.0);
        if (run + 1 < runs) Stop(*pid);
    }
    return true;
}

void Print(const char* label, const Starts& s) {
    std::printf(
        "%-8s start to tray icon mapped: median %.1f ms (best %.1f, worst %.1f); "
        "at that moment VmRSS %.1f MB, Pss %.1f MB (medians of %zu runs)\n",
        label, Median(s.ms), *std::min_element(s.ms.begin(), s.ms.end()),
        *std::max_element(s.ms.begin(), s.ms.end()), Median(s.rssMb), Median(s.pssMb), s.ms.size());
}

// Start to the main window with `sections` types in the settings, median of `runs`.
int MeasureWindow(Display* d, const fs::path& program, int runs, int sections) {
    const fs::path folder = MakeProgramFolder(program, sections);
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        pid_t pid = -1;
        const double one = StartToWindow(d, &pid, folder / program.filename(), folder / "home",
                                         std::chrono::seconds(300), IsMainWindow);
        Stop(pid);
        if (one < 0) {
            std::fprintf(stderr, "run %d: no window within 300 s\n", run + 1);
            fs::remove_all(folder);
            return 1;
        }
        ms.push_back(one);
    }
    std::printf(
        "blenvar with %d types, start to window mapped: median %.1f ms (best %.1f, "
        "worst %.1f) of %d runs%s\n",
        sections, Median(ms), *std::min_element(ms.begin(), ms.end()),
        *std::max_element(ms.begin(), ms.end()), runs,
        std::getenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON") ? ", accessibility bus on" : "");
    fs::remove_all(folder);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int sections = -1;
    if (auto it = std::find(args.begin(), args.end(), "--sections");
        it != args.end() && it + 1 != args.end()) {
        sections = std::atoi((it + 1)->c_str());
        args.erase(it, it + 2);
    }
    const fs::path program =
        !args.empty() ? fs::path(args[0]) : fs::path(BLENVAR_BIN_DIR) / "blenvar";
    const int runs = args.size() > 1 ? std::atoi(args[1].c_str()) : 5;
    if (!fs::exists(program)) {
        std::printf("%s has not been built: nothing to measure\n", program.c_str());
        return 0;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "no display: run under tests/support/with-desktop --tray\n");
        return 2;
    }
    XSetErrorHandler(IgnoreXErrors);
    if (!WaitForTrayHost(d, std::chrono::seconds(20))) {
        std::fprintf(stderr, "no tray host on this display\n");
        return 2;
    }
    if (sections >= 0) {
        const int rc = MeasureWindow(d, program, runs, sections);
        XCloseDisplay(d);
        return rc;
    }
    const fs::path folder = MakeProgramFolder(program, 0);
    const fs::path exe = folder / program.filename();

    Starts reference, blenvar;
    pid_t pid = -1;
    const fs::path minimal = fs::path(BLENVAR_BIN_DIR) / "blenvar_minimal_tray";
    bool ok = MeasureStarts(d, minimal, folder / "home", runs, &pid, reference);
    if (ok) {
        Stop(pid);
        ok = MeasureStarts(d, exe, folder / "home", runs, &pid, blenvar);
    }
    if (!ok) {
        fs::remove_all(folder);
        return 1;
    }
    Print("minimal", reference);
    Print("blenvar", blenvar);

    // The last copy keeps running: let its start-up timer pass, then watch it idle.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long hz = sysconf(_SC_CLK_TCK);
    const long ticks0 = CpuTicks(pid), wakes0 = WakeUps(pid);
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const long ticks = CpuTicks(pid) - ticks0, wakes = WakeUps(pid) - wakes0;
    const std::string proc = "/proc/" + std::to_string(pid);
    std::printf("idle 10 s: CPU %.0f ms (%.2f %%), %ld wake-ups\n", 1000.0 * ticks / hz,
                100.0 * ticks / hz / 10.0, wakes);
    std::printf("blenvar after idling: VmRSS %.1f MB, Pss %.1f MB\n",
                Field(proc + "/status", "VmRSS") / 1024.0,
                Field(proc + "/smaps_rollup", "Pss") / 1024.0);
    Stop(pid);
    XCloseDisplay(d);
    fs::remove_all(folder);
    return 0;
}
