// raumfuchs-scan as a user meets it: the real program on real folders, its
// exit status and its two output streams.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/UnattributedSpace.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::TempTree;

struct Outcome {
    int status = -1;  // as waitpid gives it
    std::string out;
    std::string err;
};

std::string contents(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Starts the program with `arguments`. Its standard output goes to `out`, its
// standard error to `err` (a file, or an open descriptor when `errFd` >= 0);
// with `uid` set, it runs as that user.
pid_t start(const std::vector<std::string>& arguments, const std::string& out,
            const std::string& err, int errFd = -1, uid_t uid = 0) {
    std::vector<char*> argv{const_cast<char*>(RAUMFUCHS_SCAN_PROGRAM)};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (errFd < 0) {
            errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        const bool ok = outFd >= 0 && errFd >= 0 && dup2(outFd, STDOUT_FILENO) >= 0 &&
                        dup2(errFd, STDERR_FILENO) >= 0 &&
                        (uid == 0 || (setgroups(0, nullptr) == 0 && setresgid(uid, uid, uid) == 0 &&
                                      setresuid(uid, uid, uid) == 0));
        if (ok) {
            execv(argv[0], argv.data());
        }
        _exit(127);
    }
    return pid;
}

Outcome run(const std::vector<std::string>& arguments, const std::string& out = "", uid_t uid = 0) {
    TempTree io;
    const std::string outPath = out.empty() ? io.path("out") : out;
    const pid_t pid = start(arguments, outPath, io.path("err"), -1, uid);
    Outcome result;
    waitpid(pid, &result.status, 0);
    result.out = out.empty() ? contents(outPath) : "";
    result.err = contents(io.path("err"));
    return result;
}

bool exitedWith(const Outcome& run, int code) {
    return WIFEXITED(run.status) && WEXITSTATUS(run.status) == code;
}

TEST(ScanTool, TextOutputEscapesNamesAndAFailedWriteFails) {
    TempTree t;
    // One name per kind of byte a terminal must not get raw; each file a
    // different size so all of them are listed.
    const std::vector<std::pair<std::string, std::string>> names = {
        {"titel\033]0;gekapert\a", "titel\\033]0;gekapert\\a"},
        {"zeile\nzwei", "zeile\\nzwei"},
        {"wagen\rlauf\tweiter", "wagen\\rlauf\\tweiter"},
        {"back\\slash", "back\\\\slash"},
        {"entf\x7F", "entf\\177"},
        {"csi\xC2\x9B"
         "2J",
         "csi\\302\\2332J"},
        {"kaputt\xFF\xC3(", "kaputt\\377\\303("},
        {"Grüße €", "Grüße €"},
    };
    for (std::size_t i = 0; i < names.size(); ++i) {
        t.file(names[i].first, 5000 * (i + 1));
    }

    const Outcome text = run({t.root()});
    ASSERT_TRUE(exitedWith(text, 0)) << text.status << text.err;
    for (const auto& [name, shown] : names) {
        EXPECT_NE(text.out.find("  " + shown + "\n"), std::string::npos) << shown;
    }
    // Five summary lines, a blank one, the heading and one line per entry.
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 7 + 8);
    for (const char raw : {'\033', '\r', '\t', '\a', '\x7F', '\xFF', '\x9B'}) {
        EXPECT_EQ(text.out.find(raw), std::string::npos) << int(raw);
    }
    const Outcome json = run({"--json", t.root()});
    EXPECT_NE(json.out.find("\"titel\\u001b]0;gekapert\\u0007\""), std::string::npos);
    // The thread count used is reported; a forced one is the one used.
    EXPECT_NE(run({"--json", "--threads", "3", t.root()}).out.find(",\"threads\":3,"),
              std::string::npos);

    // A full disk: the output is lost, and the program says so.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{t.root()}, {"--json", t.root()}, {"--help"}}) {
        const Outcome full = run(arguments, "/dev/full");
        EXPECT_TRUE(exitedWith(full, 1)) << arguments[0] << " " << full.status;
        EXPECT_EQ(full.err, "Die Ausgabe konnte nicht geschrieben werden.\n");
    }
}

TEST(ScanTool, AFolderThatCannotBeListedIsAResultAMissingOneIsNot) {
    TempTree t;
    t.file("gesperrt/innen", 4096);
    // Root may list any folder: as root, the program runs as "nobody" here,
    // for whom mode 000 means what it says.
    ASSERT_EQ(chmod(t.root().c_str(), 0755), 0);
    ASSERT_EQ(chmod(t.path("gesperrt").c_str(), 0), 0);
    const Outcome locked = run({t.path("gesperrt")}, "", geteuid() == 0 ? 65534 : 0);
    EXPECT_TRUE(exitedWith(locked, 0)) << locked.status << locked.err;
    EXPECT_NE(locked.out.find("Nicht lesbar: 1\n"), std::string::npos) << locked.out;
    EXPECT_NE(locked.out.find("Dateien:      0\n"), std::string::npos) << locked.out;

    const Outcome missing = run({t.path("fehlt\nda")});
    EXPECT_TRUE(exitedWith(missing, 1));
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "„fehlt\\nda“ konnte nicht gelesen werden.\n");
}

TEST(ScanTool, AMountPointExplainsWhatItsScanCannotFind) {
    TempTree store;
    TempTree t;
    t.folder("vol");
    const test::ScopedMount volume = test::ScopedMount::ext4(store.path("vol.img"), t.path("vol"));
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.failed();
    }
    t.file("vol/ordner/daten", 200'000);
    t.folder("vol/darunter");
    const test::ScopedMount cover = test::ScopedMount::tmpfs(t.path("vol/darunter"));
    ASSERT_TRUE(cover.mounted()) << cover.failed();
    sync();

    const Outcome json = run({"--json", t.path("vol")});
    ASSERT_TRUE(exitedWith(json, 0)) << json.err;
    const std::string parts =
        "\"unattributed\":{\"reserved\":" + std::to_string(reservedBytes(t.path("vol"))) +
        ",\"deletedOpen\":0,\"underMounts\":0,\"rest\":";
    const std::size_t at = json.out.find(parts);
    ASSERT_NE(at, std::string::npos) << json.out;
    // A fresh volume holds little besides the reserve: its metadata.
    EXPECT_LE(std::stoll(json.out.substr(at + parts.size())), 64 * 1024) << json.out;
    const Outcome folder = run({"--json", t.path("vol/ordner")});
    EXPECT_EQ(folder.out.find("unattributed"), std::string::npos);

    // Not as root: nothing can be looked at below mount points, and other
    // users' processes cannot be asked.
    ASSERT_EQ(chmod(t.root().c_str(), 0755), 0);
    const Outcome asUser = run({t.path("vol")}, "", 65534);
    EXPECT_TRUE(exitedWith(asUser, 0)) << asUser.err;
    for (const char* line :
         {"  unter Einhängepunkten:   nicht gemessen – Nur mit Administratorrechten messbar",
          "  nicht prüfbare Prozesse: ", "  Rest:                    "}) {
        EXPECT_NE(asUser.out.find(line), std::string::npos) << line << "\n" << asUser.out;
    }
}

// Opens a pseudo-terminal into `terminal`; returns the program's side, or -1.
int openTerminal(int& terminal) {
    terminal = posix_openpt(O_RDWR | O_NOCTTY);
    return terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0
               ? -1
               : open(ptsname(terminal), O_RDWR | O_NOCTTY);
}

// Whether SIGINT is set in the mask `field` ("SigCgt:", "ShdPnd:") of the process.
bool interruptIn(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field)) {
            return (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
        }
    }
    return false;
}

TEST(ScanTool, HelpVersionWrongCallsAndASecondCtrlC) {
    const Outcome usage = run({"/tmp", "-h"});
    EXPECT_TRUE(exitedWith(usage, 0));
    EXPECT_TRUE(usage.out.starts_with("Aufruf: raumfuchs-scan"));
    const Outcome version = run({"--version"});
    EXPECT_TRUE(exitedWith(version, 0));
    EXPECT_EQ(version.out, "raumfuchs-scan " RAUMFUCHS_VERSION "\n");
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{}, {"--verbose", "/tmp"}, {"/tmp", "/usr"}, {"--top"}}) {
        const Outcome usage = run(wrong);
        EXPECT_TRUE(exitedWith(usage, 2)) << wrong.size();
        EXPECT_EQ(usage.out, "");
        EXPECT_TRUE(usage.err.starts_with("Aufruf: raumfuchs-scan"));
    }

    // A terminal whose output is held (Ctrl-S) stops the program at its first
    // progress line; the first Ctrl-C only asks the scan to stop at its next
    // checkpoint, which it never reaches, and the second must end it.
    int terminal = -1;
    const int side = openTerminal(terminal);
    ASSERT_GE(side, 0);
    ASSERT_EQ(tcflow(side, TCOOFF), 0);
    TempTree io;
    const pid_t pid = start({"/usr"}, io.path("out"), "", side);
    const auto waitFor = [pid](const std::function<bool()>& done) {
        for (int i = 0; i < 5000 && !done(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return done();
    };
    int status = 0;
    bool reaped = false;
    const auto ended = [&] { return reaped = reaped || waitpid(pid, &status, WNOHANG) == pid; };
    EXPECT_TRUE(waitFor([&] { return interruptIn(pid, "SigCgt:"); }));
    kill(pid, SIGINT);
    EXPECT_TRUE(waitFor([&] { return !interruptIn(pid, "ShdPnd:"); }));
    kill(pid, SIGINT);
    const bool endedAtOnce = waitFor(ended);
    if (!endedAtOnce) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    close(side);
    close(terminal);
    EXPECT_TRUE(endedAtOnce);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
}

TEST(ScanTool, ProgressOnATerminalOnlyAndNotWhenQuiet) {
    // On a terminal 40 columns wide, a scan of /usr (seconds long) draws its
    // progress line in place and wipes it before the result is printed.
    const auto onTerminal = [](const std::vector<std::string>& arguments) {
        int terminal = -1;
        const int side = openTerminal(terminal);
        termios raw{};
        tcgetattr(side, &raw);
        cfmakeraw(&raw);
        tcsetattr(side, TCSANOW, &raw);
        const winsize size{1, 40, 0, 0};
        ioctl(side, TIOCSWINSZ, &size);
        TempTree io;
        const pid_t pid = start(arguments, io.path("out"), "", side);
        close(side);
        Outcome result;
        char buffer[4096];
        for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) {
            result.err.append(buffer, static_cast<std::size_t>(n));
        }
        close(terminal);
        waitpid(pid, &result.status, 0);
        result.out = contents(io.path("out"));
        return result;
    };
    const Outcome live = onTerminal({"--top", "1", "/usr"});
    EXPECT_TRUE(exitedWith(live, 0)) << live.status;
    EXPECT_TRUE(live.out.starts_with("Pfad:         /usr\n")) << live.out;
    const std::string wipe = "\r\033[K";
    ASSERT_TRUE(live.err.starts_with(wipe)) << live.err;
    EXPECT_TRUE(live.err.ends_with(wipe));
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = live.err.find(wipe, at)) != std::string::npos; ++lines) {
        at += wipe.size();
        const std::string line = live.err.substr(at, live.err.find(wipe, at) - at);
        std::size_t cells = 0;
        for (const char c : line) {
            cells += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        }
        EXPECT_LE(cells, 39u) << line;
        EXPECT_TRUE(line.empty() || line.find(" Dateien, ") != std::string::npos) << line;
        EXPECT_EQ(line.find_first_of("\n\r\033"), std::string::npos) << line;
    }
    EXPECT_GE(lines, 2u) << live.err;

    // Quiet, or not on a terminal: nothing on standard error.
    for (const Outcome& silent :
         {onTerminal({"--quiet", "--top", "1", "/usr"}), run({"--top", "1", "/usr"})}) {
        EXPECT_TRUE(exitedWith(silent, 0)) << silent.status;
        EXPECT_EQ(silent.err, "");
    }
}

}  // namespace
}  // namespace raumfuchs
