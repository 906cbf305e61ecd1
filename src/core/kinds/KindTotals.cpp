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
// extension of the file's category (an array step, the common case), else
// per category and the name's own last suffix.
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

    void count(std::string_view name, FileCategory category, int ageDays, std::int64_t bytes) {
        if (ageDays == EntryStamp::kUnknownAge) {
            ++filesWithoutAge_;
        } else {
            ages_[static_cast<std::size_t>(ageBucketOf(ageDays))].add(bytes);
        }
        // No pattern that names an extension matches a name without a dot.
        const std::size_t dot = name.find('.');
        if (dot == std::string_view::npos) {
            withoutExtension_[static_cast<std::size_t>(category)].add(bytes);
            return;
        }
        const int glob = kinds_.globs().match(name);
        if (glob != MimeGlobs::kNoMatch && namesExtension_[glob] &&
            kinds_.categoryOfGlob(glob) == category) {
            byGlob_[glob].add(bytes);
            return;
        }
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

    void fill(KindTotals& result) const {
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
        for (std::size_t b = 0; b < kAgeBucketCount; ++b) {
            result.ages[b] = {static_cast<AgeBucket>(b), ages_[b].bytes, ages_[b].files};
        }
        result.filesWithoutAge = filesWithoutAge_;
    }

  private:
    const FileKinds& kinds_;
    std::vector<Sum> byGlob_;
    std::vector<char> namesExtension_;  // by pattern
    std::array<Sum, kFileCategoryCount> withoutExtension_;
    std::unordered_map<std::string, Sum, KeyHash, std::equal_to<>> bySuffix_;
    std::array<Sum, kAgeBucketCount> ages_;
    std::int64_t filesWithoutAge_ = 0;
};

void addFile(FolderMix& mix, FileCategory category, int ageDays, std::int64_t bytes) {
    mix.categoryBytes[static_cast<std::size_t>(category)] += bytes;
    const std::size_t age = ageDays == EntryStamp::kUnknownAge
                                ? kAgeBucketCount
                                : static_cast<std::size_t>(ageBucketOf(ageDays));
    mix.ageBytes[age] += bytes;
}

void addMix(FolderMix& to, const FolderMix& from) {
    for (std::size_t i = 0; i < to.categoryBytes.size(); ++i) {
        to.categoryBytes[i] += from.categoryBytes[i];
    }
    for (std::size_t i = 0; i < to.ageBytes.size(); ++i) {
        to.ageBytes[i] += from.ageBytes[i];
    }
}

// How many entries the walk reads between two looks at the tree's generation.
constexpr std::size_t kEntriesPerLook = 4096;  // not measured; as largestFilesConcurrently

}  // namespace

bool KindTotals::hasAges() const {
    return std::any_of(ages.begin(), ages.end(), [](const AgeTotals& a) { return a.files > 0; });
}

std::optional<KindTotals> KindTotals::collect(const FileTree& tree, FileTree::Index node,
                                              const FileKinds& kinds, const Options& options) {
    const auto lock = tree.readLock();
    const std::uint64_t startGeneration = tree.generation();
    if (startGeneration % 2 != 0) {
        return std::nullopt;  // a change is waiting for the lock
    }
    Census census(kinds);
    KindTotals result;
    const auto categoryOf = [&](FileTree::Index n) {
        return static_cast<FileCategory>(tree.category(n));
    };
    if (!tree.isDirectory(node)) {
        if (tree.fileCount(node) > 0) {
            census.count(tree.nameBytes(node), categoryOf(node), tree.ageDays(node),
                         tree.size(node));
        }
        census.fill(result);
        return result;
    }
    // Depth first, each folder's mix added to its parent's when it is done.
    struct Open {
        FileTree::Index folder;
        std::size_t next;
        int depth;
        FolderMix mix;
    };
    const std::int64_t mixMinBytes = std::max<std::int64_t>(
        1, static_cast<std::int64_t>(options.mixMinShare * static_cast<double>(tree.size(node))));
    std::vector<Open> open{{node, 0, 0, {}}};
    std::size_t sinceLook = 0;
    while (!open.empty()) {
        Open& top = open.back();
        const std::size_t count = tree.childCount(top.folder);
        if (top.next == count) {
            if (top.depth > 0 && top.depth <= options.mixDepth &&
                tree.size(top.folder) >= mixMinBytes) {
                result.folders.emplace(top.folder, top.mix);
            }
            const FolderMix mix = top.mix;
            open.pop_back();
            if (!open.empty()) {
                addMix(open.back().mix, mix);
            }
            continue;
        }
        const FileTree::Index child = tree.child(top.folder, top.next++);
        if (tree.isDirectory(child)) {
            open.push_back({child, 0, top.depth + 1, {}});
        } else if (tree.fileCount(child) > 0) {
            const FileCategory category = categoryOf(child);
            const int age = tree.ageDays(child);
            const std::int64_t bytes = tree.size(child);
            census.count(tree.nameBytes(child), category, age, bytes);
            addFile(top.mix, category, age, bytes);
        }
        if (++sinceLook >= kEntriesPerLook) {
            sinceLook = 0;
            if (tree.generation() != startGeneration) {
                return std::nullopt;
            }
        }
    }
    census.fill(result);
    return result;
}

}  // namespace raumfuchs
