#pragma once

// What the IDE tests share: the IDE's main window with its in-process object model, the add-in
// connected as the add-in manager connects it, a stand-in for the browser document with the
// members the add-in uses by name, recorded boxes and sounds, and errors caught.

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

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace idetest {

// The browser document as the add-in sees it.
class FakeDocument : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString DBFileName READ DBFileName)
    Q_PROPERTY(QObject* VBInstance READ VBInstance WRITE setVBInstance)
    Q_PROPERTY(QObject* Connect READ Connect WRITE setConnect)
public:
    explicit FakeDocument(QWidget* parent) : QWidget(parent) {
        const QString app = store::generalAppName(), section = QStringLiteral("General Properties");
        loadingInstance = store::GetSetting(app, section, QStringLiteral("Loading Instance"));
        store::SaveSetting(app, section, QStringLiteral("Loading Instance"), QStringLiteral("0"));
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

struct Raised {
    int number = 0;  // 0: nothing was raised
    QString description;
};

template <typename F>
Raised raised(F&& f) {
    try {
        f();
    } catch (const mrv::Error& e) {
        return {e.number(), e.description()};
    }
    return {};
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class IdeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::testing::enableRecording();
        ui::testing::clear();
        sound::testing::enableRecording();
        sound::testing::clear();
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath(QStringLiteral("program"));
        store::setProgramFolder(m_dir.filePath(QStringLiteral("program")));
        FakeDocument::library = QStringLiteral("/libraries/Code.mdb");
        FakeDocument::created = FakeDocument::destroyed = 0;
        dochost::registerDocumentClass(ide::Connect::kDocumentProgId,
                                       [](QWidget* parent) { return new FakeDocument(parent); });
        ide::registerAddInClasses();
        window = std::make_unique<ide::IdeWindow>();
    }
    void TearDown() override {
        window.reset();
        dochost::unregisterDocumentClass(ide::Connect::kDocumentProgId);
        store::setProgramFolder(QString());
        ui::testing::clear();
        sound::testing::clear();
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    }

    ide::Vbe* vbe() const { return window->vbe(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

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
            list << (c->BeginGroup() ? QStringLiteral("|") : QString()) + c->Caption();
        return list;
    }
    static QString buttonSetting(const QString& key) {
        return store::GetSetting(ide::Connect::addInApp(), QStringLiteral("VB Button"), key,
                                 QStringLiteral("<none>"));
    }
    static void setButtonSettings(const QString& bar, const QString& position, const QString& group) {
        store::SaveSettings(ide::Connect::addInApp(), QStringLiteral("VB Button"),
                            {{QStringLiteral("Toolbar"), bar},
                             {QStringLiteral("Position"), position},
                             {QStringLiteral("Begin Group"), group}});
    }
    static QString loadingInstance() {
        return store::GetSetting(store::generalAppName(), QStringLiteral("General Properties"),
                                 QStringLiteral("Loading Instance"), QStringLiteral("<none>"));
    }
    static const QList<ui::testing::ShownBox>& boxes() { return ui::testing::shownBoxes(); }
    static QStringList boxTitles() {
        QStringList titles;
        for (const auto& box : boxes()) titles << box.title;
        return titles;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ide::IdeWindow> window;
};

}  // namespace idetest
