#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "app/ModelTestSupport.h"
#include "ui/NodeMenu.h"

namespace raumfuchs {
namespace {

using NodeMenuTest = test::ModelTest;

TEST_F(NodeMenuTest, EntriesFitTheNodesAndCallTheModel) {
    scratch.file("big/a.bin", 64 * 1024);
    scratch.folder("empty");
    scratch.file("file.bin", 16 * 1024);
    test::scanAndWait(model, scratch.path(), QStringLiteral("Baum"));
    ASSERT_TRUE(model.root());
    const FileNode big = test::childNamed(model.root(), "big");
    const FileNode file = test::childNamed(model.root(), "file.bin");
    // The titles of the menu for `nodes` ("" for a separator); triggers the entry `run`.
    auto menu = [&](const std::vector<FileNode>& nodes, const QString& run = {}) {
        const auto menu = NodeMenu::create(model, nodes);
        QStringList titles;
        for (QAction* action : menu->actions()) {
            titles << (action->isSeparator() ? QString() : action->text());
            if (!run.isEmpty() && action->text() == run) {
                action->trigger();
            }
        }
        return titles;
    };
    const QString trash = QStringLiteral("In den Papierkorb legen …");
    const QStringList one{"Öffnen", "Im Finder zeigen", "Pfad kopieren", "", trash};
    const QStringList several{"Im Finder zeigen", "Pfade kopieren", "", trash};
    QStringList folder = one;
    folder.insert(1, QStringLiteral("Neu einlesen"));
    EXPECT_EQ(menu({file}), one);
    EXPECT_EQ(menu({test::childNamed(model.root(), "empty")}), folder);
    EXPECT_EQ(menu({big}), QStringList{"Hineinzoomen"} + folder);
    EXPECT_EQ(menu({big, file}), several);
    EXPECT_EQ(menu({}), several);

    menu({big}, "Neu einlesen");
    EXPECT_TRUE(model.isRefreshing(big));
    test::settle(model);
    menu({big}, "Hineinzoomen");
    EXPECT_EQ(model.current(), big);
    menu({file}, "Öffnen");
    EXPECT_EQ(services.opened, std::vector<std::string>{file.path()});
    menu({file, big}, "Im Finder zeigen");
    EXPECT_EQ(services.revealed,
              (std::vector<std::vector<std::string>>{{file.path(), big.path()}}));
    menu({file, big}, "Pfade kopieren");
    EXPECT_EQ(services.clipboardTexts,
              std::vector<QString>{QString::fromStdString(file.path() + "\n" + big.path())});
    menu({file, big}, trash);  // only asks: the model checks and confirms
    EXPECT_TRUE(model.isConfirmingTrash());
    EXPECT_EQ(model.pendingTrash(), (std::vector<FileNode>{file, big}));
    EXPECT_TRUE(services.trashed.empty());
}

}  // namespace
}  // namespace raumfuchs
