#pragma once

#include <zstd.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/scan/DirWalker.h"
#include "core/scan/DiskScanner.h"

namespace raumfuchs {

// Writes a scan in ncdu's JSON export format while it runs, to a descriptor,
// plain or as a zstd stream. Names go out as their raw bytes, only `"`, `\`,
// control bytes and DEL escaped, so names that are not UTF-8 survive. A
// folder's sizes are its own, as ncdu writes them; `dev` only where it differs
// from the parent's; files with several links carry ino, hlnkc and nlink.
//
// A folder's opening is held back until its first entry or its end, so that a
// folder that could not be listed carries read_error. (A listing that breaks
// off after some entries cannot mark its folder any more; its entries are
// written.)
class NcduWriter : public ScanListener {
  public:
    // `rootPath`: the name written for the scanned path, absolute.
    NcduWriter(int fd, bool compress, std::string rootPath, std::string_view producerVersion,
               std::int64_t timestamp);
    ~NcduWriter() override;
    NcduWriter(const NcduWriter&) = delete;
    NcduWriter& operator=(const NcduWriter&) = delete;

    void openDirectory(const WalkEntry& entry, bool otherDevice) override;
    void leftOut(const WalkEntry& entry, bool excludedPath) override;
    void file(const WalkEntry& entry) override;
    void placeholder(const WalkEntry& entry) override;
    void closeDirectory(bool unreadable) override;

    // Closes what is open and writes out the rest. 0, or the errno of the
    // first write that failed (also one during the scan).
    int finish();
    bool failed() const { return error_ != 0; }

  private:
    void beginItem();
    void flushPending(bool unreadable);
    void info(std::string_view name, const EntryStat* stat, bool sizes, bool withDevice);
    void name(std::string_view bytes);
    void number(const char* key, std::uint64_t value);
    void put(std::string_view text);
    void drain(bool end);
    void writeOut(const char* data, std::size_t size);

    int fd_;
    std::string rootPath_;
    ZSTD_CStream* zstd_ = nullptr;
    std::vector<char> buffer_;
    std::vector<char> packed_;
    std::size_t used_ = 0;
    int error_ = 0;
    // Devices of the open folders, innermost last.
    std::vector<std::uint64_t> devices_;
    bool first_ = true;  // no item written in the innermost folder yet
    // The folder whose opening is held back.
    bool pending_ = false;
    std::string pendingName_;
    EntryStat pendingStat_;
    bool pendingHasStat_ = false;
    bool pendingOtherDevice_ = false;
};

}  // namespace raumfuchs
