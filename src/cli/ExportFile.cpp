#include "cli/ExportFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include "core/system/ErrnoText.h"
#include "core/text/PathText.h"
#include "core/text/Utf8.h"

namespace raumfuchs {

namespace {

std::string absolute(const std::string& path) {
    if (path.starts_with('/')) {
        return path;
    }
    char cwd[4096];
    return getcwd(cwd, sizeof cwd) != nullptr ? PathText::join(cwd, path) : path;
}

}  // namespace

ExportFile::ExportFile(const std::string& file, const std::string& scanPath, const char* version)
    : file_(file) {
    struct stat st;
    if (file == "-") {
        fd_ = STDOUT_FILENO;
    } else if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        fd_ = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);  // a device or pipe, as it is
    } else {
        temporary_ = file + ".XXXXXX";
        fd_ = ::mkstemp(temporary_.data());
        if (fd_ < 0) {
            temporary_.clear();
        }
    }
    if (fd_ < 0) {
        fail(errno);
        return;
    }
    const bool compress = file.size() > 4 && file.ends_with(".zst");
    ExportHeader header;
    header.version = version;
    header.timestamp = static_cast<std::int64_t>(std::time(nullptr));
    writer_ = std::make_unique<NcduWriter>(fd_, compress, absolute(scanPath), header);
}

ExportFile::~ExportFile() {
    if (fd_ > STDOUT_FILENO) {
        ::close(fd_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

void ExportFile::fail(int code) {
    error_ = "Die Exportdatei „" + decodeUtf8Lossy(file_) +
             "“ konnte nicht geschrieben werden: " + errnoText(code) + ".";
}

bool ExportFile::commit() {
    if (const int code = writer_->finish(); code != 0) {
        fail(code);
        return false;
    }
    if (fd_ == STDOUT_FILENO) {
        return true;
    }
    // mkstemp makes the file private; an export is as readable as any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const int fd = std::exchange(fd_, -1);
    if (!temporary_.empty() && ::fchmod(fd, 0666 & ~mask) != 0) {
        const int code = errno;
        ::close(fd);
        fail(code);
        return false;
    }
    if (::close(fd) != 0) {
        fail(errno);
        return false;
    }
    if (!temporary_.empty()) {
        if (::rename(temporary_.c_str(), file_.c_str()) != 0) {
            fail(errno);
            return false;
        }
        temporary_.clear();
    }
    return true;
}

}  // namespace raumfuchs
