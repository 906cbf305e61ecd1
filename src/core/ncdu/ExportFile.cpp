#include "core/ncdu/ExportFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace raumfuchs {

namespace {

// A new file beside `file` under a name nobody has, made as any new file is:
// the umask applies (mkstemp would make it private, and changing the umask
// to learn it would race with other threads making files).
int createTemporary(const std::string& file, std::string& name) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6] = {};
        if (::getrandom(random, sizeof random, 0) != sizeof random) {
            return -1;
        }
        name = file + ".";
        for (const unsigned char r : random) {
            name += kLetters[r % (sizeof kLetters - 1)];
        }
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

ExportFile::ExportFile(const std::string& file, std::string rootPath, const ExportHeader& header)
    : file_(file) {
    struct stat st;
    if (file == "-") {
        fd_ = STDOUT_FILENO;
    } else if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        fd_ = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);  // a device or pipe, as it is
    } else {
        fd_ = createTemporary(file, temporary_);
        if (fd_ < 0) {
            temporary_.clear();
        }
    }
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    const bool compress = file.size() > 4 && file.ends_with(".zst");
    writer_ = std::make_unique<NcduWriter>(fd_, compress, std::move(rootPath), header);
}

ExportFile::~ExportFile() {
    if (fd_ > STDOUT_FILENO) {
        ::close(fd_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

int ExportFile::commit() {
    if (const int code = writer_->finish(); code != 0) {
        return code;
    }
    if (fd_ == STDOUT_FILENO) {
        return 0;
    }
    if (::close(std::exchange(fd_, -1)) != 0) {
        return errno;
    }
    if (!temporary_.empty()) {
        if (::rename(temporary_.c_str(), file_.c_str()) != 0) {
            return errno;
        }
        temporary_.clear();
    }
    return 0;
}

}  // namespace raumfuchs
