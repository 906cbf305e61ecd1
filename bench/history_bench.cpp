// What keeping scans costs a scan. The window writes each finished scan to
// the history on a thread of its own at nice 19, so the scan that is kept
// never waits; what can slow is the next scan, started while that write runs
// (a rescan at once). This times scans of PATH alone and scans of PATH while
// the previous scan is being written to a history in a temporary folder,
// alternating, and prints the medians, their ratio, and how long the write
// takes and how large the kept export is.
//
//   history_bench PATH [RUNS]   RUNS scans of each kind (default 5)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/history/ScanHistory.h"
#include "core/scan/DiskScanner.h"

namespace raumfuchs {
namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

FileNode scan(const std::string& path) {
    std::optional<ScanResult> result = DiskScanner::scan(path, "Bank", CancelToken(), {});
    if (!result) {
        std::fprintf(stderr, "history_bench: cannot scan %s\n", path.c_str());
        std::exit(1);
    }
    return result->root;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int run(const std::string& path, int runs) {
    char pattern[] = "/tmp/history-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return 1;
    }
    const ScanHistory history(std::string(pattern) + "/history");
    std::vector<double> alone;
    std::vector<double> beside;
    std::vector<double> writes;
    std::int64_t fileBytes = 0;
    FileNode previous = scan(path);  // warms the caches
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        previous = scan(path);
        alone.push_back(seconds(start));

        double written = 0;
        std::thread writer([&, tree = previous.treePtr()] {
            setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
            const Clock::time_point begun = Clock::now();
            HistoryEntry entry;
            ExportHeader header{"bench", static_cast<std::int64_t>(std::time(nullptr)) + i, "",
                                false};
            if (history.add(path, *tree, header, std::nullopt, CancelToken(), &entry) == 0) {
                fileBytes = entry.fileBytes;
            }
            written = seconds(begun);
        });
        start = Clock::now();
        const FileNode next = scan(path);
        beside.push_back(seconds(start));
        writer.join();
        writes.push_back(written);
        std::printf("run %d: alone %.3f s, beside a write %.3f s (write %.3f s)\n", i + 1,
                    alone.back(), beside.back(), written);
    }
    const double a = median(alone);
    const double b = median(beside);
    std::printf(
        "%s: %lld entries; scan alone %.3f s, beside a write %.3f s (%+.1f %%); "
        "write %.3f s, export %.1f MB\n",
        path.c_str(), static_cast<long long>(previous.tree().nodeCount()), a, b,
        100.0 * (b / a - 1.0), median(writes), static_cast<double>(fileBytes) / 1e6);
    std::filesystem::remove_all(pattern);
    return 0;
}

}  // namespace
}  // namespace raumfuchs

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("Aufruf: history_bench PFAD [LÄUFE]\n", stderr);
        return 2;
    }
    return raumfuchs::run(argv[1], argc > 2 ? std::max(1, std::atoi(argv[2])) : 5);
}
