#pragma once

#include <string>

#include "core/UnattributedSpace.h"

namespace raumfuchs {

// The JSON member "unattributed" (with its leading comma) for raumfuchs-scan's
// object: bytes, null where a part was not measured.
std::string unattributedJson(const UnattributedSpace& space);

// The German lines of the text output, one per part.
std::string unattributedText(const UnattributedSpace& space);

}  // namespace raumfuchs
