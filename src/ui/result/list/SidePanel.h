#pragma once

#include <QWidget>
#include <vector>

#include "core/tree/FileTree.h"

class QAbstractButton;
class QListView;
class QMimeData;
class QModelIndex;

namespace raumfuchs {

class AppModel;
class HoverState;
class KindListModel;
class LargestFilesLoader;
class NodeListModel;
class TextLabel;

// The list column of the result screen: the shown folder's contents, the
// largest files below it (of the selected kind only, when one is selected) or
// the kinds and ages of its files, where a click on a kind selects it; with selection, context
// menu, double-click to zoom or open, the Delete key, Backspace to go up, dragging rows out as
// files and a drop zone for the trash (the last two not for an imported tree). Follows the chart's
// hover. Reads the tree, changes it only through the model.
class SidePanel : public QWidget {
    Q_OBJECT
  public:
    enum class Mode { Contents, Largest, Kinds };

    SidePanel(AppModel& model, HoverState& hover, QWidget* parent = nullptr);
    ~SidePanel() override;

    Mode mode() const { return mode_; }
    void setMode(Mode mode);
    bool isLoadingLargest() const { return loadingLargest_; }

    // The selected rows' nodes in row order; selected identities that match
    // no row (a node moved to the trash) are left out.
    std::vector<FileNode> selectedNodes() const;
    // The nodes a context menu at a row applies to: the whole selection when
    // the row is selected, else the row alone (none for no row).
    std::vector<FileNode> menuNodes(const QModelIndex& index) const;
    // The double-click on a row: zoom into a folder with children, open
    // anything else; nothing when several rows are selected.
    void activate(const QModelIndex& index);
    // The Delete key: the selection to the model's trash request, even when
    // nothing is selected (the model then explains why nothing happens).
    void trashSelection();
    // Backspace: up one folder, where the folder just left is the selected row.
    void goUp();

    // A drag of one node: its file URL, percent-encoded from the path's bytes.
    static QMimeData* mimeData(const FileNode& node);

    // Ideally 400 wide: the splitter of the result screen gives the panel its
    // hint and the chart the rest.
    QSize sizeHint() const override;

  private:
    void onCurrentChanged();
    void onRevisionChanged();
    void onLoaded(const FileNode& folder, std::vector<FileNode> files);
    void loadLargest();
    void refreshRows();
    void selectRows(const std::vector<int>& rows);
    void updateOverlay();
    void showKinds();
    // The line that says the largest files are of the selected kind only.
    void updateKindFilter();
    // The click, Return or Space on a row of the kinds view.
    void toggleKind(const QModelIndex& index);
    void showMenu(const QPoint& position);

    AppModel& model_;
    HoverState& hover_;
    Mode mode_ = Mode::Contents;
    std::vector<FileNode> largest_;
    bool loadingLargest_ = false;

    LargestFilesLoader* loader_;
    NodeListModel* rows_;
    QAbstractButton* contentsButton_;
    QAbstractButton* largestButton_;
    QAbstractButton* kindsButton_;
    QListView* list_;
    KindListModel* kindRows_;
    QListView* kindList_;
    QWidget* spinner_;
    TextLabel* emptyLabel_;
    TextLabel* kindFilter_;
};

}  // namespace raumfuchs
