#include "core/kinds/MimeGlobs.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::TempTree;

// The type of `name`, or "" when no pattern matches.
std::string typeOf(const MimeGlobs& globs, const std::string& name) {
    const int glob = globs.match(name);
    return glob == MimeGlobs::kNoMatch ? std::string() : globs.globs()[glob].mimeType;
}

// A database written here: each stage, weights, `cs` flags, and lines a
// reader must skip.
TEST(MimeGlobsTest, WrittenDatabaseDecidesByStageLengthWeightAndCase) {
    TempTree dir;
    const std::string path = dir.path("globs2");
    std::ofstream(path) << "# This file was automatically generated\n"
                           "80:application/gzip:*.gz\n"
                           "50:application/x-compressed-tar:*.tar.gz\n"
                           "10:application/pgp-keys:*.asc\n"
                           "50:text/plain:*.asc\n"
                           "50:text/x-objcsrc:*.m\n"
                           "50:text/x-matlab:*.m\n"
                           "50:text/x-c++src:*.C:cs\n"
                           "50:text/x-csrc:*.c\n"
                           "50:text/x-genie:*.gs:cs,future-flag\n"
                           "50:text/x-cmake:CMakeLists.txt\n"
                           "50:text/plain:*.txt\n"
                           "60:application/x-sharedlib:*.so.[0-9]*\n"
                           "50:application/x-troff-man:*.[1-9]\n"
                           "10:text/x-readme:readme*\n"
                           "50:text/x-a:x*\n"
                           "50:text/x-b:x*z\n"
                           "50:text/x-big:BIG*:cs\n"
                           "50:text/x-crlf:*.crlf\r\n"
                           "abc:text/plain:*.bad\n"
                           "101:text/plain:*.bad\n"
                           "50:noslash:*.bad\n"
                           "50:text/plain\n"
                           "50:text/x-none:__NOGLOBS__\n";
    std::string error;
    const std::optional<MimeGlobs> read = MimeGlobs::read(path, error);
    ASSERT_TRUE(read) << error;
    const MimeGlobs& globs = *read;
    EXPECT_EQ(globs.globs().size(), 18u);
    // clang-format off
    const std::pair<std::string, const char*> cases[] = {
        {"y.bad", ""}, {"line.crlf", "text/x-crlf"},
        // The longest suffix with a pattern wins, even over a heavier shorter one.
        {"backup.tar.gz", "application/x-compressed-tar"},
        {"Backup.TAR.GZ", "application/x-compressed-tar"}, {"dump.gz", "application/gzip"},
        {"tar.gz", "application/gzip"},  // ".tar.gz" is not a suffix of it
        // The same suffix: the heavier pattern, though listed later; at equal
        // weight the one listed first.
        {"key.asc", "text/plain"}, {"model.m", "text/x-objcsrc"},
        // Case: `cs` patterns match their exact bytes and win over those without.
        {"main.C", "text/x-c++src"}, {"MAIN.C", "text/x-c++src"}, {"main.c", "text/x-csrc"},
        {"tool.gs", "text/x-genie"}, {"tool.GS", ""},
        // A literal name comes before its suffix, whatever the case.
        {"CMakeLists.txt", "text/x-cmake"}, {"cmakelists.TXT", "text/x-cmake"},
        {"notes.txt", "text/plain"},
        // Other patterns only when no suffix matched; there the heavier, then the
        // longer, then the case-sensitive one.
        {"libz.so.1", "application/x-sharedlib"}, {"libz.so.1.gz", "application/gzip"},
        {"ls.1", "application/x-troff-man"}, {"README", "text/x-readme"}, {"xyz", "text/x-b"},
        {"xy", "text/x-a"}, {"BIGFILE", "text/x-big"}, {"bigfile", ""}, {"", ""},
        // Names longer than the stack buffer take the same road.
        {std::string(300, 'A') + ".Tar.Gz", "application/x-compressed-tar"}};
    // clang-format on
    for (const auto& [name, type] : cases) {
        EXPECT_EQ(typeOf(globs, name), type) << name;
    }

    // The extension each pattern stands for.
    std::vector<std::string> extensions;
    for (const char* name : {"a.tar.gz", "a.C", "libz.so.1", "ls.1", "README", "CMakeLists.txt"}) {
        extensions.push_back(globs.globs()[globs.match(name)].extension);
    }
    EXPECT_EQ(extensions, (std::vector<std::string>{".tar.gz", ".c", ".so", "", "", ""}));

    // What a reader cannot use is said in German, with the path.
    std::ofstream(dir.path("empty")) << "# nothing but comments\n\n";
    for (const auto& [name, says] : {std::pair{"missing", "ist nicht lesbar (nicht vorhanden)."},
                                     {"empty", "enthält keine Dateimuster."}}) {
        EXPECT_FALSE(MimeGlobs::read(dir.path(name), error));
        EXPECT_EQ(error,
                  "Die Dateitypen lassen sich nicht bestimmen: „" + dir.path(name) + "“ " + says);
    }
}

}  // namespace
}  // namespace raumfuchs
