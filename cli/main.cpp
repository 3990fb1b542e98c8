// morvane: the code library without a window, for scripts, editors, backups and imports.

#include "cli/cli.h"
#include "store/startup.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("morvane"));
    app.setApplicationVersion(QStringLiteral(MRV_VERSION));
    store::StartUp();
    return cli::run(app.arguments().mid(1));
}
