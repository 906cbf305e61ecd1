#pragma once

#include <cstdint>
#include <string>

#include "core/scan/DiskScanner.h"

namespace raumfuchs {

// A tree read from an export file instead of a disk.
struct ImportedScan {
    ScanResult result;  // tree built by the tree's rules; duration 0
    // progname and progver, e.g. "ncdu 1.18"; for a file this program saved
    // from another's scan, that one's ("scanned_by").
    std::string producer;
    std::int64_t timestamp = 0;  // unix seconds from the header, 0 when absent
    // The file gave no size for some folders (gdu writes none), and they count
    // as one 4 KiB block each; or it says its sizes came from such a file.
    bool folderSizesEstimated = false;
};

}  // namespace raumfuchs
