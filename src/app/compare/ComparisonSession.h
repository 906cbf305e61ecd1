#pragma once

#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/tasks/BackgroundTasks.h"
#include "core/compare/TreeComparison.h"
#include "core/scan/CancelToken.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

class ColorModes;

// The shown tree set against a baseline the user chose (an earlier scan from
// the history or any ncdu export): the baseline is read and the two trees are
// matched on a background thread, then the comparison (TreeComparison) is
// kept here for the views, the chart's colour mode "Veränderung" is offered
// and chosen, and the texts that say a change are made here. A new tree
// (a rescan) is compared with the same baseline; a folder read again is
// matched again (rematch()); a trash needs nothing. Lives on the main thread.
class ComparisonSession : public QObject {
    Q_OBJECT
  public:
    // On the main thread: the baseline could not be read; the reader's message.
    using FailureHandler = std::function<void(const QString& message)>;

    ComparisonSession(ColorModes& modes, FailureHandler onFailure, QObject* parent = nullptr);
    ~ComparisonSession() override;

    // Reads the export `file` (file-system bytes) and compares the tree of
    // `root` with it; ends a comparison before it.
    void start(const std::string& file, const FileNode& root);
    // The shown tree is now that of `root`: compared with the same baseline.
    void follow(const FileNode& root);
    // `folder` of the shown tree was read in again (FileTree::splice).
    void rematch(const FileNode& folder);
    // Back to the normal view.
    void end();

    // A baseline is chosen (it may still be loading).
    bool isActive() const { return !file_.empty(); }
    bool isLoading() const { return isActive() && !comparison_; }
    // Null until the comparison is ready.
    std::shared_ptr<const TreeComparison> comparison() const { return comparison_; }
    const std::string& baselineFile() const { return file_; }
    // Unix seconds of the baseline's scan; 0 when its file names none.
    std::int64_t baselineTime() const { return time_; }
    std::size_t inFlight() const { return tasks_.running(); }

    // The change of `node` (of the compared tree) as the list shows it:
    // "+1,2 GB", "−300 MB", "neu"; empty when it is unchanged or there is no
    // comparison.
    QString changeOf(const FileNode& node) const;
    // The change with its reference, for the chart's label and for assistive
    // technology: "+2,1 GB seit 01.12.", "neu seit 01.12."; empty as above.
    QString changeSince(const FileNode& node) const;
    // The whole tree's change: "Seit 01.12.2026, 14:03: +3,4 GB, 1.203
    // Dateien mehr"; empty without a comparison.
    QString summary() const;
    // "seit 01.12." or, for a baseline without a time, "gegenüber „alt.json“".
    QString reference() const;

  signals:
    // The baseline, the comparison or its loading changed.
    void changed();

  private:
    // Matches the tree of `root_` with `baseline_` in the background.
    void compare();
    void adopt(std::shared_ptr<TreeComparison> comparison);
    // Lets go of trees and a comparison on a background thread.
    void releaseLater(std::shared_ptr<const FileTree> baseline,
                      std::shared_ptr<TreeComparison> comparison);

    ColorModes& modes_;
    FailureHandler onFailure_;
    std::string file_;  // empty: no comparison
    std::int64_t time_ = 0;
    FileNode root_;
    std::shared_ptr<const FileTree> baseline_;  // once read
    std::shared_ptr<TreeComparison> comparison_;
    bool chosen_ = false;  // "Veränderung" was made the chart's mode for this baseline
    // The request whose outcome is still wanted.
    std::shared_ptr<CancelToken> token_;
    // Last, so that it is destroyed first: its posted hand-offs name this
    // session's members.
    BackgroundTasks tasks_;
};

}  // namespace raumfuchs
