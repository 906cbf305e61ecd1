#include "app/LargestFilesLoader.h"

namespace raumfuchs {

void LargestFilesLoader::load(const FileNode& folder, std::optional<std::uint8_t> category) {
    waiting_ = folder;
    waitingCategory_ = category;
    ++latestNumber_;
    if (!walking_) {
        walkNext();
    }
}

void LargestFilesLoader::walkNext() {
    if (!waiting_) {
        return;
    }
    walking_ = true;
    tasks_.run([this, folder = std::move(waiting_), category = waitingCategory_,
                number = latestNumber_](const BackgroundTasks::Post& post) {
        // A change of the tree after the request makes the walk give up, or,
        // near its end, lets it finish with the old state: both are dropped,
        // as is a result that a change overtakes on its way to the main thread.
        const FileTree& tree = folder.tree();
        const std::uint64_t generation = tree.generation();
        std::vector<FileTree::Index> indices;
        const bool complete =
            tree.largestFilesConcurrently(folder.index(), kLimit, indices, category) &&
            tree.generation() == generation;
        std::vector<FileNode> files;
        if (complete) {
            files.reserve(indices.size());
            for (const FileTree::Index index : indices) {
                files.emplace_back(folder.treePtr(), index);
            }
        }
        post([this, complete, number, generation, folder, files = std::move(files)] {
            walking_ = false;
            if (complete && number == latestNumber_ && folder.tree().generation() == generation) {
                emit loaded(folder, files);
            }
            walkNext();
        });
    });
    waiting_ = {};
}

}  // namespace raumfuchs
