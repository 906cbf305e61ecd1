// The scanner tool's progress line, drawn on a real pseudo-terminal.
#include "cli/ProgressLine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace raumfuchs {
namespace {

TEST(ProgressLine, DrawsAnEscapedShortenedLineAtMostTenTimesASecondAndWipesIt) {
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(grantpt(terminal) | unlockpt(terminal), 0);
    const int side = open(ptsname(terminal), O_RDWR | O_NOCTTY);
    ASSERT_GE(side, 0);
    termios raw{};
    ASSERT_EQ(tcgetattr(side, &raw), 0);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(side, TCSANOW, &raw), 0);
    const winsize size{1, 44, 0, 0};
    ASSERT_EQ(ioctl(side, TIOCSWINSZ, &size), 0);

    // A deep path whose end holds a title-setting escape sequence and wide
    // characters; a thousand snapshots in a burst give one line only.
    ScanProgress progress{0, 2'900'000, "/tmp/" + std::string(100, 'a') + "/x\033]0;y\a/日本"};
    ProgressLine line(side, true);
    for (int i = 0; i < 1000; ++i) {
        line.update(progress);
        progress.files = i + 1;
    }
    line.clear();
    line.clear();
    ProgressLine quiet(side, false);
    quiet.update(progress);
    quiet.clear();

    std::string shown;
    char buffer[512];
    fcntl(terminal, F_SETFL, O_NONBLOCK);
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) {
        shown.append(buffer, static_cast<std::size_t>(n));
    }
    close(side);
    close(terminal);
    // 43 cells: 19 for the counts, 24 for the path ("…" and 23 more).
    EXPECT_EQ(shown, "\r\033[K0 Dateien, 2,9 MB  …aaaaaa/x\\033]0;y\\a/日本\r\033[K");

    // Too narrow for the counts: their front only; a wide character that
    // does not fit whole is left out.
    EXPECT_EQ(ProgressLine::text(progress, 7), "1.000 D");
    EXPECT_EQ(ProgressLine::text(progress, 22), "1.000 Dateien, 2,9 MB ");
    EXPECT_EQ(ProgressLine::text(progress, 25), "1.000 Dateien, 2,9 MB  …");
    EXPECT_EQ(ProgressLine::text(progress, 27), "1.000 Dateien, 2,9 MB  …本");
}

}  // namespace
}  // namespace raumfuchs
