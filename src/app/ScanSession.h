#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "app/remote/RemoteAddress.h"
#include "app/remote/StreamCommands.h"
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
    // Scanned on that machine over ssh; `path` is the path there.
    std::optional<RemoteAddress> remote = std::nullopt;
    // Scanned by raumfuchs-scan run as root through pkexec.
    bool asAdministrator = false;
    friend bool operator==(const ScanTarget&, const ScanTarget&) = default;

    // Its scan streams in from another process (see StreamCommands).
    bool isStreamed() const { return remote || asAdministrator; }
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
    // The outcome of the wanted streamed scan, cancelled ones left out.
    using StreamHandler = std::function<void(CommandImport, const ScanTarget&)>;

    // `classifier` stamps the trees' files with their kinds (may be null); it
    // must outlive the session.
    ScanSession(ProgressHandler onProgress, ResultHandler onResult, ImportHandler onImport,
                StreamHandler onStream, const NameClassifier* classifier = nullptr);
    ~ScanSession();
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // Starts scanning `target`; the scan under way, if any, is no longer wanted.
    void start(const ScanTarget& target);
    // Starts reading the export `target.path` as start() starts a scan, and
    // supersedes a scan the same way; its progress counts the entries read
    // in `files`.
    void import(const ScanTarget& target);
    // Starts `command` and reads the scan it writes to its standard output,
    // as import() reads a file; a cancel ends the command (see
    // importCommand), which takes up to a few seconds on its thread.
    void stream(const ScanTarget& target, const StreamLaunchers& launchers);
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
    // Hands an import's or a stream's count of entries read to onProgress_,
    // through `post`, while `token` is the wanted one.
    std::function<void(std::int64_t)> entryCounter(const std::shared_ptr<CancelToken>& token,
                                                   const BackgroundTasks::Post& post);

    ProgressHandler onProgress_;
    ResultHandler onResult_;
    ImportHandler onImport_;
    StreamHandler onStream_;
    const NameClassifier* classifier_;
    // The token of the scan whose results are still wanted; none when no scan runs.
    std::shared_ptr<CancelToken> token_;
    // Last, so that they are destroyed first: their posted hand-offs name this
    // session's members.
    BackgroundTasks releases_;
    BackgroundTasks scans_;
};

}  // namespace raumfuchs
