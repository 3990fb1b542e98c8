// Synchronisation: the group check, direction and backups, the warning, convergence, and the open
// library after a failed exchange.

#include "library_fixture.h"

#include "library/frmDBSync.h"
#include "library/frmWarning.h"
#include "prefs/frmProperties.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

using namespace librarytest;

namespace {

const QString kWarning = "Show Sync Warning Message";

class SyncTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        showWarning("0");
    }
    static void showWarning(const QString& value) {
        store::SaveSetting(store::generalAppName(), "General Properties", kWarning, value);
    }
    static QString warningSetting() {
        return store::GetSetting(store::generalAppName(), "General Properties", kWarning);
    }
    // Runs an exchange from the open library with other, answering Yes to the question; true when it
    // completed.
    bool sync(const QString& other, int option = 1, bool backup = false) {
        frmDBSync form;
        form.setMainWindow(&doc);
        form.Form_Load();
        form.txtDB1->setText(other);
        form.optSyncOptions[option]->setChecked(true);
        form.chkBackup->setChecked(backup);
        const qsizetype before = boxes().size();
        ui::testing::queueAnswer(ui::vbYes);
        form.cmdSync_Click();
        shown = boxTitles().mid(before);
        return shown.contains("Success!");
    }
    QStringList shown;  // the titles of the boxes the last exchange showed
};

TEST_F(SyncTest, GroupCheckRefusesTheOpenFileAnotherGroupAndForeignFiles) {
    const QString a = makeGroup("a.mdb", {"X"}, "b.mdb");
    const QString other = makeLibrary("other.mdb");
    execute(other, {"UPDATE [System] SET GroupName = 'Other Group'"});
    engine::createDatabase(path("foreign.mdb"))->Execute("CREATE TABLE T (x)");
    QFile::link(a, path("link.mdb"));
    openInDocument(a);
    frmDBSync form;
    form.setMainWindow(&doc);
    form.Form_Load();
    EXPECT_EQ(form.fraSync->title(), "Synchronize with Group: Test Group");
    // path, passes, the box shown ("" none), the group label afterwards
    const std::tuple<QString, bool, QString, QString> cases[] = {
        {path("b.mdb"), true, "", "Test Group"},
        {path("link.mdb"), false, "Invalid Database", "Test Group"},
        {folder() + "/./a.mdb", false, "Invalid Database", "Test Group"},
        {other, false, "Incorrect Database Group", "Other Group"},
        {path("foreign.mdb"), false, "Incorrect Database...", "Other Group"},
        {path("missing.mdb"), false, "Morvane Error", "Other Group"},
    };
    for (const auto& [file, passes, title, group] : cases) {
        SCOPED_TRACE(file.toStdString());
        ui::testing::clear();
        EXPECT_EQ(form.DBOkForSync(file), passes);
        EXPECT_EQ(boxTitles(), title.isEmpty() ? QStringList() : QStringList{title});
        EXPECT_EQ(form.lblGroupName->text(), group);
    }
    // A typed or remembered path is checked before anything is asked or exchanged.
    for (const QString& typed : {other, path("link.mdb"), path("notes.txt")}) {
        form.txtDB1->setText(typed);
        ui::testing::clear();
        form.cmdSync_Click();
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_NE(boxes()[0].title, "Synchronize Code Libraries?");
    }
}

TEST_F(SyncTest, DirectionDecidesWhatMovesAndBackupsCoverEveryFileThatChanges) {
    for (int option : {0, 1, 2}) {
        for (bool backup : {false, true}) {
            SCOPED_TRACE(option * 10 + backup);
            const QString tag = QString::number(option) + (backup ? "b" : "n");
            const QString a = makeGroup("a" + tag + ".mdb", {"X"}, "b" + tag + ".mdb"),
                          b = path("b" + tag + ".mdb");
            addItem(a, "A-only", "a");
            addItem(b, "B-only", "b");
            const QStringList aBefore = items(a), bBefore = items(b);
            openInDocument(a);
            ASSERT_TRUE(sync(b, option, backup));
            EXPECT_EQ(items(a).contains("B-only=b"), option != 2);  // import or both ways
            EXPECT_EQ(items(b).contains("A-only=a"), option != 0);  // export or both ways
            EXPECT_EQ(QFile::exists(path("a" + tag + ".bak")), backup);
            EXPECT_EQ(QFile::exists(path("b" + tag + ".bak")), backup && option != 0);
            if (backup) {
                EXPECT_EQ(items(path("a" + tag + ".bak")), aBefore);
            }
            if (backup && option != 0) {
                EXPECT_EQ(items(path("b" + tag + ".bak")), bBefore);
            }
            ASSERT_NE(doc.db, nullptr);
            EXPECT_EQ(doc.DBFileName(), QFileInfo(a).absoluteFilePath());
            EXPECT_EQ(store::GetSetting(store::instanceAppName(doc.name), "Properties", "Sync Backup"),
                      backup ? "1" : "0");
        }
    }
}

TEST_F(SyncTest, EditsOnBothSidesConvergeWhicheverSideRunsTheExchange) {
    const QString a = makeGroup("a.mdb", {"X", "Y", "Z"}, "b.mdb"), b = path("b.mdb");
    execute(a, {"UPDATE [Procedure] SET Code = 'changed in a' WHERE Name = 'X'",
                "DELETE FROM [Procedure] WHERE Name = 'Z'"});
    execute(b, {"UPDATE [Procedure] SET Code = 'changed in b' WHERE Name = 'Y'"});
    openInDocument(a);
    ASSERT_TRUE(sync(b));
    const QStringList both{"X=changed in a", "Y=changed in b"};
    EXPECT_EQ(items(a), both);
    EXPECT_EQ(items(b), both);
    // And from the replica's side.
    execute(a, {"DELETE FROM [Procedure] WHERE Name = 'Y'"});
    addItem(b, "W", "new in b");
    openInDocument(b);
    ASSERT_TRUE(sync(a));
    EXPECT_EQ(items(a), (QStringList{"W=new in b", "X=changed in a"}));
    EXPECT_EQ(items(b), items(a));
}

TEST_F(SyncTest, WarningGoesOnOnlyOnYesAndItsSwitchIsTheOneThePreferencesShow) {
    const QString a = makeGroup("a.mdb", {"X"}, "b.mdb"), b = path("b.mdb");
    openInDocument(a);
    showWarning("1");
    int warnings = 0;
    std::function<void(frmWarning*)> answer;
    ui::testing::setFormHandler("frmWarning", [&](QWidget* form) {
        ++warnings;
        answer(static_cast<frmWarning*>(form));
        return 0;
    });
    answer = [](frmWarning* w) { w->cmdYes_Click(); };
    addItem(b, "first", "b");
    EXPECT_TRUE(sync(b));
    // Closed with the window's button after an earlier Yes: a No, the earlier answer forgotten.
    answer = [](frmWarning* w) { w->close(); };
    addItem(b, "second", "b");
    EXPECT_FALSE(sync(b));
    EXPECT_FALSE(items(a).contains("second=b"));
    EXPECT_EQ(warningSetting(), "1");
    // Ticked ("don't show again") and No: nothing exchanged, and the warning is off from now on.
    answer = [](frmWarning* w) {
        w->chkShowWarning->setChecked(true);
        w->chkShowWarning_Click();
        w->cmdNo_Click();
    };
    EXPECT_FALSE(sync(b));
    EXPECT_EQ(warningSetting(), "0");
    EXPECT_TRUE(sync(b));
    EXPECT_EQ(warnings, 3);
    EXPECT_TRUE(items(a).contains("second=b"));
    // The preferences show and switch the same setting.
    frmProperties properties;
    properties.setMainWindow(&doc);
    properties.Form_Load();
    EXPECT_FALSE(properties.chkShowWarning->isChecked());
    properties.chkShowWarning->setChecked(true);
    properties.cmdApply_Click();
    EXPECT_EQ(warningSetting(), "1");
}

}  // namespace
