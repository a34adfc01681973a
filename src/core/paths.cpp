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

namespace {

// A base folder: the variable when absolute (a relative one is invalid and ignored, as the
// base-directory rules say), else `inHome` inside the home folder.
std::string BaseFolder(const char* variable, const std::string& inHome) {
    if (const char* x = std::getenv(variable); x && x[0] == '/') return x;
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + inHome;
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] != '\0')
        return std::string(found->pw_dir) + inHome;
    return {};
}

}  // namespace

std::string ConfigHome() {
    return BaseFolder("XDG_CONFIG_HOME", "/.config");
}

std::string StateHome() {
    return BaseFolder("XDG_STATE_HOME", "/.local/state");
}

std::string BlenvarStateFolder() {
    const std::string home = StateHome();
    if (home.empty()) return {};
    const std::string dir = home + "/blenvar";
    std::error_code ec;
    if (std::filesystem::create_directories(dir, ec))
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, ec);
    return dir;
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
