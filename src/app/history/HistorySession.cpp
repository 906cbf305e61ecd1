#include "app/history/HistorySession.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>

namespace raumfuchs {

namespace {

// The writing thread yields to every other: at nice 19 it still gets its
// turn within milliseconds, so a change of the tree waiting for its read lock
// is not held up by it (SCHED_IDLE could keep it off a busy core for as long
// as another scan runs).
void lowestPriority() {
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
}

}  // namespace

HistorySession::HistorySession(std::string folder, FailureHandler onFailure)
    : history_(std::move(folder)), onFailure_(std::move(onFailure)) {}

void HistorySession::setEnabled(bool enabled) {
    enabled_ = enabled;
    reported_ = 0;  // switched on again: a failure is worth saying again
}

void HistorySession::record(const FileNode& root, const std::string& key, std::int64_t time,
                            std::optional<std::int64_t> volumeUsed) {
    if (!enabled_ || !isAvailable() || !root) {
        return;
    }
    ExportHeader header;
    header.version = QCoreApplication::applicationVersion().toStdString();
    header.timestamp = time;
    std::shared_ptr<const FileTree> tree = root.treePtr();
    tasks_.run(
        [this, tree, key, header, volumeUsed, token = token_](const BackgroundTasks::Post& post) {
            lowestPriority();
            HistoryEntry entry;
            const int error = history_.add(key, *tree, header, volumeUsed, *token, &entry);
            post([this, weak = std::weak_ptr<const FileTree>(tree), error, entry] {
                finish(weak, error, entry);
            });
        });
}

void HistorySession::finish(const std::weak_ptr<const FileTree>& tree, int error,
                            const HistoryEntry& entry) {
    if (error == 0) {
        reported_ = 0;
        writtenTree_ = tree;
        writtenFile_ = entry.file;
        return;
    }
    if (error != ECANCELED && error != reported_) {
        reported_ = error;
        onFailure_(error, history_.folder());
    }
}

std::vector<HistoryEntry> HistorySession::entries(const std::string& key,
                                                  const FileNode& shown) const {
    std::vector<HistoryEntry> kept = history_.entries(key);
    const std::shared_ptr<const FileTree> written = writtenTree_.lock();
    if (shown && written && written.get() == &shown.tree()) {
        std::erase_if(kept, [this](const HistoryEntry& e) { return e.file == writtenFile_; });
    }
    return kept;
}

std::optional<HistoryEntry> HistorySession::latestOfVolume(const std::string& key) const {
    for (HistoryEntry& entry : history_.entries(key)) {
        if (entry.volumeUsed) {
            return std::move(entry);
        }
    }
    return std::nullopt;
}

}  // namespace raumfuchs
