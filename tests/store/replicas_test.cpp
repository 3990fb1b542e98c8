// The document's replica operations: making a replica and making a library replicable.

#include "store_fixture.h"

#include "store/engine/replication.h"
#include "store/replicas.h"

#include <sqlite3.h>

using namespace storetest;

using ReplicasTest = StoreTest;

TEST_F(ReplicasTest, ReplicaJoinsTheSourcesSetAndSynchronises) {
    const QString source = makeLibrary("main.mdb");
    bool made = false;
    store::MakeReplica(source, path("copy.mdb"), 0, made);
    ASSERT_TRUE(made);
    EXPECT_TRUE(boxes().isEmpty());
    auto a = engine::openDatabase(source), b = engine::openDatabase(path("copy.mdb"));
    EXPECT_EQ(engine::replicaIdentity(*b).description, "Replica of " + source);
    EXPECT_EQ(engine::replicaIdentity(*a).setId, engine::replicaIdentity(*b).setId);
    b->Execute("INSERT INTO [Category](ParentKey, Name) VALUES (0, 'made in the replica')");
    a->Synchronize(path("copy.mdb"), engine::dbRepImportChanges);
    EXPECT_EQ(scalar(a.get(), "SELECT count(*) FROM Category WHERE Name = 'made in the replica'").toInt(), 1);
}

TEST_F(ReplicasTest, FailuresAreReportedWithTheDocumentsLocation) {
    const QString source = makeLibrary("main.mdb");
    makeLibrary("taken.mdb");
    bool made = true;
    ui::testing::queueAnswer(ui::vbNo);  // no bug report
    store::MakeReplica(source, path("taken.mdb"), 0, made);
    EXPECT_FALSE(made);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].text.contains("Occured in Procedure: 'MRVDocument.MakeReplica'"));
}

TEST_F(ReplicasTest, SetReplicableIsIdempotentAndRefusesALockedFile) {
    // A library made without change tracking, as older files are.
    const QString plain = path("plain.mdb");
    {
        auto db = engine::createDatabase(plain);
        for (const QString& sql : store::librarySchema()) db->Execute(sql);
    }
    EXPECT_TRUE(store::SetReplicable(plain));
    EXPECT_TRUE(store::SetReplicable(plain));
    EXPECT_TRUE(engine::isReplicable(*engine::openDatabase(plain)));
    EXPECT_EQ(engine::openDatabase(plain)->Property("Replicable").toString(), "T");
    // The library layer names the columns that hold category keys.
    EXPECT_EQ(
        engine::openDatabase(plain)->OpenRecordset("SELECT count(*) FROM mrv_references")->Fields(0).Value(),
        2);
    EXPECT_TRUE(boxes().isEmpty());

    // Another program is writing the file: the exclusive open fails and is reported.
    engine::setBusyTimeout(100);
    sqlite3* other = nullptr;
    sqlite3_open(QFile::encodeName(plain).constData(), &other);
    sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    ui::testing::queueAnswer(ui::vbNo);
    EXPECT_FALSE(store::SetReplicable(plain));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    engine::setBusyTimeout(5000);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].text.contains("MRVDocument.SetReplicable"));
}
