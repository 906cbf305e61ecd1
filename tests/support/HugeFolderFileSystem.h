#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "core/scan/FolderListing.h"

namespace raumfuchs::test {

// A made-up file system of one folder holding `entries` files of 4 KB named
// f0000000, f0000001, …, whatever path is scanned: a folder far larger than a
// test could make on disk. Each stat may wait `statDelay`; `onStat` hears the
// count of stats so far (the folder's own included), from any thread.
class HugeFolderFileSystem : public FileSystemOps {
  public:
    explicit HugeFolderFileSystem(std::size_t entries) : entries_(entries) {}

    std::chrono::microseconds statDelay{0};
    std::function<void(std::size_t)> onStat;
    std::atomic<std::size_t> stats{0};

    int openDirectory(int /*dirFd*/, const char* /*name*/) override { return kFolderFd; }

    long readEntries(int /*fd*/, char* buffer, std::size_t size) override {
        std::size_t used = 0;
        for (; listed_ < entries_ && used + kRecord <= size; ++listed_, used += kRecord) {
            char* record = buffer + used;
            const std::uint64_t inode = listed_ + 2;
            const std::uint16_t length = kRecord;
            std::memcpy(record, &inode, sizeof inode);
            std::memset(record + 8, 0, 8);
            std::memcpy(record + 16, &length, sizeof length);
            record[18] = 8;  // DT_REG
            std::snprintf(record + 19, kRecord - 19, "f%07zu", listed_);
        }
        return static_cast<long>(used);
    }

    int statAt(int dirFd, const char* name, EntryStat& out) override {
        const std::size_t count = ++stats;
        if (statDelay.count() > 0) {
            std::this_thread::sleep_for(statDelay);
        }
        if (onStat) {
            onStat(count);
        }
        if (dirFd == AT_FDCWD) {
            return fstatDirectory(kFolderFd, out);
        }
        out = EntryStat{.device = 1,
                        .inode = std::strtoull(name + 1, nullptr, 10) + 2,
                        .links = 1,
                        .blocks = 8,
                        .size = 4096,
                        .mode = S_IFREG};
        return 0;
    }

    int fstatDirectory(int /*fd*/, EntryStat& out) override {
        out = EntryStat{.device = 1, .inode = 1, .links = 2, .blocks = 8, .mode = S_IFDIR};
        return 0;
    }

    void closeDirectory(int /*fd*/) override {}

  private:
    static constexpr int kFolderFd = 1000;
    static constexpr std::size_t kRecord = 32;  // 19 bytes of header, 9 of name, padded to 8

    const std::size_t entries_;
    std::size_t listed_ = 0;  // only the walking thread lists
};

}  // namespace raumfuchs::test
