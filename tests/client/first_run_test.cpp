#include "client_fixture.h"

#include <QStandardPaths>

#include <unistd.h>

using clienttest::ClientTest;

namespace {

class FirstRunTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        QDir().mkpath(store::programFolder() + "/Library");
        writeFile(original(), "sample library");
    }
    void TearDown() override {
        store::setWritableCheck({});
        QFile::setPermissions(store::programFolder() + "/Library",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        ClientTest::TearDown();
    }
    static QString original() { return store::programFolder() + "/Library/Sample Code Library.mdb"; }
    static QString copy() {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
               "/morvane/Library/Sample Code Library.mdb";
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(FirstRunTest, TheSampleStaysWhereItCanBeWrittenOrWhereThereIsNothingToCopy) {
    EXPECT_EQ(store::userDataFolder() + "/Library/Sample Code Library.mdb", copy());
    QStringList asked;
    store::setWritableCheck([&](const QString& path) {
        asked << path;
        return true;
    });
    EXPECT_EQ(store::sampleLibraryPath(), original());
    EXPECT_TRUE(asked.contains(store::programFolder() + "/Library"));
    QFile::remove(original());
    store::setWritableCheck([](const QString&) { return false; });
    EXPECT_EQ(store::sampleLibraryPath(), original());
    EXPECT_FALSE(QFile::exists(copy()));
}

TEST_F(FirstRunTest, AReadOnlyProgramFolderOrSampleGivesTheUserACopyOnce) {
    store::setWritableCheck([](const QString& path) { return path != original(); });
    EXPECT_EQ(store::sampleLibraryPath(), copy());
    EXPECT_EQ(read(copy()), "sample library");
    EXPECT_TRUE(QFileInfo(copy()).permissions() & QFileDevice::WriteOwner);
    EXPECT_FALSE(QFile::exists(copy() + ".partial"));

    // The user's changes are theirs: a later start neither copies again nor overwrites them.
    store::setWritableCheck([](const QString& path) { return !path.startsWith(store::programFolder()); });
    writeFile(copy(), "changed by the user");
    writeFile(original(), "a newer installed sample");
    EXPECT_EQ(store::sampleLibraryPath(), copy());
    EXPECT_EQ(read(copy()), "changed by the user");
}

// The real check: a folder made read-only is not writable for an ordinary user; root may write
// anywhere, and then the sample stays where it is.
TEST_F(FirstRunTest, TheFileSystemDecidesWithoutATestCheck) {
    ASSERT_TRUE(QFile::setPermissions(store::programFolder() + "/Library",
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const bool root = geteuid() == 0;
    EXPECT_EQ(QFileInfo(store::programFolder() + "/Library").isWritable(), root);
    EXPECT_EQ(store::sampleLibraryPath(), root ? original() : copy());
}

}  // namespace
