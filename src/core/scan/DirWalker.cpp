#include "core/scan/DirWalker.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "core/scan/ReadAhead.h"

namespace raumfuchs {

namespace {

EntryInfo classify(std::uint32_t mode) {
    switch (mode) {
        case S_IFDIR:
            return EntryInfo::Directory;
        case S_IFREG:
            return EntryInfo::File;
        case S_IFLNK:
            return EntryInfo::Symlink;
        default:
            return EntryInfo::Other;
    }
}

}  // namespace

DirWalker::DirWalker(std::string rootPath, Options options, FileSystemOps& ops)
    : rootPath_(std::move(rootPath)), options_(options), ops_(ops) {
    if (options_.maxOpenDirectories < 2) {
        options_.maxOpenDirectories = 2;
    }
    if (options_.threads == 1) {
        return;
    }
    ReadAhead::Walk walk{options_.cancel, options_.callerDecides};
    if (options_.threads > 1) {
        readAhead_ = std::make_unique<ReadAhead>(ops_, options_.threads - 1,
                                                 options_.maxOpenDirectories, std::move(walk));
        return;
    }
    if (!options_.clock) {
        options_.clock = [] {
            return std::chrono::duration<double>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
    const ThreadGovernor governor(std::thread::hardware_concurrency());
    readAhead_ = std::make_unique<ReadAhead>(ops_, governor.most() - 1, options_.maxOpenDirectories,
                                             std::move(walk), governor, options_.clock);
}

std::size_t DirWalker::threadsUsed() const {
    return readAhead_ ? readAhead_->usualThreads() : 1;
}

DirWalker::~DirWalker() {
    for (Frame& frame : frames_) {
        frame.batch.reset();  // the read-ahead threads stop here; no need to retire
    }
    readAhead_.reset();
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        if (frames_[i].fd >= 0) {
            ops_.closeDirectory(frames_[i].fd);
        }
    }
}

const WalkEntry* DirWalker::next() {
    if (!started_) {
        started_ = true;
        return startRoot();
    }
    if (finished_) {
        return nullptr;
    }
    if (options_.cancel != nullptr && options_.cancel->isCancelled()) {
        finished_ = true;
        return nullptr;
    }
    if (pendingDirectory_) {
        pendingDirectory_ = false;
        return enterPending();
    }
    return advance();
}

const WalkEntry* DirWalker::startRoot() {
    if (rootPath_.empty()) {
        finished_ = true;
        return nullptr;
    }
    root_ = Child{};
    if (ops_.statAt(AT_FDCWD, rootPath_.c_str(), root_.stat) != 0) {
        root_.info = EntryInfo::NoStat;
        root_.error = errno;
    } else {
        root_.info = classify(root_.stat.mode);
        rootDevice_ = root_.stat.device;
    }
    entry_ = WalkEntry{};
    entry_.info = root_.info;
    entry_.level = 0;
    entry_.name = rootPath_;
    entry_.hasStat = root_.info != EntryInfo::NoStat;
    entry_.stat = root_.stat;
    entry_.error = root_.error;
    pendingDirectory_ = root_.info == EntryInfo::Directory;
    return &entry_;
}

// The directory just handed out is entered now: listed in full and its
// entries stat'ed, unless it was skipped or lies on another device.
const WalkEntry* DirWalker::enterPending() {
    const std::size_t level = entry_.level;
    const bool skipped = skipRequested_;
    skipRequested_ = false;
    if (frames_.size() <= level) {
        frames_.resize(level + 1);
    }
    Child& dir = level == 0 ? root_ : currentChild(level - 1);
    const auto releaseParent = [&] {
        if (level > 0 && frames_[level - 1].subdirsLeft == 0) {
            closeFd(level - 1);
            releaseBatch(frames_[level - 1]);
        }
    };
    // A folder queued for reading ahead: the prepared listing, if any.
    ReadAheadBatch* batch = level > 0 ? frames_[level - 1].batch.get() : nullptr;
    const auto cursor = static_cast<std::uint32_t>(level > 0 ? frames_[level - 1].cursor : 0);
    if (skipped || (!options_.crossDevices && dir.stat.device != rootDevice_)) {
        if (batch != nullptr) {
            readAhead_->drop(*batch, cursor);
        }
        releaseParent();
        return emitDirectoryAgain(EntryInfo::DirectoryDone, 0);
    }

    ReadAhead::Result prepared;
    const bool wasPrepared =
        batch != nullptr && readAhead_->take(*batch, cursor, prepared, buffer_);
    int fd = -1;
    int openError = 0;
    if (wasPrepared) {
        openError = prepared.openError;
    } else if (level == 0) {
        fd = ops_.openDirectory(AT_FDCWD, rootPath_.c_str());
        openError = errno;
    } else {
        const int parentFd = descriptorOf(level - 1);
        if (parentFd >= 0) {
            const Frame& parent = frames_[level - 1];
            fd = ops_.openDirectory(parentFd, parent.listing.path(dir));
        }
        openError = errno;
    }
    releaseParent();
    if (wasPrepared ? !prepared.opened : fd < 0) {
        return emitDirectoryAgain(EntryInfo::Unlistable, openError);
    }

    Frame& frame = frames_[level];
    frame.cursor = 0;
    frame.subdirsLeft = 0;
    frame.id = dir.stat.file();
    depth_ = level + 1;
    openAncestors_.insert(frame.id);
    if (wasPrepared) {
        std::swap(frame.listing, prepared.listing);
        frame.batch = std::move(prepared.batch);
    } else if (readAhead_) {
        readAhead_->read(fd, buffer_, frame.listing);
    } else {
        readFolder(ops_, fd, buffer_, frame.listing, StopSignals{nullptr, options_.cancel});
    }
    if (fd >= 0) {
        setFd(level, fd);
    }
    classifyChildren(frame);
    if (frame.subdirsLeft == 0) {
        closeFd(level);
        releaseBatch(frame);
    } else if (readAhead_ && !frame.batch) {
        queueSubfolders(frame);
    }
    if (frame.listing.children.empty()) {
        const int listError = frame.listing.listError;
        popFrame();
        return emitDirectoryAgain(listError != 0 ? EntryInfo::Unlistable : EntryInfo::DirectoryDone,
                                  listError);
    }
    return emitChild(level);
}

// Moves on from an entry that is finished: its next sibling, or its parent
// directory in post-order.
const WalkEntry* DirWalker::advance() {
    if (entry_.level == 0) {
        finished_ = true;
        return nullptr;
    }
    const std::size_t parentDepth = entry_.level - 1;
    Frame& frame = frames_[parentDepth];
    if (++frame.cursor < frame.listing.children.size()) {
        return emitChild(parentDepth);
    }
    const int listError = frame.listing.listError;
    popFrame();
    entry_.level = parentDepth;
    return emitDirectoryAgain(listError != 0 ? EntryInfo::Unlistable : EntryInfo::DirectoryDone,
                              listError);
}

const WalkEntry* DirWalker::emitChild(std::size_t depth) {
    Frame& frame = frames_[depth];
    const Child& child = frame.listing.children[frame.cursor];
    entry_.info = child.info;
    entry_.level = depth + 1;
    entry_.name = frame.listing.name(child);
    entry_.hasStat = child.info != EntryInfo::NoStat;
    entry_.stat = child.stat;
    entry_.error = child.error;
    if (child.info == EntryInfo::Directory) {
        --frame.subdirsLeft;
        pendingDirectory_ = true;
    }
    return &entry_;
}

const WalkEntry* DirWalker::emitDirectoryAgain(EntryInfo info, int error) {
    const std::size_t level = entry_.level;
    const Child& dir = level == 0 ? root_ : currentChild(level - 1);
    entry_.info = info;
    entry_.name = level == 0 ? std::string_view(rootPath_) : frames_[level - 1].listing.name(dir);
    entry_.hasStat = true;
    entry_.stat = dir.stat;
    entry_.error = error;
    return &entry_;
}

void DirWalker::classifyChildren(Frame& frame) {
    for (Child& child : frame.listing.children) {
        if (child.info == EntryInfo::NoStat) {
            continue;
        }
        child.info = classify(child.stat.mode);
        if (child.info == EntryInfo::Directory) {
            if (openAncestors_.contains(child.stat.file())) {
                child.info = EntryInfo::Cycle;
            } else {
                ++frame.subdirsLeft;
            }
        }
    }
}

// Hands the subfolders the walk will enter to the read-ahead threads, together
// with the folder's descriptor: the walk itself opens them through the batch.
void DirWalker::queueSubfolders(Frame& frame) {
    const std::size_t depth = depth_ - 1;
    const int fd = descriptorOf(depth);
    if (fd < 0) {
        return;
    }
    frame.batch = readAhead_->queue(fd, frame.id.device,
                                    options_.callerDecides ? path() : std::string(), frame.listing);
    if (frame.batch) {
        frame.fd = -1;
        --openFds_;
    }
}

// The descriptor of the open directory at `depth`, reopened through its
// ancestors' names if it was closed to keep the number of descriptors bounded.
int DirWalker::descriptorOf(std::size_t depth) {
    if (heldFd(depth) >= 0) {
        return heldFd(depth);
    }
    std::size_t start = depth;
    while (start > 0 && heldFd(start) < 0) {
        --start;
    }
    for (std::size_t d = start; d <= depth; ++d) {
        Frame& frame = frames_[d];
        if (heldFd(d) >= 0) {
            continue;
        }
        const int fd = d == 0
                           ? ops_.openDirectory(AT_FDCWD, rootPath_.c_str())
                           : ops_.openDirectory(heldFd(d - 1),
                                                frames_[d - 1].listing.path(currentChild(d - 1)));
        if (fd < 0) {
            return -1;
        }
        // The folder must still be the one that was listed.
        EntryStat st;
        if (ops_.fstatDirectory(fd, st) != 0 || !(st.file() == frame.id)) {
            ops_.closeDirectory(fd);
            errno = ENOENT;
            return -1;
        }
        setFd(d, fd);
    }
    return frames_[depth].fd;
}

int DirWalker::heldFd(std::size_t depth) const {
    const Frame& frame = frames_[depth];
    if (frame.fd >= 0) {
        return frame.fd;
    }
    return frame.batch ? ReadAhead::descriptor(*frame.batch) : -1;
}

void DirWalker::releaseBatch(Frame& frame) {
    if (frame.batch) {
        readAhead_->retire(*frame.batch);
        frame.batch.reset();
    }
}

void DirWalker::setFd(std::size_t depth, int fd) {
    frames_[depth].fd = fd;
    ++openFds_;
    if (depth < lowestOpen_) {
        lowestOpen_ = depth;
    }
    // Evict the shallowest descriptors: the deepest are the ones needed next.
    while (openFds_ > options_.maxOpenDirectories) {
        while (lowestOpen_ < depth_ && frames_[lowestOpen_].fd < 0) {
            ++lowestOpen_;
        }
        std::size_t victim = lowestOpen_;
        if (victim == depth) {
            ++victim;
            while (victim < depth_ && frames_[victim].fd < 0) {
                ++victim;
            }
        }
        if (victim >= depth_) {
            break;
        }
        closeFd(victim);
    }
}

void DirWalker::closeFd(std::size_t depth) {
    Frame& frame = frames_[depth];
    if (frame.fd >= 0) {
        ops_.closeDirectory(frame.fd);
        frame.fd = -1;
        --openFds_;
    }
}

void DirWalker::popFrame() {
    const std::size_t top = depth_ - 1;
    closeFd(top);
    Frame& frame = frames_[top];
    releaseBatch(frame);
    openAncestors_.erase(frame.id);
    depth_ = top;
}

std::string DirWalker::path() const {
    std::string result = rootPath_;
    for (std::size_t d = 0; d < entry_.level; ++d) {
        const Frame& frame = frames_[d];
        if (result.empty() || result.back() != '/') {
            result += '/';
        }
        result += frame.listing.name(frame.listing.children[frame.cursor]);
    }
    return result;
}

std::optional<std::uint64_t> DirWalker::parentDevice() const {
    if (entry_.level == 0) {
        return std::nullopt;
    }
    return frames_[entry_.level - 1].id.device;
}

void DirWalker::setMark(bool mark) {
    if (entry_.level == 0) {
        root_.mark = mark;
    } else {
        currentChild(entry_.level - 1).mark = mark;
    }
}

bool DirWalker::mark() const {
    if (entry_.level == 0) {
        return root_.mark;
    }
    const Frame& frame = frames_[entry_.level - 1];
    return frame.listing.children[frame.cursor].mark;
}

}  // namespace raumfuchs
