#include "platform/FreedesktopTrash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/TempTree.h"

namespace raumfuchs {
namespace {

namespace fs = std::filesystem;

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string readFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

bool exists(const std::string& path) {
    return fs::exists(fs::symlink_status(path));
}

// The decoded Path= value of a .trashinfo file.
std::string recordedPath(const std::string& infoFile) {
    const std::string info = readFile(infoFile);
    const auto start = info.find("\nPath=");
    if (start == std::string::npos) {
        return {};
    }
    const auto end = info.find('\n', start + 1);
    return FreedesktopTrash::percentDecode(info.substr(start + 6, end - start - 6));
}

class FreedesktopTrashTest : public ::testing::Test {
  protected:
    FreedesktopTrashTest() { tree.folder("items"); }
    FreedesktopTrash trash() const {
        return FreedesktopTrash({homeTrash, ::getuid(), [] { return std::time_t{1'700'000'000}; }});
    }
    test::TempTree tree;
    const std::string root = tree.root();
    const std::string homeTrash = root + "/data/Trash";
};

TEST_F(FreedesktopTrashTest, MovesWithItsInfoKeepingTheNameBytes) {
    const std::string item = root + "/items/Bericht März 50%.txt";
    writeFile(item, "Inhalt");
    const auto moved = trash().moveToTrash(item);
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(*moved, homeTrash + "/files/Bericht März 50%.txt");
    EXPECT_FALSE(exists(item));
    EXPECT_EQ(readFile(*moved), "Inhalt");
    const std::string info = readFile(homeTrash + "/info/Bericht März 50%.txt.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=/", 0), 0u) << info;
    EXPECT_NE(info.find("Bericht%20M%C3%A4rz%2050%25.txt\n"), std::string::npos) << info;
    // Local time without a zone: 2023-11-14 somewhere around 22:13 UTC.
    EXPECT_EQ(info.size() - info.find("DeletionDate=2023-11-"), 13u + 19u + 1u) << info;

    const std::string odd = root + "/items/caf\xe9-\xff\xfe";
    fs::create_directory(odd);
    writeFile(odd + "/inside", "x");
    EXPECT_EQ(trash().moveToTrash(odd), homeTrash + "/files/caf\xe9-\xff\xfe");
    EXPECT_EQ(readFile(homeTrash + "/files/caf\xe9-\xff\xfe/inside"), "x");
    EXPECT_EQ(recordedPath(homeTrash + "/info/caf\xe9-\xff\xfe.trashinfo"), odd);

    // A link goes itself, not its target.
    writeFile(root + "/items/target", "bleibt");
    ASSERT_EQ(::symlink("target", (root + "/items/link").c_str()), 0);
    ASSERT_TRUE(trash().moveToTrash(root + "/items/./link").has_value());
    EXPECT_EQ(readFile(root + "/items/target"), "bleibt");
    EXPECT_TRUE(fs::is_symlink(homeTrash + "/files/link"));
    EXPECT_EQ(recordedPath(homeTrash + "/info/link.trashinfo"), root + "/items/link");
}

TEST_F(FreedesktopTrashTest, CollidingNamesGetNumbered) {
    for (const char* folder : {"a", "b", "c"}) {
        tree.folder(std::string("items/") + folder);
        writeFile(root + "/items/" + folder + "/notiz", folder);
    }
    // A leftover in files/ without an info file must not be overwritten either.
    fs::create_directories(homeTrash + "/files");
    writeFile(homeTrash + "/files/notiz.3", "alt");
    EXPECT_EQ(trash().moveToTrash(root + "/items/a/notiz"), homeTrash + "/files/notiz");
    EXPECT_EQ(trash().moveToTrash(root + "/items/b/notiz"), homeTrash + "/files/notiz.2");
    EXPECT_EQ(trash().moveToTrash(root + "/items/c/notiz"), homeTrash + "/files/notiz.4");
    EXPECT_EQ(readFile(homeTrash + "/files/notiz.2"), "b");
    EXPECT_EQ(readFile(homeTrash + "/files/notiz.3"), "alt");
    EXPECT_EQ(recordedPath(homeTrash + "/info/notiz.4.trashinfo"), root + "/items/c/notiz");
}

TEST_F(FreedesktopTrashTest, AFailedMoveLeavesNothingBehind) {
    EXPECT_FALSE(trash().moveToTrash(root + "/items/missing").has_value());
    EXPECT_FALSE(trash().moveToTrash("/").has_value());
    // The trash's own folder cannot go into itself.
    writeFile(root + "/items/keep", "k");
    ASSERT_TRUE(trash().moveToTrash(root + "/items/keep").has_value());
    EXPECT_FALSE(trash().moveToTrash(root + "/data").has_value());
    EXPECT_TRUE(exists(homeTrash + "/files/keep"));
    // A folder we may not leave: the rename fails, the item stays.
    if (::getuid() != 0) {
        fs::create_directories(root + "/locked");
        writeFile(root + "/locked/stays", "s");
        ::chmod((root + "/locked").c_str(), 0500);
        EXPECT_FALSE(trash().moveToTrash(root + "/locked/stays").has_value());
        ::chmod((root + "/locked").c_str(), 0700);
        EXPECT_EQ(readFile(root + "/locked/stays"), "s");
    }
    const auto infos = fs::directory_iterator(homeTrash + "/info");
    EXPECT_EQ(std::distance(fs::begin(infos), fs::end(infos)), 1);  // only "keep"
}

TEST_F(FreedesktopTrashTest, AnotherDeviceUsesTheTrashAtTheTopOfItsMount) {
    struct stat tmp {};
    struct stat shm {};
    if (::stat(root.c_str(), &tmp) != 0 || ::stat("/dev/shm", &shm) != 0 ||
        tmp.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no writable second file system at /dev/shm";
    }
    const std::string topTrash = "/dev/shm/.Trash-" + std::to_string(::getuid());
    const bool hadTopTrash = exists(topTrash);
    std::string folder = "/dev/shm/raumfuchs-trash-XXXXXX";
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const std::string item = folder + "/weit weg";
    writeFile(item, "w");

    const auto moved = trash().moveToTrash(item);
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(moved->rfind(topTrash + "/files/", 0), 0u) << *moved;
    const std::string infoFile = topTrash + "/info/" + fs::path(*moved).filename().string();
    // Recorded relative to the top of the mount.
    EXPECT_EQ(recordedPath(infoFile + ".trashinfo"), item.substr(9));
    EXPECT_FALSE(exists(homeTrash + "/files/weit weg"));

    fs::remove(infoFile + ".trashinfo");
    fs::remove(*moved);
    fs::remove_all(folder);
    if (!hadTopTrash) {
        fs::remove_all(topTrash);
    }
}

}  // namespace
}  // namespace raumfuchs
