#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/scan/CancelToken.h"
#include "core/scan/EnteredMount.h"
#include "core/scan/UnattributedSpace.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// Snapshot of a running scan, handed to the progress callback.
struct ScanProgress {
    std::int64_t files = 0;   // non-directory entries met, hard-link repeats included
    std::int64_t bytes = 0;   // their allocated bytes, each hard-linked file once
    std::string currentPath;  // file-system bytes of the entry at the snapshot
};

struct ScanResult {
    FileNode root;
    std::int64_t unreadableCount = 0;
    double duration = 0;  // seconds
    // The thread count most folders were read with.
    std::size_t threads = 1;
    // For a whole volume, measured after the walk by whoever started it.
    std::optional<UnattributedSpace> unattributed;
    // Where the walk entered a file system, in walk order: the scanned folder
    // first and, in root mode, every mount point it went into. Empty when the
    // scanned path is no folder.
    std::vector<EnteredMount> enteredMounts;
    // When the root is unreachable: the errno of the look at the scanned path.
    int rootError = 0;

    // The scanned path itself could not be reached (it does not exist, or its
    // metadata could not be read): the tree is a lone placeholder with nothing
    // to show. A folder that exists but cannot be listed is not that: it comes
    // back as a folder node with its own size, marked unreadable.
    bool rootUnreachable() const { return root.isUnreadable() && !root.isDirectory(); }
};

using ProgressCallback = std::function<void(const ScanProgress&)>;

class FileSystemOps;
class NameClassifier;
class RootPolicy;
class TreeSink;

// How a scan reaches the file system; the defaults are those of scan().
struct ScanSetup {
    // Root mode when set: the walk crosses devices, leaves out the policy's
    // exclusions and enters other volumes by its rules.
    const RootPolicy* rootPolicy = nullptr;
    // In root mode, the root of the whole scan whose mounts the policy decides
    // on, when only a folder below it is scanned again; empty: the scanned path.
    std::string policyRoot = {};
    // The system calls of the walk; null for the real ones.
    FileSystemOps* fileSystem = nullptr;
    std::size_t maxOpenDirectories = 64;
    // Threads of the walk; 0 for DiskScanner::forcedThreads() or, without
    // one, a count chosen as the walk goes (see ThreadGovernor).
    std::size_t threads = 0;
    // Seconds on a steady clock, read at the start, at each checkpoint and
    // around the folder reads that choose the thread count (from the reading
    // threads too, so it must be safe to call from several at once); null for
    // the system's monotonic clock.
    std::function<double()> clock = {};
    // Fed every entry as the tree's builder is, for a writer that streams
    // the tree out meanwhile (an NcduWriter); may be null.
    TreeSink* sink = nullptr;
    // What the tree's files are stamped with (TreeBuilder::setStamping): the
    // classifier of their names, may be null, and the time ages count from,
    // 0 for the start of the scan.
    const NameClassifier* classifier = nullptr;
    std::int64_t ageReference = 0;
    // Names of folders directly below the scanned one that are met but not
    // entered: each gets a node with its own bytes and nothing below it, for
    // a read of one folder's own entries whose subfolders' content is known
    // (FolderRescan::runEntries). May be null. Read ahead no folder: a set
    // here makes the walk one thread.
    const std::unordered_set<std::string>* unentered = nullptr;
};

// What a caller of scan() may choose; the rest follows from the path.
struct ScanOptions {
    // Threads of the walk, at most DiskScanner::kMaxThreads; 0 for
    // DiskScanner::forcedThreads() or, without one, a count chosen as the walk
    // goes (see ThreadGovernor).
    std::size_t threads = 0;
    // See ScanSetup::sink.
    TreeSink* sink = nullptr;
    // See ScanSetup::classifier.
    const NameClassifier* classifier = nullptr;
};

namespace DiskScanner {

// The most threads a count may force (not measured: a bound on the threads
// and folder descriptors a mistyped count can open).
inline constexpr std::size_t kMaxThreads = 64;

// Walks `path` and builds its size tree. Blocks until done; returns nothing when
// cancelled, when the walk cannot start (an empty path, say) or when it yields
// no root. The path "/" scans the whole system root.
std::optional<ScanResult> scan(const std::string& path, const std::string& displayName,
                               const CancelToken& token, const ProgressCallback& onProgress,
                               const ScanOptions& options = {});

// The thread count RAUMFUCHS_SCAN_THREADS forces (a number of at least 1, at
// most kMaxThreads), or 0 when it is not set to one.
std::size_t forcedThreads();

// scan() with an explicit set-up; root mode is on exactly when the set-up
// carries a root policy, whatever the path.
std::optional<ScanResult> scanWith(const std::string& path, const std::string& displayName,
                                   const CancelToken& token, const ProgressCallback& onProgress,
                                   const ScanSetup& setup);

}  // namespace DiskScanner

}  // namespace raumfuchs
