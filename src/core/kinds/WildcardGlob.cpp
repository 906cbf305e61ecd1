#include "core/kinds/WildcardGlob.h"

#include <fnmatch.h>

#include <optional>
#include <utility>
#include <vector>

namespace raumfuchs {

namespace {

// One position of a pattern: the bytes it may hold there, or a star.
struct Token {
    bool star = false;
    bool literal = false;  // exactly `byte`
    char byte = 0;
    std::bitset<256> bytes;
};

// The positions of a bracket expression starting at p[open], and the index of
// its closing "]"; nothing when it has no closing one (then "[" is a literal
// byte) or holds a character class, which this reading leaves to fnmatch.
std::optional<std::pair<std::bitset<256>, std::size_t>> bracket(std::string_view p,
                                                                std::size_t open,
                                                                bool& unreadable) {
    std::size_t i = open + 1;
    const bool negate = i < p.size() && (p[i] == '!' || p[i] == '^');
    if (negate) {
        ++i;
    }
    std::bitset<256> set;
    for (const std::size_t start = i; i < p.size(); ++i) {
        if (p[i] == ']' && i > start) {
            return std::pair{negate ? ~set : set, i};
        }
        if (p[i] == '[' && i + 1 < p.size() &&
            (p[i + 1] == ':' || p[i + 1] == '=' || p[i + 1] == '.')) {
            unreadable = true;
            return std::nullopt;
        }
        if (i + 2 < p.size() && p[i + 1] == '-' && p[i + 2] != ']') {
            for (unsigned c = static_cast<unsigned char>(p[i]);
                 c <= static_cast<unsigned char>(p[i + 2]); ++c) {
                set.set(c);
            }
            i += 2;
        } else {
            set.set(static_cast<unsigned char>(p[i]));
        }
    }
    return std::nullopt;
}

// The pattern's positions as fnmatch reads them without flags in a
// single-byte reading; nothing for patterns with escapes, character classes
// or bytes beyond ASCII (which a UTF-8 locale reads as characters).
std::optional<std::vector<Token>> tokens(std::string_view p) {
    std::vector<Token> out;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c == '\\' || c >= 0x80) {
            return std::nullopt;
        }
        Token t;
        if (c == '*') {
            t.star = true;
        } else if (c == '?') {
            t.bytes.set();
        } else if (c == '[') {
            bool unreadable = false;
            const auto set = bracket(p, i, unreadable);
            if (unreadable) {
                return std::nullopt;
            }
            if (set) {
                t.bytes = set->first;
                i = set->second;
            } else {
                t.literal = true;
            }
        } else {
            t.literal = true;
        }
        if (t.literal) {
            t.byte = static_cast<char>(c);
            t.bytes.set(c);
        }
        out.push_back(t);
    }
    return out;
}

}  // namespace

WildcardGlob::WildcardGlob(std::string pattern, bool caseSensitive)
    : pattern_(std::move(pattern)), caseSensitive_(caseSensitive) {
    first_.set();
    last_.set();
    const std::optional<std::vector<Token>> parsed = tokens(pattern_);
    if (!parsed || parsed->empty()) {
        return;
    }
    const std::vector<Token>& t = *parsed;
    if (!t.front().star) {
        first_ = t.front().bytes;
    }
    if (!t.back().star) {
        last_ = t.back().bytes;
    }
    std::string run;
    for (const Token& token : t) {
        minLength_ += token.star ? 0 : 1;
        if (token.literal) {
            run += token.byte;
        } else {
            run.clear();
        }
        if (run.size() > inner_.size()) {
            inner_ = run;
        }
    }
}

bool WildcardGlob::matches(const char* name) const {
    return fnmatch(pattern_.c_str(), name, 0) == 0;
}

}  // namespace raumfuchs
