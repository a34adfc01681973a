// blenvar-decode against settings files of many sections: one scan decoded at 5,000, 10,000
// and 20,000 sections (the cost must grow in step with the file), then one scan through
// --deliver at 20,000 sections, with a new sound database and with the one it left.
//   sections_bench [BLENVAR_DECODE] [SECTIONS]     (SECTIONS: the --deliver file's count)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/child.h"

using namespace blenvar::bench;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Identifier mode with a type per section; the scan matches none, so each is tried.
void WriteSettings(const std::string& path, int sections) {
    std::ofstream out(path, std::ios::binary);
    out << "[Setup]\r\nStart_Action=1\r\n";
    for (int i = 0; i < sections; ++i)
        out << "[Shelf " << i << "]\r\nIdentText=Z" << i << "!\r\nKeyboardMask=%%C\r\n";
}

// Milliseconds from start to the first line of output (the scan's); the program is then
// left to end.
double FirstLine(const std::vector<std::string>& argv, const std::string& input,
                 const std::vector<std::string>& env = {}) {
    const auto t0 = Clock::now();
    Child c = Start(argv, !input.empty(), env);
    if (!input.empty()) WriteAll(c.in, input);
    char ch;
    while (read(c.out, &ch, 1) == 1 && ch != '\n') {
    }
    const double ms = MsSince(t0);
    if (c.in >= 0) close(c.in);
    c.in = -1;
    Reap(c);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string decode = argc > 1 ? argv[1] : BLENVAR_DECODE;
    const int deliverSections = argc > 2 ? std::atoi(argv[2]) : 20000;
    char dir[] = "/tmp/blenvar-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string folder = dir, settings = folder + "/blenvar.ini";
    const std::string scan = "NO-SUCH-IDENTIFIER-1234";

    for (int n : {5000, 10000, 20000}) {
        WriteSettings(settings, n);
        std::vector<double> ms;
        for (int run = 0; run < 3; ++run)
            ms.push_back(FirstLine({decode, "--settings", settings, scan}, ""));
        std::printf("decode one scan, %6d sections: %8.1f ms (median of 3)\n", n, Median(ms));
    }

    WriteSettings(settings, deliverSections);
    const std::vector<std::string> env{"XDG_CONFIG_HOME=" + folder + "/config"};
    const std::vector<std::string> deliver{decode, "--deliver", "--settings", settings};
    const double first = FirstLine(deliver, scan + "\n", env);
    const double again = FirstLine(deliver, scan + "\n", env);
    std::printf(
        "--deliver one scan, %6d sections: %8.1f ms with a new sound database, %8.1f ms "
        "with the one it left\n",
        deliverSections, first, again);
    std::filesystem::remove_all(folder);
    return 0;
}
