// How fast blenvar turns a scanner's keys into a delivered scan: start key press to scan
// open, and stop key press to the raw text shown (InputText) and to the file line written.
// Run on a desktop:
//   tests/support/with-desktop --x -- build/bin/blenvar_capture_scan_bench [SCANS]
// blenvar runs from a temporary copy of the build's folder with BLENVAR_TRACE_CAPTURE set;
// its trace lines carry steady-clock microseconds, the clock this program reads too.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr char kSettings[] =
    "[Setup]\nEncoding=Other\nStart_Action=1\nStart_State=0\nStart_VCode=123\nStart_SCode=88\n"
    "Stop_Action=1\nStop_State=0\nStop_VCode=13\nStop_SCode=28\n"
    "[UNKNOWN]\nSendToClipboard=1\nClipboardMask=%%C\nSaveToFile=1\nFileFormat=%%C\nFileName=";

long long NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// blenvar's stderr, read line by line.
struct Trace {
    int fd = -1;
    std::string buffer;

    // The time on the next line "blenvar-trace: WHAT T", or -1 after `timeoutMs`.
    long long Await(const std::string& what, int timeoutMs) {
        const std::string tag = "blenvar-trace: " + what + " ";
        const long long end = NowUs() + timeoutMs * 1000LL;
        for (;;) {
            for (std::size_t nl; (nl = buffer.find('\n')) != std::string::npos;) {
                const std::string line = buffer.substr(0, nl);
                buffer.erase(0, nl + 1);
                if (line.rfind(tag, 0) == 0) return std::atoll(line.c_str() + tag.size());
            }
            const long long left = (end - NowUs()) / 1000;
            pollfd p{fd, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, int(left)) <= 0) return -1;
            char chunk[4096];
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n <= 0) return -1;
            buffer.append(chunk, std::size_t(n));
        }
    }
};

pid_t Spawn(const fs::path& folder, int* stderrFd) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 2);
        close(pipeFds[0]);
        const fs::path home = folder / "home";
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("BLENVAR_TRACE_CAPTURE", "1", 1);
        const std::string exe = (folder / "blenvar").string();
        execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    *stderrFd = pipeFds[0];
    return pid;
}

void Key(Display* d, KeySym sym, bool down) {
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, sym), down, CurrentTime);
    XFlush(d);
}

// Microseconds until the file holds `lines` lines, or -1.
long long AwaitLines(const fs::path& file, std::size_t lines, long long from) {
    while (NowUs() - from < 5'000'000) {
        std::ifstream in(file);
        std::size_t n = 0;
        for (std::string l; std::getline(in, l);) ++n;
        if (n >= lines) return NowUs() - from;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return -1;
}

void Report(const char* what, std::vector<double> ms) {
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) { return ms[std::min(ms.size() - 1, std::size_t(q * ms.size()))]; };
    std::printf("%-32s p50 %6.2f ms  p95 %6.2f ms  max %6.2f ms  (n=%zu)\n", what, at(0.5),
                at(0.95), ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    const int scans = argc > 1 ? std::atoi(argv[1]) : 50;
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "no display (run under tests/support/with-desktop --x)\n");
        return 2;
    }
    char pattern[] = "/tmp/blenvar-bench-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    for (const auto& e : fs::directory_iterator(BLENVAR_BIN_DIR)) {
        const auto name = e.path().filename().string();
        if (name == "blenvar" || e.path().extension() == ".wav" || e.path().extension() == ".htm")
            fs::copy(e.path(), folder / name);
    }
    fs::create_directory(folder / "home");
    const fs::path out = folder / "scans.txt";
    std::ofstream(folder / "blenvar.ini") << kSettings << out.string() << "\n";

    Trace trace;
    const pid_t pid = Spawn(folder, &trace.fd);
    int rc = 0;
    std::vector<double> open, filled, written;
    if (trace.Await("capture ready", 30000) < 0) {
        std::fprintf(stderr, "blenvar did not start capturing\n");
        rc = 1;
    }
    for (int i = 0; rc == 0 && i < scans; ++i) {
        const long long t0 = NowUs();
        Key(d, XK_F12, true);
        const long long opened = trace.Await("scan opened", 2000);
        Key(d, XK_F12, false);
        for (KeySym k : {XK_4, XK_2, XK_0, XK_1, XK_2, XK_3, XK_4})
            Key(d, k, true), Key(d, k, false);
        XSync(d, False);
        const long long t1 = NowUs();
        Key(d, XK_Return, true);
        const long long captured = trace.Await("scan captured", 2000);
        const long long line = AwaitLines(out, std::size_t(i) + 1, t1);
        Key(d, XK_Return, false);
        if (opened < 0 || captured < 0 || line < 0) {
            std::fprintf(stderr, "scan %d was not delivered\n", i + 1);
            rc = 1;
            break;
        }
        open.push_back((opened - t0) / 1000.0);
        filled.push_back((captured - t1) / 1000.0);
        written.push_back(line / 1000.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    Report("start key -> scan open", open);
    Report("stop key -> InputText filled", filled);
    Report("stop key -> file line written", written);

    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(d);
    fs::remove_all(folder);
    return rc;
}
