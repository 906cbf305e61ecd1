#include "platform/LinuxDesktopServices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QFileDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/QtTestApp.h"

namespace raumfuchs {
namespace {

namespace fs = std::filesystem;

// Stands in for the desktop's URL handlers: records what would be opened.
class UrlRecorder : public QObject {
    Q_OBJECT
  public:
    std::vector<QByteArray> urls;
  public slots:
    void handle(const QUrl& url) { urls.push_back(url.toEncoded()); }
};

// Every test gets its own HOME and XDG folders and no session bus, so that
// nothing reaches the desktop of whoever runs the tests.
class LinuxDesktopServicesTest : public ::testing::Test {
  protected:
    LinuxDesktopServicesTest() {
        fs::create_directories(root + "/home");
        env.set("HOME", root + "/home");
        env.set("XDG_DATA_HOME", root + "/data");
        env.set("XDG_CONFIG_HOME", root + "/config");
        env.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/raumfuchs-test-bus");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "handle");
    }
    ~LinuxDesktopServicesTest() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    bool appReady = (test::ensureApp(), true);
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    test::ScopedEnv env;
    UrlRecorder recorder;
};

TEST_F(LinuxDesktopServicesTest, UrlsCarryTheExactBytesAndRevealOpensEachFolderOnce) {
    LinuxDesktopServices services;
    EXPECT_TRUE(services.open({"/srv/Bilder/\xff.png", false}));
    // Without a file manager on the bus: the containing folders, each once.
    int failures = 0;
    services.reveal(
        {{"/srv/a/eins", false}, {"/srv/a/zwei/", true}, {"/srv/b c/drei", false}, {"/top", true}},
        [&] { ++failures; });
    test::waitUntil([&] { return recorder.urls.size() >= 4; }, 5000);
    services.reveal({}, [&] { ++failures; });
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.urls, (std::vector<QByteArray>{"file:///srv/Bilder/%FF.png", "file:///srv/a",
                                                      "file:///srv/b%20c", "file:///"}));
    EXPECT_EQ(failures, 0);
}

// A session bus of its own, without file manager and without service
// activation; the address once it listens, empty when it could not start.
QString startPrivateBus(QProcess& daemon, const std::string& folder) {
    const std::string config = folder + "/bus.conf";
    std::ofstream(config) << ("<busconfig><type>session</type><listen>unix:path=" + folder +
                              "/bus</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                              "<allow user=\"*\"/><allow send_destination=\"*\"/>"
                              "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy>"
                              "</busconfig>");
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                  QStringLiteral("--config-file=") + QString::fromStdString(config)});
    if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000)) {
        return {};
    }
    return QString::fromUtf8(daemon.readLine()).trimmed();
}

// On a real session bus where no file manager answers: the folders open
// instead, and with nothing to open them either the failure is reported.
// Its own process, since Qt connects to the session bus once per process.
int revealOnABusWithoutFileManager(const std::string& folder, UrlRecorder& recorder) {
    QProcess daemon;
    const QString address = startPrivateBus(daemon, folder);
    if (address.isEmpty()) {
        std::fprintf(stderr, "dbus-daemon startet nicht\n");
        return 2;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    qputenv("PATH", "/nonexistent");  // no xdg-open, no program for folders
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool ready = bus.isConnected() && !bus.interface()->isServiceRegistered(
                                                QStringLiteral("org.freedesktop.FileManager1"));
    LinuxDesktopServices services;
    int failures = 0;
    services.reveal({{"/srv/a/eins", false}}, [&] { ++failures; });
    test::waitUntil([&] { return !recorder.urls.empty(); }, 5000);
    const bool folderOpened = recorder.urls == std::vector<QByteArray>{"file:///srv/a"};

    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    services.reveal({{"/srv/a/eins", false}, {"/srv/b/zwei", false}}, [&] { ++failures; });
    test::waitUntil([&] { return failures > 0; }, 5000);
    const bool opened = services.open({"/srv/a/eins", false});
    std::fprintf(stderr, "Bus %d, Ordner %d, Fehlschläge %d, geöffnet %d\n", ready, folderOpened,
                 failures, opened);
    daemon.kill();
    daemon.waitForFinished();
    return ready && folderOpened && failures == 1 && !opened ? 0 : 1;
}

TEST_F(LinuxDesktopServicesTest, WithoutFileManagerRevealOpensTheFolderOrSaysItFailed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(revealOnABusWithoutFileManager(root, recorder)),
                testing::ExitedWithCode(0), "");
}

TEST_F(LinuxDesktopServicesTest, NamesDownloadsFolderAndFolderChooser) {
    LinuxDesktopServices services;
    // Decoded as it is stored: no normalisation, and bytes that are not UTF-8 still show.
    EXPECT_EQ(services.displayName("/x/Mu\xcc\x88nchen/"), QString::fromUtf8("Mu\xcc\x88nchen"));
    EXPECT_FALSE(services.displayName("/x/bad\xff").isEmpty());

    EXPECT_EQ(services.downloadsPath(), std::nullopt);  // no such folder yet
    fs::create_directories(root + "/home/Downloads");
    EXPECT_EQ(services.downloadsPath(), root + "/home/Downloads");

    const std::string chosen = root + "/home/Größe";
    fs::create_directories(chosen);
    // The chooser starts at home and offers folders only.
    QString start;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        start = dialog->directory().absolutePath();
        EXPECT_TRUE(dialog->fileMode() == QFileDialog::Directory &&
                    dialog->testOption(QFileDialog::ShowDirsOnly));
        dialog->setDirectory(QString::fromStdString(chosen));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(services.chooseFolder(), chosen);
    EXPECT_EQ(start.toStdString(), root + "/home");

    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            qobject_cast<QDialog*>(dialog)->reject();
        }
    });
    EXPECT_EQ(services.chooseFolder(), std::nullopt);
}

}  // namespace
}  // namespace raumfuchs

#include "LinuxDesktopServicesTest.moc"
