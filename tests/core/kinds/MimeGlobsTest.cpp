#include "core/kinds/MimeGlobs.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

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
    EXPECT_EQ(typeOf(globs, "y.bad"), "");
    EXPECT_EQ(typeOf(globs, "line.crlf"), "text/x-crlf");

    // The longest suffix with a pattern wins, even over a heavier shorter one.
    EXPECT_EQ(typeOf(globs, "backup.tar.gz"), "application/x-compressed-tar");
    EXPECT_EQ(typeOf(globs, "Backup.TAR.GZ"), "application/x-compressed-tar");
    EXPECT_EQ(typeOf(globs, "dump.gz"), "application/gzip");
    EXPECT_EQ(typeOf(globs, "tar.gz"), "application/gzip");  // ".tar.gz" is not a suffix of it
    // The same suffix: the heavier pattern, though listed later; at equal
    // weight the one listed first.
    EXPECT_EQ(typeOf(globs, "key.asc"), "text/plain");
    EXPECT_EQ(typeOf(globs, "model.m"), "text/x-objcsrc");
    // Case: `cs` patterns match their exact bytes and win over those without.
    EXPECT_EQ(typeOf(globs, "main.C"), "text/x-c++src");
    EXPECT_EQ(typeOf(globs, "MAIN.C"), "text/x-c++src");
    EXPECT_EQ(typeOf(globs, "main.c"), "text/x-csrc");
    EXPECT_EQ(typeOf(globs, "tool.gs"), "text/x-genie");
    EXPECT_EQ(typeOf(globs, "tool.GS"), "");
    // A literal name comes before its suffix, whatever the case.
    EXPECT_EQ(typeOf(globs, "CMakeLists.txt"), "text/x-cmake");
    EXPECT_EQ(typeOf(globs, "cmakelists.TXT"), "text/x-cmake");
    EXPECT_EQ(typeOf(globs, "notes.txt"), "text/plain");
    // Other patterns only when no suffix matched; there the heavier, then the
    // longer, then the case-sensitive one.
    EXPECT_EQ(typeOf(globs, "libz.so.1"), "application/x-sharedlib");
    EXPECT_EQ(typeOf(globs, "libz.so.1.gz"), "application/gzip");
    EXPECT_EQ(typeOf(globs, "ls.1"), "application/x-troff-man");
    EXPECT_EQ(typeOf(globs, "README"), "text/x-readme");
    EXPECT_EQ(typeOf(globs, "xyz"), "text/x-b");
    EXPECT_EQ(typeOf(globs, "xy"), "text/x-a");
    EXPECT_EQ(typeOf(globs, "BIGFILE"), "text/x-big");
    EXPECT_EQ(typeOf(globs, "bigfile"), "");
    EXPECT_EQ(typeOf(globs, ""), "");
    // Names longer than the stack buffer take the same road.
    EXPECT_EQ(typeOf(globs, std::string(300, 'A') + ".Tar.Gz"), "application/x-compressed-tar");

    // The extension each pattern stands for.
    const auto extension = [&](const std::string& name) {
        return globs.globs()[globs.match(name)].extension;
    };
    EXPECT_EQ(extension("a.tar.gz"), ".tar.gz");
    EXPECT_EQ(extension("a.C"), ".c");
    EXPECT_EQ(extension("libz.so.1"), ".so");
    EXPECT_EQ(extension("ls.1"), "");
    EXPECT_EQ(extension("README"), "");
    EXPECT_EQ(extension("CMakeLists.txt"), "");

    // What a reader cannot use is said in German, with the path.
    EXPECT_FALSE(MimeGlobs::read(dir.path("missing"), error));
    EXPECT_EQ(error, "Die Dateitypen lassen sich nicht bestimmen: „" + dir.path("missing") +
                         "“ ist nicht lesbar (nicht vorhanden).");
    std::ofstream(dir.path("empty")) << "# nothing but comments\n\n";
    EXPECT_FALSE(MimeGlobs::read(dir.path("empty"), error));
    EXPECT_EQ(error, "Die Dateitypen lassen sich nicht bestimmen: „" + dir.path("empty") +
                         "“ enthält keine Dateimuster.");
}

}  // namespace
}  // namespace raumfuchs
