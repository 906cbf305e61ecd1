#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "core/tree/FileTree.h"
#include "platform/DesktopServices.h"

namespace raumfuchs {

// Moving scanned items to the trash: the guards when the user asks and again
// when the move is confirmed, the move itself, and taking the moved items out
// of their tree. Holds no state of its own; the model keeps what is pending.
class TrashWorkflow {
  public:
    // What a confirmed move left behind.
    struct Outcome {
        FileNode current;              // the shown folder, moved up if it went
        std::optional<QString> alert;  // names the items that stayed, if any
    };

    explicit TrashWorkflow(DesktopServices& services) : services_(services) {}

    // The topmost of `nodes` that no guard holds.
    std::vector<FileNode> accepted(const std::vector<FileNode>& nodes) const;
    // Said when accepted() leaves nothing.
    static QString refusal();
    // Moves `nodes` to the trash and takes those that went out of their tree,
    // whose folders above shrink by them. `current` is the shown folder.
    Outcome trash(const std::vector<FileNode>& nodes, FileNode current);

  private:
    DesktopServices& services_;
};

}  // namespace raumfuchs
