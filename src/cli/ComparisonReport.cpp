#include "cli/ComparisonReport.h"

#include <ctime>

#include "core/text/Format.h"
#include "core/text/JsonString.h"
#include "core/text/Utf8.h"

namespace raumfuchs {

namespace {

const char* stateName(ChangeState state) {
    switch (state) {
        case ChangeState::Grown:
            return "grown";
        case ChangeState::Shrunk:
            return "shrunk";
        case ChangeState::New:
            return "new";
        case ChangeState::Removed:
            return "removed";
        case ChangeState::Unchanged:
            break;
    }
    return "unchanged";
}

const char* stateText(ChangeState state) {
    switch (state) {
        case ChangeState::Grown:
            return "gewachsen";
        case ChangeState::Shrunk:
            return "geschrumpft";
        case ChangeState::New:
            return "neu";
        case ChangeState::Removed:
            return "entfernt";
        case ChangeState::Unchanged:
            break;
    }
    return "unverändert";
}

std::string json(std::string_view bytes) {
    std::string out;
    appendJsonString(out, bytes, JsonBytes::Utf8);
    return out;
}

// `text` right-aligned in `columns` terminal columns.
std::string padLeft(const std::string& text, std::size_t columns) {
    const std::size_t used = terminalColumns(text);
    return std::string(used < columns ? columns - used : 0, ' ') + text;
}

std::string padRight(const std::string& text, std::size_t columns) {
    const std::size_t used = terminalColumns(text);
    return text + std::string(used < columns ? columns - used : 0, ' ');
}

bool isFolder(const TreeComparison& comparison, const TreeComparison::Change& change) {
    return change.node != FileTree::kNone ? comparison.current().isDirectory(change.node)
                                          : comparison.baseline().isDirectory(change.baselineNode);
}

}  // namespace

std::string comparisonJson(const TreeComparison& comparison, std::int64_t exported,
                           std::size_t top) {
    const FileTree& before = comparison.baseline();
    std::string out = ",\"comparison\":{\"baseline\":{\"path\":" + json(before.path(0));
    out += ",\"bytes\":" + std::to_string(before.size(0));
    out += ",\"files\":" + std::to_string(before.fileCount(0));
    out += ",\"exported\":" + (exported > 0 ? std::to_string(exported) : std::string("null"));
    out += "},\"delta\":" + std::to_string(comparison.deltaBytes(0));
    out += ",\"filesDelta\":" + std::to_string(comparison.deltaFiles(0));
    out += ",\"changes\":[";
    const std::vector<TreeComparison::Change> changes = comparison.changes(0, top);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const TreeComparison::Change& c = changes[i];
        out += i == 0 ? "{" : ",{";
        out += "\"name\":" + json(c.name);
        out += ",\"before\":" + std::to_string(c.before);
        out += ",\"after\":" + std::to_string(c.after);
        out += ",\"delta\":" + std::to_string(c.delta);
        out += ",\"state\":\"" + std::string(stateName(c.state)) + "\"}";
    }
    return out + "]}";
}

std::string comparisonText(const TreeComparison& comparison, const std::string& file,
                           std::int64_t exported, std::size_t top) {
    const FileTree& before = comparison.baseline();
    std::string text = "\nVergleich:    „" + escapeForTerminal(file) + "“";
    if (exported > 0) {
        const std::time_t seconds = static_cast<std::time_t>(exported);
        std::tm local{};
        localtime_r(&seconds, &local);
        char when[32];
        std::strftime(when, sizeof when, "%d.%m.%Y, %H:%M", &local);
        text += std::string(", Scan vom ") + when;
    }
    text += "\nVorher:       " + Format::bytes(before.size(0)) + ", " +
            Format::files(before.fileCount(0)) + "\n";
    text += "Veränderung:  " + Format::change(comparison.deltaBytes(0)) + ", " +
            Format::filesChange(comparison.deltaFiles(0)) + "\n";
    const std::vector<TreeComparison::Change> changes = comparison.changes(0, top);
    if (changes.empty()) {
        return text;
    }
    text += "\nGrößte Veränderungen:\n";
    for (const TreeComparison::Change& c : changes) {
        text += "  " + padLeft(Format::change(c.delta), 11) + "  " +
                padRight(stateText(c.state), 11) + "  " + escapeForTerminal(c.name) +
                (isFolder(comparison, c) ? "/" : "") + "\n";
    }
    return text;
}

}  // namespace raumfuchs
