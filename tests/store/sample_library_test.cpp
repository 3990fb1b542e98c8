// The design master and the sample library the build puts into the program folder.

#include "tests/store/store_fixture.h"

#include <QRegularExpression>
#include <QSet>

using namespace storetest;

namespace {

class SampleLibraryTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        store::setProgramFolder(QStringLiteral(MRV_TEST_PROGRAM_DIR));
        ASSERT_TRUE(QFile::exists(store::designMasterPath()));
    }
    // The sample text, counted independently of the tool that reads it.
    static int declared(const QString& directive) {
        QFile text(QStringLiteral(MRV_SOURCE_DIR "/resources/sample/library.txt"));
        EXPECT_TRUE(text.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString all = QString::fromUtf8(text.readAll());
        return int(all.count(QRegularExpression(QStringLiteral("^") + directive + QStringLiteral(" "),
                                                QRegularExpression::MultilineOption)));
    }
    static int count(engine::Database* db, const QString& sql) { return scalar(db, sql).toInt(); }
};

TEST_F(SampleLibraryTest, OpensAsTheOriginalGroupWithItsContent) {
    // A copy: the program folder's file is only ever read.
    const QString copy = path(QStringLiteral("Sample Code Library.mdb"));
    ASSERT_TRUE(
        QFile::copy(store::programFolder() + QStringLiteral("/Library/Sample Code Library.mdb"), copy));
    engine::Database* db = nullptr;
    ASSERT_TRUE(open(copy, db));
    EXPECT_TRUE(boxes().isEmpty());

    EXPECT_EQ(scalar(db, QStringLiteral("SELECT GroupName FROM [System]")).toString(),
              QStringLiteral("Original Morvane"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$"))
                    .match(scalar(db, QStringLiteral("SELECT GroupGUID FROM [System]")).toString())
                    .hasMatch());
    EXPECT_EQ(count(db, QStringLiteral("SELECT Count(*) FROM Category")),
              declared(QStringLiteral("CATEGORY")));
    EXPECT_EQ(count(db, QStringLiteral("SELECT Count(*) FROM [Procedure]")),
              declared(QStringLiteral("ITEM")));

    // Every item sits in a category; nesting goes three deep.
    EXPECT_EQ(
        count(db, QStringLiteral("SELECT Count(*) FROM [Procedure] WHERE CatKey NOT IN (SELECT CatKey FROM "
                                 "Category)")),
        0);
    EXPECT_GT(
        count(db, QStringLiteral("SELECT Count(*) FROM Category c JOIN Category p ON c.ParentKey = p.CatKey "
                                 "WHERE p.ParentKey <> 0")),
        0);
    // Kinds hold only their own items; web items are addresses, file items hold bytes.
    EXPECT_EQ(
        count(db, QStringLiteral("SELECT Count(*) FROM [Procedure] p JOIN Category c ON p.CatKey = c.CatKey "
                                 "WHERE c.Type IN ('WebSite', 'File') AND p.Type <> c.Type")),
        0);
    EXPECT_GT(count(db, QStringLiteral("SELECT Count(*) FROM [Procedure] WHERE Type = 'WebSite'")), 0);
    EXPECT_EQ(count(db, QStringLiteral("SELECT Count(*) FROM [Procedure] WHERE Type = 'WebSite' AND "
                                       "NOT (Name Like 'http://*' OR Name Like 'www.*')")),
              0);
    EXPECT_EQ(count(db, QStringLiteral("SELECT Count(*) FROM [Procedure] WHERE Type = 'File' AND "
                                       "(File IS NULL OR length(File) = 0)")),
              0);
    EXPECT_EQ(
        count(db, QStringLiteral("SELECT Count(*) FROM [Procedure] WHERE Owner <> 1 OR LastChangedBy <> 1 OR "
                                 "LastChanged IS NULL OR [Desc] IS NULL")),
        0);
    EXPECT_GT(count(db, QStringLiteral("SELECT Count(*) FROM Category WHERE Image IS NOT NULL")), 0);
}

TEST_F(SampleLibraryTest, DesignMasterHoldsTheCurrentSchemaOnly) {
    auto master = engine::openDatabase(store::designMasterPath(), false, true);
    EXPECT_EQ(scalar(master.get(), QStringLiteral("SELECT DatabaseVersion FROM [System]")).toInt(),
              store::kLibrarySchemaVersion);
    EXPECT_EQ(scalar(master.get(), QStringLiteral("SELECT Count(*) FROM [System]")).toInt(), 1);
    EXPECT_EQ(scalar(master.get(), QStringLiteral("SELECT Count(*) FROM Category")).toInt(), 0);
    EXPECT_EQ(scalar(master.get(), QStringLiteral("SELECT Count(*) FROM [Procedure]")).toInt(), 0);
}

}  // namespace
