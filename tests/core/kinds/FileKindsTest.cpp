#include "core/kinds/FileKinds.h"

#include <gtest/gtest.h>

#include <string>

namespace raumfuchs {
namespace {

// Type names fold by rules, also names this machine's database may not have.
TEST(FileKindsTest, MimeTypesFoldIntoCategories) {
    using enum FileCategory;
    // clang-format off
    const std::pair<const char*, FileCategory> cases[] = {
        {"image/jpeg", Images}, {"image/vnd.djvu+multipage", Documents},
        {"video/x-matroska", Videos}, {"application/x-subrip", Videos}, {"audio/flac", Music},
        {"application/pdf", Documents}, {"application/x-gzpdf", Documents},
        {"application/vnd.oasis.opendocument.text", Documents}, {"application/epub+zip", Documents},
        {"text/plain", Documents}, {"text/x-readme", Documents}, {"text/markdown", Documents},
        {"application/zip", Archives}, {"application/x-zstd-compressed-tar", Archives},
        {"application/vnd.debian.binary-package", Archives},
        {"application/x-raw-disk-image-xz-compressed", Archives},
        {"application/x-vmdk-disk", Archives}, {"application/x-executable", Programs},
        {"application/vnd.microsoft.portable-executable", Programs},
        {"application/x-object", Programs}, {"text/x-csrc", SourceCode},
        {"application/x-shellscript", SourceCode}, {"font/ttf", Other},
        {"application/x-nes-rom", Other}, {"application/json", Other},
    };
    // clang-format on
    for (const auto& [type, category] : cases) {
        EXPECT_EQ(categoryOfMimeType(type), category) << type;
    }
}

// The database every desktop has, on names as they come: letter case, double
// extensions, hidden files, names without an extension.
TEST(FileKindsTest, SystemDatabaseClassifiesRealNames) {
    std::string error;
    std::optional<MimeGlobs> globs = MimeGlobs::read(MimeGlobs::kSystemFile, error);
    if (!globs) {
        GTEST_SKIP() << error << " (scripts/setup.sh installs shared-mime-info)";
    }
    const FileKinds kinds(std::move(*globs));
    using enum FileCategory;
    struct Case {
        const char* name;
        FileCategory category;
        const char* extension;
    };
    // clang-format off
    const Case cases[] = {
        {"FOTO.JPG", Images, ".jpg"}, {"Urlaub.Png", Images, ".png"}, {"film.mkv", Videos, ".mkv"},
        {"film.srt", Videos, ".srt"}, {"Lied.FLAC", Music, ".flac"},
        {"Bericht.docx", Documents, ".docx"}, {"buch.epub", Documents, ".epub"},
        {"notes.txt", Documents, ".txt"}, {"README", Documents, ""},
        {"x.tar.gz", Archives, ".tar.gz"}, {"Sicherung.TAR.XZ", Archives, ".tar.xz"},
        {"dump.gz", Archives, ".gz"}, {"paket_1.0_amd64.deb", Archives, ".deb"},
        {"disk.qcow2", Archives, ".qcow2"}, {"debian.iso", Archives, ".iso"},
        {"libc.so.6", Programs, ".so"}, {"libfoo.so", Programs, ".so"}, {"crt1.o", Programs, ".o"},
        {"main.c", SourceCode, ".c"}, {"main.C", SourceCode, ".c"}, {"setup.sh", SourceCode, ".sh"},
        {"Makefile", SourceCode, ""}, {"CMakeLists.txt", SourceCode, ".txt"},
        {".bashrc", Other, ""}, {"file000", Other, ""}, {"Daten.XYZ9", Other, ".xyz9"},
        {"org.example.VeryLongServiceName", Other, ""}, {"notes.", Other, ""},
    };
    // clang-format on
    for (const Case& c : cases) {
        const FileKinds::Kind kind = kinds.kindOf(c.name);
        EXPECT_EQ(kind.category, c.category) << c.name;
        EXPECT_EQ(kinds.extensionOf(c.name, kind), c.extension) << c.name;
    }
    EXPECT_EQ(kinds.globs().globs()[kinds.kindOf("x.tar.gz").glob].mimeType,
              "application/x-compressed-tar");
    EXPECT_EQ(kinds.globs().globs()[kinds.kindOf("main.C").glob].mimeType, "text/x-c++src");
}

}  // namespace
}  // namespace raumfuchs
