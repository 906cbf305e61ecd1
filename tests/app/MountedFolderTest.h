#pragma once

#include <gtest/gtest.h>

#include "support/ScopedMount.h"
#include "support/TempTree.h"

namespace raumfuchs::test {

// For the trash tests: a scratch tree whose folder "ordner" holds the mount
// point "ordner/mp" (a tmpfs with the file "daten") beside the file "neben".
// Neither the mount point nor a folder holding it may ever move. The test is
// skipped where the machine refuses the mount.
struct MountedFolderTest : ::testing::Test {
    void SetUp() override {
        tree.file("ordner/mp/.keep");
        mount = ScopedMount::tmpfs(tree.path("ordner/mp"));
        if (!mount.mounted()) {
            GTEST_SKIP() << mount.failed();
        }
        tree.file("ordner/mp/daten", 100);
        tree.file("ordner/neben", 10);
    }

    TempTree tree;
    ScopedMount mount;  // after the tree: undone before it is removed
};

}  // namespace raumfuchs::test
