// blenvar-decode as a process: start to first line against /bin/true with the peak
// resident size, and scans a second through standard input in AIM and identifier mode.
//   decode_cli_bench [BLENVAR_DECODE] [SCANS]
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

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Time until the first output line (or the end of output), and peak RSS in KiB.
void StartUp(const std::vector<std::string>& argv, double& ms, long& rssKb) {
    std::vector<double> times;
    rssKb = 0;
    for (int i = 0; i < 100; ++i) {
        const auto t0 = Clock::now();
        Child c = Start(argv, false);
        char ch;
        while (read(c.out, &ch, 1) == 1 && ch != '\n') {
        }
        times.push_back(MsSince(t0));
        rssKb = std::max(rssKb, Reap(c));
    }
    ms = Median(times);
}

// The i-th scan with its line end (CR, LF or CR LF in turn).
std::string Scan(size_t i, bool identifiers) {
    static const char* aim[] = {"]E04012345678901]E212345",
                                "]E00036000291452",
                                "]C0ABC-123",
                                "]A0CODE39",
                                "]X00201633612",
                                "no identifier"};
    static const char* ident[] = {"94012345678901", "#CODE39", "CABC-123",
                                  "U036000291452",  "X123",    "Q0201633612"};
    static const char* ends[] = {"\r", "\n", "\r\n"};
    return std::string((identifiers ? ident : aim)[i % 6]) + ends[i % 3];
}

void Throughput(const std::string& decode, const std::string& settings, const char* label, size_t n,
                bool identifiers) {
    const auto t0 = Clock::now();
    Child c = Start({decode, "--settings", settings}, true);
    // Made as it is written, so our own memory stays small: a child's peak RSS includes
    // what it shared with us before exec.
    std::thread writer([&] {
        std::string chunk;
        for (size_t i = 0; i < n; ++i) {
            chunk += Scan(i, identifiers);
            if (chunk.size() >= 65536 || i + 1 == n) {
                WriteAll(c.in, chunk);
                chunk.clear();
            }
        }
        close(c.in);
    });
    size_t lines = 0;
    char buf[65536];
    for (ssize_t got; (got = read(c.out, buf, sizeof buf)) > 0;)
        lines += std::count(buf, buf + got, '\n');
    writer.join();
    const double s = MsSince(t0) / 1000;
    c.in = -1;
    const long rss = Reap(c);
    std::printf("%-11s %8zu scans  %9.0f scans/s  %6.1f MB peak RSS%s\n", label, n, lines / s,
                rss / 1024.0, lines == n ? "" : "  (LINES MISSING)");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string decode = argc > 1 ? argv[1] : BLENVAR_DECODE;
    const size_t n = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1000000;
    char dir[] = "/tmp/blenvar-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string aim = std::string(dir) + "/aim.ini", ident = std::string(dir) + "/ident.ini";
    std::ofstream(aim) << "[Setup]\r\nEncoding=AIM\r\n";
    std::ofstream(ident) << "[EAN 13]\r\nIdentText=9\r\n[CODE 39]\r\nIdentText=#\r\n"
                            "[CODE 128]\r\nIdentText=C\r\n[UPC-A]\r\nIdentText=U\r\n"
                            "[ISBN]\r\nIdentText=Q\r\n";

    double trueMs, decodeMs;
    long trueRss, decodeRss;
    StartUp({"/bin/true"}, trueMs, trueRss);
    StartUp({decode, "--settings", aim, "]E00036000291452"}, decodeMs, decodeRss);
    std::printf(
        "start to first line (median of 100): /bin/true %.2f ms, blenvar-decode %.2f ms "
        "(%.1fx); peak RSS %.1f MB (/bin/true %.1f MB)\n",
        trueMs, decodeMs, decodeMs / trueMs, decodeRss / 1024.0, trueRss / 1024.0);
    Throughput(decode, aim, "AIM", n, false);
    Throughput(decode, aim, "AIM", n / 10, false);
    Throughput(decode, ident, "identifier", n / 2, true);
    std::filesystem::remove_all(dir);
    return 0;
}
