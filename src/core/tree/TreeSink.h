#pragma once

#include <cstdint>
#include <string_view>

namespace raumfuchs {

enum class EntryKind : std::uint8_t {
    Directory,
    File,     // a regular file, or one of a kind not known (a tree does not keep it)
    Special,  // a symbolic link, socket, fifo or device
};

// Why a folder's content is not below it.
enum class Exclusion : std::uint8_t {
    None,
    OtherDevice,  // on another device than its parent, and a scan that stays on one
    Path,         // a path a scan of the system root leaves out (/proc, …)
    FileSystem,   // a file system a scan of the system root does not enter (tmpfs, …)
};

// One entry as a source of a tree knows it. Fields a source does not know
// keep their defaults.
struct TreeEntry {
    // File-system bytes; for the first entry of a tree, the root's path.
    std::string_view name;
    EntryKind kind = EntryKind::File;
    std::int64_t allocated = 0;  // bytes on disk; a folder's own, without its entries
    std::int64_t apparent = -1;  // length in bytes; -1 when not known
    bool hasDevice = false;
    std::uint64_t device = 0;
    // One of several links to `inode` on `device`: whoever adds up sizes
    // counts `allocated` once for all of them.
    bool hardLink = false;
    std::uint64_t inode = 0;
    std::uint64_t links = 0;  // link count; 0 when not known
    Exclusion excluded = Exclusion::None;
    // The last change of the entry's content (st_mtime), in seconds since 1970.
    bool hasMtime = false;
    std::int64_t mtime = 0;
};

// Whatever takes a tree entry by entry: the TreeBuilder, the NcduWriter. The
// disk scanner, the ncdu import and a TreeWalk over a finished tree feed it
// alike, in the order of a depth-first walk:
//
//   openDirectory({"/srv/data", Directory, 4096})   the root comes first
//     file({"a", File, 8192})
//     openDirectory({"sub", Directory, 4096})
//       placeholder({"gone", File})                 could not be read
//       leftOut({"proc", Directory, .excluded = Path})
//     closeDirectory(false)
//     openDirectory({"locked", Directory, 4096})
//     closeDirectory(true)                          could not be listed
//   closeDirectory(false)
//
// Every openDirectory() is closed by one closeDirectory(); the entries in
// between are the folder's. A tree whose root is a file or a placeholder is
// that one call.
class TreeSink {
  public:
    virtual ~TreeSink() = default;
    virtual void openDirectory(const TreeEntry& entry) = 0;
    virtual void file(const TreeEntry& entry) = 0;
    // An entry that could not be read: a folder that could not be listed
    // (kind Directory) or an entry whose metadata could not be read. It has
    // no content and no size.
    virtual void placeholder(const TreeEntry& entry) = 0;
    // A folder that is left out (see `excluded`); it has no node in the tree.
    virtual void leftOut(const TreeEntry& entry) = 0;
    // Ends the innermost open folder; `unreadable`: its listing failed.
    virtual void closeDirectory(bool unreadable) = 0;
};

}  // namespace raumfuchs
