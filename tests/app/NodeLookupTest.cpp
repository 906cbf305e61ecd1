#include "app/NodeLookup.h"

#include <gtest/gtest.h>

#include "app/AppModel.h"
#include "app/ModelTestSupport.h"
#include "support/FakeDesktopServices.h"
#include "support/HandTree.h"

namespace raumfuchs {
namespace {

using test::file;
using test::folder;

const std::string composedMuell = "M\xC3\xBCll";     // "Müll", ü as one code point
const std::string decomposedMuell = "Mu\xCC\x88ll";  // u + combining diaeresis

TEST(NodeLookup, FindsScannedNodesByComposedAndDecomposedNames) {
    test::ensureApp();
    test::TempTree dir;
    dir.file(decomposedMuell + "/alt.txt", 4096);
    dir.file("abc/x", 4096);
    dir.file("ab/y", 4096);
    dir.file("bad\xFFname", 4096);
    FakeDesktopServices services;
    AppModel model(services);
    EXPECT_FALSE(model.node(dir.path()));  // no tree yet
    test::scanAndWait(model, dir.path(), "Ordner");
    const FileNode root = model.root();
    const FileNode muell = test::childNamed(root, decomposedMuell);
    ASSERT_TRUE(muell);

    EXPECT_TRUE(model.node(dir.path() + "/") == root);
    EXPECT_TRUE(model.node(dir.path() + "//" + decomposedMuell + "/") == muell);
    EXPECT_TRUE(model.node(dir.path(composedMuell + "/alt.txt")) ==
                test::childNamed(muell, "alt.txt"));
    EXPECT_TRUE(model.node(dir.path("bad\xFFname")) == test::childNamed(root, "bad\xFFname"));
    for (const std::string& missing : {dir.path("Mull"), dir.path("bad\xFEname"), dir.path("abc/y"),
                                       dir.path() + "x", std::string("/"), std::string()}) {
        EXPECT_FALSE(model.node(missing)) << missing;
    }
}

TEST(NodeLookup, RootsAtTheFileSystemRootAndWithEquivalentNames) {
    const FileNode root = test::build(
        folder("Macintosh HD", 0, {folder("Users", 0, {folder("ann", 0, {file("a", 1)})})}), "/");
    const FileNode ann = test::childNamed(test::childNamed(root, "Users"), "ann");
    EXPECT_TRUE(findNode(root, "//Users//ann/") == ann);
    EXPECT_TRUE(findNode(root, "/Users/ann/a") == ann.child(0));
    EXPECT_FALSE(findNode(root, "Users/ann"));
    EXPECT_FALSE(findNode(root, "/Users/ann/a/b"));

    // The root path was given decomposed; the caller asks composed, and the
    // other way round.
    const FileNode muell = test::build(folder("Müll", 0, {folder("Ärger", 0, {file("x", 1)})}),
                                       "/Volumes/" + decomposedMuell);
    const FileNode aerger = muell.child(0);
    EXPECT_TRUE(findNode(muell, "/Volumes/" + composedMuell + "/") == muell);
    EXPECT_TRUE(findNode(muell, "/Volumes/" + composedMuell + "/A\xCC\x88rger") == aerger);
    EXPECT_TRUE(findNode(muell, "/Volumes/" + decomposedMuell + "/\xC3\x84rger/x") ==
                aerger.child(0));
    EXPECT_FALSE(findNode(muell, "/Volumes/" + composedMuell + "er"));

    // Of two children with equivalent names, the first in stored order wins.
    const FileNode twins =
        test::build(folder("t", 0, {file(decomposedMuell, 20), file(composedMuell, 10)}), "/t");
    EXPECT_TRUE(findNode(twins, "/t/" + composedMuell) == twins.child(0));
    EXPECT_TRUE(sameName("\xE2\x84\xAA", "K"));  // KELVIN SIGN is canonically K
    EXPECT_FALSE(sameName("\xFF", "\xC3\xBF"));  // no decoding of invalid bytes
}

}  // namespace
}  // namespace raumfuchs
