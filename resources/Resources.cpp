#include "resources/Resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE declares the generated initialiser, so it must be expanded outside any namespace.
static void registerTarvixResources()
{
    Q_INIT_RESOURCE(tarvix);
}

namespace tarvix {

void InitResources()
{
    static const bool registered = (registerTarvixResources(), true);
    (void)registered;
}

}  // namespace tarvix
