#include "ui/widgets/AppIcon.h"

// The resources live in a static library; they have to be registered by hand
// before first use.
static void registerResources() {
    Q_INIT_RESOURCE(raumfuchs);
}

namespace raumfuchs {

QIcon appIcon() {
    static const bool registered = (registerResources(), true);
    (void)registered;
    return QIcon(QStringLiteral(":/raumfuchs/raumfuchs.svg"));
}

}  // namespace raumfuchs
