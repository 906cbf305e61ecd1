#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/RefreshSession.h"
#include "app/SaveSession.h"
#include "app/ScanSession.h"
#include "app/TrashWorkflow.h"
#include "app/color/ColorModes.h"
#include "app/compare/ComparisonSession.h"
#include "app/history/HistorySession.h"
#include "app/kinds/KindsSession.h"
#include "app/live/LiveSession.h"
#include "core/scan/DiskScanner.h"
#include "core/system/VolumeInfo.h"
#include "core/tree/FileTree.h"
#include "platform/DesktopServices.h"

namespace raumfuchs {

enum class Phase { Start, Scanning, Result };

// Where a tree read from an ncdu export came from. Its paths name another
// machine's files, so nothing on this disk is touched through them.
struct ExportOrigin {
    // Path of the export, file-system bytes; for a scan streamed from another
    // machine, where it ran: "[user@]host:path" (RemoteAddress::origin).
    std::string file;
    std::string producer;        // "ncdu 1.18"; empty when the file names none
    std::int64_t timestamp = 0;  // unix seconds of the export; 0 when unknown
    // Some folders' own sizes were not in the file and are estimates.
    bool folderSizesEstimated = false;
    bool remote = false;  // scanned over ssh just now, not read from a file
    friend bool operator==(const ExportOrigin&, const ExportOrigin&) = default;
};

// How a change of the shown folder is to be animated: a damped spring.
struct Spring {
    double response = 0.35;  // seconds
    double dampingFraction = 0.85;
};

// The one model of the application. Lives on the main thread; every property
// change is announced by its signal so that views can refresh. Scans run in a
// ScanSession, the trash goes through a TrashWorkflow; the model turns what
// they report into its properties.
class AppModel : public QObject {
    Q_OBJECT
  public:
    explicit AppModel(DesktopServices& services, QObject* parent = nullptr);

    Phase phase() const { return phase_; }
    const std::vector<VolumeInfo>& volumes() const { return volumes_; }
    const ScanProgress& progress() const { return progress_; }
    const std::optional<ScanTarget>& target() const { return target_; }
    const FileNode& root() const { return root_; }
    const FileNode& current() const { return current_; }
    std::int64_t unreadableCount() const { return unreadableCount_; }
    double scanDuration() const { return scanDuration_; }
    // What the space the volume reports as used but no scanned file holds is
    // made of; set after a whole-volume scan.
    const std::optional<UnattributedSpace>& unattributed() const { return unattributed_; }
    std::int64_t treeRevision() const { return treeRevision_; }
    const std::vector<FileNode>& pendingTrash() const { return pendingTrash_; }
    bool isConfirmingTrash() const { return isConfirmingTrash_; }
    const std::optional<QString>& alertMessage() const { return alertMessage_; }
    // Set while the shown tree was read from an export rather than scanned.
    const std::optional<ExportOrigin>& exportOrigin() const { return exportOrigin_; }
    bool isImported() const { return exportOrigin_.has_value(); }
    // A scan ran as administrator in this run of the program.
    bool scannedAsAdministrator() const { return scannedAsAdministrator_; }
    // What streamed scans run (see StreamCommands); tests put in their own.
    StreamLaunchers& streamLaunchers() { return launchers_; }
    // How the chart colours its arcs; features offer their modes here.
    ColorModes& colorModes() { return colorModes_; }
    // The kinds and ages of the shown folder's files, and the selected kind.
    KindsSession& kinds() { return kinds_; }
    // The scans kept of each scanned path, and the shown tree set against one.
    HistorySession& history() { return history_; }
    const HistorySession& history() const { return history_; }
    ComparisonSession& comparison() { return comparison_; }
    const ComparisonSession& comparison() const { return comparison_; }
    // Whose earlier scans the shown tree compares with: the scanned path, for a
    // scan of another machine "host:/path", for an imported tree the path its
    // root names.
    std::string historyKey() const;
    DesktopServices& services() const { return services_; }
    // Scan threads that have not yet handed over their last queued call,
    // wanted or not (a cancelled scan runs on to its next checkpoint).
    std::size_t scansInFlight() const {
        return scans_.scansInFlight() + refreshes_.inFlight() + saves_.inFlight() +
               history_.inFlight() + comparison_.inFlight();
    }
    // Whether and how changes on disk go into the shown scan.
    const LiveStatus& liveStatus() const { return live_.status(); }
    bool isFollowingEnabled() const { return live_.isEnabled(); }
    void setFollowingEnabled(bool enabled) { live_.setEnabled(enabled, current_); }
    // Runs `done` once the changes the watcher was told of so far are in.
    void whenLiveQuiet(std::function<void()> done) { live_.whenQuiet(std::move(done)); }

    // Written by the dialogs of the root view.
    void setPendingTrash(std::vector<FileNode> nodes);
    void setConfirmingTrash(bool confirming);
    void setAlertMessage(std::optional<QString> message);

    // Scans the target's folder, or reads its export when `isExport` is set.
    void startScan(const ScanTarget& target);
    // Reads the ncdu export `file` as a scan target (file-system bytes).
    void openExport(const std::string& file);
    // A new scan of the target; nothing unless canRescan().
    void rescan();
    // There is a target, and it and the shown tree are on this machine's disk,
    // or both are a scan of another machine.
    bool canRescan() const {
        return target_ && !target_->isExport && (!isImported() || target_->remote);
    }
    // Folders of the shown tree can be read again here: it is on this
    // machine's disk and was read with this program's rights.
    bool canRefresh() const { return root_ && !isImported() && !elevatedTree_; }
    // The shown tree was read with the administrator's rights: by this
    // program running as root, or by raumfuchs-scan through pkexec.
    bool readAsAdministrator() const { return elevatedTree_ || services_.runsAsAdministrator(); }
    void cancelScan();
    void backToStart();
    // Makes `folder` the shown folder, animated with Spring; ignores files, the
    // folder already shown and folders that are not in the shown tree.
    void navigate(const FileNode& folder);
    // The node of the current tree at `path` (file-system bytes), or none.
    FileNode node(const std::string& path) const;
    void chooseFolder();
    void chooseExport();

    // A tree is shown, and can be saved.
    bool canSave() const { return root_ && phase_ == Phase::Result; }
    // Asks where to save the shown tree, then saves it there.
    void chooseSaveFile();
    // Writes the whole shown tree to `file` (file-system bytes) as an ncdu
    // export in the background, packed when the name ends in ".zst"; an
    // imported tree keeps its origin's time and producer. The file appears
    // once complete; a failure is told in an alert and leaves an earlier
    // file of that name as it was. Nothing unless canSave().
    void saveScan(const std::string& file);
    void reloadVolumes();

    // Sets the shown tree against the ncdu export `file` (file-system bytes):
    // an earlier scan of the history or any other; read in the background.
    void compareWith(const std::string& file);
    // Asks for an export to compare with, then compares.
    void chooseBaseline();

    // Scans the folder `folder` of the shown tree again in the background and
    // puts the result in place of its old content; the tree stays on screen
    // meanwhile. A full scan or backToStart() cancels it.
    void refreshFolder(const FileNode& folder);
    bool isRefreshing(const FileNode& folder) const { return refreshes_.isRefreshing(folder); }
    std::vector<FileNode> refreshingFolders() const { return refreshes_.folders(); }

    // Checks the nodes against the trash guards and asks for confirmation of
    // those that pass; refuses with an alert when none does. The actions on
    // the disk below do nothing for an imported tree.
    void requestTrash(const std::vector<FileNode>& nodes);
    // Moves the pending nodes to the trash and takes them out of the tree.
    void confirmTrash();

    // The desktop's actions; each sets an alert when nothing on the desktop
    // could carry it out (the file manager's answer comes later).
    void revealInFileManager(const std::vector<FileNode>& nodes);
    void copyPaths(const std::vector<FileNode>& nodes);
    void openItem(const FileNode& node);
    // Opens the licence notices at `file` (file-system bytes) in the text viewer.
    void openLicences(const std::string& file);

  signals:
    void phaseChanged();
    void volumesChanged();
    void progressChanged();
    void targetChanged();
    void rootChanged();
    // `animated` is true when navigate() made the change: views animate it with
    // Spring. Other changes (a new tree, a trashed folder) are not animated.
    void currentChanged(bool animated);
    void unreadableCountChanged();
    void scanDurationChanged();
    void unattributedChanged();
    void treeRevisionChanged();
    void pendingTrashChanged();
    void confirmingTrashChanged();
    void alertMessageChanged();
    // A folder refresh started or ended.
    void refreshingChanged();
    void exportOriginChanged();
    void scannedAsAdministratorChanged();
    void liveStatusChanged();

  private:
    void finishScan(std::optional<ScanResult> result, const ScanTarget& target);
    void finishRefresh(const FileNode& folder, FolderRescan rescan);
    void finishImport(std::variant<ImportedScan, std::string> outcome, const ScanTarget& target);
    void finishSave(const std::string& file, int error);
    void applyLiveBatch(ChangeBatch batch);
    // After a splice: drops the nodes it cut out from the pending trash.
    void forgetDetachedPendingTrash();
    void historyFailed(int error, const std::string& folder);
    void finishStream(CommandImport outcome, const ScanTarget& target);
    // Shows `result` as the new tree, from `origin` when it was imported;
    // `elevated` when raumfuchs-scan read it as root.
    void adopt(ScanResult& result, std::optional<ExportOrigin> origin, bool elevated = false);

    void setPhase(Phase phase);
    void setVolumes(std::vector<VolumeInfo> volumes);
    void setProgress(const ScanProgress& progress);
    void setTarget(std::optional<ScanTarget> target);
    void setRoot(FileNode root);
    void setCurrent(FileNode current, bool animated);
    void setUnattributed(std::optional<UnattributedSpace> unattributed);
    void setExportOrigin(std::optional<ExportOrigin> origin);
    void raiseTreeRevision();

    DesktopServices& services_;
    Phase phase_ = Phase::Start;
    std::vector<VolumeInfo> volumes_;
    ScanProgress progress_;
    std::optional<ScanTarget> target_;
    FileNode root_;
    FileNode current_;
    std::int64_t unreadableCount_ = 0;
    double scanDuration_ = 0;
    std::optional<UnattributedSpace> unattributed_;
    std::int64_t treeRevision_ = 0;
    std::vector<FileNode> pendingTrash_;
    bool isConfirmingTrash_ = false;
    std::optional<QString> alertMessage_;
    std::optional<ExportOrigin> exportOrigin_;
    bool elevatedTree_ = false;
    bool scannedAsAdministrator_ = false;
    StreamLaunchers launchers_ = StreamLaunchers::installed();
    ColorModes colorModes_;
    KindsSession kinds_;
    TrashWorkflow trash_;
    RefreshSession refreshes_;
    LiveSession live_;
    // Last, so that they are destroyed first: their threads hand over to this model.
    HistorySession history_;
    ComparisonSession comparison_;
    SaveSession saves_;
    ScanSession scans_;
};

}  // namespace raumfuchs
