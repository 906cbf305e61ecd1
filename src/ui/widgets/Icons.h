#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace raumfuchs::Icons {

// The icon for a symbol name of the interface ("folder", "chevron.right",
// "trash.fill", …), taken from the freedesktop icon theme through one mapping
// table, with a drawn fallback so that no icon is ever blank. A valid `tint`
// recolours the icon (used for accent-coloured and dimmed symbols).
QIcon symbol(const QString& name, const QColor& tint = QColor());

}  // namespace raumfuchs::Icons
