#include "viewer/ui/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitPallionResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace viewer::ui {

void LoadResources()
{
    static const bool loaded = (InitPallionResources(), true);
    (void)loaded;
}

} // namespace viewer::ui
