#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QMimeData;
class QVariantAnimation;

namespace raumfuchs {

class AppModel;

// The foot of the side panel: files dragged onto it are offered for the
// trash. A drop is accepted at once; its file URLs are then resolved in order
// to nodes of the scanned tree (paths outside it are skipped) and, if any
// remain, handed to the model's trash request with its checks and dialog.
class TrashDropZone : public QWidget {
    Q_OBJECT
  public:
    explicit TrashDropZone(AppModel& model, QWidget* parent = nullptr);

    bool isDropTargeted() const { return targeted_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The local paths of the file URLs in `data`, in order, as the file
    // system's bytes (percent-decoded, never passed through text decoding).
    static std::vector<std::string> localPaths(const QMimeData& data);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void setTargeted(bool targeted);
    void trash(const std::vector<std::string>& paths);

    AppModel& model_;
    bool targeted_ = false;
    double emphasis_ = 0;  // 0 = idle look, 1 = targeted look; animated
    QVariantAnimation* animation_;
};

}  // namespace raumfuchs
