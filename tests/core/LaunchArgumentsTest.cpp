#include "core/LaunchArguments.h"

#include <gtest/gtest.h>

namespace raumfuchs {
namespace {

using Args = std::vector<std::string>;

TEST(LaunchArguments, TheFirstExactScanOptionTakesTheNextElementVerbatim) {
    EXPECT_EQ(LaunchArguments::scanPath({}), std::nullopt);
    EXPECT_EQ(LaunchArguments::scanPath(Args{"raumfuchs"}), std::nullopt);
    EXPECT_EQ(LaunchArguments::scanPath(Args{"raumfuchs", "--scan"}), std::nullopt);
    EXPECT_EQ(
        LaunchArguments::scanPath(Args{"raumfuchs", "-v", "--scan", "/a", "--scan", "/b", "x"}),
        "/a");
    EXPECT_EQ(LaunchArguments::scanPath(Args{"raumfuchs", "--scan", "--scan"}), "--scan");
    EXPECT_EQ(LaunchArguments::scanPath(Args{"raumfuchs", "--scan", "-rf"}), "-rf");
    EXPECT_EQ(LaunchArguments::scanPath(Args{"raumfuchs", "--SCAN", "/a"}), std::nullopt);
    EXPECT_EQ(LaunchArguments::scanPath(Args{"raumfuchs", "--scan=/a", "/b"}), std::nullopt);
    EXPECT_EQ(LaunchArguments::scanPath(Args{"raumfuchs", "--scanner", "/a"}), std::nullopt);
    EXPECT_EQ(LaunchArguments::scanPath(Args{"raumfuchs", "--scan", "M\xFC ll/"}), "M\xFC ll/");
}

TEST(LaunchArguments, AbsolutePathsAreResolvedAndCleanedByteForByte) {
    const std::string cwd = "/home/ann/Bilder";
    EXPECT_EQ(LaunchArguments::absolutePath(".", cwd), "/home/ann/Bilder");
    EXPECT_EQ(LaunchArguments::absolutePath("", cwd), "/home/ann/Bilder");
    EXPECT_EQ(LaunchArguments::absolutePath("Urlaub/", cwd), "/home/ann/Bilder/Urlaub");
    EXPECT_EQ(LaunchArguments::absolutePath("../Musik//alt/./", cwd), "/home/ann/Musik/alt");
    EXPECT_EQ(LaunchArguments::absolutePath("-rf", cwd), "/home/ann/Bilder/-rf");
    EXPECT_EQ(LaunchArguments::absolutePath("/", cwd), "/");
    EXPECT_EQ(LaunchArguments::absolutePath("//", cwd), "/");
    EXPECT_EQ(LaunchArguments::absolutePath("/../..", cwd), "/");
    EXPECT_EQ(LaunchArguments::absolutePath("/tmp/x/", cwd), "/tmp/x");
    EXPECT_EQ(LaunchArguments::absolutePath("/tmp/.hidden/..x", cwd), "/tmp/.hidden/..x");
    // Bytes that are not UTF-8 pass through untouched.
    EXPECT_EQ(LaunchArguments::absolutePath("M\xFCll", "/d\xE9j\xE0"), "/d\xE9j\xE0/M\xFCll");
}

}  // namespace
}  // namespace raumfuchs
