#pragma once

// A small library-shaped database in a temporary folder, for the engine's tests.

#include "store/engine/engine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

class EngineTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        engine::setBusyTimeout(200);
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    std::unique_ptr<engine::Database> makeLibrary(const QString& name = "lib.mdb") {
        auto db = engine::createDatabase(path(name));
        db->Execute(
            "CREATE TABLE [Category]([CatKey] INTEGER PRIMARY KEY AUTOINCREMENT, [ParentKey] INTEGER, "
            "[Type] TEXT(255) COLLATE NOCASE, [Name] TEXT(255) COLLATE NOCASE, [Image] LONGBLOB)");
        db->Execute(
            "CREATE TABLE [Procedure]([ProcKey] INTEGER PRIMARY KEY AUTOINCREMENT, [CatKey] INTEGER, "
            "[Name] TEXT(255) COLLATE NOCASE, [Type] TEXT(255) COLLATE NOCASE, [Desc] LONGTEXT COLLATE "
            "NOCASE, "
            "[Code] LONGTEXT COLLATE NOCASE, [Owner] SMALLINT, [LastChanged] DATETIME, "
            "[LastChangedBy] SMALLINT, [File] LONGBLOB)");
        db->Execute(
            "CREATE TABLE [System]([DatabaseVersion] SMALLINT, [GroupGUID] TEXT(38), [GroupName] TEXT(255), "
            "[CreatedDate] DATETIME)");
        db->Execute(
            "INSERT INTO [System] VALUES (3, '{00000000-0000-0000-0000-000000000001}', 'Group', "
            "#12/06/26 10:30:00#)");
        return db;
    }

    // Adds a category and returns its counter.
    static int addCategory(engine::Database& db, const QString& name, int parent = 0) {
        auto rs = db.OpenRecordset("SELECT * FROM Category WHERE CatKey = Null");
        rs->AddNew();
        rs->Fields("ParentKey").setValue(parent);
        rs->Fields("Name").setValue(name);
        rs->Update();
        rs->setBookmark(rs->LastModified());
        return rs->Fields("CatKey").Value().toInt();
    }

    static int addItem(engine::Database& db, int cat, const QString& name, const QString& code = "x") {
        auto rs = db.OpenRecordset("SELECT P.* FROM [Procedure] AS P WHERE P.ProcKey = NULL");
        rs->AddNew();
        rs->Fields("CatKey").setValue(cat);
        rs->Fields("Name").setValue(name);
        rs->Fields("Type").setValue("Text/Code");
        rs->Fields("Code").setValue(code);
        rs->Fields("LastChanged").setValue("12/06/26");
        rs->Update();
        rs->setBookmark(rs->LastModified());
        return rs->Fields("ProcKey").Value().toInt();
    }

    static QByteArray readAll(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void writeAll(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    // The error number a call raises, or 0.
    template <typename F>
    static int errorOf(F&& f) {
        try {
            f();
        } catch (const engine::Error& e) {
            return e.number();
        }
        return 0;
    }

    QTemporaryDir m_dir;
};
