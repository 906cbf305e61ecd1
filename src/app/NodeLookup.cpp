#include "app/NodeLookup.h"

#include "core/text/Utf8.h"

#include <QString>
#include <algorithm>
#include <vector>

namespace raumfuchs {

namespace {

QString composed(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
        .normalized(QString::NormalizationForm_C);
}

// A name prepared once for many comparisons.
class Name {
  public:
    explicit Name(std::string_view bytes)
        : bytes_(bytes),
          valid_(isValidUtf8(bytes)),
          composed_(valid_ ? composed(bytes) : QString()) {}

    bool matches(std::string_view other) const {
        if (other == bytes_) {
            return true;
        }
        return valid_ && isValidUtf8(other) && composed(other) == composed_;
    }

  private:
    std::string_view bytes_;
    bool valid_;
    QString composed_;
};

// Canonical equivalence never adds or removes a "/" (it has no decomposition
// and combines with nothing), so the part of `path` that can stand for a
// prefix with n slashes ends right after the n-th slash of `path`.
std::size_t endAfterSlashes(std::string_view path, std::size_t slashes) {
    std::size_t position = 0;
    for (std::size_t found = 0; found < slashes; ++found) {
        position = path.find('/', position);
        if (position == std::string_view::npos) {
            return std::string_view::npos;
        }
        ++position;
    }
    return position;
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
    return Name(a).matches(b);
}

FileNode findNode(const FileNode& root, const std::string& path) {
    if (!root) {
        return {};
    }
    const std::string rootPath = root.path();
    std::string_view rest;
    if (sameName(rootPath, path)) {
        rest = {};
    } else {
        const std::string prefix = rootPath.ends_with('/') ? rootPath : rootPath + "/";
        const auto slashes =
            static_cast<std::size_t>(std::count(prefix.begin(), prefix.end(), '/'));
        const std::size_t end = endAfterSlashes(path, slashes);
        if (end == std::string_view::npos ||
            !sameName(prefix, std::string_view(path).substr(0, end))) {
            return {};
        }
        rest = std::string_view(path).substr(end);
    }

    FileNode node = root;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view piece = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (piece.empty()) {
            continue;
        }
        const Name name(piece);
        FileNode match;
        const std::size_t count = node.childCount();
        for (std::size_t i = 0; i < count && !match; ++i) {
            FileNode child = node.child(i);
            if (name.matches(child.nameBytes())) {
                match = std::move(child);
            }
        }
        if (!match) {
            return {};
        }
        node = std::move(match);
    }
    return node;
}

std::vector<std::string> namesBelow(const FileNode& folder, const FileNode& node) {
    std::vector<std::string> names;
    if (!folder || !node || &node.tree() != &folder.tree() ||
        !folder.tree().isWithin(node.index(), folder.index())) {
        return names;
    }
    for (FileNode n = node; !(n == folder); n = n.parent()) {
        names.emplace_back(n.nameBytes());
    }
    return names;
}

FileNode followNames(const FileNode& folder, const std::vector<std::string>& names) {
    FileNode reached = folder;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        FileNode next;
        for (const FileNode& child : reached.children()) {
            if (child.isDirectory() && child.nameBytes() == *name) {
                next = child;
                break;
            }
        }
        if (!next) {
            break;
        }
        reached = next;
    }
    return reached;
}

}  // namespace raumfuchs
