#include "app/AppModel.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <cerrno>
#include <ctime>

#include "app/NodeLookup.h"
#include "core/system/ErrnoText.h"
#include "core/text/Utf8.h"

namespace raumfuchs {

namespace {

bool sameProgress(const ScanProgress& a, const ScanProgress& b) {
    return a.files == b.files && a.bytes == b.bytes && a.currentPath == b.currentPath;
}

// A path of the file system's bytes as a message shows it.
QString displayPath(const std::string& path) {
    return QString::fromStdString(decodeUtf8Lossy(path));
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
    : QObject(parent),
      services_(services),
      kinds_(colorModes_),
      trash_(services),
      refreshes_([this](const FileNode& folder,
                        FolderRescan rescan) { finishRefresh(folder, std::move(rescan)); },
                 [this] {
                     emit refreshingChanged();
                     live_.resume();
                 },
                 ScanSetup{.classifier = kinds_.kinds().get()}),
      live_({.apply = [this](ChangeBatch batch) { applyLiveBatch(std::move(batch)); },
             .overflow = [this] { refreshFolder(current_); },
             .lost =
                 [this] {
                     setAlertMessage(
                         QStringLiteral("„%1“ ist entfernt oder nicht mehr eingehängt. Die "
                                        "Übersicht zeigt den Stand vor der Änderung und folgt "
                                        "ihr nicht mehr.")
                             .arg(QString::fromStdString(root_.displayName())));
                 },
             .changed = [this] { emit liveStatusChanged(); },
             .busy = [this] { return !refreshes_.folders().empty(); }}),
      history_(services.historyFolder(),
               [this](int error, const std::string& folder) { historyFailed(error, folder); }),
      comparison_(colorModes_, [this](const QString& message) { setAlertMessage(message); }),
      saves_([this](const std::string& file, int error) { finishSave(file, error); }),
      scans_([this](const ScanProgress& progress) { setProgress(progress); },
             [this](std::optional<ScanResult> result, const ScanTarget& target) {
                 finishScan(std::move(result), target);
             },
             [this](std::variant<ImportedScan, std::string> outcome, const ScanTarget& target) {
                 finishImport(std::move(outcome), target);
             },
             [this](CommandImport outcome, const ScanTarget& target) {
                 finishStream(std::move(outcome), target);
             },
             kinds_.kinds().get()) {
    volumes_ = services_.mountedVolumes();
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
        kinds_.follow(current_);
        emit currentChanged(animated);
    }
}

void AppModel::setUnattributed(std::optional<UnattributedSpace> unattributed) {
    if (unattributed_ != unattributed) {
        unattributed_ = std::move(unattributed);
        emit unattributedChanged();
    }
}

void AppModel::setExportOrigin(std::optional<ExportOrigin> origin) {
    if (exportOrigin_ != origin) {
        exportOrigin_ = std::move(origin);
        emit exportOriginChanged();
    }
}

void AppModel::raiseTreeRevision() {
    ++treeRevision_;
    kinds_.follow(current_);
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
    refreshes_.cancelAll();
    setTarget(target);
    setProgress(ScanProgress{});
    setPhase(Phase::Scanning);
    if (target.isExport) {
        scans_.import(target);
    } else if (target.isStreamed()) {
        scans_.stream(target, launchers_);
    } else {
        scans_.start(target);
    }
}

void AppModel::openExport(const std::string& file) {
    startScan(ScanTarget{file, services_.displayName(file), std::nullopt, true});
}

void AppModel::finishScan(std::optional<ScanResult> result, const ScanTarget& target) {
    // A target that could not be reached at all (it does not exist, say) is a
    // failure; a folder that cannot be listed is a result with one unreadable
    // folder, whose link on the result screen leads to the missing access.
    if (result && result->rootUnreachable()) {
        result.reset();
    }
    if (result) {
        adopt(*result, std::nullopt);
        return;
    }
    setAlertMessage(QStringLiteral("„%1“ konnte nicht gelesen werden.").arg(target.displayName));
    setPhase(root_ ? Phase::Result : Phase::Start);
}

void AppModel::finishImport(std::variant<ImportedScan, std::string> outcome,
                            const ScanTarget& target) {
    if (auto* imported = std::get_if<ImportedScan>(&outcome)) {
        adopt(imported->result, ExportOrigin{target.path, std::move(imported->producer),
                                             imported->timestamp, imported->folderSizesEstimated});
        return;
    }
    // The reader's message names the file and where in it the reading failed.
    const std::string& message = std::get<std::string>(outcome);
    setAlertMessage(
        message.empty()
            ? QStringLiteral("„%1“ konnte nicht gelesen werden.").arg(target.displayName)
            : QString::fromStdString(message));
    setPhase(root_ ? Phase::Result : Phase::Start);
}

void AppModel::finishStream(CommandImport outcome, const ScanTarget& target) {
    if (!outcome.succeeded()) {
        setAlertMessage(streamFailure(outcome, target.remote, target.path));
        setPhase(root_ ? Phase::Result : Phase::Start);
        return;
    }
    ImportedScan& scan = *outcome.reading.scan;
    scan.result.duration = outcome.seconds;
    if (target.remote) {
        adopt(scan.result,
              ExportOrigin{target.remote->origin(target.path), std::move(scan.producer),
                           scan.timestamp, scan.folderSizesEstimated, true});
        return;
    }
    adopt(scan.result, std::nullopt, true);
    if (!scannedAsAdministrator_) {
        scannedAsAdministrator_ = true;
        emit scannedAsAdministratorChanged();
    }
}

void AppModel::adopt(ScanResult& result, std::optional<ExportOrigin> origin, bool elevated) {
    FileNode oldRoot = root_;
    elevatedTree_ = elevated;
    // Before the tree: whoever sees the new root already knows where it came from.
    setExportOrigin(std::move(origin));
    setRoot(result.root);
    setCurrent(result.root, false);
    if (unreadableCount_ != result.unreadableCount) {
        unreadableCount_ = result.unreadableCount;
        emit unreadableCountChanged();
    }
    if (scanDuration_ != result.duration) {
        scanDuration_ = result.duration;
        emit scanDurationChanged();
    }
    setUnattributed(std::move(result.unattributed));
    raiseTreeRevision();
    setPhase(Phase::Result);
    // Scans, here or on another machine, are kept; trees read from a file are not.
    if (target_ && !target_->isExport && (!exportOrigin_ || exportOrigin_->remote)) {
        history_.record(root_, historyKey(), static_cast<std::int64_t>(std::time(nullptr)),
                        target_->volumeUsed);
    }
    comparison_.follow(root_);
    if (isImported() || !target_) {
        live_.stop();  // an export's paths name another machine's files
    } else {
        live_.follow(root_, current_, target_->path, result.enteredMounts);
    }
    scans_.release(std::move(oldRoot));
}

void AppModel::rescan() {
    if (canRescan()) {
        const ScanTarget target = *target_;
        startScan(target);
    }
}

void AppModel::cancelScan() {
    scans_.cancel();
    setPhase(root_ ? Phase::Result : Phase::Start);
}

void AppModel::backToStart() {
    scans_.cancel();
    refreshes_.cancelAll();
    comparison_.end();
    live_.stop();
    FileNode oldRoot = root_;
    setRoot({});
    setCurrent({}, false);
    setUnattributed(std::nullopt);
    setExportOrigin(std::nullopt);
    elevatedTree_ = false;
    setPhase(Phase::Start);
    reloadVolumes();
    scans_.release(std::move(oldRoot));
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

// --- refreshing one folder ---

void AppModel::refreshFolder(const FileNode& folder) {
    if (!canRefresh() || !folder || !folder.isDirectory() || !target_ || !root_ ||
        folder.treePtr() != root_.treePtr() || !folder.tree().isAttached(folder.index())) {
        return;
    }
    refreshes_.start(folder, target_->path);
}

void AppModel::finishRefresh(const FileNode& folder, FolderRescan rescan) {
    FileTree& tree = folder.tree();
    const QString name = QString::fromStdString(folder.displayName());
    if (!rescan.fresh && !folder.parent()) {
        // The scanned folder itself is gone: nothing of the tree is left to
        // show, and the start screen offers what there is.
        backToStart();
        setAlertMessage(QStringLiteral("„%1“ gibt es nicht mehr.").arg(name));
        return;
    }
    // The shown folder below the refreshed one is found again by its names.
    const bool currentWithin = current_ && tree.isWithin(current_.index(), folder.index());
    const std::vector<std::string> trail = namesBelow(folder, current_);
    const FileNode parent = folder.parent();
    const bool becameUnreadable =
        rescan.fresh && rescan.fresh->isUnreadable(0) && !folder.isUnreadable();

    tree.splice(folder.index(), rescan.fresh.get(), rescan.resizes);
    if (rescan.fresh) {
        comparison_.rematch(folder);
    }

    const std::int64_t unreadable =
        unreadableCount_ + rescan.unreadableCount - rescan.unreadableBefore;
    if (unreadable != unreadableCount_) {
        unreadableCount_ = unreadable;
        emit unreadableCountChanged();
    }
    if (!rescan.fresh && currentWithin) {
        setCurrent(parent, false);
    } else if (currentWithin) {
        setCurrent(followNames(folder, trail), false);
    }
    forgetDetachedPendingTrash();
    raiseTreeRevision();
    if (!rescan.fresh) {
        setAlertMessage(
            QStringLiteral("„%1“ gibt es nicht mehr und wurde aus der Übersicht entfernt.")
                .arg(name));
    } else if (becameUnreadable) {
        setAlertMessage(
            QStringLiteral("„%1“ lässt sich nicht mehr lesen und zählt nur noch mit der Größe "
                           "des Ordners selbst.")
                .arg(name));
    }
}

void AppModel::forgetDetachedPendingTrash() {
    // Nodes that went with the old content can no longer be moved to the trash.
    std::vector<FileNode> pending;
    for (const FileNode& node : pendingTrash_) {
        if (root_.tree().isAttached(node.index())) {
            pending.push_back(node);
        }
    }
    setPendingTrash(std::move(pending));
    if (pendingTrash_.empty()) {
        setConfirmingTrash(false);
    }
}

void AppModel::applyLiveBatch(ChangeBatch batch) {
    FileTree& tree = root_.tree();
    const std::vector<std::string> trail = namesBelow(root_, current_);
    tree.splice(batch.splices, batch.resizes, batch.links);
    for (const FileTree::Splice& splice : batch.splices) {
        if (splice.fresh && tree.isAttached(splice.node)) {
            comparison_.rematch(tree.node(splice.node));
        }
    }
    if (batch.unreadableDelta != 0) {
        unreadableCount_ += batch.unreadableDelta;
        emit unreadableCountChanged();
    }
    // The shown folder stays as it is; one that went moves up to its
    // nearest folder still there.
    if (!tree.isAttached(current_.index())) {
        setCurrent(followNames(root_, trail), false);
    }
    forgetDetachedPendingTrash();
    raiseTreeRevision();
}

void AppModel::chooseExport() {
    if (const std::optional<std::string> file = services_.chooseExport()) {
        openExport(*file);
    }
}

// --- history and comparison ---

std::string AppModel::historyKey() const {
    if (exportOrigin_ && exportOrigin_->remote) {
        return exportOrigin_->file;  // "host:/path": another machine's scans of that path
    }
    if (target_ && !target_->isExport && !isImported()) {
        return target_->path;
    }
    return root_ ? root_.path() : std::string();
}

void AppModel::compareWith(const std::string& file) {
    if (root_ && phase_ == Phase::Result) {
        comparison_.start(file, root_);
    }
}

void AppModel::chooseBaseline() {
    if (!root_) {
        return;
    }
    if (const std::optional<std::string> file = services_.chooseExport()) {
        compareWith(*file);
    }
}

void AppModel::historyFailed(int error, const std::string& folder) {
    setAlertMessage(
        QStringLiteral("Der Scan konnte nicht im Verlauf gespeichert werden (%1): %2. Er bleibt "
                       "hier sichtbar, die früheren Scans im Verlauf sind unverändert. Solange "
                       "das so bleibt, meldet Raumfuchs es nicht noch einmal; „Scans im Verlauf "
                       "behalten“ im Menü „Datei“ schaltet den Verlauf ab.")
            .arg(displayPath(folder), QString::fromStdString(errnoText(error))));
}

// --- saving ---

void AppModel::chooseSaveFile() {
    if (!canSave()) {
        return;
    }
    if (const std::optional<std::string> file =
            services_.chooseSaveFile(QString::fromStdString(root_.displayName()))) {
        saveScan(*file);
    }
}

void AppModel::saveScan(const std::string& file) {
    if (!canSave()) {
        return;
    }
    ExportHeader header;
    header.version = QCoreApplication::applicationVersion().toStdString();
    // A scan is saved with the time it was made, which its entries' ages
    // count from; an imported tree keeps where it came from.
    header.timestamp = root_.tree().ageReference() > 0
                           ? root_.tree().ageReference()
                           : static_cast<std::int64_t>(std::time(nullptr));
    if (exportOrigin_) {
        header.timestamp = exportOrigin_->timestamp;
        header.scannedBy = exportOrigin_->producer;
        header.folderSizesEstimated = exportOrigin_->folderSizesEstimated;
    }
    saves_.start(root_, file, header);
}

void AppModel::finishSave(const std::string& file, int error) {
    if (error == EAGAIN) {  // written to a pipe or device, which cannot start over
        setAlertMessage(QStringLiteral("Der Scan konnte nicht als „%1“ gespeichert werden: Er hat "
                                       "sich beim Schreiben geändert.")
                            .arg(displayPath(file)));
    } else if (error != 0 && error != ECANCELED) {
        setAlertMessage(QStringLiteral("Der Scan konnte nicht als „%1“ gespeichert werden: %2.")
                            .arg(displayPath(file), QString::fromStdString(errnoText(error))));
    }
}

// --- trash ---

void AppModel::requestTrash(const std::vector<FileNode>& nodes) {
    if (isImported()) {
        return;  // a local file of the same path is not the one shown
    }
    std::vector<FileNode> accepted = trash_.accepted(nodes);
    if (accepted.empty()) {
        setAlertMessage(TrashWorkflow::refusal());
        return;
    }
    setPendingTrash(std::move(accepted));
    setConfirmingTrash(true);
}

void AppModel::confirmTrash() {
    const std::vector<FileNode> nodes = pendingTrash_;
    setPendingTrash({});
    TrashWorkflow::Outcome outcome = trash_.trash(nodes, current_);
    setCurrent(std::move(outcome.current), false);
    raiseTreeRevision();
    reloadVolumes();
    if (outcome.alert) {
        setAlertMessage(std::move(outcome.alert));
    }
}

// --- desktop actions ---

void AppModel::revealInFileManager(const std::vector<FileNode>& nodes) {
    if (isImported() || nodes.empty()) {
        return;
    }
    const QString what =
        nodes.size() == 1 ? QStringLiteral("„%1“ lässt sich").arg(displayPath(nodes.front().path()))
                          : QStringLiteral("%1 Objekte lassen sich").arg(nodes.size());
    // The answer comes later, maybe after this model is gone.
    services_.reveal(desktopItems(nodes), [model = QPointer<AppModel>(this), what] {
        if (model) {
            model->setAlertMessage(
                QStringLiteral("Kein Dateimanager hat geantwortet: %1 nicht zeigen.").arg(what));
        }
    });
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
    if (node && !isImported() && !services_.open({node.path(), node.isDirectory()})) {
        setAlertMessage(QStringLiteral("Kein Programm zum Öffnen von „%1“ gefunden.")
                            .arg(displayPath(node.path())));
    }
}

void AppModel::openLicences(const std::string& file) {
    const QString shown = displayPath(file);
    if (!QFileInfo(QFile::decodeName(QByteArray::fromStdString(file))).isFile()) {
        setAlertMessage(
            QStringLiteral("Die Lizenzen fehlen: Es gibt keine Datei „%1“.").arg(shown));
    } else if (!services_.open({file, false})) {
        setAlertMessage(QStringLiteral("Kein Programm zum Anzeigen von Textdateien gefunden. Die "
                                       "Lizenzen liegen in „%1“.")
                            .arg(shown));
    }
}

}  // namespace raumfuchs
