#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "app/tasks/BackgroundTasks.h"
#include "core/ncdu/NcduImport.h"
#include "core/scan/DiskScanner.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// What to scan.
struct ScanTarget {
    std::string path;  // file-system bytes; "/" for the system root
    QString displayName;
    std::optional<std::int64_t> volumeUsed;  // set only for whole volumes
    // `path` is an ncdu export to read, not a folder to scan.
    bool isExport = false;
    friend bool operator==(const ScanTarget&, const ScanTarget&) = default;
};

// The scans of the model, each on a background thread. At most one scan is
// wanted at a time: its progress and result reach the handlers on the main
// thread; those of a scan that was cancelled or superseded are dropped, and
// its tree is released off the main thread. Lives on the main thread.
class ScanSession {
  public:
    using ProgressHandler = std::function<void(const ScanProgress&)>;
    // The result of the wanted scan; nothing when its walk could not start.
    using ResultHandler = std::function<void(std::optional<ScanResult>, const ScanTarget&)>;
    // The outcome of the wanted import: the tree or the reader's message.
    using ImportHandler =
        std::function<void(std::variant<ImportedScan, std::string>, const ScanTarget&)>;

    ScanSession(ProgressHandler onProgress, ResultHandler onResult, ImportHandler onImport);
    ~ScanSession();
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // Starts scanning `target`; the scan under way, if any, is no longer wanted.
    void start(const ScanTarget& target);
    // Starts reading the export `target.path` as start() starts a scan, and
    // supersedes a scan the same way; its progress counts the entries read
    // in `files`.
    void import(const ScanTarget& target);
    // The scan under way, if any, is no longer wanted and stops at its next
    // checkpoint.
    void cancel();
    // Frees the tree of `node` on a background thread when `node` holds its
    // last handle: millions of nodes take a noticeable time to free.
    void release(FileNode node);
    // Scan threads that have not yet handed over their result, wanted or not
    // (a cancelled scan runs on to its next checkpoint).
    std::size_t scansInFlight() const { return scans_.running(); }

  private:
    ProgressHandler onProgress_;
    ResultHandler onResult_;
    ImportHandler onImport_;
    // The token of the scan whose results are still wanted; none when no scan runs.
    std::shared_ptr<CancelToken> token_;
    // Last, so that they are destroyed first: their posted hand-offs name this
    // session's members.
    BackgroundTasks releases_;
    BackgroundTasks scans_;
};

}  // namespace raumfuchs
