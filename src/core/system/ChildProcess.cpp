#include "core/system/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

extern char** environ;

namespace raumfuchs {

namespace {

// This process's environment with `extra` put in, as envp.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        bool replaced = false;
        for (const std::string& added : extra) {
            replaced = replaced || nameOf(added) == nameOf(*entry);
        }
        if (!replaced) {
            merged.emplace_back(*entry);
        }
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (std::string& s : strings) {
        out.push_back(s.data());
    }
    out.push_back(nullptr);
    return out;
}

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment) {
    int out[2];
    int err[2];
    if (argv.empty()) {
        startError_ = EINVAL;
        return;
    }
    if (::pipe2(out, O_CLOEXEC) != 0) {
        startError_ = errno;
        return;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        startError_ = errno;
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    // Descriptors this process opened without O_CLOEXEC stay here too.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);  // SIGPIPE ignored here is not there
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> args = argv;
    std::vector<std::string> env = mergedEnvironment(environment);
    const std::vector<char*> argp = pointers(args);
    const std::vector<char*> envp = pointers(env);
    startError_ = posix_spawnp(&pid_, argp[0], &actions, &attributes, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(out[1]);
    ::close(err[1]);
    if (startError_ != 0) {
        pid_ = -1;
        ::close(out[0]);
        ::close(err[0]);
        return;
    }
    out_ = out[0];
    err_ = err[0];
    ::fcntl(err_, F_SETFL, O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
    finish(true);
}

void ChildProcess::collectErrors() {
    char buffer[4096];
    while (err_ >= 0) {
        const ssize_t n = ::read(err_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0 || errno != EAGAIN) {
                closeFd(err_);
            }
            return;
        }
        errors_.append(buffer, static_cast<std::size_t>(n));
        if (errors_.size() > 2 * kErrorTail) {
            errors_.erase(0, errors_.size() - kErrorTail);
        }
    }
}

ssize_t ChildProcess::read(char* into, std::size_t size, const std::function<bool()>& cancelled) {
    if (out_ < 0) {
        errno = EBADF;
        return -1;
    }
    for (;;) {
        if (cancelled()) {
            errno = ECANCELED;
            return -1;
        }
        pollfd fds[2] = {{out_, POLLIN, 0},
                         {err_, POLLIN, 0}};  // a closed err_ (-1) is passed over
        if (::poll(fds, 2, kCancelPollMs) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (fds[1].revents != 0) {
            collectErrors();
        }
        if (fds[0].revents != 0) {
            const ssize_t n = ::read(out_, into, size);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            return n;
        }
    }
}

bool ChildProcess::waitForExit(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const pid_t done = ::waitpid(pid_, &status_, WNOHANG);
        if (done == pid_ || (done < 0 && errno == ECHILD)) {
            reaped_ = true;
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            return false;
        }
        // Not measured: short enough that an exit is seen soon after it happens.
        pollfd fd{err_, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(std::min<long>(left, 20))) > 0) {
            collectErrors();
        }
    }
}

void ChildProcess::signalGroup(int signal) const {
    // Its group holds what it started (ssh's askpass, a proxy command). A
    // program that changed to another user (pkexec) refuses signals; closing
    // its output is what stops it.
    if (::kill(-pid_, signal) != 0) {
        ::kill(pid_, signal);
    }
}

int ChildProcess::finish(bool stop) {
    if (pid_ < 0 || reaped_) {
        closeFd(out_);
        closeFd(err_);
        return status_;
    }
    closeFd(out_);
    if (stop || !waitForExit(kStopWaitMs)) {
        signalGroup(SIGTERM);
        if (!waitForExit(kStopWaitMs)) {
            signalGroup(SIGKILL);
            while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
            }
            reaped_ = true;
        }
    }
    collectErrors();  // what it wrote last, if its pipe is still open
    closeFd(err_);
    return status_;
}

std::string ChildProcess::lastErrorLine() const {
    std::string_view rest(errors_);
    while (!rest.empty()) {
        std::size_t end = rest.size();
        const std::size_t start = rest.find_last_of('\n', end - 1);
        std::string_view line =
            start == std::string_view::npos ? rest : rest.substr(start + 1, end - start - 1);
        rest = start == std::string_view::npos ? std::string_view() : rest.substr(0, start);
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        if (line.find_first_not_of(" \t\r") != std::string_view::npos) {
            return std::string(line.substr(line.find_first_not_of(" \t\r")));
        }
    }
    return {};
}

}  // namespace raumfuchs
