#include <gtest/gtest.h>

#include "app/AppModel.h"
#include "app/ModelTestSupport.h"
#include "platform/LinuxDesktopServices.h"
#include "support/FakeDesktopServices.h"

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

TEST_F(TrashWorkflow, GuardsRefuseTheRootAndKeepOnlyTheTopmostNodes) {
    dir.file("Fotos/urlaub.jpg", 8192);
    dir.file("notiz.txt", 4096);
    test::scanAndWait(model, dir.path(), "Ordner");
    const FileNode fotos = childNamed(model.root(), "Fotos");

    model.requestTrash({model.root()});
    EXPECT_EQ(model.alertMessage(), QString("Systemdateien und das gescannte Hauptverzeichnis legt "
                                            "Raumfuchs nicht in den Papierkorb."));
    EXPECT_FALSE(model.isConfirmingTrash());
    model.setAlertMessage(std::nullopt);

    model.requestTrash({childNamed(fotos, "urlaub.jpg"), model.root(), fotos});
    EXPECT_EQ(model.pendingTrash(), std::vector<FileNode>{fotos});
    EXPECT_TRUE(model.isConfirmingTrash());
    EXPECT_FALSE(model.alertMessage());
    model.requestTrash({childNamed(model.root(), "notiz.txt")});  // replaces the first request
    EXPECT_EQ(model.pendingTrash(), std::vector<FileNode>{childNamed(model.root(), "notiz.txt")});
    EXPECT_TRUE(services.trashed.empty());
}

TEST_F(TrashWorkflow, AncestorsShrinkAndReorderLikeAFreshScan) {
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

    model.navigate(childNamed(gross, "innen"));
    std::vector<bool> currentChanges;
    QObject::connect(&model, &AppModel::currentChanged,
                     [&](bool animated) { currentChanges.push_back(animated); });
    services.volumes = {VolumeInfo{"/", "System", 1000, 500, false, true}};
    model.requestTrash({gross});
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

// The real freedesktop trash in a private data folder on the same device;
// items removed behind the program's back fail like any other.
TEST(TrashWorkflowReal, TheRealTrashReceivesTheItemAndFailuresStayNamed) {
    test::ensureApp();
    test::TempTree dir;
    dir.file("baum/alt/a", 120'000);
    dir.file("baum/alt/b\xFF", 30'000);
    dir.file("baum/neu", 10'000);
    dir.file("baum/verschwindet", 10'000);
    dir.file("baum/Bericht ä.pdf", 20'000);
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.path("data")));
    LinuxDesktopServices services;
    AppModel model(services);
    test::scanAndWait(model, dir.path("baum"), "baum");
    const FileNode root = model.root();
    const FileNode alt = childNamed(root, "alt");
    const std::vector<FileNode> vanished{childNamed(root, "verschwindet"),
                                         childNamed(root, "Bericht ä.pdf")};
    for (const FileNode& node : vanished) {
        std::filesystem::remove(node.path());
    }
    model.requestTrash({vanished[0], alt, vanished[1]});
    model.confirmTrash();
    if (savedDataHome.isNull()) {
        qunsetenv("XDG_DATA_HOME");
    } else {
        qputenv("XDG_DATA_HOME", savedDataHome);
    }

    EXPECT_FALSE(std::filesystem::exists(dir.path("baum/alt")));
    EXPECT_TRUE(std::filesystem::exists(dir.path("data/Trash/files/alt/b\xFF")));
    EXPECT_EQ(std::filesystem::file_size(dir.path("data/Trash/files/alt/a")), 120'000u);
    EXPECT_TRUE(std::filesystem::exists(dir.path("data/Trash/info/alt.trashinfo")));
    EXPECT_EQ(model.alertMessage(), QString("Nicht in den Papierkorb gelegt: verschwindet, Bericht "
                                            "ä.pdf. Vermutlich fehlt die Berechtigung."));
    EXPECT_TRUE(vanished[0].parent() == root && vanished[1].parent() == root);
    // With the vanished files back, the disk and the corrected tree agree.
    dir.file("baum/verschwindet", 10'000);
    dir.file("baum/Bericht ä.pdf", 20'000);
    test::expectSameTree(freshScan(dir.path("baum"), "baum"), root);
}

}  // namespace
}  // namespace raumfuchs
