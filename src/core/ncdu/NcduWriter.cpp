#include "core/ncdu/NcduWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "core/text/JsonString.h"

namespace raumfuchs {

namespace {

// Written out in blocks of this size (not measured).
constexpr std::size_t kBuffer = 1 << 20;

}  // namespace

NcduWriter::NcduWriter(int fd, bool compress, std::string rootPath, const ExportHeader& header)
    : fd_(fd), rootPath_(std::move(rootPath)), buffer_(kBuffer) {
    if (compress) {
        zstd_ = ZSTD_createCStream();
        if (zstd_ == nullptr) {
            error_ = ENOMEM;
        } else {
            ZSTD_CCtx_setParameter(zstd_, ZSTD_c_compressionLevel, 3);
            packed_.resize(ZSTD_CStreamOutSize());
        }
    }
    put("[1,2,{\"progname\":\"raumfuchs\",\"progver\":");
    name(header.version);
    if (header.timestamp > 0) {
        number("timestamp", static_cast<std::uint64_t>(header.timestamp));
    }
    if (!header.scannedBy.empty()) {
        put(",\"scanned_by\":");
        name(header.scannedBy);
    }
    if (header.folderSizesEstimated) {
        put(",\"estimated_folder_sizes\":true");
    }
    put("},\n");
}

NcduWriter::~NcduWriter() {
    if (zstd_ != nullptr) {
        ZSTD_freeCStream(zstd_);
    }
}

void NcduWriter::beginItem() {
    if (!devices_.empty()) {
        put(",\n");
    }
}

void NcduWriter::info(const TreeEntry& entry, bool sizes) {
    put("{\"name\":");
    if (!rootDone_ && !rootPath_.empty()) {
        name(rootPath_);
    } else {
        name(entry.name);
    }
    rootDone_ = true;
    if (sizes) {
        if (entry.apparent > 0) {
            number("asize", static_cast<std::uint64_t>(entry.apparent));
        }
        if (entry.allocated > 0) {
            number("dsize", static_cast<std::uint64_t>(entry.allocated));
        }
        // ncdu's extended field; its readers take no time before 1970.
        if (entry.hasMtime) {
            number("mtime", static_cast<std::uint64_t>(std::max<std::int64_t>(entry.mtime, 0)));
        }
    }
    if (entry.hasDevice && (devices_.empty() || devices_.back() != entry.device)) {
        number("dev", entry.device);
    }
}

void NcduWriter::excluded(Exclusion why) {
    if (why == Exclusion::Path) {
        put(",\"excluded\":\"pattern\"");
    } else if (why != Exclusion::None) {
        put(",\"excluded\":\"otherfs\"");
    }
}

void NcduWriter::openDirectory(const TreeEntry& entry) {
    flushPending(false);
    pending_ = true;
    pendingName_.assign(entry.name);
    pendingEntry_ = entry;
}

void NcduWriter::flushPending(bool unreadable) {
    if (!pending_) {
        return;
    }
    pending_ = false;
    beginItem();
    put("[");
    pendingEntry_.name = pendingName_;
    info(pendingEntry_, true);
    if (unreadable) {
        put(",\"read_error\":true");
    }
    excluded(pendingEntry_.excluded);
    put("}");
    devices_.push_back(pendingEntry_.hasDevice ? pendingEntry_.device
                       : devices_.empty()      ? 0
                                               : devices_.back());
}

void NcduWriter::leftOut(const TreeEntry& entry) {
    flushPending(false);
    beginItem();
    put("[");
    info(entry, false);
    excluded(entry.excluded);
    put("}]");
}

void NcduWriter::file(const TreeEntry& entry) {
    flushPending(false);
    beginItem();
    info(entry, true);
    if (entry.hardLink) {
        number("ino", entry.inode);
        put(",\"hlnkc\":true");
        if (entry.links > 0) {
            number("nlink", entry.links);
        }
    }
    put(entry.kind == EntryKind::Special ? ",\"notreg\":true}" : "}");
}

void NcduWriter::placeholder(const TreeEntry& entry) {
    flushPending(false);
    beginItem();
    const bool folder = entry.kind == EntryKind::Directory;
    put(folder ? "[" : "");
    TreeEntry bare{.name = entry.name};
    info(bare, false);
    put(folder ? ",\"read_error\":true}]" : ",\"read_error\":true}");
}

void NcduWriter::closeDirectory(bool unreadable) {
    flushPending(unreadable);
    put("]");
    devices_.pop_back();
}

int NcduWriter::finish() {
    flushPending(false);
    while (!devices_.empty()) {
        closeDirectory(false);
    }
    put("]\n");
    held_ = false;
    drain(true);
    return error_;
}

void NcduWriter::hold(bool held) {
    held_ = held;
    if (!held_ && used_ >= kBuffer) {
        drain(false);
    }
}

void NcduWriter::name(std::string_view bytes) {
    text_.clear();
    appendJsonString(text_, bytes, JsonBytes::Raw);
    put(text_);
}

void NcduWriter::number(const char* key, std::uint64_t value) {
    char text[48];
    char* end = text;
    *end++ = ',';
    *end++ = '"';
    const std::size_t keyLength = std::strlen(key);
    std::memcpy(end, key, keyLength);
    end += keyLength;
    *end++ = '"';
    *end++ = ':';
    end = std::to_chars(end, text + sizeof text, value).ptr;
    put(std::string_view(text, static_cast<std::size_t>(end - text)));
}

void NcduWriter::put(std::string_view text) {
    while (!text.empty()) {
        if (used_ == buffer_.size() && held_) {
            buffer_.resize(buffer_.size() * 2);
        } else if (used_ == buffer_.size()) {
            drain(false);
        }
        const std::size_t n = std::min(text.size(), buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, text.data(), n);
        used_ += n;
        text.remove_prefix(n);
    }
}

void NcduWriter::drain(bool end) {
    if (zstd_ == nullptr) {
        writeOut(buffer_.data(), used_);
        used_ = 0;
        return;
    }
    ZSTD_inBuffer in{buffer_.data(), used_, 0};
    for (;;) {
        ZSTD_outBuffer out{packed_.data(), packed_.size(), 0};
        const std::size_t left =
            ZSTD_compressStream2(zstd_, &out, &in, end ? ZSTD_e_end : ZSTD_e_continue);
        if (ZSTD_isError(left)) {
            error_ = error_ != 0 ? error_ : EIO;
            break;
        }
        writeOut(packed_.data(), out.pos);
        if (end ? left == 0 : in.pos == in.size) {
            break;
        }
    }
    used_ = 0;
}

void NcduWriter::writeOut(const char* data, std::size_t size) {
    while (size > 0 && error_ == 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            return;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

}  // namespace raumfuchs
