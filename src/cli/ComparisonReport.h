#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/compare/TreeComparison.h"

namespace raumfuchs {

// What raumfuchs-scan --compare adds to its output: the scanned (or imported)
// tree against a baseline, an earlier export. `exported` is the baseline's
// time from its header (unix seconds, 0 when it names none); `top` caps the
// changed children of the root listed, largest change first.

// The JSON member "comparison" (with its leading comma): the baseline's root
// path, bytes, files and time (null when unknown), the root's change in bytes
// and files, and the root's changed children with their bytes before and
// after, the change and its state (grown, shrunk, new, removed).
std::string comparisonJson(const TreeComparison& comparison, std::int64_t exported,
                           std::size_t top);

// The German lines of the text output: the baseline, the change of the whole
// tree, then one line per changed child of the root. `file` names the baseline.
std::string comparisonText(const TreeComparison& comparison, const std::string& file,
                           std::int64_t exported, std::size_t top);

}  // namespace raumfuchs
