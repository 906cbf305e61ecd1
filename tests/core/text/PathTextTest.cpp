#include "core/text/PathText.h"

#include <gtest/gtest.h>

namespace raumfuchs {
namespace {

TEST(PathText, LastComponentParentFolderAndPercentEncodingKeepEveryByte) {
    struct Case {
        const char* path;
        const char* last;
        const char* parent;
    };
    // clang-format off
    const Case cases[] = {
        {"/", "/", "/"}, {"//", "/", "/"}, {"/home", "home", "/"}, {"/home/", "home", "/"},
        {"/home/ann/Bilder//", "Bilder", "/home/ann"}, {"Urlaub", "Urlaub", "."},
        {"Urlaub/", "Urlaub", "."}, {"a/b", "b", "a"}, {"", "", "."},
        {"/x/M\xFCll", "M\xFCll", "/x"}};
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(PathText::lastComponent(c.path), c.last) << c.path;
        EXPECT_EQ(PathText::parentFolder(c.path), c.parent) << c.path;
    }

    EXPECT_EQ(PathText::fileUri("/a b/ä/\xff#?~_.-"), "file:///a%20b/%C3%A4/%FF%23%3F~_.-");
    std::string every;
    for (int byte = 1; byte < 256; ++byte) {
        every += static_cast<char>(byte);
    }
    EXPECT_EQ(PathText::percentDecode(PathText::percentEncode(every)), every);
    // A "%" without two hex digits after it is taken as it stands.
    EXPECT_EQ(PathText::percentDecode("100%/%4/%zz/%4a"), "100%/%4/%zz/J");
}

}  // namespace
}  // namespace raumfuchs
