// Times the comparison of a scanned tree with a baseline and measures what it
// holds: against a second scan of the same path (every entry matched), and
// against a changed copy of the first scan (every 100th file left out, every
// 100th renamed, every 30th twice its size: so the scan has new entries,
// removed ones and shrunk ones).
// Loading the baseline is not part of the time.
//
//   compare_bench PATH [RUNS]   RUNS comparisons of each kind (default 5); prints
//                               the median seconds, the comparison's bytes per
//                               entry (its containers' capacities) and the rise
//                               of the process's peak resident size while it
//                               is built, per entry
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/compare/TreeComparison.h"
#include "core/scan/DiskScanner.h"
#include "core/tree/TreeBuilder.h"

namespace raumfuchs {
namespace {

std::shared_ptr<const FileTree> scanned(const std::string& path) {
    const std::optional<ScanResult> result = DiskScanner::scan(path, "Bank", CancelToken(), {});
    if (!result) {
        std::fprintf(stderr, "compare_bench: cannot scan %s\n", path.c_str());
        std::exit(1);
    }
    return result->root.treePtr();
}

// The first scan with changes, built through the tree's own builder.
std::shared_ptr<const FileTree> changedCopy(const FileTree& from) {
    TreeBuilder builder(std::string(from.nameBytes(0)));
    const std::string root = from.path(0);
    // Folders to enter (a node) and to leave (kNone) in depth-first order.
    std::vector<FileTree::Index> work{0};
    std::size_t fileNumber = 0;
    while (!work.empty()) {
        const FileTree::Index node = work.back();
        work.pop_back();
        if (node == FileTree::kNone) {
            builder.closeDirectory(false);
            continue;
        }
        std::int64_t ownBytes = from.size(node);
        for (std::size_t i = 0; i < from.childCount(node); ++i) {
            ownBytes -= from.size(from.child(node, i));
        }
        builder.openDirectory(
            TreeEntry{.name = node == 0 ? std::string_view(root) : from.nameBytes(node),
                      .kind = EntryKind::Directory,
                      .allocated = ownBytes});
        work.push_back(FileTree::kNone);
        for (std::size_t i = from.childCount(node); i-- > 0;) {
            const FileTree::Index child = from.child(node, i);
            if (from.isDirectory(child)) {
                work.push_back(child);
                continue;
            }
            ++fileNumber;
            if (fileNumber % 100 == 0) {
                continue;
            }
            std::string name(from.nameBytes(child));
            if (fileNumber % 100 == 1) {
                name += '~';
            }
            builder.file(TreeEntry{.name = name,
                                   .allocated = from.size(child) * (fileNumber % 30 == 2 ? 2 : 1)});
        }
    }
    return builder.finish();
}

std::int64_t statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::atoll(line.c_str() + line.find(':') + 1);
        }
    }
    return -1;
}

struct Run {
    double seconds = 0;
    std::size_t heldBytes = 0;
    std::int64_t peakRiseBytes = 0;
    std::int64_t rootDelta = 0;
    std::size_t changes = 0;
};

Run compareOnce(const std::shared_ptr<const FileTree>& current,
                const std::shared_ptr<const FileTree>& baseline) {
    // Freed memory back to the system and the peak reset to the present, so
    // the peak's rise is what the comparison takes.
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const std::int64_t before = statusKiB("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    const TreeComparison comparison(current, baseline);
    const auto end = std::chrono::steady_clock::now();
    Run run;
    run.seconds = std::chrono::duration<double>(end - start).count();
    run.peakRiseBytes = (statusKiB("VmHWM:") - before) * 1024;
    run.heldBytes = comparison.memoryBytes();
    run.rootDelta = comparison.deltaBytes(0);
    run.changes = comparison.changes(0, SIZE_MAX).size();
    return run;
}

void report(const char* what, const std::shared_ptr<const FileTree>& current,
            const std::shared_ptr<const FileTree>& baseline, int runs) {
    std::vector<Run> all;
    for (int i = 0; i < runs; ++i) {
        all.push_back(compareOnce(current, baseline));
    }
    std::sort(all.begin(), all.end(),
              [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    const Run& median = all[all.size() / 2];
    const double entries = static_cast<double>(current->nodeCount());
    std::printf("%s: %zu entries against %zu\n", what, current->nodeCount(), baseline->nodeCount());
    std::printf("  median %.3f s (fastest %.3f, slowest %.3f) over %d runs\n", median.seconds,
                all.front().seconds, all.back().seconds, runs);
    std::printf("  held %.2f bytes per entry, peak RSS rose %.2f bytes per entry\n",
                static_cast<double>(median.heldBytes) / entries,
                static_cast<double>(median.peakRiseBytes) / entries);
    std::printf("  root delta %lld bytes, %zu changed children of the root\n",
                static_cast<long long>(median.rootDelta), median.changes);
}

}  // namespace
}  // namespace raumfuchs

int main(int argc, char** argv) {
    using namespace raumfuchs;
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: compare_bench PATH [RUNS]\n");
        return 2;
    }
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::shared_ptr<const FileTree> first = scanned(argv[1]);
    const std::shared_ptr<const FileTree> second = scanned(argv[1]);
    report("second scan against the first", second, first, runs);
    const std::shared_ptr<const FileTree> changed = changedCopy(*first);
    report("scan against a changed copy", second, changed, runs);
    return 0;
}
