#include "core/scan/FolderListing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace raumfuchs {

namespace {

// Layout of the records getdents64 fills in (linux_dirent64): inode (8 bytes),
// offset (8), record length (2), type (1), then the NUL-terminated name.
constexpr std::size_t kRecordLengthAt = 16;
constexpr std::size_t kNameAt = 19;
constexpr std::size_t kListingBuffer = 128 * 1024;

}  // namespace

void listFolder(FileSystemOps& ops, int fd, std::vector<char>& buffer, FolderListing& out,
                const StopSignals& stop) {
    out.names.clear();
    out.children.clear();
    out.listError = 0;
    if (buffer.size() < kListingBuffer) {
        buffer.resize(kListingBuffer);
    }
    while (!stop.raised()) {
        const long n = ops.readEntries(fd, buffer.data(), buffer.size());
        if (n < 0) {
            out.listError = errno != 0 ? errno : EIO;
            break;
        }
        if (n == 0) {
            break;
        }
        for (long offset = 0; offset < n;) {
            const char* record = buffer.data() + offset;
            unsigned short recordLength;
            std::memcpy(&recordLength, record + kRecordLengthAt, sizeof recordLength);
            offset += recordLength;
            const char* name = record + kNameAt;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                continue;
            }
            const std::size_t length = std::strlen(name);
            ListedChild child;
            child.nameOffset = static_cast<std::uint32_t>(out.names.size());
            child.nameLength = static_cast<std::uint16_t>(length);
            out.names.append(name, length + 1);
            out.children.push_back(child);
        }
    }
}

void statEntries(FileSystemOps& ops, int fd, FolderListing& listing, std::size_t begin,
                 std::size_t end, const StopSignals& stop) {
    for (std::size_t i = begin; i < end && !stop.raised(); ++i) {
        ListedChild& child = listing.children[i];
        if (ops.statAt(fd, listing.path(child), child.stat) != 0) {
            child.info = EntryInfo::NoStat;
            child.error = errno;
            child.stat = EntryStat{};
        }
    }
}

void readFolder(FileSystemOps& ops, int fd, std::vector<char>& buffer, FolderListing& out,
                const StopSignals& stop) {
    listFolder(ops, fd, buffer, out, stop);
    statEntries(ops, fd, out, 0, out.children.size(), stop);
}

int FileSystemOps::openDirectory(int dirFd, const char* name) {
    return ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
}

long FileSystemOps::readEntries(int fd, char* buffer, std::size_t size) {
    return ::syscall(SYS_getdents64, fd, buffer, size);
}

int FileSystemOps::statAt(int dirFd, const char* name, EntryStat& out) {
    struct statx st;
    if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC,
                STATX_TYPE | STATX_INO | STATX_NLINK | STATX_BLOCKS | STATX_SIZE | STATX_MTIME,
                &st) != 0) {
        return -1;
    }
    out.device = makedev(st.stx_dev_major, st.stx_dev_minor);
    out.inode = st.stx_ino;
    out.links = st.stx_nlink;
    out.blocks = static_cast<std::int64_t>(st.stx_blocks);
    out.size = static_cast<std::int64_t>(st.stx_size);
    out.mode = st.stx_mode & S_IFMT;
    out.mtime = st.stx_mtime.tv_sec;
    return 0;
}

int FileSystemOps::fstatDirectory(int fd, EntryStat& out) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        return -1;
    }
    out.device = st.st_dev;
    out.inode = st.st_ino;
    out.links = st.st_nlink;
    out.blocks = st.st_blocks;
    out.size = st.st_size;
    out.mode = st.st_mode & S_IFMT;
    out.mtime = st.st_mtim.tv_sec;
    return 0;
}

void FileSystemOps::closeDirectory(int fd) {
    ::close(fd);
}

FileSystemOps& FileSystemOps::system() {
    static FileSystemOps ops;
    return ops;
}

}  // namespace raumfuchs
