// mrvc: the standalone client.

#include "client/application.h"
#include "client/client_start.h"
#include "client/document_classes.h"
#include "client/frmMain.h"
#include "store/startup.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    client::setUpApplication(app, QStringLiteral("morvane"));
    // The main window ends the program itself; the splash closing must not.
    app.setQuitOnLastWindowClosed(false);

    const client::SteadyClock clock;
    store::StartUp();
    client::registerDocumentClasses();

    const std::unique_ptr<frmMain> main = client::Main(client::commandLineOf(app.arguments().mid(1)), clock);
    if (!main || main->isUnloaded()) return 0;
    return app.exec();
}
