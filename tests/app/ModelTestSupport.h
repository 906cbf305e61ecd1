#pragma once

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "app/AppModel.h"
#include "support/FakeDesktopServices.h"
#include "support/QtTestApp.h"

namespace raumfuchs::test {

// Runs the event loop until `done` holds or `timeoutMs` passed; true if it held.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
    ensureApp();
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Waits until no scan thread is left, then delivers what they queued.
inline void settle(AppModel& model) {
    ASSERT_TRUE(waitUntil([&] { return model.scansInFlight() == 0; }));
    QCoreApplication::processEvents();
}

inline void scanAndWait(AppModel& model, const std::string& path, const QString& name) {
    model.startScan(ScanTarget{path, name, std::nullopt});
    ASSERT_TRUE(waitUntil([&] { return model.phase() != Phase::Scanning; }));
    settle(model);
}

// A scratch folder for real files, removed byte-exactly with the object.
class Scratch {
  public:
    Scratch() { EXPECT_TRUE(dir_.isValid()); }
    ~Scratch() {
        std::error_code error;
        std::filesystem::remove_all(path(), error);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string path() const { return dir_.path().toStdString(); }
    std::string path(const std::string& relative) const { return path() + "/" + relative; }
    void folder(const std::string& relative) const {
        std::filesystem::create_directories(path(relative));
    }
    // A file of `bytes` real (allocated) bytes.
    void file(const std::string& relative, std::size_t bytes) const {
        const std::filesystem::path p = path(relative);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << std::string(bytes, 'x');
    }

  private:
    QTemporaryDir dir_;
};

// A model over the desktop double, with a scratch folder for its scans.
struct ModelTest : ::testing::Test {
    bool appReady = (ensureApp(), true);  // the members below need the application
    Scratch scratch;
    FakeDesktopServices services;
    AppModel model{services};
};

inline FileNode child(const FileNode& parent, std::string_view name) {
    for (const FileNode& c : parent.children()) {
        if (c.nameBytes() == name) {
            return c;
        }
    }
    return {};
}

// Two trees agree node by node: names in the same order, same sizes and counts.
inline void expectSameTree(const FileNode& a, const FileNode& b, const std::string& where = "") {
    ASSERT_EQ(a.size(), b.size()) << where;
    ASSERT_EQ(a.fileCount(), b.fileCount()) << where;
    ASSERT_EQ(a.childCount(), b.childCount()) << where;
    for (std::size_t i = 0; i < a.childCount(); ++i) {
        ASSERT_EQ(a.child(i).nameBytes(), b.child(i).nameBytes()) << where << " child " << i;
        expectSameTree(a.child(i), b.child(i), where + "/" + std::string(a.child(i).nameBytes()));
    }
}

}  // namespace raumfuchs::test
