#pragma once

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/AppModel.h"
#include "core/scan/DiskScanner.h"
#include "support/FakeDesktopServices.h"
#include "support/HandTree.h"
#include "support/QtTestApp.h"
#include "support/TempTree.h"

namespace raumfuchs::test {

// Waits until every scan thread has handed over its result, delivering nothing
// to the model meanwhile: what they queued stays queued.
inline bool handedOver(const AppModel& model) {
    return waitUntil([&] { return model.scansInFlight() == 0; }, 30000, false);
}

// Waits until no scan thread is left, then delivers what they queued.
inline void settle(AppModel& model) {
    ASSERT_TRUE(waitUntil([&] { return model.scansInFlight() == 0; }));
    QCoreApplication::processEvents();
}

// Waits until the scan under way has ended, then delivers what it queued.
inline void finishScan(AppModel& model) {
    ASSERT_TRUE(waitUntil([&] { return model.phase() != Phase::Scanning; }));
    settle(model);
}

inline void scanAndWait(AppModel& model, const std::string& path, const QString& name) {
    model.startScan(ScanTarget{path, name, std::nullopt});
    finishScan(model);
}

// Asks to move `nodes` to the trash and confirms, as the user does in the dialog.
inline void trash(AppModel& model, const std::vector<FileNode>& nodes) {
    model.requestTrash(nodes);
    model.confirmTrash();
}

// Waits until the watch of the shown tree has started; whether it follows the disk.
inline bool following(const AppModel& model) {
    return waitUntil([&] { return model.liveStatus().state != LiveStatus::State::Starting; }) &&
           model.liveStatus().state == LiveStatus::State::Following;
}

// Waits until what the watch saw so far is in the tree.
inline bool liveQuiet(AppModel& model) {
    const auto quiet = std::make_shared<bool>(false);
    model.whenLiveQuiet([quiet] { *quiet = true; });
    return waitUntil([&] { return *quiet; });
}

// Trashing really removes the item, so that a fresh scan can be compared.
class RemovingDesktopServices : public FakeDesktopServices {
  public:
    bool moveToTrash(const DesktopItem& item) override {
        return FakeDesktopServices::moveToTrash(item) && std::filesystem::remove_all(item.path) > 0;
    }
};

inline FileNode freshScan(const std::string& path, const std::string& name = "Ordner") {
    const CancelToken token;
    const auto result = DiskScanner::scan(path, name, token, {});
    EXPECT_TRUE(result) << path;
    return result ? result->root : FileNode();
}

// Calls `start` under the file-system identity of "nobody" when the test runs
// as root, so that mode 000 means what it says; threads it starts inherit the
// identity (setfsuid acts on the calling thread only). False, with nothing
// called, where the machine refuses.
inline bool asNobody(const std::function<void()>& start) {
    const uid_t user = geteuid() == 0 ? 65534 : geteuid();
    const auto previous = static_cast<uid_t>(syscall(SYS_setfsuid, user));
    const bool dropped = static_cast<uid_t>(syscall(SYS_setfsuid, -1)) == user;
    if (dropped) {
        start();
    }
    syscall(SYS_setfsuid, previous);
    return dropped;
}

// A model over a desktop double, with a scratch folder for its scans.
template <typename Services>
struct ModelTestOver : ::testing::Test {
    bool appReady = (ensureApp(), true);  // the members below need the application
    TempTree scratch;
    Services services;
    AppModel model{services};
};
using ModelTest = ModelTestOver<FakeDesktopServices>;

}  // namespace raumfuchs::test
