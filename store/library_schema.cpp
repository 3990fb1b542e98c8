#include "store/library_schema.h"

#include "store/engine/replication.h"

#include <QFile>
#include <QUuid>

namespace store {

QStringList librarySchema() {
    // `File` comes last in Procedure so that reading the other columns never touches the bytes.
    // The trigger rather than a foreign key: items must be insertable whatever their CatKey.
    return {
        QStringLiteral("CREATE TABLE [System] ("
                       "[DatabaseVersion] SMALLINT, "
                       "[GroupGUID] TEXT(38) COLLATE NOCASE, "
                       "[GroupName] TEXT(255) COLLATE NOCASE, "
                       "[CreatedDate] DATETIME)"),
        QStringLiteral("CREATE TABLE [Category] ("
                       "[CatKey] INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "[ParentKey] INTEGER, "
                       "[Type] TEXT(255) COLLATE NOCASE, "
                       "[Name] TEXT(255) COLLATE NOCASE, "
                       "[Image] LONGBLOB)"),
        QStringLiteral("CREATE TABLE [Procedure] ("
                       "[ProcKey] INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "[CatKey] INTEGER, "
                       "[Name] TEXT(255) COLLATE NOCASE, "
                       "[Type] TEXT(255) COLLATE NOCASE, "
                       "[Desc] LONGTEXT COLLATE NOCASE, "
                       "[Code] LONGTEXT COLLATE NOCASE, "
                       "[Owner] SMALLINT, "
                       "[LastChanged] DATETIME, "
                       "[LastChangedBy] SMALLINT, "
                       "[File] LONGBLOB)"),
        QStringLiteral("CREATE INDEX [CategoryParentKey] ON [Category] ([ParentKey])"),
        QStringLiteral("CREATE INDEX [CategoryName] ON [Category] ([Name])"),
        QStringLiteral("CREATE INDEX [ProcedureCatKey] ON [Procedure] ([CatKey])"),
        QStringLiteral("CREATE INDEX [ProcedureName] ON [Procedure] ([Name])"),
        // The item list's order within a category, read without touching the rows.
        QStringLiteral("CREATE INDEX [ProcedureCategoryName] ON [Procedure] ([CatKey], [Name])"),
        QStringLiteral("CREATE TRIGGER [CategoryDeletesItems] AFTER DELETE ON [Category] "
                       "BEGIN DELETE FROM [Procedure] WHERE [CatKey] = OLD.[CatKey]; END"),
    };
}

QList<engine::SearchIndexFields> librarySearchFields() {
    return {{QStringLiteral("Category"), {QStringLiteral("Name")}},
            {QStringLiteral("Procedure"), {QStringLiteral("Name"), QStringLiteral("Desc")}}};
}

QList<engine::ReplicaReference> libraryReferences() {
    return {{QStringLiteral("Procedure"), QStringLiteral("CatKey"), QStringLiteral("Category")},
            {QStringLiteral("Category"), QStringLiteral("ParentKey"), QStringLiteral("Category")}};
}

QString newGroupGuid() {
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

std::unique_ptr<engine::Database> createLibrary(const QString& path, const LibraryGroup& group) {
    std::unique_ptr<engine::Database> db = engine::createDatabase(path);
    try {
        for (const QString& statement : librarySchema()) db->Execute(statement);
        auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM [System]"));
        rs->AddNew();
        rs->Fields(QStringLiteral("DatabaseVersion")).setValue(kLibrarySchemaVersion);
        rs->Fields(QStringLiteral("GroupGUID")).setValue(group.guid.isEmpty() ? newGroupGuid() : group.guid);
        rs->Fields(QStringLiteral("GroupName")).setValue(group.name);
        rs->Fields(QStringLiteral("CreatedDate"))
            .setValue(group.created.isValid() ? group.created : QDateTime::currentDateTime());
        rs->Update();
        rs->Close();
        // Every library the system makes can be replicated and synchronised from the start.
        engine::MakeReplicable(*db, libraryReferences());
        engine::ensureSearchIndex(*db, librarySearchFields());
    } catch (...) {
        db.reset();
        QFile::remove(path);
        throw;
    }
    return db;
}

}  // namespace store
