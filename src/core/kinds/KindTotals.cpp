#include "core/kinds/KindTotals.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <string_view>
#include <unordered_map>

namespace raumfuchs {

namespace {

struct Sum {
    std::int64_t bytes = 0;
    std::int64_t files = 0;
    void add(std::int64_t b) {
        bytes += b;
        ++files;
    }
    void add(const Sum& other) {
        bytes += other.bytes;
        files += other.files;
    }
};

struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const {
        return std::hash<std::string_view>()(key);
    }
};

// Sums while the walk goes: per pattern for names whose pattern names an
// extension (an array step, the common case), else per category and the
// name's own last suffix.
class Census {
  public:
    explicit Census(const FileKinds& kinds) : kinds_(kinds), byGlob_(kinds.globs().globs().size()) {
        // A flag per pattern in a few cache lines, not one look into each
        // pattern's record per file.
        namesExtension_.reserve(byGlob_.size());
        for (const MimeGlobs::Glob& glob : kinds.globs().globs()) {
            namesExtension_.push_back(!glob.extension.empty());
        }
    }

    void count(std::string_view name, std::int64_t bytes) {
        const int glob = kinds_.globs().match(name);
        if (glob != MimeGlobs::kNoMatch && namesExtension_[glob]) {
            byGlob_[glob].add(bytes);
            return;
        }
        const FileCategory category =
            glob == MimeGlobs::kNoMatch ? FileCategory::Other : kinds_.categoryOfGlob(glob);
        const std::string_view suffix = FileKinds::lastSuffix(name);
        if (suffix.empty()) {
            withoutExtension_[static_cast<std::size_t>(category)].add(bytes);
            return;
        }
        // The category's byte, then the suffix in lowercase.
        char key[1 + FileKinds::kLongestSuffix + 1];
        key[0] = static_cast<char>(category);
        std::transform(suffix.begin(), suffix.end(), key + 1, MimeGlobs::foldCase);
        const std::string_view k(key, 1 + suffix.size());
        auto it = bySuffix_.find(k);
        if (it == bySuffix_.end()) {
            it = bySuffix_.emplace(std::string(k), Sum{}).first;
        }
        it->second.add(bytes);
    }

    KindTotals totals() const {
        std::array<std::map<std::string, Sum>, kFileCategoryCount> extensions;
        const auto& globs = kinds_.globs().globs();
        for (std::size_t g = 0; g < byGlob_.size(); ++g) {
            if (byGlob_[g].files > 0) {
                extensions[static_cast<std::size_t>(kinds_.categoryOfGlob(static_cast<int>(g)))]
                          [globs[g].extension]
                              .add(byGlob_[g]);
            }
        }
        for (const auto& [key, sum] : bySuffix_) {
            extensions[static_cast<unsigned char>(key[0])][key.substr(1)].add(sum);
        }
        KindTotals result;
        for (std::size_t c = 0; c < kFileCategoryCount; ++c) {
            if (withoutExtension_[c].files > 0) {
                extensions[c][""].add(withoutExtension_[c]);
            }
            CategoryTotals category;
            category.category = static_cast<FileCategory>(c);
            for (const auto& [extension, sum] : extensions[c]) {
                category.bytes += sum.bytes;
                category.files += sum.files;
                category.extensions.push_back({extension, sum.bytes, sum.files});
            }
            // Stable: equal ones stay in the order of their names.
            std::stable_sort(category.extensions.begin(), category.extensions.end(),
                             [](const ExtensionTotals& a, const ExtensionTotals& b) {
                                 return a.bytes != b.bytes ? a.bytes > b.bytes : a.files > b.files;
                             });
            result.categories.push_back(std::move(category));
        }
        std::stable_sort(result.categories.begin(), result.categories.end(),
                         [](const CategoryTotals& a, const CategoryTotals& b) {
                             return a.bytes != b.bytes ? a.bytes > b.bytes : a.files > b.files;
                         });
        return result;
    }

  private:
    const FileKinds& kinds_;
    std::vector<Sum> byGlob_;
    std::vector<char> namesExtension_;  // by pattern
    std::array<Sum, kFileCategoryCount> withoutExtension_;
    std::unordered_map<std::string, Sum, KeyHash, std::equal_to<>> bySuffix_;
};

// How many entries the walk reads between two looks at the tree's generation.
constexpr std::size_t kEntriesPerLook = 4096;  // not measured; as largestFilesConcurrently

}  // namespace

std::optional<KindTotals> KindTotals::collect(const FileTree& tree, FileTree::Index node,
                                              const FileKinds& kinds) {
    const auto lock = tree.readLock();
    const std::uint64_t startGeneration = tree.generation();
    if (startGeneration % 2 != 0) {
        return std::nullopt;  // a change is waiting for the lock
    }
    Census census(kinds);
    if (!tree.isDirectory(node)) {
        if (tree.fileCount(node) > 0) {
            census.count(tree.nameBytes(node), tree.size(node));
        }
        return census.totals();
    }
    std::vector<FileTree::Index> stack{node};
    std::size_t sinceLook = 0;
    while (!stack.empty()) {
        const FileTree::Index dir = stack.back();
        stack.pop_back();
        const std::size_t count = tree.childCount(dir);
        for (std::size_t i = 0; i < count; ++i) {
            const FileTree::Index child = tree.child(dir, i);
            if (tree.isDirectory(child)) {
                stack.push_back(child);
            } else if (tree.fileCount(child) > 0) {
                census.count(tree.nameBytes(child), tree.size(child));
            }
        }
        sinceLook += count;
        if (sinceLook >= kEntriesPerLook) {
            sinceLook = 0;
            if (tree.generation() != startGeneration) {
                return std::nullopt;
            }
        }
    }
    return census.totals();
}

}  // namespace raumfuchs
