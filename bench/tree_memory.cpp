// Peak resident memory of a scan per entry, without the disk: the walk runs
// over a made-up file system of the benchmark tree's shape (bench/make_tree:
// 40 × 100 folders of 500 entries, 2,004,041 in all, every 50th a hard link,
// every 97th a symbolic link) whose entries have names of NAME_LENGTH bytes.
// Prints the entries, the tree's own storage and the process's peak (VmHWM)
// per entry.
//
//   tree_memory [NAME_LENGTH [THREADS]]     defaults: 14, 0 (the governor's)
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <string>

#include "core/scan/DiskScanner.h"
#include "core/scan/FolderListing.h"

using namespace raumfuchs;

namespace {

constexpr int kTop = 40;
constexpr int kMiddle = 100;
constexpr int kLeaf = 500;

// A folder is its level (0 the root) and its number within that level.
class MadeUpTree : public FileSystemOps {
  public:
    explicit MadeUpTree(std::size_t nameLength) : nameLength_(nameLength) {}

    int openDirectory(int dirFd, const char* name) override {
        std::lock_guard lock(mutex_);
        Folder folder{};
        if (dirFd != AT_FDCWD) {
            const Folder parent = open_.at(dirFd).folder;
            folder = {parent.level + 1,
                      parent.number * (parent.level == 0 ? 0 : kMiddle) + std::atoi(name + 1)};
        }
        open_[next_] = {folder, 0};
        return next_++;
    }

    long readEntries(int fd, char* buffer, std::size_t size) override {
        std::lock_guard lock(mutex_);
        Open& o = open_.at(fd);
        const int count = o.folder.level == 0 ? kTop : o.folder.level == 1 ? kMiddle : kLeaf;
        std::size_t used = 0;
        for (; o.listed < count; ++o.listed) {
            const std::string name = childName(o.folder.level, o.listed);
            const std::size_t length = (19 + name.size() + 1 + 7) & ~std::size_t{7};
            if (used + length > size) {
                break;
            }
            char* record = buffer + used;
            std::memset(record, 0, length);
            const auto recordLength = static_cast<std::uint16_t>(length);
            std::memcpy(record + 16, &recordLength, sizeof recordLength);
            std::memcpy(record + 19, name.c_str(), name.size() + 1);
            used += length;
        }
        return static_cast<long>(used);
    }

    int statAt(int dirFd, const char* name, EntryStat& out) override {
        if (dirFd == AT_FDCWD) {
            out = EntryStat{.device = 1, .inode = 1, .links = 2, .blocks = 8, .mode = S_IFDIR};
            return 0;
        }
        Folder folder;
        {
            std::lock_guard lock(mutex_);
            folder = open_.at(dirFd).folder;
        }
        const long number = std::atol(name + (folder.level < 2 ? 1 : 4));
        if (folder.level < 2) {
            out = EntryStat{.device = 1,
                            .inode = static_cast<std::uint64_t>(2 + folder.level * 10000 + number),
                            .links = 2,
                            .blocks = 8,
                            .mode = S_IFDIR};
            return 0;
        }
        const long i = number % kLeaf;
        const bool hardLink = i % 50 == 49;
        const auto inode =
            static_cast<std::uint64_t>(1'000'000 + folder.number * kLeaf + i - (hardLink ? 1 : 0));
        out = EntryStat{.device = 1,
                        .inode = inode,
                        .links = hardLink || i % 50 == 48 ? 2u : 1u,
                        .blocks = i % 10 == 0 ? 8 : 0,
                        .size = i % 10 == 0 ? 1000 : 0,
                        .mode = static_cast<std::uint32_t>(i % 97 == 96 ? S_IFLNK : S_IFREG)};
        return 0;
    }

    int fstatDirectory(int /*fd*/, EntryStat& out) override {
        out = EntryStat{.device = 1, .inode = 1, .links = 2, .blocks = 8, .mode = S_IFDIR};
        return 0;
    }

    void closeDirectory(int fd) override {
        std::lock_guard lock(mutex_);
        open_.erase(fd);
    }

  private:
    struct Folder {
        int level = 0;
        long number = 0;
    };
    struct Open {
        Folder folder;
        int listed = 0;
    };

    // Folders as make_tree names them; files "file" and their number, padded
    // with letters to the name length.
    std::string childName(int level, int i) const {
        char name[32];
        if (level < 2) {
            std::snprintf(name, sizeof name, level == 0 ? "d%02d" : "d%03d", i);
            return name;
        }
        // Leaf entries carry their leaf folder's number too, so stats can find it.
        std::snprintf(name, sizeof name, "file%03d", i);
        std::string padded = name;
        padded.resize(std::max(nameLength_, padded.size()), 'x');
        return padded;
    }

    const std::size_t nameLength_;
    std::mutex mutex_;
    std::map<int, Open> open_;
    int next_ = 100;
};

long peakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) {
            return std::atol(line.c_str() + 6);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t nameLength = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 14;
    const std::size_t threads = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 0;
    MadeUpTree fs(nameLength);
    const std::optional<ScanResult> result = DiskScanner::scanWith(
        "/made-up", "", CancelToken(), {}, {.fileSystem = &fs, .threads = threads});
    if (!result) {
        std::printf("the scan failed\n");
        return 1;
    }
    const auto entries = static_cast<double>(result->root.tree().nodeCount());
    const long peak = peakKiB();
    std::printf(
        "names of %zu bytes, %zu threads: %.0f entries, %lld files; tree storage %.1f, "
        "peak %ld KiB = %.1f bytes per entry\n",
        nameLength, result->threads, entries, static_cast<long long>(result->root.fileCount()),
        static_cast<double>(result->root.tree().memoryBytes()) / entries, peak,
        static_cast<double>(peak) * 1024 / entries);
    return 0;
}
