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

// Waits until every scan thread of `model` has handed over its last queued
// call, then delivers what they queued, wanted or not.
inline void settle(AppModel& model) {
    ASSERT_TRUE(waitUntil([&] { return model.scansInFlight() == 0; }));
    QCoreApplication::processEvents();
}

// Scans `path` through the model and waits for the scan to end.
inline void scanAndWait(AppModel& model, const std::string& path, const QString& name) {
    model.startScan(ScanTarget{path, name, std::nullopt});
    ASSERT_TRUE(waitUntil([&] { return model.phase() != Phase::Scanning; }));
    settle(model);
}

// A scratch folder for real files, removed with the object.
class Scratch {
  public:
    Scratch() { EXPECT_TRUE(dir_.isValid()); }
    // Byte-exact removal first: Qt cannot name entries that are not UTF-8.
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
    // A file filled with `bytes` bytes of data (so that they are allocated).
    void file(const std::string& relative, std::size_t bytes) const {
        const std::filesystem::path p = path(relative);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        const std::string block(4096, 'x');
        for (std::size_t written = 0; written < bytes; written += block.size()) {
            out.write(block.data(),
                      static_cast<std::streamsize>(std::min(block.size(), bytes - written)));
        }
    }

  private:
    QTemporaryDir dir_;
};

// The child of `parent` whose name bytes are `name`, or none.
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
        const FileNode ca = a.child(i);
        const FileNode cb = b.child(i);
        ASSERT_EQ(ca.nameBytes(), cb.nameBytes()) << where << " child " << i;
        expectSameTree(ca, cb, where + "/" + std::string(ca.nameBytes()));
    }
}

}  // namespace raumfuchs::test
