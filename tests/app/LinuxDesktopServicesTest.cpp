#include "platform/LinuxDesktopServices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>

#include "app/ModelTestSupport.h"

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
        for (const char* scheme : kSchemes) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "handle");
        }
    }
    ~LinuxDesktopServicesTest() override {
        for (const char* scheme : kSchemes) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }

    static constexpr const char* kSchemes[] = {"file", "x-apple.systempreferences"};
    bool appReady = (test::ensureApp(), true);
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    test::ScopedEnv env;
    UrlRecorder recorder;
};

TEST_F(LinuxDesktopServicesTest, UrlsCarryTheExactBytesAndRevealOpensEachFolderOnce) {
    LinuxDesktopServices services;
    services.open({"/srv/Bilder/\xff.png", false});
    const QString address =
        QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles");
    services.openAddress(address);
    // Without a file manager on the bus: the containing folders, each once.
    services.reveal(
        {{"/srv/a/eins", false}, {"/srv/a/zwei/", true}, {"/srv/b c/drei", false}, {"/top", true}});
    test::waitUntil([&] { return recorder.urls.size() >= 5; }, 5000);
    services.reveal({});
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.urls,
              (std::vector<QByteArray>{"file:///srv/Bilder/%FF.png", address.toLatin1(),
                                       "file:///srv/a", "file:///srv/b%20c", "file:///"}));
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
