// How long a scan goes on after its cancel, through the walker's seam: one
// made-up folder of 1,000,000 entries whose stats wait 1 ms each, cancelled
// 300 ms after the start from another thread, on 1, 2 and 8 threads. Prints
// the time from the cancel to the scan's return, median and worst of 5.
//
//   cancel_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "../tests/support/HugeFolderFileSystem.h"
#include "core/scan/DiskScanner.h"

using namespace raumfuchs;
using Clock = std::chrono::steady_clock;

int main() {
    for (const std::size_t threads : {1u, 2u, 8u}) {
        std::vector<double> lags;
        for (int run = 0; run < 5; ++run) {
            test::HugeFolderFileSystem fs(1'000'000);
            fs.statDelay = std::chrono::milliseconds(1);
            CancelToken token;
            Clock::time_point cancelledAt;
            std::thread canceller([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                cancelledAt = Clock::now();
                token.cancel();
            });
            const bool result = DiskScanner::scanWith("/huge", "", token, {},
                                                      {.fileSystem = &fs, .threads = threads})
                                    .has_value();
            const Clock::time_point returned = Clock::now();
            canceller.join();
            if (result) {
                std::printf("the scan was not cancelled\n");
                return 1;
            }
            lags.push_back(
                std::chrono::duration<double, std::milli>(returned - cancelledAt).count());
        }
        std::sort(lags.begin(), lags.end());
        std::printf("threads %zu: cancel to return median %.2f ms, worst %.2f ms\n", threads,
                    lags[lags.size() / 2], lags.back());
    }
    return 0;
}
