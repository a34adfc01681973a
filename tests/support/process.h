#pragma once
// Test programs as processes: started in the background, or run to their end.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "decode/temp_ini.h"
#include "support/files.h"

extern char** environ;

namespace blenvar::testing {

// Standard input, output and error on the given files (an empty name keeps ours), and
// descriptors of ours passed as {its number, ours}; killed if it still runs at the end.
class Spawned {
  public:
    Spawned(const std::vector<std::string>& argv, const std::string& in = {},
            const std::string& out = {}, const std::string& err = {},
            const std::vector<std::pair<int, int>>& fds = {}) {
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        const int writing = O_WRONLY | O_CREAT | O_TRUNC;
        const std::pair<const std::string*, int> files[] = {
            {&in, O_RDONLY}, {&out, writing}, {&err, writing}};
        for (int fd = 0; fd < 3; ++fd)
            if (!files[fd].first->empty())
                posix_spawn_file_actions_addopen(&fa, fd, files[fd].first->c_str(),
                                                 files[fd].second, 0644);
        for (const auto& [theirs, ours] : fds) posix_spawn_file_actions_adddup2(&fa, ours, theirs);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (posix_spawnp(&pid_, args[0], &fa, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
    }
    ~Spawned() { Stop(SIGKILL); }
    Spawned(const Spawned&) = delete;
    Spawned& operator=(const Spawned&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    bool Ended() {
        Wait(0);
        return !Started() || exited_;
    }
    // Exit status, 128 + the signal that ended it, or -1 when it has not ended within the
    // time or was already waited for.
    int Wait(int timeoutMs) {
        for (int waited = 0; pid_ > 0 && !exited_ && waited <= timeoutMs; waited += 5) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (waited < timeoutMs) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return -1;
    }
    // The signal (0: none), then Wait.
    int Stop(int signal = SIGTERM, int timeoutMs = 2000) {
        if (pid_ <= 0 || exited_) return -1;
        kill(pid_, signal);
        return Wait(timeoutMs);
    }

  private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

struct ProcessResult {
    int status = -1;  // as Spawned::Wait
    std::string out;
    std::string err;
};

// A hung program is killed after 30 s (status -1).
inline ProcessResult RunProcess(const std::vector<std::string>& argv,
                                const std::string& input = {}) {
    TempIni dir;
    const std::string in = dir.folder() + "/in", out = dir.folder() + "/out",
                      err = dir.folder() + "/err";
    std::ofstream(in, std::ios::binary) << input;
    ProcessResult r;
    r.status = Spawned(argv, in, out, err).Wait(30000);
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, nl; start < text.size(); start = nl + 1) {
        nl = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, nl - start));
    }
    return lines;
}

}  // namespace blenvar::testing
