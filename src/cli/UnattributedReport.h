#pragma once

#include <string>

#include "core/scan/UnattributedSpace.h"

namespace raumfuchs {

// The JSON member "unattributed" (with its leading comma) for raumfuchs-scan's
// object: bytes, null where a part was not measured; "used" is what the file
// systems the scan entered report together.
std::string unattributedJson(const UnattributedSpace& space);

// The German lines of the text output: what is used, on which file systems
// when the scan entered several, what of it is not attributable, then one
// line per part.
std::string unattributedText(const UnattributedSpace& space);

}  // namespace raumfuchs
