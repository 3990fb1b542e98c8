#pragma once

// What the client tests share: a stand-in for the browser document with the members the hosts
// use by name, a clock the test moves, and a program folder holding the document file.

#include "client/client_start.h"
#include "client/document_classes.h"
#include "client/frmMain.h"
#include "client/frmSplash.h"
#include "platform/dochost.h"
#include "platform/ui.h"
#include "store/paths.h"
#include "store/settings.h"
#include "tests/store/store_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace fake {

// The document as its hosts see it: reads and clears "Loading Instance" when created, as the real
// one does, and takes Client and FormatWindow by name.
class MRVDocument : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QObject* Client READ Client WRITE setClient)
public:
    explicit MRVDocument(QWidget* parent) : QWidget(parent) {
        const QString app = store::generalAppName(), section = "General Properties";
        loadingInstance = store::GetSetting(app, section, "Loading Instance", "0");
        instanceType = loadingInstance == "1" ? 1 : loadingInstance == "2" ? 2 : 3;
        store::SaveSetting(app, section, "Loading Instance", "0");
        last = this;
        if (onCreated) onCreated();
    }
    ~MRVDocument() override {
        if (last == this) last = nullptr;
    }
    QObject* Client() const { return m_client; }
    void setClient(QObject* client) { m_client = client; }
    Q_INVOKABLE void FormatWindow() {
        ++formatCalls;
        if (onFormatWindow) onFormatWindow();
    }

    QString loadingInstance;
    int instanceType = 0;
    int formatCalls = 0;
    static inline MRVDocument* last = nullptr;
    static inline std::function<void()> onCreated;
    static inline std::function<void()> onFormatWindow;

private:
    QObject* m_client = nullptr;
};

// Moves on by step at every reading, as time passes while the client waits.
class TickClock : public client::Clock {
public:
    explicit TickClock(qint64 start, qint64 step = 250) : now(start), step(step) {}
    qint64 milliseconds() const override {
        ++readings;
        const qint64 t = now;
        now += step;
        return t;
    }
    mutable qint64 now;
    qint64 step;
    mutable int readings = 0;
};

}  // namespace fake

namespace clienttest {

class ClientTest : public storetest::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        storetest::writeBytes(store::programFolder() + "/MRVDocument.vbd",
                              dochost::documentFileText(client::kDocumentClass));
        dochost::registerDocumentClass(client::kDocumentClass,
                                       [](QWidget* parent) { return new fake::MRVDocument(parent); });
        fake::MRVDocument::onCreated = nullptr;
        fake::MRVDocument::onFormatWindow = nullptr;
    }
    void TearDown() override {
        dochost::unregisterDocumentClass(client::kDocumentClass);
        fake::MRVDocument::onCreated = nullptr;
        fake::MRVDocument::onFormatWindow = nullptr;
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        StoreTest::TearDown();
    }

    // A main window loaded for that command line on the clock, and settled unless told otherwise.
    static std::unique_ptr<frmMain> load(const QString& commandLine, fake::TickClock& clock,
                                         bool* loaded = nullptr, bool settled = true) {
        auto main = std::make_unique<frmMain>(clock, clock.milliseconds());
        const bool ok = main->Form_Load(commandLine);
        if (loaded) *loaded = ok;
        if (settled) settle();
        return main;
    }

    // The splash window on the screen, if any.
    static frmSplash* shownSplash() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* splash = qobject_cast<frmSplash*>(w); splash && splash->isVisible()) return splash;
        return nullptr;
    }

    // Runs queued events until the navigation has completed (or nothing more happens).
    static void settle() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static QString clientSetting(const QString& key) {
        return store::GetSetting(frmMain::settingsApp(), frmMain::placementSection(), key, "<none>");
    }
    // The only box shown, its buttons and icon in the message box's style.
    static void expectOneBox(const QString& title, const QString& text, int style) {
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, title);
        EXPECT_EQ(boxes()[0].text, text);
        EXPECT_EQ(boxes()[0].buttons | boxes()[0].icon, style);
    }

    fake::TickClock m_clock{0, 5000};
};

}  // namespace clienttest
