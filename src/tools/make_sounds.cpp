// Writes the program's three scan sounds (16-bit PCM mono, 44.1 kHz) into a folder:
//   blenvar-make-sounds OUTPUT_DIR
// a harsh low buzz (bad scan), a bright rising tone (good scan) and a "boing" with
// falling pitch (unknown scan), under the names scan_sounds.h gives them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "components/sound/scan_sounds.h"

using blenvar::kBadScanFile;
using blenvar::kGoodScanFile;
using blenvar::kUnknownScanFile;

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// Short linear ramps at both ends so no sound starts or stops with a click.
double Edges(double t, double len, double attack, double release) {
    double g = 1.0;
    if (t < attack) g = t / attack;
    if (t > len - release) g = std::min(g, (len - t) / release);
    return std::max(g, 0.0);
}

// Renders len seconds; wave(t, dt) returns a sample in [-1, 1].
std::vector<std::int16_t> Render(double len, const std::function<double(double, double)>& wave) {
    const int n = static_cast<int>(len * kRate);
    std::vector<std::int16_t> out(n);
    const double dt = 1.0 / kRate;
    for (int i = 0; i < n; ++i) {
        double v = std::clamp(wave(i * dt, dt), -1.0, 1.0);
        out[i] = static_cast<std::int16_t>(std::lround(v * 32000.0));
    }
    return out;
}

std::vector<std::int16_t> Buzz() {
    const double len = 0.40;
    double p1 = 0, p2 = 0;
    return Render(len, [&](double t, double dt) {
        // Two slightly detuned square waves beat against each other: a rough, low buzz.
        p1 += 110.0 * dt;
        p2 += 116.5 * dt;
        double sq1 = std::fmod(p1, 1.0) < 0.5 ? 1.0 : -1.0;
        double saw2 = 2.0 * std::fmod(p2, 1.0) - 1.0;
        return 0.45 * (sq1 * 0.6 + saw2 * 0.4) * Edges(t, len, 0.004, 0.03);
    });
}

std::vector<std::int16_t> Zing() {
    const double len = 0.20;
    double phase = 0;
    return Render(len, [&](double t, double dt) {
        double f = 1400.0 * std::pow(2.0, t / len);  // one octave up over the sound
        phase += 2 * kPi * f * dt;
        double decay = std::exp(-6.0 * t);
        double v = std::sin(phase) * 0.75 + std::sin(2 * phase) * 0.2;
        return 0.8 * v * decay * Edges(t, len, 0.003, 0.02);
    });
}

std::vector<std::int16_t> Boin() {
    const double len = 0.45;
    double phase = 0;
    return Render(len, [&](double t, double dt) {
        // Falling pitch with a wobble, like a spring that lets go.
        double f = 150.0 + 450.0 * std::exp(-5.0 * t);
        f *= 1.0 + 0.06 * std::sin(2 * kPi * 14.0 * t);
        phase += 2 * kPi * f * dt;
        double decay = std::exp(-3.5 * t);
        return 0.85 * (std::sin(phase) + 0.15 * std::sin(3 * phase)) * decay *
               Edges(t, len, 0.004, 0.04);
    });
}

void Put16(std::ofstream& o, std::uint16_t v) {
    char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    o.write(b, 2);
}
void Put32(std::ofstream& o, std::uint32_t v) {
    Put16(o, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(o, static_cast<std::uint16_t>(v >> 16));
}

bool WriteWav(const std::string& path, const std::vector<std::int16_t>& samples) {
    std::ofstream o(path, std::ios::binary | std::ios::trunc);
    if (!o) return false;
    const std::uint32_t data = static_cast<std::uint32_t>(samples.size() * 2);
    o.write("RIFF", 4);
    Put32(o, 36 + data);
    o.write("WAVEfmt ", 8);
    Put32(o, 16);
    Put16(o, 1);  // PCM
    Put16(o, 1);  // mono
    Put32(o, kRate);
    Put32(o, kRate * 2);
    Put16(o, 2);
    Put16(o, 16);
    o.write("data", 4);
    Put32(o, data);
    for (std::int16_t s : samples) Put16(o, static_cast<std::uint16_t>(s));
    o.close();
    return static_cast<bool>(o);
}

constexpr const char* kUsage = "usage: blenvar-make-sounds OUTPUT_DIR";

int Printable(std::string_view s) {
    return static_cast<int>(s.size());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string arg = argc == 2 ? argv[1] : "";
    if (arg == "-h" || arg == "--help") {
        std::printf(
            "%s\n\nWrites the scan sounds %.*s (bad scan), %.*s (good scan) and\n"
            "%.*s (unknown scan) into OUTPUT_DIR, replacing files of those names.\n\n"
            "  -h, --help     show this text\n"
            "  -v, --version  show the version\n",
            kUsage, Printable(kBadScanFile), kBadScanFile.data(), Printable(kGoodScanFile),
            kGoodScanFile.data(), Printable(kUnknownScanFile), kUnknownScanFile.data());
        return 0;
    }
    if (arg == "-v" || arg == "--version") {
        std::printf("blenvar-make-sounds %s\n", BLENVAR_VERSION);
        return 0;
    }
    if (argc != 2 || (arg.size() > 1 && arg[0] == '-')) {
        std::fprintf(stderr, "blenvar-make-sounds: %s\n", kUsage);
        return 2;
    }
    const std::string& dir = arg;
    const struct {
        std::string_view name;
        std::vector<std::int16_t> samples;
    } files[] = {{kBadScanFile, Buzz()}, {kGoodScanFile, Zing()}, {kUnknownScanFile, Boin()}};
    for (const auto& f : files) {
        const std::string path = dir + "/" + std::string(f.name);
        if (!WriteWav(path, f.samples)) {
            std::fprintf(stderr, "%s: can't write %s\n", argv[0], path.c_str());
            return 1;
        }
    }
    return 0;
}
