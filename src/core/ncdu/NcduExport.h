#pragma once

#include <cstdint>
#include <string>

#include "core/ncdu/NcduWriter.h"
#include "core/scan/DiskScanner.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// The root's totals in the state of the tree that an export shows.
struct ExportedTotals {
    std::int64_t bytes = 0;
    std::int64_t files = 0;
};

// Writes the whole of `tree` to `file` in ncdu's format (see ExportFile and
// TreeWalk), safely while the tree's owning thread changes it. Returns 0, or
// the errno of what failed, the target then left as it was: ECANCELED when
// `token` was cancelled first, EAGAIN when the tree changed while it was
// written where nothing can be taken back (standard output, a pipe, a device).
// With `written`, it is given the totals of what the file holds.
int exportNcdu(const FileTree& tree, const std::string& file, const ExportHeader& header,
               const CancelToken& token, ExportedTotals* written = nullptr);

}  // namespace raumfuchs
