#pragma once

#include <QScrollArea>

#include "core/system/VolumeInfo.h"

class QAbstractButton;
class QVBoxLayout;

namespace raumfuchs {

class AppModel;

// The start screen: header, one card per mounted volume, the folder
// shortcuts with the link that opens a scan file, and, without the
// administrator's rights, the hint that some folders cannot be read. Reloads
// the volume list each time it is shown.
class StartView : public QScrollArea {
    Q_OBJECT
  public:
    explicit StartView(AppModel& model, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void rebuildVolumeCards();
    // "seit 01.12.: +3,4 GB belegt" against the newest kept scan of the
    // volume; empty when none is kept.
    QString sinceLastScan(const VolumeInfo& volume) const;
    // The "Downloads" shortcut is disabled while there is no such folder.
    void followDownloads();
    void scanFolder(const std::string& path);

    AppModel& model_;
    QVBoxLayout* volumeList_ = nullptr;
    QAbstractButton* downloads_ = nullptr;
};

}  // namespace raumfuchs
