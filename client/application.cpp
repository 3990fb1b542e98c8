#include "client/application.h"

#include "platform/ui_widgets.h"
#include "resources/resources.h"

#include <QApplication>

namespace client {

void setUpApplication(QApplication& app, const QString& desktopFileName) {
    app.setApplicationName(QStringLiteral("Morvane"));
    app.setApplicationVersion(QStringLiteral(MRV_VERSION));
    app.setDesktopFileName(desktopFileName);
    app.setWindowIcon(programIcon());
    ui::installWidgetsBackend();
}

}  // namespace client
