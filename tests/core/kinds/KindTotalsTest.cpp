#include "core/kinds/KindTotals.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/scan/DiskScanner.h"
#include "core/tree/ConcurrentDetach.h"
#include "support/HandTree.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::file;
using test::folder;

const FileKinds& writtenKinds() {
    static const FileKinds kinds(
        MimeGlobs::parse("50:image/jpeg:*.jpg\n"
                         "50:image/png:*.png\n"
                         "50:text/plain:*.txt\n"
                         "50:text/x-c++src:*.C:cs\n"
                         "50:text/x-csrc:*.c\n"
                         "50:text/x-makefile:makefile\n"
                         "50:application/x-compressed-tar:*.tar.gz\n"
                         "50:application/x-compressed-tar:*.tgz\n"
                         "50:application/gzip:*.gz\n"
                         "60:application/x-sharedlib:*.so.[0-9]*\n"));
    return kinds;
}

// "Archive 11000/3 (.tar.gz 10000/1, …); …", the categories with files, in
// the order given.
std::string describe(const KindTotals& totals) {
    std::string out;
    for (const CategoryTotals& c : totals.categories) {
        if (c.files == 0) {
            continue;
        }
        out += (out.empty() ? "" : "; ") + std::string(categoryName(c.category)) + " " +
               std::to_string(c.bytes) + "/" + std::to_string(c.files) + " (";
        for (const ExtensionTotals& e : c.extensions) {
            out += (&e == &c.extensions.front() ? "" : ", ") +
                   (e.extension.empty() ? "-" : e.extension) + " " + std::to_string(e.bytes) + "/" +
                   std::to_string(e.files);
        }
        out += ")";
    }
    return out;
}

TEST(KindTotalsTest, CountsEveryFileOnceByCategoryAndExtension) {
    auto tree = std::make_shared<FileTree>("/hand", "root");
    const FileTree::Index root = tree->addDirectory(FileTree::kNone, "root", 4096);
    std::vector<FileTree::Index> children;
    // The second link of a photo: the tree gives its bytes to the first.
    for (const test::HandNode& node : {
             folder("photos", 4096,
                    {file("IMG_1.JPG", 3000), file("img_2.jpg", 2000), file("scan.png", 500),
                     file("link.jpg", 0)}),
             folder("src", 4096, {file("main.c", 100), file("main.C", 200), file("Makefile", 50)}),
             folder("backup", 0,
                    {file("a.tar.gz", 10000), file("b.TGZ", 700), file("dump.gz", 300)}),
             folder("misc", 0,
                    {file(".bashrc", 30), file("file000", 0), file("data.xyz", 40),
                     file("DATA.XYZ", 60)}),
             file("libfoo.so.1", 800),
         }) {
        children.push_back(test::addHand(*tree, root, node, &writtenKinds()));
        tree->addToTotals(root, tree->size(children.back()), tree->fileCount(children.back()));
    }
    children.push_back(tree->addPlaceholder(root, "lost", false));
    tree->setChildren(root, children);

    const std::optional<KindTotals> totals = KindTotals::collect(*tree, root, writtenKinds());
    ASSERT_TRUE(totals);
    EXPECT_EQ(describe(*totals),
              "Archive 11000/3 (.tar.gz 10000/1, .tgz 700/1, .gz 300/1); "
              "Bilder 5500/4 (.jpg 5000/3, .png 500/1); "
              "Programme 800/1 (.so 800/1); "
              "Quelltext 350/3 (.c 300/2, - 50/1); "
              "Sonstige 130/4 (.xyz 100/2, - 30/2)");
    // Every category is there, the empty ones last in their own order.
    ASSERT_EQ(totals->categories.size(), kFileCategoryCount);
    EXPECT_EQ(totals->categories[5].category, FileCategory::Videos);
    EXPECT_EQ(totals->categories[7].category, FileCategory::Documents);
    // A tree without change times has no ages.
    EXPECT_FALSE(totals->hasAges());
    EXPECT_EQ(totals->filesWithoutAge, tree->fileCount(root));

    // A folder below, and a file alone.
    EXPECT_EQ(describe(*KindTotals::collect(*tree, test::childNamed(tree->root(), "src").index(),
                                            writtenKinds())),
              "Quelltext 350/3 (.c 300/2, - 50/1)");
    EXPECT_EQ(describe(*KindTotals::collect(
                  *tree, test::childNamed(tree->root(), "libfoo.so.1").index(), writtenKinds())),
              "Programme 800/1 (.so 800/1)");
}

// A real scan stamps each file with its kind and its age in days before the
// scan: the buckets end before 30, 365 and 1,095 days, and a file older than
// the stamp can hold is still "Älter". A file linked from a sibling folder
// counts its bytes once, both links as files. Every folder down to the depth
// asked for gets the mix of its files.
TEST(KindTotalsTest, ScannedFilesCountByStampedKindAndAge) {
    test::TempTree dir;
    const std::vector<std::pair<std::string, int>> files = {
        {"photos/IMG_1.JPG", 29}, {"photos/b.jpg", 30},   {"backup/a.tar.gz", 364},
        {"backup/c.gz", 365},     {"src/Makefile", 1094}, {"src/main.C", 1095},
        {"src/main.c", 0},        {".bashrc", 20000},
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        dir.file(files[i].first, 5000 * (i + 1));
        dir.age(files[i].first, files[i].second);
    }
    dir.hardLink("photos/b.jpg", "backup/kopie.JPG");
    const auto scan =
        DiskScanner::scan(dir.root(), "Anzeige", CancelToken(), [](const ScanProgress&) {},
                          {.classifier = &writtenKinds()});
    ASSERT_TRUE(scan);
    const std::optional<KindTotals> totals = KindTotals::collect(
        scan->root.tree(), scan->root.index(), writtenKinds(), {.mixDepth = 1, .mixMinShare = 0});
    ASSERT_TRUE(totals);
    const auto bytes = [&](std::initializer_list<std::string> names) {
        std::int64_t sum = 0;
        for (const std::string& name : names) {
            sum += dir.allocated(name);
        }
        return std::to_string(sum);
    };
    const std::string images = bytes({"photos/IMG_1.JPG", "photos/b.jpg"});
    const std::string archives = bytes({"backup/a.tar.gz", "backup/c.gz"});
    const std::string source = bytes({"src/Makefile", "src/main.C", "src/main.c"});
    const std::string other = bytes({".bashrc"});
    EXPECT_EQ(describe(*totals),
              "Quelltext " + source + "/3 (.c " + bytes({"src/main.C", "src/main.c"}) + "/2, - " +
                  bytes({"src/Makefile"}) + "/1); Sonstige " + other + "/1 (- " + other +
                  "/1); Archive " + archives + "/2 (.gz " + bytes({"backup/c.gz"}) +
                  "/1, .tar.gz " + bytes({"backup/a.tar.gz"}) + "/1); Bilder " + images +
                  "/3 (.jpg " + images + "/3)");

    const auto bucket = [&](AgeBucket b) {
        const AgeTotals& a = totals->ages[static_cast<std::size_t>(b)];
        return std::to_string(a.bytes) + "/" + std::to_string(a.files);
    };
    EXPECT_TRUE(totals->hasAges());
    EXPECT_EQ(totals->filesWithoutAge, 0);
    EXPECT_EQ(bucket(AgeBucket::Recent), bytes({"photos/IMG_1.JPG", "src/main.c"}) + "/2");
    EXPECT_EQ(bucket(AgeBucket::UpToOneYear), bytes({"photos/b.jpg", "backup/a.tar.gz"}) + "/3");
    EXPECT_EQ(bucket(AgeBucket::UpToThreeYears), bytes({"backup/c.gz", "src/Makefile"}) + "/2");
    EXPECT_EQ(bucket(AgeBucket::Older), bytes({"src/main.C", ".bashrc"}) + "/2");
    EXPECT_EQ(scan->root.tree().ageDays(test::childNamed(scan->root, ".bashrc").index()),
              EntryStamp::kMaxAgeDays);

    // The mixes of the folders one level down, for the chart.
    ASSERT_EQ(totals->folders.size(), 3u);
    const FolderMix& src = totals->folders.at(test::childNamed(scan->root, "src").index());
    EXPECT_EQ(std::to_string(src.categoryBytes[static_cast<std::size_t>(FileCategory::SourceCode)]),
              source);
    EXPECT_EQ(std::to_string(src.ageBytes[static_cast<std::size_t>(AgeBucket::Older)]),
              bytes({"src/main.C"}));
}

// Walks on other threads while the owning thread cuts folders out: a walk
// either gives up or returns the totals of the tree as it was at its
// generation.
TEST(KindTotalsTest, ConcurrentWalksDuringDetachSeeOneStateOrGiveUp) {
    const char* names[] = {"a.jpg", "b.tar.gz", "c.c", "d", "e.xyz", "libf.so.2"};
    std::vector<test::HandNode> top;
    for (int d = 0; d < 60; ++d) {
        std::vector<test::HandNode> files;
        for (int f = 0; f < 300; ++f) {
            files.push_back(file(std::to_string(f) + names[(d + f) % 6], (d * 31 + f) % 700 * 512));
        }
        top.push_back(folder("d" + std::to_string(d), 0, std::move(files)));
    }
    const FileNode root = test::build(folder("wide", 0, std::move(top)), "/hand", &writtenKinds());
    const auto walk = [&]() -> std::optional<std::string> {
        const auto totals = KindTotals::collect(root.tree(), root.index(), writtenKinds());
        return totals ? std::optional(describe(*totals)) : std::nullopt;
    };
    test::expectWalksSeeOneStateOrGiveUp(root, walk, [&] { return walk().value(); });
}

}  // namespace
}  // namespace raumfuchs
