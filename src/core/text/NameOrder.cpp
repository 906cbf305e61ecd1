#include "core/text/NameOrder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/text/Utf8.h"

namespace raumfuchs::NameOrder {
namespace {

// Primary classes in sort order.
enum class CharClass { Space, Punctuation, Digit, Letter, Other };

struct Unit {
    CharClass cls = CharClass::Other;
    std::u32string primary;   // folded: lower case, no accents ("ß" → "ss")
    char32_t caseFolded = 0;  // lower case, accents kept
    bool upper = false;
    std::string_view digits;  // the run itself for CharClass::Digit, leading zeros stripped
    std::size_t digitRunLength = 0;
};

// Base letters of U+00C0..U+00FF in lower case; '\0' for the two signs.
constexpr char kLatin1Base[] =
    "aaaaaaaceeeeiiii"    // C0–CF (C6 Æ handled apart)
    "dnooooo\0ouuuuyts"   // D0–DF (D7 ×, DE Þ, DF ß handled apart)
    "aaaaaaaceeeeiiii"    // E0–EF
    "dnooooo\0ouuuuyty";  // F0–FF (F7 ÷)

void fold(char32_t cp, Unit& unit) {
    if (cp >= 'A' && cp <= 'Z') {
        unit.upper = true;
        cp += 'a' - 'A';
    }
    unit.caseFolded = cp;
    if (cp < 0x80) {
        unit.primary = std::u32string(1, cp);
        if (cp >= 'a' && cp <= 'z') {
            unit.cls = CharClass::Letter;
        } else if (cp == ' ' || cp == '\t' || cp == '\n' || cp == '\r') {
            unit.cls = CharClass::Space;
        } else {
            unit.cls = CharClass::Punctuation;
        }
        return;
    }
    if (cp >= 0xC0 && cp <= 0xFF && cp != 0xD7 && cp != 0xF7) {
        unit.cls = CharClass::Letter;
        unit.upper = cp < 0xE0 && cp != 0xDF;
        unit.caseFolded = unit.upper ? cp + 0x20 : cp;
        if (cp == 0xC6 || cp == 0xE6) {
            unit.primary = U"ae";
        } else if (cp == 0xDF) {
            unit.primary = U"ss";
        } else if (cp == 0xDE || cp == 0xFE) {
            unit.primary = U"th";
        } else {
            unit.primary = std::u32string(1, static_cast<char32_t>(kLatin1Base[cp - 0xC0]));
        }
        return;
    }
    if (cp == 0xA0) {
        unit.cls = CharClass::Space;
        unit.primary = U" ";
        return;
    }
    if (cp < 0xC0) {
        unit.cls = CharClass::Punctuation;
    } else {
        unit.cls = cp >= 0xDC80 && cp <= 0xDCFF ? CharClass::Other : CharClass::Letter;
    }
    unit.primary = std::u32string(1, cp);
}

std::vector<Unit> split(std::string_view s) {
    std::vector<Unit> units;
    std::size_t pos = 0;
    while (pos < s.size()) {
        Unit unit;
        if (s[pos] >= '0' && s[pos] <= '9') {
            const std::size_t start = pos;
            while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
                ++pos;
            }
            std::string_view run = s.substr(start, pos - start);
            unit.cls = CharClass::Digit;
            unit.digitRunLength = run.size();
            const auto firstNonZero = run.find_first_not_of('0');
            unit.digits = firstNonZero == std::string_view::npos ? run.substr(run.size())
                                                                 : run.substr(firstNonZero);
        } else {
            fold(decodeUtf8At(s, pos), unit);
        }
        units.push_back(std::move(unit));
    }
    return units;
}

template <typename T>
int threeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// One step of the first comparison level; a folded letter may give several
// ("ß" → "s", "s").
struct Element {
    CharClass cls;
    char32_t ch = 0;
    std::string_view digits;
};

std::vector<Element> primaryElements(const std::vector<Unit>& units) {
    std::vector<Element> elements;
    for (const Unit& unit : units) {
        if (unit.cls == CharClass::Digit) {
            elements.push_back({unit.cls, 0, unit.digits});
        } else {
            for (char32_t ch : unit.primary) {
                elements.push_back({unit.cls, ch, {}});
            }
        }
    }
    return elements;
}

int compareElements(const Element& a, const Element& b) {
    if (a.cls != b.cls) {
        return threeWay(static_cast<int>(a.cls), static_cast<int>(b.cls));
    }
    if (a.cls == CharClass::Digit) {
        if (a.digits.size() != b.digits.size()) {
            return threeWay(a.digits.size(), b.digits.size());
        }
        return threeWay(a.digits, b.digits);
    }
    return threeWay(a.ch, b.ch);
}

}  // namespace

int localizedStandardCompare(std::string_view a, std::string_view b) {
    const std::vector<Unit> left = split(a);
    const std::vector<Unit> right = split(b);
    {
        const std::vector<Element> l = primaryElements(left);
        const std::vector<Element> r = primaryElements(right);
        const std::size_t common = std::min(l.size(), r.size());
        for (std::size_t i = 0; i < common; ++i) {
            if (const int order = compareElements(l[i], r[i]); order != 0) {
                return order;
            }
        }
        if (l.size() != r.size()) {
            return threeWay(l.size(), r.size());
        }
    }
    // Equal but for accents, case or leading zeros: accents decide first, then
    // lower case before upper case, then fewer leading zeros.
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (const int order = threeWay(left[i].caseFolded, right[i].caseFolded); order != 0) {
            return order;
        }
    }
    for (std::size_t i = 0; i < common; ++i) {
        if (left[i].upper != right[i].upper) {
            return left[i].upper ? 1 : -1;
        }
        if (left[i].digitRunLength != right[i].digitRunLength) {
            return threeWay(left[i].digitRunLength, right[i].digitRunLength);
        }
    }
    return threeWay(a, b);
}

}  // namespace raumfuchs::NameOrder
