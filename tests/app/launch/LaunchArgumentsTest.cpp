#include "app/launch/LaunchArguments.h"

#include <gtest/gtest.h>

namespace raumfuchs {
namespace {

using Args = std::vector<std::string>;

TEST(LaunchArguments, TheFirstExactOptionTakesTheNextElementVerbatimAndPathsAreCleanedByteForByte) {
    for (const Args& args :
         {Args{}, Args{"raumfuchs", "--scan"}, Args{"raumfuchs", "--SCAN", "/a"},
          Args{"raumfuchs", "--scan=/a", "/b"}, Args{"raumfuchs", "--scanner", "/a"}}) {
        EXPECT_EQ(LaunchArguments::scanPath(args), std::nullopt) << args.size();
    }
    EXPECT_EQ(LaunchArguments::scanPath({"raumfuchs", "-v", "--scan", "/a", "--scan", "/b"}), "/a");
    EXPECT_EQ(LaunchArguments::scanPath({"raumfuchs", "--scan", "--scan"}), "--scan");
    EXPECT_EQ(LaunchArguments::scanPath({"raumfuchs", "--scan", "M\xFC ll/"}), "M\xFC ll/");

    // "--open" likewise; the value of either option is never the other option.
    EXPECT_EQ(LaunchArguments::openPath({"raumfuchs", "--open", "a.json", "--scan", "/b"}),
              "a.json");
    EXPECT_EQ(LaunchArguments::scanPath({"raumfuchs", "--open", "--scan", "/b"}), std::nullopt);
    EXPECT_EQ(LaunchArguments::openPath({"raumfuchs", "--scan", "--open", "x"}), std::nullopt);
    EXPECT_EQ(LaunchArguments::scanPath({"raumfuchs", "--scan", "--open", "x"}), "--open");
    char program[] = "raumfuchs", open[] = "--open", file[] = "-reverse", other[] = "-v";
    char* argv[] = {program, open, file, other, nullptr};
    const std::vector<char*> kept = LaunchArguments::toolkitArguments(4, argv);
    EXPECT_EQ(kept, (std::vector<char*>{program, other, nullptr}));

    // Paths made absolute against the working folder and cleaned.
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {".", "/home/ann/Bilder"}, {"", "/home/ann/Bilder"}, {"Urlaub/", "/home/ann/Bilder/Urlaub"},
        {"../Musik//alt/./", "/home/ann/Musik/alt"}, {"-rf", "/home/ann/Bilder/-rf"}, {"//", "/"},
        {"/../..", "/"}, {"/tmp/x/", "/tmp/x"}, {"/tmp/.hidden/..x", "/tmp/.hidden/..x"}};
    // clang-format on
    for (const auto& [path, absolute] : cases) {
        EXPECT_EQ(LaunchArguments::absolutePath(path, "/home/ann/Bilder"), absolute) << path;
    }
    // Bytes that are not UTF-8 pass through untouched.
    EXPECT_EQ(LaunchArguments::absolutePath("M\xFCll", "/d\xE9j\xE0"), "/d\xE9j\xE0/M\xFCll");
}

}  // namespace
}  // namespace raumfuchs
