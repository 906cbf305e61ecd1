#include "core/watch/WatchLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <system_error>

#include "core/system/MountTable.h"

namespace raumfuchs {

namespace {

using Clock = std::chrono::steady_clock;

int newEventFd() {
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        // Only when the process is out of descriptors.
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    return fd;
}

}  // namespace

WatchLoop::WatchLoop(std::unique_ptr<WatchSource> source, RootPaths root, double gather)
    : source_(std::move(source)),
      root_(std::move(root)),
      gather_(gather),
      wakeFd_(newEventFd()),
      mountsFd_(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC)) {
    struct stat st;
    if (::stat(root_.tree.c_str(), &st) == 0) {
        rootDevice_ = st.st_dev;
        rootInode_ = st.st_ino;
    }
}

WatchLoop::~WatchLoop() {
    ::close(wakeFd_);
    if (mountsFd_ >= 0) {
        ::close(mountsFd_);
    }
}

void WatchLoop::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void WatchLoop::stop() {
    stopped_ = true;
    wake();
}

void WatchLoop::flush() {
    ++flushRequests_;
    wake();
}

std::set<std::string> WatchLoop::mountsBelow() {
    std::set<std::string> below;
    std::string text;
    char chunk[16 * 1024];
    ssize_t length = 0;
    if (mountsFd_ >= 0 && ::lseek(mountsFd_, 0, SEEK_SET) == 0) {
        while ((length = ::read(mountsFd_, chunk, sizeof chunk)) > 0) {
            text.append(chunk, static_cast<std::size_t>(length));
        }
    }
    for (const MountEntry& mount : parseMountInfo(text)) {
        const std::optional<std::string_view> rest = pathBelow(mount.mountPoint, root_.real);
        if (rest && !rest->empty()) {
            below.insert(mount.mountPoint);
        }
    }
    return below;
}

bool WatchLoop::rootIsGone() const {
    struct stat st;
    return ::stat(root_.tree.c_str(), &st) != 0 || st.st_dev != rootDevice_ ||
           st.st_ino != rootInode_;
}

void WatchLoop::run(const std::function<void(WatchNews)>& deliver) {
    std::set<std::string> mounts = mountsBelow();
    ChangeSet changes;
    // When the gathered changes go out; never while there are none.
    constexpr Clock::time_point kNever = Clock::time_point::max();
    Clock::time_point due = kNever;
    std::uint64_t answered = 0;
    const bool goneAlready = rootIsGone();
    deliver(WatchNews{{}, false, goneAlready, source_->coverage(), 0});
    while (!stopped_ && !goneAlready) {
        int timeout = -1;
        if (due != kNever) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now());
            timeout = static_cast<int>(std::max<std::int64_t>(left.count(), 0));
        }
        pollfd fds[3] = {{source_->fd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}, {mountsFd_, POLLPRI, 0}};
        if (::poll(fds, mountsFd_ >= 0 ? 3 : 2, timeout) < 0 && errno != EINTR) {
            return;
        }
        if (stopped_) {
            return;
        }
        if (fds[1].revents & POLLIN) {
            std::uint64_t wakes = 0;
            [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &wakes, sizeof wakes);
        }
        const std::uint64_t requests = flushRequests_.load();
        const bool flushNow = requests != answered;
        if ((fds[0].revents & POLLIN) || flushNow) {
            source_->read(changes);
        }
        if ((fds[2].revents & (POLLPRI | POLLERR)) || flushNow) {
            std::set<std::string> now = mountsBelow();
            for (const std::set<std::string>* side : {&mounts, &now}) {
                const std::set<std::string>& other = side == &mounts ? now : mounts;
                for (const std::string& point : *side) {
                    if (!other.contains(point)) {
                        if (const std::optional<std::string> path = root_.toTree(point)) {
                            changes.whole(*path);
                        }
                    }
                }
            }
            // Also the scanned folder's own file system may have gone: a lazy
            // unmount removes no folder, and fanotify tells nothing of it.
            changes.rootTouched = true;
            mounts = std::move(now);
        }
        if (!changes.empty() && due == kNever) {
            due = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(gather_));
        }
        const bool gone = changes.rootTouched && rootIsGone();
        changes.rootTouched = false;
        if (gone || changes.overflow || flushNow || Clock::now() >= due) {
            WatchNews news{changes.take(), changes.overflow, gone || rootIsGone(),
                           source_->coverage(), requests};
            changes.overflow = false;
            answered = requests;
            due = kNever;
            const bool last = news.rootGone;
            deliver(std::move(news));
            if (last) {
                return;
            }
        }
    }
}

}  // namespace raumfuchs
