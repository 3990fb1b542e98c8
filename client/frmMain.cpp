#include "client/frmMain.h"

#include "client/client_start.h"
#include "client/frmSplash.h"
#include "platform/dochost.h"
#include "platform/placement.h"
#include "platform/twips.h"
#include "platform/ui.h"
#include "store/paths.h"
#include "store/settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace {

const QString kSavePosition = QStringLiteral("Save Window Position");

// A setting's truth as the old conversion read it: "True"/"False" in any case, or a number.
bool isTrue(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    bool isNumber = false;
    const double n = t.toDouble(&isNumber);
    return isNumber && n != 0.0;
}

QRect screenArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

bool onSomeScreen(const QRect& titleBar) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(titleBar)) return true;
    return false;
}

}  // namespace

frmMain::frmMain(const client::Clock& clock, qint64 startTime, QWidget* parent)
    : QMainWindow(parent), m_clock(clock), m_startTime(startTime) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Morvane (Client)"));
    WebBrowser1 = new DocumentHost(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    setCentralWidget(WebBrowser1);
    // Given the focus, the window passes it on to the document it shows.
    setFocusProxy(WebBrowser1);
    connect(WebBrowser1, &DocumentHost::NavigateComplete, this, &frmMain::WebBrowser1_NavigateComplete);
}

frmMain::~frmMain() {
    setBusy(false);
    delete m_splash;
}

QString frmMain::settingsApp() {
    return store::instanceAppName(QStringLiteral("\\(Client)"));
}

QString frmMain::placementSection() {
    return QStringLiteral("Windows\\Main");
}

QString frmMain::developmentDocumentPath() {
    return QStringLiteral(MRV_DEVELOPMENT_FOLDER "/MRVDocument.vbd");
}

const QStringList& frmMain::designDocumentPaths() {
    static const QStringList paths{
        QStringLiteral("C:\\Program Files\\Microsoft Visual Studio\\VB98\\MRVDocument.vbd"),
        QStringLiteral("D:\\Program Files\\Microsoft Visual Studio\\VB98\\MRVDocument.vbd")};
    return paths;
}

bool frmMain::Form_Load(const QString& commandLine) {
    try {
        if (!client::isDebugSwitch(commandLine)) {
            m_splash = new frmSplash;
            m_splash->showSplash();
        }
        restorePlacement();
        if (!chooseDocumentPath(commandLine)) {
            unloadSplash();
            m_unloaded = true;
            return false;
        }
        store::SaveSetting(store::generalAppName(), QStringLiteral("General Properties"),
                           QStringLiteral("Loading Instance"), QStringLiteral("2"));
        setBusy(true);
        try {
            WebBrowser1->Navigate(m_documentPath);
        } catch (const engine::Error&) {
            // No document read the announcement; left standing, it would make the next document
            // that any other host opens believe it runs in the client.
            store::SaveSetting(store::generalAppName(), QStringLiteral("General Properties"),
                               QStringLiteral("Loading Instance"), QStringLiteral("0"));
            throw;
        }
        QCoreApplication::processEvents();
    } catch (const engine::Error& error) {
        // The window stays, empty, so that the user can read the message and close it.
        setBusy(false);
        unloadSplash();
        showError(error, QStringLiteral("Error Loading System"));
        if (!m_unloaded) show();
    }
    return true;
}

void frmMain::restorePlacement() {
    const QString app = settingsApp();
    const QString section = placementSection();
    if (!isTrue(store::GetSetting(app, section, kSavePosition, QStringLiteral("False")))) {
        resize(platform::twipsToPixelsX(9000, this), platform::twipsToPixelsY(7000, this));
        const QRect area = screenArea();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
        // A small or much scaled screen holds fewer twips than the window asks for.
        platform::keepOnScreen(this);
        return;
    }
    // A measure that is no number counts as missing: one damaged value must not keep the client
    // from ever starting again.
    auto measure = [&](const char* key, double defaultValue) {
        bool ok = false;
        const double value = store::GetSetting(app, section, QLatin1String(key)).trimmed().toDouble(&ok);
        return ok ? value : defaultValue;
    };
    const QRect area = screenArea();
    const double width = measure("Width", 7000);
    const double height = measure("Height", 4500);
    const double screenWidth = platform::pixelsToTwipsX(area.width(), this);
    const double screenHeight = platform::pixelsToTwipsY(area.height(), this);
    const double left = measure("Left", screenWidth / 2 - width / 2);
    const double top = measure("Top", screenHeight / 2 - height / 2);
    resize(platform::twipsToPixelsX(width, this), platform::twipsToPixelsY(height, this));
    const QPoint at(platform::twipsToPixelsX(left, this), platform::twipsToPixelsY(top, this));
    if (onSomeScreen(QRect(at, QSize(qMax(this->width(), 100), 30))))
        move(at);
    else
        move(area.x() + (area.width() - this->width()) / 2, area.y() + (area.height() - this->height()) / 2);
    platform::keepOnScreen(this);
}

bool frmMain::chooseDocumentPath(const QString& commandLine) {
    if (commandLine.isEmpty()) {
        m_documentPath = store::programFolder() + QStringLiteral("/MRVDocument.vbd");
        return true;
    }
    if (!client::isDebugSwitch(commandLine)) {
        const QString text = QStringLiteral("Error: Incorrect Parameter passed: ") + commandLine + '\n' +
                             '\n' + QStringLiteral("Valid Parameter: /DEBUG") + '\n' + '\n' +
                             QStringLiteral(
                                 "The /DEBUG Parameter is only used by the Developers of the "
                                 "application, and has no valid use to users.");
        // Whoever typed the parameter in a terminal reads the answer there too.
        QFile err;
        if (err.open(stderr, QIODevice::WriteOnly)) err.write(text.toLocal8Bit() + '\n');
        ui::MsgBox(text, ui::vbExclamation, QStringLiteral("Error Loading Parameter"));
        return false;
    }
    const int answer =
        ui::MsgBox(QStringLiteral("Navigate to:  YES = 'Design Mode'    NO = 'Compiled Mode'?"),
                   ui::vbYesNo | ui::vbQuestion | ui::vbMsgBoxSetForeground, QStringLiteral("Navigate to?"));
    if (answer != ui::vbYes) {
        m_documentPath = developmentDocumentPath();
        return true;
    }
    for (const QString& path : designDocumentPaths()) {
        if (FoundFile(path)) {
            m_documentPath = path;
            return true;
        }
    }
    ui::MsgBox(QStringLiteral("Error: UserDocument Not found in:") + '\n' + '\n' +
                   QStringLiteral("C: or D:\\Program Files\\DevStudio\\VB\\MRVDocument.vbd"),
               ui::vbExclamation, QStringLiteral("Document not found"));
    m_documentPath = ui::InputBox(QStringLiteral("Enter ActiveX UserDocument Path and Filename:"),
                                  QStringLiteral("Enter Document Path"), QStringLiteral("C:\\"));
    return !m_documentPath.isEmpty();
}

void frmMain::WebBrowser1_NavigateComplete(QObject* document) {
    // A document of another kind never reads the announcement; it must not be left for the next one.
    if (store::GetSetting(store::generalAppName(), QStringLiteral("General Properties"),
                          QStringLiteral("Loading Instance")) == QStringLiteral("2"))
        store::SaveSetting(store::generalAppName(), QStringLiteral("General Properties"),
                           QStringLiteral("Loading Instance"), QStringLiteral("0"));
    try {
        waitForSplashMinimum();
        if (m_unloaded) return;
        // Shown before the splash goes, so that no moment passes without a window.
        show();
        unloadSplash();
        dochost::setObjectProperty(document, "Client", QVariant::fromValue(static_cast<QObject*>(this)));
        dochost::invokeObjectMethod(document, "FormatWindow");
        if (m_unloaded) return;  // the document may end the client at once
        setBusy(false);
        activateWindow();
        setFocus();
        QCoreApplication::processEvents();
    } catch (const engine::Error& error) {
        setBusy(false);
        if (!m_unloaded) show();
        unloadSplash();
        showError(error, QStringLiteral("Navigate Complete"));
    }
}

void frmMain::waitForSplashMinimum() {
    const qint64 until = m_startTime + client::kSplashMinimumMs;
    while (!m_unloaded) {
        const qint64 remaining = until - m_clock.milliseconds();
        if (remaining <= 0) break;
        QEventLoop loop;
        QTimer::singleShot(int(qMin<qint64>(remaining, 50)), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void frmMain::ExitClient() {
    close();
}

bool frmMain::FoundFile(const QString& path) const {
    if (path.isEmpty()) return false;
    return QFileInfo(path).isFile();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    const Qt::WindowStates state = windowState();
    const bool normal = !(state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    if (normal && isTrue(store::GetSetting(settingsApp(), placementSection(), kSavePosition,
                                           QStringLiteral("False")))) {
        store::SaveSettings(
            settingsApp(), placementSection(),
            {{QStringLiteral("Top"), store::singleText(platform::pixelsToTwipsY(y(), this))},
             {QStringLiteral("Left"), store::singleText(platform::pixelsToTwipsX(x(), this))},
             {QStringLiteral("Width"), store::singleText(platform::pixelsToTwipsX(width(), this))},
             {QStringLiteral("Height"), store::singleText(platform::pixelsToTwipsY(height(), this))}});
    }
    unloadSplash();
    setBusy(false);
    QCoreApplication::quit();
}

void frmMain::unloadSplash() {
    if (!m_splash) return;
    m_splash->close();
    m_splash->deleteLater();
    m_splash = nullptr;
}

void frmMain::setBusy(bool busy) {
    if (busy == m_busy) return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmMain::showError(const engine::Error& error, const QString& title) {
    ui::MsgBox(
        QStringLiteral("Error: ") + QString::number(error.number()) + '\n' + '\n' + error.description(),
        ui::vbExclamation, title);
}
