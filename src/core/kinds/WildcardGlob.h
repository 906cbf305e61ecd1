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
    // `pattern` as it is to be matched (lowercase for one without `cs`).
    explicit WildcardGlob(std::string pattern);

    // Whether fnmatch could accept `name`; false only where it cannot.
    bool mayMatch(std::string_view name) const {
        return !name.empty() && name.size() >= minLength_ &&
               first_[static_cast<unsigned char>(name.front())] &&
               last_[static_cast<unsigned char>(name.back())] &&
               (inner_.empty() || name.find(inner_) != std::string_view::npos);
    }
    // `name` must end with a NUL byte.
    bool matches(const char* name) const;
    std::size_t patternLength() const { return pattern_.size(); }

  private:
    std::string pattern_;
    std::size_t minLength_ = 0;
    std::bitset<256> first_;
    std::bitset<256> last_;
    std::string inner_;  // the longest run of literal bytes
};

}  // namespace raumfuchs
