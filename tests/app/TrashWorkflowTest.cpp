#include <gtest/gtest.h>

#include "app/ModelTestSupport.h"
#include "platform/LinuxDesktopServices.h"
#include "support/TreeCompare.h"

namespace raumfuchs {
namespace {

using test::childNamed;
using test::freshScan;
using TrashWorkflow = test::ModelTestOver<test::RemovingDesktopServices>;
const QString kRefused(
    "Systemdateien und das gescannte Hauptverzeichnis legt Raumfuchs nicht in den Papierkorb.");

TEST_F(TrashWorkflow, GuardsThenAncestorsShrinkAndReorderLikeAFreshScan) {
    for (const char* name : {"a", "b", "c"}) {
        scratch.file(std::string("eins/zwei/gross/") + name, 300'000);
    }
    scratch.file("eins/zwei/gross/innen/d", 100'000);
    scratch.file("eins/zwei/bleibt", 50'000);
    scratch.file("eins/daneben", 600'000);
    scratch.file("anderes", 700'000);
    test::scanAndWait(model, scratch.path(), "Ordner");
    const FileNode root = model.root();
    const FileNode eins = childNamed(root, "eins");
    const FileNode zwei = childNamed(eins, "zwei");
    const FileNode gross = childNamed(zwei, "gross");
    ASSERT_TRUE(root.child(0) == eins && eins.child(0) == zwei);

    model.requestTrash({root});
    EXPECT_EQ(model.alertMessage(), kRefused);
    EXPECT_FALSE(model.isConfirmingTrash());
    model.setAlertMessage(std::nullopt);
    // Only the topmost nodes are kept; a second request replaces the first.
    model.requestTrash({childNamed(eins, "daneben")});
    model.requestTrash({childNamed(gross, "a"), root, gross});
    EXPECT_EQ(model.pendingTrash(), std::vector<FileNode>{gross});

    model.navigate(childNamed(gross, "innen"));
    std::vector<bool> currentChanges;
    QObject::connect(&model, &AppModel::currentChanged,
                     [&](bool animated) { currentChanges.push_back(animated); });
    services.volumes = {VolumeInfo{"/", "System", 1000, 500, false, true}};
    model.confirmTrash();

    EXPECT_EQ(services.trashed, std::vector<std::string>{scratch.path("eins/zwei/gross")});
    EXPECT_TRUE(model.pendingTrash().empty());
    EXPECT_FALSE(model.alertMessage());
    EXPECT_EQ(model.treeRevision(), 2);
    EXPECT_EQ(model.volumes(), services.volumes);
    EXPECT_TRUE(model.current() == zwei);  // the shown folder went, its parent is shown
    EXPECT_EQ(currentChanges, std::vector<bool>{false});
    EXPECT_FALSE(gross.parent());
    EXPECT_EQ(gross.fileCount(), 4);  // the cut-out subtree itself is left as it was
    // Also in order: eins fell below anderes, zwei below daneben.
    EXPECT_EQ(test::treeDifference(freshScan(scratch.path()), root), "");

    // Trashing something beside the shown folder leaves the view where it is.
    test::trash(model, {childNamed(eins, "daneben")});
    EXPECT_TRUE(model.current() == zwei);
    EXPECT_EQ(currentChanges, std::vector<bool>{false});
    EXPECT_EQ(test::treeDifference(freshScan(scratch.path()), root), "");
}

// Nothing of /usr or /etc is ever handed on here: the desktop double only
// records. Bind mounts and the guard's own rules are covered with the guard.
using TrashGuardOnDisk = test::ModelTest;

TEST_F(TrashGuardOnDisk, LinksAreRefusedAtRequestAndAgainAtTrashTime) {
    scratch.symlink("/usr", "lnk");
    scratch.symlink("/", "wurzel");
    scratch.folder("harmlos");
    scratch.symlink(scratch.path("harmlos"), "wechsel");
    // The tree as a scan through the links names it.
    const FileNode root = test::build(
        test::folder(
            "scan", 0,
            {test::folder("lnk", 0, {test::folder("share", 0, {test::file("x", 10)})}),
             test::folder(
                 "wurzel", 0,
                 {test::folder("home", 0, {test::file("x", 10)}), test::folder("tmp", 0, {})}),
             test::folder("wechsel", 0, {test::file("notiz", 10)}), test::file("eigen", 10)}),
        scratch.path());
    const auto at = [&](std::string_view path) { return test::nodeAt(root, path); };

    model.requestTrash({at("lnk/share")});
    EXPECT_EQ(model.alertMessage(), kRefused);
    EXPECT_FALSE(model.isConfirmingTrash());
    // Every user's homes and the temporary files, reached through a link to
    // "/": refused as folders, while what they hold may go.
    model.setAlertMessage(std::nullopt);
    model.requestTrash({at("wurzel/home"), at("wurzel/tmp")});
    EXPECT_EQ(model.alertMessage(), kRefused);
    EXPECT_FALSE(model.isConfirmingTrash());
    model.requestTrash({at("wurzel/home/x")});
    EXPECT_EQ(model.pendingTrash(), std::vector<FileNode>{at("wurzel/home/x")});
    model.requestTrash({at("lnk/share/x"), at("eigen"), at("wechsel/notiz")});
    EXPECT_EQ(model.pendingTrash(), (std::vector<FileNode>{at("eigen"), at("wechsel/notiz")}));

    // The link now leads into /etc: held again when the move is confirmed.
    std::filesystem::remove(scratch.path("wechsel"));
    scratch.symlink("/etc", "wechsel");
    model.confirmTrash();
    EXPECT_EQ(services.trashed, std::vector<std::string>{scratch.path("eigen")});
    EXPECT_EQ(model.alertMessage(),
              QString("Nicht in den Papierkorb gelegt: notiz. Vermutlich fehlt die Berechtigung."));
}

// The real freedesktop trash in a private data folder on the same device:
// items removed behind the program's back fail like any other.
TEST(TrashWorkflowReal, TheRealTrashReceivesTheItemAndFailuresStayNamed) {
    test::ensureApp();
    const test::TempTree tree;
    tree.file("alt/a", 120'000);
    tree.file("verschwindet", 10'000);
    tree.file("Bericht ä.pdf", 20'000);
    const test::TempTree data;
    test::ScopedEnv env;
    env.set("XDG_DATA_HOME", data.path());
    LinuxDesktopServices services;
    AppModel model(services);
    test::scanAndWait(model, tree.path(), "baum");
    const FileNode root = model.root();
    const std::vector<FileNode> vanished{childNamed(root, "verschwindet"),
                                         childNamed(root, "Bericht ä.pdf")};
    for (const FileNode& node : vanished) {
        std::filesystem::remove(node.path());
    }
    test::trash(model, {vanished[0], childNamed(root, "alt"), vanished[1]});

    EXPECT_FALSE(std::filesystem::exists(tree.path("alt")));
    EXPECT_EQ(std::filesystem::file_size(data.path("Trash/files/alt/a")), 120'000u);
    EXPECT_EQ(model.alertMessage(), QString("Nicht in den Papierkorb gelegt: verschwindet, "
                                            "Bericht ä.pdf. Vermutlich fehlt die Berechtigung."));
    EXPECT_TRUE(vanished[0].parent() == root && vanished[1].parent() == root);
    // With the vanished files back, the disk and the corrected tree agree.
    tree.file("verschwindet", 10'000);
    tree.file("Bericht ä.pdf", 20'000);
    EXPECT_EQ(test::treeDifference(freshScan(tree.path(), "baum"), root), "");
}

}  // namespace
}  // namespace raumfuchs
