#include "cli/KindsReport.h"

#include <algorithm>

#include "core/text/Format.h"
#include "core/text/JsonString.h"
#include "core/text/Utf8.h"

namespace raumfuchs {

namespace {

// Extensions named per category in the text output (not measured).
constexpr std::size_t kExtensionsShown = 3;

std::string counted(std::int64_t bytes, std::int64_t files) {
    return ",\"bytes\":" + std::to_string(bytes) + ",\"files\":" + std::to_string(files) + "}";
}

// `text` padded with spaces to `columns` on the left (right-aligned) or right.
std::string padded(const std::string& text, std::size_t columns, bool right) {
    const std::size_t width = terminalColumns(text);
    const std::string fill(width < columns ? columns - width : 0, ' ');
    return right ? fill + text : text + fill;
}

std::string line(std::string_view name, std::int64_t bytes, std::int64_t files,
                 std::int64_t total) {
    return "  " + padded(std::string(name), 15, false) + padded(Format::bytes(bytes), 10, true) +
           "  " + padded(Format::percent(bytes, total), 6, true) + "  " +
           padded(Format::files(files), 16, true);
}

}  // namespace

std::string kindsJson(const KindTotals& totals) {
    std::string out = ",\"types\":[";
    for (std::size_t c = 0; c < totals.categories.size(); ++c) {
        const CategoryTotals& category = totals.categories[c];
        out += c == 0 ? "{\"category\":" : ",{\"category\":";
        appendJsonString(out, categoryName(category.category), JsonBytes::Utf8);
        out += ",\"bytes\":" + std::to_string(category.bytes) +
               ",\"files\":" + std::to_string(category.files) + ",\"extensions\":[";
        for (std::size_t e = 0; e < category.extensions.size(); ++e) {
            const ExtensionTotals& extension = category.extensions[e];
            out += e == 0 ? "{\"ext\":" : ",{\"ext\":";
            appendJsonString(out, extension.extension, JsonBytes::Utf8);
            out += counted(extension.bytes, extension.files);
        }
        out += "]}";
    }
    out += "],\"ages\":[";
    if (totals.hasAges()) {
        for (std::size_t b = 0; b < totals.ages.size(); ++b) {
            out += b == 0 ? "{\"bucket\":" : ",{\"bucket\":";
            appendJsonString(out, ageBucketName(totals.ages[b].bucket), JsonBytes::Utf8);
            out += counted(totals.ages[b].bytes, totals.ages[b].files);
        }
    }
    return out + "]";
}

std::string kindsText(const KindTotals& totals, std::int64_t totalBytes) {
    std::string out = "\nDateitypen:\n";
    for (const CategoryTotals& category : totals.categories) {
        if (category.files == 0) {
            continue;
        }
        out += line(categoryName(category.category), category.bytes, category.files, totalBytes);
        const std::size_t shown = std::min(kExtensionsShown, category.extensions.size());
        for (std::size_t e = 0; e < shown; ++e) {
            const ExtensionTotals& extension = category.extensions[e];
            out += e == 0 ? "  " : "; ";
            out += (extension.extension.empty() ? std::string("ohne Endung")
                                                : escapeForTerminal(extension.extension)) +
                   " " + Format::bytes(extension.bytes) + ", " + Format::files(extension.files);
        }
        out += "\n";
    }
    out += "\nAlter (seit dem Scan):\n";
    if (!totals.hasAges()) {
        return out + "  Keine Änderungszeiten bekannt.\n";
    }
    for (const AgeTotals& age : totals.ages) {
        out += line(ageBucketName(age.bucket), age.bytes, age.files, totalBytes) + "\n";
    }
    if (totals.filesWithoutAge > 0) {
        out += "  Ohne Änderungszeit: " + Format::files(totals.filesWithoutAge) + "\n";
    }
    return out;
}

}  // namespace raumfuchs
