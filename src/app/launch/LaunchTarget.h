#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "platform/DesktopServices.h"

namespace raumfuchs {

// The scan that "--scan PATH" on the command line asks for, or the export
// that "--open FILE" asks to read (it wins when both are given), or nothing.
// The path is made absolute against the working directory (no check that it
// exists); the name is the desktop's display name of that path.
// `arguments` are the process's own bytes, program path first. Take them from
// argv before QApplication sees it: Qt removes the options it knows (such as
// "-reverse") from argv, and a path following "--scan" or "--open" must stay
// verbatim.
std::optional<ScanTarget> launchTarget(const std::vector<std::string>& arguments,
                                       DesktopServices& services);

std::vector<std::string> argumentBytes(int argc, const char* const* argv);

}  // namespace raumfuchs
