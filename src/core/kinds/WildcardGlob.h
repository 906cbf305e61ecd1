#pragma once

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

namespace raumfuchs {

// A pattern of the MIME database that is neither a literal name nor a plain
// `*.ext` (`*.so.[0-9]*`, `readme*`, `*~`), matched by fnmatch. Most names
// cannot match it, and a few bit tests tell which: what the pattern says of a
// name's length, its first and last byte and a run of literal bytes in it is
// worked out once.
class WildcardGlob {
  public:
    using ByteSet = std::bitset<256>;

    // `pattern` as it is to be matched: lowercase unless case-sensitive.
    WildcardGlob(std::string pattern, bool caseSensitive);

    // Whether fnmatch could accept `name` (the exact bytes for a case-sensitive
    // pattern, else the lowercase ones); false only where it cannot.
    bool mayMatch(std::string_view name) const {
        return !name.empty() && name.size() >= minLength_ &&
               first_[static_cast<unsigned char>(name.front())] &&
               last_[static_cast<unsigned char>(name.back())] &&
               (inner_.empty() || name.find(inner_) != std::string_view::npos);
    }
    // `name` must end with a NUL byte.
    bool matches(const char* name) const;
    bool caseSensitive() const { return caseSensitive_; }
    // The bytes a matching name may start and end with.
    const ByteSet& firstBytes() const { return first_; }
    const ByteSet& lastBytes() const { return last_; }

  private:
    std::string pattern_;
    bool caseSensitive_ = false;
    std::size_t minLength_ = 0;
    ByteSet first_;
    ByteSet last_;
    std::string inner_;  // the longest run of literal bytes
};

}  // namespace raumfuchs
