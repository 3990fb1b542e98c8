#include "library/frmDBList.h"

#include "platform/controls.h"
#include "platform/ui.h"
#include "store/engine/engine.h"
#include "store/library_schema.h"
#include "store/paths.h"
#include "store/repair_compact.h"
#include "store/settings.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr int kWarning = ui::vbOKOnly | ui::vbExclamation;
constexpr int kQuestion = ui::vbYesNo | ui::vbQuestion;
constexpr int kInfo = ui::vbOKOnly | ui::vbInformation;
const QString kMore = QStringLiteral("More Code Libraries...");

QString invalidText(const QString& path) {
    return QStringLiteral("Error: The Code Library that you selected:\n\n'") + path +
           QStringLiteral("'\n\nIs NOT a VALID 'Code Library' Database!\r\rTry again...");
}
const QString kRepairQuestion = QStringLiteral(
    "An Error occured while opening this Code Library!\n\nWould you like to 'Repair and Compact' this Code "
    "Library, to try to fix this Error?");

class DBListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::testing::enableRecording();
        ui::testing::clear();
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath(QStringLiteral("program/Library"));
        store::setProgramFolder(m_dir.filePath(QStringLiteral("program")));
    }
    void TearDown() override {
        store::setRepairCompactFaultHook({});
        store::setProgramFolder(QString());
        ui::testing::clear();
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString makeLibrary(const QString& name, const QString& group) {
        const QString file = path(name);
        store::createLibrary(file, {QString(), group, QDateTime()})->Close();
        return file;
    }
    void writeFile(const QString& file, const QByteArray& bytes) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }
    static QByteArray readFile(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    static void setRecent(int key, const QString& value) {
        store::SaveSetting(store::generalAppName(), QStringLiteral("Libraries"), QString::number(key), value);
    }
    static QString recent(int key) {
        return store::GetSetting(store::generalAppName(), QStringLiteral("Libraries"), QString::number(key),
                                 QStringLiteral("END"));
    }
    static QList<ui::testing::ShownBox> boxes() { return ui::testing::shownBoxes(); }
    static void expectBox(int index, const QString& title, const QString& text, int style) {
        ASSERT_LT(index, boxes().size());
        const ui::testing::ShownBox& box = boxes()[index];
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.buttons, style & 7);
        EXPECT_EQ(box.icon, style & 0x70);
        EXPECT_TRUE(box.foreground);
    }
    static QStringList rowTexts(const frmDBList& form) {
        QStringList rows;
        for (int i = 1; i <= form.lstvDatabases->count(); ++i) {
            const controls::ListItem* row = form.lstvDatabases->item(i);
            rows << row->text() + "|" + row->subItem(1) + "|" + row->subItem(2);
        }
        return rows;
    }
    static void select(frmDBList& form, const QString& key) {
        form.lstvDatabases->setSelectedItem(form.lstvDatabases->item(key));
    }
    // Picks file through the "More Code Libraries..." row, as the user does with the file dialog.
    static void pick(frmDBList& form, const QString& file) {
        form.lstvDatabases->setSelectedItem(form.lstvDatabases->item(1));
        ui::testing::queueFileName(file);
        form.cmdOk_Click();
    }

    QTemporaryDir m_dir;
};

TEST_F(DBListTest, WithoutLibrariesOnlyTheMoreRowIsListed) {
    frmDBList form;
    EXPECT_EQ(form.objectName(), QStringLiteral("frmDBList"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral(" Select Code Library..."));
    EXPECT_EQ(form.cmdCancel->text(), QStringLiteral("&Cancel"));
    ASSERT_EQ(form.lstvDatabases->count(), 1);
    EXPECT_EQ(form.lstvDatabases->item(1)->text(), kMore);
    EXPECT_TRUE(form.lstvDatabases->item(1)->key().isEmpty());
    EXPECT_TRUE(form.lstvDatabases->item(1)->selected());
    EXPECT_EQ(form.lstvDatabases->view(), controls::lvwReport);
    EXPECT_TRUE(form.lstvDatabases->fullRowSelect());
    ASSERT_EQ(form.lstvDatabases->columnCount(), 3);
    EXPECT_EQ(form.lstvDatabases->columnText(1), QStringLiteral("Library"));
    EXPECT_EQ(form.lstvDatabases->columnText(2), QStringLiteral("Folder"));
    EXPECT_EQ(form.lstvDatabases->columnText(3), QStringLiteral("Group"));
    EXPECT_TRUE(form.DBFileName().isEmpty());
}

TEST_F(DBListTest, ListsTheLibrariesThatStillExistInOrder) {
    const QString team = makeLibrary(QStringLiteral("Team.mdb"), QStringLiteral("Team Code"));
    const QString plain = makeLibrary(QStringLiteral("Plain.mdb"), QString());
    const QString late = makeLibrary(QStringLiteral("Late.mdb"), QStringLiteral("Late"));
    setRecent(1, team + ";Team Code");
    setRecent(2, QString());  // the gap the recent list keeps at key 2
    setRecent(3, path(QStringLiteral("Gone.mdb")) + ";Lost");
    setRecent(4, plain + ";");
    setRecent(5, team + ";Team Code");  // a hand-edited copy
    setRecent(6, QStringLiteral("END"));
    setRecent(7, late + ";Late");  // after the end marker

    frmDBList form;
    EXPECT_EQ(rowTexts(form), (QStringList{kMore + "||", "Team.mdb|" + m_dir.path() + "|Team Code",
                                           "Plain.mdb|" + m_dir.path() + "|"}));
    EXPECT_EQ(form.lstvDatabases->item(2)->key(), team);
    // Missing files stay in the settings.
    EXPECT_EQ(recent(3), path(QStringLiteral("Gone.mdb")) + ";Lost");
}

TEST_F(DBListTest, ReadsKeysUpToTwentyOne) {
    const QString last = makeLibrary(QStringLiteral("Last.mdb"), QStringLiteral("G"));
    const QString beyond = makeLibrary(QStringLiteral("Beyond.mdb"), QStringLiteral("G"));
    for (int key = 1; key <= 20; ++key) setRecent(key, QString());
    setRecent(21, last + ";G");
    setRecent(22, beyond + ";G");
    frmDBList form;
    ASSERT_EQ(form.lstvDatabases->count(), 2);
    EXPECT_EQ(form.lstvDatabases->item(2)->key(), last);
}

TEST_F(DBListTest, ChoosingAListedLibraryPutsItAtTheTop) {
    const QString team = makeLibrary(QStringLiteral("Team.mdb"), QStringLiteral("Team Code"));
    const QString other = makeLibrary(QStringLiteral("Other.mdb"), QStringLiteral("Others"));
    setRecent(1, team + ";Team Code");
    setRecent(2, QString());
    setRecent(3, other + ";Others");

    frmDBList form;
    select(form, other);
    form.lstvDatabases_DblClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.DBFileName(), other);
    // The group comes from the library itself, not from the list.
    EXPECT_EQ(form.GroupName(), QStringLiteral("Others"));
    EXPECT_EQ(recent(1), other + ";Others");
    EXPECT_EQ(recent(2), QString());
    EXPECT_EQ(recent(3), team + ";Team Code");
    EXPECT_EQ(recent(4), QString());  // the older copy is gone
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(DBListTest, CancelChoosesNothing) {
    const QString team = makeLibrary(QStringLiteral("Team.mdb"), QStringLiteral("Team Code"));
    setRecent(1, team + ";Team Code");
    frmDBList form;
    form.show();
    select(form, team);
    form.cmdCancel_Click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_TRUE(form.DBFileName().isEmpty());
    EXPECT_EQ(recent(1), team + ";Team Code");
}

TEST_F(DBListTest, CancelledFileDialogLeavesTheDialogOpen) {
    frmDBList form;
    form.setInitDir(path(QStringLiteral("start")));
    form.show();
    form.cmdOk_Click();  // the "More" row is selected; nothing is scripted, so the chooser is cancelled
    ui::testing::queueFileName(QStringLiteral("   "));
    form.cmdOk_Click();

    const QList<ui::testing::ShownDialog>& dialogs = ui::testing::shownDialogs();
    ASSERT_EQ(dialogs.size(), 2);
    EXPECT_EQ(dialogs[0].kind, ui::testing::DialogKind::OpenFile);
    EXPECT_EQ(dialogs[0].title, QStringLiteral("Select Code Library..."));
    EXPECT_EQ(dialogs[0].filters,
              (QStringList{QStringLiteral("Access (*.mdb)"), QStringLiteral("All Files (*)")}));
    EXPECT_EQ(dialogs[0].filterIndex, 1);
    EXPECT_EQ(dialogs[0].initialDir, path(QStringLiteral("start")));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.DBFileName().isEmpty());
    EXPECT_TRUE(boxes().isEmpty());
    form.cmdCancel_Click();
    EXPECT_TRUE(form.DBFileName().isEmpty());
}

TEST_F(DBListTest, PickedLibraryIsCheckedAndRemembered) {
    const QString picked = makeLibrary(QStringLiteral("Picked.mdb"), QStringLiteral("Picked Group"));
    frmDBList form;
    form.show();
    pick(form, picked);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.DBFileName(), picked);
    EXPECT_EQ(recent(1), picked + ";Picked Group");
}

TEST_F(DBListTest, FileWithoutSystemTableIsInvalid) {
    const QString foreign = path(QStringLiteral("Foreign.mdb"));
    {
        auto db = engine::createDatabase(foreign);
        db->Execute(QStringLiteral("CREATE TABLE Accounts (Id INTEGER, Name TEXT)"));
        db->Close();
    }
    setRecent(1, foreign + ";Somebody");

    // From the list: refused, and the dialog stays open for another choice.
    frmDBList form;
    form.show();
    select(form, foreign);
    form.cmdOk_Click();
    ASSERT_EQ(boxes().size(), 1);
    expectBox(0, QStringLiteral("Invalid Database"), invalidText(foreign), kWarning);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.DBFileName().isEmpty());
    EXPECT_TRUE(form.GroupName().isEmpty());

    // Picked with the file dialog: the dialog was hidden for the check and ends with nothing chosen.
    pick(form, foreign);
    EXPECT_EQ(boxes().size(), 2);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_TRUE(form.DBFileName().isEmpty());
    EXPECT_EQ(recent(1), foreign + ";Somebody");
}

TEST_F(DBListTest, DeclinedRepairStillChoosesTheFile) {
    const QString library = makeLibrary(QStringLiteral("Cut.mdb"), QStringLiteral("Cut Short"));
    {
        auto db = engine::openDatabase(library);
        for (int i = 0; i < 20; ++i)
            db->Execute(QStringLiteral("INSERT INTO [Procedure] (CatKey, Name, Code) VALUES (1, 'P%1', '%2')")
                            .arg(i)
                            .arg(QString(3000, QLatin1Char('x'))));
        db->Close();
    }
    QFile file(library);
    ASSERT_TRUE(file.resize(file.size() - 4096));  // the last page lost

    frmDBList form;
    ui::testing::queueAnswer(ui::vbNo);
    pick(form, library);
    ASSERT_EQ(boxes().size(), 1);
    expectBox(0, QStringLiteral("Repair and Compact?"), kRepairQuestion, kQuestion);
    EXPECT_EQ(form.DBFileName(), library);
    EXPECT_TRUE(form.GroupName().isEmpty());
    EXPECT_EQ(recent(1), library + ";");
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(DBListTest, FailedRepairChoosesNothing) {
    const QString text = path(QStringLiteral("Notes.mdb"));
    const QByteArray bytes = QByteArray("Sub Main()\r\n    Beep\r\nEnd Sub\r\n").repeated(100);
    writeFile(text, bytes);
    frmDBList form;
    ui::testing::queueAnswer(ui::vbYes);
    pick(form, text);
    // The repair routine tells its own error, then the dialog says it failed.
    ASSERT_EQ(boxes().size(), 3);
    expectBox(0, QStringLiteral("Repair and Compact?"), kRepairQuestion, kQuestion);
    EXPECT_EQ(boxes()[1].title, QStringLiteral("Error occured during operation"));
    expectBox(2, QStringLiteral("Failure!"), QStringLiteral("Database Repair and Compact has FAILED!"),
              kInfo);
    EXPECT_TRUE(form.DBFileName().isEmpty());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(readFile(text), bytes);
    EXPECT_EQ(recent(1), QStringLiteral("END"));
}

TEST_F(DBListTest, RepairedLibraryIsOpenedAgainAndChosen) {
    const QString library = makeLibrary(QStringLiteral("Held.mdb"), QStringLiteral("Survivors"));
    setRecent(1, library + ";Survivors");
    // A program that stopped while holding the library locked: it cannot be opened, but the repair
    // writes a fresh file in its place.
    auto holder = engine::openDatabase(library, true);
    const int timeout = engine::busyTimeout();
    engine::setBusyTimeout(50);

    frmDBList form;
    form.show();
    select(form, library);
    ui::testing::queueAnswer(ui::vbYes);
    form.cmdOk_Click();
    engine::setBusyTimeout(timeout);
    ASSERT_EQ(boxes().size(), 2);
    expectBox(0, QStringLiteral("Repair and Compact?"), kRepairQuestion, kQuestion);
    expectBox(
        1, QStringLiteral("Success!"),
        QStringLiteral("Database Repair and Compact was Completed Successfully!\n\nClick OK to try and open "
                       "the Code Library again."),
        kInfo);
    EXPECT_EQ(form.DBFileName(), library);
    EXPECT_EQ(form.GroupName(), QStringLiteral("Survivors"));
    EXPECT_EQ(form.result(), QDialog::Accepted);
    holder->Close();
}

TEST_F(DBListTest, LibraryGoneSinceListingIsNotChosen) {
    const QString gone = makeLibrary(QStringLiteral("Gone.mdb"), QStringLiteral("G"));
    setRecent(1, gone + ";G");
    frmDBList form;
    form.show();
    ASSERT_TRUE(QFile::remove(gone));
    select(form, gone);
    ui::testing::queueAnswer(ui::vbNo);  // no repair
    form.cmdOk_Click();
    ASSERT_EQ(boxes().size(), 2);
    expectBox(1, QStringLiteral("Code Library NOT Found"),
              QStringLiteral("Error: The Code Library that you selected from the list:\n\n") + gone +
                  QStringLiteral("\n\nNo longer exists in the specified location!"),
              kWarning);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.DBFileName().isEmpty());
    form.cmdCancel_Click();
    EXPECT_TRUE(form.DBFileName().isEmpty());
}

// Shown modally, a pick ends the modal display at once, yet the caller only goes on after the
// check, and reads its outcome.
TEST_F(DBListTest, ModalCallerReadsTheOutcomeOfTheCheck) {
    const QString text = path(QStringLiteral("Broken.mdb"));
    writeFile(text, QByteArray("not a library").repeated(50));
    frmDBList form;
    bool hiddenDuringRepair = false;
    store::setRepairCompactFaultHook(
        [&](store::RepairCompactStep) { hiddenDuringRepair = hiddenDuringRepair || !form.isVisible(); });
    QTimer::singleShot(0, &form, [&] {
        ui::testing::queueAnswer(ui::vbYes);
        ui::testing::queueFileName(text);
        form.cmdOk_Click();
    });
    QTimer::singleShot(10000, &form, [&] { form.done(99); });  // a hung dialog fails instead of blocking
    const int result = form.exec();
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(hiddenDuringRepair);
    EXPECT_TRUE(form.DBFileName().isEmpty());
    ASSERT_EQ(boxes().size(), 3);
    EXPECT_EQ(boxes()[2].title, QStringLiteral("Failure!"));
}

TEST_F(DBListTest, ModalCallerReadsThePickedLibrary) {
    const QString picked = makeLibrary(QStringLiteral("Picked.mdb"), QStringLiteral("P"));
    frmDBList form;
    QTimer::singleShot(0, &form, [&] { pick(form, picked); });
    QTimer::singleShot(10000, &form, [&] { form.done(99); });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_EQ(form.DBFileName(), picked);
}

}  // namespace
