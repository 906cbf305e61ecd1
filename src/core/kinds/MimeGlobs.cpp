#include "core/kinds/MimeGlobs.h"

#include <bit>
#include <cerrno>
#include <charconv>
#include <optional>

#include "core/system/ErrnoText.h"
#include "core/system/WholeFile.h"
#include "core/text/Utf8.h"

namespace raumfuchs {

namespace {

constexpr std::string_view kWildcards = "*?[";
// Bytes that may belong to a wildcard, a bracket expression or an escape.
constexpr std::string_view kPatternBytes = "*?[]\\";

std::string lowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = MimeGlobs::foldCase(c);
    }
    return out;
}

// A name in lowercase, NUL-terminated for fnmatch, kept on the stack for the
// names file systems allow, with where its last upper-case letter was.
class LowerName {
  public:
    explicit LowerName(std::string_view name) {
        char* out = inline_;
        if (name.size() >= sizeof inline_) {
            heap_.resize(name.size() + 1);
            out = heap_.data();
        }
        for (std::size_t i = 0; i < name.size(); ++i) {
            out[i] = MimeGlobs::foldCase(name[i]);
            if (out[i] != name[i]) {
                lastUpper_ = i;
            }
        }
        out[name.size()] = '\0';
        text_ = {out, name.size()};
    }
    LowerName(const LowerName&) = delete;
    LowerName& operator=(const LowerName&) = delete;

    std::string_view text() const { return text_; }
    // Whether the name holds an upper-case letter at `pos` or after it.
    bool upperFrom(std::size_t pos) const {
        return lastUpper_ != std::string_view::npos && lastUpper_ >= pos;
    }

  private:
    char inline_[256];
    std::string heap_;
    std::string_view text_;
    std::size_t lastUpper_ = std::string_view::npos;
};

// The extension a pattern stands for: the literal bytes after its leading "*"
// up to the next wildcard, without a dot at their end, when that leaves more
// than the dot.
std::string extensionOf(std::string_view pattern) {
    if (!pattern.starts_with("*.")) {
        return {};
    }
    std::string_view run = pattern.substr(1, pattern.find_first_of(kPatternBytes, 1) - 1);
    if (run.ends_with('.')) {
        run.remove_suffix(1);
    }
    return run.size() > 1 ? lowercase(run) : std::string();
}

std::optional<int> parseWeight(std::string_view text) {
    int weight = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), weight);
    if (error != std::errc() || end != text.data() + text.size() || weight < 0 || weight > 100) {
        return std::nullopt;
    }
    return weight;
}

bool hasFlag(std::string_view flags, std::string_view flag) {
    while (!flags.empty()) {
        const std::size_t comma = flags.find(',');
        if (flags.substr(0, comma) == flag) {
            return true;
        }
        flags.remove_prefix(comma == std::string_view::npos ? flags.size() : comma + 1);
    }
    return false;
}

// Whether `a` beats `b` in the last stage: heavier, else longer, else
// case-sensitive where `b` is not.
bool outranks(const MimeGlobs::Glob& a, const MimeGlobs::Glob& b) {
    if (a.weight != b.weight) {
        return a.weight > b.weight;
    }
    if (a.pattern.size() != b.pattern.size()) {
        return a.pattern.size() > b.pattern.size();
    }
    return a.caseSensitive && !b.caseSensitive;
}

}  // namespace

std::optional<MimeGlobs> MimeGlobs::read(const std::string& path, std::string& error) {
    const std::string shown = decodeUtf8Lossy(path);
    errno = 0;
    const std::optional<std::string> text = readWholeFile(path);
    if (!text) {
        error = "Die Dateitypen lassen sich nicht bestimmen: „" + shown + "“ ist nicht lesbar (" +
                errnoText(errno != 0 ? errno : EIO) + ").";
        return std::nullopt;
    }
    MimeGlobs globs = parse(*text);
    if (globs.globs_.empty()) {
        error = "Die Dateitypen lassen sich nicht bestimmen: „" + shown +
                "“ enthält keine Dateimuster.";
        return std::nullopt;
    }
    return globs;
}

MimeGlobs MimeGlobs::parse(std::string_view text) {
    MimeGlobs result;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        // weight:type:pattern, then the flags and fields of later versions.
        std::string_view fields[4];
        std::size_t count = 0;
        while (count < 4) {
            const std::size_t colon = line.find(':');
            fields[count++] = line.substr(0, colon);
            if (colon == std::string_view::npos) {
                break;
            }
            line.remove_prefix(colon + 1);
        }
        const std::optional<int> weight = count >= 3 ? parseWeight(fields[0]) : std::nullopt;
        // __NOGLOBS__ lets a user's database drop the system's patterns of a
        // type; within one file it says nothing.
        if (!weight || fields[1].find('/') == std::string_view::npos || fields[2].empty() ||
            fields[2] == "__NOGLOBS__") {
            continue;
        }
        Glob glob;
        glob.weight = *weight;
        glob.mimeType = fields[1];
        glob.pattern = fields[2];
        glob.caseSensitive = count == 4 && hasFlag(fields[3], "cs");
        result.add(std::move(glob));
    }
    return result;
}

void MimeGlobs::add(Glob glob) {
    const int index = static_cast<int>(globs_.size());
    const std::string_view pattern = glob.pattern;
    const std::string keyed = glob.caseSensitive ? glob.pattern : lowercase(pattern);
    glob.extension = extensionOf(pattern);
    if (pattern.find_first_of(kWildcards) == std::string_view::npos) {
        literals_.add(keyed, glob.caseSensitive, index, glob.weight);
    } else if (pattern.starts_with("*.") &&
               pattern.find_first_of(kPatternBytes, 1) == std::string_view::npos) {
        suffixes_.add(std::string_view(keyed).substr(1), glob.caseSensitive, index, glob.weight);
    } else {
        const WildcardGlob& w = wildcards_.emplace_back(keyed, glob.caseSensitive);
        if (const std::size_t bit = wildcards_.size() - 1; bit < 64) {
            for (unsigned b = 0; b < 256; ++b) {
                const auto folded = static_cast<unsigned char>(foldCase(static_cast<char>(b)));
                wildcardsByFirst_[folded] |= std::uint64_t{w.firstBytes()[b]} << bit;
                wildcardsByLast_[folded] |= std::uint64_t{w.lastBytes()[b]} << bit;
            }
        }
        wildcardGlobs_.push_back(index);
    }
    globs_.push_back(std::move(glob));
}

int MimeGlobs::match(std::string_view name) const {
    if (name.empty()) {
        return kNoMatch;
    }
    const LowerName lower(name);
    const int literal = bestKey(literals_, name, lower.text(), lower.upperFrom(0));
    if (literal != kNoMatch) {
        return literal;
    }
    // From the longest suffix a pattern has; the first one with a pattern wins.
    const std::size_t longest = suffixes_.longestKey();
    std::size_t pos = name.size() > longest ? name.size() - longest : 0;
    for (; pos < name.size(); ++pos) {
        if (name[pos] != '.') {
            continue;
        }
        const int suffix =
            bestKey(suffixes_, name.substr(pos), lower.text().substr(pos), lower.upperFrom(pos));
        if (suffix != kNoMatch) {
            return suffix;
        }
    }
    return bestWildcard(name, lower.text());
}

int MimeGlobs::bestKey(const GlobKeyTable& table, std::string_view exact, std::string_view lower,
                       bool hasUpper) const {
    int insensitive = kNoMatch;
    int sensitive = kNoMatch;
    if (const GlobKeyTable::Entry* entry = table.find(lower)) {
        insensitive = entry->caseInsensitive;
        if (!hasUpper) {
            sensitive = entry->caseSensitive;  // the exact bytes are the lowercase ones
        }
    }
    if (hasUpper) {
        if (const GlobKeyTable::Entry* entry = table.find(exact)) {
            sensitive = entry->caseSensitive;
        }
    }
    if (sensitive == kNoMatch) {
        return insensitive;
    }
    if (insensitive == kNoMatch) {
        return sensitive;
    }
    return globs_[insensitive].weight > globs_[sensitive].weight ? insensitive : sensitive;
}

int MimeGlobs::bestWildcard(std::string_view exact, std::string_view lower) const {
    const std::uint64_t asked = wildcardsByFirst_[static_cast<unsigned char>(lower.front())] &
                                wildcardsByLast_[static_cast<unsigned char>(lower.back())];
    // `lower` is NUL-terminated (LowerName); the exact bytes are copied only
    // for a case-sensitive pattern that passes the cheap checks.
    std::optional<std::string> exactCopy;
    int best = kNoMatch;
    const auto ask = [&](std::size_t i) {
        const WildcardGlob& w = wildcards_[i];
        if (!w.mayMatch(w.caseSensitive() ? exact : lower) ||
            (best != kNoMatch && !outranks(globs_[wildcardGlobs_[i]], globs_[best]))) {
            return;  // listed later, it could only win by being better
        }
        const char* subject = lower.data();
        if (w.caseSensitive()) {
            if (!exactCopy) {
                exactCopy.emplace(exact);
            }
            subject = exactCopy->c_str();
        }
        if (w.matches(subject)) {
            best = wildcardGlobs_[i];
        }
    };
    for (std::uint64_t left = asked; left != 0; left &= left - 1) {
        ask(static_cast<std::size_t>(std::countr_zero(left)));
    }
    for (std::size_t i = 64; i < wildcards_.size(); ++i) {
        ask(i);
    }
    return best;
}

}  // namespace raumfuchs
