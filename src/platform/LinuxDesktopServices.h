#pragma once

#include <QByteArray>
#include <QUrl>

#include "platform/DesktopServices.h"
#include "platform/FreedesktopTrash.h"

namespace raumfuchs {

// The desktop of a Linux session: the freedesktop trash, the file manager
// over D-Bus, Qt's clipboard, file dialog and URL handlers.
class LinuxDesktopServices : public DesktopServices {
  public:
    LinuxDesktopServices();

    bool moveToTrash(const DesktopItem& item) override;
    void reveal(const std::vector<DesktopItem>& items, std::function<void()> failed) override;
    bool open(const DesktopItem& item) override;
    void setClipboardText(const QString& text) override;
    std::optional<std::string> chooseFolder() override;
    std::optional<std::string> chooseExport() override;
    std::optional<std::string> chooseSaveFile(const QString& suggestedName) override;
    QString displayName(const std::string& path) override;
    std::string homePath() override;
    std::optional<std::string> downloadsPath() override;
    std::vector<VolumeInfo> mountedVolumes() override;
    bool runsAsAdministrator() override;
    // $XDG_STATE_HOME/raumfuchs/history (ScanHistory::defaultFolder()).
    std::string historyFolder() override;

    // The path's file URL built from its bytes, so that names which are not
    // valid UTF-8 reach the desktop unchanged.
    static QUrl fileUrl(const std::string& path);

  private:
    FreedesktopTrash trash_;
};

}  // namespace raumfuchs
