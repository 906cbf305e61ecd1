#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "app/tasks/BackgroundTasks.h"
#include "core/ncdu/NcduWriter.h"
#include "core/scan/DiskScanner.h"
#include "core/tree/FileTree.h"

namespace raumfuchs {

// Saves trees as ncdu exports, each on a background thread, while they stay
// on screen and may change (see exportNcdu: it starts over when the main
// thread changes the tree, which waits for at most a few thousand entries).
// Lives on the main thread.
class SaveSession {
  public:
    // On the main thread, once a save ended: its file and 0, or the errno of
    // what failed; the file is then left as it was.
    using DoneHandler = std::function<void(const std::string& file, int error)>;

    explicit SaveSession(DoneHandler onDone) : onDone_(std::move(onDone)) {}
    // Saves under way stop at their next step and leave their files as they were.
    ~SaveSession() { token_->cancel(); }
    SaveSession(const SaveSession&) = delete;
    SaveSession& operator=(const SaveSession&) = delete;

    // Writes the whole tree of `node` to `file`.
    void start(const FileNode& node, const std::string& file, const ExportHeader& header);
    // Threads that have not yet handed over their outcome.
    std::size_t inFlight() const { return tasks_.running(); }

  private:
    DoneHandler onDone_;
    std::shared_ptr<CancelToken> token_ = std::make_shared<CancelToken>();
    // Last, so that it is destroyed first: its posted hand-offs name onDone_.
    BackgroundTasks tasks_;
};

}  // namespace raumfuchs
