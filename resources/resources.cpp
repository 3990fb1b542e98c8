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

QIcon programIcon() {
    initResources();
    QIcon icon;
    for (const char* file :
         {":/icons/MRV16.png", ":/icons/MRV32.png", ":/icons/morvane.png", ":/icons/morvane-128.png"})
        icon.addFile(QLatin1String(file));
    return icon;
}
