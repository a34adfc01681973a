// Scan to delivery: blenvar-decode --deliver saves each scan to a file; each scan is
// written to its standard input alone and timed until its line is in the file.
//   deliver_latency_bench [BLENVAR_DECODE] [SCANS]
// Run it as it is (no audio server) and under tests/support/with-desktop --audio.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/child.h"

using namespace blenvar::bench;

namespace {

off_t FileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// Waits (polling every 0.2 ms, at most 5 s) until the file has grown past size and ends
// with a line end; returns the new size, or -1.
off_t WaitForLine(const std::string& path, off_t size) {
    for (const auto t0 = Clock::now(); MsSince(t0) < 5000;) {
        const off_t now = FileSize(path);
        if (now > size) {
            std::ifstream f(path, std::ios::binary);
            f.seekg(now - 1);
            if (f.get() == '\n') return now;
        }
        usleep(200);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string decode = argc > 1 ? argv[1] : BLENVAR_DECODE;
    const int scans = argc > 2 ? std::atoi(argv[2]) : 100;
    char dir[] = "/tmp/blenvar-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string folder = dir, settings = folder + "/blenvar.ini",
                      file = folder + "/scans.txt";
    std::ofstream(settings) << "[Setup]\r\nEncoding=AIM\r\n[CODE 128]\r\nSaveToFile=1\r\n"
                               "FileName="
                            << file << "\r\n";

    Child c = Start({decode, "--deliver", "--settings", settings}, true,
                    {"XDG_CONFIG_HOME=" + folder + "/config"});
    std::thread drain([&] {
        char buf[4096];
        while (read(c.out, buf, sizeof buf) > 0) {
        }
    });
    // The first scan also pays for the start-up; it is not counted.
    const auto started = Clock::now();
    WriteAll(c.in, "]C0WARMUP\n");
    off_t size = WaitForLine(file, 0);
    const double firstMs = MsSince(started);
    std::vector<double> ms;
    for (int i = 0; i < scans && size >= 0; ++i) {
        usleep(30000);  // scans come one at a time, as from a hand scanner
        const auto t0 = Clock::now();
        WriteAll(c.in, "]C0SCAN" + std::to_string(i) + "\n");
        size = WaitForLine(file, size);
        if (size >= 0) ms.push_back(MsSince(t0));
    }
    close(c.in);
    c.in = -1;
    drain.join();
    c.out = -1;
    Reap(c);
    std::filesystem::remove_all(folder);
    if (ms.size() != static_cast<size_t>(scans)) {
        std::fprintf(stderr, "only %zu of %d scans reached the file\n", ms.size(), scans);
        return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "scan to file line over %d scans: p50 %.2f ms, p95 %.2f ms, max %.2f ms "
        "(first scan with start-up %.0f ms)\n",
        scans, ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back(), firstMs);
    return 0;
}
