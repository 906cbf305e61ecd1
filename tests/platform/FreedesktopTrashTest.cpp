#include "platform/FreedesktopTrash.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/text/PathText.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

namespace fs = std::filesystem;

// The decoded Path= value of a .trashinfo file.
std::string recordedPath(const std::string& infoFile) {
    const std::string info = test::fileContents(infoFile);
    const auto start = info.find("\nPath=") + 6;
    return PathText::percentDecode(info.substr(start, info.find('\n', start) - start));
}

// A scratch tree whose home trash is data/Trash, at a fixed moment.
struct FreedesktopTrashTest : ::testing::Test {
    FreedesktopTrashTest() { tree.folder("items"); }
    FreedesktopTrash trash() const {
        return FreedesktopTrash({homeTrash, ::getuid(), [] { return std::time_t{1'700'000'000}; }});
    }
    test::TempTree tree;
    const std::string root = tree.root();
    const std::string homeTrash = root + "/data/Trash";
};

TEST_F(FreedesktopTrashTest, MovesWithItsInfoKeepingTheNameBytes) {
    tree.file("items/Bericht März 50%.txt", 6);
    const auto moved = trash().moveToTrash(root + "/items/Bericht März 50%.txt");
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(*moved, homeTrash + "/files/Bericht März 50%.txt");
    EXPECT_EQ(test::fileContents(*moved), "xxxxxx");
    const std::string info = test::fileContents(homeTrash + "/info/Bericht März 50%.txt.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=/", 0), 0u) << info;
    EXPECT_NE(info.find("Bericht%20M%C3%A4rz%2050%25.txt\n"), std::string::npos) << info;
    // Local time without a zone: 2023-11-14 somewhere around 22:13 UTC.
    EXPECT_EQ(info.size() - info.find("DeletionDate=2023-11-"), 13u + 19u + 1u) << info;

    const std::string odd = root + "/items/caf\xe9-\xff\xfe";
    tree.file("items/caf\xe9-\xff\xfe/inside", 1);
    EXPECT_EQ(trash().moveToTrash(odd), homeTrash + "/files/caf\xe9-\xff\xfe");
    EXPECT_EQ(test::fileContents(homeTrash + "/files/caf\xe9-\xff\xfe/inside"), "x");
    EXPECT_EQ(recordedPath(homeTrash + "/info/caf\xe9-\xff\xfe.trashinfo"), odd);

    // A link goes itself, not its target.
    tree.file("items/target", 6);
    tree.symlink("target", "items/link");
    ASSERT_TRUE(trash().moveToTrash(root + "/items/./link").has_value());
    EXPECT_EQ(fs::file_size(root + "/items/target"), 6u);
    EXPECT_TRUE(fs::is_symlink(homeTrash + "/files/link"));
    EXPECT_EQ(recordedPath(homeTrash + "/info/link.trashinfo"), root + "/items/link");
}

TEST_F(FreedesktopTrashTest, CollidingNamesGetNumberedAndFailedMovesLeaveNothing) {
    for (const char* folder : {"a", "b", "c"}) {
        tree.file(std::string("items/") + folder + "/notiz");
    }
    // A leftover in files/ without an info file must not be overwritten either.
    tree.file("data/Trash/files/notiz.3", 3);
    EXPECT_EQ(trash().moveToTrash(root + "/items/a/notiz"), homeTrash + "/files/notiz");
    EXPECT_EQ(trash().moveToTrash(root + "/items/b/notiz"), homeTrash + "/files/notiz.2");
    EXPECT_EQ(trash().moveToTrash(root + "/items/c/notiz"), homeTrash + "/files/notiz.4");
    EXPECT_EQ(test::fileContents(homeTrash + "/files/notiz.3"), "xxx");
    EXPECT_EQ(recordedPath(homeTrash + "/info/notiz.4.trashinfo"), root + "/items/c/notiz");

    EXPECT_FALSE(trash().moveToTrash(root + "/items/missing").has_value());
    EXPECT_FALSE(trash().moveToTrash("/").has_value());
    EXPECT_FALSE(trash().moveToTrash(root + "/data").has_value());  // the trash into itself
    EXPECT_TRUE(fs::exists(homeTrash + "/files/notiz"));
    const auto infos = fs::directory_iterator(homeTrash + "/info");
    EXPECT_EQ(std::distance(fs::begin(infos), fs::end(infos)), 3);
}

TEST_F(FreedesktopTrashTest, NothingThatIsOrHoldsAMountPointMoves) {
    tree.folder("ordner/mp");
    const test::ScopedMount mount = test::ScopedMount::tmpfs(tree.path("ordner/mp"));
    if (!mount.mounted()) {
        GTEST_SKIP() << mount.failed();
    }
    tree.file("ordner/mp/daten", 100);
    tree.file("ordner/neben", 10);
    tree.symlink(root, "weg");
    for (const char* path : {"/ordner", "/ordner/mp", "/weg/ordner", "/ordner/"}) {
        EXPECT_FALSE(trash().moveToTrash(root + path).has_value()) << path;
    }
    EXPECT_EQ(fs::file_size(root + "/ordner/mp/daten"), 100u);
    EXPECT_FALSE(fs::exists(root + "/data/Trash/info/ordner.trashinfo"));
    // Beside the mount point, and inside the mount, items still go.
    EXPECT_TRUE(trash().moveToTrash(root + "/weg/ordner/neben").has_value());
    EXPECT_TRUE(trash().moveToTrash(root + "/ordner/mp/daten").has_value());
}

TEST_F(FreedesktopTrashTest, ItemsOnOtherMountsGoToTheTopOfTheirRealMount) {
    ASSERT_NE(test::commandOutput("command -v trash-list"), "")
        << "scripts/setup.sh installs trash-cli";
    tree.folder("volume");
    tree.folder("home-bind");
    tree.file("home-folder/bericht.txt", 3);
    const test::ScopedMount volume =
        test::ScopedMount::ext4(root + "/volume.img", root + "/volume");
    const test::ScopedMount bind =
        test::ScopedMount::bind(root + "/home-folder", root + "/home-bind");
    if (!volume.mounted() || !bind.mounted()) {
        GTEST_SKIP() << volume.failed() << bind.failed();
    }
    // `path` goes to the trash at the top `top`, which records it as `recorded`.
    const auto expectMoved = [&](const std::string& path, const std::string& top,
                                 const std::string& name, const std::string& recorded) {
        const std::string trash = top + "/.Trash-" + std::to_string(::getuid());
        EXPECT_EQ(this->trash().moveToTrash(path), trash + "/files/" + name);
        EXPECT_EQ(recordedPath(trash + "/info/" + name + ".trashinfo"), recorded);
    };
    // Reached through a link from outside the mount, as a scan through the
    // link names it.
    tree.file("volume/deep/inner/item.txt", 1);
    tree.symlink(root + "/volume/deep/inner", "lnk");
    expectMoved(root + "/lnk/item.txt", root + "/volume", "item.txt", "deep/inner/item.txt");
    EXPECT_FALSE(fs::exists(root + "/volume/deep/inner/.Trash-" + std::to_string(::getuid())));
    // A bind mount of the home trash's own file system: rename(2) cannot
    // leave it, so its own top takes the item.
    expectMoved(root + "/home-bind/bericht.txt", root + "/home-bind", "bericht.txt", "bericht.txt");

    // What the trash tools see: trash-list from trash-cli reads the home trash
    // and the trash at the top of every mount.
    const std::string listed =
        test::commandOutput("XDG_DATA_HOME='" + root + "/data' trash-list 2>&1");
    EXPECT_NE(listed.find(" " + root + "/volume/deep/inner/item.txt"), std::string::npos) << listed;
    EXPECT_NE(listed.find(" " + root + "/home-bind/bericht.txt"), std::string::npos) << listed;
}

}  // namespace
}  // namespace raumfuchs
