#pragma once

#include <atomic>

namespace raumfuchs {

// Cancellation flag of one scan, shared between whoever started it and the
// scan, which looks at it at its checkpoints. Set once, never reset. A lone
// lock-free atomic, so a signal handler may cancel too.
class CancelToken {
  public:
    void cancel() { cancelled_.store(true); }
    bool isCancelled() const { return cancelled_.load(); }

  private:
    static_assert(std::atomic<bool>::is_always_lock_free, "cancelled from signal handlers");
    std::atomic<bool> cancelled_{false};
};

}  // namespace raumfuchs
