#pragma once

#include <cstdint>
#include <string>

namespace raumfuchs {

// A place where a scan entered a file system: the scanned folder itself, or a
// mount point a scan of the system root went into. One file system may be
// entered at several places (mounts that show different folders of it).
struct EnteredMount {
    std::string path;          // file-system bytes
    std::uint64_t device = 0;  // st_dev of the folder
    friend bool operator==(const EnteredMount&, const EnteredMount&) = default;
};

}  // namespace raumfuchs
