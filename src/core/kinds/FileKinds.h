#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/kinds/FileCategory.h"
#include "core/kinds/MimeGlobs.h"
#include "core/tree/EntryStamp.h"

namespace raumfuchs {

// Kinds of files by name: the MIME database's patterns with the category each
// pattern's type folds into, worked out once. Made once per program and passed
// to whoever classifies names; const and safe on any number of threads at once.
// As a NameClassifier it stamps a tree's files with their categories.
class FileKinds : public NameClassifier {
  public:
    explicit FileKinds(MimeGlobs globs);

    std::uint8_t categoryNumber(std::string_view name) const override {
        return static_cast<std::uint8_t>(kindOf(name).category);
    }

    struct Kind {
        FileCategory category = FileCategory::Other;
        int glob = MimeGlobs::kNoMatch;  // the pattern that decided, if one did
    };
    Kind kindOf(std::string_view name) const;

    // The extension a file of that name and kind is listed under, lowercase
    // with its dot: the pattern's own (".tar.gz", ".so" for libx.so.6), else
    // the name's last suffix (lastSuffix()). Empty when there is none.
    std::string extensionOf(std::string_view name, Kind kind) const;
    // The bytes from the name's last dot on, as they stand, for names that no
    // pattern with an extension decided. Empty when the name has no dot, has
    // it only first (".bashrc") or last ("notes."), or when more than
    // kLongestSuffix bytes follow it: longer ones are parts of names
    // (org.example.SomeService, hashes), not extensions.
    static std::string_view lastSuffix(std::string_view name);
    static constexpr std::size_t kLongestSuffix = 16;  // not measured

    const MimeGlobs& globs() const { return globs_; }
    FileCategory categoryOfGlob(int glob) const { return categories_[glob]; }

  private:
    MimeGlobs globs_;
    std::vector<FileCategory> categories_;  // by position in globs_.globs()
};

}  // namespace raumfuchs
