// The design master and the sample library the build puts into the program folder.

#include "tests/store/store_fixture.h"

#include <QRegularExpression>

using namespace storetest;

namespace {

class SampleLibraryTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        store::setProgramFolder(QStringLiteral(MRV_TEST_PROGRAM_DIR));
    }
    // The sample text, counted independently of the tool that reads it.
    static int declared(const char* directive) {
        QFile text(QStringLiteral(MRV_SOURCE_DIR "/resources/sample/library.txt"));
        EXPECT_TRUE(text.open(QIODevice::ReadOnly | QIODevice::Text));
        return int(QString::fromUtf8(text.readAll())
                       .count(QRegularExpression(QStringLiteral("^%1 ").arg(QLatin1String(directive)),
                                                 QRegularExpression::MultilineOption)));
    }
};

TEST_F(SampleLibraryTest, OpensAsTheOriginalGroupWithItsContent) {
    // A copy: the program folder's file is only ever read.
    const QString copy = path("Sample Code Library.mdb");
    ASSERT_TRUE(QFile::copy(store::programFolder() + "/Library/Sample Code Library.mdb", copy));
    engine::Database* db = nullptr;
    ASSERT_TRUE(open(copy, db));
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(scalar(db, "SELECT GroupName FROM [System]").toString(), "Original Morvane");
    EXPECT_TRUE(QRegularExpression("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$")
                    .match(scalar(db, "SELECT GroupGUID FROM [System]").toString())
                    .hasMatch());

    // Counts: -1 for "some", otherwise exactly.
    const std::pair<const char*, int> counts[] = {
        {"FROM Category", declared("CATEGORY")},
        {"FROM [Procedure]", declared("ITEM")},
        // Every item sits in a category; nesting goes three deep.
        {"FROM [Procedure] WHERE CatKey NOT IN (SELECT CatKey FROM Category)", 0},
        {"FROM Category c JOIN Category p ON c.ParentKey = p.CatKey WHERE p.ParentKey <> 0", -1},
        // Kinds hold only their own items; web items are addresses, file items hold bytes.
        {"FROM [Procedure] p JOIN Category c ON p.CatKey = c.CatKey WHERE c.Type IN ('WebSite', 'File') AND "
         "p.Type <> c.Type",
         0},
        {"FROM [Procedure] WHERE Type = 'WebSite'", -1},
        {"FROM [Procedure] WHERE Type = 'WebSite' AND NOT (Name Like 'http://*' OR Name Like 'www.*')", 0},
        {"FROM [Procedure] WHERE Type = 'File' AND (File IS NULL OR length(File) = 0)", 0},
        {"FROM [Procedure] WHERE Owner <> 1 OR LastChangedBy <> 1 OR LastChanged IS NULL OR [Desc] IS NULL",
         0},
        {"FROM Category WHERE Image IS NOT NULL", -1},
    };
    for (const auto& [from, expected] : counts) {
        const int n = scalar(db, "SELECT Count(*) " + QLatin1String(from)).toInt();
        EXPECT_TRUE(expected < 0 ? n > 0 : n == expected) << from << ": " << n;
    }
}

TEST_F(SampleLibraryTest, DesignMasterHoldsTheCurrentSchemaOnly) {
    auto master = engine::openDatabase(store::designMasterPath(), false, true);
    EXPECT_EQ(scalar(master.get(), "SELECT DatabaseVersion FROM [System]").toInt(),
              store::kLibrarySchemaVersion);
    for (const auto& [table, rows] : {std::pair{"[System]", 1}, {"Category", 0}, {"[Procedure]", 0}})
        EXPECT_EQ(scalar(master.get(), "SELECT Count(*) FROM " + QLatin1String(table)).toInt(), rows);
}

// The user's library never lives in the program folder: whether or not that folder can be written,
// the first start copies the sample into the data folder, and nothing a later build does to the
// installed sample reaches the copy.
TEST_F(StoreTest, TheUserWorksOnACopyThatNoRebuildTouches) {
    const QString copy = store::userDataFolder() + "/Library/Sample Code Library.mdb";
    const QString folder = store::programFolder() + "/Library";
    for (const bool writable : {true, false}) {
        SCOPED_TRACE(writable);
        QFile::remove(copy);
        writeBytes(store::installedSamplePath(), "installed sample");
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          (writable ? QFileDevice::WriteOwner : QFileDevice::Permission(0)));
        EXPECT_EQ(store::sampleLibraryPath(), copy);
        EXPECT_EQ(readBytes(copy), "installed sample");
        EXPECT_TRUE(QFileInfo(copy).permissions() & QFileDevice::WriteOwner);
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        writeBytes(copy, "the user's items");
        QFile::remove(store::installedSamplePath());  // the build regenerates its sample
        writeBytes(store::installedSamplePath(), "a newer sample");
        EXPECT_EQ(store::sampleLibraryPath(), copy);
        EXPECT_EQ(readBytes(copy), "the user's items");
        EXPECT_EQ(readBytes(store::installedSamplePath()), "a newer sample");
    }
    // Nothing installed: the user's path all the same, so the program never opens the program folder.
    QFile::remove(copy);
    QFile::remove(store::installedSamplePath());
    EXPECT_EQ(store::sampleLibraryPath(), copy);
    EXPECT_FALSE(QFile::exists(copy));
}

}  // namespace
