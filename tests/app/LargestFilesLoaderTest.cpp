#include "app/LargestFilesLoader.h"

#include <gtest/gtest.h>

#include "app/ModelTestSupport.h"

namespace raumfuchs {
namespace {

// `folders` folders of `files` files each, sizes spread by a fixed sequence.
FileNode wideTree(int folders, int files) {
    std::uint64_t seed = 12345;
    std::vector<test::HandNode> top;
    for (int d = 0; d < folders; ++d) {
        std::vector<test::HandNode> children;
        for (int f = 0; f < files; ++f) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            const auto size = static_cast<std::int64_t>((seed >> 33) % 1'000'000) * 512;
            children.push_back(test::file("f" + std::to_string(f), size));
        }
        top.push_back(test::folder("d" + std::to_string(d), 0, std::move(children)));
    }
    return test::build(test::folder("wide", 0, std::move(top)), "/wide");
}

TEST(LargestFilesLoader, ConcurrentLoadsWhileTrashingDeliverOnlyCurrentLists) {
    test::ensureApp();
    const FileNode root = wideTree(300, 700);
    LargestFilesLoader loader;
    std::vector<FileNode> folders;
    std::vector<FileNode> last;
    QObject::connect(&loader, &LargestFilesLoader::loaded,
                     [&](const FileNode& folder, const std::vector<FileNode>& files) {
                         // Whatever arrives is the list of the tree as it is now.
                         EXPECT_EQ(files, folder.largestFiles(LargestFilesLoader::kLimit));
                         folders.push_back(folder);
                         last = files;
                     });

    // The main thread cuts folders out while walks run and asks again after
    // every cut, as the side panel does.
    loader.load(root);
    for (int i = 0; i < 120; ++i) {
        root.tree().detach(root.child(static_cast<std::size_t>(i * 7) % root.childCount()).index());
        loader.load(root);
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(test::waitUntil([&] { return !last.empty() && last == root.largestFiles(200); }));
    EXPECT_EQ(root.fileCount(), 180 * 700);
    EXPECT_EQ(last.size(), 200u);
    for (const FileNode& file : last) {
        EXPECT_TRUE(file.parent().parent() == root);  // nothing from a cut-out folder
    }

    // Only the latest of several requests is answered.
    folders.clear();
    loader.load(root);
    loader.load(root.child(0));
    ASSERT_TRUE(test::waitUntil([&] { return !folders.empty(); }));
    test::waitUntil([] { return false; }, 200);  // room for a stray delivery
    EXPECT_EQ(folders, std::vector<FileNode>{root.child(0)});
}

}  // namespace
}  // namespace raumfuchs
