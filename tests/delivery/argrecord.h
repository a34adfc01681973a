#pragma once
// Reads files the tests' programs wrote, blenvar-argrecord's argument lists among them.
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"

namespace blenvar::testing {

inline bool WaitForFile(const std::string& path, int timeoutMs = 5000) {
    for (int waited = 0; waited < timeoutMs && !std::filesystem::exists(path); waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return std::filesystem::exists(path);
}

// Each argument ends in a NUL.
inline std::vector<std::string> ReadRecordedArgs(const std::string& path) {
    std::vector<std::string> args;
    std::istringstream in(ReadFile(path));
    for (std::string arg; std::getline(in, arg, '\0');) args.push_back(arg);
    return args;
}

}  // namespace blenvar::testing
