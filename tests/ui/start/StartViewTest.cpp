// The start screen with the real model: what a click on a card or a shortcut
// asks the model to scan.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QToolButton>

#include "core/history/ScanHistory.h"
#include "support/HandTree.h"
#include "ui/ResultTestSupport.h"

#include "ui/start/ShortcutButton.h"
#include "ui/start/StartView.h"
#include "ui/start/VolumeCard.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {
namespace {

struct StartViewTest : test::ModelTest {
    void click(const QString& title) {
        ShortcutButton* button = test::withText<ShortcutButton>(*view, title);
        ASSERT_NE(button, nullptr) << title.toStdString();
        button->click();
    }
    void show() {
        view = std::make_unique<StartView>(model);
        view->show();  // showing the screen reloads the volumes
    }
    std::unique_ptr<StartView> view;
};

TEST_F(StartViewTest, CardsShortcutsAndTheAccessHintStartTheirScans) {
    scratch.folder("home/Downloads");
    services.home = scratch.path("home");
    services.downloads = scratch.path("home/Downloads");
    services.volumes = {
        VolumeInfo{"/", "System", 500'000'000'000, 100'000'000'000, true, false, 25'000'000'000},
        VolumeInfo{scratch.path(), "Daten", 2'000'000'000, 1'500'000'000, false, true},
        VolumeInfo{"/media/stick", "Stick", 1000, 2000, true, false},  // over-full report
    };
    show();
    const auto cards = view->findChildren<VolumeCard*>();
    ASSERT_EQ(cards.size(), 3);
    // The startup volume is the filled internal drive whatever its flags.
    EXPECT_EQ(VolumeCard::symbolName(cards[0]->volume()), "internaldrive.fill");
    EXPECT_EQ(VolumeCard::symbolName(cards[1]->volume()), "externaldrive");
    EXPECT_EQ(VolumeCard::symbolName(cards[2]->volume()), "externaldrive.fill");
    EXPECT_EQ(cards[0]->toolTip(), QStringLiteral("„System“ scannen\nVom belegten Platz sind 25 GB "
                                                  "für den Administrator reserviert."));
    cards[1]->click();
    EXPECT_EQ(model.phase(), Phase::Scanning);
    EXPECT_EQ(model.target(), (ScanTarget{scratch.path(), "Daten", 500'000'000}));
    model.cancelScan();
    cards[2]->click();  // more free than total space: 0 used, never negative
    EXPECT_EQ(model.target()->volumeUsed, std::optional<std::int64_t>(0));
    model.cancelScan();

    const std::pair<QString, ScanTarget> shortcuts[] = {
        {"Benutzerordner", {scratch.path("home"), "home", std::nullopt}},
        {"Downloads", {scratch.path("home/Downloads"), "Downloads", std::nullopt}},
        {"Programme", {"/usr", "usr", std::nullopt}}};
    for (const auto& [title, target] : shortcuts) {
        click(title);
        EXPECT_EQ(model.target(), target) << title.toStdString();
        model.cancelScan();
    }
    click(QStringLiteral("Ordner wählen …"));
    EXPECT_EQ(services.chooseFolderCalls, 1);

    // The refresh button replaces the cards.
    model.backToStart();
    services.volumes.resize(1);
    view->findChild<QToolButton*>(QStringLiteral("refreshButton"))->click();
    EXPECT_TRUE(
        test::waitUntil([&] { return view->findChildren<VolumeCard*>().size() == 1; }, 2000));

    // What the screen shows depends on the machine: the access hint without the
    // administrator's rights, the "Downloads" shortcut only with such a folder,
    // both looked at again each time the screen shows.
    services.downloads.reset();
    show();
    ShortcutButton* downloads = test::withText<ShortcutButton>(*view, QStringLiteral("Downloads"));
    ASSERT_NE(downloads, nullptr);
    EXPECT_FALSE(downloads->isEnabled());
    EXPECT_EQ(downloads->toolTip(), QStringLiteral("Es gibt keinen Ordner „Downloads“."));
    downloads->click();
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_FALSE(model.alertMessage().has_value());

    const auto* hint = view->findChild<QWidget*>(QStringLiteral("accessHint"));
    ASSERT_TRUE(hint && hint->isVisibleTo(view.get()));
    // The tip's way out: the startup volume, read by raumfuchs-scan as root.
    const auto buttons = hint->findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), 1);
    buttons[0]->click();
    EXPECT_EQ(model.target(), (ScanTarget{"/", "/", std::nullopt, false, std::nullopt, true}));
    model.cancelScan();

    scratch.folder("Downloads");
    services.downloads = scratch.path("Downloads");
    view->hide();
    view->show();
    EXPECT_TRUE(downloads->isEnabled());
    EXPECT_TRUE(downloads->toolTip().isEmpty());
    downloads->click();
    EXPECT_EQ(model.target()->path, scratch.path("Downloads"));
    model.cancelScan();

    // A volume as administrator, from its card; once that ran, the tip goes.
    // Stands in for pkexec and raumfuchs-scan: the scan's export as it comes.
    scratch.file("Daten/a.bin", 8192);
    const std::string exported = scratch.path("daten.json");
    test::commandOutput("ncdu -0 -o '" + exported + "' '" + scratch.path("Daten") + "'");
    model.streamLaunchers().elevate = {"sh", "-c", "exec cat '" + exported + "'", "sh"};
    services.volumes = {VolumeInfo{scratch.path("Daten"), "Daten", 2'000'000, 1'000'000}};
    show();
    auto* elevated = view->findChild<QAbstractButton*>(QStringLiteral("administratorScanButton"));
    ASSERT_NE(elevated, nullptr);
    elevated->click();
    EXPECT_TRUE(model.target()->asAdministrator);
    test::finishScan(model);
    ASSERT_EQ(model.phase(), Phase::Result) << model.alertMessage().value_or("").toStdString();
    model.backToStart();
    EXPECT_FALSE(view->findChild<QWidget*>(QStringLiteral("accessHint"))->isVisibleTo(view.get()));

    services.administrator = true;
    show();
    EXPECT_FALSE(view->findChild<QWidget*>("accessHint") ||
                 view->findChild<QWidget*>("administratorScanButton"));
}

// A volume scanned before says how its used space moved since that scan; one
// never scanned says nothing of it.
TEST(StartViewHistoryTest, AVolumeCardSaysHowItsUsedSpaceMovedSinceItsLastScan) {
    test::ensureApp();
    test::TempTree state;
    FakeDesktopServices services;
    services.history = state.path("history");
    services.volumes = {VolumeInfo{"/data", "Daten", 10'000'000'000, 4'000'000'000},
                        VolumeInfo{"/other", "Andere", 10'000'000'000, 4'000'000'000}};
    const ScanHistory history(services.history);
    const FileNode tree = test::build(test::folder("data", 4096, {test::file("a", 4096)}), "/data");
    const std::int64_t day = 1'764'597'780;  // 01.12.2025, 14:03 UTC
    const auto add = [&](std::int64_t time, std::optional<std::int64_t> used) {
        ASSERT_EQ(history.add("/data", tree.tree(), ExportHeader{"1", time, "", false}, used,
                              CancelToken()),
                  0);
    };
    add(day - 86400, 2'000'000'000);
    add(day, 5'000'000'000);
    add(day + 600, std::nullopt);  // a folder scan of the volume's path knows no used space
    AppModel model{services};
    StartView view(model);
    view.show();
    const auto cards = view.findChildren<VolumeCard*>();
    ASSERT_EQ(cards.size(), 2);
    const auto* since = cards[0]->findChild<TextLabel*>(QStringLiteral("sinceLastScan"));
    ASSERT_TRUE(since && since->isVisibleTo(cards[0]));
    const QString date = QDateTime::fromSecsSinceEpoch(day).toString(QStringLiteral("dd.MM."));
    EXPECT_EQ(since->text(), "seit " + date + ": +1 GB belegt");
    EXPECT_EQ(cards[0]->accessibleDescription(), since->text());
    EXPECT_FALSE(
        cards[1]->findChild<TextLabel*>(QStringLiteral("sinceLastScan"))->isVisibleTo(cards[1]));
}

}  // namespace
}  // namespace raumfuchs
