#include "app/NodeLookup.h"

#include <gtest/gtest.h>

#include "support/HandTree.h"

namespace raumfuchs {
namespace {

using test::childNamed;
using test::file;
using test::folder;

const std::string composedMuell = "M\xC3\xBCll";     // "Müll", ü as one code point
const std::string decomposedMuell = "Mu\xCC\x88ll";  // u + combining diaeresis

TEST(NodeLookup, FindsNodesByPathWithEquivalentNamesAndByNamesBelowAFolderInNewContent) {
    const FileNode root = test::build(
        folder("scan", 0,
               {folder(decomposedMuell, 0, {file("alt.txt", 1)}), folder("abc", 0, {file("x", 1)}),
                folder("ab", 0, {file("y", 1)}), file("bad\xFFname", 1)}),
        "/scan");
    const FileNode muell = childNamed(root, decomposedMuell);
    EXPECT_FALSE(findNode(FileNode(), "/scan"));  // no tree yet
    EXPECT_TRUE(findNode(root, "/scan/") == root);
    EXPECT_TRUE(findNode(root, "/scan//" + decomposedMuell + "/") == muell);
    EXPECT_TRUE(findNode(root, "/scan/" + composedMuell + "/alt.txt") == muell.child(0));
    EXPECT_TRUE(findNode(root, "/scan/bad\xFFname") == childNamed(root, "bad\xFFname"));
    for (const std::string missing : {"/scan/Mull", "/scan/bad\xFEname", "/scan/abc/y", "/scanx",
                                      "scan/abc", "/scan/abc/x/z", "/", ""}) {
        EXPECT_FALSE(findNode(root, missing)) << missing;
    }

    // A root at the file system's root.
    const FileNode top = test::build(
        folder("Macintosh HD", 0, {folder("Users", 0, {folder("ann", 0, {file("a", 1)})})}), "/");
    const FileNode ann = childNamed(childNamed(top, "Users"), "ann");
    EXPECT_TRUE(findNode(top, "//Users//ann/") == ann);
    EXPECT_TRUE(findNode(top, "/Users/ann/a") == ann.child(0));
    EXPECT_FALSE(findNode(top, "Users/ann"));

    // The root path was given decomposed; the caller asks composed, and the
    // other way round.
    const FileNode volume = test::build(folder("Müll", 0, {folder("Ärger", 0, {file("x", 1)})}),
                                        "/Volumes/" + decomposedMuell);
    const FileNode aerger = volume.child(0);
    EXPECT_TRUE(findNode(volume, "/Volumes/" + composedMuell + "/") == volume);
    EXPECT_TRUE(findNode(volume, "/Volumes/" + composedMuell + "/A\xCC\x88rger") == aerger);
    EXPECT_TRUE(findNode(volume, "/Volumes/" + decomposedMuell + "/\xC3\x84rger/x") ==
                aerger.child(0));
    EXPECT_FALSE(findNode(volume, "/Volumes/" + composedMuell + "er"));

    // Of two children with equivalent names, the first in stored order wins.
    const FileNode twins =
        test::build(folder("t", 0, {file(decomposedMuell, 20), file(composedMuell, 10)}), "/t");
    EXPECT_TRUE(findNode(twins, "/t/" + composedMuell) == twins.child(0));
    EXPECT_TRUE(sameName("\xE2\x84\xAA", "K"));  // KELVIN SIGN is canonically K
    EXPECT_FALSE(sameName("\xFF", "\xC3\xBF"));  // no decoding of invalid bytes

    // The names below a folder lead to the node, or its nearest ancestor, in new content.
    const FileNode before =
        test::build(folder("a", 0, {folder("b", 0, {folder("c", 0, {})}), file("g", 1)}), "/a");
    const std::vector<std::string> names = namesBelow(before, test::nodeAt(before, "b/c"));
    EXPECT_EQ(names, (std::vector<std::string>{"c", "b"}));
    EXPECT_TRUE(namesBelow(test::nodeAt(before, "b"), test::nodeAt(before, "g")).empty());
    // The folder read anew: the same folder again, or the last one on the way
    // (a file of the name does not count).
    for (const auto& [after, found] :
         {std::pair{folder("a", 0, {file("x", 9), folder("b", 0, {folder("c", 0, {})})}), "b/c"},
          std::pair{folder("a", 0, {folder("b", 0, {file("c", 1)})}), "b"},
          std::pair{folder("a", 0, {}), ""}}) {
        const FileNode fresh = test::build(after, "/a");
        EXPECT_TRUE(followNames(fresh, names) == test::nodeAt(fresh, found)) << found;
    }
}

}  // namespace
}  // namespace raumfuchs
