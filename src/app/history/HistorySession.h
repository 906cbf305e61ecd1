#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/tasks/BackgroundTasks.h"
#include "core/history/ScanHistory.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// The model's history of scans (a ScanHistory): each finished scan is written
// there from its tree once it is shown, on a background thread at the lowest
// priority, so that neither the scan nor the next one waits for it (see
// docs/PERFORMANCE.md). Lives on the main thread.
//
// A write that fails is reported once: the same failure again (the state
// folder still full or unwritable) stays quiet until a write succeeds, so a
// full disk does not raise an alert after every scan.
class HistorySession {
  public:
    // On the main thread: a write failed with this errno; the scan stays shown,
    // the scans kept before stay as they were.
    using FailureHandler = std::function<void(int error, const std::string& folder)>;

    HistorySession(std::string folder, FailureHandler onFailure);
    // Writes under way stop at their next step and leave nothing behind.
    ~HistorySession() { token_->cancel(); }
    HistorySession(const HistorySession&) = delete;
    HistorySession& operator=(const HistorySession&) = delete;

    // There is a place to keep scans.
    bool isAvailable() const { return !history_.folder().empty(); }
    // "Scans im Verlauf behalten"; on unless switched off.
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // Keeps the tree of `root` as the newest scan of `key`, scanned at `time`
    // (unix seconds), of a volume with `volumeUsed` bytes used; nothing while
    // switched off.
    void record(const FileNode& root, const std::string& key, std::int64_t time,
                std::optional<std::int64_t> volumeUsed);
    // The scans kept of `key`, newest first; without the one written for the
    // tree of `shown`, which is that tree itself.
    std::vector<HistoryEntry> entries(const std::string& key, const FileNode& shown = {}) const;
    // The newest scan of `key` that knows its volume's used bytes.
    std::optional<HistoryEntry> latestOfVolume(const std::string& key) const;

    std::size_t inFlight() const { return tasks_.running(); }

  private:
    void finish(const std::weak_ptr<const FileTree>& tree, int error, const HistoryEntry& entry);

    ScanHistory history_;
    FailureHandler onFailure_;
    bool enabled_ = true;
    int reported_ = 0;  // the errno last reported; 0 after a success
    // The scan written last and its tree.
    std::weak_ptr<const FileTree> writtenTree_;
    std::string writtenFile_;
    std::shared_ptr<CancelToken> token_ = std::make_shared<CancelToken>();
    // Last, so that it is destroyed first: its posted hand-offs name this
    // session's members.
    BackgroundTasks tasks_;
};

}  // namespace raumfuchs
