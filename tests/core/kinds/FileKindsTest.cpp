#include "core/kinds/FileKinds.h"

#include <gtest/gtest.h>

#include <string>

namespace raumfuchs {
namespace {

// Type names fold by rules, also names this machine's database may not have.
TEST(FileKindsTest, MimeTypesFoldIntoCategories) {
    const std::pair<const char*, FileCategory> cases[] = {
        {"image/jpeg", FileCategory::Images},
        {"image/vnd.djvu+multipage", FileCategory::Documents},
        {"video/x-matroska", FileCategory::Videos},
        {"application/x-subrip", FileCategory::Videos},
        {"audio/flac", FileCategory::Music},
        {"application/pdf", FileCategory::Documents},
        {"application/x-gzpdf", FileCategory::Documents},
        {"application/vnd.oasis.opendocument.text", FileCategory::Documents},
        {"application/epub+zip", FileCategory::Documents},
        {"text/plain", FileCategory::Documents},
        {"text/x-readme", FileCategory::Documents},
        {"text/markdown", FileCategory::Documents},
        {"application/zip", FileCategory::Archives},
        {"application/x-zstd-compressed-tar", FileCategory::Archives},
        {"application/vnd.debian.binary-package", FileCategory::Archives},
        {"application/x-raw-disk-image-xz-compressed", FileCategory::Archives},
        {"application/x-vmdk-disk", FileCategory::Archives},
        {"application/x-executable", FileCategory::Programs},
        {"application/vnd.microsoft.portable-executable", FileCategory::Programs},
        {"application/x-object", FileCategory::Programs},
        {"text/x-csrc", FileCategory::SourceCode},
        {"application/x-shellscript", FileCategory::SourceCode},
        {"font/ttf", FileCategory::Other},
        {"application/x-nes-rom", FileCategory::Other},
        {"application/json", FileCategory::Other},
    };
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
    struct Case {
        const char* name;
        FileCategory category;
        const char* extension;
    };
    const Case cases[] = {
        {"FOTO.JPG", FileCategory::Images, ".jpg"},
        {"Urlaub.Png", FileCategory::Images, ".png"},
        {"film.mkv", FileCategory::Videos, ".mkv"},
        {"film.srt", FileCategory::Videos, ".srt"},
        {"Lied.FLAC", FileCategory::Music, ".flac"},
        {"Bericht.docx", FileCategory::Documents, ".docx"},
        {"buch.epub", FileCategory::Documents, ".epub"},
        {"notes.txt", FileCategory::Documents, ".txt"},
        {"README", FileCategory::Documents, ""},
        {"x.tar.gz", FileCategory::Archives, ".tar.gz"},
        {"Sicherung.TAR.XZ", FileCategory::Archives, ".tar.xz"},
        {"dump.gz", FileCategory::Archives, ".gz"},
        {"paket_1.0_amd64.deb", FileCategory::Archives, ".deb"},
        {"disk.qcow2", FileCategory::Archives, ".qcow2"},
        {"debian.iso", FileCategory::Archives, ".iso"},
        {"libc.so.6", FileCategory::Programs, ".so"},
        {"libfoo.so", FileCategory::Programs, ".so"},
        {"crt1.o", FileCategory::Programs, ".o"},
        {"main.c", FileCategory::SourceCode, ".c"},
        {"main.C", FileCategory::SourceCode, ".c"},
        {"setup.sh", FileCategory::SourceCode, ".sh"},
        {"Makefile", FileCategory::SourceCode, ""},
        {"CMakeLists.txt", FileCategory::SourceCode, ".txt"},
        {".bashrc", FileCategory::Other, ""},
        {"file000", FileCategory::Other, ""},
        {"Daten.XYZ9", FileCategory::Other, ".xyz9"},
        {"org.example.VeryLongServiceName", FileCategory::Other, ""},
        {"notes.", FileCategory::Other, ""},
    };
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
