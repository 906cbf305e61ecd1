#include "app/LargestFilesLoader.h"

#include <QMetaObject>

namespace raumfuchs {

LargestFilesLoader::LargestFilesLoader(QObject* parent) : QObject(parent) {
    worker_ = std::thread([this] { work(); });
}

LargestFilesLoader::~LargestFilesLoader() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        request_ = {};
    }
    wake_.notify_one();
    worker_.join();  // at most the walk under way; its delivery is then dropped
}

void LargestFilesLoader::load(const FileNode& folder) {
    {
        std::lock_guard lock(mutex_);
        request_ = folder;
        latestNumber_ = ++requestNumber_;
    }
    wake_.notify_one();
}

void LargestFilesLoader::work() {
    for (;;) {
        FileNode folder;
        std::uint64_t number = 0;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || request_; });
            if (stopping_) {
                return;
            }
            folder = std::move(request_);
            request_ = {};
            number = requestNumber_;
        }
        std::vector<FileTree::Index> indices;
        if (!folder.tree().largestFilesConcurrently(folder.index(), kLimit, indices)) {
            continue;
        }
        std::vector<FileNode> files;
        files.reserve(indices.size());
        for (const FileTree::Index index : indices) {
            files.emplace_back(folder.treePtr(), index);
        }
        QMetaObject::invokeMethod(
            this,
            [this, number, folder = std::move(folder), files = std::move(files)] {
                if (number == latestNumber_) {
                    emit loaded(folder, files);
                }
            },
            Qt::QueuedConnection);
    }
}

}  // namespace raumfuchs
