#include "platform/LinuxDesktopServices.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <tuple>

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

// Every test gets its own HOME and XDG folders, and no session bus, so that
// nothing reaches the desktop of whoever runs the tests.
class LinuxDesktopServicesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::ensureApp();
        std::string pattern = fs::temp_directory_path().string() + "/raumfuchs-desktop-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        fs::create_directories(root + "/home");
        for (const char* name : kVariables) {
            saved.emplace_back(name, qgetenv(name), qEnvironmentVariableIsSet(name));
        }
        qputenv("HOME", QByteArray::fromStdString(root + "/home"));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(root + "/data"));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root + "/config"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/raumfuchs-test-bus");
        for (const char* scheme : {"file", "x-apple.systempreferences"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "handle");
        }
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("x-apple.systempreferences"));
        for (const auto& [name, value, wasSet] : saved) {
            if (wasSet) {
                qputenv(name, value);
            } else {
                qunsetenv(name);
            }
        }
        fs::remove_all(root);
    }
    // Lets queued work (answers from the bus) run for a moment.
    void waitForUrls(std::size_t count) {
        QElapsedTimer timer;
        timer.start();
        while (recorder.urls.size() < count && timer.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }

    static constexpr const char* kVariables[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                                 "DBUS_SESSION_BUS_ADDRESS"};
    std::vector<std::tuple<const char*, QByteArray, bool>> saved;
    std::string root;
    UrlRecorder recorder;
};

TEST_F(LinuxDesktopServicesTest, TrashesIntoTheUsersDataFolder) {
    const std::string item = root + "/home/Über\xff.bin";
    std::ofstream(item) << "daten";
    LinuxDesktopServices services;
    EXPECT_TRUE(services.moveToTrash({item, false}));
    EXPECT_FALSE(fs::exists(item));
    EXPECT_TRUE(fs::exists(root + "/data/Trash/files/Über\xff.bin"));
    EXPECT_TRUE(fs::exists(root + "/data/Trash/info/Über\xff.bin.trashinfo"));
    EXPECT_FALSE(services.moveToTrash({item, false}));  // gone already
}

TEST_F(LinuxDesktopServicesTest, FileUrlsCarryTheExactBytes) {
    EXPECT_EQ(LinuxDesktopServices::fileUri("/a b/ä/\xff#?"),
              QByteArray("file:///a%20b/%C3%A4/%FF%23%3F"));
    EXPECT_EQ(LinuxDesktopServices::fileUrl("/a b/ä").toLocalFile(), QStringLiteral("/a b/ä"));
    EXPECT_EQ(LinuxDesktopServices::fileUrl("/x/\xff").toEncoded(), QByteArray("file:///x/%FF"));

    LinuxDesktopServices services;
    services.open({"/srv/Bilder/\xff.png", false});
    services.openAddress(
        QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles"));
    ASSERT_EQ(recorder.urls.size(), 2u);
    EXPECT_EQ(recorder.urls[0], QByteArray("file:///srv/Bilder/%FF.png"));
    EXPECT_EQ(recorder.urls[1], QByteArray("x-apple.systempreferences:com.apple.preference."
                                           "security?Privacy_AllFiles"));
}

TEST_F(LinuxDesktopServicesTest, RevealWithoutFileManagerOpensEachContainingFolderOnce) {
    LinuxDesktopServices services;
    services.reveal(
        {{"/srv/a/eins", false}, {"/srv/a/zwei/", true}, {"/srv/b c/drei", false}, {"/top", true}});
    waitForUrls(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.urls,
              (std::vector<QByteArray>{"file:///srv/a", "file:///srv/b%20c", "file:///"}));
    services.reveal({});
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.urls.size(), 3u);
}

TEST_F(LinuxDesktopServicesTest, ClipboardHoldsTheText) {
    LinuxDesktopServices services;
    services.setClipboardText(QStringLiteral("/home/anna/Straße mit Leerzeichen\n/tmp/zwei"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("/home/anna/Straße mit Leerzeichen\n/tmp/zwei"));
    services.setClipboardText(QString());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
}

TEST_F(LinuxDesktopServicesTest, NamesAndFolders) {
    LinuxDesktopServices services;
    EXPECT_EQ(services.displayName("/"), QStringLiteral("/"));
    EXPECT_EQ(services.displayName("///"), QStringLiteral("/"));
    EXPECT_EQ(services.displayName("/home/anna/Fotos"), QStringLiteral("Fotos"));
    EXPECT_EQ(services.displayName("/home/anna/Fotos/"), QStringLiteral("Fotos"));
    EXPECT_EQ(services.displayName("/media/USB Stick"), QStringLiteral("USB Stick"));
    EXPECT_EQ(services.displayName("/x/Mu\xcc\x88nchen"), QString::fromUtf8("Mu\xcc\x88nchen"));
    EXPECT_FALSE(services.displayName("/x/bad\xff").isEmpty());

    EXPECT_EQ(services.homePath(), root + "/home");
    EXPECT_EQ(services.downloadsPath(), std::nullopt);  // no such folder yet
    fs::create_directories(root + "/home/Downloads");
    EXPECT_EQ(services.downloadsPath(), root + "/home/Downloads");
}

TEST_F(LinuxDesktopServicesTest, FolderChooser) {
    const std::string chosen = root + "/home/Größe";
    fs::create_directories(chosen);
    LinuxDesktopServices services;
    QString title;
    QString accept;
    QString startFolder;
    bool directoriesOnly = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        accept = dialog->labelText(QFileDialog::Accept);
        startFolder = dialog->directory().absolutePath();
        directoriesOnly = dialog->fileMode() == QFileDialog::Directory &&
                          dialog->testOption(QFileDialog::ShowDirsOnly);
        dialog->setDirectory(QString::fromStdString(chosen));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(services.chooseFolder(), chosen);
    EXPECT_EQ(title, QStringLiteral("Wähle einen Ordner, den Raumfuchs vermessen soll."));
    EXPECT_EQ(accept, QStringLiteral("Scannen"));
    EXPECT_EQ(startFolder, QString::fromStdString(root + "/home"));
    EXPECT_TRUE(directoriesOnly);

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
