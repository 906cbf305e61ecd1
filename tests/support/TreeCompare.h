#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/tree/FileTree.h"

// Checks of whole trees, without recursion and without the test framework (the
// fuzz target uses them too): each returns the first fault it finds, named by
// its path, or an empty string. Tests write EXPECT_EQ(test::treeFault(root), "").
namespace raumfuchs::test {

// The tree's rules everywhere: no size below 0, totals cover the children,
// file counts add up, children are sorted largest first and link back to
// their parent, files have no children.
inline std::string treeFault(const FileNode& root) {
    std::vector<FileNode> stack{root};
    while (!stack.empty()) {
        const FileNode node = stack.back();
        stack.pop_back();
        std::int64_t bytes = 0;
        std::int64_t files = node.isDirectory() || node.isUnreadable() ? 0 : 1;
        for (std::size_t i = 0; i < node.childCount(); ++i) {
            const FileNode child = node.child(i);
            if (!(child.parent() == node) || (i > 0 && node.child(i - 1).size() < child.size())) {
                return child.path() + ": not linked back or out of order";
            }
            bytes += child.size();
            files += child.fileCount();
            stack.push_back(child);
        }
        if (node.size() < std::max<std::int64_t>(bytes, 0) || node.fileCount() != files ||
            (!node.isDirectory() && node.childCount() > 0)) {
            return node.path() + ": size, file count or children do not add up";
        }
    }
    return {};
}

struct TreeMatch {
    // Children matched by name rather than by place: a tree changed in place
    // may keep children of equal size in another order than a fresh scan.
    bool byName = false;
    bool sizes = true;
};

// Node by node: names, kinds, file counts, readability, sizes (unless left
// out) and children, `actual` keeping the tree's rules. Every node of
// `expected`'s storage must be reached, so it must be a tree as built, nothing
// cut out.
inline std::string treeDifference(const FileNode& expected, const FileNode& actual,
                                  TreeMatch match = {}) {
    if (std::string fault = treeFault(actual); !fault.empty()) {
        return fault;
    }
    std::vector<std::pair<FileNode, FileNode>> stack{{expected, actual}};
    std::size_t compared = 0;
    while (!stack.empty()) {
        const auto [e, a] = stack.back();
        stack.pop_back();
        ++compared;
        if (e.nameBytes() != a.nameBytes() || e.isDirectory() != a.isDirectory() ||
            e.fileCount() != a.fileCount() || e.isUnreadable() != a.isUnreadable() ||
            (match.sizes && e.size() != a.size()) || e.childCount() != a.childCount()) {
            return e.path() + ": name, kind, file count, readability, size or children differ";
        }
        for (std::size_t i = 0; i < a.childCount(); ++i) {
            const FileNode child = a.child(i);
            FileNode counterpart = match.byName ? FileNode() : e.child(i);
            for (std::size_t k = 0; match.byName && k < e.childCount() && !counterpart; ++k) {
                if (e.child(k).nameBytes() == child.nameBytes()) {
                    counterpart = e.child(k);
                }
            }
            if (!counterpart) {
                return child.path() + ": not expected";
            }
            stack.emplace_back(counterpart, child);
        }
    }
    if (compared != expected.tree().nodeCount()) {
        return "reached " + std::to_string(compared) + " of " +
               std::to_string(expected.tree().nodeCount()) + " nodes";
    }
    return {};
}

}  // namespace raumfuchs::test
