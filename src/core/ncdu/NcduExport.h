#pragma once

#include <string>

#include "core/ncdu/NcduWriter.h"
#include "core/scan/DiskScanner.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// Writes the whole of `tree` to `file` in ncdu's format (see ExportFile and
// TreeWalk), safely while the tree's owning thread changes it. Returns 0, or
// the errno of what failed; ECANCELED when `token` was cancelled first, and
// the target is left as it was.
int exportNcdu(const FileTree& tree, const std::string& file, const ExportHeader& header,
               const CancelToken& token);

}  // namespace raumfuchs
