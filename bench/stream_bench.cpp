// The streamed import against the bare stream of the same command: the time
// to read and build the tree of what COMMAND writes (importCommand, as the
// window does) beside the time to read the same bytes and drop them, run in
// turn RUNS times; prints both medians and their ratio.
//
//   stream_bench RUNS COMMAND [ARGUMENT…]
//   e.g. stream_bench 5 ssh -p 2222 root@127.0.0.1 raumfuchs-scan --export - --quiet /srv
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/ncdu/CommandImport.h"
#include "core/system/ChildProcess.h"

using namespace raumfuchs;

namespace {

double seconds(const std::chrono::steady_clock::time_point& since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: stream_bench RUNS COMMAND [ARGUMENT…]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const std::vector<std::string> command(argv + 2, argv + argc);
    std::vector<double> bare;
    std::vector<double> imported;
    std::int64_t entries = 0;
    for (int run = 0; run < runs; ++run) {
        auto started = std::chrono::steady_clock::now();
        {
            ChildProcess child(command, {});
            std::vector<char> buffer(1 << 16);
            while (child.read(buffer.data(), buffer.size(), [] { return false; }) > 0) {
            }
            child.finish(false);
        }
        bare.push_back(seconds(started));

        started = std::chrono::steady_clock::now();
        const CommandImport outcome =
            importCommand(command, {}, CancelToken(), [&](std::int64_t n) { entries = n; });
        imported.push_back(seconds(started));
        if (!outcome.succeeded()) {
            std::fprintf(stderr, "import failed: %s %s\n", outcome.reading.refusal.c_str(),
                         outcome.lastErrorLine.c_str());
            return 1;
        }
        entries = outcome.reading.scan->result.root.fileCount();
        std::printf("run %d: bare %.3f s, import %.3f s\n", run + 1, bare.back(), imported.back());
    }
    std::printf("%lld files; median bare %.3f s, import %.3f s, ratio %.3f\n",
                static_cast<long long>(entries), median(bare), median(imported),
                median(imported) / median(bare));
    return 0;
}
