#pragma once
// A child process with pipes on its standard input and output, for the benchmarks.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace blenvar::bench {

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

struct Child {
    pid_t pid = -1;
    int in = -1;   // its standard input (-1: /dev/null)
    int out = -1;  // its standard output
};

// extraEnv entries are NAME=VALUE; an entry "NAME" alone removes NAME.
inline Child Start(const std::vector<std::string>& argv, bool withInput,
                   const std::vector<std::string>& extraEnv = {}) {
    int in[2] = {-1, -1}, out[2];
    if ((withInput && pipe2(in, O_CLOEXEC)) || pipe2(out, O_CLOEXEC)) return {};
    Child c;
    c.pid = fork();
    if (c.pid == 0) {
        if (withInput)
            dup2(in[0], 0);
        else
            dup2(open("/dev/null", O_RDONLY), 0);
        dup2(out[1], 1);
        for (const auto& e : extraEnv) {
            if (e.find('=') == std::string::npos)
                unsetenv(e.c_str());
            else
                putenv(const_cast<char*>(e.c_str()));
        }
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    if (withInput) {
        close(in[0]);
        c.in = in[1];
    }
    close(out[1]);
    c.out = out[0];
    return c;
}

// Waits for the child; returns its peak resident size in KiB.
inline long Reap(Child& c) {
    if (c.in >= 0) close(c.in);
    if (c.out >= 0) close(c.out);
    int status = 0;
    rusage ru{};
    wait4(c.pid, &status, 0, &ru);
    return ru.ru_maxrss;
}

inline void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

}  // namespace blenvar::bench
