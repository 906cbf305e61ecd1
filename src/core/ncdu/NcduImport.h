#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "core/scan/DiskScanner.h"

namespace raumfuchs {

// A tree read from an export file instead of a disk.
struct ImportedScan {
    ScanResult result;           // tree built by the tree's rules; duration 0
    std::string producer;        // progname and progver, e.g. "ncdu 1.18"
    std::int64_t timestamp = 0;  // unix seconds from the header, 0 when absent
    // The file gave no size for some folders (gdu writes none), and they count
    // as one 4 KiB block each.
    bool folderSizesEstimated = false;
};

// Reads an export in the ncdu JSON format, plain or zstd-compressed. Returns the
// tree, or a German message naming the file and, where known, the byte offset.
// An empty message when cancelled. onProgress gets the number of entries read so far.
std::variant<ImportedScan, std::string> importNcdu(
    const std::string& file, const CancelToken& token,
    const std::function<void(std::int64_t)>& onProgress);

}  // namespace raumfuchs
