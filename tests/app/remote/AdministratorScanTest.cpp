// A scan as administrator through the launcher seam: setpriv runs the real
// raumfuchs-scan under the uid given, in place of pkexec. Only as root is a
// folder of mode 700 that belongs to another user read in full; the tree is
// this machine's, and a refused login is said so.
#include <sys/stat.h>
#include <unistd.h>

#include "app/ModelTestSupport.h"
#include "support/Processes.h"

namespace raumfuchs {
namespace {

struct AdministratorScanTest : test::ModelTest {
    void scanAs(const std::vector<std::string>& launcher) {
        model.streamLaunchers().elevate = launcher;
        model.streamLaunchers().scanner = RAUMFUCHS_SCAN_PROGRAM;
        model.startScan(ScanTarget{path, "Daten", std::nullopt, false, std::nullopt, true});
        test::finishScan(model);
    }
    static std::vector<std::string> setpriv(const std::string& id) {
        return {"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"};
    }
    const std::string path = scratch.path("Daten");
};

TEST_F(AdministratorScanTest, ReadsWhatOnlyRootMayReadAndKeepsTheTreeLocal) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to hand folders to another user";
    }
    const std::vector<std::string> fdsBefore = test::openDescriptors();
    scratch.file("Daten/offen.bin", 16 * 1024);
    scratch.file("Daten/privat/geheim.bin", 64 * 1024);
    ASSERT_EQ(::chmod(scratch.path().c_str(), 0755), 0);
    ASSERT_EQ(::chown(scratch.path("Daten/privat").c_str(), 4242, 4242), 0);
    ASSERT_EQ(::chmod(scratch.path("Daten/privat").c_str(), 0700), 0);
    const auto du = std::stoll(test::commandOutput("du -sB1 '" + path + "'"));

    // A login refused in pkexec's dialog.
    scanAs({"sh", "-c",
            "echo 'Error executing command as another user: Not authorized' >&2; exit 126",
            "pkexec"});
    EXPECT_EQ(model.alertMessage(),
              QStringLiteral("„%1“ wurde nicht als Administrator gescannt: Die Anmeldung wurde "
                             "abgebrochen oder abgelehnt.")
                  .arg(QString::fromStdString(path)));
    EXPECT_FALSE(model.scannedAsAdministrator());

    scanAs(setpriv("0"));
    ASSERT_EQ(model.phase(), Phase::Result) << model.alertMessage().value_or("").toStdString();
    EXPECT_EQ(model.root().size(), du);
    EXPECT_EQ(model.root().fileCount(), 2);
    EXPECT_EQ(model.unreadableCount(), 0);
    EXPECT_TRUE(model.scannedAsAdministrator());
    // This machine's files: shown in the file manager and trashed with the
    // user's own rights, but not read again with less than root's.
    EXPECT_FALSE(model.isImported());
    EXPECT_FALSE(model.canRefresh());
    model.revealInFileManager({model.node(path + "/offen.bin")});
    EXPECT_EQ(services.revealed.size(), 1);

    // The same call under another user's uid misses the folder.
    scanAs(setpriv("65534"));
    EXPECT_EQ(model.unreadableCount(), 1);
    EXPECT_LT(model.root().size(), du - 60 * 1024);

    EXPECT_TRUE(test::processes(getpid()).empty());
    EXPECT_EQ(test::openDescriptors(), fdsBefore);
}

}  // namespace
}  // namespace raumfuchs
