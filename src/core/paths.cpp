#include "core/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace blenvar {

std::string ExecutableFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
}

std::string ConfigHome() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules say.
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && x[0] == '/') return x;
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config";
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] != '\0')
        return std::string(found->pw_dir) + "/.config";
    return {};
}

std::string BlenvarConfigFolder() {
    const std::string home = ConfigHome();
    return home.empty() ? std::string() : home + "/blenvar";
}

bool SystemProgramFolder(const std::string& folder) {
    // Compared after resolving links and "..", so no spelling of a folder inside /usr or /opt
    // (nor a link from elsewhere into them) passes as a private one.
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(folder, ec);
    if (ec) p = std::filesystem::path(folder).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    for (const std::string top : {"/usr", "/opt"})
        if (s == top || s.starts_with(top + "/")) return true;
    return false;
}

std::string MainSettingsFile(const std::string& programFolder, const std::string& exeName) {
    const std::string name = exeName + ".ini";
    // A package's folder is never written, even by root: removing the package would leave
    // the settings and lock files behind.
    if (!SystemProgramFolder(programFolder) && access(programFolder.c_str(), W_OK) == 0)
        return programFolder + "/" + name;
    std::string dir = BlenvarConfigFolder();
    if (dir.empty()) return name;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir + "/" + name;
}

std::string FolderOf(const std::string& path) {
    auto parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

}  // namespace blenvar
