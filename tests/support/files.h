#pragma once
// Whole files in and out, for tests that check what a program wrote.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace blenvar::testing {

// The file's bytes; "" when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Writes `text` as the whole file, making its folders first.
inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace blenvar::testing
