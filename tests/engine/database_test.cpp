// Opening files of every kind, locks, and the file stays one self-contained rollback-journal file.

#include "engine_fixture.h"

#include "store/engine/replication.h"

#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace engine;

using OpenTest = EngineTest;

TEST_F(OpenTest, ForeignAndMissingFilesGiveNumberedErrors) {
    EXPECT_EQ(errorOf([&] { openDatabase(path("missing.mdb")); }), errFileNotFound);
    EXPECT_EQ(errorOf([&] { openDatabase(m_dir.path()); }), errCantOpen);
    writeAll(path("notes.txt"), "This is a plain text file, not a library.\n");
    EXPECT_EQ(errorOf([&] { openDatabase(path("notes.txt")); }), errNotADatabase);
    // An empty file opens as an empty database; it has no tables, which the library check reports.
    writeAll(path("empty.mdb"), QByteArray());
    auto empty = openDatabase(path("empty.mdb"));
    EXPECT_EQ(errorOf([&] { empty->OpenRecordset("SELECT * FROM [System]"); }), errTableMissing);
}

TEST_F(OpenTest, TruncatedLibraryNeverCrashes) {
    {
        auto db = makeLibrary();
        const int cat = addCategory(*db, "Cat");
        for (int i = 0; i < 60; ++i)
            addItem(*db, cat, QString("Item %1").arg(i), QString(3000, QChar('a' + i % 26)));
    }
    const QByteArray whole = readAll(path("lib.mdb"));
    ASSERT_GT(whole.size(), 100000);
    int failures = 0;
    for (qsizetype cut = 0; cut < whole.size(); cut += cut < 4096 ? 97 : 2048) {
        writeAll(path("cut.mdb"), whole.left(cut));
        try {
            auto db = openDatabase(path("cut.mdb"));
            auto rs = db->OpenRecordset("SELECT P.* FROM [Procedure] AS P");
            for (; !rs->eof(); rs->MoveNext()) rs->Fields("Code").Value();
        } catch (const Error& e) {
            EXPECT_FALSE(e.description().isEmpty());
            ++failures;
        }
    }
    EXPECT_GT(failures, 0);
}

TEST_F(OpenTest, LibraryStaysInRollbackJournalMode) {
    makeLibrary()->Close();
    {
        sqlite3* raw = nullptr;
        sqlite3_open(QFile::encodeName(path("lib.mdb")).constData(), &raw);
        sqlite3_exec(raw, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    auto db = openDatabase(path("lib.mdb"));
    auto mode = db->OpenRecordset("PRAGMA journal_mode");
    EXPECT_EQ(mode->Fields(0).Value().toString(), "delete");
    db->Close();
    EXPECT_FALSE(QFile::exists(path("lib.mdb-wal")));

    auto created = createDatabase(path("new.mdb"));
    EXPECT_EQ(errorOf([&] { createDatabase(path("new.mdb")); }), errDatabaseExists);
    EXPECT_EQ(created->OpenRecordset("PRAGMA application_id")->Fields(0).Value().toInt(), kApplicationId);
    EXPECT_EQ(created->OpenRecordset("PRAGMA user_version")->Fields(0).Value().toInt(), kFormatVersion);
}

TEST_F(OpenTest, ExclusiveOpenLocksOthersOutUntilClosed) {
    makeLibrary()->Close();
    auto holder = openDatabase(path("lib.mdb"), true);
    EXPECT_EQ(errorOf([&] {
                  auto other = openDatabase(path("lib.mdb"));
                  other->OpenRecordset("SELECT * FROM Category");
              }),
              errLocked);
    holder->Close();
    auto other = openDatabase(path("lib.mdb"));
    EXPECT_EQ(other->OpenRecordset("SELECT * FROM Category")->RecordCount(), 0);
}

TEST_F(OpenTest, SecondConnectionWaitsForAWriterInsteadOfFailing) {
    makeLibrary()->Close();
    setBusyTimeout(5000);
    auto db = openDatabase(path("lib.mdb"));
    // Another writer holds the file for a moment, as a second program would.
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(path("lib.mdb")).constData(), &raw);
    ASSERT_EQ(sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread writer([raw] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(raw, "INSERT INTO Category(Name) VALUES ('first'); COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_EQ(errorOf([&] { db->Execute("INSERT INTO Category(Name) VALUES ('second')"); }), 0);
    writer.join();
    sqlite3_close(raw);
    EXPECT_EQ(db->OpenRecordset("SELECT * FROM Category")->RecordCount(), 2);
}

using ExecuteTest = EngineTest;

// SQLite stops reading at a NUL: a blank tail is dropped, and text after a NUL is refused before any
// statement runs.
TEST_F(ExecuteTest, NulInTheTextEndsTheStatement) {
    auto db = makeLibrary();
    const QString nul(QChar(0));
    EXPECT_EQ(db->Execute("UPDATE [System] SET GroupName = 'x'" + nul), 1);
    EXPECT_EQ(db->Execute("UPDATE [System] SET GroupName = 'y';" + nul + nul + " \n"), 1);
    EXPECT_EQ(
        errorOf([&] { db->Execute("UPDATE [System] SET GroupName = 'z'" + nul + "DELETE FROM [System]"); }),
        errSyntax);
    EXPECT_EQ(db->OpenRecordset("SELECT GroupName FROM [System]")->Fields(0).text(), "y");
}

TEST_F(ExecuteTest, MessagesNameTheFileNotTheStatement) {
    auto lib = makeLibrary();
    const int size = lib->OpenRecordset("PRAGMA page_size")->Fields(0).Value().toInt();
    const int page = lib->OpenRecordset("SELECT rootpage FROM sqlite_master WHERE name = 'System'")
                         ->Fields(0)
                         .Value()
                         .toInt();
    lib->Close();
    QByteArray bytes = readAll(path("lib.mdb"));
    bytes.replace((page - 1) * size, size, QByteArray(size, '\xff'));  // the System table's rows
    writeAll(path("bad.mdb"), bytes);
    auto readOnly = openDatabase(path("lib.mdb"), false, true);
    auto damaged = openDatabase(path("bad.mdb"));
    const struct {
        std::function<void()> run;
        int number;
        QString file;
    } cases[] = {
        {[&] { readOnly->Execute("UPDATE [System] SET GroupName = 'x'"); }, errReadOnly, path("lib.mdb")},
        {[&] { damaged->Execute("UPDATE [System] SET GroupName = 'x'"); }, errDamaged, path("bad.mdb")},
        {[&] { damaged->OpenRecordset("SELECT * FROM [System]"); }, errDamaged, path("bad.mdb")},
    };
    for (const auto& c : cases) {
        try {
            c.run();
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), c.number) << e.what();
            EXPECT_TRUE(e.description().contains("'" + c.file + "'")) << e.what();
            EXPECT_FALSE(e.description().contains("[System]") || e.description().contains("\"System\""))
                << e.what();
        }
    }
}

using TypeCheckTest = EngineTest;

// Statements are held to the field types as the recordset is, with the same error numbers.
TEST_F(TypeCheckTest, StatementsAndRecordsetsRefuseTheSameValues) {
    auto db = makeLibrary();
    addItem(*db, addCategory(*db, "Cat"), "Item");
    const struct {
        const char* table;
        const char* field;
        QVariant value;
        int number;
    } cases[] = {
        {"System", "DatabaseVersion", 70000, errConversion},
        {"System", "DatabaseVersion", -32768, 0},
        {"System", "GroupGUID", QString(46, 'x'), errFieldTooSmall},
        {"System", "GroupGUID", QString(38, 'x'), 0},
        {"Procedure", "LastChanged", "garbage", errConversion},
        {"Procedure", "LastChanged", "2026-02-30", errConversion},
        {"Procedure", "LastChanged", "2026-12-06 10:30:00", 0},
        {"Procedure", "CatKey", "abc", errConversion},
        {"Procedure", "CatKey", 3'000'000'000LL, errConversion},
        {"Procedure", "Name", QString(10000, 'n'), errFieldTooSmall},
        {"Procedure", "Name", QString(255, 'n'), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1.%2 = %3").arg(c.table, c.field, c.value.toString().left(20)).toStdString());
        const QString literal =
            c.value.typeId() == QMetaType::QString ? "'" + c.value.toString() + "'" : c.value.toString();
        const QString update = QString("UPDATE [%1] SET [%2] = %3").arg(c.table, c.field, literal);
        const QString insert = QString("INSERT INTO [%1]([%2]) VALUES (%3)").arg(c.table, c.field, literal);
        EXPECT_EQ(errorOf([&] { db->Execute(update); }), c.number);
        EXPECT_EQ(errorOf([&] { db->Execute(insert); }), c.number);
        EXPECT_EQ(errorOf([&] {
                      auto rs = db->OpenRecordset(QString("SELECT * FROM [%1]").arg(c.table));
                      rs->Edit();
                      rs->Fields(c.field).setValue(c.value);
                      rs->Update();
                  }),
                  c.number);
    }
    try {
        db->Execute("UPDATE [System] SET DatabaseVersion = 70000");
    } catch (const Error& e) {
        EXPECT_TRUE(e.description().contains("'DatabaseVersion' of 'System'")) << e.what();
    }
    // A column the checks name can still be dropped; the checks follow the columns that are left.
    db->Execute("ALTER TABLE [Procedure] DROP COLUMN [Owner]");
    EXPECT_EQ(errorOf([&] { db->Execute("UPDATE [Procedure] SET LastChanged = 'x'"); }), errConversion);
}

// A library made before the checks gets them from the schema upgrade; what it holds already stays
// readable and the rest of its row writable. In a replica they stand aside while an exchange
// brings rows another member has accepted.
TEST_F(TypeCheckTest, SchemaUpgradeBringsTheChecksToOlderLibrariesAndReplicas) {
    makeLibrary("master.mdb")->Close();
    auto a = makeLibrary("a.mdb");
    MakeReplicable(*a);
    MakeReplica(*a, path("b.mdb"), "b");
    auto b = openDatabase(path("b.mdb"));
    for (Database* db : {a.get(), b.get()}) {
        QStringList checks;
        for (auto rs = db->OpenRecordset("SELECT name FROM sqlite_master WHERE name Like 'mrv[_]types[_]*'");
             !rs->eof(); rs->MoveNext())
            checks << rs->Fields(0).text();
        ASSERT_FALSE(checks.isEmpty());
        for (const QString& name : checks) db->Execute("DROP TRIGGER [" + name + "]");
    }
    a->Execute("UPDATE [System] SET DatabaseVersion = 70000");
    b->Execute(QString("INSERT INTO Category(ParentKey, Name) VALUES (0, '%1')").arg(QString(300, 'b')));

    applySchema(*a, path("master.mdb"));
    EXPECT_EQ(errorOf([&] { a->Execute("UPDATE [System] SET DatabaseVersion = 70001"); }), errConversion);
    EXPECT_EQ(a->Execute("UPDATE [System] SET GroupName = 'renamed'"), 1);
    EXPECT_EQ(a->OpenRecordset("SELECT DatabaseVersion FROM [System]")->Fields(0).Value().toInt(), 70000);
    Synchronize(*a, path("b.mdb"), dbRepImportChanges);
    EXPECT_EQ(a->OpenRecordset("SELECT * FROM Category WHERE Name Like 'bbb*'")->RecordCount(), 1);
}
