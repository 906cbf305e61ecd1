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
        // A change of the tree after the request makes the walk give up, or,
        // near its end, lets it finish with the old state: both are dropped,
        // as is a result that a change overtakes on its way to the main thread.
        const FileTree& tree = folder.tree();
        const std::uint64_t generation = tree.generation();
        std::vector<FileTree::Index> indices;
        if (!tree.largestFilesConcurrently(folder.index(), kLimit, indices) ||
            tree.generation() != generation) {
            continue;
        }
        std::vector<FileNode> files;
        files.reserve(indices.size());
        for (const FileTree::Index index : indices) {
            files.emplace_back(folder.treePtr(), index);
        }
        QMetaObject::invokeMethod(
            this,
            [this, number, generation, folder = std::move(folder), files = std::move(files)] {
                if (number == latestNumber_ && folder.tree().generation() == generation) {
                    emit loaded(folder, files);
                }
            },
            Qt::QueuedConnection);
    }
}

}  // namespace raumfuchs
