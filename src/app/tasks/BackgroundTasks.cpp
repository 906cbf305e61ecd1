#include "app/tasks/BackgroundTasks.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

namespace raumfuchs {

namespace {

int newWakeFd() {
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        // Only when the process is out of descriptors.
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    return fd;
}

}  // namespace

BackgroundTasks::BackgroundTasks() : wakeFd_(newWakeFd()), wake_(wakeFd_, QSocketNotifier::Read) {
    QObject::connect(&wake_, &QSocketNotifier::activated, [this] { deliver(); });
}

BackgroundTasks::~BackgroundTasks() {
    for (Worker& worker : workers_) {
        worker.thread.join();
    }
    wake_.setEnabled(false);
    ::close(wakeFd_);
}

void BackgroundTasks::run(std::function<void(const Post& post)> task) {
    joinFinished();
    Worker& worker = workers_.emplace_back();
    worker.thread = std::thread([this, &worker, task = std::move(task)]() mutable {
        const Post post = [this](std::function<void()> function) {
            bool wake = false;
            {
                std::lock_guard lock(mutex_);
                wake = posted_.empty();
                posted_.push_back(std::move(function));
            }
            if (wake) {
                const std::uint64_t one = 1;
                [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
            }
        };
        task(post);
        task = nullptr;  // what it holds goes before it counts as done
        std::lock_guard lock(mutex_);
        worker.done = true;
    });
}

void BackgroundTasks::deliver() {
    std::uint64_t wakes = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &wakes, sizeof wakes);
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(posted_);
    }
    for (std::function<void()>& function : batch) {
        function();
    }
}

void BackgroundTasks::joinFinished() {
    std::erase_if(workers_, [this](Worker& worker) {
        {
            std::lock_guard lock(mutex_);
            if (!worker.done) {
                return false;
            }
        }
        worker.thread.join();  // it has nothing left to do but return
        return true;
    });
}

std::size_t BackgroundTasks::running() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(workers_.begin(), workers_.end(), [](const Worker& w) { return !w.done; }));
}

}  // namespace raumfuchs
