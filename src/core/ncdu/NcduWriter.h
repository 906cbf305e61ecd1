#pragma once

#include <zstd.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/tree/TreeSink.h"

namespace raumfuchs {

// What an export says of itself besides its entries.
struct ExportHeader {
    std::string version;         // this program's, written as progver
    std::int64_t timestamp = 0;  // unix seconds of the scan; 0 when not known (not written)
    // For a tree read from another export: who made that scan ("ncdu 1.18")
    // and whether its folder sizes are estimates, as "scanned_by" and
    // "estimated_folder_sizes", which other readers pass over.
    std::string scannedBy;
    bool folderSizesEstimated = false;
};

// Writes a tree in ncdu's JSON export format as its entries come, to a
// descriptor, plain or as a zstd stream: fed by a scan while it runs or by a
// TreeWalk over a finished tree. Names go out as their raw bytes, only `"`,
// `\`, control bytes and DEL escaped, so names that are not UTF-8 survive. A
// folder's sizes are its own, as ncdu writes them; `dev` only where it
// differs from the parent's; hard links carry ino, hlnkc and, where known,
// nlink; folders left out or on another device carry `excluded`; entries
// whose change time is known carry `mtime` (ncdu's extended field).
//
// A folder's opening is held back until its first entry or its end, so that a
// folder that could not be listed carries read_error. (A listing that breaks
// off after some entries cannot mark its folder any more; its entries are
// written.)
class NcduWriter : public TreeSink {
  public:
    // `rootPath`: the name written for the root, absolute; empty for the name
    // the first entry brings.
    NcduWriter(int fd, bool compress, std::string rootPath, const ExportHeader& header);
    ~NcduWriter() override;
    NcduWriter(const NcduWriter&) = delete;
    NcduWriter& operator=(const NcduWriter&) = delete;

    void openDirectory(const TreeEntry& entry) override;
    void file(const TreeEntry& entry) override;
    void placeholder(const TreeEntry& entry) override;
    void leftOut(const TreeEntry& entry) override;
    void closeDirectory(bool unreadable) override;

    // While held, what is written gathers in memory instead of going to the
    // descriptor (for a walk that must not wait for the disk while it holds
    // a tree's lock); let go, it is written out.
    void hold(bool held);
    // Closes what is open and writes out the rest. 0, or the errno of the
    // first write that failed (also one during the scan).
    int finish();
    bool failed() const { return error_ != 0; }

  private:
    void beginItem();
    void flushPending(bool unreadable);
    // The start of an info object: name (the root's for the first entry),
    // with `sizes` the sizes, and the device where it changes.
    void info(const TreeEntry& entry, bool sizes);
    void excluded(Exclusion why);
    void name(std::string_view bytes);
    void number(const char* key, std::uint64_t value);
    void put(std::string_view text);
    void drain(bool end);
    void writeOut(const char* data, std::size_t size);

    int fd_;
    std::string rootPath_;
    bool rootDone_ = false;  // the first entry's name is written
    ZSTD_CStream* zstd_ = nullptr;
    std::vector<char> buffer_;
    std::vector<char> packed_;
    std::size_t used_ = 0;
    std::string text_;  // a name as written, kept for its capacity
    bool held_ = false;
    int error_ = 0;
    // Devices of the open folders, innermost last.
    std::vector<std::uint64_t> devices_;
    // The folder whose opening is held back.
    bool pending_ = false;
    std::string pendingName_;
    TreeEntry pendingEntry_;
};

}  // namespace raumfuchs
