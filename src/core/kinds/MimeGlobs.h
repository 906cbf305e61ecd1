#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/kinds/GlobKeyTable.h"
#include "core/kinds/WildcardGlob.h"

namespace raumfuchs {

// The file-name patterns of the freedesktop MIME database, from its globs2
// file: lines `weight:type:pattern[:flags]`, the flags separated by commas,
// `cs` for a pattern matched with its letter case. Nothing but the name is
// looked at; contents are never read.
//
// A name's type is decided in three stages, and the first that matches wins:
//   1. literal names (`makefile`, `core`),
//   2. `*.ext` patterns without other wildcards, found by looking up the
//      name's suffixes from the longest: x.tar.gz is `*.tar.gz`, not `*.gz`,
//      even where `*.gz` were heavier (as the desktop's own look-up in GLib
//      decides; the database has no such pair),
//   3. every other pattern (`*.so.[0-9]*`, `readme*`), through fnmatch.
// Among the patterns a stage finds (in stage 2: for the longest suffix that
// has any) the heavier wins, then (stage 3) the longer one, then a
// case-sensitive pattern over one without `cs`, then the one listed first.
// Patterns without `cs` match whatever the case of ASCII letters (FOTO.JPG is
// `*.jpg`); a `cs` pattern only the exact bytes (main.C is `*.C`, C++).
//
// Made once and passed to whoever classifies names; match() is const and may
// run on any number of threads at once.
class MimeGlobs {
  public:
    // Where every Linux desktop keeps the database (Debian: shared-mime-info).
    static constexpr const char* kSystemFile = "/usr/share/mime/globs2";
    static constexpr int kNoMatch = -1;

    struct Glob {
        std::string mimeType;
        std::string pattern;  // as written in the file
        int weight = 50;
        bool caseSensitive = false;
        // The extension the pattern stands for, lowercase with its dot:
        // ".tar.gz" for `*.tar.gz`, ".so" for `*.so.[0-9]*`. Empty for
        // patterns that name none (`makefile`, `*~`, `*.[1-9]`).
        std::string extension;
    };

    // Reads a globs2 file. Nothing when it cannot be read or holds no pattern;
    // then `error` says so in German.
    static std::optional<MimeGlobs> read(const std::string& path, std::string& error);
    // The patterns of a globs2 text; lines that do not parse are left out.
    static MimeGlobs parse(std::string_view text);

    // The position in globs() of the pattern that decides `name`'s type, or
    // kNoMatch. `name` is one path component in the file system's bytes.
    int match(std::string_view name) const;
    const std::vector<Glob>& globs() const { return globs_; }

    // The case folding of patterns without `cs`: ASCII letters only, every
    // other byte stays as it is.
    static char foldCase(char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }

  private:
    void add(Glob glob);
    int bestKey(const GlobKeyTable& table, std::string_view exact, std::string_view lower,
                bool hasUpper) const;
    int bestWildcard(std::string_view exact, std::string_view lower) const;

    std::vector<Glob> globs_;
    GlobKeyTable literals_;
    GlobKeyTable suffixes_;                // keys start with the dot
    std::vector<WildcardGlob> wildcards_;  // in the order of globs_
    std::vector<int> wildcardGlobs_;       // their positions in globs_
    // Per lowercase byte, the first 64 wildcards that a name starting (or
    // ending) with it may match, as bits; wildcards after those are always
    // asked. Most names leave none to ask.
    std::array<std::uint64_t, 256> wildcardsByFirst_{};
    std::array<std::uint64_t, 256> wildcardsByLast_{};
};

}  // namespace raumfuchs
