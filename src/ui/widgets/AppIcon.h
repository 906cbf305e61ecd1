#pragma once

#include <QIcon>

namespace raumfuchs {

// The program's own icon (a fox-coloured sunburst), from the compiled-in
// resources.
QIcon appIcon();

}  // namespace raumfuchs
