#include "app/LaunchTarget.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "app/ModelTestSupport.h"
#include "support/FakeDesktopServices.h"

namespace raumfuchs {
namespace {

// Runs the test body in `dir` as working directory and restores the old one.
class InDirectory {
  public:
    explicit InDirectory(const std::string& dir) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~InDirectory() { std::filesystem::current_path(saved_); }

  private:
    std::filesystem::path saved_;
};

using Args = std::vector<std::string>;

TEST(LaunchTarget, BuildsTheTargetFromTheFirstScanOption) {
    test::Scratch dir;
    dir.folder("Bilder");
    // The working directory as the system reports it (the temp folder may
    // lie behind a symbolic link).
    const InDirectory in(dir.path("Bilder"));
    const std::string cwd = std::filesystem::current_path().native();
    FakeDesktopServices services;

    EXPECT_EQ(launchTarget(Args{}, services), std::nullopt);
    EXPECT_EQ(launchTarget(Args{"raumfuchs"}, services), std::nullopt);
    EXPECT_EQ(launchTarget(Args{"raumfuchs", "/tmp", "--scan"}, services), std::nullopt);
    EXPECT_EQ(launchTarget(Args{"raumfuchs", "--scan", "."}, services),
              (ScanTarget{cwd, "Bilder", std::nullopt}));
    EXPECT_EQ(launchTarget(Args{"raumfuchs", "--scan", "/usr/", "--scan", "/tmp"}, services),
              (ScanTarget{"/usr", "usr", std::nullopt}));
    EXPECT_EQ(launchTarget(Args{"raumfuchs", "-x", "--scan", "gibt es nicht", "-y"}, services),
              (ScanTarget{cwd + "/gibt es nicht", "gibt es nicht", std::nullopt}));
    EXPECT_EQ(launchTarget(Args{"raumfuchs", "--scan", "-"}, services),
              (ScanTarget{cwd + "/-", "-", std::nullopt}));
    EXPECT_EQ(launchTarget(Args{"raumfuchs", "--scan", ".."}, services)->path,
              std::filesystem::path(cwd).parent_path().native());
    EXPECT_EQ(launchTarget(Args{"raumfuchs", "--scan", "/"}, services),
              (ScanTarget{"/", "/", std::nullopt}));

    const char* argv[] = {"raumfuchs", "--scan", "-reverse"};
    EXPECT_EQ(argumentBytes(3, argv), (Args{"raumfuchs", "--scan", "-reverse"}));
}

TEST(LaunchTarget, ANonexistentTargetReachesTheModelAndFailsThere) {
    test::ensureApp();
    test::Scratch dir;
    FakeDesktopServices services;
    AppModel model(services);
    const auto target = launchTarget(Args{"raumfuchs", "--scan", dir.path("fehlt/")}, services);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->path, dir.path("fehlt"));
    model.startScan(*target);
    ASSERT_TRUE(test::waitUntil([&] { return model.phase() != Phase::Scanning; }));
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_EQ(model.alertMessage(), QString("„fehlt“ konnte nicht gelesen werden."));
}

}  // namespace
}  // namespace raumfuchs
