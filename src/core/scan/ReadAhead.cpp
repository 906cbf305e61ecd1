#include "core/scan/ReadAhead.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace raumfuchs {

namespace {

std::string pathBelow(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

}  // namespace

// The entries of one large folder being stat'ed, handed out in chunks to every
// thread with nothing else to do. Guarded by the read-ahead's mutex.
struct SharedStats {
    int fd;
    FolderListing& listing;
    std::size_t next = 0;      // first entry not handed out
    std::size_t finished = 0;  // entries stat'ed
};

struct ReadAheadJob {
    enum class State : std::uint8_t { Queued, Started, Done, Gone };
    std::uint32_t index = 0;       // in the parent's listing
    std::uint32_t nameOffset = 0;  // in the batch's names
    State state = State::Queued;
    bool abandoned = false;  // dropped while a thread reads it
    ReadAhead::Result result;
};

// The subfolders of one listed folder, and that folder's descriptor: the
// subfolders are opened relative to it, by whichever thread reads them.
struct ReadAheadBatch {
    ReadAheadBatch(FileSystemOps& fileSystem, std::atomic<std::size_t>& liveBatches, int fd,
                   std::uint64_t folderDevice, std::string folderPath)
        : ops(fileSystem),
          live(liveBatches),
          dirFd(fd),
          device(folderDevice),
          path(std::move(folderPath)) {}
    ~ReadAheadBatch() {
        if (dirFd >= 0) {
            ops.closeDirectory(dirFd);
        }
        --live;
    }
    FileSystemOps& ops;
    std::atomic<std::size_t>& live;
    int dirFd;
    std::uint64_t device;  // the folder's own
    std::string path;      // the folder's full path, kept with callerDecides only
    std::string names;
    std::vector<ReadAheadJob> jobs;
    std::size_t walkerNext = 0;  // first job the walker has not taken or dropped
};

ReadAhead::ReadAhead(FileSystemOps& ops, std::size_t workers, std::size_t maxDescriptors, Walk walk,
                     std::optional<ThreadGovernor> governor, std::function<double()> clock)
    : ops_(ops),
      maxBatches_(maxDescriptors),
      walk_(std::move(walk)),
      governor_(governor),
      clock_(std::move(clock)),
      allowedWorkers_(governor ? governor->threads() - 1 : workers) {
    for (std::size_t i = 0; i < workers; ++i) {
        workers_.emplace_back([this, i] { workerLoop(i); });
    }
}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        stop_ = true;
    }
    work_.notify_all();
    gate_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
    walkerBatches_.clear();
}

int ReadAhead::descriptor(const Batch& batch) {
    return batch.dirFd;
}

std::shared_ptr<ReadAhead::Batch> ReadAhead::makeBatch(int dirFd, std::uint64_t device,
                                                       std::string path,
                                                       const FolderListing& listing,
                                                       bool walkerClassified) {
    // Counted before it exists, so that threads racing here stay within bounds.
    if (liveBatches_.fetch_add(1) >= maxBatches_) {
        liveBatches_.fetch_sub(1);
        return nullptr;
    }
    auto batch = std::make_shared<Batch>(ops_, liveBatches_, dirFd, device, std::move(path));
    for (std::size_t i = 0; i < listing.children.size(); ++i) {
        const ListedChild& child = listing.children[i];
        // The walker enters subfolders that are not their own ancestors;
        // which are is its to decide, so before it has, every subfolder is a
        // candidate. One on another device is a mount point, left to the walk.
        const bool enters = walkerClassified
                                ? child.info == EntryInfo::Directory
                                : child.info != EntryInfo::NoStat && child.stat.mode == S_IFDIR;
        if (!enters || child.stat.device != device ||
            (walk_.callerDecides &&
             walk_.callerDecides(pathBelow(batch->path, listing.name(child))))) {
            continue;
        }
        ReadAheadJob& job = batch->jobs.emplace_back();
        job.index = static_cast<std::uint32_t>(i);
        job.nameOffset = static_cast<std::uint32_t>(batch->names.size());
        batch->names.append(listing.path(child), child.nameLength + 1u);
    }
    if (batch->jobs.empty()) {
        batch->dirFd = -1;  // left to the caller
        return nullptr;
    }
    return batch;
}

std::shared_ptr<ReadAhead::Batch> ReadAhead::queue(int dirFd, std::uint64_t device,
                                                   std::string path, const FolderListing& listing) {
    std::shared_ptr<Batch> batch = makeBatch(dirFd, device, std::move(path), listing, true);
    if (batch) {
        std::lock_guard lock(mutex_);
        walkerBatches_.push_back(batch);
        wakeWorkers();
    }
    return batch;
}

bool ReadAhead::claim(std::shared_ptr<Batch>& batch, Job*& job) {
    for (std::size_t i = walkerBatches_.size(); i-- > 0;) {
        if (claimIn(walkerBatches_[i], batch, job)) {
            return true;
        }
    }
    return false;
}

bool ReadAhead::claimIn(const std::shared_ptr<Batch>& from, std::shared_ptr<Batch>& batch,
                        Job*& job) {
    // Jobs before walkerNext are taken or dropped; from there on each is
    // queued, being read, or read (and then its own subfolders come next).
    for (std::size_t i = from->walkerNext; i < from->jobs.size(); ++i) {
        Job& candidate = from->jobs[i];
        if (candidate.state == Job::State::Queued) {
            candidate.state = Job::State::Started;
            ++ahead_;
            batch = from;
            job = &candidate;
            return true;
        }
        if (candidate.state == Job::State::Done && candidate.result.batch &&
            claimIn(candidate.result.batch, batch, job)) {
            return true;
        }
    }
    return false;
}

bool ReadAhead::readNextQueued(std::unique_lock<std::mutex>& lock, std::vector<char>& buffer) {
    std::shared_ptr<Batch> batch;
    Job* job = nullptr;
    if (stopSignals_.raised() || !roomAhead() || !claim(batch, job)) {
        return false;
    }
    lock.unlock();
    run(*batch, *job, buffer);
    lock.lock();
    finish(*job);
    return true;
}

void ReadAhead::run(Batch& batch, Job& job, std::vector<char>& buffer) {
    Result& r = job.result;
    const char* name = batch.names.data() + job.nameOffset;
    const int fd = ops_.openDirectory(batch.dirFd, name);
    if (fd < 0) {
        r.openError = errno;
        return;
    }
    r.opened = true;
    read(fd, buffer, r.listing);
    if (!stopSignals_.raised()) {
        r.batch = makeBatch(fd, batch.device,
                            walk_.callerDecides ? pathBelow(batch.path, name) : std::string(),
                            r.listing, false);
    }
    if (!r.batch) {
        ops_.closeDirectory(fd);
    }
}

void ReadAhead::finish(Job& job) {
    if (job.abandoned) {
        discard(job);
    } else {
        job.state = Job::State::Done;
        aheadEntries_ += job.result.listing.children.size();
        if (job.result.batch) {
            wakeWorkers();
        }
    }
    if (walkerWaits_) {
        done_.notify_one();
    }
}

void ReadAhead::discard(Job& job) {
    if (job.state == Job::State::Done) {
        aheadEntries_ -= job.result.listing.children.size();
    }
    if (job.result.batch) {
        retireLocked(*job.result.batch);
    }
    job.result = Result{};
    job.state = Job::State::Gone;
    --ahead_;
    wakeWorkers();
}

void ReadAhead::wakeWorkers() {
    if (idleWorkers_ > 0) {
        work_.notify_all();
    }
}

ReadAhead::Job* ReadAhead::find(Batch& batch, std::uint32_t index) {
    while (batch.walkerNext < batch.jobs.size() && batch.jobs[batch.walkerNext].index <= index) {
        Job& job = batch.jobs[batch.walkerNext++];
        if (job.index == index) {
            return &job;
        }
        dropLocked(job);
    }
    return nullptr;
}

bool ReadAhead::take(Batch& batch, std::uint32_t index, Result& out, std::vector<char>& buffer) {
    std::unique_lock lock(mutex_);
    Job* job = find(batch, index);
    if (job == nullptr) {
        return false;
    }
    while (job->state != Job::State::Done) {
        if (job->state == Job::State::Queued) {
            job->state = Job::State::Started;
            ++ahead_;
            lock.unlock();
            run(batch, *job, buffer);
            lock.lock();
            finish(*job);
            continue;
        }
        // Another thread reads it: help with a large folder's stats or read
        // another queued folder meanwhile.
        if (helpWithStats(lock) || readNextQueued(lock, buffer)) {
            continue;
        }
        walkerWaits_ = true;
        done_.wait(lock);
        walkerWaits_ = false;
    }
    out = std::move(job->result);
    job->result = Result{};
    if (out.batch) {
        walkerBatches_.push_back(out.batch);
    }
    job->state = Job::State::Gone;
    --ahead_;
    aheadEntries_ -= out.listing.children.size();
    wakeWorkers();
    return true;
}

void ReadAhead::dropLocked(Job& job) {
    switch (job.state) {
        case Job::State::Queued:
            job.state = Job::State::Gone;
            break;
        case Job::State::Started:
            job.abandoned = true;
            break;
        case Job::State::Done:
            discard(job);
            break;
        case Job::State::Gone:
            break;
    }
}

void ReadAhead::drop(Batch& batch, std::uint32_t index) {
    std::lock_guard lock(mutex_);
    if (Job* job = find(batch, index)) {
        dropLocked(*job);
    }
}

void ReadAhead::retire(Batch& batch) {
    std::lock_guard lock(mutex_);
    retireLocked(batch);
}

void ReadAhead::retireLocked(Batch& batch) {
    std::erase_if(walkerBatches_, [&](const auto& b) { return b.get() == &batch; });
    for (; batch.walkerNext < batch.jobs.size(); ++batch.walkerNext) {
        dropLocked(batch.jobs[batch.walkerNext]);
    }
}

void ReadAhead::read(int fd, std::vector<char>& buffer, FolderListing& out) {
    if (!governor_) {
        readShared(fd, buffer, out);
        return;
    }
    const double start = clock_();
    readShared(fd, buffer, out);
    const double end = clock_();
    std::lock_guard lock(mutex_);
    governor_->record(start, end, out.children.size());
    const std::size_t allowed = governor_->threads() - 1;
    if (allowed > allowedWorkers_) {
        gate_.notify_all();
    }
    allowedWorkers_ = allowed;
}

std::size_t ReadAhead::usualThreads() {
    std::lock_guard lock(mutex_);
    return governor_ ? governor_->usual() : workers_.size() + 1;
}

void ReadAhead::readShared(int fd, std::vector<char>& buffer, FolderListing& out) {
    listFolder(ops_, fd, buffer, out, stopSignals_);
    if (out.children.size() < kShareAbove) {
        statEntries(ops_, fd, out, 0, out.children.size(), stopSignals_);
        return;
    }
    SharedStats shared{fd, out};
    std::unique_lock lock(mutex_);
    sharedStats_.push_back(&shared);
    wakeWorkers();
    if (walkerWaits_) {
        done_.notify_one();
    }
    while (statChunk(shared, lock)) {
    }
    std::erase(sharedStats_, &shared);
    statsDone_.wait(lock, [&] { return shared.finished == out.children.size(); });
}

bool ReadAhead::statChunk(SharedStats& shared, std::unique_lock<std::mutex>& lock) {
    const std::size_t count = shared.listing.children.size();
    if (shared.next == count) {
        return false;
    }
    const std::size_t begin = shared.next;
    const std::size_t end = std::min(begin + kStatChunk, count);
    shared.next = end;
    lock.unlock();
    statEntries(ops_, shared.fd, shared.listing, begin, end, stopSignals_);
    lock.lock();
    shared.finished += end - begin;
    if (shared.finished == count) {
        statsDone_.notify_all();
    }
    return true;
}

bool ReadAhead::helpWithStats(std::unique_lock<std::mutex>& lock) {
    for (SharedStats* shared : sharedStats_) {
        if (statChunk(*shared, lock)) {
            return true;
        }
    }
    return false;
}

void ReadAhead::workerLoop(std::size_t index) {
    std::vector<char> buffer;  // listFolder sizes it
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (index >= allowedWorkers_) {
            gate_.wait(lock);
            continue;
        }
        if (helpWithStats(lock) || readNextQueued(lock, buffer)) {
            continue;
        }
        ++idleWorkers_;
        work_.wait(lock);
        --idleWorkers_;
    }
}

}  // namespace raumfuchs
