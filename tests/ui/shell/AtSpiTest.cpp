#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>

#include "support/TempTree.h"

namespace raumfuchs {
namespace {

// The result window as a screen reader reads it over the real AT-SPI bus: a
// private session bus, the accessibility bus and registry it starts on demand,
// an X server, and Raumfuchs scanning a small folder (tests/ui/atspi_probe.py).
TEST(AtSpiTest, ScreenReaderFindsTheChartItsArcsAndRowsWithSizes) {
    const QString session = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
    if (session.isEmpty() || access("/usr/bin/python3", X_OK) != 0) {
        GTEST_SKIP() << "dbus-run-session or /usr/bin/python3 missing (packages dbus, python3)";
    }
    test::TempTree scratch;
    scratch.file("Bilder/urlaub.jpg", 64 * 1024);
    scratch.file("Bilder/Reise/karte.png", 16 * 1024);
    scratch.file("notizen.txt", 8 * 1024);

    QProcess probe;
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(session, {QStringLiteral("--"), QStringLiteral("/usr/bin/python3"),
                          QStringLiteral(ATSPI_PROBE), QStringLiteral(RAUMFUCHS_PROGRAM),
                          QString::fromStdString(scratch.path())});
    ASSERT_TRUE(probe.waitForFinished(180'000)) << "the probe did not finish";
    const std::string output = probe.readAll().toStdString();
    if (probe.exitCode() == 77) {
        GTEST_SKIP() << "AT-SPI not available here: " << output;
    }
    EXPECT_EQ(probe.exitCode(), 0) << output;
}

}  // namespace
}  // namespace raumfuchs
