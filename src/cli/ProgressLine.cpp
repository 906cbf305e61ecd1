#include "cli/ProgressLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "core/text/Format.h"
#include "core/text/Utf8.h"

namespace raumfuchs {

namespace {

constexpr auto kInterval = std::chrono::milliseconds(100);
constexpr const char* kWipe = "\r\033[K";
constexpr std::size_t kFallbackColumns = 80;

// Each code point of `text` as its byte offset and its width in cells.
std::vector<std::pair<std::size_t, std::size_t>> codePoints(const std::string& text) {
    std::vector<std::pair<std::size_t, std::size_t>> points;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        points.emplace_back(start, terminalCells(decodeUtf8At(text, pos)));
    }
    return points;
}

// The longest front of `text` that fits `columns` cells.
std::string head(const std::string& text, std::size_t columns) {
    std::size_t used = 0;
    for (const auto& [offset, size] : codePoints(text)) {
        if (used + size > columns) {
            return text.substr(0, offset);
        }
        used += size;
    }
    return text;
}

// `text` in `columns` cells: whole when it fits, else "…" and its longest tail.
std::string tail(const std::string& text, std::size_t columns) {
    if (terminalColumns(text) <= columns) {
        return text;
    }
    if (columns == 0) {
        return {};
    }
    const auto points = codePoints(text);
    std::size_t used = 1;  // the ellipsis
    auto cut = points.rbegin();
    for (; cut != points.rend() && used + cut->second <= columns; ++cut) {
        used += cut->second;
    }
    // Zero-width marks at the cut belong to the character left out.
    auto first = cut.base();
    while (first != points.end() && first->second == 0) {
        ++first;
    }
    return "…" + text.substr(first != points.end() ? first->first : text.size());
}

}  // namespace

ProgressLine::ProgressLine(int fd, bool enabled) : fd_(fd), enabled_(enabled) {}

std::string ProgressLine::text(const ScanProgress& progress, std::size_t columns) {
    const std::string counts =
        Format::files(progress.files) + ", " + Format::bytes(progress.bytes) + "  ";
    const std::size_t countsWidth = terminalColumns(counts);
    if (countsWidth >= columns) {
        return head(counts, columns);
    }
    return counts + tail(escapeForTerminal(progress.currentPath), columns - countsWidth);
}

void ProgressLine::update(const ScanProgress& progress) {
    if (!enabled_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - drawn_ < kInterval) {
        return;
    }
    winsize size{};
    const std::size_t columns =
        ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : kFallbackColumns;
    // One cell stays free: a line that fills the last column makes some
    // terminals wrap, and the carriage return would then rewrite only the
    // wrapped part.
    write(kWipe + text(progress, columns - 1));
    shown_ = true;
    drawn_ = now;
}

void ProgressLine::clear() {
    if (shown_) {
        write(kWipe);
        shown_ = false;
    }
}

void ProgressLine::write(const std::string& bytes) const {
    // A terminal that is gone or refuses output costs only the progress line.
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace raumfuchs
