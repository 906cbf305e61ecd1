#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/scan/CancelToken.h"
#include "core/tree/FileId.h"

namespace raumfuchs {

// Kinds of walk entries, numbered as the BSD fts interface numbers them: the
// walk yields the entry sequence of an fts walk (see DirWalker).
enum class EntryInfo : std::uint8_t {
    Directory = 1,      // FTS_D: directory in pre-order
    Cycle = 2,          // FTS_DC: directory that is one of its own ancestors
    Other = 3,          // FTS_DEFAULT: socket, fifo, device, …
    Unlistable = 4,     // FTS_DNR: directory that could not be listed
    DirectoryDone = 6,  // FTS_DP: directory in post-order
    File = 8,           // FTS_F: regular file
    NoStat = 10,        // FTS_NS: metadata could not be read
    Symlink = 12,       // FTS_SL
};

// The metadata the scanner needs from one entry.
struct EntryStat {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t links = 0;
    std::int64_t blocks = 0;  // 512-byte blocks allocated
    std::int64_t size = 0;    // length in bytes (st_size)
    std::uint32_t mode = 0;   // file type bits (S_IFMT)
    std::int64_t mtime = 0;   // last change of the content, seconds since 1970 (st_mtime)

    FileId file() const { return {device, inode}; }
};

// The system calls the walk makes, behind one seam so tests can make a folder
// unlistable, a stat fail or an entry vanish even when they run as root. Every
// call reports failure as -1 with errno set, like the system call it stands for.
class FileSystemOps {
  public:
    virtual ~FileSystemOps() = default;
    // Opens the directory `name` below `dirFd` (AT_FDCWD for the scanned path
    // itself) without following a symbolic link.
    virtual int openDirectory(int dirFd, const char* name);
    // Reads directory records (linux_dirent64) into `buffer`; 0 at the end.
    virtual long readEntries(int fd, char* buffer, std::size_t size);
    // Reads the metadata of `name` below `dirFd` without following a link.
    virtual int statAt(int dirFd, const char* name, EntryStat& out);
    virtual int fstatDirectory(int fd, EntryStat& out);
    virtual void closeDirectory(int fd);

    static FileSystemOps& system();
};

// One entry of a folder's listing: its name in the listing's name buffer and
// its metadata, or the errno of a failed stat.
struct ListedChild {
    std::uint32_t nameOffset = 0;
    std::uint16_t nameLength = 0;
    EntryInfo info = EntryInfo::File;  // NoStat after a failed stat, else set by the walker
    bool mark = false;
    int error = 0;
    EntryStat stat;
};

// A folder's entries in listing order ("." and ".." left out), every one
// stat'ed relative to the folder's descriptor, as the walker and the threads
// that read ahead of it make them.
struct FolderListing {
    std::string names;  // the entries' names, each followed by a NUL
    std::vector<ListedChild> children;
    int listError = 0;  // errno of a listing that broke off, else 0

    std::string_view name(const ListedChild& child) const {
        return {names.data() + child.nameOffset, child.nameLength};
    }
    // The name as the system calls take it.
    const char* path(const ListedChild& child) const { return names.data() + child.nameOffset; }
};

// What makes listing and stat loops give up early, looked at before every
// entry and every batch of records: the teardown of the threads that read
// ahead, or the scan's cancel. Either may be null.
struct StopSignals {
    const std::atomic<bool>* teardown = nullptr;
    const CancelToken* cancel = nullptr;

    bool raised() const {
        return (teardown != nullptr && teardown->load(std::memory_order_relaxed)) ||
               (cancel != nullptr && cancel->isCancelled());
    }
};

// Lists and stats the folder open as `fd`; `buffer` is scratch space for the
// directory records, kept by the caller across folders. Stopped early, the
// listing is incomplete and entries may be left unstat'ed.
void readFolder(FileSystemOps& ops, int fd, std::vector<char>& buffer, FolderListing& out,
                const StopSignals& stop = {});
// Both halves on their own, for threads that share the stats of one large
// folder. listFolder() leaves every entry unstat'ed; statEntries() stats
// children[begin, end), where a failed stat leaves NoStat and its errno.
void listFolder(FileSystemOps& ops, int fd, std::vector<char>& buffer, FolderListing& out,
                const StopSignals& stop = {});
void statEntries(FileSystemOps& ops, int fd, FolderListing& listing, std::size_t begin,
                 std::size_t end, const StopSignals& stop = {});

}  // namespace raumfuchs
