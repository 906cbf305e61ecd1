#include "app/launch/LaunchTarget.h"

#include <gtest/gtest.h>

#include "app/ModelTestSupport.h"

namespace raumfuchs {
namespace {

using Args = std::vector<std::string>;

TEST(LaunchTarget, BuildsTheTargetAgainstTheWorkingDirectoryOrFromAnSshAddress) {
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

    const auto target = [&](const std::string& url) {
        return launchTarget(Args{"raumfuchs", "--scan", url}, services);
    };
    EXPECT_EQ(target("ssh://root@127.0.0.1:2222/usr/share%20x"),
              (ScanTarget{"/usr/share x", QStringLiteral("root@127.0.0.1:/usr/share x"),
                          std::nullopt, false, RemoteAddress{"root", "127.0.0.1", 2222}}));
    EXPECT_EQ(target("ssh://[::1]")->remote, (RemoteAddress{"", "::1", 0}));
    EXPECT_EQ(target("ssh://[::1]")->path, "/");
    EXPECT_EQ(target("ssh://server/srv")->displayName, QStringLiteral("server:/srv"));
    // What ssh would read as an option, or no address at all.
    for (const char* wrong : {"ssh://-oProxyCommand=x/", "ssh://a@/x", "ssh://h:0/x", "ssh://h:/x",
                              "ssh://h x/y", "ssh://h/%00", "ssh://h/%4", "ssh://@h/"}) {
        EXPECT_EQ(target(wrong), std::nullopt) << wrong;
    }
    // The remote shell gets the path as one word, whatever it holds.
    EXPECT_EQ(shellQuoted("/a b/it's $x"), "'/a b/it'\\''s $x'");
    EXPECT_EQ(parseRemoteHost("nutzer@rechner:22")->label(), "nutzer@rechner");
    EXPECT_EQ(parseRemoteHost("fe80::1")->host, "fe80::1");
    EXPECT_FALSE(isRemotePath("usr"));
    EXPECT_TRUE(isRemotePath("~/Daten"));
}

}  // namespace
}  // namespace raumfuchs
