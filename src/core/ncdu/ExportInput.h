#pragma once

#include <zstd.h>

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace raumfuchs {

// The bytes of an export file in blocks, unpacked on the way when the file is
// a zstd stream (told by its first four bytes).
class ExportInput {
  public:
    // Reads as read(2) does: a count, 0 at the end, -1 with errno.
    using Read = std::function<ssize_t(char* into, std::size_t size)>;

    // Reads from `fd`, which stays the caller's.
    explicit ExportInput(int fd);
    // Reads from a stream, such as a command's output: a block is handed on
    // as soon as some bytes came, so the reader follows the writer.
    explicit ExportInput(Read read);
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
    // The source said it has no more bytes.
    bool ended() const { return ended_; }

  private:
    // Not measured: large enough that a read costs little next to the parse.
    static constexpr std::size_t kBlock = 256 * 1024;

    // Up to `want` bytes; all of them unless the source ends when `whole`.
    bool readRaw(char* into, std::size_t want, std::size_t& got, bool whole);
    bool unpack(std::size_t& got);

    Read read_;
    std::unique_ptr<char[]> buffer_;
    std::vector<char> raw_ = std::vector<char>(4);
    std::size_t rawPos_ = 0;
    std::size_t rawEnd_ = 0;
    ZSTD_DStream* zstd_ = nullptr;
    bool frameDone_ = true;
    bool ended_ = false;
    std::string error_;
};

}  // namespace raumfuchs
