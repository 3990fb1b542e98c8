#pragma once

// The client's main window: one browser control filling it (its central widget, so that it follows
// every resize), navigated to the browser document, which then runs here as the "Client" instance
// and calls ExitClient to end the program.

#include "client/frmSplash.h"
#include "store/engine/error.h"

#include <QMainWindow>
#include <QPointer>

class DocumentHost;

namespace client {
class Clock;
}

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // startTime: the clock's reading when the program started.
    frmMain(const client::Clock& clock, qint64 startTime, QWidget* parent = nullptr);
    ~frmMain() override;

    // Loads the window for that command line: the splash, the placement, the document path and the
    // navigation. False when the program is to end (a wrong command line, no path given); errors
    // are shown and leave the window up.
    bool Form_Load(const QString& commandLine);

    // Unloads the window, which ends the program.
    Q_INVOKABLE void ExitClient();
    // True when a file (not a folder) of exactly that name exists.
    Q_INVOKABLE bool FoundFile(const QString& path) const;

    void WebBrowser1_NavigateComplete(QObject* document);

    DocumentHost* WebBrowser1 = nullptr;
    // Null once unloaded, and in debug mode.
    frmSplash* splash() const { return m_splash; }
    QString documentPath() const { return m_documentPath; }
    // After Form_Unload: the program is ending.
    bool isUnloaded() const { return m_unloaded; }

    // The settings this window keeps: application name and section.
    static QString settingsApp();
    static QString placementSection();
    // The document a developer's "Compiled Mode" opens: the build's own program folder.
    static QString developmentDocumentPath();
    // Where the host components of the document's design mode were kept.
    static const QStringList& designDocumentPaths();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Unload();
    void restorePlacement();
    // The document path for the command line; false when the program is to end.
    bool chooseDocumentPath(const QString& commandLine);
    void waitForSplashMinimum();
    void unloadSplash();
    void setBusy(bool busy);
    void showError(const engine::Error& error, const QString& title);

    const client::Clock& m_clock;
    qint64 m_startTime;
    QPointer<frmSplash> m_splash;
    QString m_documentPath;
    bool m_busy = false;
    bool m_unloaded = false;
};
