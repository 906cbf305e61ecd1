#include "core/history/ScanHistory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <variant>
#include <vector>

#include "core/ncdu/NcduImport.h"
#include "support/HandTree.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"

namespace raumfuchs {
namespace {

using test::ScopedMount;
using test::TempTree;

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kFirst = 1'764'597'780;  // 01.12.2025, 14:03 UTC

FileNode smallTree(std::int64_t extra = 0) {
    return test::build(test::folder("home", 4096,
                                    {test::file("a.bin", 40960 + extra), test::file("b.txt", 4096),
                                     test::folder("sub", 4096, {test::file("c", 8192)})}),
                       "/home/tester");
}

ExportHeader at(std::int64_t time) {
    return ExportHeader{"1.0", time, "", false};
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Names in the key's folder that are neither "path" nor a kept scan.
std::vector<std::string> leftovers(const std::string& folder) {
    std::vector<std::string> odd;
    for (const std::string& name : test::listing(folder)) {
        if (name != "path" && !name.ends_with(".json.zst")) {
            odd.push_back(name);
        }
    }
    return odd;
}

TEST(ScanHistoryTest, KeepsTheNewestTenOfAPathPrivatelyAndTwoGigabytesInAll) {
    TempTree dir;
    const ScanHistory history(dir.path("state/raumfuchs/history"));
    const CancelToken token;
    for (int i = 0; i < 12; ++i) {
        HistoryEntry added;
        ASSERT_EQ(history.add("/home/tester", smallTree(i * 4096).tree(), at(kFirst + i * kDay),
                              i == 11 ? std::optional<std::int64_t>(5'000'000) : std::nullopt,
                              token, &added),
                  0);
        EXPECT_EQ(added.bytes, 4096 + 40960 + i * 4096 + 4096 + 4096 + 8192);
    }
    const std::vector<HistoryEntry> kept = history.entries("/home/tester");
    ASSERT_EQ(kept.size(), 10u);
    EXPECT_EQ(kept.front().time, kFirst + 11 * kDay);
    EXPECT_EQ(kept.front().volumeUsed, std::optional<std::int64_t>(5'000'000));
    EXPECT_EQ(kept.back().time, kFirst + 2 * kDay);  // the two oldest went
    EXPECT_EQ(kept.back().files, 3);
    EXPECT_FALSE(kept.back().volumeUsed);
    // Every folder on the way is private, and so is every file.
    for (const std::string& folder :
         {dir.path("state"), dir.path("state/raumfuchs"), history.folder(),
          history.folder() + "/" + ScanHistory::folderName("/home/tester")}) {
        EXPECT_EQ(modeOf(folder), 0700u) << folder;
    }
    EXPECT_EQ(modeOf(kept.front().file), 0600u);
    EXPECT_EQ(modeOf(history.folder() + "/" + ScanHistory::folderName("/home/tester") + "/path"),
              0600u);
    // What is kept reads back as the tree that was scanned.
    auto read = importNcdu(kept.back().file, token, {});
    ASSERT_TRUE(std::holds_alternative<ImportedScan>(read)) << std::get<std::string>(read);
    EXPECT_EQ(std::get<ImportedScan>(read).result.root.size(), kept.back().bytes);
    EXPECT_EQ(std::get<ImportedScan>(read).timestamp, kFirst + 2 * kDay);
    EXPECT_TRUE(history.entries("/home/other").empty());

    // The bound in bytes counts every path's scans; the oldest go first,
    // whichever path they belong to.
    const std::int64_t one = kept.front().fileBytes;
    const ScanHistory tight(history.folder(), HistoryLimits{10, 8 * one + one / 2});
    ASSERT_EQ(tight.add("/srv", smallTree().tree(), at(kFirst + 20 * kDay), std::nullopt, token),
              0);
    EXPECT_EQ(tight.entries("/srv").size(), 1u);
    const std::vector<HistoryEntry> left = tight.entries("/home/tester");
    ASSERT_EQ(left.size(), 7u);                        // eight exports of about one size fit
    EXPECT_EQ(left.front().time, kFirst + 11 * kDay);  // the newest stay
    // An export larger than the whole bound is not kept, and takes nothing with it.
    const ScanHistory tiny(history.folder(), HistoryLimits{10, 10});
    EXPECT_EQ(tiny.add("/srv", smallTree().tree(), at(kFirst + 30 * kDay), std::nullopt, token),
              EFBIG);
    EXPECT_EQ(tiny.entries("/srv").size(), 1u);
    EXPECT_EQ(tiny.entries("/home/tester"), left);
}

TEST(ScanHistoryTest, ACancelledOrFailedWriteLeavesNoEntryAndTheOlderOnesIntact) {
    TempTree dir;
    dir.folder("state");
    ScopedMount full = ScopedMount::tmpfs(dir.path("state"));
    if (!full.mounted()) {
        GTEST_SKIP() << full.failed();
    }
    const ScanHistory history(dir.path("state/history"));
    const CancelToken token;
    ASSERT_EQ(history.add("/data", smallTree().tree(), at(kFirst), std::nullopt, token), 0);
    const std::vector<HistoryEntry> before = history.entries("/data");
    ASSERT_EQ(before.size(), 1u);
    const std::string contents = test::fileContents(before[0].file);
    const std::string keyFolder = history.folder() + "/" + ScanHistory::folderName("/data");

    CancelToken cancelled;
    cancelled.cancel();
    EXPECT_EQ(
        history.add("/data", smallTree(4096).tree(), at(kFirst + kDay), std::nullopt, cancelled),
        ECANCELED);
    EXPECT_EQ(history.entries("/data"), before);
    EXPECT_TRUE(leftovers(keyFolder).empty());

    // The state folder's file system is full.
    test::commandOutput("dd if=/dev/zero of='" + dir.path("state/filler") +
                        "' bs=4096 2>/dev/null");
    const int error =
        history.add("/data", smallTree(8192).tree(), at(kFirst + 2 * kDay), std::nullopt, token);
    EXPECT_EQ(error, ENOSPC);
    EXPECT_EQ(history.entries("/data"), before);
    EXPECT_EQ(test::fileContents(before[0].file), contents);
    EXPECT_TRUE(leftovers(keyFolder).empty());
    EXPECT_EQ(history.add("/new", smallTree().tree(), at(kFirst), std::nullopt, token), ENOSPC);
    EXPECT_TRUE(history.entries("/new").empty());
}

}  // namespace
}  // namespace raumfuchs
