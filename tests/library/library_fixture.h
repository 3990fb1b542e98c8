#pragma once

// What the library dialog tests share: the store's fixture, a document that replaces its library as
// the browser does (closes it, runs the work, opens the path again whatever happened), and small
// libraries with named items.

#include "../store/fake_main_window.h"
#include "../store/store_fixture.h"

#include "store/codelib.h"
#include "store/engine/replication.h"
#include "store/settings.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

namespace librarytest {

using storetest::execute;
using storetest::scalar;

// What unzip gives of the archive's member (all members when none is named).
inline QByteArray unzipped(const QString& archive, const QString& member = QString()) {
    QProcess unzip;
    unzip.start("unzip", member.isEmpty() ? QStringList{"-p", archive} : QStringList{"-p", archive, member});
    unzip.waitForFinished();
    return unzip.readAllStandardOutput();
}

class Document : public storetest::FakeMainWindow {
public:
    store::LibraryReplacement replaceLibrary(const std::function<bool(QString&)>& work) override {
        QString path = DBFileName();
        store::DBClose(db);
        bool done = false;
        try {
            done = work(path);
        } catch (const engine::Error& err) {
            thrown << err.description();
        }
        engine::Database* opened = nullptr;
        if (!path.isEmpty() && store::DBOpen(path, opened)) db = opened;
        if (db) ++systemInits;
        return done ? store::LibraryReplacement::Succeeded : store::LibraryReplacement::Failed;
    }
    bool ReOpenDB(QString& path, engine::Database*& database) override {
        const QString target = path;
        replaceLibrary([&](QString& p) {
            p = target;
            return true;
        });
        database = db;
        return db != nullptr;
    }
    QStringList thrown;
};

class LibraryTest : public storetest::StoreTest {
protected:
    void TearDown() override {
        store::DBClose(doc.db);
        StoreTest::TearDown();
    }
    // A replicable library with the items named, and a replica of it when replica is given.
    QString makeGroup(const QString& name, const QStringList& items, const QString& replica = QString()) {
        const QString file = makeLibrary(name);
        execute(file, {"INSERT INTO Category (CatKey, ParentKey, Name) VALUES (1, 0, 'Code')"});
        for (const QString& item : items) addItem(file, item, "from " + name);
        auto db = engine::openDatabase(file);
        engine::MakeReplicable(*db);
        if (!replica.isEmpty()) engine::MakeReplica(*db, path(replica), "Replica");
        return file;
    }
    static void addItem(const QString& file, const QString& item, const QString& code) {
        execute(file, {QStringLiteral("INSERT INTO [Procedure] (CatKey, Name, Code) VALUES (1, '%1', '%2')")
                           .arg(item, code)});
    }
    // "name=code" of every item, in name order.
    static QStringList items(const QString& file) {
        auto db = engine::openDatabase(file, false, true);
        QStringList out;
        for (auto rs = db->OpenRecordset("SELECT Name, Code FROM [Procedure] ORDER BY Name"); !rs->eof();
             rs->MoveNext())
            out << rs->Fields(0).text() + "=" + rs->Fields(1).text();
        return out;
    }
    // Opens file as the document's library.
    void openInDocument(const QString& file) {
        store::DBClose(doc.db);
        ASSERT_TRUE(store::DBOpen(file, doc.db));
    }
    // Files in the test folder whose names begin with a dot: what a write beside a target leaves.
    QStringList leftovers() const {
        return QDir(folder())
            .entryList(QDir::Hidden | QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)
            .filter(QRegularExpression("^\\."));
    }

    Document doc;
};

}  // namespace librarytest
