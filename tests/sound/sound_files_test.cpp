// The generated scan sounds beside the executables: format, length, and that they differ.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::string BinFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

std::uint32_t U32(const std::string& b, std::size_t at) {
    return std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8 | std::uint8_t(b[at + 2]) << 16 |
           std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}

TEST(SoundFiles, AreShortDistinctMono16BitPcm) {
    std::vector<std::string> bodies;
    for (const char* name : {"buzz.wav", "zing.wav", "boin.wav"}) {
        std::ifstream in(BinFolder() + "/" + name, std::ios::binary);
        ASSERT_TRUE(in) << name;
        const std::string b((std::istreambuf_iterator<char>(in)), {});
        ASSERT_GE(b.size(), 44u) << name;
        EXPECT_EQ(b.substr(0, 4) + b.substr(8, 8), "RIFFWAVEfmt ") << name;
        EXPECT_EQ(U32(b, 20), 0x10001u) << name << ": PCM, mono";
        EXPECT_EQ(U32(b, 24), 44100u) << name;
        EXPECT_EQ(U32(b, 32) >> 16, 16u) << name;
        ASSERT_EQ(b.substr(36, 4), "data") << name;
        EXPECT_EQ(U32(b, 40), b.size() - 44) << name;
        const double seconds = (b.size() - 44) / 2.0 / 44100.0;
        EXPECT_GE(seconds, 0.15) << name;
        EXPECT_LE(seconds, 0.5) << name;
        bodies.push_back(b.substr(44));
    }
    EXPECT_EQ(std::set<std::string>(bodies.begin(), bodies.end()).size(), 3u) << "not distinct";
}

}  // namespace
