// A 2,000-character HID POS scan (36 reports of the common layout) from its last report to
// its line in the file: the reports go through a packet socket (it keeps report
// boundaries, as a hidraw node does) into the reader the program uses, then decoding and
// the file action. Then the wake-ups of blenvar-decode --capture with a HID POS watch and a
// silent serial scanner (a pty) over a few idle seconds.
//   blenvar_pos_scan_bench [SCANS]
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "capture/pos_scanner.h"
#include "delivery/delivery_fakes.h"
#include "output/scan_pipeline.h"
#include "platform/evdev/hid_pos_reader.h"
#include "platform/posix/posix_file_appender.h"
#include "platform/posix/system_clock.h"
#include "settings/code_types.h"
#include "support/process.h"

using namespace blenvar;
using Steady = std::chrono::steady_clock;

namespace {

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Voluntary plus involuntary context switches of every thread of `pid`.
long Switches(pid_t pid) {
    long total = 0;
    std::error_code ec;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
        std::ifstream in(task.path() / "status");
        for (std::string line; std::getline(in, line);)
            if (line.find("ctxt_switches:") != std::string::npos)
                total += std::stol(line.substr(line.find(':') + 1));
    }
    return total;
}

void Latency(int scans) {
    testing::TempIni dir;
    const std::string file = dir.folder() + "/qr.txt";
    INIFile ini;
    ini.SetFileName(dir.folder() + "/blenvar.ini");
    std::ofstream(dir.folder() + "/blenvar.ini")
        << "[Setup]\nEncoding=Normal\n[QR CODE]\nSaveToFile=1\nSendToClipboard=0\nFileName=" << file
        << "\n";
    ini.Refresh();
    const std::vector<std::string> types = LoadCodeTypes(ini);
    testing::FakeDesktop desk;
    PosixFileAppender files;
    SystemClock clock;
    ScanPipeline pipeline(
        {ini, types, desk, desk, desk, clock},
        {ini, desk, nullptr, desk, desk, desk, desk, files, desk, desk, dir.folder()});

    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return;
    fcntl(pair[0], F_SETFL, fcntl(pair[0], F_GETFL) | O_NONBLOCK);
    PosReportReader reader(pair[0], "bench scanner", *FindScannedDataReport(pos::kDescriptor));
    std::mutex m;
    std::condition_variable cv;
    int delivered = 0;
    std::thread thread([&] {
        for (int seen = 0; seen < scans;) {
            pollfd p{reader.Fd(), POLLIN, 0};
            poll(&p, 1, -1);
            reader.ReadWaiting([&](const PosScan& scan, const std::string&) {
                pipeline.Add(scan.Raw(), true);
                pipeline.Run();
                std::lock_guard hold(m);
                ++delivered;
                ++seen;
                cv.notify_all();
            });
        }
    });
    std::string data;
    for (int i = 0; data.size() < 2000; ++i) data += char('A' + i % 26);
    std::vector<std::vector<std::uint8_t>> reports;
    for (std::size_t at = 0; at < data.size(); at += 56)
        reports.push_back(pos::Report("]Q1", data.substr(at, 56), at + 56 < data.size()));
    std::vector<double> ms;
    for (int i = 0; i < scans; ++i) {
        for (std::size_t r = 0; r + 1 < reports.size(); ++r)
            [[maybe_unused]] auto n = write(pair[1], reports[r].data(), reports[r].size());
        const auto t0 = Steady::now();
        [[maybe_unused]] auto n = write(pair[1], reports.back().data(), reports.back().size());
        std::unique_lock hold(m);
        cv.wait(hold, [&] { return delivered > i; });
        ms.push_back(Ms(Steady::now() - t0));
    }
    thread.join();
    close(pair[1]);
    std::sort(ms.begin(), ms.end());
    const auto lines =
        std::count(std::istreambuf_iterator<char>(std::ifstream(file).rdbuf()), {}, '\n');
    std::printf(
        "HID POS scan of %zu characters in %zu reports, last report to file line: "
        "p50 %.3f ms, p95 %.3f ms, max %.3f ms (%d scans, %ld lines written)\n",
        data.size(), reports.size(), ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back(), scans,
        long(lines));
}

void IdleWakeups(const std::string& decode) {
    testing::TempIni dir;
    int master = -1, slave = -1;
    char name[256];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    std::ofstream(dir.folder() + "/idle.ini")
        << "[Setup]\nPosScanners=Auto\nSerialScanner=" << name << ",9600,8N1\n";
    const std::string err = dir.folder() + "/err";
    testing::Spawned capture({decode, "--capture", "--settings", dir.folder() + "/idle.ini"}, {},
                             "/dev/null", err);
    // Settled once it says it captures.
    while (testing::ReadFile(err).find("capturing") == std::string::npos && !capture.Ended())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const long before = Switches(capture.Pid());
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const long after = Switches(capture.Pid());
    std::printf(
        "blenvar-decode --capture idle (HID POS watch, silent serial scanner): "
        "%ld wake-ups in 5 s\n",
        after - before);
    close(master);
    close(slave);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Latency(argc > 1 ? std::atoi(argv[1]) : 300);
    IdleWakeups(BLENVAR_DECODE);
    return 0;
}
