#pragma once

#include <zstd.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace raumfuchs {

// The bytes of an export file in blocks, unpacked on the way when the file is
// a zstd stream (told by its first four bytes).
class ExportInput {
  public:
    // Reads from `fd`, which stays the caller's.
    explicit ExportInput(int fd);
    ~ExportInput();
    ExportInput(const ExportInput&) = delete;
    ExportInput& operator=(const ExportInput&) = delete;

    // Looks at the first bytes; a message when the file is not a stream to read.
    std::optional<std::string> start();
    bool compressed() const { return zstd_ != nullptr; }

    // Fills the buffer with the next block; empty at the end. False on an error,
    // with error() saying which.
    bool refill(const char*& begin, const char*& end);
    const std::string& error() const { return error_; }

  private:
    // Not measured: large enough that a read costs little next to the parse.
    static constexpr std::size_t kBlock = 256 * 1024;

    bool readRaw(char* into, std::size_t want, std::size_t& got);
    bool unpack(std::size_t& got);

    int fd_;
    std::unique_ptr<char[]> buffer_;
    std::vector<char> raw_ = std::vector<char>(4);
    std::size_t rawPos_ = 0;
    std::size_t rawEnd_ = 0;
    ZSTD_DStream* zstd_ = nullptr;
    bool frameDone_ = true;
    std::string error_;
};

}  // namespace raumfuchs
