#pragma once

#include <string>

#include "core/kinds/KindTotals.h"

namespace raumfuchs {

// The JSON members "types" and "ages" (each with its leading comma) for
// raumfuchs-scan's object: every category largest first with its extensions,
// and the four age buckets in their order; "ages" is empty when no file has
// a known change time. Bytes are allocated bytes, a hard-linked file's once;
// files count every link.
std::string kindsJson(const KindTotals& totals);

// The German lines of the text output: a line per category that holds files,
// with its largest extensions, then the age buckets (or that there are none).
std::string kindsText(const KindTotals& totals, std::int64_t totalBytes);

}  // namespace raumfuchs
