#pragma once

#include <QScrollArea>

class QVBoxLayout;

namespace raumfuchs {

class AppModel;

// The start screen: header, one card per mounted volume, the folder
// shortcuts with the link that opens a scan file, and the hint on full disk
// access. Reloads the volume list each
// time it is shown.
class StartView : public QScrollArea {
    Q_OBJECT
  public:
    explicit StartView(AppModel& model, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void rebuildVolumeCards();
    void scanFolder(const std::string& path);

    AppModel& model_;
    QVBoxLayout* volumeList_ = nullptr;
};

}  // namespace raumfuchs
