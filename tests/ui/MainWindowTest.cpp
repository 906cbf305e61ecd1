// The menu commands: enabled states through the phases and what they do; the
// title and the toolbar; the update command without settings.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QToolBar>

#include "app/ModelTestSupport.h"
#include "core/Format.h"
#include "ui/MainWindow.h"
#include "ui/Updater.h"

namespace raumfuchs {
namespace {

struct MainWindowTest : test::ModelTest {
    QAction* action(const char* name) {
        auto* found = window.findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    MainWindow window{model};
};

TEST_F(MainWindowTest, EnabledStatesTitleAndToolbarFollowThePhases) {
    scratch.file("Projekte/alt/log.txt", 4096);
    scratch.file("Projekte/neu.txt", 8192);
    QAction* rescan = action("rescanAction");
    QAction* parent = action("parentAction");
    QAction* root = action("rootAction");
    const auto enabled = [&] {
        return std::vector<bool>{rescan->isEnabled(), parent->isEnabled(), root->isEnabled()};
    };
    // The target with the size of the whole tree, wherever the chart is.
    const auto title = [&] {
        return "Daten — " + QString::fromStdString(Format::bytes(model.root().size()));
    };
    const auto* toolBar = window.findChild<QToolBar*>(QStringLiteral("toolBar"));
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false}));  // start: no tree

    model.startScan(ScanTarget{scratch.path(), QStringLiteral("Daten"), 123456});
    EXPECT_FALSE(rescan->isEnabled());
    ASSERT_TRUE(test::waitUntil([&] { return model.phase() == Phase::Result; }));
    EXPECT_EQ(enabled(), (std::vector<bool>{true, false, true}));  // at the root
    EXPECT_FALSE(toolBar->isHidden());

    model.navigate(model.node(scratch.path("Projekte/alt")));
    EXPECT_EQ(window.windowTitle(), title());
    const std::int64_t before = model.root().size();
    model.requestTrash({model.node(scratch.path("Projekte/neu.txt"))});
    model.confirmTrash();
    EXPECT_EQ(window.windowTitle(), title());
    EXPECT_LT(model.root().size(), before);
    parent->trigger();
    EXPECT_EQ(model.current(), model.node(scratch.path("Projekte")));
    root->trigger();
    EXPECT_EQ(model.current(), model.root());
    EXPECT_FALSE(parent->isEnabled());

    // Repeating keeps the target, used bytes included.
    rescan->trigger();
    EXPECT_EQ(model.target(), (ScanTarget{scratch.path(), QStringLiteral("Daten"), 123456}));
    EXPECT_FALSE(rescan->isEnabled());
    action("overviewAction")->trigger();  // also while a scan runs
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_FALSE(parent->isEnabled() || root->isEnabled());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Raumfuchs"));
    EXPECT_TRUE(toolBar->isHidden());
    action("scanFolderAction")->trigger();
    EXPECT_EQ(services.chooseFolderCalls, 1);
}

TEST_F(MainWindowTest, MenuTextsShowAsWritten) {
    // iconText() is the text as menus show it: a lone "&" marks a mnemonic and vanishes.
    QStringList shown;
    for (QAction* menu : window.menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions()) {
            EXPECT_EQ(item->iconText(), QString(item->text()).replace("&&", "&"));
            shown << item->iconText();
        }
    }
    EXPECT_TRUE(shown.contains(QStringLiteral("Lizenzen & Rechtliches"))) << shown.size();
}

TEST(UpdaterTest, WithoutKeyTheCommandOnlyExplainsAndTheNewestFeedVersionWins) {
    test::ensureApp();
    Updater updater(QStringLiteral("https://example.invalid/appcast.xml"), QString());
    EXPECT_FALSE(updater.isActive());
    QStringList shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown << box->text();
            box->accept();
        }
    });
    updater.checkForUpdates(nullptr);  // modal: returns once the alert is closed
    EXPECT_EQ(shown.value(0), QStringLiteral("Updates noch nicht eingerichtet"));

    // The newest version of a feed, compared part by part.
    const QByteArray feed =
        R"(<rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
 <channel>
  <item><sparkle:shortVersionString>1.9.2</sparkle:shortVersionString></item>
  <item><enclosure url="https://example.invalid/r.tar.gz" sparkle:shortVersionString="1.10.0"/></item>
  <item><sparkle:shortVersionString>1.2</sparkle:shortVersionString></item>
 </channel>
</rss>)";
    EXPECT_EQ(Updater::newestVersion(feed), std::optional<QString>(QStringLiteral("1.10.0")));
    EXPECT_EQ(Updater::newestVersion("<rss><channel><item>"), std::nullopt);
}

}  // namespace
}  // namespace raumfuchs
