#include "platform/FreedesktopTrash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace raumfuchs {
namespace {

namespace fs = std::filesystem;

std::string makeTempFolder(const std::string& base) {
    std::string pattern = base + "/raumfuchs-trash-XXXXXX";
    char* made = ::mkdtemp(pattern.data());
    return made != nullptr ? std::string(made) : std::string();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
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
    void SetUp() override {
        root = makeTempFolder(fs::temp_directory_path().string());
        ASSERT_FALSE(root.empty());
        homeTrash = root + "/data/Trash";
        fs::create_directories(root + "/items");
    }
    void TearDown() override { fs::remove_all(root); }

    FreedesktopTrash trash() const {
        return FreedesktopTrash({homeTrash, ::getuid(), [] { return std::time_t{1'700'000'000}; }});
    }

    std::string root;
    std::string homeTrash;
};

TEST_F(FreedesktopTrashTest, MovesIntoTheHomeTrashWithItsInfo) {
    const std::string item = root + "/items/Bericht März 50%.txt";
    writeFile(item, "Inhalt");
    const auto moved = trash().moveToTrash(item);
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(*moved, homeTrash + "/files/Bericht März 50%.txt");
    EXPECT_FALSE(exists(item));
    EXPECT_EQ(readFile(*moved), "Inhalt");

    const std::string infoFile = homeTrash + "/info/Bericht März 50%.txt.trashinfo";
    const std::string info = readFile(infoFile);
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=/", 0), 0u) << info;
    EXPECT_NE(info.find("Bericht%20M%C3%A4rz%2050%25.txt\n"), std::string::npos) << info;
    EXPECT_EQ(recordedPath(infoFile), item);
    // Local time without a zone: 2023-11-14 somewhere around 22:13 UTC.
    const auto date = info.find("DeletionDate=");
    ASSERT_NE(date, std::string::npos);
    const std::string stamp = info.substr(date + 13, info.size() - date - 14);
    EXPECT_EQ(stamp.size(), 19u) << stamp;
    EXPECT_EQ(stamp.substr(0, 8), "2023-11-") << stamp;
    EXPECT_EQ(stamp[10], 'T');
}

TEST_F(FreedesktopTrashTest, InvalidUtf8NamesKeepTheirBytes) {
    const std::string item = root + "/items/caf\xe9-\xff\xfe";
    fs::create_directory(item);
    writeFile(item + "/inside", "x");
    const auto moved = trash().moveToTrash(item);
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(*moved, homeTrash + "/files/caf\xe9-\xff\xfe");
    EXPECT_EQ(readFile(*moved + "/inside"), "x");
    const std::string infoFile = homeTrash + "/info/caf\xe9-\xff\xfe.trashinfo";
    EXPECT_NE(readFile(infoFile).find("caf%E9-%FF%FE\n"), std::string::npos);
    EXPECT_EQ(recordedPath(infoFile), item);
}

TEST_F(FreedesktopTrashTest, CollidingNamesGetNumbered) {
    fs::create_directories(root + "/items/a");
    fs::create_directories(root + "/items/b");
    fs::create_directories(root + "/items/c");
    writeFile(root + "/items/a/notiz", "erste");
    writeFile(root + "/items/b/notiz", "zweite");
    writeFile(root + "/items/c/notiz", "dritte");
    // A leftover in files/ without an info file must not be overwritten either.
    fs::create_directories(homeTrash + "/files");
    writeFile(homeTrash + "/files/notiz.3", "alt");

    EXPECT_EQ(trash().moveToTrash(root + "/items/a/notiz"), homeTrash + "/files/notiz");
    EXPECT_EQ(trash().moveToTrash(root + "/items/b/notiz"), homeTrash + "/files/notiz.2");
    EXPECT_EQ(trash().moveToTrash(root + "/items/c/notiz"), homeTrash + "/files/notiz.4");
    EXPECT_EQ(readFile(homeTrash + "/files/notiz.2"), "zweite");
    EXPECT_EQ(readFile(homeTrash + "/files/notiz.3"), "alt");
    EXPECT_EQ(recordedPath(homeTrash + "/info/notiz.4.trashinfo"), root + "/items/c/notiz");
    EXPECT_FALSE(exists(homeTrash + "/info/notiz.3.trashinfo"));
}

TEST_F(FreedesktopTrashTest, SymbolicLinksGoThemselvesNotTheirTargets) {
    writeFile(root + "/items/target", "bleibt");
    ASSERT_EQ(::symlink("target", (root + "/items/link").c_str()), 0);
    ASSERT_TRUE(trash().moveToTrash(root + "/items/./link").has_value());
    EXPECT_EQ(readFile(root + "/items/target"), "bleibt");
    EXPECT_TRUE(fs::is_symlink(homeTrash + "/files/link"));
    EXPECT_EQ(recordedPath(homeTrash + "/info/link.trashinfo"), root + "/items/link");
}

TEST_F(FreedesktopTrashTest, AFailedMoveLeavesNothingBehind) {
    EXPECT_FALSE(trash().moveToTrash(root + "/items/missing").has_value());
    EXPECT_FALSE(trash().moveToTrash("/").has_value());

    // The trash's own folder cannot go into itself; the item stays whole.
    const std::string data = root + "/data";
    writeFile(root + "/items/keep", "k");
    ASSERT_TRUE(trash().moveToTrash(root + "/items/keep").has_value());
    EXPECT_FALSE(trash().moveToTrash(data).has_value());
    EXPECT_TRUE(exists(homeTrash + "/files/keep"));

    // A folder we may not leave: the rename fails, the item and no info remain.
    if (::getuid() != 0) {
        fs::create_directories(root + "/locked");
        writeFile(root + "/locked/stays", "s");
        ::chmod((root + "/locked").c_str(), 0500);
        EXPECT_FALSE(trash().moveToTrash(root + "/locked/stays").has_value());
        ::chmod((root + "/locked").c_str(), 0700);
        EXPECT_EQ(readFile(root + "/locked/stays"), "s");
    }
    std::size_t infos = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(homeTrash + "/info")) {
        ++infos;
    }
    EXPECT_EQ(infos, 1u);  // only the one for "keep"
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
    const std::string folder = makeTempFolder("/dev/shm");
    ASSERT_FALSE(folder.empty());
    const std::string item = folder + "/weit weg";
    writeFile(item, "w");

    const auto moved = trash().moveToTrash(item);
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(moved->rfind(topTrash + "/files/", 0), 0u) << *moved;
    const std::string name = moved->substr(moved->rfind('/') + 1);
    const std::string info = readFile(topTrash + "/info/" + name + ".trashinfo");
    // Relative to the top of the mount.
    EXPECT_NE(info.find("\nPath=" + FreedesktopTrash::percentEncode(item.substr(9)) + "\n"),
              std::string::npos)
        << info;
    EXPECT_FALSE(exists(homeTrash + "/files/weit weg"));

    fs::remove(topTrash + "/info/" + name + ".trashinfo");
    fs::remove(*moved);
    fs::remove_all(folder);
    if (!hadTopTrash) {
        fs::remove_all(topTrash);
    }
}

}  // namespace
}  // namespace raumfuchs
