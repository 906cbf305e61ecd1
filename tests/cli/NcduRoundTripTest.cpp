// Exports in ncdu's format between raumfuchs-scan and the real ncdu and gdu:
// each reads the other's files with the same totals as our own scan.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/ScopedMount.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::commandOutput;
using test::ScopedMount;
using test::TempTree;

// Without the capabilities that let root read any folder, so that "locked"
// is unreadable for every program alike.
const std::string kAsUser =
    "setpriv --inh-caps=-all --bounding-set=-dac_override,-dac_read_search ";
const std::string kScan = std::string(RAUMFUCHS_SCAN_PROGRAM) + " --json ";

struct Summary {
    long long bytes = -1;
    long long files = -1;
    long long unreadable = -1;
    friend bool operator==(const Summary&, const Summary&) = default;
};

std::ostream& operator<<(std::ostream& out, const Summary& s) {
    return out << s.bytes << " bytes, " << s.files << " files, " << s.unreadable << " unreadable";
}

Summary summary(const std::string& json) {
    const auto field = [&](const std::string& key) {
        const std::size_t at = json.find("\"" + key + "\":");
        return at == std::string::npos ? -1 : std::stoll(json.substr(at + key.size() + 3));
    };
    return {field("bytes"), field("files"), field("unreadable")};
}

Summary imported(const std::string& file) {
    return summary(commandOutput(kScan + "--import " + file + " 2>&1"));
}

TEST(NcduRoundTrip, NcduAndGduReadOurExportsAndWeReadTheirs) {
    if (commandOutput("command -v ncdu && command -v gdu && command -v setpriv").empty()) {
        GTEST_SKIP() << "ncdu, gdu or setpriv is not installed (scripts/setup.sh installs them)";
    }
    // A tree with what exports must carry: names that are not UTF-8 or hold a
    // newline, hard links across folders, a symbolic link, a fifo and a folder
    // nobody may list.
    TempTree tree;
    tree.file("a/big", 50'000);
    tree.file("a/new\nline", 10);
    tree.file("b/bad\xff\xfe name", 3000);
    tree.hardLink("a/big", "b/big-link");
    tree.file("locked/secret", 7000);
    tree.symlink("a/big", "sym");
    ASSERT_EQ(mkfifo(tree.path("fifo").c_str(), 0644), 0);
    tree.folder("mnt");
    ASSERT_EQ(chmod(tree.path("locked").c_str(), 0), 0);
    TempTree out;
    const std::string root = tree.path();
    const Summary scan = summary(commandOutput(kAsUser + kScan + root));
    ASSERT_EQ(scan.unreadable, 1) << "the folder is not locked for the scan";
    ASSERT_EQ(scan.files, 6);

    // Our export, plain and packed, read by us, by ncdu (which writes it out
    // again) and by gdu.
    const std::string ours = out.path("ours.json");
    EXPECT_EQ(summary(commandOutput(kAsUser + kScan + "--export " + ours + " " + root)), scan);
    EXPECT_EQ(imported(ours), scan);
    const std::string packed = out.path("ours.json.zst");
    commandOutput(kAsUser + kScan + "--export " + packed + " " + root);
    // Packed, the same text below the header line.
    EXPECT_EQ(
        commandOutput("[ \"$(zstd -dc " + packed + " | tail -n +2 | md5sum)\" = \"$(tail -n +2 " +
                      ours + " | md5sum)\" ] && echo same"),
        "same");
    EXPECT_EQ(imported(packed), scan);
    const std::string again = out.path("again.json");
    ASSERT_EQ(commandOutput("ncdu -f " + ours + " -o " + again + " 2>&1"), "");
    EXPECT_EQ(imported(again), scan);
    // Converted: read, and written out again from the tree, packed; ncdu reads
    // that (unpacked: 1.18 knows no zstd) to the same totals.
    const std::string converted = out.path("converted.json.zst");
    EXPECT_EQ(summary(commandOutput(kScan + "--import " + ours + " --export " + converted)), scan);
    ASSERT_EQ(commandOutput("zstd -dc " + converted + " | ncdu -f - -o " + again + " 2>&1"), "");
    EXPECT_EQ(imported(again), scan);
    EXPECT_EQ(commandOutput("gdu -f " + ours + " -n -p --no-prefix -s | awk '{print $1}'"),
              std::to_string(scan.bytes));
    const std::string text = commandOutput("cat " + ours);
    EXPECT_NE(text.find("\"bad\xff\xfe name\""), std::string::npos);
    EXPECT_NE(text.find("\"new\\nline\""), std::string::npos);

    // With a volume mounted below, which no one enters: ncdu's and gdu's own
    // exports read by us, and ours read by ncdu.
    const ScopedMount mount = ScopedMount::tmpfs(tree.path("mnt"));
    if (!mount.mounted()) {
        GTEST_SKIP() << mount.failed();
    }
    tree.file("mnt/inside", 9000);
    const Summary mounted = summary(commandOutput(kAsUser + kScan + root));
    EXPECT_EQ(mounted.files, scan.files);
    commandOutput(kAsUser + "ncdu -x -o " + out.path("ncdu.json") + " " + root);
    EXPECT_EQ(imported(out.path("ncdu.json")), mounted);
    commandOutput(kAsUser + "gdu -x -n -p -o " + out.path("gdu.json") + " " + root);
    const Summary fromGdu = imported(out.path("gdu.json"));
    EXPECT_EQ(fromGdu.bytes, mounted.bytes);  // gdu does not mark unreadable folders
    EXPECT_EQ(fromGdu.files, mounted.files);
    commandOutput(kAsUser + kScan + "--export " + ours + " " + root);
    ASSERT_EQ(commandOutput("ncdu -f " + ours + " -o " + again + " 2>&1"), "");
    EXPECT_EQ(imported(again), mounted);
    // ncdu 1.18 took our mount point for one: it writes its own older word back.
    EXPECT_EQ(commandOutput("grep -ac '\"excluded\":\"othfs\"' " + again), "1");
}

}  // namespace
}  // namespace raumfuchs
