#pragma once

// What the IDE tests share: the IDE's main window with its in-process object model, the add-in
// connected as the add-in manager connects it, a stand-in for the browser document with the
// members the add-in uses by name, and errors caught; on the store's fixture (recorded seams, a
// program folder of the test's own).

#include "browser/MRVDocument.h"
#include "ide/Connect.h"
#include "ide/ide_window.h"
#include "ide/vbe.h"
#include "platform/dochost.h"
#include "platform/private_profile.h"
#include "platform/sound.h"
#include "platform/ui.h"
#include "store/paths.h"
#include "store/settings.h"
#include "store/startup.h"
#include "tests/store/store_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace idetest {

// The browser document as the add-in sees it.
class FakeDocument : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString DBFileName READ DBFileName)
    Q_PROPERTY(QObject* VBInstance READ VBInstance WRITE setVBInstance)
    Q_PROPERTY(QObject* Connect READ Connect WRITE setConnect)
public:
    explicit FakeDocument(QWidget* parent) : QWidget(parent) {
        const QString app = store::generalAppName(), section = "General Properties";
        loadingInstance = store::GetSetting(app, section, "Loading Instance");
        store::SaveSetting(app, section, "Loading Instance", "0");
        flagAtCreation = browser::MRVDocument::toolWindowCreating();
        ++created;
        last = this;
    }
    ~FakeDocument() override { ++destroyed; }
    QString DBFileName() const { return library; }
    QObject* VBInstance() const { return m_vbInstance; }
    void setVBInstance(QObject* vbe) { m_vbInstance = vbe; }
    QObject* Connect() const { return m_connect; }
    void setConnect(QObject* connect) { m_connect = connect; }
    Q_INVOKABLE void FormatWindow() {
        ++formatCalls;
        if (browser::MRVDocument::toolWindowCreating()) ++formatsWhileCreating;
    }

    QString loadingInstance;
    bool flagAtCreation = false;
    int formatCalls = 0;
    int formatsWhileCreating = 0;
    // What the next document has open; "" for none.
    static inline QString library;
    static inline int created = 0, destroyed = 0;
    static inline QPointer<FakeDocument> last;

private:
    QPointer<QObject> m_vbInstance, m_connect;
};

using seamtest::raised;
using storetest::readBytes;
using storetest::writeBytes;

class IdeTest : public storetest::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        FakeDocument::library = "/libraries/Code.mdb";
        FakeDocument::created = FakeDocument::destroyed = 0;
        dochost::registerDocumentClass(ide::Connect::kDocumentProgId,
                                       [](QWidget* parent) { return new FakeDocument(parent); });
        ide::registerAddInClasses();
        window = std::make_unique<ide::IdeWindow>();
    }
    void TearDown() override {
        window.reset();
        dochost::unregisterDocumentClass(ide::Connect::kDocumentProgId);
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        StoreTest::TearDown();
    }

    ide::Vbe* vbe() const { return window->vbe(); }

    // Morvane listed in the add-in list and connected, as the add-in manager connects it.
    ide::Connect* connectAddIn() {
        store::RegisterAddIn();
        vbe()->readAddInList();
        entry()->connectAddIn(ide::ConnectAfterStartup);
        return qobject_cast<ide::Connect*>(entry()->Object());
    }
    ide::AddInEntry* entry() const {
        return static_cast<ide::AddInEntry*>(vbe()->Addins()->Item(ide::Connect::kProgId));
    }
    void disconnectAddIn() {
        entry()->disconnectAddIn(ide::RemoveByUser);
        settle();
    }
    static void settle() {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The captions of a bar's controls, "|" before those that begin a group.
    QStringList captions(const QString& bar) const {
        QStringList list;
        for (const ide::Control* c : vbe()->bar(bar)->controls())
            list << (c->BeginGroup() ? "|" : QString()) + c->Caption();
        return list;
    }
    static QString buttonSetting(const QString& key) {
        return store::GetSetting(ide::Connect::addInApp(), "VB Button", key, "<none>");
    }
    static void setButtonSettings(const QString& bar, const QString& position, const QString& group) {
        store::SaveSettings(ide::Connect::addInApp(), "VB Button",
                            {{"Toolbar", bar}, {"Position", position}, {"Begin Group", group}});
    }
    std::unique_ptr<ide::IdeWindow> window;
};

}  // namespace idetest
