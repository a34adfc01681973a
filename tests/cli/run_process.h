#pragma once
// Runs a program with the given standard input and collects its output and exit status.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace blenvar::testing {

struct ProcessResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

inline ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input = {},
                                const std::vector<std::string>& extraEnv = {}) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (const auto& e : extraEnv) putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    size_t written = 0;
    if (input.empty()) {
        close(in[1]);
        in[1] = -1;
    } else {
        fcntl(in[1], F_SETFL, O_NONBLOCK);
    }
    ProcessResult r;
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
        if (poll(fds, in[1] >= 0 ? 3 : 2, 30000) <= 0) {
            kill(pid, SIGKILL);  // hung: give up (status -1)
            break;
        }
        char buf[4096];
        if (fds[0].revents) {
            ssize_t n = read(out[0], buf, sizeof buf);
            if (n > 0)
                r.out.append(buf, n);
            else
                outOpen = false;
        }
        if (fds[1].revents) {
            ssize_t n = read(err[0], buf, sizeof buf);
            if (n > 0)
                r.err.append(buf, n);
            else
                errOpen = false;
        }
        if (in[1] >= 0 && fds[2].revents) {
            ssize_t n = write(in[1], input.data() + written, input.size() - written);
            if (n > 0) written += n;
            if (n < 0 || written == input.size()) {
                close(in[1]);
                in[1] = -1;
            }
        }
    }
    if (in[1] >= 0) close(in[1]);
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

}  // namespace blenvar::testing
