#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/DesktopServices.h"

namespace raumfuchs {

// Desktop services for tests: nothing leaves the process. Every call is
// recorded in the public members so a test can check what the program asked
// of the desktop; the answers (trash failures, volumes, chosen folder, home
// and downloads) are set up beforehand through the same members.
class FakeDesktopServices : public DesktopServices {
  public:
    // What was asked, in call order.
    std::vector<std::string> trashed;                     // paths moved successfully
    std::vector<std::string> trashAttempts;               // every path asked for, failed or not
    std::vector<std::vector<std::string>> revealed;       // one entry per reveal() call
    std::vector<std::vector<DesktopItem>> revealedItems;  // the same with the folder flags
    std::vector<std::string> opened;
    std::vector<QString> addresses;
    std::vector<QString> clipboardTexts;  // the last one is the clipboard content
    int chooseFolderCalls = 0;

    // How to answer.
    std::set<std::string> failingTrashPaths;  // moveToTrash returns false for these
    bool failAllTrash = false;
    std::vector<VolumeInfo> volumes;
    std::optional<std::string> chosenFolder;  // nothing = the user cancels
    std::string home = "/home/tester";
    std::optional<std::string> downloads = std::string("/home/tester/Downloads");

    bool moveToTrash(const DesktopItem& item) override {
        trashAttempts.push_back(item.path);
        if (failAllTrash || failingTrashPaths.count(item.path) > 0) {
            return false;
        }
        trashed.push_back(item.path);
        return true;
    }
    void reveal(const std::vector<DesktopItem>& items) override {
        std::vector<std::string> paths;
        for (const DesktopItem& item : items) {
            paths.push_back(item.path);
        }
        revealed.push_back(std::move(paths));
        revealedItems.push_back(items);
    }
    void open(const DesktopItem& item) override { opened.push_back(item.path); }
    void openAddress(const QString& address) override { addresses.push_back(address); }
    void setClipboardText(const QString& text) override { clipboardTexts.push_back(text); }
    std::optional<std::string> chooseFolder() override {
        ++chooseFolderCalls;
        return chosenFolder;
    }
    // Same rule as the real desktop: the last path component, "/" for the root.
    QString displayName(const std::string& path) override {
        std::string trimmed = path;
        while (trimmed.size() > 1 && trimmed.back() == '/') {
            trimmed.pop_back();
        }
        if (trimmed == "/") {
            return QStringLiteral("/");
        }
        const auto slash = trimmed.rfind('/');
        return QString::fromUtf8(slash == std::string::npos ? trimmed : trimmed.substr(slash + 1));
    }
    std::string homePath() override { return home; }
    std::optional<std::string> downloadsPath() override { return downloads; }
    std::vector<VolumeInfo> mountedVolumes() override { return volumes; }

    // The clipboard content, empty when nothing was copied.
    QString clipboard() const { return clipboardTexts.empty() ? QString() : clipboardTexts.back(); }
};

}  // namespace raumfuchs
