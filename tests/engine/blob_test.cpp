// Stored files move in pieces and are read only when asked for.

#include "engine_fixture.h"

#include <sqlite3.h>

using namespace engine;

using BlobTest = EngineTest;

namespace {

QByteArray pattern(qint64 size) {
    QByteArray b(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i) b[i] = char((i * 131 + i / 7) & 0xff);
    return b;
}

int storeFile(Database& db, const QByteArray& bytes, int piece) {
    auto rs = db.OpenRecordset("SELECT * FROM [Procedure] Where ProcKey = NULL");
    rs->AddNew();
    rs->Fields("Type").setValue("File");
    rs->Fields("Name").setValue("data.bin");
    for (qint64 at = 0; at < bytes.size(); at += piece) rs->Fields("File").AppendChunk(bytes.mid(at, piece));
    rs->Update();
    return rs->LastModified().toInt();
}

}  // namespace

TEST_F(BlobTest, PiecesRoundTripAtEveryBoundary) {
    auto db = makeLibrary();
    for (qint64 size : {0LL, 10LL, 32768LL, 32769LL, 32778LL, 65536LL, 200000LL}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = pattern(size);
        const int key = storeFile(*db, bytes, kChunkSize);
        auto rs = db->OpenRecordset(
            QString("SELECT Type, Name, Desc, Code, File FROM [Procedure] Where ProcKey = %1").arg(key));
        Field f = rs->Fields("File");
        if (size == 0) {
            // No piece appended: the row has no stored bytes at all.
            EXPECT_TRUE(f.IsNull());
            continue;
        }
        ASSERT_EQ(f.FieldSize(), size);
        QByteArray back;
        for (qint64 at = 0; at < f.FieldSize(); at += kChunkSize) back += f.GetChunk(at, kChunkSize);
        EXPECT_EQ(back, bytes);
        EXPECT_EQ(f.GetChunk(size - 3, 100), bytes.right(3));  // a piece past the end is cut short
        EXPECT_TRUE(f.GetChunk(size + 10, 5).isEmpty());
    }
}

TEST_F(BlobTest, EmptyPieceGivesEmptyNotNull) {
    auto db = makeLibrary();
    auto rs = db->OpenRecordset("SELECT * FROM [Procedure] Where ProcKey = NULL");
    rs->AddNew();
    rs->Fields("File").AppendChunk(QByteArray());
    rs->Update();
    auto check = db->OpenRecordset("SELECT File FROM [Procedure]");
    EXPECT_FALSE(check->Fields("File").IsNull());
    EXPECT_EQ(check->Fields("File").FieldSize(), 0);
}

TEST_F(BlobTest, FirstAppendAfterEditReplacesTheOldValue) {
    auto db = makeLibrary();
    const int key = storeFile(*db, "old picture bytes", 4);
    auto rs = db->OpenRecordset(QString("SELECT File FROM [Procedure] WHERE ProcKey = %1").arg(key));
    rs->Edit();
    rs->Fields("File").AppendChunk("new ");
    rs->Fields("File").AppendChunk("one");
    rs->Update();
    EXPECT_EQ(rs->Fields("File").Value().toByteArray(), QByteArray("new one"));
}

TEST_F(BlobTest, ListingDoesNotReadStoredBytes) {
    auto db = makeLibrary();
    const int cat = addCategory(*db, "Files");
    const QByteArray big = pattern(8 * 1024 * 1024);
    const int key = storeFile(*db, big, kChunkSize);
    db->Execute(QString("UPDATE [Procedure] SET CatKey = %1 WHERE ProcKey = %2").arg(cat).arg(key));
    db->Close();
    auto reopened = openDatabase(path("lib.mdb"));

    // Count the pages read while listing: a stored file of 8 MB spans ~2,000 pages.
    auto listPages = [&](const QString& sql) {
        sqlite3_db_cacheflush(reopened->handle());
        sqlite3_db_release_memory(reopened->handle());
        int before = 0, high = 0;
        sqlite3_db_status(reopened->handle(), SQLITE_DBSTATUS_CACHE_MISS, &before, &high, 1);
        auto rs = reopened->OpenRecordset(sql, dbOpenDynaset, dbReadOnly);
        for (; !rs->eof(); rs->MoveNext())
            for (int i = 0; i < rs->FieldCount(); ++i)
                if (rs->Fields(i).Name() != "File") rs->Fields(i).Value();
        int misses = 0;
        sqlite3_db_status(reopened->handle(), SQLITE_DBSTATUS_CACHE_MISS, &misses, &high, 0);
        return misses;
    };
    EXPECT_LT(listPages("SELECT P.*, C.Name AS CatName FROM [Procedure] AS P, Category AS C WHERE P.Catkey = "
                        "C.Catkey ORDER BY C.Name, P.Name"),
              50);
    EXPECT_LT(listPages("SELECT * FROM [Procedure]"), 50);

    auto rs = reopened->OpenRecordset("SELECT P.* FROM [Procedure] AS P");
    EXPECT_EQ(rs->Fields("File").FieldSize(), big.size());
    EXPECT_EQ(rs->Fields("File").GetChunk(5'000'000, 16), big.mid(5'000'000, 16));
}

TEST_F(BlobTest, SpoolingKeepsPiecesOffTheHeapAndTooLargeIsRefused) {
    auto db = makeLibrary();
    auto rs = db->OpenRecordset("SELECT * FROM [Procedure] Where ProcKey = NULL");
    rs->AddNew();
    const QByteArray piece(1024 * 1024, 'z');
    // Just under the limit is fine to spool; the piece that crosses it is refused and the row is not written.
    const qint64 pieces = kMaxLongBinary / piece.size();
    for (qint64 i = 0; i < pieces; ++i) rs->Fields("File").AppendChunk(piece);
    EXPECT_EQ(errorOf([&] { rs->Fields("File").AppendChunk(piece); }), errFieldTooSmall);
    rs->CancelUpdate();
    EXPECT_EQ(db->OpenRecordset("SELECT * FROM [Procedure]")->RecordCount(), 0);
}

TEST_F(BlobTest, FailedUpdateLeavesNoHalfRow) {
    auto db = makeLibrary();
    db->Execute("CREATE UNIQUE INDEX ProcName ON [Procedure](Name)");
    storeFile(*db, "first", 2);
    auto rs = db->OpenRecordset("SELECT * FROM [Procedure] Where ProcKey = NULL");
    rs->AddNew();
    rs->Fields("Name").setValue("data.bin");  // duplicate
    rs->Fields("File").AppendChunk(pattern(100000));
    EXPECT_EQ(errorOf([&] { rs->Update(); }), errDuplicateKey);
    EXPECT_EQ(db->OpenRecordset("SELECT * FROM [Procedure]")->RecordCount(), 1);
}
