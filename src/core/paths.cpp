#include "core/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace blenvar {

std::string ExecutableFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
}

static std::string ConfigHome() {
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return x;
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config";
    return ".";
}

std::string MainSettingsFile(const std::string& programFolder, const std::string& exeName) {
    const std::string name = exeName + ".ini";
    if (access(programFolder.c_str(), W_OK) == 0) return programFolder + "/" + name;
    std::string dir = ConfigHome() + "/blenvar";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir + "/" + name;
}

std::string FolderOf(const std::string& path) {
    auto parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

}  // namespace blenvar
