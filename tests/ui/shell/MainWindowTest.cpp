// The menu commands: enabled states through the phases and what they do; the
// title and the toolbar; the menus and their keys.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>

#include "ui/ResultTestSupport.h"
#include "ui/shell/MainWindow.h"

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
    const auto title = [&] { return "Daten — " + test::bytes(model.root().size()); };
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
    test::trash(model, {model.node(scratch.path("Projekte/neu.txt"))});
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

// Every menu entry as shown, with its shortcuts; the menus open from the keyboard.
TEST_F(MainWindowTest, MenusAndShortcutsFollowTheLinuxDesktopAndTheLicencesSayWhatIsMissing) {
    // iconText() is the text as menus show it: a lone "&" marks a mnemonic and vanishes.
    QStringList shown;
    for (QAction* menu : window.menuBar()->actions()) {
        shown << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            EXPECT_EQ(item->iconText(), QString(item->text()).replace("&&", "&"));
            QStringList keys;
            for (const QKeySequence& key : item->shortcuts()) {
                keys << key.toString(QKeySequence::PortableText);
            }
            shown << (item->isSeparator() ? "-" : "  " + item->iconText() + " " + keys.join(", "))
                         .trimmed();
        }
    }
    EXPECT_EQ(shown.join('|').toStdString(),
              "&Datei|Ordner scannen … Ctrl+O|Scan-Datei öffnen … Ctrl+Shift+O|"
              "Entfernten Ordner scannen …|Scan speichern … Ctrl+S|Erneut scannen Ctrl+R|"
              "Vergleichen mit …|Scans im Verlauf behalten|-|Zur Übersicht Ctrl+1|-|"
              "Beenden Ctrl+Q|&Gehe zu|Übergeordneter Ordner Alt+Up, Ctrl+Up|"
              "Hauptverzeichnis Ctrl+Shift+Up|-|Änderungen live verfolgen|&Hilfe|"
              "Lizenzen & Rechtliches|Über Raumfuchs");

    test::showAndSettle(window);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto opened = [&](int key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(&window, Qt::Key(key), modifiers);
        QCoreApplication::processEvents();
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        const QString title = menu ? menu->title() : QString();
        if (menu) {
            menu->close();
            QCoreApplication::processEvents();
        }
        return title;
    };
    EXPECT_EQ((QStringList{opened(Qt::Key_D, Qt::AltModifier), opened(Qt::Key_G, Qt::AltModifier),
                           opened(Qt::Key_H, Qt::AltModifier), opened(Qt::Key_F10, {})}),
              (QStringList{"&Datei", "&Gehe zu", "&Hilfe", "&Datei"}));

    // "Lizenzen & Rechtliches" says why it shows nothing.
    const std::string file = scratch.path("Lizenzen.txt");
    const QString where = QString::fromStdString(file);
    model.openLicences(file);
    EXPECT_EQ(model.alertMessage(), "Die Lizenzen fehlen: Es gibt keine Datei „" + where + "“.");
    EXPECT_TRUE(services.opened.empty());
    scratch.file("Lizenzen.txt", 100);
    services.opener = false;
    model.openLicences(file);
    EXPECT_EQ(model.alertMessage(),
              "Kein Programm zum Anzeigen von Textdateien gefunden. Die "
              "Lizenzen liegen in „" +
                  where + "“.");
    model.setAlertMessage(std::nullopt);
    services.opener = true;
    model.openLicences(file);
    EXPECT_FALSE(model.alertMessage().has_value());
    EXPECT_EQ(services.opened.back(), file);
}

// Tab visits every control of the start screen and the result screen once
// round, and each looks different while it has the focus.
TEST_F(MainWindowTest, EveryTabStopShowsItsFocus) {
    scratch.file("Projekte/neu.txt", 8192);
    services.volumes = {
        VolumeInfo{scratch.path(), "Daten", 2'000'000'000, 1'500'000'000, false, true}};
    test::showAndSettle(window);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto walk = [&] {
        QStringList unmarked;
        QList<QWidget*> seen;
        for (int i = 0; i < 40; ++i) {
            QWidget* focused = QApplication::focusWidget();
            if (focused && seen.contains(focused)) {
                break;
            }
            QImage with;
            if (focused) {
                seen << focused;
                with = focused->grab().toImage();
            }
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window,
                            Qt::Key_Tab);
            QCoreApplication::processEvents();
            if (focused && focused->grab().toImage() == with) {
                unmarked << QString::fromLatin1(focused->metaObject()->className()) + " " +
                                focused->objectName() + " " + focused->accessibleName();
            }
        }
        return std::pair{seen.size(), unmarked};
    };
    const auto [startStops, startUnmarked] = walk();
    EXPECT_EQ(startUnmarked.join(" | ").toStdString(), "");
    EXPECT_GE(startStops, 6);
    test::scanAndWait(model, scratch.path(), QStringLiteral("Daten"));
    QCoreApplication::processEvents();
    const auto [resultStops, resultUnmarked] = walk();
    EXPECT_EQ(resultUnmarked.join(" | ").toStdString(), "");
    EXPECT_GE(resultStops, 4);
}

// "Scans im Verlauf behalten" is on at first and stays as the user left it
// from one run to the next.
TEST(MainWindowHistoryTest, KeepingScansIsRememberedBetweenRuns) {
    test::ensureApp();
    test::TempTree config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(config.path()));
    FakeDesktopServices services;
    services.history = config.path("history");
    {
        AppModel model{services};
        MainWindow window{model};
        auto* keep = window.findChild<QAction*>(QStringLiteral("keepHistoryAction"));
        EXPECT_TRUE(keep->isChecked() && keep->isEnabled() && model.history().isEnabled());
        keep->trigger();
        EXPECT_FALSE(model.history().isEnabled());
    }
    AppModel model{services};
    MainWindow window{model};
    EXPECT_FALSE(window.findChild<QAction*>(QStringLiteral("keepHistoryAction"))->isChecked());
    EXPECT_FALSE(model.history().isEnabled());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

}  // namespace
}  // namespace raumfuchs
