// The library commands on a real document: the dialogs they open, repair and compact, the replica
// command, and the document's library after a new group or a failed exchange.

#include "browser/MRVDocument.h"

#include "library/frmDBNew.h"
#include "library/frmDBSync.h"
#include "store/engine/replication.h"
#include "store/repair_compact.h"
#include "tests/browser/browser_fixture.h"

#include <QLineEdit>

#include <sqlite3.h>

using namespace browsertest;

namespace {

class LibraryCommandsTest : public BrowserTest {
protected:
    void TearDown() override {
        store::setRepairCompactFaultHook({});
        engine::setBusyTimeout(5000);
        BrowserTest::TearDown();
    }
    QString library() {
        return makeLibrary("lib.mdb", {category(1, 0, "Code"), item(1, 1, "X", "Text/Code")});
    }
    static int count(const QString& file, const QString& table) {
        return scalar(file, "SELECT count(*) FROM [" + table + "]").toInt();
    }
};

TEST_F(LibraryCommandsTest, EachToolOpensItsDialog) {
    browser::MRVDocument* doc = open(library());
    for (const char* tool :
         {"BTN_COPYTO", "BTN_NEW_DB", "BTN_SYNC_DBS", "BTN_REPLICATE_DB", "BTN_REPAIR_COMPACT"})
        EXPECT_TRUE(browser::MRVDocument::commandBuilt(tool)) << tool;
    ui::testing::clear();
    for (const char* tool : {"BTN_COPYTO", "BTN_NEW_DB", "BTN_SYNC_DBS"}) doc->dispatchTool(tool);
    QStringList forms;
    for (const auto& dialog : ui::testing::shownDialogs()) forms << dialog.text;
    EXPECT_EQ(forms, (QStringList{"frmDBCopy", "frmDBNew", "frmDBSync"}));
}

TEST_F(LibraryCommandsTest, RepairAndCompactAsksAndReopensTheLibraryWhateverHappens) {
    const QString lib = library();
    browser::MRVDocument* doc = open(lib);
    ui::testing::clear();
    doc->dispatchTool("BTN_REPAIR_COMPACT");  // unanswered: No, the default
    EXPECT_EQ(boxTitles(), QStringList{"Repair and Compact now?"});
    EXPECT_EQ(boxes()[0].defaultButton, 2);
    ui::testing::clear();
    ui::testing::queueAnswer(ui::vbYes);
    doc->dispatchTool("BTN_REPAIR_COMPACT");
    EXPECT_EQ(boxTitles(), (QStringList{"Repair and Compact now?", "Success!"}));
    EXPECT_EQ(statusText(doc), "Repair and Compact was Completed Successfully! ");
    ASSERT_NE(doc->database(), nullptr);
    EXPECT_EQ(doc->DBFileName(), lib);

    store::setRepairCompactFaultHook([](store::RepairCompactStep step) {
        if (step == store::RepairCompactStep::Compact)
            throw engine::Error(engine::errDiskIO, "Disk I/O error");
    });
    ui::testing::clear();
    ui::testing::queueAnswer(ui::vbYes);
    doc->dispatchTool("BTN_REPAIR_COMPACT");
    EXPECT_EQ(boxTitles(),
              (QStringList{"Repair and Compact now?", "Error occured during operation", "Failure!"}));
    ASSERT_NE(doc->database(), nullptr);
    EXPECT_EQ(doc->DBFileName(), lib);
    EXPECT_EQ(doc->treCats->findNode("1 Key")->text(), "Code");
}

TEST_F(LibraryCommandsTest, ReplicaCommandRefusesTheOpenFileAndReplacesOnlyAfterTwoYeses) {
    const QString lib = library();
    const QString other = makeLibrary("other.mdb", {category(7, 0, "Other")});
    QFile::link(lib, path("link.mdb"));
    browser::MRVDocument* doc = open(lib);
    engine::setBusyTimeout(100);
    sqlite3* holder = nullptr;  // another program writing other.mdb, in the last case
    sqlite3_open(QFile::encodeName(other).constData(), &holder);
    // file chosen, answers, boxes shown, whether other.mdb is held
    const std::tuple<QString, QList<int>, QStringList, bool> refused[] = {
        {"", {}, {}, false},
        {path("link.mdb"), {}, {"Replica name error"}, false},
        {other,
         {ui::vbYes, ui::vbNo},
         {"Database Exists", "Really WIPEOUT this Code Library Database???"},
         false},
        {other,
         {ui::vbYes, ui::vbYes},
         {"Database Exists", "Really WIPEOUT this Code Library Database???", "Error Replacing Code Library"},
         true},
    };
    for (const auto& [file, answers, shown, held] : refused) {
        SCOPED_TRACE(shown.join('/').toStdString());
        ui::testing::clear();
        if (held) sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        ui::testing::queueFileName(file);
        for (int answer : answers) ui::testing::queueAnswer(answer);
        doc->dispatchTool("BTN_REPLICATE_DB");
        EXPECT_EQ(boxTitles(), shown);
        EXPECT_EQ(count(other, "Category"), 1);
        EXPECT_EQ(doc->DBFileName(), lib);
    }
    EXPECT_EQ(ui::testing::shownDialogs()[0].defaultText, "Replica of lib.mdb");
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);

    for (const QString& target : {path("new.mdb"), other}) {
        ui::testing::clear();
        ui::testing::queueFileName(target);
        ui::testing::queueAnswer(ui::vbYes);
        ui::testing::queueAnswer(ui::vbYes);
        doc->dispatchTool("BTN_REPLICATE_DB");
        EXPECT_EQ(boxTitles().last(), "Replica was created!");
        EXPECT_EQ(statusText(doc), "Replica Created: " + target + " ");
        EXPECT_EQ(scalar(target, "SELECT Name FROM Category").toString(), "Code");
        EXPECT_EQ(engine::replicaIdentity(*engine::openDatabase(target)).setId,
                  engine::replicaIdentity(*engine::openDatabase(lib)).setId);
    }
}

TEST_F(LibraryCommandsTest, TheDocumentOpensTheNewGroupAndKeepsItsLibraryAfterAFailedExchange) {
    const QString lib = library();
    browser::MRVDocument* doc = open(lib);
    {
        frmDBNew form;
        form.setMainWindow(doc);
        form.txtGroupName->setText("Team");
        ui::testing::queueFileName(path("team.mdb"));
        form.cmdOk_Click();
    }
    EXPECT_EQ(doc->DBFileName(), path("team.mdb"));
    EXPECT_EQ(instanceSetting("Current Library"), path("team.mdb"));
    EXPECT_EQ(doc->treCats->findNode("1 Key"), nullptr);
    // An exchange the engine refuses (not a member of the replica set): the library is open again.
    const QString stranger = makeLibrary("stranger.mdb");
    auto db = engine::openDatabase(stranger);
    db->Execute("UPDATE [System] SET GroupGUID = '" +
                scalar(path("team.mdb"), "SELECT GroupGUID FROM [System]").toString() + "'");
    db->Close();
    store::SaveSetting(store::generalAppName(), "General Properties", "Show Sync Warning Message", "0");
    frmDBSync sync;
    sync.setMainWindow(doc);
    sync.setSyncDBFilename(stranger);
    sync.Form_Load();
    ui::testing::clear();
    ui::testing::queueAnswer(ui::vbYes);
    sync.cmdSync_Click();
    EXPECT_EQ(boxTitles(), (QStringList{"Synchronize Code Libraries?", "Morvane Error"}));
    ASSERT_NE(doc->database(), nullptr);
    EXPECT_EQ(doc->DBFileName(), path("team.mdb"));
}

}  // namespace
