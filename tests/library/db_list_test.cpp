#include "library/frmDBList.h"

#include "../store/store_fixture.h"

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
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString kMore = "More Code Libraries...";
const QString kRepairQuestion = QStringLiteral(
    "An Error occured while opening this Code Library!\n\nWould you like to 'Repair and Compact' this Code "
    "Library, to try to fix this Error?");

// The store's fixture: recorded boxes, a program folder of its own, cleared hooks.
class DBListTest : public storetest::StoreTest {
protected:
    QString makeLibrary(const QString& name, const QString& group) {
        store::createLibrary(path(name), {QString(), group, QDateTime()})->Close();
        return path(name);
    }
    static void setRecent(int key, const QString& value) {
        store::SaveSetting(store::generalAppName(), "Libraries", QString::number(key), value);
    }
    static QString recent(int key) {
        return store::GetSetting(store::generalAppName(), "Libraries", QString::number(key), "END");
    }
    // The box's title, text, buttons and icon, "|"-separated; every box here is in the foreground.
    static QString box(int index) {
        if (index >= boxes().size()) return "<no box>";
        const ui::testing::ShownBox& b = boxes()[index];
        EXPECT_TRUE(b.foreground);
        return QStringLiteral("%1|%2|%3").arg(b.title, b.text).arg(b.buttons | b.icon);
    }
    static QString box(const QString& title, const QString& text, int style) {
        return QStringLiteral("%1|%2|%3").arg(title, text).arg(style);
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
};

TEST_F(DBListTest, WithoutLibrariesOnlyTheMoreRowIsListedAndACancelledFileDialogKeepsItOpen) {
    frmDBList form;
    EXPECT_EQ(rowTexts(form), QStringList{kMore + "||"});
    EXPECT_TRUE(form.lstvDatabases->item(1)->key().isEmpty());
    EXPECT_TRUE(form.lstvDatabases->item(1)->selected());

    form.setInitDir(path("start"));
    form.show();
    form.cmdOk_Click();  // the "More" row is selected; nothing is scripted, so the chooser is cancelled
    ui::testing::queueFileName("   ");
    form.cmdOk_Click();
    const QList<ui::testing::ShownDialog>& dialogs = ui::testing::shownDialogs();
    ASSERT_EQ(dialogs.size(), 2);
    EXPECT_EQ(dialogs[0].kind, ui::testing::DialogKind::OpenFile);
    EXPECT_EQ(dialogs[0].title, "Select Code Library...");
    EXPECT_EQ(dialogs[0].filters, (QStringList{"Access (*.mdb)", "All Files (*)"}));
    EXPECT_EQ(dialogs[0].filterIndex, 1);
    EXPECT_EQ(dialogs[0].initialDir, path("start"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.DBFileName().isEmpty());
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(DBListTest, ListsTheLibrariesThatStillExistInOrderUpToKeyTwentyOne) {
    const QString team = makeLibrary("Team.mdb", "Team Code");
    const QString plain = makeLibrary("Plain.mdb", QString());
    const QString last = makeLibrary("Last.mdb", "G");
    const QString beyond = makeLibrary("Beyond.mdb", "G");
    for (int key = 1; key <= 20; ++key) setRecent(key, QString());  // 2 is the gap the list keeps
    setRecent(1, team + ";Team Code");
    setRecent(3, path("Gone.mdb") + ";Lost");
    setRecent(4, plain + ";");
    setRecent(5, team + ";Team Code");  // a hand-edited copy
    setRecent(21, last + ";G");
    setRecent(22, beyond + ";G");

    frmDBList form;
    EXPECT_EQ(rowTexts(form), (QStringList{kMore + "||", "Team.mdb|" + folder() + "|Team Code",
                                           "Plain.mdb|" + folder() + "|", "Last.mdb|" + folder() + "|G"}));
    EXPECT_EQ(form.lstvDatabases->item(2)->key(), team);
    EXPECT_EQ(recent(3), path("Gone.mdb") + ";Lost");  // missing files stay in the settings

    // Nothing after the end marker.
    setRecent(6, "END");
    EXPECT_EQ(rowTexts(frmDBList()).size(), 3);
}

TEST_F(DBListTest, ChoosingAListedLibraryPutsItAtTheTopAndCancelChoosesNothing) {
    const QString team = makeLibrary("Team.mdb", "Team Code");
    const QString other = makeLibrary("Other.mdb", "Others");
    setRecent(1, team + ";Team Code");
    setRecent(2, QString());
    setRecent(3, other + ";others");

    frmDBList cancelled;
    cancelled.show();
    select(cancelled, team);
    cancelled.cmdCancel_Click();
    EXPECT_FALSE(cancelled.isVisible());
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_TRUE(cancelled.DBFileName().isEmpty());
    EXPECT_EQ(recent(1), team + ";Team Code");

    frmDBList form;
    select(form, other);
    form.lstvDatabases_DblClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.DBFileName(), other);
    EXPECT_EQ(form.GroupName(), "Others");  // from the library itself, not the list
    EXPECT_EQ(QStringList({recent(1), recent(2), recent(3), recent(4)}),
              QStringList({other + ";Others", "", team + ";Team Code", ""}));  // the older copy is gone
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(DBListTest, FileWithoutSystemTableIsInvalid) {
    const QString foreign = path("Foreign.mdb");
    engine::createDatabase(foreign)->Execute("CREATE TABLE Accounts (Id INTEGER, Name TEXT)");
    setRecent(1, foreign + ";Somebody");

    // From the list: refused, and the dialog stays open for another choice.
    frmDBList form;
    form.show();
    select(form, foreign);
    form.cmdOk_Click();
    EXPECT_EQ(box(0), box("Invalid Database",
                          "Error: The Code Library that you selected:\n\n'" + foreign +
                              "'\n\nIs NOT a VALID 'Code Library' Database!\r\rTry again...",
                          ui::vbOKOnly | ui::vbExclamation));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.DBFileName().isEmpty() && form.GroupName().isEmpty());

    // Picked with the file dialog: the dialog was hidden for the check and ends with nothing chosen.
    pick(form, foreign);
    EXPECT_EQ(box(1), box(0));
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_TRUE(form.DBFileName().isEmpty());
    EXPECT_EQ(recent(1), foreign + ";Somebody");
}

TEST_F(DBListTest, ListedLibraryThatCannotBeOpenedIsRepairedOrReportedGone) {
    const QString gone = makeLibrary("Gone.mdb", "G");
    const QString library = makeLibrary("Held.mdb", "Survivors");
    int key = 0;
    for (const QString& entry : {library + ";Survivors", QString(), gone + ";G"}) setRecent(++key, entry);
    frmDBList form;
    form.show();
    ASSERT_TRUE(QFile::remove(gone));
    select(form, gone);
    ui::testing::queueAnswer(ui::vbNo);  // no repair
    form.cmdOk_Click();
    EXPECT_EQ(box(1), box("Code Library NOT Found",
                          "Error: The Code Library that you selected from the list:\n\n" + gone +
                              "\n\nNo longer exists in the specified location!",
                          ui::vbOKOnly | ui::vbExclamation));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.DBFileName().isEmpty());

    // Held by another program: no repair is offered (one would replace the file under that program),
    // the user is told it is in use, and the dialog stays open.
    ui::testing::clear();
    const QByteArray before = storetest::readBytes(library);
    auto holder = engine::openDatabase(library, true);
    const int timeout = engine::busyTimeout();
    engine::setBusyTimeout(50);
    select(form, library);
    ui::testing::queueAnswer(ui::vbYes);
    form.cmdOk_Click();
    engine::setBusyTimeout(timeout);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(box(0),
              box("Code Library in Use",
                  "The Code Library '" + library +
                      "' is in use by another program.\n\nClose it there, or try again when it is free.",
                  ui::vbOKOnly | ui::vbExclamation));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.DBFileName().isEmpty());
    holder->Close();
    EXPECT_EQ(storetest::readBytes(library), before);
}

// Shown modally, a pick ends the modal display at once, yet the caller only goes on after the
// check, and reads its outcome.
TEST_F(DBListTest, PickedFilesAreCheckedAndOnlyDamagedLibrariesOfferedARepair) {
    const QString picked = makeLibrary("Picked.mdb", "Picked Group");
    const QString cut = makeLibrary("Cut.mdb", "Cut Short");
    {
        auto db = engine::openDatabase(cut);
        for (int i = 0; i < 20; ++i)
            db->Execute(QStringLiteral("INSERT INTO [Procedure] (CatKey, Name, Code) VALUES (1, 'P%1', '%2')")
                            .arg(i)
                            .arg(QString(3000, QLatin1Char('x'))));
    }
    QFile file(cut);
    ASSERT_TRUE(file.resize(file.size() - 4096));  // the last page lost
    // A text file chosen with "All Files": no database at all, so nothing a repair could mend.
    const QString text = path("notes.txt");
    storetest::writeBytes(text, QByteArray("not a library\n").repeated(50));
    struct Case {
        QString file;
        int answer, boxes;
        QString group, recent;  // a null group: nothing chosen
    };
    const Case cases[] = {
        {picked, ui::vbYes, 0, "Picked Group", picked + ";Picked Group"},
        {cut, ui::vbNo, 1, "", cut + ";"},  // repair declined: chosen without a group
        {text, ui::vbYes, 1, QString(), cut + ";"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        ui::testing::clear();
        frmDBList form;
        QTimer::singleShot(0, &form, [&] {
            ui::testing::queueAnswer(c.answer);
            pick(form, c.file);
        });
        QTimer::singleShot(10000, &form, [&] { form.done(99); });  // a hung dialog fails instead of blocking
        EXPECT_EQ(form.exec(), c.group.isNull() ? QDialog::Rejected : QDialog::Accepted);
        EXPECT_EQ(form.DBFileName(), c.group.isNull() ? QString() : c.file);
        EXPECT_EQ(form.GroupName(), c.group);
        EXPECT_EQ(recent(1), c.recent);
        ASSERT_EQ(boxes().size(), c.boxes);
        if (c.file == cut) {
            EXPECT_EQ(box(0), box("Repair and Compact?", kRepairQuestion, ui::vbYesNo | ui::vbQuestion));
        }
    }
    EXPECT_EQ(boxes()[0].title, "Invalid Database");
    EXPECT_EQ(storetest::readBytes(text), QByteArray("not a library\n").repeated(50));
}

}  // namespace
