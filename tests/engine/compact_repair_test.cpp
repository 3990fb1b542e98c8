// Compact into a new file, repair in place, and bring a library's schema up to the master's.

#include "engine_fixture.h"

#include "tests/child_process.h"

#include <sqlite3.h>

using namespace engine;

using CompactRepairTest = EngineTest;

namespace {

QStringList rows(Database& db) {
    QStringList out;
    auto rs =
        db.OpenRecordset("SELECT P.ProcKey, P.Name, P.Code, P.File FROM [Procedure] AS P ORDER BY ProcKey");
    for (; !rs->eof(); rs->MoveNext())
        out << QString("%1|%2|%3|%4")
                   .arg(rs->Fields("ProcKey").text(), rs->Fields("Name").text(), rs->Fields("Code").text())
                   .arg(rs->Fields("File").FieldSize());
    return out;
}

QString integrity(const QString& file) {
    try {
        auto db = openDatabase(file, false, true);
        return db->OpenRecordset("PRAGMA integrity_check")->Fields(0).Value().toString();
    } catch (const Error& e) {
        return e.description();
    }
}

}  // namespace

TEST_F(CompactRepairTest, CompactWritesANewStampedFileAndLeavesTheSourceAlone) {
    QStringList before;
    {
        auto db = makeLibrary();
        const int cat = addCategory(*db, "C");
        for (int i = 0; i < 200; ++i) addItem(*db, cat, QString("n%1").arg(i), QString(2000, 'q'));
        db->Execute("DELETE FROM [Procedure] WHERE ProcKey > 20");
        db->AppendProperty(db->CreateProperty("Replicable", dbText, "T"));
        // A table without a key column: its row identities must survive too.
        db->Execute("INSERT INTO [System](GroupName) VALUES ('second')");
        db->Execute("DELETE FROM [System] WHERE GroupName = 'Group'");
        // An old-format stamp, to see compact write ours.
        db->Execute("PRAGMA user_version = 7");
        before = rows(*db);
    }
    const QByteArray source = readAll(path("lib.mdb"));
    CompactDatabase(path("lib.mdb"), path("out.mdb"), dbVersion30);
    EXPECT_EQ(readAll(path("lib.mdb")), source);
    EXPECT_LT(QFileInfo(path("out.mdb")).size(), source.size());
    auto out = openDatabase(path("out.mdb"));
    EXPECT_EQ(rows(*out), before);
    EXPECT_EQ(out->Property("Replicable").toString(), "T");
    EXPECT_EQ(out->OpenRecordset("SELECT rowid AS id FROM [System]")->Fields("id").Value().toInt(), 2);
    EXPECT_EQ(out->OpenRecordset("PRAGMA user_version")->Fields(0).Value().toInt(), kFormatVersion);
    EXPECT_EQ(out->OpenRecordset("PRAGMA application_id")->Fields(0).Value().toInt(), kApplicationId);
    // Counters go on after the highest key ever used, not the highest kept.
    EXPECT_EQ(addItem(*out, 1, "next"), 201);

    EXPECT_EQ(errorOf([&] { CompactDatabase(path("lib.mdb"), path("out.mdb")); }), errDatabaseExists);
    EXPECT_EQ(errorOf([&] { CompactDatabase(path("none.mdb"), path("x.mdb")); }), errFileNotFound);
    EXPECT_FALSE(QFile::exists(path("x.mdb")));
}

TEST_F(CompactRepairTest, RepairLeavesASoundFileAsItIs) {
    makeLibrary()->Close();
    const QByteArray bytes = readAll(path("lib.mdb"));
    const RepairReport report = RepairDatabase(path("lib.mdb"));
    EXPECT_FALSE(report.wasDamaged);
    EXPECT_EQ(readAll(path("lib.mdb")), bytes);
}

TEST_F(CompactRepairTest, RepairRebuildsADamagedFileFromWhatCanBeRead) {
    QStringList before;
    {
        auto db = makeLibrary();
        const int cat = addCategory(*db, "C");
        for (int i = 0; i < 400; ++i)
            addItem(*db, cat, QString("item %1").arg(i), QString(900, QChar('a' + i % 26)));
        db->Execute("INSERT INTO [System](GroupName) VALUES ('second')");
        db->Execute("DELETE FROM [System] WHERE GroupName = 'Group'");
        before = rows(*db);
    }
    // Overwrite one page in the middle of the item table with garbage.
    QByteArray bytes = readAll(path("lib.mdb"));
    const int pageSize = 4096;
    const qsizetype page = bytes.size() / pageSize / 2;
    for (int i = 0; i < pageSize; ++i) bytes[page * pageSize + i] = char(0xA5 ^ i);
    writeAll(path("lib.mdb"), bytes);
    EXPECT_NE(integrity(path("lib.mdb")), "ok");

    // The disk fills up while the rows are rescued: a failure, not rows counted lost, and the file
    // as it was.
    EXPECT_EQ(childproc::run([&] {
                  mrv::testing::setFileStepHook([] { childproc::limitFileSize(3 * 4096); });
                  return errorOf([&] { RepairDatabase(path("lib.mdb")); }) == errDiskIO ? 0 : 1;
              }),
              0);
    EXPECT_EQ(readAll(path("lib.mdb")), bytes);

    const RepairReport report = RepairDatabase(path("lib.mdb"));
    EXPECT_TRUE(report.wasDamaged);
    EXPECT_FALSE(report.lost.isEmpty());
    EXPECT_EQ(integrity(path("lib.mdb")), "ok");
    auto db = openDatabase(path("lib.mdb"));
    const QStringList after = rows(*db);
    // Most rows survive, and every surviving row is exactly one of the originals.
    EXPECT_GT(after.size(), before.size() * 9 / 10);
    EXPECT_LT(after.size(), before.size());
    for (const QString& row : after) EXPECT_TRUE(before.contains(row)) << row.toStdString();
    EXPECT_EQ(db->OpenRecordset("SELECT * FROM Category")->RecordCount(), 1);
    EXPECT_EQ(db->OpenRecordset("SELECT rowid AS id FROM [System]")->Fields("id").Value().toInt(), 2);
}

TEST_F(CompactRepairTest, RepairRescuesALibraryCutShort) {
    QStringList before;
    {
        auto db = makeLibrary();
        const int cat = addCategory(*db, "C");
        for (int i = 0; i < 300; ++i) addItem(*db, cat, QString("item %1").arg(i), QString(900, 'z'));
        before = rows(*db);
    }
    const QByteArray bytes = readAll(path("lib.mdb"));
    writeAll(path("lib.mdb"), bytes.left(bytes.size() - 3 * 4096 - 100));
    EXPECT_EQ(errorOf([&] { openDatabase(path("lib.mdb")); }), errDamaged);
    const RepairReport report = RepairDatabase(path("lib.mdb"));
    EXPECT_TRUE(report.wasDamaged);
    auto db = openDatabase(path("lib.mdb"));
    EXPECT_EQ(integrity(path("lib.mdb")), "ok");
    const QStringList after = rows(*db);
    EXPECT_GT(after.size(), before.size() / 2);
    for (const QString& row : after) EXPECT_TRUE(before.contains(row)) << row.toStdString();
}

TEST_F(CompactRepairTest, RepairRefusesWhatIsNotALibrary) {
    writeAll(path("text.mdb"), "hello\n");
    EXPECT_EQ(errorOf([&] { RepairDatabase(path("text.mdb")); }), errNotADatabase);
    EXPECT_EQ(readAll(path("text.mdb")), QByteArray("hello\n"));
}

TEST_F(CompactRepairTest, ApplySchemaAddsWhatTheMasterHasAndTouchesNothingElse) {
    {
        auto master = makeLibrary("dm.db");
        master->Execute("ALTER TABLE Category ADD COLUMN [Sort] INTEGER");
        master->Execute("CREATE INDEX CatParent ON Category(ParentKey)");
        master->Execute("CREATE TABLE [Notes]([NoteKey] INTEGER PRIMARY KEY AUTOINCREMENT, [Text] LONGTEXT)");
        master->Execute(
            "CREATE TRIGGER Category_delete AFTER DELETE ON Category BEGIN DELETE FROM Procedure WHERE "
            "CatKey = old.CatKey; END");
    }
    const QByteArray masterBytes = readAll(path("dm.db"));
    auto lib = makeLibrary("old.mdb");
    const int cat = addCategory(*lib, "Kept");
    addItem(*lib, cat, "kept item");

    const QStringList added = applySchema(*lib, path("dm.db"));
    EXPECT_EQ(added, QStringList({"column Category.Sort", "table Notes", "index CatParent",
                                  "trigger Category_delete"}));
    EXPECT_EQ(readAll(path("dm.db")), masterBytes);
    EXPECT_EQ(lib->OpenRecordset("SELECT Name, Sort FROM Category")->Fields("Name").Value().toString(),
              "Kept");
    EXPECT_EQ(lib->OpenRecordset("SELECT * FROM Notes")->RecordCount(), 0);
    EXPECT_EQ(lib->OpenRecordset("SELECT * FROM [Procedure]")->RecordCount(), 1);
    // Deleting a category now takes its items with it.
    lib->Execute(QString("DELETE FROM [Category] WHERE CatKey = %1").arg(cat));
    EXPECT_EQ(lib->OpenRecordset("SELECT * FROM [Procedure]")->RecordCount(), 0);
    // A second pass has nothing left to add.
    EXPECT_TRUE(applySchema(*lib, path("dm.db")).isEmpty());
}

TEST_F(CompactRepairTest, ATornCopyIsRepairedInBoundedTimeTakingEachRowOnce) {
    // A copy taken while another program's uncommitted pages had reached the file: its tree mixes
    // pages of before and after, listing rows twice and out of order.
    sqlite3* h = nullptr;
    sqlite3_open(QFile::encodeName(path("lib.mdb")).constData(), &h);
    sqlite3_exec(
        h,
        "CREATE TABLE [Procedure]([ProcKey] INTEGER PRIMARY KEY AUTOINCREMENT, [CatKey] INTEGER, [Name] "
        "TEXT(255), [Code] LONGTEXT); CREATE INDEX ProcName ON [Procedure](Name); "
        "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 5000) INSERT INTO "
        "[Procedure](CatKey, Name, Code) SELECT 1, 'item ' || i, printf('%.*c', 100 + i * 37 % 400, 'x') "
        "FROM c; PRAGMA cache_size = 10; BEGIN; "
        "UPDATE [Procedure] SET Code = Code || printf('%.*c', ProcKey * 131 % 900, 'y') "
        "WHERE ProcKey * 7919 % 2 = 0; DELETE FROM [Procedure] WHERE ProcKey % 3 = 1",
        nullptr, nullptr, nullptr);
    QFile::copy(path("lib.mdb"), path("torn.mdb"));
    sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    ASSERT_NE(integrity(path("torn.mdb")), "ok");
    // In a child, so that a repair going round in circles fails the test instead of hanging it.
    EXPECT_EQ(childproc::run(
                  [&] {
                      const RepairReport report = RepairDatabase(path("torn.mdb"));
                      auto db = openDatabase(path("torn.mdb"));
                      const long rows =
                          db->OpenRecordset("SELECT Count(*) FROM [Procedure]")->Fields(0).Value().toInt();
                      const bool once = rows == report.rowsRecovered;
                      return report.wasDamaged && once && integrity(path("torn.mdb")) == "ok" && rows > 0 ? 0
                                                                                                          : 1;
                  },
                  20),
              0);
}

TEST_F(CompactRepairTest, ACompactionKilledOrOutOfSpaceLeavesNoHalfFile) {
    {
        auto db = makeLibrary();
        for (int i = 0; i < 60; ++i) addItem(*db, 1, QString("item %1").arg(i), QString(3000, 'c'));
    }
    const QByteArray source = readAll(path("lib.mdb"));
    const int steps = childproc::countSteps([&] { CompactDatabase(path("lib.mdb"), path("ref.mdb")); });
    ASSERT_GE(steps, 4);
    // After a kill or a failure: no file, or the whole compacted one; a rerun replaces what was left.
    auto expectWholeOrNone = [&] {
        const QString out = path("out.mdb");
        EXPECT_FALSE(QFile::exists(out + "-journal"));
        if (QFile::exists(out)) {
            EXPECT_EQ(readAll(out), readAll(path("ref.mdb")));
            QFile::remove(out);
        }
        CompactDatabase(path("lib.mdb"), out);
        EXPECT_EQ(readAll(out), readAll(path("ref.mdb")));
        QFile::remove(out);
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  QStringList({"lib.mdb", "ref.mdb"}));
    };
    for (int step = 1; step <= steps; ++step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(childproc::killedAt(step, [&] { CompactDatabase(path("lib.mdb"), path("out.mdb")); }), 9);
        EXPECT_EQ(readAll(path("lib.mdb")), source);
        expectWholeOrNone();
    }
    const int full = childproc::run([&] {
        childproc::limitFileSize(source.size() / 2);
        return errorOf([&] { CompactDatabase(path("lib.mdb"), path("out.mdb")); }) == errDiskIO ? 0 : 1;
    });
    EXPECT_EQ(full, 0);
    expectWholeOrNone();

    // Another program writing meanwhile: every compacted copy is whole, every committed row stays.
    engine::setBusyTimeout(5000);  // the writer's commits, on a busy machine
    childproc::Writer writer(path("lib.mdb"), "INSERT INTO [Procedure](CatKey, Name) VALUES (1, 'w%1')");
    for (int i = 0; i < 5; ++i) {
        CompactDatabase(path("lib.mdb"), path("out.mdb"));
        EXPECT_EQ(integrity(path("out.mdb")), "ok");
        QFile::remove(path("out.mdb"));
    }
    const QList<int> committed = writer.stop();
    ASSERT_FALSE(committed.isEmpty());
    auto db = openDatabase(path("lib.mdb"));
    for (int i : committed)
        EXPECT_EQ(
            db->OpenRecordset(QString("SELECT * FROM [Procedure] WHERE Name = 'w%1'").arg(i))->RecordCount(),
            1);
}
