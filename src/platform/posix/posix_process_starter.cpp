#include "platform/posix/posix_process_starter.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

extern char** environ;

namespace blenvar {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Used when the environment has no PATH, as execvp would.
constexpr const char* kDefaultPath = "/usr/local/bin:/usr/bin:/bin";

}  // namespace

std::vector<std::string> CopyEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) env.emplace_back(*e);
    return env;
}

std::string FindExecutable(const std::string& name, const std::string& searchPath) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string::npos) end = searchPath.size();
        std::string dir = searchPath.substr(start, end - start);
        if (dir.empty()) dir = ".";
        std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

PosixProcessStarter::PosixProcessStarter(std::vector<std::string> environment)
    : environment_(std::move(environment)), path_(kDefaultPath) {
    for (const auto& entry : environment_) {
        if (entry.rfind("PATH=", 0) == 0) {
            path_ = entry.substr(5);
            break;  // the first one counts, as for getenv
        }
    }
}

std::string PosixProcessStarter::FindProgram(const std::string& name) {
    return FindExecutable(name, path_);
}

std::string PosixProcessStarter::FindDocument(const std::string& path) {
    if (path.empty()) return {};
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return {};
    std::string resolved(real);
    std::free(real);
    struct stat st {};
    if (stat(resolved.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    if ((st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) return {};
    return resolved;
}

bool PosixProcessStarter::Start(const std::string& program, const std::vector<std::string>& args,
                                std::string& error) {
    std::string resolved = FindExecutable(program, path_);
    if (resolved.empty()) {
        error = "the program \"" + program + "\" was not found or is not executable";
        return false;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : environment_) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    // The intermediate child spawns the program in a new session and exits at once, so the
    // program is reparented to init; its spawn result comes back through the pipe.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("cannot start a process: ") + std::strerror(errno);
        return false;
    }
    pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        error = std::string("cannot start a process: ") + std::strerror(errno);
        return false;
    }
    if (child == 0) {
        close(fds[0]);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &all);
        posix_spawnattr_setflags(
            &attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        // The program lives on its own: it must not hold our input or output open.
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        int rc = posix_spawn(&pid, resolved.c_str(), &actions, &attr, argv.data(), envp.data());
        ssize_t ignored = write(fds[1], &rc, sizeof rc);
        (void)ignored;
        _exit(0);
    }
    close(fds[1]);
    int rc = -1;
    ssize_t n;
    do {
        n = read(fds[0], &rc, sizeof rc);
    } while (n < 0 && errno == EINTR);
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (n != static_cast<ssize_t>(sizeof rc)) {
        error = "cannot start \"" + program + "\"";
        return false;
    }
    if (rc != 0) {
        error = "cannot start \"" + program + "\": " + std::strerror(rc);
        return false;
    }
    return true;
}

}  // namespace blenvar
