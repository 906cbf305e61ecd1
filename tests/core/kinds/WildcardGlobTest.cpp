#include "core/kinds/WildcardGlob.h"

#include <fnmatch.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/kinds/MimeGlobs.h"

namespace raumfuchs {
namespace {

// The quick checks never turn away a name that fnmatch accepts, whatever the
// pattern holds: sets, ranges, negation, "]" as a member, an unclosed "[",
// classes, escapes; and they do turn away the names that cannot match.
TEST(WildcardGlobTest, QuickChecksNeverRejectWhatFnmatchAccepts) {
    // clang-format off
    const char* patterns[] = {
        "*.so.[0-9]*", "*.anim[1-9j]", "[0-9][0-9][0-9].vdr", "[!a-c]x", "[]x]y", "[^z]*", "a[b",
        "*[[:digit:]]", "readme*", "*~", "?", "\\*x", "*.[1-9]", "*[z-a]",
    };
    // clang-format on
    const char* names[] = {"libz.so.1", "libz.so.", "a.anim7", "a.animj", "a.animk", "123.vdr",
                           "12a.vdr",   "dx",       "ax",      "]y",      "xy",      "zebra",
                           "abc",       "a[b",      "ab",      "x9",      "readme",  "README.md",
                           "file~",     "q",        "*x",      "ls.1",    "ls.0",    "a.S",
                           "a.s",       ""};
    const auto lower = [](std::string text) {
        for (char& c : text) {
            c = MimeGlobs::foldCase(c);
        }
        return text;
    };
    // A case-sensitive pattern sees the exact bytes.
    int accepted = 0;
    for (const bool caseSensitive : {false, true}) {
        for (const char* pattern : patterns) {
            const WildcardGlob glob(caseSensitive ? pattern : lower(pattern), caseSensitive);
            for (const std::string name : names) {
                const std::string subject = caseSensitive ? name : lower(name);
                const bool expected =
                    fnmatch(glob.caseSensitive() ? pattern : lower(pattern).c_str(),
                            subject.c_str(), 0) == 0;
                accepted += expected;
                if (expected) {
                    EXPECT_TRUE(glob.mayMatch(subject)) << pattern << " " << name;
                }
                EXPECT_EQ(glob.matches(subject.c_str()), expected) << pattern << " " << name;
            }
        }
    }
    EXPECT_GT(accepted, 40);
    const auto mayMatch = [](const char* pattern, std::string_view name) {
        return WildcardGlob(pattern, false).mayMatch(name);
    };
    EXPECT_FALSE(mayMatch("*.so.[0-9]*", "libz.so"));
    EXPECT_FALSE(mayMatch("*.[1-9]", "file000"));
    EXPECT_FALSE(mayMatch("*.anim[1-9j]", "a.animk"));
    EXPECT_FALSE(mayMatch("[0-9][0-9][0-9].vdr", "x12.vdr"));
    EXPECT_FALSE(mayMatch("readme*", "notes"));
}

}  // namespace
}  // namespace raumfuchs
