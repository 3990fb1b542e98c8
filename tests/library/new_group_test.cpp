// A new library group: the new library, the refusals before anything changes, and a failure half way.

#include "library_fixture.h"

#include "library/frmDBNew.h"
#include "store/library_files.h"

#include <QLineEdit>
#include <QPushButton>

using namespace librarytest;

namespace {

class NewGroupTest : public LibraryTest {
protected:
    void TearDown() override {
        store::setStepHook({});
        LibraryTest::TearDown();
    }
    // The dialog run on the open library: name typed, file chosen, answers given.
    void create(const QString& name, const QString& file, const QList<int>& answers = {}) {
        frmDBNew form;
        form.setMainWindow(&doc);
        form.txtGroupName->setText(name);
        ui::testing::queueFileName(file);
        for (int answer : answers) ui::testing::queueAnswer(answer);
        form.cmdOk_Click();
        EXPECT_TRUE(form.cmdOk->isEnabled());
    }
    static QString systemField(const QString& file, const QString& field) {
        return scalar(engine::openDatabase(file, false, true).get(), "SELECT " + field + " FROM [System]")
            .toString();
    }
};

TEST_F(NewGroupTest, NewLibraryIsEmptyKeepsTheRestAndStartsItsOwnGroupAndReplicaSet) {
    const QString a = makeGroup("a.mdb", {"X", "Y"}, "b.mdb");
    execute(a, {"CREATE TABLE Extra (v TEXT)", "INSERT INTO Extra VALUES ('kept')",
                "DELETE FROM [Procedure] WHERE Name = 'Y'"});
    openInDocument(a);
    const QString target = path("new.mdb");
    create("  Team's Group", target);
    EXPECT_EQ(boxTitles(), QStringList{"Code Library Created"});
    EXPECT_EQ(doc.DBFileName(), target);
    EXPECT_EQ(doc.status.last(), "New Code Library is Ready...");
    EXPECT_TRUE(items(target).isEmpty());
    auto db = engine::openDatabase(target, false, true);
    EXPECT_EQ(scalar(db.get(), "SELECT count(*) FROM Category").toInt(), 0);
    EXPECT_EQ(scalar(db.get(), "SELECT v FROM Extra").toString(), "kept");
    EXPECT_EQ(systemField(target, "GroupName"), "  Team's Group");
    EXPECT_EQ(systemField(target, "DatabaseVersion"), systemField(a, "DatabaseVersion"));
    const QString guid = systemField(target, "GroupGUID");
    EXPECT_EQ(guid.size(), 38);
    EXPECT_NE(guid, systemField(a, "GroupGUID"));
    EXPECT_LT(engine::parseDate(systemField(target, "CreatedDate")).secsTo(QDateTime::currentDateTime()), 60);
    // A new replica set that remembers nothing of the rows it was emptied of.
    EXPECT_NE(engine::replicaIdentity(*db).setId, engine::replicaIdentity(*engine::openDatabase(a)).setId);
    EXPECT_EQ(scalar(db.get(), "SELECT count(*) FROM mrv_tombstones").toInt(), 0);
    EXPECT_EQ(store::GetSetting(store::generalAppName(), "Libraries", "1"), target + ";  Team's Group");
    EXPECT_EQ(items(a), QStringList{"X=from a.mdb"});
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(NewGroupTest, RefusalsChangeNothing) {
    const QString a = makeGroup("a.mdb", {"X"});
    QFile::link(a, path("link.mdb"));
    const QString other = makeGroup("other.mdb", {"O"});
    openInDocument(a);
    // name, file chosen, answers, boxes shown (a file held by another program: see the replica command)
    const std::tuple<QString, QString, QList<int>, QStringList> cases[] = {
        {"   ", other, {}, {"Group Name Required"}},
        {"G", "", {}, {}},
        {"G", path("link.mdb"), {}, {"Ouch!"}},
        {"G", other, {ui::vbNo}, {"Database Exists"}},
        {"G",
         other,
         {ui::vbYes, ui::vbNo},
         {"Database Exists", "Really WIPEOUT this Code Library Database???"}},
    };
    for (const auto& [name, file, answers, shown] : cases) {
        SCOPED_TRACE(shown.join('/').toStdString());
        ui::testing::clear();
        create(name, file, answers);
        EXPECT_EQ(boxTitles(), shown);
        EXPECT_EQ(doc.DBFileName(), a);
        EXPECT_EQ(items(a), QStringList{"X=from a.mdb"});
        EXPECT_EQ(items(other), QStringList{"O=from other.mdb"});
    }
    // Confirmed twice: replaced.
    ui::testing::clear();
    create("G", other, {ui::vbYes, ui::vbYes});
    EXPECT_EQ(boxTitles().last(), "Code Library Created");
    EXPECT_TRUE(items(other).isEmpty());
}

TEST_F(NewGroupTest, FailureHalfWayLeavesTheTargetAndReopensTheOldLibrary) {
    const QString a = makeGroup("a.mdb", {"X"});
    const QString other = makeGroup("other.mdb", {"O"});
    openInDocument(a);
    for (const char* failing : {"compact", "empty", "new set", "stamp", "compact empty", "rename"}) {
        SCOPED_TRACE(failing);
        ui::testing::clear();
        store::setStepHook([failing](const char* step) {
            if (qstrcmp(step, failing) == 0) throw engine::Error(engine::errDiskIO, "Disk I/O error");
        });
        create("G", other, {ui::vbYes, ui::vbYes});
        ASSERT_EQ(boxTitles().size(), 3);
        EXPECT_TRUE(boxes()[2].text.contains("frmDBNew.cmdOk_Click"));
        EXPECT_EQ(doc.DBFileName(), a);
        EXPECT_EQ(items(other), QStringList{"O=from other.mdb"});
        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
    }
}

}  // namespace
