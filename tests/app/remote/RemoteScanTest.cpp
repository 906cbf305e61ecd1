// Scans of another machine through a real sshd on the loopback address: the
// scanner the other side has, ssh's questions answered through the askpass
// program, failures in German with ssh's or the scanner's own words, and a
// cancel that leaves no process on either side.
#include <sys/stat.h>

#include <fstream>

#include "app/ModelTestSupport.h"
#include "app/launch/LaunchTarget.h"
#include "support/LoopbackSshd.h"
#include "support/Processes.h"

namespace raumfuchs {
namespace {

class RemoteScanTest : public test::ModelTest {
  protected:
    static void SetUpTestSuite() { sshd_ = std::make_unique<test::LoopbackSshd>(); }
    static void TearDownTestSuite() { sshd_.reset(); }

    void SetUp() override {
        if (!sshd_->skipReason().empty()) {
            GTEST_SKIP() << sshd_->skipReason();
        }
        // Answers ssh's questions as a user would, and notes what it was asked.
        askpass_ = scratch.path("askpass");
        std::ofstream(askpass_) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> " << scratch.path("asked")
                                << "\ncat " << scratch.path("answer") << "\n";
        ::chmod(askpass_.c_str(), 0755);
        answer("");
        sshd_->trustHostKey();
        sshd_->provide("raumfuchs-scan", RAUMFUCHS_SCAN_PROGRAM);
        sshd_->withdraw("ncdu");
        scratch.file("Daten/a.bin", 96 * 1024);
        scratch.file("Daten/Fotos/b.jpg", 40 * 1024);
        scratch.hardLink("Daten/a.bin", "Daten/Fotos/a-link.bin");
    }

    void answer(const std::string& text) { std::ofstream(scratch.path("answer")) << text << "\n"; }
    std::string asked() const { return test::fileContents(scratch.path("asked")); }

    // Starts the scan of `path` there, as `raumfuchs --scan ssh://…` does.
    void start(const std::string& path, const std::vector<std::string>& sshOptions = {}) {
        model.streamLaunchers().ssh = sshd_->ssh(sshOptions);
        model.streamLaunchers().askpass = askpass_;
        const auto target = launchTarget({"raumfuchs", "--scan", sshd_->url(path)}, services);
        ASSERT_TRUE(target);
        model.startScan(*target);
    }
    void scan(const std::string& path, const std::vector<std::string>& sshOptions = {}) {
        start(path, sshOptions);
        test::finishScan(model);
    }
    QString alert() const { return model.alertMessage().value_or(QString()); }
    std::int64_t du(const std::string& path) const {
        return std::stoll(test::commandOutput("du -sB1 '" + path + "'"));
    }

    static inline std::unique_ptr<test::LoopbackSshd> sshd_;
    std::string askpass_;
};

TEST_F(RemoteScanTest, ShowsTheOtherSidesTreeWithWhicheverScannerItHas) {
    const std::vector<std::string> fdsBefore = test::openDescriptors();
    const std::string path = scratch.path("Daten");
    const std::string origin = "root@127.0.0.1:" + path;

    scan(path);
    ASSERT_EQ(model.phase(), Phase::Result) << alert().toStdString();
    EXPECT_EQ(model.root().size(), du(path));
    EXPECT_EQ(model.exportOrigin()->file, origin);
    EXPECT_TRUE(model.exportOrigin()->remote);
    EXPECT_TRUE(model.isImported());  // its paths are not this machine's
    EXPECT_TRUE(model.canRescan());
    EXPECT_FALSE(model.canRefresh());

    // The same folder again, by ncdu where raumfuchs-scan is missing.
    scratch.file("Daten/neu.txt", 8 * 1024);
    sshd_->withdraw("raumfuchs-scan");
    sshd_->provide("ncdu", "/usr/bin/ncdu");
    model.rescan();
    test::finishScan(model);
    ASSERT_FALSE(model.alertMessage()) << alert().toStdString();
    EXPECT_EQ(model.root().size(), du(path));
    EXPECT_EQ(model.exportOrigin()->producer.substr(0, 4), "ncdu");
    const FileNode shown = model.root();

    // Neither: said so, and the tree shown stays.
    sshd_->withdraw("ncdu");
    scan(path);
    EXPECT_EQ(alert(), QStringLiteral("Auf „root@127.0.0.1“ ist weder raumfuchs-scan noch ncdu "
                                      "installiert."));
    EXPECT_EQ(model.root(), shown);
    EXPECT_EQ(model.exportOrigin()->file, origin);

    // A scanner that dies after half its export: its own last words.
    const std::string exported = scratch.path("export.json");
    test::commandOutput(std::string(RAUMFUCHS_SCAN_PROGRAM) + " --quiet --export " + exported +
                        " " + path);
    const std::string dying = scratch.path("sterbender-scanner");
    std::ofstream(dying) << "#!/bin/sh\n/usr/bin/head -c "
                         << test::fileContents(exported).size() / 2 << " " << exported
                         << "\necho 'raumfuchs-scan: Lesefehler in /srv/a' >&2\nexit 2\n";
    ::chmod(dying.c_str(), 0755);
    sshd_->provide("raumfuchs-scan", dying);
    model.setAlertMessage(std::nullopt);
    scan(path);
    EXPECT_EQ(alert(), QStringLiteral("Der Scan von „%1“ brach ab: „raumfuchs-scan: Lesefehler in "
                                      "/srv/a“.")
                           .arg(QString::fromStdString(origin)))
        << alert().toStdString();
    EXPECT_EQ(model.root(), shown);

    EXPECT_TRUE(test::processes(getpid()).empty());
    EXPECT_EQ(test::openDescriptors(), fdsBefore);
}

TEST_F(RemoteScanTest, AsksThroughTheAskpassProgramAndAcceptsNothingSilently) {
    const std::string path = scratch.path("Daten");
    // An unknown host key: refused, then accepted; the question shows the key.
    sshd_->forgetHostKey();
    answer("no");
    scan(path);
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_NE(alert().indexOf(QStringLiteral("Host key verification failed.")), -1)
        << alert().toStdString();
    EXPECT_NE(asked().find(sshd_->hostKeyFingerprint()), std::string::npos) << asked();
    EXPECT_NE(asked().find("(yes/no"), std::string::npos) << asked();
    EXPECT_EQ(sshd_->knownHosts(), "");
    answer("yes");
    scan(path);
    ASSERT_EQ(model.phase(), Phase::Result) << alert().toStdString();
    EXPECT_EQ(model.root().size(), du(path));
    EXPECT_NE(sshd_->knownHosts().find("[127.0.0.1]:" + std::to_string(sshd_->port())),
              std::string::npos);

    // A wrong password, typed into the askpass program's prompt.
    std::filesystem::remove(scratch.path("asked"));
    answer("falsches-passwort");
    model.setAlertMessage(std::nullopt);
    scan(path, {"-o", "PubkeyAuthentication=no", "-o", "NumberOfPasswordPrompts=1"});
    EXPECT_NE(asked().find("root@127.0.0.1's password:"), std::string::npos) << asked();
    EXPECT_NE(alert().indexOf(QStringLiteral("Permission denied")), -1) << alert().toStdString();
}

TEST_F(RemoteScanTest, CancelEndsTheScanOnBothSides) {
    const std::vector<std::string> fdsBefore = test::openDescriptors();
    // A scanner that never ends: the header, then blanks between values.
    const std::string endless = scratch.path("endloser-scanner");
    std::ofstream(endless) << "#!/bin/sh\nprintf '[1,2,{\"progname\":\"x\"},\\n'\n"
                              "while :; do printf ' '; /bin/sleep 0.05; done\n";
    ::chmod(endless.c_str(), 0755);
    sshd_->provide("raumfuchs-scan", endless);
    start(scratch.path("Daten"));
    const std::string remote = sshd_->remoteBin() + "/raumfuchs-scan";
    ASSERT_TRUE(test::waitFor([&] { return !test::processes(0, remote).empty(); }));
    model.cancelScan();
    EXPECT_EQ(model.phase(), Phase::Start);
    test::settle(model);
    EXPECT_FALSE(model.alertMessage());
    EXPECT_TRUE(test::processes(getpid()).empty());
    // The other side's scanner goes once its output has nowhere to go.
    EXPECT_TRUE(test::waitFor([&] { return test::processes(0, remote).empty(); }));
    EXPECT_EQ(test::openDescriptors(), fdsBefore);
}

}  // namespace
}  // namespace raumfuchs
