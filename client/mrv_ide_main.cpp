// mrv-ide: the code-editing IDE. Opens the project given (a project file or its folder), or a new
// one, and connects the add-ins its add-in list loads at start; Morvane's own among them runs the
// library browser in a tool window.

#include "client/application.h"
#include "client/document_classes.h"
#include "ide/Connect.h"
#include "ide/ide_window.h"
#include "store/startup.h"

#include <QApplication>
#include <QUrl>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    client::setUpApplication(app, QStringLiteral("morvane-ide"));

    store::StartUp();
    client::registerDocumentClasses();
    ide::registerAddInClasses();

    ide::IdeWindow window;
    QString project = app.arguments().value(1);
    if (project.startsWith(QLatin1String("file:"))) project = QUrl(project).toLocalFile();
    if (project.isEmpty() || !window.openProject(project)) window.newProject();
    window.show();
    window.startAddIns();
    return app.exec();
}
