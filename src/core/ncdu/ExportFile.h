#pragma once

#include <memory>
#include <string>

#include "core/ncdu/NcduWriter.h"

namespace raumfuchs {

// The file an export is written to: standard output for "-", a device or pipe
// as it is, else a temporary file beside the target that replaces it only
// once complete, so a failed or cancelled export leaves an earlier file as it
// was. A name ending in ".zst" is packed with zstd.
class ExportFile {
  public:
    // `rootPath` and `header`: see NcduWriter.
    ExportFile(const std::string& file, std::string rootPath, const ExportHeader& header);
    ~ExportFile();
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // 0 when the file is open; else the errno of why not.
    int error() const { return error_; }
    NcduWriter& writer() { return *writer_; }
    bool toStandardOutput() const { return file_ == "-"; }
    // Written to a temporary file, so that dropping it leaves the target as it was.
    bool replacesTarget() const { return !temporary_.empty(); }
    // Completes the file: 0, or the errno of what failed (a write while the
    // entries came included).
    int commit();

  private:
    std::string file_;
    std::string temporary_;
    int fd_ = -1;
    std::unique_ptr<NcduWriter> writer_;
    int error_ = 0;
};

}  // namespace raumfuchs
