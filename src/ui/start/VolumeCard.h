#pragma once

#include "core/system/VolumeInfo.h"
#include "ui/start/CardButton.h"

class QHBoxLayout;

namespace raumfuchs {

class TextLabel;

// One mounted volume on the start screen: icon, name, path, free space, usage
// bar and usage text, and where the volume was scanned before, how its used
// space moved since (setSince(): "seit 01.12.: +3,4 GB belegt"). Clicking it
// emits clicked(); the start screen turns that into a scan of the volume.
class VolumeCard : public CardButton {
    Q_OBJECT
  public:
    explicit VolumeCard(const VolumeInfo& volume, QWidget* parent = nullptr);

    const VolumeInfo& volume() const { return volume_; }
    // Adds "Als Administrator scannen" below the usage bar; it emits
    // administratorScanRequested() instead of clicked().
    void offerAdministratorScan();
    void setSince(const QString& since);

    // The startup volume is the filled internal drive; every other volume an
    // external drive, filled when it is removable.
    static QString symbolName(const VolumeInfo& volume);

  signals:
    void administratorScanRequested();

  private:
    VolumeInfo volume_;
    QHBoxLayout* usageRow_ = nullptr;
    TextLabel* since_;
};

}  // namespace raumfuchs
