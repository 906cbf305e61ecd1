#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ncdu/NcduExport.h"
#include "core/scan/CancelToken.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// One scan kept in the history.
struct HistoryEntry {
    std::string file;                        // the export, file-system bytes
    std::int64_t time = 0;                   // unix seconds of the scan
    std::int64_t bytes = 0;                  // the tree's total then
    std::int64_t files = 0;                  // and its file count
    std::optional<std::int64_t> volumeUsed;  // for a whole volume: its used bytes then
    std::int64_t fileBytes = 0;              // what the export takes on disk
    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

// How much a history keeps.
struct HistoryLimits {
    std::size_t scansPerKey = 10;
    std::int64_t totalBytes = 2'000'000'000;
};

// Earlier scans, kept as zstd-packed ncdu exports below one folder
// ($XDG_STATE_HOME/raumfuchs/history): a folder per scanned place (its key,
// usually the scanned path), named by a hash of the key and a readable part of
// it, with the key itself in its file "path". The names inside are private:
// folders are made 0700, files 0600.
//
// What the start screen and the choice of a baseline need of a scan (its time,
// total, file count and the volume's used bytes) is in the export's file name,
// "2026-12-01T14-03-22Z_b4096000_f1203_u500000000.json.zst", so that one
// rename makes a scan and its figures appear together: an export is written
// under a hidden name first (ExportFile: a temporary file renamed once
// complete), so a failed or cancelled write leaves no entry and touches no
// other.
//
// Bounds: the newest `scansPerKey` scans of each key, and at most `totalBytes`
// of exports in all; what is over goes, oldest first, after each new scan.
//
// Threads: any thread; several writers may run at once (each rename is atomic,
// a file that another one removed is passed over).
class ScanHistory {
  public:
    explicit ScanHistory(std::string folder, HistoryLimits limits = {});

    // $XDG_STATE_HOME/raumfuchs/history, else ~/.local/state/raumfuchs/history;
    // empty when neither variable says where.
    static std::string defaultFolder();
    // The folder that holds the scans of `key`, below the history's.
    static std::string folderName(const std::string& key);

    const std::string& folder() const { return folder_; }

    // The scans kept of `key`, newest first.
    std::vector<HistoryEntry> entries(const std::string& key) const;

    // Writes `tree` as the newest scan of `key` (the time from `header`), then
    // applies the bounds. 0 and the entry in `added`, or the errno of what
    // failed (ECANCELED when `token` was cancelled; EFBIG when the export
    // alone is over the bounds and so is not kept): then nothing was kept
    // and no older scan was touched.
    int add(const std::string& key, const FileTree& tree, const ExportHeader& header,
            std::optional<std::int64_t> volumeUsed, const CancelToken& token,
            HistoryEntry* added = nullptr) const;

  private:
    // The folder of `key`, made when missing; 0 or an errno.
    int keyFolder(const std::string& key, std::string& folder) const;
    // Removes what is over the bounds and what broken-off writes left.
    void prune(const std::string& keyFolder) const;

    std::string folder_;
    HistoryLimits limits_;
};

}  // namespace raumfuchs
