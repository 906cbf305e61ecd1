// Reading ncdu export files: the tree they give, and the files they refuse.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <variant>
#include <vector>

#include "core/ncdu/NcduExport.h"
#include "core/ncdu/NcduImport.h"
#include "core/scan/DiskScanner.h"
#include "support/HandTree.h"
#include "support/TempTree.h"
#include "support/TreeCompare.h"

namespace raumfuchs {
namespace {

using test::childNamed;
using test::TempTree;

std::variant<ImportedScan, std::string> importText(const TempTree& dir, const std::string& text,
                                                   const CancelToken& token = CancelToken()) {
    const std::string file = dir.path("export.json");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    return importNcdu(file, token, {});
}

// The scan an import gives; a refusal ends the test with its message.
const ImportedScan& imported(const std::variant<ImportedScan, std::string>& result) {
    if (const std::string* message = std::get_if<std::string>(&result)) {
        throw std::runtime_error("refused: " + *message);
    }
    return std::get<ImportedScan>(result);
}

// The imported tree written out as the window saves it, and read back.
std::variant<ImportedScan, std::string> saved(const TempTree& dir, const ImportedScan& scan) {
    const std::string file = dir.path("saved.json.zst");
    const ExportHeader header{"0.1", scan.timestamp, scan.producer, scan.folderSizesEstimated};
    EXPECT_EQ(exportNcdu(scan.result.root.tree(), file, header, CancelToken()), 0);
    return importNcdu(file, CancelToken(), {});
}

std::string header(const std::string& progname = "ncdu") {
    return "[1,2,{\"progname\":\"" + progname +
           "\",\"progver\":\"1.18\",\"timestamp\":1700000000},\n";
}

TEST(NcduImport, BuildsTheTreeByTheTreesRulesFromNcduAndGduFiles) {
    TempTree dir;
    // Folder sizes are the folders' own; children come in no particular order;
    // one file linked twice on device 5 and once more on device 9 (another
    // inode there); unknown keys with nested values; escapes and raw bytes.
    const auto ncdu = importText(
        dir, header() +
                 "[{\"name\":\"/srv/"
                 "data\",\"dsize\":4096,\"dev\":5,\"extra\":{\"x\":[1,{\"y\":null}]}},\n"
                 "{\"name\":\"small\",\"asize\":10,\"dsize\":4096},\n"
                 "[{\"name\":\"a\",\"dsize\":4096},\n"
                 " {\"name\":\"l1\",\"dsize\":8192,\"ino\":7,\"hlnkc\":true,\"nlink\":2}],\n"
                 "[{\"name\":\"b\",\"dsize\":4096},\n"
                 " {\"name\":\"l2\",\"dsize\":8192,\"ino\":7,\"hlnkc\":true},\n"
                 " {\"name\":\"big\",\"dsize\":65536}],\n"
                 "[{\"name\":\"mnt\",\"dsize\":4096,\"dev\":9},\n"
                 " {\"name\":\"l3\",\"dsize\":8192,\"ino\":7,\"nlink\":3}],\n"
                 "[{\"name\":\"locked\",\"dsize\":4096,\"read_error\":true}],\n"
                 "{\"name\":\"gone\",\"read_error\":true},\n"
                 "{\"name\":\"other\",\"dsize\":4096,\"dev\":12,\"excluded\":\"otherfs\"},\n"
                 "{\"name\":\"sock\",\"notreg\":true,\"mode\":49645},\n"
                 "{\"name\":\"e\\u00e9\\ud83d\\ude00\\\"\\\\\\n\\t\xff\xfe\",\"dsize\":4096}]]\n");
    const ImportedScan& scan = imported(ncdu);
    const FileNode root = scan.result.root;
    // Where and when from; 8 folders and files of 4096, the linked file once
    // on each device.
    const auto origin = [](const ImportedScan& s) {
        return std::tuple(s.producer, s.folderSizesEstimated, s.timestamp, s.result.root.path(),
                          s.result.root.size(), s.result.unreadableCount);
    };
    EXPECT_EQ(origin(scan), std::tuple("ncdu 1.18", false, 1700000000, "/srv/data",
                                       8 * 4096 + 2 * 8192 + 65536, 2));
    EXPECT_EQ(root.displayName(), "data");
    EXPECT_EQ(root.fileCount(), 7);
    // Largest first, ties in file order.
    EXPECT_EQ(std::vector({root.child(0).nameBytes(), root.child(1).nameBytes(),
                           root.child(2).nameBytes()}),
              (std::vector<std::string_view>{"b", "a", "mnt"}));
    EXPECT_EQ(childNamed(root, "b").size(), 4096 + 65536);
    EXPECT_TRUE(childNamed(root, "locked").isUnreadable() &&
                childNamed(root, "locked").isDirectory());
    EXPECT_TRUE(childNamed(root, "gone").isUnreadable() && !childNamed(root, "gone").isDirectory());
    EXPECT_TRUE(childNamed(root, "other").isDirectory());
    EXPECT_EQ(childNamed(root, "sock").fileCount(), 1);
    EXPECT_TRUE(childNamed(root, "e\xc3\xa9\xf0\x9f\x98\x80\"\\\n\t\xff\xfe"));

    // Saved from the tree and read back: the same tree and totals (the linked
    // file once per device, though "b" now comes before the link that
    // carried it), the same origin.
    const auto again = saved(dir, scan);
    const ImportedScan& back = imported(again);
    EXPECT_EQ(test::treeDifference(root, back.result.root, {.byName = true, .sizes = false}), "");
    EXPECT_EQ(origin(back), origin(scan));

    // gdu writes no folder sizes (it counts 4 KiB for each) or totals, and marks
    // only the links after the first.
    const auto gdu =
        importText(dir, header("gdu") +
                            "[{\"name\":\"/g\"},\n"
                            "[{\"name\":\"x\",\"dsize\":20480},\n"
                            " {\"name\":\"a\",\"dsize\":12288}],\n"
                            "[{\"name\":\"y\"},\n"
                            " {\"name\":\"b\",\"dsize\":12288,\"ino\":3,\"hlnkc\":true}],\n"
                            "{\"name\":\"c\",\"dsize\":100}]]");
    const FileNode g = imported(gdu).result.root;
    EXPECT_EQ(childNamed(g, "x").size(), 20480);
    EXPECT_EQ(childNamed(g, "y").size(), 4096);
    EXPECT_EQ(origin(imported(gdu)),
              std::tuple("gdu 1.18", true, 1700000000, "/g", 4096 + 20480 + 4096 + 100, 0));
    EXPECT_EQ(origin(imported(saved(dir, imported(gdu)))), origin(imported(gdu)));
}

TEST(NcduImport, RefusesMalformedFilesNamingTheFileAndTheOffset) {
    TempTree dir;
    const std::string head = header();
    const std::string root = head + "[{\"name\":\"/r\"},";
    const std::string longName(40'000, 'n');
    struct Case {
        std::string text;
        const char* says;
        std::size_t offset;  // npos: no offset to name
    };
    const std::size_t none = std::string::npos;
    const Case cases[] = {
        {"", "ist leer", none},
        {"\x1f\x8b\x08\x00\x00\x00\x00\x00", "gzip", none},
        {"\x28\xb5\x2f\xfd garbage", "zstd-Datenstrom ist beschädigt", 0},
        {root + "{\"name\":\"f\",\"dsi", "endet in einer Zeichenkette", root.size() + 16},
        {root + "{\"name\":\"f\"}", "endet vorzeitig", root.size() + 12},
        {root + "{\"name\":\"f\",\"dsize\":\"12\"}]]", "„dsize“ muss eine ganze Zahl sein",
         root.size() + 20},
        {root + "{\"name\":\"f\",\"asize\":-1}]]", "„asize“ ist negativ", root.size() + 20},
        {root + "{\"name\":\"f\",\"dsize\":1.5}]]", "ganze Zahl", root.size() + 21},
        {root + "{\"name\":\"f\",\"ino\":99999999999999999999}]]", "„ino“ ist zu groß",
         root.size() + 37},
        {root + "{\"name\":\"f\",\"dsize\":4611686018427387904},{\"name\":\"g\",\"dsize\":1}]]",
         "mehr als 4 EiB", root.size() + 63},
        {root + "{\"name\":7}]]", "Zeichenkette erwartet", root.size() + 8},
        {root + "{\"name\":\"f\",\"hlnkc\":1}]]", "„hlnkc“ muss true oder false sein",
         root.size() + 20},
        {root + "{\"name\":\"bad\\x\"}]]", "ungültige Escape-Sequenz", root.size() + 13},
        {root + "{\"name\":\"bad\\u12g4\"}]]", "ungültige \\u-Escape-Sequenz", root.size() + 16},
        {root + "{\"name\":\"bad\\ud800x\"}]]", "ungültige \\u-Escape-Sequenz", root.size() + 19},
        {root + "{\"name\":\"a\nb\"}]]", "Steuerzeichen", root.size() + 10},
        {root + "{\"asize\":1}]]", "keinen Namen", root.size() + 11},
        {root + "{\"name\":\"a/b\"}]]", "ungültiger Name", root.size() + 14},
        {root + "{\"name\":\"" + longName + "\"}]]", "länger als 32.768 Bytes",
         root.size() + 9 + 32 * 1024},
        {root + std::string(100'000, '['), "„{“ erwartet", root.size() + 1},
        {root + "{\"name\":\"f\",\"x\":" + std::string(100'000, '[') + "]]",
         "zu tief verschachtelt", root.size() + 16 + 256},
        {"[2,0,{},[{\"name\":\"/r\"}]]", "Formatversion 2", 2},
        {head + "[{\"name\":\"/r\"}]] x", "weitere Daten", head.size() + 17},
        {"{\"name\":\"/r\"}", "„[“ am Anfang erwartet", 0},
        {head + "[{\"name\":\"/r\"}],\"x\"]", "„]“ am Ende erwartet", head.size() + 15},
    };
    for (const Case& c : cases) {
        const auto result = importText(dir, c.text);
        ASSERT_TRUE(std::holds_alternative<std::string>(result)) << c.says;
        const std::string& message = std::get<std::string>(result);
        EXPECT_NE(message.find("„" + dir.path("export.json") + "“"), std::string::npos) << message;
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
        if (c.offset != none) {
            EXPECT_NE(message.find("bei Byte " + std::to_string(c.offset)), std::string::npos)
                << message;
        }
    }
}

TEST(NcduImport, TakesDeepAndLargeFilesWithoutRecursionAndStopsWhenCancelled) {
    TempTree dir;
    constexpr int kDepth = 100'000;
    std::string deep = header() + "[{\"name\":\"/deep\"}";
    for (int i = 0; i < kDepth; ++i) {
        deep += ",[{\"name\":\"d\",\"dsize\":1}";
    }
    deep += ",{\"name\":\"bottom\",\"dsize\":5}" + std::string(kDepth + 2, ']');
    // The tree's own walks (largest files, paths, release) need no recursion either.
    FileNode node = imported(importText(dir, deep)).result.root;
    EXPECT_EQ(node.size(), kDepth + 5);
    const std::vector<FileNode> largest = node.largestFiles(3);
    ASSERT_EQ(largest.size(), 1u);
    EXPECT_EQ(largest[0].path().size(), std::string("/deep/bottom").size() + 2 * kDepth);
    int depth = 0;
    while (node.childCount() > 0) {
        node = node.child(0);
        ++depth;
    }
    EXPECT_EQ(depth, kDepth + 1);
    EXPECT_EQ(node.nameBytes(), "bottom");

    std::string many = header() + "[{\"name\":\"/many\"}";
    for (int i = 0; i < 5000; ++i) {
        many += ",{\"name\":\"f" + std::to_string(i) + "\"}";
    }
    CancelToken cancelled;
    cancelled.cancel();
    const auto stopped = importText(dir, many + "]]", cancelled);
    ASSERT_TRUE(std::holds_alternative<std::string>(stopped));
    EXPECT_EQ(std::get<std::string>(stopped), "");
}

// A saved scan keeps its entries' ages: each goes out as the scan's time less
// its whole days, and comes back as the same days counted from the header's
// time; an entry whose change time was never known stays without.
TEST(NcduExport, ASavedTreeKeepsTheAgesOfItsEntries) {
    TempTree dir;
    dir.file("d/alt", 100);
    dir.age("d/alt", 800);
    dir.file("neu", 100);
    dir.age("neu", 3);
    dir.age("d", 40);
    const auto scan =
        DiskScanner::scan(dir.root(), "Anzeige", CancelToken(), [](const ScanProgress&) {});
    ASSERT_TRUE(scan);
    const FileTree& tree = scan->root.tree();
    ExportHeader header;
    header.timestamp = tree.ageReference();
    ASSERT_EQ(exportNcdu(tree, dir.path("saved.json"), header, CancelToken()), 0);
    const auto read = importNcdu(dir.path("saved.json"), CancelToken(), {});
    const FileNode back = imported(read).result.root;
    for (const auto& [path, days] :
         {std::pair{"d/alt", 800}, std::pair{"neu", 3}, std::pair{"d", 40}}) {
        EXPECT_EQ(back.tree().ageDays(test::nodeAt(back, path).index()), days) << path;
    }

    const FileNode hand = test::build(test::folder("r", 4096, {test::file("f", 10)}));
    ASSERT_EQ(exportNcdu(hand.tree(), dir.path("hand.json"), header, CancelToken()), 0);
    EXPECT_EQ(test::fileContents(dir.path("hand.json")).find("mtime"), std::string::npos);
}

// A save that finds the tree changed between two of its steps never writes
// the two states mixed; into a pipe, where it cannot start over, it gives up.
TEST(NcduExport, ATreeChangedMidwayIsNeverWrittenHalf) {
    TempTree dir;
    // More than the writer's 1 MiB block, so that the pipe is full while the
    // walk is midway and the walk waits for it, holding no lock.
    std::vector<test::HandNode> files;
    for (int i = 0; i < 60'000; ++i) {
        files.push_back(test::file("datei" + std::to_string(i), 4096));
    }
    const FileNode root = test::build(
        test::folder("r", 4096, {test::folder("a", 4096, std::move(files)), test::file("weg", 1)}));
    const std::string pipe = dir.path("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    int error = -1;
    std::thread save([&] {
        ExportHeader header;
        error = exportNcdu(root.tree(), pipe, header, CancelToken());
    });
    const int fd = open(pipe.c_str(), O_RDONLY);
    pollfd ready{fd, POLLIN, 0};
    EXPECT_EQ(poll(&ready, 1, 30'000), 1);
    root.tree().detach(childNamed(root, "weg").index());
    char buffer[64 * 1024];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
    close(fd);
    save.join();
    EXPECT_EQ(error, EAGAIN);
}

}  // namespace
}  // namespace raumfuchs
