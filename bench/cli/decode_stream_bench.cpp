// blenvar-decode on a long stream of mixed AIM scans (EAN-13, EAN-13 with add-on, Code 128,
// Code 39) with its JSON lines, end to end through pipes; then, in this process, what one
// scan costs: its date and time stamp against the rest of its decoding and printing.
//   decode_stream_bench [BLENVAR_DECODE] [SCANS] [RUNS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/child.h"
#include "decode/decode_scan.h"
#include "platform/posix/system_clock.h"
#include "tools/decode_session.h"

using namespace blenvar;
using namespace blenvar::bench;

namespace {

// Scans as a scanner in AIM mode sends them, each ended by CR LF.
std::string MixedScans(size_t n) {
    static const char* kinds[] = {"]E04006381333931",
                                  "]E34006381333931"
                                  "12345",
                                  "]C0ABC-123/XYZ", "]A0CODE39-7", "]E09780306406157"};
    std::string all;
    all.reserve(n * 22);
    for (size_t i = 0; i < n; ++i) {
        all += kinds[i % 5];
        all += "\r\n";
    }
    return all;
}

struct Rate {
    double wall;  // lines a second of the run's time
    double cpu;   // lines a second of the program's own CPU time
};

Rate LinesPerSecond(const std::string& decode, const std::string& settings,
                    const std::string& input, size_t n) {
    const auto t0 = bench::Clock::now();
    Child c = Start({decode, "--settings", settings}, true);
    std::thread writer([&] {
        WriteAll(c.in, input);
        close(c.in);
    });
    size_t lines = 0;
    static char buf[1 << 16];
    for (ssize_t got; (got = read(c.out, buf, sizeof buf)) > 0;)
        lines += std::count(buf, buf + got, '\n');
    writer.join();
    const double s = MsSince(t0) / 1000;
    close(c.out);
    int status = 0;
    rusage ru{};
    wait4(c.pid, &status, 0, &ru);
    const double cpu =
        ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    if (lines != n) std::fprintf(stderr, "%zu lines for %zu scans\n", lines, n);
    return {lines / s, lines / cpu};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename F>
double NsPerScan(size_t n, F&& f) {
    const auto t0 = bench::Clock::now();
    for (size_t i = 0; i < n; ++i) f(i);
    return MsSince(t0) * 1e6 / n;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string decode = argc > 1 ? argv[1] : BLENVAR_DECODE;
    const size_t n = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1000000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    char dir[] = "/tmp/blenvar-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string settings = std::string(dir) + "/aim.ini";
    std::ofstream(settings) << "[Setup]\r\nEncoding=AIM\r\n[EAN 13]\r\nConvertISBNISSN=1\r\n";

    const std::string input = MixedScans(n);
    std::vector<double> wall, cpu;
    for (int r = 0; r < runs; ++r) {
        const Rate rate = LinesPerSecond(decode, settings, input, n);
        wall.push_back(rate.wall / 1e6);
        cpu.push_back(rate.cpu / 1e6);
    }
    std::printf(
        "blenvar-decode, %zu mixed AIM scans to JSON: median %.3f M lines/s "
        "(best %.3f, worst %.3f); %.3f M lines per second of its CPU time "
        "(medians of %d runs)\n",
        n, Median(wall), *std::max_element(wall.begin(), wall.end()),
        *std::min_element(wall.begin(), wall.end()), Median(cpu), runs);

    // The same work in this process, by part.
    std::vector<std::string> raws;
    for (size_t start = 0, end; (end = input.find('\r', start)) != std::string::npos;
         start = end + 2) {
        raws.push_back(input.substr(start, end - start));
        if (raws.size() == 5) break;
    }
    DecodeOptions opts;
    ScanDecoder decoder(opts, settings);
    decoder.Refresh();
    SystemClock clock;
    ScanStamp stamper;
    ScanRecord rec;
    size_t sink = 0;
    const double whole = NsPerScan(n, [&](size_t i) { sink += decoder.Line(raws[i % 5]).size(); });
    const double stamp = NsPerScan(n, [&](size_t) {
        stamper.Stamp(clock.LocalNow(), rec);
        sink += rec.Time.size();
    });
    const double formatted = NsPerScan(n, [&](size_t) {
        const std::tm now = clock.LocalNow();
        rec.Time = FormatScanTime(now);
        rec.Date = FormatScanDate(now);
        sink += rec.Time.size();
    });
    std::printf(
        "per scan in process: %.0f ns in all, of which stamping %.0f ns and decoding "
        "with its JSON line %.0f ns (stamping with the texts made for every scan: "
        "%.0f ns)%s\n",
        whole, stamp, whole - stamp, formatted, sink ? "" : " ");
    std::filesystem::remove_all(dir);
    return 0;
}
