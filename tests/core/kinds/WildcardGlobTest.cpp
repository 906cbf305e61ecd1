#include "core/kinds/WildcardGlob.h"

#include <fnmatch.h>
#include <gtest/gtest.h>

#include <string>

namespace raumfuchs {
namespace {

// The quick checks never turn away a name that fnmatch accepts, whatever the
// pattern holds: sets, ranges, negation, "]" as a member, an unclosed "[",
// classes, escapes; and they do turn away the names that cannot match.
TEST(WildcardGlobTest, QuickChecksNeverRejectWhatFnmatchAccepts) {
    const char* patterns[] = {"*.so.[0-9]*",
                              "*.anim[1-9j]",
                              "[0-9][0-9][0-9].vdr",
                              "[!a-c]x",
                              "[]x]y",
                              "[^z]*",
                              "a[b",
                              "*[[:digit:]]",
                              "readme*",
                              "*~",
                              "?",
                              "\\*x",
                              "*.[1-9]",
                              "*[z-a]"};
    const char* names[] = {"libz.so.1", "libz.so.", "a.anim7", "a.animj", "a.animk", "123.vdr",
                           "12a.vdr",   "dx",       "ax",      "]y",      "xy",      "zebra",
                           "abc",       "a[b",      "ab",      "x9",      "readme",  "README.md",
                           "file~",     "q",        "*x",      "ls.1",    "ls.0",    ""};
    int accepted = 0;
    for (const char* pattern : patterns) {
        const WildcardGlob glob(pattern);
        for (const char* name : names) {
            const bool expected = fnmatch(pattern, name, 0) == 0;
            accepted += expected;
            if (expected) {
                EXPECT_TRUE(glob.mayMatch(name)) << pattern << " " << name;
            }
            EXPECT_EQ(glob.matches(name), expected) << pattern << " " << name;
        }
    }
    EXPECT_GT(accepted, 20);
    EXPECT_FALSE(WildcardGlob("*.so.[0-9]*").mayMatch("libz.so"));
    EXPECT_FALSE(WildcardGlob("*.[1-9]").mayMatch("file000"));
    EXPECT_FALSE(WildcardGlob("*.anim[1-9j]").mayMatch("a.animk"));
    EXPECT_FALSE(WildcardGlob("[0-9][0-9][0-9].vdr").mayMatch("x12.vdr"));
    EXPECT_FALSE(WildcardGlob("readme*").mayMatch("notes"));
}

}  // namespace
}  // namespace raumfuchs
