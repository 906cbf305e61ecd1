#include "app/RefreshSession.h"

#include <algorithm>

namespace raumfuchs {

RefreshSession::RefreshSession(ResultHandler onResult, ChangeHandler onChange, ScanSetup setup)
    : onResult_(std::move(onResult)), onChange_(std::move(onChange)), setup_(std::move(setup)) {}

RefreshSession::~RefreshSession() {
    for (Job& job : jobs_) {
        job.token->cancel();  // the threads are joined next; they stop at their next checkpoint
    }
}

void RefreshSession::start(const FileNode& folder, const std::string& scanRoot) {
    launch(folder, scanRoot);
    onChange_();
}

void RefreshSession::launch(const FileNode& folder, const std::string& scanRoot) {
    const auto same = std::find_if(jobs_.begin(), jobs_.end(),
                                   [&](const Job& job) { return job.folder == folder; });
    if (same != jobs_.end()) {
        same->token->cancel();
        jobs_.erase(same);
    }
    auto token = std::make_shared<CancelToken>();
    jobs_.push_back(Job{folder, scanRoot, token});
    const std::string path = folder.path();
    const std::uint64_t generation = folder.tree().generation();
    tasks_.run([this, folder, path, scanRoot, generation, token,
                setup = setup_](const BackgroundTasks::Post& post) {
        std::optional<FolderRescan> rescan = FolderRescan::run(folder.tree(), folder.index(), path,
                                                               scanRoot, generation, *token, setup);
        post([this, token, generation, rescan = std::move(rescan)]() mutable {
            deliver(token, generation, std::move(rescan));
        });
    });
}

void RefreshSession::deliver(const std::shared_ptr<CancelToken>& token, std::uint64_t generation,
                             std::optional<FolderRescan> rescan) {
    const auto job =
        std::find_if(jobs_.begin(), jobs_.end(), [&](const Job& j) { return j.token == token; });
    if (job == jobs_.end()) {
        return;  // cancelled or replaced
    }
    const FileNode folder = job->folder;
    const std::string scanRoot = job->scanRoot;
    const bool changed = folder.tree().generation() != generation;
    if (changed && folder.tree().isAttached(folder.index())) {
        launch(folder, scanRoot);  // replaces this job
        return;
    }
    jobs_.erase(job);
    if (!changed && rescan) {
        onResult_(folder, std::move(*rescan));
    }
    onChange_();
}

void RefreshSession::cancelAll() {
    if (jobs_.empty()) {
        return;
    }
    for (Job& job : jobs_) {
        job.token->cancel();
    }
    jobs_.clear();
    onChange_();
}

bool RefreshSession::isRefreshing(const FileNode& folder) const {
    return std::any_of(jobs_.begin(), jobs_.end(),
                       [&](const Job& job) { return job.folder == folder; });
}

std::vector<FileNode> RefreshSession::folders() const {
    std::vector<FileNode> folders;
    for (const Job& job : jobs_) {
        folders.push_back(job.folder);
    }
    return folders;
}

}  // namespace raumfuchs
