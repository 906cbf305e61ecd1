#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/color/ColorModes.h"
#include "app/tasks/BackgroundTasks.h"
#include "core/chart/Segment.h"
#include "core/kinds/FileKinds.h"
#include "core/kinds/KindTotals.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// The kinds and ages of the shown folder's files: the totals of the kinds
// view, counted on a background thread whenever someone needs them (the view
// is shown, a category is selected, the chart is coloured by kind or age),
// the colourings "Dateityp" and "Alter" it offers the model's ColorModes while
// a tree is shown, and the category the user selected, which dims the chart's
// other kinds and filters the largest files. Main thread only; the count
// reads the tree under its read lock and is dropped when the tree changed.
class KindsSession : public QObject {
    Q_OBJECT
  public:
    // Reads the desktop's MIME database once.
    explicit KindsSession(ColorModes& modes, QObject* parent = nullptr);

    // Null when the database could not be read; kindsError() says why.
    const std::shared_ptr<const FileKinds>& kinds() const { return kinds_; }
    const QString& kindsError() const { return kindsError_; }

    // The folder whose files count (the model's current one, none without a
    // tree); the model calls it on every change of the folder or the tree.
    void follow(const FileNode& folder);
    // Whether the kinds view is on screen.
    void setShown(bool shown);

    const FileNode& folder() const { return folder_; }
    // The totals of folder(); null while they are counted.
    const std::shared_ptr<const KindTotals>& totals() const { return totals_; }
    bool isCounting() const { return counting_; }

    std::optional<FileCategory> selected() const { return selected_; }
    // Selects `category`, or clears the selection when it is the selected one.
    void toggle(FileCategory category);
    void clearSelection();
    // How strongly the chart draws `segment`: 1 without a selection, else by
    // its share of the selected kind, from kDimmed for none to 1.
    double emphasis(const Segment& segment) const;
    static constexpr double kDimmed = 0.2;  // not measured

  signals:
    void totalsChanged();
    void selectionChanged();

  private:
    bool needed() const;
    void countIfNeeded();
    void countNext();
    void offerColorings();

    ColorModes& modes_;
    std::shared_ptr<const FileKinds> kinds_;
    QString kindsError_;
    FileNode folder_;
    std::uint64_t generation_ = 0;  // of folder_'s tree when totals_ were asked for
    std::shared_ptr<const KindTotals> totals_;
    // The latest totals, kept for the colourings while newer ones are counted.
    std::shared_ptr<const KindTotals> shownTotals_;
    std::optional<FileCategory> selected_;
    bool shown_ = false;
    bool counting_ = false;  // totals_ of folder_ are asked for
    bool walking_ = false;   // a walk runs
    FileNode waiting_;       // to count once the running walk is done
    std::uint64_t latest_ = 0;
    BackgroundTasks tasks_;  // last: destroyed first, waiting for the walk under way
};

}  // namespace raumfuchs
