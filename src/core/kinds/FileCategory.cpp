#include "core/kinds/FileCategory.h"

#include <fnmatch.h>

#include <string>

namespace raumfuchs {

namespace {

struct Rule {
    const char* types;  // an fnmatch pattern over type names
    FileCategory category;
};

using enum FileCategory;

// The first rule that matches a type decides. Rules name types as the
// freedesktop MIME database (shared-mime-info) does, older and newer names of
// the same type side by side; a name's extension never appears here.
constexpr Rule kRules[] = {
    // DjVu is a format of scanned books, though filed under image/.
    {"image/vnd.djvu*", Documents},
    // The three media trees of the IANA registry.
    {"image/*", Images},
    {"video/*", Videos},
    {"audio/*", Music},
    // Subtitles go with their films.
    {"application/x-subrip", Videos},
    {"text/vtt", Videos},
    {"text/x-ssa", Videos},
    {"text/x-microdvd", Videos},
    {"text/x-mpsub", Videos},
    {"text/x-subviewer", Videos},

    // Programs: ELF executables, shared and static libraries (ar's .a and
    // libtool's .la stand for libraries), object files, Windows executables,
    // compiled Java and Python, AppImages.
    {"application/x-executable", Programs},
    {"application/x-pie-executable", Programs},
    {"application/x-sharedlib", Programs},
    {"application/x-shared-library-la", Programs},
    {"application/x-archive", Programs},
    {"application/x-object", Programs},
    {"application/x-ms-dos-executable", Programs},
    {"application/x-msdownload", Programs},
    {"application/vnd.microsoft.portable-executable", Programs},
    {"application/x-java", Programs},
    {"application/x-java-archive", Programs},
    {"application/x-python-bytecode", Programs},
    {"application/vnd.appimage", Programs},
    {"application/x-iso9660-appimage", Programs},

    // Documents: PDF, PostScript and DVI (also their compressed forms, such as
    // application/x-gzpdf), office suites, e-books.
    {"application/pdf", Documents},
    {"application/x-*pdf", Documents},
    {"application/postscript", Documents},
    {"application/x-*postscript", Documents},
    {"application/x-*dvi", Documents},
    {"application/oxps", Documents},
    {"application/vnd.ms-xpsdocument", Documents},
    {"application/rtf", Documents},
    {"application/x-troff-man", Documents},  // manual pages
    {"application/msword*", Documents},
    {"application/vnd.ms-word*", Documents},
    {"application/vnd.ms-excel*", Documents},
    {"application/vnd.ms-powerpoint*", Documents},
    {"application/vnd.ms-works", Documents},
    {"application/vnd.openxmlformats-officedocument.*", Documents},
    {"application/vnd.oasis.opendocument.*", Documents},
    {"application/vnd.sun.xml.*", Documents},
    {"application/vnd.stardivision.*", Documents},
    {"application/vnd.apple.pages", Documents},
    {"application/vnd.apple.numbers", Documents},
    {"application/vnd.apple.keynote", Documents},
    {"application/vnd.wordperfect", Documents},
    {"application/x-abiword", Documents},
    {"application/epub+zip", Documents},
    {"application/x-mobipocket-ebook", Documents},
    {"application/vnd.amazon.mobi8-ebook", Documents},
    {"application/x-fictionbook+xml", Documents},
    {"application/x-zip-compressed-fb2", Documents},
    {"application/vnd.comicbook*", Documents},
    {"application/x-cb7", Documents},
    {"application/x-cbt", Documents},

    // Archives: packages, containers, compressors and disk images. Office
    // files and e-books are zip files too; their rules come first.
    {"application/vnd.debian.binary-package", Archives},
    {"application/x-rpm", Archives},
    {"application/x-source-rpm", Archives},
    {"application/vnd.android.package-archive", Archives},
    {"application/vnd.flatpak", Archives},
    {"application/vnd.snap", Archives},
    {"application/x-msi", Archives},
    {"application/zip", Archives},
    {"application/x-zip-compressed", Archives},
    {"application/x-tar", Archives},
    {"application/x-ustar", Archives},
    {"application/x-compressed-tar", Archives},    // gzip
    {"application/x-*-compressed-tar", Archives},  // bzip, xz, zstd, lzma, lzip, lz4 …
    {"application/x-tarz", Archives},
    {"application/x-tzo", Archives},
    {"application/x-7z-compressed", Archives},
    {"application/vnd.rar", Archives},
    {"application/x-rar*", Archives},
    {"application/x-cpio*", Archives},
    {"application/vnd.ms-cab-compressed", Archives},
    {"application/gzip", Archives},
    {"application/x-gzip", Archives},
    {"application/x-bzip*", Archives},
    {"application/x-xz", Archives},
    {"application/zstd", Archives},
    {"application/x-zstd", Archives},
    {"application/x-lzma", Archives},
    {"application/x-lzip", Archives},
    {"application/x-lz4", Archives},
    {"application/x-lzop", Archives},
    {"application/x-lrzip", Archives},
    {"application/x-compress", Archives},
    {"application/x-cd-image", Archives},
    {"application/x-*-cd-image", Archives},
    {"application/x-compressed-iso", Archives},
    {"application/x-*disk-image*", Archives},  // raw disk and floppy images, xz-packed ones
    {"application/x-qemu-disk", Archives},
    {"application/x-v*-disk", Archives},  // VirtualBox, Hyper-V and VMware: vdi, vhd, vhdx, vmdk
    {"application/x-apple-diskimage", Archives},
    {"application/vnd.efi.img", Archives},
    {"application/vnd.efi.iso", Archives},
    {"application/vnd.squashfs", Archives},

    // Plain-text documents that the database files under text/x-: read-me
    // files, licences, logs.
    {"text/x-readme", Documents},
    {"text/x-copying", Documents},
    {"text/x-authors", Documents},
    {"text/x-credits", Documents},
    {"text/x-install", Documents},
    {"text/x-changelog", Documents},
    {"text/x-nfo", Documents},
    {"text/x-log", Documents},
    // Source code: text/x-* is where the database keeps programming languages
    // (text/x-csrc, text/x-python, text/x-makefile …); scripts and a few
    // languages have names of their own.
    {"text/x-*", SourceCode},
    {"text/css", SourceCode},
    {"text/javascript", SourceCode},
    {"text/rust", SourceCode},
    {"text/tcl", SourceCode},
    {"text/vbscript", SourceCode},
    {"application/javascript", SourceCode},
    {"application/ecmascript", SourceCode},
    {"application/x-shellscript", SourceCode},
    {"application/x-csh", SourceCode},
    {"application/x-perl", SourceCode},
    {"application/x-php", SourceCode},
    {"application/x-ruby", SourceCode},
    {"application/x-awk", SourceCode},
    {"application/x-m4", SourceCode},
    {"application/sql", SourceCode},
    {"application/vnd.coffeescript", SourceCode},
    {"application/x-gdscript", SourceCode},
    // Every other text is one to read: text/plain, Markdown, CSV, HTML, …
    {"text/*", Documents},
};

}  // namespace

std::string_view categoryName(FileCategory category) {
    switch (category) {
        case Images:
            return "Bilder";
        case Videos:
            return "Videos";
        case Music:
            return "Musik";
        case Documents:
            return "Dokumente";
        case Archives:
            return "Archive";
        case Programs:
            return "Programme";
        case SourceCode:
            return "Quelltext";
        case Other:
            break;
    }
    return "Sonstige";
}

FileCategory categoryOfMimeType(std::string_view mimeType) {
    const std::string type(mimeType);  // fnmatch wants the terminating NUL
    for (const Rule& rule : kRules) {
        if (fnmatch(rule.types, type.c_str(), FNM_CASEFOLD) == 0) {
            return rule.category;
        }
    }
    return Other;
}

}  // namespace raumfuchs
