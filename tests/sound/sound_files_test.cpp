// The generated scan sounds beside the executables: format, length, and that they differ.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

TEST(SoundFiles, AreShortDistinctMono16BitPcm) {
    const auto folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    // RIFF/WAVE, a 16-byte PCM "fmt " chunk: mono, 44100 Hz, 88200 bytes/s, 2-byte frames,
    // 16 bits; then the data chunk.
    const std::string header(
        "WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\x02\0\x10\0data", 32);
    std::set<std::string> bodies;
    for (const char* name : {"buzz.wav", "zing.wav", "boin.wav"}) {
        std::ifstream in(folder / name, std::ios::binary);
        const std::string b((std::istreambuf_iterator<char>(in)), {});
        ASSERT_GE(b.size(), 44u) << name;
        EXPECT_EQ(b.substr(0, 4) + b.substr(8, 32), "RIFF" + header) << name;
        const auto u32 = [&](std::size_t at) {
            return std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8 |
                   std::uint8_t(b[at + 2]) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
        };
        EXPECT_EQ(u32(40), b.size() - 44) << name;
        EXPECT_EQ(u32(4), b.size() - 8) << name;
        const double seconds = (b.size() - 44) / 88200.0;
        EXPECT_TRUE(seconds >= 0.15 && seconds <= 0.5) << name << ": " << seconds << " s";
        bodies.insert(b.substr(44));
    }
    EXPECT_EQ(bodies.size(), 3u) << "not distinct";
}

}  // namespace
