// Measures the kinds of files: reading the MIME database, classifying names
// one by one, and the walk that totals the kinds below a folder.
//
//   kinds_bench [NAMES [TREE]]
//
// NAMES (default /usr) is scanned; every file name in it is classified, and
// its kinds are printed. TREE (default bench/tree below the working folder,
// see scan_bench.sh) is scanned and its root walked. A tree of bench/tree's
// shape (40 × 100 folders of 500 files) is also built in memory with NAMES'
// file names in turn, since bench/tree's own names have no extensions.
// Times are medians of 5 runs, by the wall clock and by the thread's CPU clock.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/kinds/KindTotals.h"
#include "core/scan/DiskScanner.h"

using namespace raumfuchs;

namespace {

constexpr int kRuns = 5;

struct Times {
    double wallMs = 0;
    double cpuMs = 0;  // of this thread: without the waits for a core on a busy machine
};

double cpuNowMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Medians of kRuns runs, wall and CPU each.
Times median(const std::function<void()>& run) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuNowMs();
        run();
        cpu.push_back(cpuNowMs() - cpuStart);
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[kRuns / 2], cpu[kRuns / 2]};
}

// With `kinds`, the tree's files are stamped with their kinds, as the
// program's scans are.
std::optional<ScanResult> scan(const std::string& path, const FileKinds* kinds) {
    return DiskScanner::scan(path, path, CancelToken(), [](const ScanProgress&) {},
                             {.classifier = kinds});
}

std::vector<std::string> fileNames(const FileTree& tree) {
    std::vector<std::string> names;
    for (FileTree::Index i = 1; i < tree.nodeCount(); ++i) {
        if (!tree.isDirectory(i) && tree.fileCount(i) > 0) {
            names.emplace_back(tree.nameBytes(i));
        }
    }
    return names;
}

void printTotals(const KindTotals& totals) {
    for (const CategoryTotals& c : totals.categories) {
        std::printf("  %-10s %14lld bytes %9lld files",
                    std::string(categoryName(c.category)).c_str(), static_cast<long long>(c.bytes),
                    static_cast<long long>(c.files));
        for (std::size_t e = 0; e < std::min<std::size_t>(4, c.extensions.size()); ++e) {
            std::printf("  %s %lld/%lld",
                        c.extensions[e].extension.empty() ? "-" : c.extensions[e].extension.c_str(),
                        static_cast<long long>(c.extensions[e].bytes),
                        static_cast<long long>(c.extensions[e].files));
        }
        std::printf("  (%zu extensions)\n", c.extensions.size());
    }
}

// The same walk without looking at names: what the kinds walk would cost if
// every entry carried its category.
std::int64_t plainWalk(const FileTree& tree) {
    std::int64_t bytes = 0;
    std::vector<FileTree::Index> stack{0};
    while (!stack.empty()) {
        const FileTree::Index dir = stack.back();
        stack.pop_back();
        for (std::size_t i = 0; i < tree.childCount(dir); ++i) {
            const FileTree::Index child = tree.child(dir, i);
            if (tree.isDirectory(child)) {
                stack.push_back(child);
            } else if (tree.fileCount(child) > 0) {
                bytes += tree.size(child);
            }
        }
    }
    return bytes;
}

void timeWalk(const char* what, const FileTree& tree, const FileKinds& kinds) {
    std::optional<KindTotals> totals;
    const Times t = median([&] { totals = KindTotals::collect(tree, 0, kinds); });
    std::int64_t bytes = 0;
    const Times plain = median([&] { bytes = plainWalk(tree); });
    std::printf(
        "%s: %zu entries, %lld files, walk %.1f ms (CPU %.1f ms); without names %.1f ms (CPU "
        "%.1f ms)\n",
        what, tree.nodeCount(), static_cast<long long>(tree.fileCount(0)), t.wallMs, t.cpuMs,
        plain.wallMs, plain.cpuMs);
    std::printf("  tree memory %.2f bytes per entry (2 of them the kind and age)\n",
                static_cast<double>(tree.memoryBytes()) / static_cast<double>(tree.nodeCount()));
    if (totals) {
        printTotals(*totals);
    }
}

// bench/tree's shape, with `names` as the file names in turn, stamped with
// their kinds and ages of up to eleven years.
std::shared_ptr<FileTree> shapedTree(const std::vector<std::string>& names,
                                     const FileKinds& kinds) {
    auto tree = std::make_shared<FileTree>("/shaped", "shaped");
    const FileTree::Index root = tree->addDirectory(FileTree::kNone, "shaped", 4096);
    std::size_t next = 0;
    std::vector<FileTree::Index> tops;
    for (int t = 0; t < 40; ++t) {
        const FileTree::Index top = tree->addDirectory(root, "d" + std::to_string(t), 4096);
        std::vector<FileTree::Index> middles;
        for (int m = 0; m < 100; ++m) {
            const FileTree::Index middle = tree->addDirectory(top, "d" + std::to_string(m), 4096);
            std::vector<FileTree::Index> files;
            for (int f = 0; f < 500; ++f) {
                const std::string& name = names[next++ % names.size()];
                files.push_back(tree->addFile(
                    middle, name, f % 10 == 0 ? 4096 : 0,
                    EntryStamp::make(kinds.categoryNumber(name), static_cast<int>(next % 4000))));
                tree->addToTotals(middle, tree->size(files.back()), 1);
            }
            tree->setChildren(middle, files);
            middles.push_back(middle);
            tree->addToTotals(top, tree->size(middle), tree->fileCount(middle));
        }
        tree->setChildren(top, middles);
        tops.push_back(top);
        tree->addToTotals(root, tree->size(top), tree->fileCount(top));
    }
    tree->setChildren(root, tops);
    return tree;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string namesPath = argc > 1 ? argv[1] : "/usr";
    const std::string treePath =
        std::filesystem::absolute(argc > 2 ? argv[2] : "bench/tree").native();

    std::string error;
    std::optional<MimeGlobs> globs;
    const Times read = median([&] { globs = MimeGlobs::read(MimeGlobs::kSystemFile, error); });
    if (!globs) {
        std::printf("%s\n", error.c_str());
        return 1;
    }
    std::printf("read %s: %zu patterns, %.2f ms\n", MimeGlobs::kSystemFile, globs->globs().size(),
                read.wallMs);
    const FileKinds kinds(std::move(*globs));

    // A scan with the names stamped against one without.
    const Times plainScan = median([&] { scan(namesPath, nullptr); });
    const Times stampedScan = median([&] { scan(namesPath, &kinds); });
    std::printf("scan of %s: %.1f ms (CPU %.1f ms), stamping kinds %.1f ms (CPU %.1f ms)\n",
                namesPath.c_str(), plainScan.wallMs, plainScan.cpuMs, stampedScan.wallMs,
                stampedScan.cpuMs);

    const auto names = scan(namesPath, &kinds);
    if (!names) {
        std::printf("cannot scan %s\n", namesPath.c_str());
        return 1;
    }
    const std::vector<std::string> list = fileNames(names->root.tree());
    long long matched = 0;
    const Times classify = median([&] {
        matched = 0;
        for (const std::string& name : list) {
            matched += kinds.kindOf(name).glob != MimeGlobs::kNoMatch;
        }
    });
    const double count = static_cast<double>(list.size());
    std::printf("%s: %zu file names, %lld matched a pattern, %.1f ns per name (CPU %.1f ns)\n",
                namesPath.c_str(), list.size(), matched, classify.wallMs * 1e6 / count,
                classify.cpuMs * 1e6 / count);
    timeWalk(namesPath.c_str(), names->root.tree(), kinds);

    const auto shaped = shapedTree(list, kinds);
    timeWalk("bench/tree's shape with those names", *shaped, kinds);

    if (std::filesystem::is_directory(treePath)) {
        const auto tree = scan(treePath, &kinds);
        if (tree) {
            timeWalk(treePath.c_str(), tree->root.tree(), kinds);
        }
    } else {
        std::printf("no tree at %s (bench/scan_bench.sh makes it)\n", treePath.c_str());
    }
    return 0;
}
