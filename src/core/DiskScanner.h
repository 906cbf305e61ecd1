#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/FileTree.h"

namespace raumfuchs {

// Snapshot of a running scan, handed to the progress callback.
struct ScanProgress {
    std::int64_t files = 0;  // non-directory entries met, hard-link repeats included
    std::int64_t bytes = 0;  // their allocated bytes, each hard-linked file once
    std::string currentPath; // file-system bytes of the entry at the snapshot
};

struct ScanResult {
    FileNode root;
    std::int64_t unreadableCount = 0;
    double duration = 0;  // seconds
};

// Cancellation flag of one scan, shared between the model and the scan.
// Set once, never reset.
class CancelToken {
public:
    void cancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    bool isCancelled() const {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

private:
    mutable std::mutex mutex_;
    bool cancelled_ = false;
};

using ProgressCallback = std::function<void(const ScanProgress&)>;

namespace DiskScanner {

// Walks `path` and builds its size tree. Blocks until done; returns nothing when
// cancelled, when the walk cannot start (an empty path, say) or when it yields
// no root. The path "/" scans the whole system root.
std::optional<ScanResult> scan(const std::string& path, const std::string& displayName,
                               const CancelToken& token, const ProgressCallback& onProgress);

}  // namespace DiskScanner

}  // namespace raumfuchs
