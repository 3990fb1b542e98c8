#include "client/document_window.h"
#include "base/error.h"

#include "platform/dochost.h"
#include "platform/placement.h"
#include "platform/ui.h"
#include "store/paths.h"
#include "store/settings.h"
#include "store/window_settings.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace {
// A browser keeps its window's placement with the settings of the instance it shows.
const QString kSuffix = QStringLiteral("\\(Browser)");
}  // namespace

DocumentWindow::DocumentWindow(QWidget* parent) : QMainWindow(parent), m_host(new DocumentHost(this)) {
    setObjectName(QStringLiteral("frmDocumentWindow"));
    setWindowTitle(QStringLiteral("Morvane"));
    setCentralWidget(m_host);
    connect(m_host, &DocumentHost::NavigateComplete, this, &DocumentWindow::navigateComplete);
}

QString DocumentWindow::defaultDocumentPath() {
    return store::programFolder() + QStringLiteral("/MRVDocument.vbd");
}

bool DocumentWindow::open(const QString& path) {
    try {
        if (store::GetSettingKeys(store::instanceAppName(kSuffix), store::windowSection(this)).isEmpty())
            placeFirstTime();
        else
            store::WindowRestore(this, kSuffix);
    } catch (const mrv::Error&) {
        // A damaged placement leaves the window where it is; the document matters more.
    }
    try {
        m_host->Navigate(path);
        return true;
    } catch (const mrv::Error& error) {
        ui::MsgBox(QStringLiteral("The document \"%1\" cannot be opened.").arg(path) + '\n' + '\n' +
                       QStringLiteral("Error ") + QString::number(error.number()) + QStringLiteral(": ") +
                       error.description(),
                   ui::vbExclamation, QStringLiteral("Morvane"));
        return false;
    }
}

void DocumentWindow::placeFirstTime() {
    store::WindowRestore(this, kSuffix, false, true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    platform::keepOnScreen(this);
}

void DocumentWindow::navigateComplete(QObject* document) {
    const auto* widget = qobject_cast<QWidget*>(document);
    const QString title = widget ? widget->windowTitle() : QString();
    setWindowTitle(
        title.isEmpty() ? QFileInfo(m_host->LocationURL()).fileName() + QStringLiteral(" - Morvane") : title);
    show();
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    try {
        store::WindowSave(this, kSuffix);
    } catch (const mrv::Error&) {
        // Closing goes on whatever the settings file does.
    }
    event->accept();
}
