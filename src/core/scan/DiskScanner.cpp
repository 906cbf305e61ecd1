#include "core/scan/DiskScanner.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/scan/DirWalker.h"
#include "core/scan/RootPolicy.h"
#include "core/tree/HardlinkSet.h"
#include "core/tree/TreeBuilder.h"

namespace raumfuchs {

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Root mode: which directories are left out and which volumes are entered.
class RootRules {
  public:
    enum class Verdict {
        Descend,     // a folder of the same file system
        EnterMount,  // a mount point whose file system the scan enters here
        Skip,
    };

    RootRules(const RootPolicy& policy, const std::string& scanRoot)
        : policy_(policy),
          exclusions_(policy.exclusions()),
          mountChoices_(policy.mountChoices(scanRoot)) {}

    bool excludes(const std::string& path) const { return exclusions_.contains(path); }

    // What becomes of the directory just met at level 1 or deeper.
    Verdict judge(const WalkEntry& entry, DirWalker& walker) {
        const std::string path = walker.path();
        if (exclusions_.contains(path)) {
            return Verdict::Skip;
        }
        const auto choice = mountChoices_.find(path);
        if (choice != mountChoices_.end() && choice->second == MountChoice::Skip) {
            return Verdict::Skip;
        }
        const std::optional<std::uint64_t> parentDevice = walker.parentDevice();
        const bool mountPoint =
            entry.hasStat && parentDevice &&
            (entry.stat.device != *parentDevice || choice != mountChoices_.end());
        if (!mountPoint) {
            return Verdict::Descend;
        }
        auto known = skipDevice_.find(entry.stat.device);
        if (known == skipDevice_.end()) {
            const std::optional<std::string> type = policy_.fileSystemType(path);
            known =
                skipDevice_.emplace(entry.stat.device, type && !policy_.acceptsFileSystem(*type))
                    .first;
        }
        return known->second ? Verdict::Skip : Verdict::EnterMount;
    }

  private:
    const RootPolicy& policy_;
    std::unordered_set<std::string> exclusions_;
    std::unordered_map<std::string, MountChoice> mountChoices_;
    std::unordered_map<std::uint64_t, bool> skipDevice_;  // by file-system type
};

}  // namespace

std::size_t DiskScanner::forcedThreads() {
    if (const char* forced = std::getenv("RAUMFUCHS_SCAN_THREADS")) {
        char* end = nullptr;
        const long value = std::strtol(forced, &end, 10);
        if (end != forced && *end == '\0' && value >= 1) {
            return std::min(static_cast<std::size_t>(value), kMaxThreads);
        }
    }
    return 0;
}

std::optional<ScanResult> DiskScanner::scan(const std::string& path, const std::string& displayName,
                                            const CancelToken& token,
                                            const ProgressCallback& onProgress,
                                            const ScanOptions& options) {
    ScanSetup setup;
    setup.threads = options.threads;
    setup.listener = options.listener;
    const LinuxRootPolicy policy;
    if (path == "/") {
        setup.rootPolicy = &policy;
    }
    return scanWith(path, displayName, token, onProgress, setup);
}

std::optional<ScanResult> DiskScanner::scanWith(const std::string& path,
                                                const std::string& displayName,
                                                const CancelToken& token,
                                                const ProgressCallback& onProgress,
                                                const ScanSetup& setup) {
    const auto startTime = std::chrono::steady_clock::now();
    const std::function<double()> clock = setup.clock ? setup.clock : steadySeconds;
    const bool rootMode = setup.rootPolicy != nullptr;
    ScanListener* const listener = setup.listener;

    DirWalker walker(
        path,
        DirWalker::Options{.crossDevices = rootMode,
                           .maxOpenDirectories = setup.maxOpenDirectories,
                           .threads = setup.threads != 0 ? setup.threads : forcedThreads(),
                           .clock = clock},
        setup.fileSystem ? *setup.fileSystem : FileSystemOps::system());
    if (!walker.valid()) {
        return std::nullopt;
    }
    std::optional<RootRules> rootRules;
    if (rootMode) {
        rootRules.emplace(*setup.rootPolicy, setup.policyRoot.empty() ? path : setup.policyRoot);
    }
    TreeBuilder builder(path, displayName);
    HardlinkSet hardlinks;
    std::vector<EnteredMount> entered;
    std::int64_t entries = 0;
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    std::int64_t unreadable = 0;
    int rootError = 0;
    double lastReport = clock();

    while (const WalkEntry* entry = walker.next()) {
        ++entries;
        if ((entries & 1023) == 0) {
            if (token.isCancelled()) {
                return std::nullopt;
            }
            const double now = clock();
            if (now - lastReport > 0.1) {
                if (onProgress) {
                    onProgress(ScanProgress{files, bytes, walker.path()});
                }
                lastReport = now;
            }
        }
        // Level 0 takes the display name; the tree keeps it for its root.
        const std::string_view name =
            entry->level == 0 ? std::string_view(displayName) : entry->name;
        const std::int64_t allocated = entry->hasStat ? entry->stat.blocks * 512 : 0;
        switch (entry->info) {
            case EntryInfo::Directory: {
                const RootRules::Verdict verdict = rootRules && entry->level > 0
                                                       ? rootRules->judge(*entry, walker)
                                                       : RootRules::Verdict::Descend;
                if (verdict == RootRules::Verdict::Skip) {
                    if (listener) {
                        listener->leftOut(*entry, rootRules->excludes(walker.path()));
                    }
                    walker.skip();
                    break;
                }
                if (entry->hasStat &&
                    (entry->level == 0 || verdict == RootRules::Verdict::EnterMount)) {
                    entered.push_back({walker.path(), entry->stat.device});
                }
                if (listener) {
                    const std::optional<std::uint64_t> parentDevice = walker.parentDevice();
                    listener->openDirectory(*entry, !rootMode && entry->hasStat && parentDevice &&
                                                        entry->stat.device != *parentDevice);
                }
                builder.openDirectory(name, allocated);
                walker.setMark(true);
                break;
            }
            case EntryInfo::File:
            case EntryInfo::Symlink:
            case EntryInfo::Other: {
                std::int64_t size = allocated;
                const bool linked = entry->hasStat && entry->stat.links > 1;
                if (linked && !hardlinks.insert(entry->stat.file())) {
                    size = 0;
                }
                const FileTree::Index node = builder.addFile(name, size);
                if (linked) {
                    builder.tree().addHardLink(entry->stat.file(), node);
                }
                if (listener) {
                    listener->file(*entry);
                }
                ++files;
                bytes += size;
                break;
            }
            case EntryInfo::DirectoryDone:
            case EntryInfo::Unlistable:
            case EntryInfo::NoStat:
                if (walker.mark()) {
                    walker.setMark(false);
                    const bool failed = entry->info != EntryInfo::DirectoryDone;
                    unreadable += failed ? 1 : 0;
                    builder.closeDirectory(failed);
                    if (listener) {
                        listener->closeDirectory(failed);
                    }
                } else if (entry->info != EntryInfo::DirectoryDone) {
                    ++unreadable;
                    rootError = entry->level == 0 ? entry->error : rootError;
                    builder.addPlaceholder(name, entry->info == EntryInfo::Unlistable);
                    if (listener) {
                        listener->placeholder(*entry);
                    }
                }
                break;
            case EntryInfo::Cycle:
                break;  // no node: its folder is already in the tree
        }
    }

    if (token.isCancelled()) {
        return std::nullopt;
    }
    std::shared_ptr<FileTree> tree = builder.finish();
    if (!tree) {
        return std::nullopt;
    }
    const double duration =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - startTime).count();
    ScanResult result{tree->root(),         unreadable,   duration,
                      walker.threadsUsed(), std::nullopt, std::move(entered)};
    result.rootError = rootError;
    return result;
}

}  // namespace raumfuchs
