#pragma once

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "core/scan/DirWalker.h"

namespace raumfuchs::test {

// The real system calls, with failures injected by entry name (the last path
// component), since the tests run as root and real permissions would not stop
// them. Also counts the directory descriptors it has open.
class InjectingFileSystem : public FileSystemOps {
  public:
    std::set<std::string> unopenable;             // opening the folder fails (EACCES)
    std::set<std::string> statFails;              // stat fails (EACCES)
    std::set<std::string> listingBreaks;          // listing fails (EIO) after a first small batch
    std::map<std::string, std::uint64_t> device;  // folder (and all below) on this device
    std::map<std::string, std::string> sameAs;    // folder reports the dev/ino of another path
    // Seconds the first listing call on each folder moves now() on: a device
    // that makes every folder wait, without waiting.
    double listingDelay = 0;

    // Calls may come from several threads at once: each takes the lock.
    int openNow = 0;
    int openPeak = 0;
    std::atomic<int> stats{0};
    std::set<std::string> opened;  // names of the folders an open was tried on

    int openDirectory(int dirFd, const char* name) override {
        std::lock_guard lock(mutex_);
        const std::string last = lastComponent(name);
        opened.insert(last);
        if (unopenable.contains(last)) {
            errno = EACCES;
            return -1;
        }
        const int fd = FileSystemOps::openDirectory(dirFd, name);
        if (fd >= 0) {
            openPeak = std::max(openPeak, ++openNow);
            fdName_[fd] = last;
            const auto own = device.find(last);
            if (own != device.end()) {
                fdDevice_[fd] = own->second;
            } else if (fdDevice_.contains(dirFd)) {
                fdDevice_[fd] = fdDevice_[dirFd];
            } else {
                fdDevice_.erase(fd);
            }
            batches_[fd] = 0;
        }
        return fd;
    }

    // A clock for the scan that only the listings move.
    double now() {
        std::lock_guard lock(mutex_);
        return now_;
    }

    long readEntries(int fd, char* buffer, std::size_t size) override {
        std::lock_guard lock(mutex_);
        if (batches_[fd] == 0) {
            now_ += listingDelay;
        }
        if (listingBreaks.contains(fdName_[fd])) {
            if (batches_[fd]++ > 0) {
                errno = EIO;
                return -1;
            }
            return FileSystemOps::readEntries(fd, buffer, size < 128 ? size : 128);
        }
        ++batches_[fd];
        return FileSystemOps::readEntries(fd, buffer, size);
    }

    int statAt(int dirFd, const char* name, EntryStat& out) override {
        std::lock_guard lock(mutex_);
        ++stats;
        const std::string last = lastComponent(name);
        if (statFails.contains(last)) {
            errno = EACCES;
            return -1;
        }
        const auto alias = sameAs.find(last);
        if (FileSystemOps::statAt(dirFd, alias != sameAs.end() ? alias->second.c_str() : name,
                                  out) != 0) {
            return -1;
        }
        const auto own = device.find(last);
        const auto inherited = fdDevice_.find(dirFd);
        if (own != device.end()) {
            out.device = own->second;
        } else if (inherited != fdDevice_.end()) {
            out.device = inherited->second;
        }
        return 0;
    }

    int fstatDirectory(int fd, EntryStat& out) override {
        std::lock_guard lock(mutex_);
        if (FileSystemOps::fstatDirectory(fd, out) != 0) {
            return -1;
        }
        if (fdDevice_.contains(fd)) {
            out.device = fdDevice_[fd];
        }
        return 0;
    }

    void closeDirectory(int fd) override {
        std::lock_guard lock(mutex_);
        --openNow;
        fdName_.erase(fd);
        fdDevice_.erase(fd);
        FileSystemOps::closeDirectory(fd);
    }

  private:
    static std::string lastComponent(const std::string& path) {
        const auto slash = path.find_last_of('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    std::mutex mutex_;
    std::map<int, std::string> fdName_;
    std::map<int, std::uint64_t> fdDevice_;
    std::map<int, int> batches_;
    double now_ = 0;
};

}  // namespace raumfuchs::test
