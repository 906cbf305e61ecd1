#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/text/PathText.h"
#include "platform/DesktopServices.h"

namespace raumfuchs {

// Desktop services for tests: nothing leaves the process. Calls are recorded
// in call order; the answers are set up beforehand.
class FakeDesktopServices : public DesktopServices {
  public:
    std::vector<std::string> trashed;                // paths asked to move, in call order
    std::vector<std::vector<std::string>> revealed;  // one entry per reveal() call
    std::vector<std::string> opened;
    std::vector<QString> clipboardTexts;
    int chooseFolderCalls = 0;
    int chooseExportCalls = 0;
    std::vector<QString> suggestedSaveNames;

    std::vector<VolumeInfo> volumes;
    std::optional<std::string> chosenFolder;    // nothing = the user cancels
    std::optional<std::string> chosenExport;    // the same
    std::optional<std::string> chosenSaveFile;  // the same
    std::string home = "/home/tester";
    std::string history;  // none: scans are not kept
    std::optional<std::string> downloads = std::string("/home/tester/Downloads");
    bool administrator = false;
    bool fileManager = true;  // false: reveal() fails, at once
    bool opener = true;       // false: open() finds no program

    bool moveToTrash(const DesktopItem& item) override {
        trashed.push_back(item.path);
        return true;
    }
    void reveal(const std::vector<DesktopItem>& items, std::function<void()> failed) override {
        revealed.emplace_back();
        for (const DesktopItem& item : items) {
            revealed.back().push_back(item.path);
        }
        if (!fileManager) {
            failed();
        }
    }
    bool open(const DesktopItem& item) override {
        opened.push_back(item.path);
        return opener;
    }
    void setClipboardText(const QString& text) override { clipboardTexts.push_back(text); }
    std::optional<std::string> chooseFolder() override {
        ++chooseFolderCalls;
        return chosenFolder;
    }
    std::optional<std::string> chooseExport() override {
        ++chooseExportCalls;
        return chosenExport;
    }
    std::optional<std::string> chooseSaveFile(const QString& suggestedName) override {
        suggestedSaveNames.push_back(suggestedName);
        return chosenSaveFile;
    }
    // Same rule as the real desktop: the last path component, "/" for the root.
    QString displayName(const std::string& path) override {
        return QString::fromStdString(PathText::lastComponent(path));
    }
    std::string homePath() override { return home; }
    std::optional<std::string> downloadsPath() override { return downloads; }
    std::vector<VolumeInfo> mountedVolumes() override { return volumes; }
    bool runsAsAdministrator() override { return administrator; }
    std::string historyFolder() override { return history; }
};

}  // namespace raumfuchs
