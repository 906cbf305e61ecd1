#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/system/VolumeInfo.h"

namespace raumfuchs {

// An item handed to the desktop: its path in the file system's own bytes.
struct DesktopItem {
    std::string path;
    bool isDirectory = false;
};

// What the program asks of the desktop. The Linux implementation is
// LinuxDesktopServices; tests use FakeDesktopServices. Every path is passed as
// the exact bytes of the file system, never as decoded text.
class DesktopServices {
  public:
    virtual ~DesktopServices() = default;

    // Moves the item into the user's trash (never deletes it). Returns false
    // when it could not be moved; the item is then untouched.
    virtual bool moveToTrash(const DesktopItem& item) = 0;
    // Shows the items selected in the file manager. The file manager answers
    // later: `failed` is called then, on this thread, when neither it nor a
    // program for folders showed them (and never when they were shown).
    virtual void reveal(const std::vector<DesktopItem>& items, std::function<void()> failed) = 0;
    // Opens the item in its default application (a folder in the file
    // manager); false when no program could be started for it.
    virtual bool open(const DesktopItem& item) = 0;
    virtual void setClipboardText(const QString& text) = 0;
    // The modal folder chooser; nothing when the user cancels.
    virtual std::optional<std::string> chooseFolder() = 0;
    // The modal chooser of a scan file (an ncdu export); nothing when the user cancels.
    virtual std::optional<std::string> chooseExport() = 0;
    // The modal chooser of a file to save a scan in, as an ncdu export
    // (".json", or ".json.zst" packed), offering `suggestedName`; the name
    // chosen ends in one of the two. Nothing when the user cancels.
    virtual std::optional<std::string> chooseSaveFile(const QString& suggestedName) = 0;
    // The name a file manager shows for the path.
    virtual QString displayName(const std::string& path) = 0;
    virtual std::string homePath() = 0;
    // Nothing when the desktop knows no downloads folder or it does not exist.
    virtual std::optional<std::string> downloadsPath() = 0;
    // The browsable volumes, ordered for the start screen.
    virtual std::vector<VolumeInfo> mountedVolumes() = 0;
    // The program runs with the administrator's rights and so reads every folder.
    virtual bool runsAsAdministrator() = 0;
    // Where earlier scans are kept (see ScanHistory); empty: nowhere, the
    // history is off. By default none.
    virtual std::string historyFolder() { return {}; }
};

}  // namespace raumfuchs
