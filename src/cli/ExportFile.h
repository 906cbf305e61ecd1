#pragma once

#include <memory>
#include <string>

#include "core/ncdu/NcduWriter.h"

namespace raumfuchs {

// The file raumfuchs-scan --export writes: standard output for "-", else a
// temporary file beside the target that replaces it only once complete, so a
// failed or cancelled export leaves an earlier file as it was. A name ending
// in ".zst" is packed with zstd.
class ExportFile {
  public:
    // `scanPath` as given; the export names it as an absolute path.
    ExportFile(const std::string& file, const std::string& scanPath, const char* version);
    ~ExportFile();
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // Empty when the file is open; else why not, as a German sentence.
    const std::string& error() const { return error_; }
    NcduWriter& writer() { return *writer_; }
    bool toStandardOutput() const { return file_ == "-"; }
    // Completes the file; false with error() set when it could not be written.
    bool commit();

  private:
    void fail(int code);

    std::string file_;
    std::string temporary_;
    int fd_ = -1;
    std::unique_ptr<NcduWriter> writer_;
    std::string error_;
};

}  // namespace raumfuchs
