// Replica sets: the exchange matrix, chains, keys, conflicts, refusals and crash safety.

#include "engine_fixture.h"

#include "store/engine/replication.h"
#include "tests/child_process.h"

#include <QMap>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace engine;

namespace {

// A library's content as the replicas see it: rows by identity, references by the identity of the
// row they point to, keys alongside so that tests can also check that keys agree.
QMap<QString, QString> contentOf(Database& db, bool withKeys = true) {
    QMap<QString, QString> out;
    sqlite3* h = db.handle();
    auto guidOf = [&](const QString& table, qint64 rid) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "SELECT guid FROM mrv_rows WHERE tbl = ?1 AND rid = ?2", -1, &st, nullptr);
        const QByteArray t = table.toUtf8();
        sqlite3_bind_text(st, 1, t.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, rid);
        QString g = sqlite3_step(st) == SQLITE_ROW
                        ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)))
                        : QString("none:%1").arg(rid);
        sqlite3_finalize(st);
        return g;
    };
    for (const QString& table : {QString("Category"), QString("Procedure"), QString("System")}) {
        auto rs = db.OpenRecordset("SELECT * FROM [" + table + "]");
        sqlite3_stmt* ids = nullptr;
        for (; !rs->eof(); rs->MoveNext()) {
            QStringList fields;
            qint64 rid = 0;
            for (int i = 0; i < rs->FieldCount(); ++i) {
                Field f = rs->Fields(i);
                if (f.Name() == "CatKey" && table == "Category") rid = f.Value().toLongLong();
                if (f.Name() == "ProcKey") rid = f.Value().toLongLong();
                if ((f.Name() == "ParentKey" || (f.Name() == "CatKey" && table == "Procedure")) &&
                    !f.IsNull()) {
                    const qint64 ref = f.Value().toLongLong();
                    fields << f.Name() + "=" + (ref == 0 ? QString("root") : guidOf("Category", ref));
                    continue;
                }
                if (!withKeys && (f.Name() == "CatKey" || f.Name() == "ProcKey")) continue;
                fields << f.Name() + "=" +
                              (f.Type() == dbLongBinary ? QString::number(qHash(f.Value().toByteArray()))
                                                        : f.text());
            }
            const QString guid = table == "System" ? QString("system") : guidOf(table, rid);
            out.insert(table + ":" + guid, fields.join("|"));
        }
        sqlite3_finalize(ids);
    }
    return out;
}

int conflictCount(Database& db) {
    auto rs = db.OpenRecordset("SELECT count(*) AS N FROM mrv_conflicts");
    return rs->Fields("N").Value().toInt();
}

QString codeOf(Database& db, const QString& name) {
    auto rs = db.OpenRecordset("SELECT Code FROM [Procedure] WHERE Name = '" + name + "'");
    return rs->eof() ? QString("<absent>") : rs->Fields("Code").text();
}

const QList<ReplicaReference> kReferences = {{"Procedure", "CatKey", "Category"},
                                             {"Category", "ParentKey", "Category"}};

}  // namespace

class ReplicationTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setClock([this] { return m_now; });
    }
    void TearDown() override { setClock(nullptr); }
    // Change times are compared to the millisecond: keep the sides' changes apart in time.
    void tick() { m_now = m_now.addMSecs(1); }
    QDateTime m_now = QDateTime(QDate(2026, 12, 6), QTime(10, 30), Qt::UTC);

    // A replicable library with two categories and three items, and a replica of it.
    void makePair() {
        auto a = makeLibrary("a.mdb");
        a->Execute(
            "CREATE TRIGGER CategoryDeletesItems AFTER DELETE ON [Category] BEGIN DELETE FROM [Procedure] "
            "WHERE [CatKey] = OLD.[CatKey]; END");
        m_cat = addCategory(*a, "Strings");
        m_other = addCategory(*a, "Files", 0);
        addItem(*a, m_cat, "X", "original");
        addItem(*a, m_cat, "Y", "y");
        addItem(*a, m_other, "Z", "z");
        MakeReplicable(*a, kReferences);
        MakeReplica(*a, path("b.mdb"), "Replica of " + a->Name());
        a->Close();
        A = openDatabase(path("a.mdb"));
        B = openDatabase(path("b.mdb"));
    }
    std::unique_ptr<Database> A, B;
    int m_cat = 0, m_other = 0;
};

TEST_F(ReplicationTest, ReplicaStartsInStepWithItsOwnIdentity) {
    makePair();
    const ReplicaIdentity a = replicaIdentity(*A), b = replicaIdentity(*B);
    EXPECT_EQ(a.setId, b.setId);
    EXPECT_NE(a.replicaId, b.replicaId);
    EXPECT_EQ(b.description, "Replica of " + A->Name());
    EXPECT_EQ(A->Property("Replicable").toString(), "T");
    EXPECT_EQ(contentOf(*A), contentOf(*B));
    const SyncReport r = Synchronize(*A, path("b.mdb"), dbRepImpExpChanges);
    EXPECT_EQ(r.inserted + r.updated + r.deleted + r.conflicts, 0);
    // Making it replicable again changes nothing; the property stays "T".
    MakeReplicable(*A);
    A->setProperty("Replicable", "T");
    EXPECT_EQ(replicaIdentity(*A).replicaId, a.replicaId);
    // New rows in the two members draw keys from different blocks.
    EXPECT_NE(addCategory(*A, "a-side"), addCategory(*B, "b-side"));
}

// ---- The matrix: one change (or none) on each side, each exchange type, both orders ----------

enum Op { None, Insert, Update, Delete };
struct Case {
    Op a, b;
    int type;  // as run by A
};

class ExchangeMatrix : public ReplicationTest, public testing::WithParamInterface<Case> {};

TEST_P(ExchangeMatrix, ChangesArriveAndConflictsFollowTheRule) {
    const Case c = GetParam();
    makePair();
    auto apply = [&](Database& db, Op op, const QString& side) {
        switch (op) {
            case None:
                break;
            case Insert:
                addItem(db, m_cat, "new-" + side, side);
                break;
            case Update:
                db.Execute("UPDATE [Procedure] SET Code = '" + side + "-edit' WHERE Name = 'X'");
                break;
            case Delete:
                db.Execute("DELETE FROM [Procedure] WHERE Name = 'X'");
                break;
        }
        tick();
    };
    apply(*A, c.a, "A");
    apply(*B, c.b, "B");  // B's change is the later one
    Synchronize(*A, path("b.mdb"), c.type);

    const bool toB = c.type != dbRepImportChanges, toA = c.type != dbRepExportChanges;
    EXPECT_EQ(codeOf(*A, "new-A") != "<absent>", c.a == Insert);
    EXPECT_EQ(codeOf(*B, "new-A") != "<absent>", c.a == Insert && toB);
    EXPECT_EQ(codeOf(*B, "new-B") != "<absent>", c.b == Insert);
    EXPECT_EQ(codeOf(*A, "new-B") != "<absent>", c.b == Insert && toA);

    // What X must be on a side: its own change merged with what arrived from the other side. A deletion
    // wins over an edit; of two edits B's, the later, wins.
    auto expected = [](Op own, Op incoming, bool arrived, const QString& ownSide, const QString& otherSide) {
        if (own == Delete || (arrived && incoming == Delete)) return QString("<absent>");
        if (arrived && incoming == Update) return own == Update ? QString("B-edit") : otherSide + "-edit";
        return own == Update ? ownSide + "-edit" : QString("original");
    };
    const QString wantA = expected(c.a, c.b, toA, "A", "B");
    const QString wantB = expected(c.b, c.a, toB, "B", "A");
    EXPECT_EQ(codeOf(*A, "X"), wantA);
    EXPECT_EQ(codeOf(*B, "X"), wantB);

    const bool bothChangedX = (c.a == Update || c.a == Delete) && (c.b == Update || c.b == Delete) &&
                              !(c.a == Delete && c.b == Delete);
    EXPECT_EQ(conflictCount(*A) + conflictCount(*B), bothChangedX ? 1 : 0);
    if (c.type == dbRepImpExpChanges) {
        EXPECT_EQ(contentOf(*A), contentOf(*B));
    }

    // A second exchange of the same kind has nothing left to move.
    const SyncReport again = Synchronize(*A, path("b.mdb"), c.type);
    EXPECT_EQ(again.inserted + again.updated + again.deleted + again.conflicts, 0);
}

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (Op a : {None, Insert, Update, Delete})
        for (Op b : {None, Insert, Update, Delete})
            for (int type : {int(dbRepExportChanges), int(dbRepImportChanges), int(dbRepImpExpChanges)})
                cases.push_back({a, b, type});
    return cases;
}

std::string caseName(const testing::TestParamInfo<Case>& info) {
    static const char* names[] = {"None", "Insert", "Update", "Delete"};
    return QString("A%1_B%2_Type%3")
        .arg(names[info.param.a], names[info.param.b])
        .arg(info.param.type)
        .toStdString();
}

INSTANTIATE_TEST_SUITE_P(AllOps, ExchangeMatrix, testing::ValuesIn(allCases()), caseName);

TEST_F(ReplicationTest, ConflictLoserIsKeptWholeAndBothOrdersConverge) {
    for (bool aFirst : {true, false}) {
        SCOPED_TRACE(aFirst);
        makePair();
        Database& first = aFirst ? *A : *B;
        Database& second = aFirst ? *B : *A;
        first.Execute("UPDATE [Procedure] SET Code = 'first', [Desc] = 'kept' WHERE Name = 'X'");
        tick();
        second.Execute("UPDATE [Procedure] SET Code = 'second' WHERE Name = 'X'");
        // Run from the side whose change lost, then check from both.
        Synchronize(first, second.Name(), dbRepImpExpChanges);
        EXPECT_EQ(codeOf(*A, "X"), "second");
        EXPECT_EQ(codeOf(*B, "X"), "second");
        EXPECT_EQ(contentOf(*A), contentOf(*B));
        Database& keeper = conflictCount(*A) ? *A : *B;
        auto lost = keeper.OpenRecordset("SELECT * FROM mrv_conflict_Procedure");
        ASSERT_FALSE(lost->eof());
        EXPECT_EQ(lost->Fields("Code").text(), "first");
        EXPECT_EQ(lost->Fields("Desc").text(), "kept");
        EXPECT_EQ(lost->Fields("Name").text(), "X");
        A.reset();
        B.reset();
        QFile::remove(path("a.mdb"));
        QFile::remove(path("b.mdb"));
    }
}

// Change times come from the engine's clock: the change stamped later wins although made first.
TEST_F(ReplicationTest, ChangeTimesComeFromTheEngineClock) {
    makePair();
    m_now = m_now.addSecs(60);
    A->Execute("UPDATE [Procedure] SET Code = 'stamped later' WHERE Name = 'X'");
    m_now = m_now.addSecs(-30);
    B->Execute("UPDATE [Procedure] SET Code = 'stamped earlier' WHERE Name = 'X'");
    Synchronize(*B, path("a.mdb"), dbRepImpExpChanges);
    EXPECT_EQ(codeOf(*A, "X"), "stamped later");
    EXPECT_EQ(codeOf(*B, "X"), "stamped later");
}

TEST_F(ReplicationTest, ChangesPassAlongAChainAndDeletionsFollow) {
    makePair();
    MakeReplica(*B, path("c.mdb"), "Replica of b");
    auto C = openDatabase(path("c.mdb"));
    addItem(*A, m_cat, "from-A", "a");
    A->Execute("DELETE FROM [Procedure] WHERE Name = 'Y'");
    Synchronize(*A, path("b.mdb"), dbRepExportChanges);
    Synchronize(*B, path("c.mdb"), dbRepExportChanges);
    EXPECT_EQ(codeOf(*C, "from-A"), "a");
    EXPECT_EQ(codeOf(*C, "Y"), "<absent>");
    // C's change comes back to A through B.
    C->Execute("UPDATE [Procedure] SET Code = 'from C' WHERE Name = 'Z'");
    Synchronize(*C, path("b.mdb"), dbRepExportChanges);
    Synchronize(*A, path("b.mdb"), dbRepImportChanges);
    EXPECT_EQ(codeOf(*A, "Z"), "from C");
    Synchronize(*A, path("c.mdb"), dbRepImpExpChanges);
    EXPECT_EQ(contentOf(*A), contentOf(*C));
}

TEST_F(ReplicationTest, KeyCollisionKeepsBothRowsAndTheirItems) {
    makePair();
    // Both sides add a category with the same key, as two programs writing without the engine would.
    A->Execute("INSERT INTO [Category](CatKey, ParentKey, Name) VALUES (5000, 0, 'made in A')");
    B->Execute("INSERT INTO [Category](CatKey, ParentKey, Name) VALUES (5000, 0, 'made in B')");
    addItem(*A, 5000, "item of A", "a");
    addItem(*B, 5000, "item of B", "b");
    A->Execute("INSERT INTO [Category](ParentKey, Name) VALUES (5000, 'child of A')");
    const SyncReport r = Synchronize(*A, path("b.mdb"), dbRepImpExpChanges);
    EXPECT_GE(r.keysMoved, 1);
    for (Database* db : {A.get(), B.get()}) {
        auto rs = db->OpenRecordset(
            "SELECT P.Name AS Item, C.Name AS Cat FROM [Procedure] AS P INNER JOIN Category "
            "AS C ON P.CatKey = C.CatKey WHERE P.Name LIKE 'item of *' ORDER BY P.Name");
        ASSERT_FALSE(rs->eof());
        EXPECT_EQ(rs->Fields("Cat").text(), "made in A");
        rs->MoveNext();
        ASSERT_FALSE(rs->eof());
        EXPECT_EQ(rs->Fields("Cat").text(), "made in B");
        auto child = db->OpenRecordset(
            "SELECT P.Name FROM Category AS C, Category AS P WHERE C.ParentKey = "
            "P.CatKey AND C.Name = 'child of A'");
        ASSERT_FALSE(child->eof());
        EXPECT_EQ(child->Fields("Name").text(), "made in A");
    }
    // Keys agree too: each side moved the same row to the same derived key.
    EXPECT_EQ(contentOf(*A), contentOf(*B));
}

TEST_F(ReplicationTest, StoredFileChangedOnOneSideArrivesWhole) {
    makePair();
    QByteArray bytes(5 * 1024 * 1024 + 123, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7919) >> 3);
    {
        auto rs = A->OpenRecordset("SELECT * FROM [Procedure] WHERE ProcKey = NULL");
        rs->AddNew();
        rs->Fields("CatKey").setValue(m_other);
        rs->Fields("Name").setValue("big.bin");
        rs->Fields("Type").setValue("File");
        for (qsizetype at = 0; at < bytes.size(); at += kChunkSize)
            rs->Fields("File").AppendChunk(bytes.mid(at, kChunkSize));
        rs->Update();
    }
    Synchronize(*A, path("b.mdb"), dbRepExportChanges);
    {
        auto rs = B->OpenRecordset("SELECT File FROM [Procedure] WHERE Name = 'big.bin'");
        ASSERT_EQ(rs->Fields("File").FieldSize(), bytes.size());
        EXPECT_EQ(rs->Fields("File").Value().toByteArray(), bytes);
    }
    // Changed again: the new bytes replace the old.
    bytes[100] = 'Q';
    {
        auto ed = A->OpenRecordset("SELECT File FROM [Procedure] WHERE Name = 'big.bin'");
        ed->Edit();
        for (qsizetype at = 0; at < bytes.size(); at += kChunkSize)
            ed->Fields("File").AppendChunk(bytes.mid(at, kChunkSize));
        ed->Update();
    }
    Synchronize(*B, path("a.mdb"), dbRepImportChanges);
    auto again = B->OpenRecordset("SELECT File FROM [Procedure] WHERE Name = 'big.bin'");
    EXPECT_EQ(again->Fields("File").GetChunk(100, 1), QByteArray("Q"));
}

TEST_F(ReplicationTest, CategoryMovedOnOneSideWhileAnItemIsAddedToItOnTheOther) {
    makePair();
    A->Execute(QString("UPDATE [Category] SET ParentKey = %1 WHERE CatKey = %2").arg(m_other).arg(m_cat));
    tick();
    addItem(*B, m_cat, "added in B", "b");
    Synchronize(*B, path("a.mdb"), dbRepImpExpChanges);
    for (Database* db : {A.get(), B.get()}) {
        auto rs = db->OpenRecordset(
            "SELECT C.Name, C.ParentKey FROM [Procedure] AS P, Category AS C WHERE P.CatKey "
            "= C.CatKey AND P.Name = 'added in B'");
        ASSERT_FALSE(rs->eof());
        EXPECT_EQ(rs->Fields("Name").text(), "Strings");
        EXPECT_EQ(rs->Fields("ParentKey").Value().toInt(), m_other);
    }
    EXPECT_EQ(contentOf(*A), contentOf(*B));
}

TEST_F(ReplicationTest, ItemAddedToACategoryDeletedElsewhereIsKeptAsAConflict) {
    makePair();
    A->Execute(QString("DELETE FROM [Category] WHERE CatKey = %1").arg(m_cat));
    addItem(*B, m_cat, "orphaned", "keep me");
    Synchronize(*A, path("b.mdb"), dbRepImpExpChanges);
    EXPECT_EQ(codeOf(*B, "orphaned"), "<absent>");
    EXPECT_EQ(contentOf(*A), contentOf(*B));
    Database& keeper = conflictCount(*A) ? *A : *B;
    auto kept = keeper.OpenRecordset("SELECT Code FROM mrv_conflict_Procedure");
    ASSERT_FALSE(kept->eof());
    EXPECT_EQ(kept->Fields("Code").text(), "keep me");
}

TEST_F(ReplicationTest, RefusedExchanges) {
    makePair();
    EXPECT_EQ(errorOf([&] { Synchronize(*A, A->Name(), dbRepImpExpChanges); }), errNotUpdatable);
    // A plain copy of a replica has the same identity.
    QFile::copy(path("b.mdb"), path("copy.mdb"));
    EXPECT_EQ(errorOf([&] { Synchronize(*B, path("copy.mdb"), dbRepImportChanges); }), errNotUpdatable);
    // Another replica set.
    auto other = makeLibrary("other.mdb");
    MakeReplicable(*other, kReferences);
    EXPECT_EQ(errorOf([&] { Synchronize(*A, path("other.mdb"), dbRepImportChanges); }), errNotUpdatable);
    // Not replicable at all.
    makeLibrary("plain.mdb")->Close();
    EXPECT_EQ(errorOf([&] { Synchronize(*A, path("plain.mdb"), dbRepExportChanges); }), errNotUpdatable);
    EXPECT_EQ(errorOf([&] { Synchronize(*A, path("missing.mdb"), dbRepExportChanges); }), errFileNotFound);
    // A partner that discarded deletions this file has not seen.
    A->Execute("DELETE FROM [Procedure] WHERE Name = 'Y'");
    tick();
    EXPECT_EQ(PurgeTombstones(*A, m_now.addMSecs(1)), 1);
    EXPECT_EQ(errorOf([&] { Synchronize(*B, path("a.mdb"), dbRepImportChanges); }), errNotUpdatable);
    EXPECT_EQ(codeOf(*B, "Y"), "y");
}

TEST_F(ReplicationTest, CompactKeepsIdentityAndANewSetStartsFresh) {
    makePair();
    addItem(*A, m_cat, "before compact", "c");
    A->Close();
    CompactDatabase(path("a.mdb"), path("a2.mdb"));
    A = openDatabase(path("a2.mdb"));
    Synchronize(*A, path("b.mdb"), dbRepExportChanges);
    EXPECT_EQ(codeOf(*B, "before compact"), "c");

    CompactDatabase(path("a2.mdb"), path("group.mdb"));
    auto group = openDatabase(path("group.mdb"));
    StartNewReplicaSet(*group);
    EXPECT_NE(replicaIdentity(*group).setId, replicaIdentity(*A).setId);
    EXPECT_EQ(errorOf([&] { Synchronize(*group, path("b.mdb"), dbRepImportChanges); }), errNotUpdatable);
    MakeReplica(*group, path("group2.mdb"), "Replica of group");
    auto group2 = openDatabase(path("group2.mdb"));
    addItem(*group2, m_cat, "in the new group", "g");
    Synchronize(*group, path("group2.mdb"), dbRepImportChanges);
    EXPECT_EQ(codeOf(*group, "in the new group"), "g");
}

TEST_F(ReplicationTest, KilledExchangeLeavesBothFilesSoundAndARerunCompletes) {
    makePair();
    for (int i = 0; i < 40; ++i) addItem(*A, m_cat, QString("a%1").arg(i), "from A");
    for (int i = 0; i < 40; ++i) addItem(*B, m_other, QString("b%1").arg(i), "from B");
    A->Execute("DELETE FROM [Procedure] WHERE Name = 'Y'");
    B->Execute("UPDATE [Procedure] SET Code = 'B changed Z' WHERE Name = 'Z'");
    A->Close();
    B->Close();
    // The reference result: the same exchange, uninterrupted, on copies.
    QFile::copy(path("a.mdb"), path("ref-a.mdb"));
    QFile::copy(path("b.mdb"), path("ref-b.mdb"));
    // Copies share identities with a.mdb/b.mdb but are only ever exchanged with each other.
    {
        auto refA = openDatabase(path("ref-a.mdb"));
        Synchronize(*refA, path("ref-b.mdb"), dbRepImpExpChanges);
    }
    auto refA = openDatabase(path("ref-a.mdb"));
    const auto reference = contentOf(*refA, false);

    int steps = 0;
    setExchangeHook([&](int n) { steps = n; });
    {
        QFile::copy(path("a.mdb"), path("count-a.mdb"));
        QFile::copy(path("b.mdb"), path("count-b.mdb"));
        auto countA = openDatabase(path("count-a.mdb"));
        Synchronize(*countA, path("count-b.mdb"), dbRepImpExpChanges);
    }
    ASSERT_GT(steps, 40);
    const int total = steps;
    for (int kill = 1; kill <= total; ++kill) {
        SCOPED_TRACE(kill);
        const QString a = path(QString("k%1-a.mdb").arg(kill)), b = path(QString("k%1-b.mdb").arg(kill));
        QFile::copy(path("a.mdb"), a);
        QFile::copy(path("b.mdb"), b);
        const pid_t child = fork();
        if (child == 0) {
            setExchangeHook([kill](int n) {
                if (n == kill) _exit(9);  // as abrupt as a kill: no rollback, no cleanup
            });
            try {
                auto db = openDatabase(a);
                Synchronize(*db, b, dbRepImpExpChanges);
            } catch (...) {
                _exit(3);
            }
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        setExchangeHook(nullptr);
        {
            // Straight away: the exchange itself rolls back the half-done one, in either file.
            auto db = openDatabase(a);
            Synchronize(*db, b, dbRepImpExpChanges);
        }
        for (const QString& f : {a, b}) {
            EXPECT_FALSE(QFile::exists(f + "-journal"));
            EXPECT_EQ(openDatabase(f)->OpenRecordset("PRAGMA integrity_check")->Fields(0).text(), "ok");
        }
        auto da = openDatabase(a), db = openDatabase(b);
        EXPECT_EQ(contentOf(*da, false), reference);
        EXPECT_EQ(contentOf(*db, false), reference);
        EXPECT_EQ(conflictCount(*da) + conflictCount(*db), 0);
        setExchangeHook([&](int n) { steps = n; });
    }
    setExchangeHook(nullptr);
}

namespace {

// Pages of a table's leaves, for damaging one where it matters.
QList<int> leafPages(const QString& file, const QString& table) {
    auto db = openDatabase(file, false, true);
    QList<int> pages;
    for (auto rs = db->OpenRecordset("SELECT pageno FROM dbstat WHERE name = '" + table +
                                     "' AND pagetype = 'leaf' ORDER BY pageno");
         !rs->eof(); rs->MoveNext())
        pages << rs->Fields(0).Value().toInt();
    return pages;
}

QStringList itemsOf(Database& db) {
    QStringList items;
    for (auto rs = db.OpenRecordset("SELECT Name, Code FROM [Procedure] ORDER BY Name, Code"); !rs->eof();
         rs->MoveNext())
        items << rs->Fields(0).text() + "=" + rs->Fields(1).text();
    return items;
}

}  // namespace

TEST_F(ReplicationTest, ADamagedReplicaRepairedSendsItsEditsAndDeletions) {
    for (const char* damaged : {"Procedure", "mrv_rows"}) {
        SCOPED_TRACE(damaged);
        for (const char* f : {"a.mdb", "b.mdb"}) QFile::remove(path(f));
        makePair();
        A->Execute("BEGIN");
        for (int i = 0; i < 300; ++i) addItem(*A, m_other, QString("filler %1").arg(i), QString(600, 'f'));
        A->Execute("COMMIT");
        Synchronize(*A, path("b.mdb"), dbRepExportChanges);
        tick();  // B's changes come after A's rows, whichever identity B rejoins under
        B->Execute("UPDATE [Procedure] SET Code = 'edited in B' WHERE Name = 'X'");
        B->Execute("DELETE FROM [Procedure] WHERE Name = 'Y'");
        addItem(*B, m_cat, "W", "added in B");
        const QStringList expected = itemsOf(*B);
        B->Close();
        const QList<int> pages = leafPages(path("b.mdb"), damaged);
        ASSERT_GE(pages.size(), 3);
        QByteArray bytes = readAll(path("b.mdb"));
        bytes.replace((pages[pages.size() / 2] - 1) * 4096, 4096, QByteArray(4096, '\xA5'));
        writeAll(path("b.mdb"), bytes);

        const RepairReport report = RepairDatabase(path("b.mdb"));
        EXPECT_TRUE(report.wasDamaged);
        // Its records of rows no longer match its rows: it says so, and exchanges everything again.
        EXPECT_FALSE(report.replicaRebased.isEmpty());
        B = openDatabase(path("b.mdb"));
        Synchronize(*B, path("a.mdb"), dbRepImpExpChanges);
        EXPECT_EQ(codeOf(*A, "Y"), "<absent>");
        EXPECT_EQ(codeOf(*A, "W"), "added in B");
        const QStringList inA = itemsOf(*A);
        for (const QString& item : expected)
            if (!item.startsWith("X=")) {
                EXPECT_TRUE(inA.contains(item)) << item.toStdString();
            }
        EXPECT_TRUE(inA.contains("X=edited in B"));
        // What the damage took from B comes back from A.
        for (const QString& item : itemsOf(*A))
            if (item != "X=original") {
                EXPECT_TRUE(itemsOf(*B).contains(item)) << item.toStdString();
            }
        // Changes made after the repair travel as usual.
        B->Execute("UPDATE [Procedure] SET Code = 'after the repair' WHERE Name = 'Z'");
        Synchronize(*B, path("a.mdb"), dbRepExportChanges);
        EXPECT_EQ(codeOf(*A, "Z"), "after the repair");
        A.reset();
        B.reset();
    }
}

TEST_F(ReplicationTest, MakingAReplicaKilledOutOfSpaceOrBesideAWriterLeavesNoHalfReplica) {
    makePair();
    for (int i = 0; i < 50; ++i) addItem(*A, m_cat, QString("a%1").arg(i), QString(2000, 'a'));
    const int steps = childproc::countSteps([&] { MakeReplica(*A, path("ref.mdb"), "reference"); });
    ASSERT_GE(steps, 5);
    auto expectWholeOrNone = [&](const QString& file) {
        EXPECT_FALSE(QFile::exists(file + "-journal"));
        if (QFile::exists(file)) {
            auto db = openDatabase(file);
            EXPECT_EQ(db->OpenRecordset("PRAGMA integrity_check")->Fields(0).text(), "ok");
            EXPECT_EQ(contentOf(*db, false), contentOf(*A, false));
            EXPECT_NE(replicaIdentity(*db).replicaId, replicaIdentity(*A).replicaId);
        }
        QFile::remove(file);
    };
    const QString c = path("c.mdb");
    for (int step = 1; step <= steps; ++step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(childproc::killedAt(step, [&] { MakeReplica(*openDatabase(path("a.mdb")), c, "killed"); }),
                  9);
        expectWholeOrNone(c);
    }
    EXPECT_EQ(childproc::run([&] {
                  childproc::limitFileSize(16384);
                  return errorOf([&] { MakeReplica(*A, c, "full"); }) == errDiskIO ? 0 : 1;
              }),
              0);
    expectWholeOrNone(c);
    engine::setBusyTimeout(5000);  // the writer's commits, on a busy machine
    A = openDatabase(path("a.mdb"));
    childproc::Writer writer(path("a.mdb"), "INSERT INTO [Category](ParentKey, Name) VALUES (0, 'w%1')");
    for (int i = 0; i < 4; ++i) {
        MakeReplica(*A, c, "beside a writer");
        auto replica = openDatabase(c);
        EXPECT_EQ(replica->OpenRecordset("PRAGMA integrity_check")->Fields(0).text(), "ok");
        replica.reset();
        QFile::remove(c);
    }
    ASSERT_FALSE(writer.stop().isEmpty());
    // Whatever the writer added reaches a replica made afterwards.
    MakeReplica(*A, c, "after");
    EXPECT_EQ(contentOf(*openDatabase(c), false), contentOf(*A, false));
}

TEST_F(ReplicationTest, AnExchangeKilledAfterWritingIntoTheOtherLibraryIsRolledBackByTheNext) {
    makePair();
    // More than the cache holds: the exchange writes into the other library before it commits.
    A->Execute("BEGIN");
    for (int i = 0; i < 60; ++i) addItem(*A, m_cat, QString("big %1").arg(i), QString(60000, 'b'));
    A->Execute("COMMIT");
    A->Close();
    B->Close();
    QFile::copy(path("a.mdb"), path("count.mdb"));
    QFile::copy(path("b.mdb"), path("count-b.mdb"));
    int steps = 0;
    setExchangeHook([&](int n) { steps = n; });
    Synchronize(*openDatabase(path("count.mdb")), path("count-b.mdb"), dbRepExportChanges);
    EXPECT_EQ(childproc::run([&] {
                  setExchangeHook([&](int n) {
                      if (n == steps) _exit(9);
                  });
                  Synchronize(*openDatabase(path("a.mdb")), path("b.mdb"), dbRepExportChanges);
                  return 0;
              }),
              9);
    setExchangeHook(nullptr);
    ASSERT_TRUE(QFile::exists(path("b.mdb-journal")));
    A = openDatabase(path("a.mdb"));
    Synchronize(*A, path("b.mdb"), dbRepImpExpChanges);  // straight away, without opening b.mdb first
    B = openDatabase(path("b.mdb"));
    EXPECT_EQ(contentOf(*A), contentOf(*B));
}

TEST_F(ReplicationTest, AnExchangeOutOfSpaceOrBesideAWriterLeavesBothWhole) {
    makePair();
    for (int i = 0; i < 60; ++i) addItem(*A, m_cat, QString("a%1").arg(i), QString(3000, 'a'));
    A->Close();
    const QByteArray b = readAll(path("b.mdb"));
    EXPECT_EQ(childproc::run([&] {
                  childproc::limitFileSize(b.size() + 8192);
                  return errorOf([&] {
                             Synchronize(*openDatabase(path("a.mdb")), path("b.mdb"), dbRepExportChanges);
                         }) == errDiskIO
                             ? 0
                             : 1;
              }),
              0);
    EXPECT_FALSE(QFile::exists(path("b.mdb-journal")));
    EXPECT_EQ(readAll(path("b.mdb")), b);

    engine::setBusyTimeout(5000);  // the writer's commits, on a busy machine
    childproc::Writer writer(path("b.mdb"), "INSERT INTO [Category](ParentKey, Name) VALUES (0, 'w%1')");
    A = openDatabase(path("a.mdb"));
    for (int i = 0; i < 5; ++i) Synchronize(*A, path("b.mdb"), dbRepImpExpChanges);
    const QList<int> committed = writer.stop();
    ASSERT_FALSE(committed.isEmpty());
    Synchronize(*A, path("b.mdb"), dbRepImpExpChanges);
    B = openDatabase(path("b.mdb"));
    EXPECT_EQ(contentOf(*A), contentOf(*B));
    for (int i : committed)
        EXPECT_EQ(
            B->OpenRecordset(QString("SELECT * FROM Category WHERE Name = 'w%1'").arg(i))->RecordCount(), 1);
}
