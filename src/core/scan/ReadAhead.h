#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/scan/FolderListing.h"
#include "core/scan/ThreadGovernor.h"

namespace raumfuchs {

struct ReadAheadJob;
struct ReadAheadBatch;
struct SharedStats;

// Worker threads that open, list and stat folders ahead of the walker: when the
// walker has listed a folder it queues the subfolders, in listing order; the
// workers take the queued folder that the depth-first walk will enter first.
// When the walker reaches a subfolder it takes the prepared listing, reads the
// folder itself if no worker started on it, or, while a worker is busy with it,
// reads the next queued folder until that one is done. The walker still hands out every entry
// in its own order, so what it yields does not depend on the workers' timing.
//
// Only folders the walk enters are read ahead: subfolders on the device of
// their parent, and none whose entering the walk's caller decides as it meets
// them (`Walk::callerDecides`), which the walker reads itself if it enters them.
//
// A worker that has read a folder queues its subfolders in turn, so the read-ahead
// runs depth-first in front of the walker, not just one level. The stats of a
// large folder are shared out in chunks to threads that would otherwise wait.
//
// Bounded: at most kMaxAhead folders started and not yet taken, at most
// kMaxAheadEntries entries in their listings, and at most `maxDescriptors`
// batches, each holding its folder's descriptor (a folder read when the budget
// is spent gets no batch, and the walker reads its subfolders itself).
//
// With a governor, every folder's reading is timed and recorded, and only as many
// workers read as the governor asks for (less the walking thread); the others
// wait on a gate of their own, so that they are not woken for every folder.
class ReadAhead {
  public:
    static constexpr std::size_t kMaxAhead = 128;
    static constexpr std::size_t kMaxAheadEntries = 32768;
    // Folders with this many entries have their stats shared, in chunks.
    static constexpr std::size_t kShareAbove = 1024;
    static constexpr std::size_t kStatChunk = 128;

    // What reading one folder gave.
    struct Result {
        bool opened = false;
        int openError = 0;
        // Its subfolders, queued already with its descriptor, if it has any and
        // the budget of descriptors allowed.
        std::shared_ptr<ReadAheadBatch> batch;
        FolderListing listing;
    };
    using Batch = ReadAheadBatch;

    // What the walk served lets the read-ahead do.
    struct Walk {
        // Every thread stops reading at once when it is cancelled; may be null.
        const CancelToken* cancel = nullptr;
        // Folders, by full path, that are left to the walk; null for none.
        // Called from every reading thread.
        std::function<bool(const std::string& path)> callerDecides = {};
    };

    // `clock`: seconds on a steady clock, used with a governor only.
    ReadAhead(FileSystemOps& ops, std::size_t workers, std::size_t maxDescriptors, Walk walk,
              std::optional<ThreadGovernor> governor = std::nullopt,
              std::function<double()> clock = {});
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Queues the subfolders that the walk enters (Directory entries on `device`,
    // the folder's own) of a listed folder open as `dirFd`, which the batch then
    // owns; `path` is the folder's full path, needed with `callerDecides` only.
    // Null, and `dirFd` left to the caller, when nothing was queued.
    std::shared_ptr<Batch> queue(int dirFd, std::uint64_t device, std::string path,
                                 const FolderListing& listing);
    // The descriptor of the batch's folder, open while the batch lives.
    static int descriptor(const Batch& batch);
    // The subfolder `index` of the batch, read by now. False when it was not
    // queued. Subfolders must be taken or dropped in ascending order.
    bool take(Batch& batch, std::uint32_t index, Result& out, std::vector<char>& buffer);
    // The subfolder `index` is not entered after all.
    void drop(Batch& batch, std::uint32_t index);
    // None of the batch's subfolders not taken yet will be.
    void retire(Batch& batch);
    // Reads the folder open as `fd` like readFolder, sharing the stats of a
    // large one with the other threads. Gives up early when stopping.
    void read(int fd, std::vector<char>& buffer, FolderListing& out);
    // The thread count (the walking thread included) most folders so far were
    // read with.
    std::size_t usualThreads();

  private:
    using Job = ReadAheadJob;
    void workerLoop(std::size_t index);
    // read() without the timing.
    void readShared(int fd, std::vector<char>& buffer, FolderListing& out);
    // The queued job the walk will need first, marked started: depth-first from
    // the walker's innermost folder outwards, the subfolders of a folder read
    // ahead coming before its next sibling.
    bool claim(std::shared_ptr<Batch>& batch, Job*& job);
    bool claimIn(const std::shared_ptr<Batch>& from, std::shared_ptr<Batch>& batch, Job*& job);
    void run(Batch& batch, Job& job, std::vector<char>& buffer);
    std::shared_ptr<Batch> makeBatch(int dirFd, std::uint64_t device, std::string path,
                                     const FolderListing& listing, bool walkerClassified);
    // With the lock held (those that read a folder unlock meanwhile):
    // Stats the next chunk of a shared folder, if one is left.
    bool statChunk(SharedStats& shared, std::unique_lock<std::mutex>& lock);
    // Stats the next chunk of any shared folder.
    bool helpWithStats(std::unique_lock<std::mutex>& lock);
    // Reads the queued folder the walk needs first, if there is room ahead.
    bool readNextQueued(std::unique_lock<std::mutex>& lock, std::vector<char>& buffer);
    void finish(Job& job);
    void discard(Job& job);
    void dropLocked(Job& job);
    void retireLocked(Batch& batch);
    void wakeWorkers();
    Job* find(Batch& batch, std::uint32_t index);
    bool roomAhead() const { return ahead_ < kMaxAhead && aheadEntries_ < kMaxAheadEntries; }

    FileSystemOps& ops_;
    const std::size_t maxBatches_;
    const Walk walk_;
    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::condition_variable statsDone_;
    std::condition_variable gate_;
    std::optional<ThreadGovernor> governor_;
    const std::function<double()> clock_;
    std::size_t allowedWorkers_;  // workers with an index below it read
    std::vector<SharedStats*> sharedStats_;
    bool stopping_ = false;
    bool walkerWaits_ = false;
    std::size_t idleWorkers_ = 0;
    std::atomic<bool> stop_{false};  // set at teardown
    const StopSignals stopSignals_{&stop_, walk_.cancel};
    // The batches of the folders the walker has open, outermost first.
    std::vector<std::shared_ptr<Batch>> walkerBatches_;
    std::atomic<std::size_t> liveBatches_{0};
    std::size_t ahead_ = 0;
    std::size_t aheadEntries_ = 0;
    std::vector<std::thread> workers_;
};

}  // namespace raumfuchs
