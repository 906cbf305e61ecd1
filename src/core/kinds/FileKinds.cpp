#include "core/kinds/FileKinds.h"

#include <utility>

namespace raumfuchs {

FileKinds::FileKinds(MimeGlobs globs) : globs_(std::move(globs)) {
    categories_.reserve(globs_.globs().size());
    for (const MimeGlobs::Glob& glob : globs_.globs()) {
        categories_.push_back(categoryOfMimeType(glob.mimeType));
    }
}

FileKinds::Kind FileKinds::kindOf(std::string_view name) const {
    const int glob = globs_.match(name);
    if (glob == MimeGlobs::kNoMatch) {
        return {};
    }
    return {categories_[glob], glob};
}

std::string FileKinds::extensionOf(std::string_view name, Kind kind) const {
    if (kind.glob != MimeGlobs::kNoMatch && !globs_.globs()[kind.glob].extension.empty()) {
        return globs_.globs()[kind.glob].extension;
    }
    std::string suffix(lastSuffix(name));
    for (char& c : suffix) {
        c = MimeGlobs::foldCase(c);
    }
    return suffix;
}

std::string_view FileKinds::lastSuffix(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size() ||
        name.size() - dot - 1 > kLongestSuffix) {
        return {};
    }
    return name.substr(dot);
}

}  // namespace raumfuchs
