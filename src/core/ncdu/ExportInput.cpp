#include "core/ncdu/ExportInput.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/system/ErrnoText.h"

namespace raumfuchs {

ExportInput::ExportInput(int fd)
    : ExportInput([fd](char* into, std::size_t size) { return ::read(fd, into, size); }) {}

ExportInput::ExportInput(Read read)
    : read_(std::move(read)), buffer_(std::make_unique_for_overwrite<char[]>(kBlock)) {}

ExportInput::~ExportInput() {
    if (zstd_ != nullptr) {
        ZSTD_freeDStream(zstd_);
    }
}

std::optional<std::string> ExportInput::start() {
    std::size_t got = 0;
    if (!readRaw(raw_.data(), 4, got, true)) {
        return "konnte nicht gelesen werden (" + errnoText(errno) + ")";
    }
    rawEnd_ = got;
    const auto* b = reinterpret_cast<const unsigned char*>(raw_.data());
    if (got == 0) {
        return std::string("ist leer");
    }
    if (got >= 2 && b[0] == 0x1f && b[1] == 0x8b) {
        return std::string("ist mit gzip gepackt; entpacken Sie sie zuerst (gunzip)");
    }
    if (got >= 4 && b[0] == 0x28 && b[1] == 0xb5 && b[2] == 0x2f && b[3] == 0xfd) {
        zstd_ = ZSTD_createDStream();
        if (zstd_ == nullptr) {
            return std::string("konnte nicht entpackt werden (zu wenig Speicher)");
        }
        raw_.resize(ZSTD_DStreamInSize());
    }
    return std::nullopt;
}

bool ExportInput::refill(const char*& begin, const char*& end) {
    std::size_t got = 0;
    if (zstd_ == nullptr) {
        if (rawEnd_ > 0) {  // the bytes read to look at the start
            std::memcpy(buffer_.get(), raw_.data(), rawEnd_);
            got = rawEnd_;
            rawEnd_ = 0;
        } else if (!readRaw(buffer_.get(), kBlock, got, false)) {
            error_ = "Lesefehler (" + errnoText(errno) + ")";
            return false;
        }
    } else if (!unpack(got)) {
        return false;
    }
    begin = buffer_.get();
    end = begin + got;
    return true;
}

bool ExportInput::readRaw(char* into, std::size_t want, std::size_t& got, bool whole) {
    got = 0;
    while (got < want) {
        const ssize_t n = read_(into + got, want - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            ended_ = true;
            break;
        }
        got += static_cast<std::size_t>(n);
        if (!whole) {
            break;
        }
    }
    return true;
}

bool ExportInput::unpack(std::size_t& got) {
    ZSTD_outBuffer out{buffer_.get(), kBlock, 0};
    while (out.pos == 0) {
        if (rawPos_ == rawEnd_) {
            std::size_t n = 0;
            if (!readRaw(raw_.data(), raw_.size(), n, false)) {
                error_ = "Lesefehler (" + errnoText(errno) + ")";
                return false;
            }
            if (n == 0) {
                if (!frameDone_) {
                    error_ = "der zstd-Datenstrom bricht ab";
                    return false;
                }
                break;
            }
            rawPos_ = 0;
            rawEnd_ = n;
        }
        ZSTD_inBuffer in{raw_.data(), rawEnd_, rawPos_};
        const std::size_t rc = ZSTD_decompressStream(zstd_, &out, &in);
        rawPos_ = in.pos;
        if (ZSTD_isError(rc)) {
            error_ =
                std::string("der zstd-Datenstrom ist beschädigt (") + ZSTD_getErrorName(rc) + ")";
            return false;
        }
        frameDone_ = rc == 0;
    }
    got = out.pos;
    return true;
}

}  // namespace raumfuchs
