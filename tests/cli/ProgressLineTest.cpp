// The scanner tool's progress line, drawn on a real pseudo-terminal.
#include "cli/ProgressLine.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/PseudoTerminal.h"
#include "core/text/Utf8.h"

namespace raumfuchs {
namespace {

TEST(ProgressLine, DrawsAnEscapedShortenedLineAtMostTenTimesASecondAndWipesIt) {
    test::PseudoTerminal terminal(44);
    ASSERT_GE(terminal.side, 0);

    // A deep path whose end holds a title-setting escape sequence and wide
    // characters; a thousand snapshots in a burst give one line only.
    ScanProgress progress{0, 2'900'000, "/tmp/" + std::string(100, 'a') + "/x\033]0;y\a/日本"};
    ProgressLine line(terminal.side, true);
    for (int i = 0; i < 1000; ++i) {
        line.update(progress);
        progress.files = i + 1;
    }
    line.clear();
    line.clear();
    // 43 cells: 19 for the counts, 24 for the path ("…" and 23 more).
    EXPECT_EQ(terminal.drain(), "\r\033[K0 Dateien, 2,9 MB  …aaaaaa/x\\033]0;y\\a/日本\r\033[K");

    // Too narrow for the counts: their front only; a wide character that
    // does not fit whole is left out.
    EXPECT_EQ(ProgressLine::text(progress, 7), "1.000 D");
    EXPECT_EQ(ProgressLine::text(progress, 22), "1.000 Dateien, 2,9 MB ");
    EXPECT_EQ(ProgressLine::text(progress, 25), "1.000 Dateien, 2,9 MB  …");
    EXPECT_EQ(ProgressLine::text(progress, 27), "1.000 Dateien, 2,9 MB  …本");
}

TEST(ProgressLine, CountsCellsAsTerminalsDrawThem) {
    // Emoji and CJK take two cells, a combining accent none.
    for (const auto& [text, cells] :
         {std::pair{"✅", 2u}, {"⌚", 2u}, {"e\u0301", 1u}, {"日", 2u}, {"Ordner 1", 8u}}) {
        EXPECT_EQ(terminalColumns(text), cells) << text;
    }

    // 43 cells: 19 for the counts, 24 for the path; the right-to-left
    // override is escaped, so it cannot turn the line around.
    test::PseudoTerminal terminal(44);
    ProgressLine line(terminal.side, true);
    const ScanProgress progress{0, 2'900'000,
                                "/tmp/" + std::string(100, 'a') + "/\u202E日⌚✅e\u0301"};
    line.update(progress);
    EXPECT_EQ(terminal.drain(), "\r\033[K0 Dateien, 2,9 MB  …aaa/\\342\\200\\256日⌚✅e\u0301");
    // An accent at the cut goes with its letter.
    EXPECT_EQ(ProgressLine::text(progress, 20), "0 Dateien, 2,9 MB  …");
}

}  // namespace
}  // namespace raumfuchs
