#pragma once

// What the store tests share: the recorded seams, a program folder of their own (with or without a
// design master) and helpers to make library files.

#include "store/codelib.h"
#include "store/engine/engine.h"
#include "store/error_report.h"
#include "store/library_schema.h"
#include "store/paths.h"
#include "store/repair_compact.h"
#include "store/settings.h"
#include "store/status_target.h"
#include "tests/seam_fixture.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace storetest {

class RecordingStatus : public store::StatusTarget {
public:
    explicit RecordingStatus(QString instance = QString()) : m_instance(std::move(instance)) {}
    void setStatusBar(const QString& text) override { texts << text; }
    QString InstanceName() const override { return m_instance; }
    QStringList texts;

private:
    QString m_instance;
};

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QVariant scalar(engine::Database* db, const QString& sql) {
    auto rs = db->OpenRecordset(sql, engine::dbOpenSnapshot);
    return rs->eof() ? QVariant() : rs->Fields(0).Value();
}

inline void execute(const QString& file, const QStringList& statements) {
    auto db = engine::openDatabase(file);
    for (const QString& sql : statements) db->Execute(sql);
    db->Close();
}

// Adds rows items of chars characters of code each, enough to spread a library over many pages.
inline void fill(const QString& file, int rows, int chars) {
    QStringList statements;
    for (int i = 0; i < rows; ++i)
        statements << QStringLiteral("INSERT INTO [Procedure] (CatKey, Name, Code) VALUES (1, 'P%1', '%2')")
                          .arg(i)
                          .arg(QString(chars, QLatin1Char('x')));
    execute(file, statements);
}

// The seams recorded, a program folder of the test's own, the error report's mail link caught, and
// the libraries a test opened closed again.
class StoreTest : public seamtest::SeamTest {
protected:
    void SetUp() override {
        SeamTest::SetUp();
        QDir(folder()).mkpath("program/Library");
        store::setProgramFolder(folder() + "/program");
        m_previousOpener = store::setMailLinkOpener([this](const QString& link) { mailLinks << link; });
    }
    void TearDown() override {
        for (engine::Database*& db : m_opened) store::DBClose(db);
        store::setProgramFolder(QString());
        store::setMailLinkOpener(m_previousOpener);
        store::setRepairCompactFaultHook({});
        SeamTest::TearDown();
    }

    // What the last host announced to the next document it creates.
    static QString loadingInstance() {
        return store::GetSetting(store::generalAppName(), "General Properties", "Loading Instance", "<none>");
    }

    QString makeLibrary(const QString& name, int version = store::kLibrarySchemaVersion) {
        return makeFile(path(name), version);
    }
    void makeMaster(int version = store::kLibrarySchemaVersion) {
        makeFile(store::designMasterPath(), version);
    }

    // DBOpen, remembering what it opened so that the test closes it.
    bool open(const QString& file, engine::Database*& db) {
        const bool ok = store::DBOpen(file, db);
        if (ok) m_opened << db;
        return ok;
    }
    void close(engine::Database*& db) {
        m_opened.removeAll(db);
        store::DBClose(db);
    }

    // A shell script standing in for a program.
    QString script(const QString& name, const QString& body) {
        const QString file = path(name);
        writeBytes(file, "#!/bin/sh\n" + body.toUtf8() + "\n");
        QFile::setPermissions(file, QFile::permissions(file) | QFile::ExeOwner);
        return file;
    }

    QStringList mailLinks;

private:
    static QString makeFile(const QString& file, int version) {
        store::createLibrary(file, {QString(), "Test Group", QDateTime()})->Close();
        execute(file, {QStringLiteral("UPDATE [System] SET DatabaseVersion = %1").arg(version)});
        return file;
    }
    store::MailLinkOpener m_previousOpener;
    QList<engine::Database*> m_opened;
};

}  // namespace storetest
