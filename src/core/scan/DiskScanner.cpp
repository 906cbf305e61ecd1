#include "core/scan/DiskScanner.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/scan/DirWalker.h"
#include "core/scan/RootPolicy.h"
#include "core/tree/TreeBuilder.h"
#include "core/tree/TreeSink.h"

namespace raumfuchs {

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Passes every entry on to the tree's builder and to a second sink.
class Tee : public TreeSink {
  public:
    Tee(TreeSink& first, TreeSink& second) : first_(first), second_(second) {}
    void openDirectory(const TreeEntry& entry) override {
        first_.openDirectory(entry);
        second_.openDirectory(entry);
    }
    void file(const TreeEntry& entry) override {
        first_.file(entry);
        second_.file(entry);
    }
    void placeholder(const TreeEntry& entry) override {
        first_.placeholder(entry);
        second_.placeholder(entry);
    }
    void leftOut(const TreeEntry& entry) override {
        first_.leftOut(entry);
        second_.leftOut(entry);
    }
    void closeDirectory(bool unreadable) override {
        first_.closeDirectory(unreadable);
        second_.closeDirectory(unreadable);
    }

  private:
    TreeSink& first_;
    TreeSink& second_;
};

// What the walk knows of an entry, for the sinks. At level 0 the name is the
// scanned path.
TreeEntry treeEntry(const WalkEntry& walked) {
    TreeEntry entry{.name = walked.name};
    switch (walked.info) {
        case EntryInfo::Directory:
        case EntryInfo::Unlistable:
            entry.kind = EntryKind::Directory;
            break;
        case EntryInfo::Symlink:
        case EntryInfo::Other:
            entry.kind = EntryKind::Special;
            break;
        default:
            entry.kind = EntryKind::File;
    }
    if (walked.hasStat) {
        entry.allocated = walked.stat.blocks * 512;
        entry.apparent = walked.stat.size;
        entry.hasDevice = true;
        entry.device = walked.stat.device;
        entry.hardLink = entry.kind != EntryKind::Directory && walked.stat.links > 1;
        entry.inode = walked.stat.inode;
        entry.links = walked.stat.links;
        entry.hasMtime = true;
        entry.mtime = walked.stat.mtime;
    }
    return entry;
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
    // Whether the folder at `path` is one judge() may skip although it lies on
    // the device of its parent. Safe to call from several threads at once.
    bool decidesOn(const std::string& path) const {
        return exclusions_.contains(path) || mountChoices_.contains(path);
    }

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
    setup.sink = options.sink;
    setup.classifier = options.classifier;
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
    std::optional<RootRules> rootRules;
    DirWalker::Options walkOptions{.crossDevices = rootMode,
                                   .maxOpenDirectories = setup.maxOpenDirectories,
                                   .threads = setup.unentered != nullptr ? 1
                                              : setup.threads != 0       ? setup.threads
                                                                         : forcedThreads(),
                                   .clock = clock,
                                   .cancel = &token};
    if (rootMode) {
        rootRules.emplace(*setup.rootPolicy, setup.policyRoot.empty() ? path : setup.policyRoot);
        walkOptions.callerDecides = [&rules = *rootRules](const std::string& folder) {
            return rules.decidesOn(folder);
        };
    }
    DirWalker walker(path, std::move(walkOptions),
                     setup.fileSystem ? *setup.fileSystem : FileSystemOps::system());
    if (!walker.valid()) {
        return std::nullopt;
    }
    TreeBuilder builder(displayName);
    builder.setStamping(setup.classifier, setup.ageReference != 0
                                              ? setup.ageReference
                                              : static_cast<std::int64_t>(std::time(nullptr)));
    std::optional<Tee> tee;
    if (setup.sink != nullptr) {
        tee.emplace(builder, *setup.sink);
    }
    TreeSink& sink = tee ? static_cast<TreeSink&>(*tee) : builder;
    std::vector<EnteredMount> entered;
    std::int64_t entries = 0;
    std::int64_t files = 0;
    int rootError = 0;
    double lastReport = clock();

    while (const WalkEntry* walked = walker.next()) {
        ++entries;
        if ((entries & 1023) == 0) {
            if (token.isCancelled()) {
                return std::nullopt;
            }
            const double now = clock();
            if (now - lastReport > 0.1) {
                if (onProgress) {
                    onProgress(ScanProgress{files, builder.fileBytes(), walker.path()});
                }
                lastReport = now;
            }
        }
        TreeEntry entry = treeEntry(*walked);
        switch (walked->info) {
            case EntryInfo::Directory: {
                if (setup.unentered != nullptr && walked->level == 1 &&
                    setup.unentered->contains(std::string(walked->name))) {
                    sink.openDirectory(entry);
                    walker.setMark(true);
                    walker.skip();
                    break;
                }
                const RootRules::Verdict verdict = rootRules && walked->level > 0
                                                       ? rootRules->judge(*walked, walker)
                                                       : RootRules::Verdict::Descend;
                if (verdict == RootRules::Verdict::Skip) {
                    entry.excluded = rootRules->excludes(walker.path()) ? Exclusion::Path
                                                                        : Exclusion::FileSystem;
                    sink.leftOut(entry);
                    walker.skip();
                    break;
                }
                if (walked->hasStat &&
                    (walked->level == 0 || verdict == RootRules::Verdict::EnterMount)) {
                    entered.push_back({walker.path(), walked->stat.device});
                }
                const std::optional<std::uint64_t> parentDevice = walker.parentDevice();
                if (!rootMode && walked->hasStat && parentDevice &&
                    walked->stat.device != *parentDevice) {
                    entry.excluded = Exclusion::OtherDevice;  // the walk does not enter it
                }
                sink.openDirectory(entry);
                walker.setMark(true);
                break;
            }
            case EntryInfo::File:
            case EntryInfo::Symlink:
            case EntryInfo::Other:
                sink.file(entry);
                ++files;
                break;
            case EntryInfo::DirectoryDone:
            case EntryInfo::Unlistable:
            case EntryInfo::NoStat:
                if (walker.mark()) {
                    walker.setMark(false);
                    sink.closeDirectory(walked->info != EntryInfo::DirectoryDone);
                } else if (walked->info != EntryInfo::DirectoryDone) {
                    rootError = walked->level == 0 ? walked->error : rootError;
                    sink.placeholder(entry);
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
    ScanResult result{tree->root(), builder.unreadableCount(), duration, walker.threadsUsed(),
                      std::nullopt, std::move(entered)};
    result.rootError = rootError;
    return result;
}

}  // namespace raumfuchs
