#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "core/scan/DiskScanner.h"

namespace raumfuchs {

// The live line raumfuchs-scan keeps on a terminal while it scans: files,
// bytes and the path being read, rewritten in place at most ten times a
// second and wiped when the scan ends, so the result starts on a clean line.
class ProgressLine {
  public:
    // Draws on the terminal `fd` when `enabled`; a disabled line writes nothing.
    ProgressLine(int fd, bool enabled);

    // Shows `progress` unless the line was drawn less than 100 ms ago.
    void update(const ScanProgress& progress);

    // Wipes the line, if one is shown.
    void clear();

    // The text of the line, at most `columns` terminal cells wide: the path
    // escaped for the terminal and shortened at its front ("…/tief/innen").
    static std::string text(const ScanProgress& progress, std::size_t columns);

  private:
    void write(const std::string& bytes) const;

    int fd_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point drawn_;
};

}  // namespace raumfuchs
