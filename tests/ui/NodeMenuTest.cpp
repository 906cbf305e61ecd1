#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "app/ModelTestSupport.h"
#include "support/FakeDesktopServices.h"
#include "ui/NodeMenu.h"

namespace raumfuchs {
namespace {

// Titles of the menu's entries, "" for a separator.
QStringList titles(const QMenu& menu) {
    QStringList result;
    for (QAction* action : menu.actions()) {
        result << (action->isSeparator() ? QString() : action->text());
    }
    return result;
}

QAction* entry(const QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions()) {
        if (action->text() == title) {
            return action;
        }
    }
    ADD_FAILURE() << title.toStdString();
    return nullptr;
}

const QString kTrash = QStringLiteral("In den Papierkorb legen …");

class NodeMenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch.file("big/a.bin", 64 * 1024);
        scratch.file("big/b.bin", 32 * 1024);
        scratch.folder("empty");
        scratch.file("file.bin", 16 * 1024);
        test::scanAndWait(model, scratch.path(), QStringLiteral("Baum"));
        ASSERT_TRUE(model.root());
        big = test::child(model.root(), "big");
        empty = test::child(model.root(), "empty");
        single = test::child(model.root(), "file.bin");
    }

    test::Scratch scratch;
    FakeDesktopServices services;
    AppModel model{services};
    FileNode big, empty, single;
};

TEST_F(NodeMenuTest, EntriesDependOnWhatTheMenuIsFor) {
    EXPECT_EQ(titles(*NodeMenu::create(model, {single})),
              (QStringList{"Öffnen", "Im Finder zeigen", "Pfad kopieren", "", kTrash}));
    EXPECT_EQ(
        titles(*NodeMenu::create(model, {big})),
        (QStringList{"Hineinzoomen", "Öffnen", "Im Finder zeigen", "Pfad kopieren", "", kTrash}));
    EXPECT_EQ(titles(*NodeMenu::create(model, {empty})),
              (QStringList{"Öffnen", "Im Finder zeigen", "Pfad kopieren", "", kTrash}));
    const QStringList several{"Im Finder zeigen", "Pfade kopieren", "", kTrash};
    EXPECT_EQ(titles(*NodeMenu::create(model, {big, single})), several);
    EXPECT_EQ(titles(*NodeMenu::create(model, {})), several);

    const auto menu = NodeMenu::create(model, {single});
    EXPECT_TRUE(entry(*menu, kTrash)->property(NodeMenu::kDestructiveProperty).toBool());
    EXPECT_FALSE(entry(*menu, "Öffnen")->property(NodeMenu::kDestructiveProperty).toBool());
}

TEST_F(NodeMenuTest, EntriesCallTheModel) {
    entry(*NodeMenu::create(model, {big}), "Hineinzoomen")->trigger();
    EXPECT_EQ(model.current(), big);
    entry(*NodeMenu::create(model, {big}), "Öffnen")->trigger();
    entry(*NodeMenu::create(model, {single}), "Öffnen")->trigger();
    EXPECT_EQ(services.opened, (std::vector<std::string>{big.path(), single.path()}));

    const auto pair = NodeMenu::create(model, {single, big});
    entry(*pair, "Im Finder zeigen")->trigger();
    ASSERT_EQ(services.revealed.size(), 1u);
    EXPECT_EQ(services.revealed[0], (std::vector<std::string>{single.path(), big.path()}));
    entry(*pair, "Pfade kopieren")->trigger();
    EXPECT_EQ(services.clipboard(), QString::fromStdString(single.path() + "\n" + big.path()));

    // The trash entry only asks: the model checks and confirms, nothing moves.
    entry(*pair, kTrash)->trigger();
    EXPECT_TRUE(model.isConfirmingTrash());
    EXPECT_EQ(model.pendingTrash(), (std::vector<FileNode>{single, big}));
    EXPECT_TRUE(services.trashAttempts.empty());

    // With no nodes: an empty clipboard and the guard's notice.
    model.setConfirmingTrash(false);
    const auto none = NodeMenu::create(model, {});
    entry(*none, "Pfade kopieren")->trigger();
    EXPECT_EQ(services.clipboardTexts.size(), 2u);
    EXPECT_EQ(services.clipboard(), QString());
    entry(*none, kTrash)->trigger();
    EXPECT_FALSE(model.isConfirmingTrash());
    EXPECT_TRUE(model.alertMessage().has_value());

    // Zooming into the folder already shown changes nothing.
    int changes = 0;
    QObject::connect(&model, &AppModel::currentChanged, [&] { ++changes; });
    entry(*NodeMenu::create(model, {big}), "Hineinzoomen")->trigger();
    EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace raumfuchs
