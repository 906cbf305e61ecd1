// The start screen with the real model: what a click on a card or a shortcut
// asks the model to scan.
#include <gtest/gtest.h>

#include <QToolButton>

#include "app/ModelTestSupport.h"
#include "ui/ShortcutButton.h"
#include "ui/StartView.h"
#include "ui/VolumeCard.h"

namespace raumfuchs {
namespace {

struct StartViewTest : test::ModelTest {
    void click(const QString& title) {
        for (ShortcutButton* button : view->findChildren<ShortcutButton*>()) {
            if (button->text() == title) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << title.toStdString();
    }
    void show() {
        view = std::make_unique<StartView>(model);
        view->show();  // showing the screen reloads the volumes
    }
    std::unique_ptr<StartView> view;
};

TEST_F(StartViewTest, CardsAndShortcutsStartTheirScans) {
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

    // Without a downloads folder the shortcut does nothing.
    services.downloads.reset();
    const auto before = model.target();
    show();
    click(QStringLiteral("Downloads"));
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_EQ(model.target(), before);
    EXPECT_FALSE(model.alertMessage().has_value());
}

}  // namespace
}  // namespace raumfuchs
