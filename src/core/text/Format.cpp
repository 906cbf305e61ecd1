#include "core/text/Format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace raumfuchs::Format {
namespace {

constexpr std::string_view kNoBreakSpace = "\u00A0";
constexpr std::string_view kEnDash = "\u2013";
constexpr std::string_view kMinus = "\u2212";

// Inserts "." between groups of three digits of a run of decimal digits.
std::string groupDigits(std::string_view digits) {
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += '.';
        }
        out += digits[i];
    }
    return out;
}

std::string magnitudeDigits(std::uint64_t magnitude) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude);
    return std::string(buffer.data(), result.ptr);
}

// |value| without overflow for INT64_MIN.
std::uint64_t magnitudeOf(std::int64_t value) {
    return value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
}

// Adds one to a run of decimal digits.
void incrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// Formats a double the way the platform's number formatter does: the
// shortest decimal text that reads back as the same double is taken as the
// value, multiplied by 10^scalePower, and rounded half to even at exactly
// fractionDigits digits. Working on the decimal digits keeps 0.15 from turning
// into 0.1 through its binary representation.
std::string formatDecimal(double value, int fractionDigits, int scalePower) {
    if (std::isnan(value)) {
        return "NaN";
    }
    const bool negative = std::signbit(value);
    if (std::isinf(value)) {
        return negative ? "-∞" : "∞";
    }
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      std::fabs(value), std::chars_format::scientific);
    const std::string_view text(buffer.data(), result.ptr);  // e.g. "1.2345e+02"
    const auto ePos = text.find('e');
    std::string significant;
    for (char c : text.substr(0, ePos)) {
        if (c != '.') {
            significant += c;
        }
    }
    int exponent = 0;
    const std::string_view expText = text.substr(ePos + 1);
    std::from_chars(expText.data() + (expText.front() == '+' ? 1 : 0),
                    expText.data() + expText.size(), exponent);

    // value × 10^(scalePower + fractionDigits) = 0.significant × 10^keptCount
    const long keptCount = static_cast<long>(exponent) + 1 + scalePower + fractionDigits;
    std::string kept;
    std::string dropped;
    if (keptCount <= 0) {
        kept = "0";
        dropped = std::string(static_cast<std::size_t>(-keptCount), '0') + significant;
    } else if (static_cast<std::size_t>(keptCount) >= significant.size()) {
        kept = significant +
               std::string(static_cast<std::size_t>(keptCount) - significant.size(), '0');
    } else {
        kept = significant.substr(0, static_cast<std::size_t>(keptCount));
        dropped = significant.substr(static_cast<std::size_t>(keptCount));
    }
    if (!dropped.empty()) {
        const char first = dropped.front();
        const bool restNonZero = dropped.find_first_not_of('0', 1) != std::string::npos;
        const bool lastKeptOdd = (kept.back() - '0') % 2 == 1;
        if (first > '5' || (first == '5' && (restNonZero || lastKeptOdd))) {
            incrementDigits(kept);
        }
    }
    const auto fraction = static_cast<std::size_t>(fractionDigits);
    if (kept.size() <= fraction) {
        kept.insert(0, fraction + 1 - kept.size(), '0');
    }
    std::string integerPart = kept.substr(0, kept.size() - fraction);
    integerPart.erase(0, std::min(integerPart.find_first_not_of('0'), integerPart.size() - 1));

    std::string out;
    // Like the platform, a negative value keeps its sign even when it rounds to zero.
    if (negative && value != 0.0) {
        out += '-';
    }
    out += groupDigits(integerPart);
    if (fraction > 0) {
        out += ',';
        out += kept.substr(kept.size() - fraction);
    }
    return out;
}

struct ByteUnit {
    const char* name;
    int fractionDigits;
};
constexpr std::array<ByteUnit, 4> kByteUnits{{{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}}};

constexpr std::uint64_t pow10(int exponent) {
    std::uint64_t result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= 10;
    }
    return result;
}

}  // namespace

// Zero is written with digits like every other size ("0 KB"), not spelled out
// as some platform formatters do.
std::string bytes(std::int64_t count) {
    const std::uint64_t magnitude = magnitudeOf(count);
    // The largest unit the count reaches, KB at least and TB at most.
    std::size_t unit = 0;
    while (unit + 1 < kByteUnits.size() && magnitude >= pow10(3 * static_cast<int>(unit + 2))) {
        ++unit;
    }
    std::uint64_t rounded = 0;
    int digits = 0;
    for (;;) {
        digits = kByteUnits[unit].fractionDigits;
        // Counts of a unit's smallest shown step, e.g. tenths of a MB.
        const std::uint64_t step = pow10(3 * static_cast<int>(unit + 1) - digits);
        rounded = magnitude / step + (magnitude % step >= (step + 1) / 2 ? 1 : 0);
        if (rounded >= 1000 * pow10(digits) && unit + 1 < kByteUnits.size()) {
            ++unit;  // 999.999 bytes round to 1000 KB: shown as 1 MB
            continue;
        }
        break;
    }
    const std::uint64_t fraction = rounded % pow10(digits);
    const std::uint64_t whole = rounded / pow10(digits);
    std::string fractionText;
    if (fraction != 0) {
        fractionText = magnitudeDigits(fraction);
        fractionText.insert(0, static_cast<std::size_t>(digits) - fractionText.size(), '0');
        while (fractionText.back() == '0') {
            fractionText.pop_back();
        }
    }
    std::string out;
    if (count < 0 && rounded != 0) {
        out += '-';
    }
    out += groupDigits(magnitudeDigits(whole));
    if (!fractionText.empty()) {
        out += ',';
        out += fractionText;
    }
    out += ' ';
    out += kByteUnits[unit].name;
    return out;
}

std::string duration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 10.0) {
        return formatDecimal(seconds, 1, 0) + " s";
    }
    // Whole seconds as the platform's time-span formatter counts them:
    // the fraction is cut off, not rounded.
    const double wholeSeconds = std::floor(seconds);
    const double minutes = std::floor(wholeSeconds / 60.0);
    const double rest = wholeSeconds - minutes * 60.0;
    std::string out;
    if (minutes > 0) {
        out += formatDecimal(minutes, 0, 0) + " Min.";
    }
    if (rest > 0) {
        if (!out.empty()) {
            out += ", ";
        }
        out += formatDecimal(rest, 0, 0) + " Sek.";
    }
    return out;
}

std::string percent(std::int64_t part, std::int64_t whole) {
    if (whole <= 0) {
        return std::string(kEnDash);
    }
    const double fraction = static_cast<double>(part) / static_cast<double>(whole);
    const int digits = fraction < 0.1 ? 1 : 0;
    return formatDecimal(fraction, digits, 2) + std::string(kNoBreakSpace) + "%";
}

std::string integer(std::int64_t value) {
    std::string out = value < 0 ? "-" : "";
    return out + groupDigits(magnitudeDigits(magnitudeOf(value)));
}

std::string files(std::int64_t count) {
    return integer(count) + (count == 1 ? " Datei" : " Dateien");
}

// INT64_MIN, which has no magnitude of its type, is taken as INT64_MAX: no
// shown digit tells them apart.
static std::int64_t absolute(std::int64_t value) {
    return value >= 0 ? value : (value == INT64_MIN ? INT64_MAX : -value);
}

std::string change(std::int64_t delta) {
    if (delta == 0) {
        return "±0 KB";
    }
    return (delta > 0 ? "+" : std::string(kMinus)) + bytes(absolute(delta));
}

std::string filesChange(std::int64_t delta) {
    if (delta == 0) {
        return "gleich viele Dateien";
    }
    const bool one = delta == 1 || delta == -1;
    return integer(absolute(delta)) + (one ? " Datei " : " Dateien ") +
           (delta > 0 ? "mehr" : "weniger");
}

}  // namespace raumfuchs::Format
