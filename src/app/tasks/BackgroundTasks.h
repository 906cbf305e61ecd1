#pragma once

#include <QSocketNotifier>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace raumfuchs {

// The one way work leaves the main thread. Each task runs on a thread of its
// own and hands what it found back through `post`: a posted function runs
// later on the main thread, in the order posted.
//
// Ownership: the object that receives the results holds its BackgroundTasks as
// its last member, so it is destroyed first. The destructor waits for every
// thread still running and drops what was posted but not yet delivered, so a
// posted function never meets a destroyed receiver. A task therefore must not
// block for long: the receiver cancels it (a CancelToken, a generation) before
// the wait.
//
// Made on the main thread once the application object exists: its event loop
// watches the wake-up.
//
// Posted functions travel through a queue guarded by a std::mutex; the threads
// wake the main thread's event loop through an eventfd and touch no Qt object.
// The mutex orders a thread's writes before the main thread's reads visibly to
// ThreadSanitizer, which cannot see the locks inside the Qt libraries (an event
// a thread posted to Qt's queue would look like a race to it).
class BackgroundTasks {
  public:
    using Post = std::function<void(std::function<void()>)>;

    BackgroundTasks();
    ~BackgroundTasks();
    BackgroundTasks(const BackgroundTasks&) = delete;
    BackgroundTasks& operator=(const BackgroundTasks&) = delete;

    void run(std::function<void(const Post& post)> task);

    // Tasks that have not yet returned and let go of what they hold.
    std::size_t running() const;

  private:
    void deliver();
    void joinFinished();

    struct Worker {
        std::thread thread;
        bool done = false;  // guarded by mutex_
    };
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> posted_;  // guarded by mutex_
    std::list<Worker> workers_;                 // the list itself: main thread only
    int wakeFd_;                                // an eventfd, written when posted_ fills
    QSocketNotifier wake_;                      // main thread only
};

}  // namespace raumfuchs
