#pragma once

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace raumfuchs::test {

// A raw pseudo-terminal `columns` wide. Programs write to `side`; `drain()`
// closes that end and returns all written to it, once every other holder of
// the end has closed it too.
struct PseudoTerminal {
    explicit PseudoTerminal(unsigned short columns = 80) {
        if (grantpt(terminal) == 0 && unlockpt(terminal) == 0) {
            side = open(ptsname(terminal), O_RDWR | O_NOCTTY);
        }
        termios raw{};
        tcgetattr(side, &raw);
        cfmakeraw(&raw);
        tcsetattr(side, TCSANOW, &raw);
        const winsize size{1, columns, 0, 0};
        ioctl(side, TIOCSWINSZ, &size);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    ~PseudoTerminal() {
        close(side);
        close(terminal);
    }
    std::string drain() {
        close(std::exchange(side, -1));
        std::string shown;
        char buffer[4096];
        for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) {
            shown.append(buffer, static_cast<std::size_t>(n));
        }
        return shown;
    }

    int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    int side = -1;
};

}  // namespace raumfuchs::test
