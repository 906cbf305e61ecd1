// The menu commands: enabled states through the phases and what they do; the
// update command without settings.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include "app/ModelTestSupport.h"
#include "support/FakeDesktopServices.h"
#include "ui/AboutDialog.h"
#include "ui/MainWindow.h"
#include "ui/Updater.h"

namespace raumfuchs {
namespace {

using test::Scratch;
using test::waitUntil;

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() { test::ensureApp(); }
    ~MainWindowTest() override {
        model.cancelScan();
        waitUntil([&] { return model.scansInFlight() == 0; });
    }

    QAction* action(const char* name) {
        auto* found = window.findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    bool appReady = (test::ensureApp(), true);  // widgets below need the application
    Scratch scratch;
    FakeDesktopServices services;
    AppModel model{services};
    MainWindow window{model};
};

TEST_F(MainWindowTest, EnabledStatesFollowThePhases) {
    scratch.file("Projekte/alt/log.txt", 4096);
    QAction* rescan = action("rescanAction");
    QAction* parent = action("parentAction");
    QAction* root = action("rootAction");
    EXPECT_EQ(rescan->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
    EXPECT_EQ(parent->shortcut(), QKeySequence(QStringLiteral("Ctrl+Up")));
    EXPECT_EQ(root->shortcut(), QKeySequence(QStringLiteral("Shift+Ctrl+Up")));
    EXPECT_EQ(action("scanFolderAction")->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(action("overviewAction")->shortcut(), QKeySequence(QStringLiteral("Ctrl+1")));

    // Start: nothing to repeat, no tree.
    EXPECT_FALSE(rescan->isEnabled());
    EXPECT_FALSE(parent->isEnabled());
    EXPECT_FALSE(root->isEnabled());

    // Scanning a volume: still nothing to repeat.
    model.startScan(ScanTarget{scratch.path(), QStringLiteral("Daten"), 123456});
    EXPECT_FALSE(rescan->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return model.phase() == Phase::Result; }));

    // Result at the root: repeat and root on, no parent.
    EXPECT_TRUE(rescan->isEnabled());
    EXPECT_TRUE(root->isEnabled());
    EXPECT_FALSE(parent->isEnabled());

    const FileNode deep = model.node(scratch.path("Projekte/alt"));
    model.navigate(deep);
    EXPECT_TRUE(parent->isEnabled());
    parent->trigger();
    EXPECT_EQ(model.current(), model.node(scratch.path("Projekte")));
    root->trigger();
    EXPECT_EQ(model.current(), model.root());
    EXPECT_FALSE(parent->isEnabled());

    // Repeating keeps the target, used bytes included.
    rescan->trigger();
    EXPECT_EQ(model.phase(), Phase::Scanning);
    EXPECT_EQ(
        model.target(),
        (std::optional<ScanTarget>(ScanTarget{scratch.path(), QStringLiteral("Daten"), 123456})));
    EXPECT_FALSE(rescan->isEnabled());

    // "Zur Übersicht" also works while a scan runs.
    action("overviewAction")->trigger();
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_FALSE(root->isEnabled());
    EXPECT_FALSE(parent->isEnabled());

    action("scanFolderAction")->trigger();
    EXPECT_EQ(services.chooseFolderCalls, 1);
}

TEST_F(MainWindowTest, WindowAndAbout) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Raumfuchs"));
    EXPECT_EQ(window.minimumSize(), QSize(820, 540));
    EXPECT_EQ(window.size(), QSize(1120, 720));
    // This build ships Qt, not the update framework the credits once named.
    EXPECT_TRUE(AboutDialog::credits().contains(QStringLiteral("Enthält Qt 6 (LGPL-3.0)")));
    EXPECT_FALSE(AboutDialog::credits().contains(QStringLiteral("Sparkle")));
}

TEST(UpdaterTest, FeedWithoutKeyOnlyExplains) {
    test::ensureApp();
    Updater updater(QStringLiteral("https://example.invalid/appcast.xml"), QString());
    EXPECT_FALSE(updater.isActive());
    EXPECT_TRUE(
        Updater(QStringLiteral("https://example.invalid/a.xml"), QStringLiteral("key")).isActive());

    QString shownText;
    QString shownDetails;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownText = box->text();
            shownDetails = box->informativeText();
            box->accept();
        }
    });
    updater.checkForUpdates(nullptr);  // modal: returns once the alert is closed
    EXPECT_EQ(shownText, QStringLiteral("Updates noch nicht eingerichtet"));
    EXPECT_EQ(
        shownDetails,
        QStringLiteral("Die automatische Update-Funktion ist in dieser Version nicht aktiv."));
}

TEST(UpdaterTest, NewestVersionOfFeed) {
    const QByteArray feed = R"(<?xml version="1.0"?>
<rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle" version="2.0">
 <channel>
  <item><sparkle:shortVersionString>1.9.2</sparkle:shortVersionString></item>
  <item><enclosure url="https://example.invalid/r.tar.gz" sparkle:shortVersionString="1.10.0"/></item>
  <item><sparkle:shortVersionString>1.2</sparkle:shortVersionString></item>
 </channel>
</rss>)";
    EXPECT_EQ(Updater::newestVersion(feed), std::optional<QString>(QStringLiteral("1.10.0")));
    EXPECT_EQ(Updater::newestVersion("<rss><channel><item>"), std::nullopt);
    EXPECT_EQ(Updater::newestVersion("<rss/>"), std::nullopt);
}

}  // namespace
}  // namespace raumfuchs
