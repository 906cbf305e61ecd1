#include "app/live/LiveSession.h"

#include <stdlib.h>

#include <algorithm>
#include <climits>
#include <mutex>

#include "core/watch/WatchSources.h"

namespace raumfuchs {

namespace {

// A folder's events are gathered this long before it is read again, and
// batches start no closer than this, so a folder is read at most once a
// second (not measured: few reads during a flood, a change on screen within
// seconds).
constexpr double kGatherSeconds = 1.0;
constexpr auto kBatchSpacing = std::chrono::seconds(1);

void merge(FolderChange& into, FolderChange&& from) {
    for (std::string& name : from.renewed) {
        if (std::find(into.renewed.begin(), into.renewed.end(), name) == into.renewed.end()) {
            into.renewed.push_back(std::move(name));
        }
    }
    into.whole = into.whole || from.whole;
}

RootPaths rootPaths(const std::string& treeRoot) {
    char resolved[PATH_MAX];
    return {treeRoot,
            ::realpath(treeRoot.c_str(), resolved) != nullptr ? std::string(resolved) : treeRoot};
}

}  // namespace

// The watcher's loop, between the session and the thread that runs it:
// stop() reaches the loop once it exists, a loop made after stop() never
// runs, and flushes asked for before it exists are passed on when it does.
class LiveSession::Watcher {
  public:
    bool adopt(const std::shared_ptr<WatchLoop>& loop) {
        std::lock_guard lock(mutex_);
        if (stopped_) {
            return false;
        }
        loop_ = loop;
        for (; early_ > 0; --early_) {
            loop_->flush();
        }
        return true;
    }
    void stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        if (loop_) {
            loop_->stop();
        }
    }
    void flush() {
        std::lock_guard lock(mutex_);
        if (loop_) {
            loop_->flush();
        } else {
            ++early_;
        }
    }

  private:
    std::mutex mutex_;
    std::shared_ptr<WatchLoop> loop_;
    bool stopped_ = false;
    int early_ = 0;
};

LiveSession::LiveSession(Handlers handlers) : handlers_(std::move(handlers)) {
    throttle_.setSingleShot(true);
    QObject::connect(&throttle_, &QTimer::timeout, [this] { schedule(); });
}

LiveSession::~LiveSession() {
    halt();  // the threads are joined next; the watcher's returns once stopped
}

void LiveSession::follow(const FileNode& root, const FileNode& shown, const std::string& scanRoot,
                         std::vector<EnteredMount> mounts) {
    root_ = root;
    scanRoot_ = scanRoot;
    mounts_ = std::move(mounts);
    searched_.clear();
    if (enabled_) {
        start(shown);
    } else {
        halt();
        setStatus({});
    }
}

void LiveSession::stop() {
    halt();
    root_ = {};
    setStatus({});
}

void LiveSession::setEnabled(bool enabled, const FileNode& shown) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (!enabled) {
        halt();
        setStatus({});
    } else if (root_) {
        start(shown);
        handlers_.overflow();
    }
}

void LiveSession::halt() {
    ++session_;
    if (watcher_) {
        watcher_->stop();
        watcher_.reset();
    }
    if (token_) {
        token_->cancel();
        token_.reset();
    }
    pending_.clear();
    reading_ = false;
    throttle_.stop();
}

void LiveSession::start(const FileNode& shown) {
    halt();
    token_ = std::make_shared<CancelToken>();
    watcher_ = std::make_shared<Watcher>();
    // The new loop counts its flushes from none: who waits asks it again.
    flushAsked_ = 0;
    flushSeen_ = 0;
    for (auto& waiter : waiters_) {
        waiter.first = ++flushAsked_;
        watcher_->flush();
    }
    setStatus({LiveStatus::State::Starting, {}, false});
    tasks_.run([this, session = session_, watcher = watcher_, tree = root_.treePtr(),
                shownIndex = shown && shown.treePtr() == root_.treePtr() ? shown.index() : 0,
                paths = rootPaths(root_.path()),
                mounts = mounts_](const BackgroundTasks::Post& post) mutable {
        std::unique_ptr<WatchSource> source = openWatchSource(*tree, shownIndex, paths, mounts);
        tree.reset();  // read no more here
        if (!source) {
            post([this, session] {
                if (session == session_) {
                    setStatus({LiveStatus::State::Unavailable, {}, false});
                }
            });
            return;
        }
        auto loop = std::make_shared<WatchLoop>(std::move(source), paths, kGatherSeconds);
        if (!watcher->adopt(loop)) {
            return;
        }
        loop->run([&](WatchNews news) {
            post([this, session, news = std::move(news)]() mutable {
                onNews(session, std::move(news));
            });
        });
    });
}

void LiveSession::onNews(std::uint64_t session, WatchNews news) {
    if (session != session_) {
        return;
    }
    if (news.rootGone) {
        halt();
        setStatus({LiveStatus::State::Lost, news.coverage, false});
        handlers_.lost();
        return;
    }
    keep(std::move(news.changes));
    flushSeen_ = std::max(flushSeen_, news.flushed);
    setStatus({LiveStatus::State::Following, news.coverage, reading_ || !pending_.empty()});
    if (news.overflow) {
        handlers_.overflow();
    }
    schedule();
}

void LiveSession::keep(std::vector<FolderChange> changes) {
    for (FolderChange& change : changes) {
        auto [it, added] = pending_.try_emplace(change.path);
        if (added) {
            it->second = std::move(change);
        } else {
            merge(it->second, std::move(change));
        }
    }
}

void LiveSession::resume() {
    schedule();
}

void LiveSession::schedule() {
    if (status_.state != LiveStatus::State::Following || reading_) {
        callQuietWaiters();
        return;
    }
    if (pending_.empty() || handlers_.busy()) {
        if (pending_.empty()) {
            setStatus({status_.state, status_.coverage, false});
        }
        callQuietWaiters();
        return;
    }
    const bool hurry = std::any_of(waiters_.begin(), waiters_.end(),
                                   [this](const auto& w) { return w.first <= flushSeen_; });
    const auto next = lastStart_ + kBatchSpacing;
    const auto now = std::chrono::steady_clock::now();
    if (!hurry && now < next) {
        throttle_.start(
            static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(next - now).count()));
        return;
    }
    readBatch();
}

void LiveSession::readBatch() {
    std::vector<FolderChange> changes;
    changes.reserve(pending_.size());
    for (auto& [path, change] : pending_) {
        changes.push_back(std::move(change));
    }
    pending_.clear();
    reading_ = true;
    lastStart_ = std::chrono::steady_clock::now();
    setStatus({status_.state, status_.coverage, true});
    const std::uint64_t generation = root_.tree().generation();
    tasks_.run([this, session = session_, tree = root_.treePtr(), scanRoot = scanRoot_, changes,
                generation, token = token_,
                searched = searched_](const BackgroundTasks::Post& post) mutable {
        std::optional<ChangeBatch> batch =
            ChangeBatch::read(*tree, scanRoot, changes, generation, *token, std::move(searched));
        tree.reset();
        post([this, session, changes = std::move(changes), generation,
              batch = std::move(batch)]() mutable {
            onBatch(session, std::move(changes), generation, std::move(batch));
        });
    });
}

void LiveSession::onBatch(std::uint64_t session, std::vector<FolderChange> changes,
                          std::uint64_t generation, std::optional<ChangeBatch> batch) {
    if (session != session_) {
        return;
    }
    reading_ = false;
    if (!batch || root_.tree().generation() != generation) {
        keep(std::move(changes));  // the tree changed meanwhile: read them again
    } else if (batch->rootGone) {
        halt();
        setStatus({LiveStatus::State::Lost, status_.coverage, false});
        handlers_.lost();
        return;
    } else {
        searched_ = std::move(batch->searched);
        handlers_.apply(std::move(*batch));
    }
    schedule();
}

void LiveSession::whenQuiet(std::function<void()> done) {
    if (status_.state != LiveStatus::State::Following &&
        status_.state != LiveStatus::State::Starting) {
        done();
        return;
    }
    waiters_.emplace_back(++flushAsked_, std::move(done));
    watcher_->flush();
}

void LiveSession::callQuietWaiters() {
    const bool following = status_.state == LiveStatus::State::Following ||
                           status_.state == LiveStatus::State::Starting;
    if (following && (reading_ || !pending_.empty())) {
        return;
    }
    std::vector<std::function<void()>> ready;
    std::erase_if(waiters_, [&](auto& waiter) {
        if (following && waiter.first > flushSeen_) {
            return false;
        }
        ready.push_back(std::move(waiter.second));
        return true;
    });
    for (const std::function<void()>& done : ready) {
        done();
    }
}

void LiveSession::setStatus(LiveStatus status) {
    if (!(status == status_)) {
        status_ = status;
        handlers_.changed();
    }
    if (status_.state != LiveStatus::State::Following &&
        status_.state != LiveStatus::State::Starting) {
        callQuietWaiters();
    }
}

}  // namespace raumfuchs
