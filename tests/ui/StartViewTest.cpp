// The start screen with the real model: what a click on a card or a shortcut
// asks the model to scan.
#include <gtest/gtest.h>

#include <QToolButton>

#include "app/ModelTestSupport.h"
#include "support/FakeDesktopServices.h"
#include "ui/ShortcutButton.h"
#include "ui/StartView.h"
#include "ui/VolumeCard.h"

namespace raumfuchs {
namespace {

using test::Scratch;
using test::waitUntil;

ShortcutButton* shortcut(StartView& view, const QString& title) {
    for (ShortcutButton* button : view.findChildren<ShortcutButton*>()) {
        if (button->text() == title) {
            return button;
        }
    }
    return nullptr;
}

class StartViewTest : public ::testing::Test {
  protected:
    StartViewTest() { test::ensureApp(); }
    ~StartViewTest() override {
        model.cancelScan();
        waitUntil([&] { return model.scansInFlight() == 0; });
    }

    Scratch scratch;
    FakeDesktopServices services;
    AppModel model{services};
};

TEST_F(StartViewTest, VolumeCardStartsScanCarryingUsedBytes) {
    scratch.file("a.bin", 8192);
    services.volumes = {
        VolumeInfo{"/", "System", 500'000'000'000, 100'000'000'000, true, false},
        VolumeInfo{scratch.path(), "Daten", 2'000'000'000, 1'500'000'000, false, true},
        VolumeInfo{"/media/stick", "Stick", 1000, 2000, true, false},  // over-full report
    };
    StartView view(model);
    view.show();  // showing the screen reloads the volumes
    const auto cards = view.findChildren<VolumeCard*>();
    ASSERT_EQ(cards.size(), 3);

    // The startup volume is the filled internal drive whatever its flags.
    EXPECT_EQ(VolumeCard::symbolName(cards[0]->volume()), "internaldrive.fill");
    EXPECT_EQ(VolumeCard::symbolName(cards[1]->volume()), "externaldrive");
    EXPECT_EQ(VolumeCard::symbolName(cards[2]->volume()), "externaldrive.fill");
    EXPECT_EQ(cards[1]->toolTip(), QStringLiteral("„Daten“ scannen"));

    cards[1]->click();
    ASSERT_TRUE(model.target().has_value());
    EXPECT_EQ(model.target()->path, scratch.path());
    EXPECT_EQ(model.target()->displayName, QStringLiteral("Daten"));
    EXPECT_EQ(model.target()->volumeUsed, std::optional<std::int64_t>(500'000'000));
    EXPECT_EQ(model.phase(), Phase::Scanning);

    // A volume reporting more free than total space counts as 0 used, never negative.
    model.cancelScan();
    cards[2]->click();
    EXPECT_EQ(model.target()->volumeUsed, std::optional<std::int64_t>(0));
}

TEST_F(StartViewTest, ShortcutsScanHomeDownloadsAndPrograms) {
    scratch.folder("home/Downloads");
    services.home = scratch.path("home");
    services.downloads = scratch.path("home/Downloads");
    StartView view(model);
    view.show();

    shortcut(view, QStringLiteral("Benutzerordner"))->click();
    ASSERT_TRUE(model.target().has_value());
    EXPECT_EQ(model.target()->path, scratch.path("home"));
    EXPECT_EQ(model.target()->displayName, QStringLiteral("home"));
    EXPECT_FALSE(model.target()->volumeUsed.has_value());
    ASSERT_TRUE(waitUntil([&] { return model.phase() != Phase::Scanning; }));

    shortcut(view, QStringLiteral("Downloads"))->click();
    EXPECT_EQ(model.target()->path, scratch.path("home/Downloads"));
    EXPECT_EQ(model.target()->displayName, QStringLiteral("Downloads"));
    ASSERT_TRUE(waitUntil([&] { return model.phase() != Phase::Scanning; }));

    shortcut(view, QStringLiteral("Programme"))->click();
    EXPECT_EQ(model.target()->path, "/usr");
    EXPECT_EQ(model.target()->displayName, QStringLiteral("usr"));
    EXPECT_FALSE(model.target()->volumeUsed.has_value());
    model.cancelScan();

    shortcut(view, QStringLiteral("Ordner wählen …"))->click();
    EXPECT_EQ(services.chooseFolderCalls, 1);
}

TEST_F(StartViewTest, DownloadsWithoutFolderDoesNothing) {
    services.downloads.reset();
    StartView view(model);
    view.show();
    shortcut(view, QStringLiteral("Downloads"))->click();
    EXPECT_FALSE(model.target().has_value());
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_FALSE(model.alertMessage().has_value());
}

TEST_F(StartViewTest, RefreshButtonReplacesCards) {
    StartView view(model);
    view.show();
    EXPECT_TRUE(view.findChildren<VolumeCard*>().isEmpty());  // heading alone

    services.volumes = {VolumeInfo{"/", "System", 1000, 500, false, true},
                        VolumeInfo{"/srv", "srv", 1000, 100, false, true}};
    auto* refresh = view.findChild<QToolButton*>(QStringLiteral("refreshButton"));
    ASSERT_NE(refresh, nullptr);
    refresh->click();
    waitUntil([&] { return view.findChildren<VolumeCard*>().size() == 2; }, 2000);
    const auto cards = view.findChildren<VolumeCard*>();
    ASSERT_EQ(cards.size(), 2);
    EXPECT_EQ(cards[1]->volume().path, "/srv");
}

}  // namespace
}  // namespace raumfuchs
