#include "engine_fixture.h"

#include <sqlite3.h>

using namespace engine;

using RecordsetTest = EngineTest;

TEST_F(RecordsetTest, AddNewGivesCounterThroughLastModifiedAndNeverReusesKeys) {
    auto db = makeLibrary();
    const int a = addCategory(*db, "Alpha");
    const int b = addCategory(*db, "Beta");
    EXPECT_EQ(b, a + 1);
    db->Execute(QString("DELETE FROM [Category] WHERE CatKey = %1").arg(b));
    EXPECT_EQ(addCategory(*db, "Gamma"), b + 1);  // a deleted key is never handed out again

    // The counter cannot be written.
    auto rs = db->OpenRecordset("SELECT * FROM Category WHERE CatKey = Null");
    rs->AddNew();
    EXPECT_EQ(errorOf([&] { rs->Fields("CatKey").setValue(99); }), errNotUpdatable);
}

TEST_F(RecordsetTest, DynasetReadsEditsAndShowsWhatWasWritten) {
    auto db = makeLibrary();
    const int cat = addCategory(*db, "Strings");
    const int key = addItem(*db, cat, "Trim", "Public Function Trim()");

    auto rs = db->OpenRecordset(QString("SELECT P.* FROM [Procedure] AS P WHERE P.ProcKey = %1").arg(key));
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->Fields("name").Value().toString(), "Trim");  // names are case-insensitive
    EXPECT_EQ(rs->Fields("CODE").Value().toString(), "Public Function Trim()");
    EXPECT_TRUE(rs->Fields("Desc").IsNull());
    EXPECT_TRUE(rs->Updatable());

    rs->Edit();
    rs->Fields("Desc").setValue("");
    rs->Fields("Name").setValue("TrimAll");
    EXPECT_EQ(rs->Fields("Name").Value().toString(), "TrimAll");  // the edit buffer is what reads back
    rs->Update();
    EXPECT_EQ(rs->Fields("Name").Value().toString(), "TrimAll");
    EXPECT_FALSE(rs->Fields("Desc").IsNull());  // empty is not Null
    EXPECT_EQ(rs->Fields("Desc").Value().toString(), "");
    rs->MoveNext();
    EXPECT_TRUE(rs->eof());

    auto check = db->OpenRecordset(QString("SELECT Name, Desc FROM [Procedure] Where ProcKey = %1").arg(key));
    EXPECT_EQ(check->Fields("Name").Value().toString(), "TrimAll");
    EXPECT_TRUE(check->Fields("Desc").Value().isValid());

    // CancelUpdate leaves the row as it was.
    rs->setBookmark(QByteArray::number(key));
    rs->Edit();
    rs->Fields("Name").setValue("Other");
    rs->CancelUpdate();
    auto again = db->OpenRecordset(QString("SELECT Name FROM [Procedure] Where ProcKey = %1").arg(key));
    EXPECT_EQ(again->Fields("Name").Value().toString(), "TrimAll");
}

TEST_F(RecordsetTest, FieldListDynasetUpdatesOnlyItsTable) {
    auto db = makeLibrary();
    const int cat = addCategory(*db, "Pictures");
    auto rs = db->OpenRecordset(QString("SELECT Image, Type FROM Category Where CatKey = %1").arg(cat));
    rs->Edit();
    rs->Fields("Type").setValue("");
    rs->Fields("Image").AppendChunk("icon");
    rs->Update();
    auto check = db->OpenRecordset(QString("SELECT * FROM Category WHERE CatKey = %1").arg(cat));
    EXPECT_EQ(check->Fields("Image").Value().toByteArray(), QByteArray("icon"));
    EXPECT_EQ(check->Fields("Name").Value().toString(), "Pictures");
}

TEST_F(RecordsetTest, JoinsSnapshotsAndReadOnlyRecordsetsRefuseUpdates) {
    auto db = makeLibrary();
    const int cat = addCategory(*db, "C");
    addItem(*db, cat, "I");
    auto join = db->OpenRecordset(
        "SELECT P.*, C.Name AS CatName FROM [Procedure] AS P, Category AS C WHERE P.Catkey = C.Catkey",
        dbOpenDynaset, dbReadOnly);
    EXPECT_EQ(join->Fields("CatName").Value().toString(), "C");
    EXPECT_EQ(join->Fields("Name").Value().toString(), "I");
    EXPECT_EQ(errorOf([&] { join->Edit(); }), errReadOnly);

    auto joinDynaset = db->OpenRecordset(
        "SELECT P.Name, C.Name AS CatName FROM [Procedure] AS P INNER JOIN "
        "Category AS C ON P.CatKey = C.CatKey");
    EXPECT_EQ(errorOf([&] { joinDynaset->Edit(); }), errNotUpdatable);
    EXPECT_EQ(errorOf([&] { db->OpenRecordset("SELECT * FROM Category", dbOpenSnapshot)->AddNew(); }),
              errReadOnly);
    EXPECT_EQ(errorOf([&] { db->OpenRecordset("SELECT count(*) AS N FROM Category")->AddNew(); }),
              errNotUpdatable);

    auto ro = openDatabase(db->Name(), false, true);
    EXPECT_EQ(errorOf([&] { ro->OpenRecordset("SELECT * FROM Category")->AddNew(); }), errReadOnly);
    EXPECT_EQ(errorOf([&] { ro->Execute("DELETE FROM Category"); }), errReadOnly);
}

TEST_F(RecordsetTest, NavigationCountsAndCurrentRecordErrors) {
    auto db = makeLibrary();
    for (const char* n : {"delta", "Alpha", "charlie", "Bravo"}) addCategory(*db, n);
    auto rs = db->OpenRecordset("SELECT * FROM Category ORDER BY Name");
    EXPECT_EQ(rs->RecordCount(), 4);
    QStringList names;
    for (; !rs->eof(); rs->MoveNext()) names << rs->Fields("Name").Value().toString();
    EXPECT_EQ(names, QStringList({"Alpha", "Bravo", "charlie", "delta"}));  // ORDER BY Name ignores case
    EXPECT_EQ(errorOf([&] { rs->Fields("Name").Value(); }), errNoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->MoveNext(); }), errNoCurrentRecord);
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields("Name").Value().toString(), "Alpha");
    rs->MoveLast();
    EXPECT_EQ(rs->Fields("Name").Value().toString(), "delta");
    EXPECT_EQ(errorOf([&] { rs->Fields("Nope"); }), errItemNotFound);

    auto none = db->OpenRecordset("SELECT * FROM Category WHERE CatKey = Null");
    EXPECT_TRUE(none->eof());
    EXPECT_TRUE(none->bof());
    EXPECT_EQ(none->RecordCount(), 0);
    EXPECT_EQ(errorOf([&] { none->Edit(); }), errNoCurrentRecord);
    EXPECT_EQ(errorOf([&] { none->Update(); }), errNoEditInProgress);
}

TEST_F(RecordsetTest, WritesAreCoercedToTheColumnType) {
    auto db = makeLibrary();
    auto rs = db->OpenRecordset("SELECT * FROM [Procedure] Where ProcKey = NULL");
    rs->AddNew();
    rs->Fields("CatKey").setValue("12");
    rs->Fields("Name").setValue(1);
    rs->Fields("LastChanged").setValue("12/06/26");
    rs->Fields("Owner").setValue(true);
    EXPECT_EQ(errorOf([&] { rs->Fields("LastChangedBy").setValue("many"); }), errConversion);
    EXPECT_EQ(errorOf([&] { rs->Fields("Owner").setValue(70000); }), errConversion);
    EXPECT_EQ(errorOf([&] { rs->Fields("LastChanged").setValue("13/45/26"); }), errConversion);
    EXPECT_EQ(errorOf([&] { rs->Fields("Name").setValue(QString(256, 'x')); }), errFieldTooSmall);
    rs->Update();

    auto check = db->OpenRecordset("SELECT * FROM [Procedure]");
    EXPECT_EQ(check->Fields("CatKey").Value().typeId(), QMetaType::Int);
    EXPECT_EQ(check->Fields("CatKey").Value().toInt(), 12);
    EXPECT_EQ(check->Fields("Name").Value().toString(), "1");
    const QVariant date = check->Fields("LastChanged").Value();
    EXPECT_EQ(date.typeId(), QMetaType::QDateTime);
    EXPECT_EQ(date.toDateTime().date(), QDate(2026, 12, 6));
    EXPECT_EQ(check->Fields("LastChanged").text(), "12/06/2026");
    EXPECT_EQ(check->Fields("Owner").Value().toInt(), -1);

    // Stored as ISO text, so date literals compare correctly in SQL.
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db->handle(), "SELECT LastChanged FROM Procedure", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "2026-12-06");
    sqlite3_finalize(st);
    EXPECT_EQ(db->OpenRecordset("SELECT * FROM [Procedure] WHERE LastChanged >= #12/01/26# AND "
                                "LastChanged <= #12/06/2026#")
                  ->RecordCount(),
              1);
    auto sys = db->OpenRecordset("SELECT * FROM [System]", dbOpenSnapshot);
    EXPECT_EQ(sys->Fields("CreatedDate").text(), "12/06/2026 10:30:00");
}

TEST_F(RecordsetTest, TableNameSourceAndMissingTables) {
    auto db = makeLibrary();
    addCategory(*db, "One");
    auto rs = db->OpenRecordset("Category", dbOpenTable);
    EXPECT_EQ(rs->Fields("Name").Value().toString(), "One");
    EXPECT_EQ(errorOf([&] { db->OpenRecordset("Nothing"); }), errTableMissing);
    EXPECT_EQ(errorOf([&] { db->OpenRecordset("SELECT * FROM [Nothing]"); }), errTableMissing);
    EXPECT_EQ(errorOf([&] { db->OpenRecordset("SELEC * FROM Category"); }), errSyntax);
    EXPECT_EQ(errorOf([&] { db->Execute("SELECT * FROM Category"); }), errExecuteSelect);
}

TEST_F(RecordsetTest, RecordsetsOfAClosedDatabaseReportClosedNotCrash) {
    auto db = makeLibrary();
    addCategory(*db, "One");
    auto rs = db->OpenRecordset("SELECT * FROM Category");
    db->Close();
    EXPECT_EQ(errorOf([&] { rs->MoveNext(); }), errObjectClosed);
    EXPECT_EQ(errorOf([&] { rs->Fields("Name"); }), errObjectClosed);
    EXPECT_EQ(errorOf([&] { db->Execute("DELETE FROM Category"); }), errObjectClosed);
}

TEST_F(RecordsetTest, DuplicateKeyReported) {
    auto db = makeLibrary();
    db->Execute("CREATE UNIQUE INDEX CatName ON Category(Name)");
    addCategory(*db, "Same");
    EXPECT_EQ(errorOf([&] { addCategory(*db, "SAME"); }), errDuplicateKey);
}

TEST_F(RecordsetTest, PropertiesAreStoredInTheFile) {
    auto db = makeLibrary();
    EXPECT_FALSE(db->hasProperty("Replicable"));
    EXPECT_EQ(errorOf([&] { db->Property("Replicable"); }), errPropertyNotFound);
    db->AppendProperty(db->CreateProperty("Replicable", dbText, "T"));
    EXPECT_EQ(errorOf([&] { db->AppendProperty(db->CreateProperty("replicable", dbText, "F")); }),
              errPropertyExists);
    db->setProperty("Replicable", "F");
    const QString name = db->Name();
    db->Close();
    auto reopened = openDatabase(name);
    EXPECT_EQ(reopened->Property("REPLICABLE").toString(), "F");
    EXPECT_EQ(reopened->TableNames(),
              QStringList({"Category", "Procedure", "System"}));  // hidden table not listed
}

TEST_F(RecordsetTest, WorkspaceOpensAndClosesDatabases) {
    makeLibrary()->Close();
    Workspace ws;
    EXPECT_EQ(ws.UserName(), "admin");
    EXPECT_EQ(ws.Type(), dbUseJet);
    Database* db = ws.OpenDatabase(path("lib.mdb"));
    EXPECT_EQ(db->Name(), QFileInfo(path("lib.mdb")).absoluteFilePath());
    EXPECT_EQ(ws.Databases().size(), 1);
    db->Close();
    EXPECT_TRUE(ws.Databases().isEmpty());
}
