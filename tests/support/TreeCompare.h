#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/tree/FileTree.h"

namespace raumfuchs::test {

// Compares a tree changed in place with a fresh scan node by node, children
// matched by name (equal sizes may stand in another order): kind, file count,
// readability and (with `sizes`) size. Also checks that `got` keeps every
// child list largest first and that its parent links lead back up.
inline void expectMatchesScan(const FileNode& got, const FileNode& want, bool sizes = true,
                              const std::string& where = "") {
    const std::string here = where.empty() ? std::string("/") : where;
    ASSERT_EQ(got.isDirectory(), want.isDirectory()) << here;
    EXPECT_EQ(got.fileCount(), want.fileCount()) << here;
    EXPECT_EQ(got.isUnreadable(), want.isUnreadable()) << here;
    if (sizes) {
        EXPECT_EQ(got.size(), want.size()) << here;
    }
    ASSERT_EQ(got.childCount(), want.childCount()) << here;
    for (std::size_t i = 0; i < got.childCount(); ++i) {
        const FileNode child = got.child(i);
        EXPECT_TRUE(child.parent() == got) << here;
        if (i > 0) {
            EXPECT_GE(got.child(i - 1).size(), child.size()) << here << " out of order";
        }
        FileNode match;
        for (const FileNode& other : want.children()) {
            if (other.nameBytes() == child.nameBytes()) {
                match = other;
            }
        }
        const std::string path = where + "/" + std::string(child.nameBytes());
        ASSERT_TRUE(match) << path << " is not in the fresh scan";
        expectMatchesScan(child, match, sizes, path);
    }
}

}  // namespace raumfuchs::test
