#include "app/AppModel.h"

#include <QMetaObject>
#include <QPointer>
#include <QStringList>
#include <algorithm>

#include "app/NodeLookup.h"
#include "core/DiskTrashGuard.h"
#include "core/TrashGuard.h"

namespace raumfuchs {

namespace {

const char* const kFullDiskAccessAddress =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles";

bool sameProgress(const ScanProgress& a, const ScanProgress& b) {
    return a.files == b.files && a.bytes == b.bytes && a.currentPath == b.currentPath;
}

std::vector<DesktopItem> desktopItems(const std::vector<FileNode>& nodes) {
    std::vector<DesktopItem> items;
    items.reserve(nodes.size());
    for (const FileNode& node : nodes) {
        items.push_back({node.path(), node.isDirectory()});
    }
    return items;
}

}  // namespace

AppModel::AppModel(DesktopServices& services, QObject* parent)
    : QObject(parent), services_(services) {
    volumes_ = services_.mountedVolumes();
}

AppModel::~AppModel() {
    // Queued hand-offs of the scans name this object; no thread may outlive it.
    // Cancelled scans stop at their next checkpoint.
    if (token_) {
        token_->cancel();
    }
    for (Worker& worker : workers_) {
        worker.thread.join();
    }
}

// --- property setters: each announces a real change ---

void AppModel::setPhase(Phase phase) {
    if (phase_ != phase) {
        phase_ = phase;
        emit phaseChanged();
    }
}

void AppModel::setVolumes(std::vector<VolumeInfo> volumes) {
    if (volumes_ != volumes) {
        volumes_ = std::move(volumes);
        emit volumesChanged();
    }
}

void AppModel::setProgress(const ScanProgress& progress) {
    if (!sameProgress(progress_, progress)) {
        progress_ = progress;
        emit progressChanged();
    }
}

void AppModel::setTarget(std::optional<ScanTarget> target) {
    if (target_ != target) {
        target_ = std::move(target);
        emit targetChanged();
    }
}

void AppModel::setRoot(FileNode root) {
    if (!(root_ == root)) {
        root_ = std::move(root);
        emit rootChanged();
    }
}

void AppModel::setCurrent(FileNode current, bool animated) {
    if (!(current_ == current)) {
        current_ = std::move(current);
        emit currentChanged(animated);
    }
}

void AppModel::raiseTreeRevision() {
    ++treeRevision_;
    emit treeRevisionChanged();
}

void AppModel::setPendingTrash(std::vector<FileNode> nodes) {
    if (pendingTrash_ != nodes) {
        pendingTrash_ = std::move(nodes);
        emit pendingTrashChanged();
    }
}

void AppModel::setConfirmingTrash(bool confirming) {
    if (isConfirmingTrash_ != confirming) {
        isConfirmingTrash_ = confirming;
        emit confirmingTrashChanged();
    }
}

void AppModel::setAlertMessage(std::optional<QString> message) {
    if (alertMessage_ != message) {
        alertMessage_ = std::move(message);
        emit alertMessageChanged();
    }
}

// --- scan lifecycle ---

void AppModel::startScan(const ScanTarget& target) {
    joinFinishedWorkers();
    if (token_) {
        token_->cancel();
    }
    auto token = std::make_shared<CancelToken>();
    token_ = token;
    setTarget(target);
    setProgress(ScanProgress{});
    setPhase(Phase::Scanning);
    runScan(target, token);
}

void AppModel::runScan(const ScanTarget& target, const std::shared_ptr<CancelToken>& token) {
    // The thread reaches the model only through queued calls; `self` turns them
    // into no-ops should they be delivered after all.
    const QPointer<AppModel> self(this);
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([this, self, token, target, done] {
        const std::string name = target.displayName.toUtf8().toStdString();
        std::optional<ScanResult> result = DiskScanner::scan(
            target.path, name, *token, [this, self, token](const ScanProgress& p) {
                QMetaObject::invokeMethod(
                    this,
                    [self, token, p] {
                        if (self) {
                            self->applyProgress(token, p);
                        }
                    },
                    Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(
            this,
            [self, token, target, result = std::move(result)]() mutable {
                if (self) {
                    self->finishScan(std::move(result), token, target);
                }
            },
            Qt::QueuedConnection);
        done->store(true, std::memory_order_release);
    });
    workers_.push_back({std::move(thread), std::move(done), true});
}

void AppModel::joinFinishedWorkers() {
    std::erase_if(workers_, [](Worker& worker) {
        if (!worker.done->load(std::memory_order_acquire)) {
            return false;
        }
        worker.thread.join();  // it has nothing left to do but return
        return true;
    });
}

std::size_t AppModel::scansInFlight() const {
    return static_cast<std::size_t>(
        std::count_if(workers_.begin(), workers_.end(), [](const Worker& worker) {
            return worker.isScan && !worker.done->load(std::memory_order_acquire);
        }));
}

void AppModel::letGo(FileNode node) {
    std::shared_ptr<FileTree> tree = node.treePtr();
    node = {};
    if (!tree || tree.use_count() != 1) {
        return;  // someone else still holds it and lets go of it later
    }
    joinFinishedWorkers();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([tree = std::move(tree), done]() mutable {
        tree.reset();
        done->store(true, std::memory_order_release);
    });
    workers_.push_back({std::move(thread), std::move(done), false});
}

void AppModel::applyProgress(const std::shared_ptr<CancelToken>& token,
                             const ScanProgress& progress) {
    if (token_ && token_ == token) {
        setProgress(progress);
    }
}

void AppModel::finishScan(std::optional<ScanResult> result,
                          const std::shared_ptr<CancelToken>& token, const ScanTarget& target) {
    joinFinishedWorkers();
    if (!token_ || token_ != token) {
        if (result) {
            letGo(std::move(result->root));  // superseded after all its work
        }
        return;
    }
    token_.reset();
    // A target that could not be reached at all (it does not exist, say) is a
    // failure; a folder that cannot be listed is a result with one unreadable
    // folder, whose link on the result screen leads to the missing access.
    if (result && result->rootUnreachable()) {
        result.reset();
    }
    if (result) {
        FileNode oldRoot = root_;
        setRoot(result->root);
        setCurrent(result->root, false);
        if (unreadableCount_ != result->unreadableCount) {
            unreadableCount_ = result->unreadableCount;
            emit unreadableCountChanged();
        }
        if (scanDuration_ != result->duration) {
            scanDuration_ = result->duration;
            emit scanDurationChanged();
        }
        raiseTreeRevision();
        setPhase(Phase::Result);
        letGo(std::move(oldRoot));
        return;
    }
    setAlertMessage(QStringLiteral("„%1“ konnte nicht gelesen werden.").arg(target.displayName));
    setPhase(root_ ? Phase::Result : Phase::Start);
}

void AppModel::rescan() {
    if (target_) {
        const ScanTarget target = *target_;
        startScan(target);
    }
}

void AppModel::cancelScan() {
    if (token_) {
        token_->cancel();
    }
    token_.reset();
    setPhase(root_ ? Phase::Result : Phase::Start);
}

void AppModel::backToStart() {
    if (token_) {
        token_->cancel();
    }
    token_.reset();
    FileNode oldRoot = root_;
    setRoot({});
    setCurrent({}, false);
    setPhase(Phase::Start);
    reloadVolumes();
    letGo(std::move(oldRoot));
}

void AppModel::reloadVolumes() {
    setVolumes(services_.mountedVolumes());
}

// --- navigation and look-up ---

void AppModel::navigate(const FileNode& folder) {
    if (!folder || !folder.isDirectory() || current_ == folder) {
        return;
    }
    // Only folders of the shown tree: `current` is always the root or below it.
    FileNode up = folder;
    while (up && !(up == root_)) {
        up = up.parent();
    }
    if (!up) {
        return;
    }
    setCurrent(folder, true);
}

FileNode AppModel::node(const std::string& path) const {
    return findNode(root_, path);
}

void AppModel::chooseFolder() {
    const std::optional<std::string> path = services_.chooseFolder();
    if (!path) {
        return;
    }
    startScan(ScanTarget{*path, services_.displayName(*path), std::nullopt});
}

// --- trash ---

void AppModel::requestTrash(const std::vector<FileNode>& nodes) {
    const DiskTrashGuard guard(TrashGuard::protectedPrefixes());
    std::vector<FileNode> accepted = TrashGuard::acceptedForTrash(
        nodes, [&guard](const std::string& path) { return guard.isProtected(path); });
    if (accepted.empty()) {
        setAlertMessage(
            QStringLiteral("Systemdateien und das gescannte Hauptverzeichnis legt "
                           "Raumfuchs nicht in den Papierkorb."));
        return;
    }
    setPendingTrash(std::move(accepted));
    setConfirmingTrash(true);
}

void AppModel::confirmTrash() {
    const std::vector<FileNode> nodes = pendingTrash_;
    setPendingTrash({});
    // Held again: a link or a mount may have changed since the request.
    const DiskTrashGuard guard(TrashGuard::protectedPrefixes());
    QStringList failed;
    for (const FileNode& node : nodes) {
        if (!guard.isProtected(node.path()) &&
            services_.moveToTrash({node.path(), node.isDirectory()})) {
            detach(node);
        } else {
            failed << QString::fromStdString(node.displayName());
        }
    }
    raiseTreeRevision();
    reloadVolumes();
    if (!failed.isEmpty()) {
        setAlertMessage(QStringLiteral("Nicht in den Papierkorb gelegt: %1. Vermutlich fehlt die "
                                       "Berechtigung.")
                            .arg(failed.join(QStringLiteral(", "))));
    }
}

void AppModel::detach(const FileNode& node) {
    const FileNode parent = node.parent();
    if (!parent) {
        return;
    }
    bool currentGoes = false;
    for (FileNode up = current_; up && !currentGoes; up = up.parent()) {
        currentGoes = up == node;
    }
    node.tree().detach(node.index());
    if (currentGoes) {
        setCurrent(parent, false);
    }
}

// --- desktop actions ---

void AppModel::revealInFinder(const std::vector<FileNode>& nodes) {
    services_.reveal(desktopItems(nodes));
}

void AppModel::copyPaths(const std::vector<FileNode>& nodes) {
    std::string text;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        text += nodes[i].path();
    }
    services_.setClipboardText(QString::fromUtf8(text));
}

void AppModel::openItem(const FileNode& node) {
    if (node) {
        services_.open({node.path(), node.isDirectory()});
    }
}

void AppModel::openFullDiskAccessSettings() {
    services_.openAddress(QString::fromLatin1(kFullDiskAccessAddress));
}

}  // namespace raumfuchs
