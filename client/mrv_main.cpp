// mrv: the document host. Opens a document file (the program folder's by default) in a plain
// window, as a web browser would.

#include "client/application.h"
#include "client/document_classes.h"
#include "client/document_window.h"
#include "store/startup.h"

#include <QApplication>
#include <QUrl>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    client::setUpApplication(app, QStringLiteral("morvane-document"));

    store::StartUp();
    client::registerDocumentClasses();

    const QStringList arguments = app.arguments().mid(1);
    QString path = arguments.isEmpty() ? DocumentWindow::defaultDocumentPath() : arguments.first();
    // A file manager may hand over a URL.
    if (path.startsWith(QLatin1String("file:"))) path = QUrl(path).toLocalFile();

    DocumentWindow window;
    if (!window.open(path)) return 1;
    return app.exec();
}
