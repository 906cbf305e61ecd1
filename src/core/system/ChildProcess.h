#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace raumfuchs {

// A command whose standard output and standard error come back through pipes,
// started with standard input from /dev/null, in a session of its own (its
// process group is the one signalled), every other descriptor closed and
// every signal at its default. One thread reads and finishes it; the
// destructor stops and reaps it if that was not done.
class ChildProcess {
  public:
    // `argv[0]` is looked up in PATH; `environment` ("NAME=value") is added to
    // this process's, replacing entries of the same name.
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // 0 when it runs; else the errno of why it could not start (ENOENT: no such program).
    int startError() const { return startError_; }
    pid_t pid() const { return pid_; }

    // Up to `size` bytes of its standard output, waiting for them while what
    // it writes to standard error is collected: the count, 0 at the end, -1
    // with errno (ECANCELED once `cancelled` says so; it is asked at least
    // every kCancelPollMs).
    ssize_t read(char* into, std::size_t size, const std::function<bool()>& cancelled);

    // Ends it: closes the pipe of its standard output (a writer then meets
    // EPIPE); without `stop` it gets kStopWait to exit by itself. Then SIGTERM
    // to its process group, after kStopWait SIGKILL, and it is reaped. Its
    // status as waitpid() gives it; the first call's on later calls.
    int finish(bool stop);

    // The last line with more than white space that it wrote to standard
    // error (of the last kErrorTail bytes), without its line end.
    std::string lastErrorLine() const;

  private:
    // Not measured: how long a silent command may go before a cancel is seen.
    static constexpr int kCancelPollMs = 100;
    // How long a command gets to exit after its output ended, and after SIGTERM.
    static constexpr int kStopWaitMs = 2000;
    // Enough for a few lines of messages.
    static constexpr std::size_t kErrorTail = 4096;

    void collectErrors();
    // Collects standard error until it exits or `ms` pass; true when reaped.
    bool waitForExit(int ms);
    void signalGroup(int signal) const;

    pid_t pid_ = -1;
    int startError_ = 0;
    int out_ = -1;
    int err_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    std::string errors_;  // the end of what came on standard error
};

}  // namespace raumfuchs
