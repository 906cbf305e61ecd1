#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/scan/FolderListing.h"

namespace raumfuchs {

class ReadAhead;
struct ReadAheadBatch;

// One entry as the walker hands it out. Valid until the next call to next().
struct WalkEntry {
    EntryInfo info = EntryInfo::File;
    std::size_t level = 0;
    std::string_view name;  // file-system bytes; the path as given for level 0
    bool hasStat = false;
    EntryStat stat;
    int error = 0;  // errno of a failed open, listing or stat
};

// Depth-first walk of one tree over openat/getdents64/statx, relative to
// directory descriptors, that yields the entry sequence of an fts walk with
// FTS_PHYSICAL | FTS_NOCHDIR (and FTS_XDEV when asked):
//   - the scanned path at level 0 (Directory, File, Symlink, Other or NoStat);
//   - a directory in pre-order; on the next call its whole listing is read and
//     every entry stat'ed, then its entries follow in listing order ("." and
//     ".." left out), then the directory again in post-order (DirectoryDone);
//   - a directory that cannot be opened comes back once more as Unlistable
//     instead of its entries and post-order visit;
//   - a directory whose listing breaks off midway yields the entries read so
//     far and then comes back as Unlistable in post-order (fts would report
//     DirectoryDone and so hide that the folder is incomplete);
//   - a directory whose device and inode are those of an open ancestor is
//     reported as Cycle and not entered; neither is a skipped directory nor,
//     with crossDevices off, one on another device than the scanned path:
//     both come back at once as DirectoryDone.
// With several threads, folders are opened, listed and stat'ed ahead of the
// walk by worker threads (see ReadAhead); the walk takes their listings in its
// own order, so nothing else changes. The workers touch no folder on another
// device than its parent and none the caller decides on as the walk meets it
// (Options::callerDecides), so a folder the caller skips is never opened.
// With threads 0, a ThreadGovernor chooses the count as the walk goes, from
// how long listings take.
// A cancel ends the walk at once: next() gives nullptr from then on, and the
// listing and stat loops of every thread stop within an entry.
// Open descriptors stay bounded whatever the tree's shape: a directory's
// descriptor is kept only while subdirectories of it remain to be entered,
// at most maxOpenDirectories at a time; an evicted one is reopened through its
// ancestors' names when needed. Depth is limited only by memory.
class DirWalker {
  public:
    struct Options {
        bool crossDevices = false;
        std::size_t maxOpenDirectories = 64;
        // Threads that read folders (the walking thread included), 0 to let
        // the listings' times decide. The entries and their order do not
        // depend on it.
        std::size_t threads = 1;
        // Seconds on a steady clock, to time listings with; null for the system's.
        std::function<double()> clock = {};
        // Ends the walk when cancelled; may be null.
        const CancelToken* cancel = nullptr;
        // Folders, by full path, that the caller may skip when the walk meets
        // them: only the walk itself opens them, if it enters them. Called
        // from the reading threads too; null for none.
        std::function<bool(const std::string& path)> callerDecides = {};
    };

    DirWalker(std::string rootPath, Options options, FileSystemOps& ops = FileSystemOps::system());
    ~DirWalker();
    DirWalker(const DirWalker&) = delete;
    DirWalker& operator=(const DirWalker&) = delete;

    // False when the walk cannot start (an empty path).
    bool valid() const { return !rootPath_.empty(); }

    // The next entry, or nullptr at the end.
    const WalkEntry* next();
    // Called right after next() returned a Directory: do not enter it; the
    // following next() returns it as DirectoryDone.
    void skip() { skipRequested_ = true; }

    // Full path of the last entry, built from the names of the open directories.
    std::string path() const;
    // Device of the directory containing the last entry, if it has metadata.
    std::optional<std::uint64_t> parentDevice() const;

    // A caller-owned mark on the last entry, kept until its post-order visit
    // (fts_number).
    void setMark(bool mark);
    bool mark() const;

    // Descriptors of the walk's own open folders; folders read ahead hold at
    // most 2 × maxOpenDirectories more (see ReadAhead).
    std::size_t openDescriptors() const { return openFds_; }

    // The thread count most folders so far were read with.
    std::size_t threadsUsed() const;

  private:
    using Child = ListedChild;
    // An open directory: its listing and how far it has been handed out.
    struct Frame {
        FolderListing listing;
        std::size_t cursor = 0;  // the child last handed out
        std::size_t subdirsLeft = 0;
        int fd = -1;
        FileId id;
        // Its subfolders as queued for reading ahead, while any is left.
        std::shared_ptr<ReadAheadBatch> batch;
    };

    const WalkEntry* startRoot();
    const WalkEntry* enterPending();
    const WalkEntry* advance();
    const WalkEntry* emitChild(std::size_t depth);
    const WalkEntry* emitDirectoryAgain(EntryInfo info, int error);
    void classifyChildren(Frame& frame);
    void queueSubfolders(Frame& frame);
    int descriptorOf(std::size_t depth);
    // The folder's descriptor if it is open, its own or its batch's.
    int heldFd(std::size_t depth) const;
    void releaseBatch(Frame& frame);
    void setFd(std::size_t depth, int fd);
    void closeFd(std::size_t depth);
    void evictIfFull();
    void popFrame();
    Child& currentChild(std::size_t depth) {
        return frames_[depth].listing.children[frames_[depth].cursor];
    }

    std::string rootPath_;
    Options options_;
    FileSystemOps& ops_;
    WalkEntry entry_;
    Child root_;
    bool started_ = false;
    bool finished_ = false;
    bool pendingDirectory_ = false;
    bool skipRequested_ = false;
    std::uint64_t rootDevice_ = 0;
    // frames_[0 .. depth_) are the open directories, frames_[i] at level i.
    // Frames past depth_ keep their buffers for reuse.
    std::vector<Frame> frames_;
    std::size_t depth_ = 0;
    std::unordered_set<FileId> openAncestors_;
    std::size_t openFds_ = 0;
    std::size_t lowestOpen_ = 0;  // no frame below this index holds a descriptor
    std::vector<char> buffer_;
    std::unique_ptr<ReadAhead> readAhead_;
};

}  // namespace raumfuchs
