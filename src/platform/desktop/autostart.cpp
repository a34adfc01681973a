#include "platform/desktop/autostart.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "core/atomic_file.h"
#include "core/paths.h"

namespace blenvar {
namespace {

namespace fs = std::filesystem;

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

// One Exec= argument: quoted when it holds a reserved character, then '%' doubled so it
// is no field code, then escaped as a desktop-file string value.
std::string ExecArgument(std::string_view arg) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string quoted;
    if (arg.find_first_of(reserved) == std::string_view::npos) {
        quoted = arg;
    } else {
        quoted = "\"";
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
            quoted += c;
        }
        quoted += '"';
    }
    std::string out;
    for (char c : quoted) {
        switch (c) {
            case '%':
                out += "%%";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Reason(const std::string& what, const std::string& file, int err) {
    return what + " " + file + ": " + std::strerror(err);
}

}  // namespace

std::string AutostartFile() {
    const std::string home = ConfigHome();
    return home.empty() ? std::string() : home + "/autostart/blenvar.desktop";
}

std::string AutostartCommand(const std::string& program, const std::string& pathVariable) {
    const std::string name = fs::path(program).filename().string();
    std::string_view rest = pathVariable;
    while (!name.empty()) {
        const size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        // Only absolute folders: a relative one depends on where the session starts. The
        // first program of that name is the one the session would start.
        const fs::path candidate = fs::path(dir) / name;
        if (dir.starts_with('/') && ::access(candidate.c_str(), X_OK) == 0)
            return SameFile(candidate, program) ? name : ExecArgument(program);
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return ExecArgument(program);
}

std::string AutostartEntry(const std::string& command) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Blenvar\n"
           "Comment=" BLENVAR_DESCRIPTION
           "\n"
           "Exec=" +
           command +
           "\n"
           "Icon=blenvar\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEnabled(const std::string& file) {
    std::error_code ec;
    return !file.empty() && fs::exists(file, ec);
}

bool WriteAutostart(const std::string& file, const std::string& entry, std::string& error) {
    if (file.empty()) {
        error = "no home folder is known for the autostart entry";
        return false;
    }
    const fs::path folder = fs::path(file).parent_path();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        error = Reason("cannot make the folder", folder.string(), ec.value());
        return false;
    }
    // Replaced in one step, so a session starting meanwhile never reads half. No lock
    // file: only one copy of Blenvar runs, and a lock would litter the autostart folder.
    ReplaceTarget target;
    errno = 0;
    if (!ResolveReplaceTarget(file, target) || !ReplaceFile(target, entry)) {
        error = Reason("cannot write", file, errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

bool RemoveAutostart(const std::string& file, std::string& error) {
    if (file.empty() || ::unlink(file.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR)
        return true;
    error = Reason("cannot remove", file, errno);
    return false;
}

}  // namespace blenvar
