#include "resources/resources.h"

#include <QtGlobal>

void initResources() {
    static const bool registered = [] {
        // Declares the resource's registration function, which must be done outside any namespace.
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(registered);
}
