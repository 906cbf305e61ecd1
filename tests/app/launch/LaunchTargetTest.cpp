#include "app/launch/LaunchTarget.h"

#include <gtest/gtest.h>

#include "app/ModelTestSupport.h"
#include "support/FakeDesktopServices.h"

namespace raumfuchs {
namespace {

using Args = std::vector<std::string>;

TEST(LaunchTarget, BuildsTheTargetAgainstTheWorkingDirectory) {
    test::TempTree dir;
    dir.folder("Bilder");
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(dir.path("Bilder"));
    const std::string cwd = std::filesystem::current_path().native();  // as the system has it
    FakeDesktopServices services;

    EXPECT_EQ(launchTarget(Args{"raumfuchs"}, services), std::nullopt);
    EXPECT_EQ(launchTarget(Args{"raumfuchs", "--scan", "."}, services),
              (ScanTarget{cwd, "Bilder", std::nullopt}));
    // Not checked for existence: the model reports a target it cannot read.
    EXPECT_EQ(launchTarget(Args{"raumfuchs", "-x", "--scan", "gibt es nicht/", "-y"}, services),
              (ScanTarget{cwd + "/gibt es nicht", "gibt es nicht", std::nullopt}));
    // An export to read, also when a folder to scan is named too.
    EXPECT_EQ(launchTarget(Args{"raumfuchs", "--scan", "/usr", "--open", "../srv.json"}, services),
              (ScanTarget{std::filesystem::path(cwd).parent_path().native() + "/srv.json",
                          "srv.json", std::nullopt, true}));
    std::filesystem::current_path(saved);
}

}  // namespace
}  // namespace raumfuchs
