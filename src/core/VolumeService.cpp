#include "core/VolumeService.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace raumfuchs::VolumeService {
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

// Decodes one UTF-8 sequence at pos; invalid bytes come back as
// U+DC80..U+DCFF (never produced by valid UTF-8) and advance one byte.
char32_t decodeUtf8(std::string_view s, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    }
    if (length == 0 || pos + static_cast<std::size_t>(length) > s.size()) {
        ++pos;
        return 0xDC00 + lead;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + static_cast<std::size_t>(i));
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return 0xDC00 + lead;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    static constexpr std::array<char32_t, 5> kMinimum{0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[static_cast<std::size_t>(length)] || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return 0xDC00 + lead;
    }
    pos += static_cast<std::size_t>(length);
    return cp;
}

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
            fold(decodeUtf8(s, pos), unit);
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

std::vector<VolumeInfo> orderedVolumes(const std::vector<VolumeRecord>& records) {
    std::vector<VolumeInfo> volumes;
    for (const VolumeRecord& record : records) {
        if (record.browsable.has_value() && !*record.browsable) {
            continue;
        }
        if (!record.total.has_value() || *record.total <= 0) {
            continue;
        }
        VolumeInfo info;
        info.path = record.path;
        info.total = *record.total;
        if (record.availableImportant.has_value() && *record.availableImportant > 0) {
            info.available = *record.availableImportant;
        } else {
            info.available = record.available.value_or(0);
        }
        if (record.localizedName.has_value()) {
            info.name = *record.localizedName;
        } else if (record.volumeName.has_value()) {
            info.name = *record.volumeName;
        } else if (!record.lastComponent.empty()) {
            info.name = record.lastComponent;
        } else {
            std::string_view path = record.path;
            while (path.size() > 1 && path.back() == '/') {
                path.remove_suffix(1);
            }
            const auto slash = path.rfind('/');
            info.name = std::string(
                slash == std::string_view::npos || path == "/" ? path : path.substr(slash + 1));
        }
        info.isRemovable = record.removable.value_or(false);
        info.isInternal = record.internal.value_or(false);
        volumes.push_back(std::move(info));
    }
    std::stable_sort(volumes.begin(), volumes.end(), [](const VolumeInfo& a, const VolumeInfo& b) {
        const bool aRoot = a.path == "/";
        const bool bRoot = b.path == "/";
        if (aRoot || bRoot) {
            return aRoot && !bRoot;
        }
        return localizedStandardCompare(a.name, b.name) < 0;
    });
    return volumes;
}

}  // namespace raumfuchs::VolumeService
