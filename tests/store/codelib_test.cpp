#include "store/codelib.h"

#include "tests/store/store_fixture.h"

#include <QtEndian>

using namespace storetest;

namespace {

constexpr int kInfo = ui::vbOKOnly | ui::vbInformation;
constexpr int kWarning = ui::vbOKOnly | ui::vbExclamation;

class DBOpenTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeMaster();
    }
    // A file that must be refused: the user told, the caller's open library kept, no handle left
    // behind, and the file itself not changed by the attempt.
    void expectRefused(const QString& file) {
        if (!m_good) {
            ASSERT_TRUE(open(makeLibrary("good.mdb"), m_good));
        }
        const qsizetype openBefore = store::sharedWorkspace()->Databases().size();
        const QByteArray before = readBytes(file);
        ui::testing::clear();
        engine::Database* db = m_good;
        EXPECT_FALSE(store::DBOpen(file, db));
        EXPECT_EQ(db, m_good);
        EXPECT_EQ(store::sharedWorkspace()->Databases().size(), openBefore);
        EXPECT_FALSE(boxes().isEmpty()) << "refused without a word";
        EXPECT_EQ(readBytes(file), before);
    }
    static int version(engine::Database* db) {
        return scalar(db, "SELECT DatabaseVersion FROM [System]").toInt();
    }
    engine::Database* m_good = nullptr;
};

TEST(SQLQuote, DoublesEverySingleQuoteAndNothingElse) {
    EXPECT_EQ(store::SQLQuote("O'Brien's \"code\""), "O''Brien''s \"code\"");
    EXPECT_EQ(store::SQLQuote("''"), "''''");
}

TEST_F(DBOpenTest, MissingFileOrFolderIsNotFound) {
    for (const QString& missing : {path("gone.mdb"), path(QString())}) {
        expectRefused(missing);
        ASSERT_EQ(boxes().size(), 1);
        expectBox(0, "Database NOT FOUND!", "Error: Code Library Database was NOT FOUND:\n\n" + missing,
                  kWarning);
    }
}

TEST_F(DBOpenTest, UnreadableFilesAreRefusedWithoutACrash) {
    writeBytes(path("empty.mdb"), QByteArray());
    expectRefused(path("empty.mdb"));
    writeBytes(path("notes.mdb"), QByteArray("Sub Main()\r\n    Beep\r\nEnd Sub\r\n").repeated(200));
    expectRefused(path("notes.mdb"));

    const QString whole = makeLibrary("whole.mdb");
    fill(whole, 30, 5000);
    QByteArray bytes = readBytes(whole);
    ASSERT_GT(bytes.size(), 100000);
    const QString cut = path("cut.mdb");
    for (qsizetype length = 0; length < bytes.size(); length += 512) {
        SCOPED_TRACE(length);
        writeBytes(cut, bytes.left(length));
        expectRefused(cut);
    }

    // One bad byte in a column's name is damage too, not an older schema: reported, never upgraded.
    const QString named = makeLibrary("named.mdb");
    QByteArray schema = readBytes(named);
    schema[schema.indexOf("DatabaseVersion") + 3] = 'X';
    writeBytes(named, schema);
    expectRefused(named);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].text.contains("has a column 'DatXbaseVersion'"));

    // Page 2 holds the System table: damaged, it is reported, not taken for an old library.
    const int pageSize = qFromBigEndian<quint16>(bytes.constData() + 16);
    bytes.replace(pageSize, pageSize, QByteArray(pageSize, '\xff'));
    writeBytes(whole, bytes);
    expectRefused(whole);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, "Morvane Error");
    EXPECT_TRUE(boxes()[0].text.startsWith(QStringLiteral("Error #%1\n").arg(engine::errDamaged)));
}

TEST_F(DBOpenTest, DatabaseWithoutSystemTableIsALibraryOnlyWithoutMaster) {
    const QString file = path("other.mdb");
    engine::createDatabase(file)->Execute("CREATE TABLE [Customers] ([Id] INTEGER, [Name] TEXT(50))");
    expectRefused(file);
    ASSERT_EQ(boxes().size(), 1);
    expectBox(0, "Incorrect Database...", "This is not a valid Code Library Database!    \r\rTry again...",
              kWarning);

    ASSERT_TRUE(QFile::remove(store::designMasterPath()));
    ui::testing::clear();
    engine::Database* db = nullptr;
    EXPECT_TRUE(open(file, db));
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(DBOpenTest, CurrentAndNewerLibrariesOpenSilentlyAndUnchanged) {
    for (int newer : {0, 2}) {
        const QString file =
            makeLibrary(QStringLiteral("lib%1.mdb").arg(newer), store::kLibrarySchemaVersion + newer);
        const QByteArray before = readBytes(file);
        engine::Database* db = nullptr;
        ASSERT_TRUE(open(file, db));
        EXPECT_EQ(db->Name(), QFileInfo(file).absoluteFilePath());
        EXPECT_EQ(version(db), store::kLibrarySchemaVersion + newer);
        EXPECT_TRUE(store::sharedWorkspace()->Databases().contains(db));
        close(db);
        EXPECT_EQ(db, nullptr);
        EXPECT_EQ(readBytes(file), before);
    }
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(DBOpenTest, OlderLibraryIsUpgradedToTheMastersSchemaAndVersion) {
    ASSERT_TRUE(QFile::remove(store::designMasterPath()));
    makeMaster(7);
    const QByteArray masterBefore = readBytes(store::designMasterPath());
    // An early library: no Category table, Procedure without its later columns, no indexes.
    const QString file = path("old.mdb");
    engine::createDatabase(file)->Close();
    execute(file, {"CREATE TABLE [System] ([DatabaseVersion] SMALLINT, [GroupName] TEXT(255))",
                   QStringLiteral("CREATE TABLE [Procedure] ([ProcKey] INTEGER PRIMARY KEY AUTOINCREMENT, "
                                  "[CatKey] INTEGER, [Name] TEXT(255), [Code] LONGTEXT, [File] LONGBLOB)"),
                   "INSERT INTO [System] VALUES (1, 'Old Group')",
                   "INSERT INTO [Procedure] (CatKey, Name, Code) VALUES (1, 'Keep', 'Sub Keep()')"});

    engine::Database* db = nullptr;
    ASSERT_TRUE(open(file, db));
    ASSERT_EQ(boxes().size(), 2);
    expectBox(0, "Morvane UPGRADE Required!",
              "This Code Library's 'Schema Design' is out-of-date:\n\n\t" + db->Name() +
                  "\n\nThe System will now attempt to UPGRADE this Library's Schema Design.",
              kInfo);
    expectBox(1, "Success!", "SUCCESS!\nThis Morvane Upgrade was Completed Successfully!\n\n" + db->Name(),
              kInfo);

    EXPECT_EQ(version(db), 7);  // the master's, not one more than before
    EXPECT_EQ(scalar(db, "SELECT GroupName FROM [System]").toString(), "Old Group");
    EXPECT_EQ(scalar(db, "SELECT Code FROM [Procedure]").toString(), "Sub Keep()");
    // The added columns, table, indexes and rule are there.
    db->Execute("UPDATE [Procedure] SET Owner = 1, LastChangedBy = 1, LastChanged = #06/30/03#");
    // Statements are held to the types of the added columns too.
    EXPECT_EQ(seamtest::raised([&] { db->Execute("UPDATE [Procedure] SET LastChanged = 'garbage'"); }).number,
              engine::errConversion);
    EXPECT_EQ(scalar(db, QStringLiteral(
                             "SELECT Count(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                             "('CategoryParentKey', 'CategoryName', 'ProcedureCatKey', 'ProcedureName')"))
                  .toInt(),
              4);
    db->Execute("INSERT INTO [Category] (ParentKey, Name) VALUES (0, 'New')");
    db->Execute("DELETE FROM [Category] WHERE CatKey = 1");
    EXPECT_EQ(scalar(db, "SELECT Count(*) FROM [Procedure]").toInt(), 0);

    EXPECT_EQ(readBytes(store::designMasterPath()), masterBefore);
    close(db);
    ui::testing::clear();
    ASSERT_TRUE(open(file, db));
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(DBOpenTest, LibraryWithoutReadableVersionIsUpgraded) {
    const QString nullVersion = makeLibrary("null.mdb");
    const QString noRow = makeLibrary("norow.mdb");
    execute(nullVersion, {"UPDATE [System] SET DatabaseVersion = Null"});
    execute(noRow, {"DELETE FROM [System]"});
    for (const QString& file : {nullVersion, noRow}) {
        SCOPED_TRACE(file.toStdString());
        ui::testing::clear();
        engine::Database* db = nullptr;
        ASSERT_TRUE(open(file, db));
        ASSERT_EQ(boxes().size(), 2);
        EXPECT_EQ(boxes()[1].title, "Success!");
        EXPECT_EQ(version(db), store::kLibrarySchemaVersion);
        EXPECT_EQ(scalar(db, "SELECT Count(*) FROM [System]").toInt(), 1);
    }

    // A master without a version to give: the failure is reported and the library left as it was.
    writeBytes(store::designMasterPath(), "a master that cannot be read has no version to give");
    const QString file = makeLibrary("lib.mdb");
    execute(file, {"UPDATE [System] SET DatabaseVersion = Null"});
    ui::testing::clear();
    engine::Database* db = nullptr;
    EXPECT_FALSE(open(file, db));
    EXPECT_EQ(db, nullptr);
    ASSERT_EQ(boxes().size(), 2);
    EXPECT_EQ(boxes()[0].title, "Morvane UPGRADE Required!");
    EXPECT_TRUE(boxes()[1].text.contains("Occured in Procedure: 'bCodeLib.DBValidateVersion'"));
    EXPECT_TRUE(scalar(engine::openDatabase(file).get(), "SELECT DatabaseVersion FROM [System]").isNull());
}

}  // namespace
