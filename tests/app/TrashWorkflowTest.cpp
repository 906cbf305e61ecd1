#include <gtest/gtest.h>

#include "app/AppModel.h"
#include "app/ModelTestSupport.h"
#include "platform/LinuxDesktopServices.h"
#include "support/FakeDesktopServices.h"
#include "support/ScopedMount.h"

namespace raumfuchs {
namespace {

using test::childNamed;

// Trashing really removes the item, so that a fresh scan can be compared.
class RemovingDesktopServices : public FakeDesktopServices {
  public:
    bool moveToTrash(const DesktopItem& item) override {
        return FakeDesktopServices::moveToTrash(item) && std::filesystem::remove_all(item.path) > 0;
    }
};

FileNode freshScan(const std::string& path, const std::string& name) {
    CancelToken token;
    const auto result = DiskScanner::scan(path, name, token, [](const ScanProgress&) {});
    EXPECT_TRUE(result);
    return result ? result->root : FileNode();
}

struct TrashWorkflow : ::testing::Test {
    bool appReady = (test::ensureApp(), true);
    test::TempTree dir;
    RemovingDesktopServices services;
    AppModel model{services};
};

TEST_F(TrashWorkflow, GuardsThenAncestorsShrinkAndReorderLikeAFreshScan) {
    for (const char* name : {"a", "b", "c"}) {
        dir.file(std::string("eins/zwei/gross/") + name, 300'000);
    }
    dir.file("eins/zwei/gross/innen/d", 100'000);
    dir.file("eins/zwei/bleibt", 50'000);
    dir.file("eins/daneben", 600'000);
    dir.file("anderes", 700'000);
    test::scanAndWait(model, dir.path(), "Ordner");
    const FileNode root = model.root();
    const FileNode eins = childNamed(root, "eins");
    const FileNode zwei = childNamed(eins, "zwei");
    const FileNode gross = childNamed(zwei, "gross");
    ASSERT_TRUE(root.child(0) == eins && eins.child(0) == zwei);

    model.requestTrash({root});
    EXPECT_EQ(model.alertMessage(), QString("Systemdateien und das gescannte Hauptverzeichnis legt "
                                            "Raumfuchs nicht in den Papierkorb."));
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

    EXPECT_EQ(services.trashed, std::vector<std::string>{dir.path("eins/zwei/gross")});
    EXPECT_TRUE(model.pendingTrash().empty());
    EXPECT_FALSE(model.alertMessage());
    EXPECT_EQ(model.treeRevision(), 2);
    EXPECT_EQ(model.volumes(), services.volumes);
    EXPECT_TRUE(model.current() == zwei);  // the shown folder went, its parent is shown
    EXPECT_EQ(currentChanges, std::vector<bool>{false});
    EXPECT_FALSE(gross.parent());
    EXPECT_EQ(gross.fileCount(), 4);  // the cut-out subtree itself is left as it was
    // Also in order: eins fell below anderes, zwei below daneben.
    test::expectSameTree(freshScan(dir.path(), "Ordner"), root);

    // Trashing something beside the shown folder leaves the view where it is.
    model.requestTrash({childNamed(eins, "daneben")});
    model.confirmTrash();
    EXPECT_TRUE(model.current() == zwei);
    EXPECT_EQ(currentChanges, std::vector<bool>{false});
    test::expectSameTree(freshScan(dir.path(), "Ordner"), root);
}

// Nothing of /usr or /etc is ever handed on here: the desktop double only
// records, and the bind of /etc is read-only.
struct TrashGuardOnDisk : test::ModelTest {};

TEST_F(TrashGuardOnDisk, LinksAndBindMountsAreRefusedAtRequestAndAgainAtTrashTime) {
    scratch.symlink("/usr", "lnk");
    scratch.folder("etc-bind");
    scratch.folder("harmlos");
    scratch.symlink(scratch.path("harmlos"), "wechsel");
    // The tree as a scan through the links names it.
    const FileNode root = test::build(
        test::folder(
            "scan", 0,
            {test::folder("lnk", 0, {test::folder("share", 0, {test::file("x", 10)})}),
             test::folder("etc-bind", 0, {test::file("hostname", 10)}),
             test::folder("wechsel", 0, {test::file("notiz", 10)}), test::file("eigen", 10)}),
        scratch.path());
    const auto at = [&](std::string_view path) { return test::nodeAt(root, path); };
    const test::ScopedMount etcBind =
        test::ScopedMount::bind("/etc", scratch.path("etc-bind"), true);
    if (!etcBind.mounted()) {
        GTEST_SKIP() << "bind mounts refused on this machine (not root?)";
    }

    model.requestTrash({at("lnk/share"), at("etc-bind/hostname"), at("etc-bind")});
    EXPECT_EQ(model.alertMessage(), QString("Systemdateien und das gescannte Hauptverzeichnis legt "
                                            "Raumfuchs nicht in den Papierkorb."));
    EXPECT_FALSE(model.isConfirmingTrash());
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

// A private XDG_DATA_HOME for the real freedesktop trash, as long as it lives.
class ScopedDataHome {
  public:
    explicit ScopedDataHome(const std::string& path) : saved_(qgetenv("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(path));
    }
    ~ScopedDataHome() {
        saved_.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", saved_);
    }

  private:
    QByteArray saved_;
};

// The real freedesktop trash in a private data folder on the same device. A
// folder holding a mount stays, and items removed behind the program's back
// fail like any other.
TEST(TrashWorkflowReal, TheRealTrashReceivesTheItemAndFailuresStayNamed) {
    test::ensureApp();
    test::TempTree dir;
    dir.file("baum/ordner/mp/.keep");
    dir.file("baum/alt/a", 120'000);
    dir.file("baum/alt/b\xFF", 30'000);
    dir.file("baum/verschwindet", 10'000);
    dir.file("baum/Bericht ä.pdf", 20'000);
    const test::ScopedMount mount = test::ScopedMount::tmpfs(dir.path("baum/ordner/mp"));
    if (!mount.mounted()) {
        GTEST_SKIP() << "mounting a tmpfs refused on this machine (not root?)";
    }
    dir.file("baum/ordner/mp/daten", 100);
    const ScopedDataHome dataHome(dir.path("data"));
    LinuxDesktopServices services;
    AppModel model(services);
    test::scanAndWait(model, dir.path("baum"), "baum");
    const FileNode root = model.root();
    const FileNode ordner = childNamed(root, "ordner");
    const std::vector<FileNode> vanished{childNamed(root, "verschwindet"),
                                         childNamed(root, "Bericht ä.pdf")};
    for (const FileNode& node : vanished) {
        std::filesystem::remove(node.path());
    }
    model.requestTrash({vanished[0], ordner, childNamed(root, "alt"), vanished[1]});
    model.confirmTrash();

    EXPECT_FALSE(std::filesystem::exists(dir.path("baum/alt")));
    EXPECT_TRUE(std::filesystem::exists(dir.path("data/Trash/files/alt/b\xFF")));
    EXPECT_EQ(std::filesystem::file_size(dir.path("data/Trash/files/alt/a")), 120'000u);
    EXPECT_TRUE(std::filesystem::exists(dir.path("data/Trash/info/alt.trashinfo")));
    EXPECT_EQ(model.alertMessage(), QString("Nicht in den Papierkorb gelegt: verschwindet, ordner, "
                                            "Bericht ä.pdf. Vermutlich fehlt die Berechtigung."));
    EXPECT_TRUE(ordner.parent() == root && vanished[0].parent() == root);
    EXPECT_EQ(std::filesystem::file_size(dir.path("baum/ordner/mp/daten")), 100u);
    // With the vanished files back, the disk and the corrected tree agree.
    dir.file("baum/verschwindet", 10'000);
    dir.file("baum/Bericht ä.pdf", 20'000);
    test::expectSameTree(freshScan(dir.path("baum"), "baum"), root);
}

}  // namespace
}  // namespace raumfuchs
