#include "editor/frmProcFind.h"

#include "platform/tab_strip.h"
#include "platform/ui.h"
#include "store/library_schema.h"
#include "store/main_window.h"
#include "store/settings.h"
#include "tests/seam_fixture.h"
#include "tests/store/fake_main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLocale>

#include <gtest/gtest.h>

namespace {

const QString kSection = "Last Search Items";

// Stands for the browser document: records what the dialog asks of it and runs the statements.
class Document : public storetest::FakeMainWindow {
public:
    void ProcRefresh(const QString& query) override {
        calls << "ProcRefresh";
        search = query;
        rows.clear();
        if (!library) return;
        for (auto rs = library->OpenRecordset(query, engine::dbOpenSnapshot); !rs->eof(); rs->MoveNext())
            rows << rs->Fields("Name").text();
    }
    void StatusBar(const QString& message) override { calls << "StatusBar " + message; }
    void SetForSearch() override { calls << "SetForSearch"; }

    engine::Database* library = nullptr;
    QStringList calls, rows;
};

class FindTest : public seamtest::SeamTest {
protected:
    void SetUp() override {
        SeamTest::SetUp();
        form.setMainWindow(&document);
    }
    static void setHistory(const QStringList& texts) {
        store::DeleteSetting(store::generalAppName(), kSection);
        for (int i = 0; i < texts.size(); ++i)
            store::SaveSetting(store::generalAppName(), kSection, QString::number(i + 1), texts[i]);
    }
    // Keys "1" to "21" as stored, "END" for a missing key, trailing empty and missing keys cut.
    static QStringList history() {
        QStringList keys;
        for (int i = 1; i <= 21; ++i)
            keys << store::GetSetting(store::generalAppName(), kSection, QString::number(i), "END");
        while (!keys.isEmpty() && (keys.last().isEmpty() || keys.last() == QLatin1String("END")))
            keys.removeLast();
        return keys;
    }
    void findText(const QString& text) {
        form.cboFind->setEditText(text);
        form.cmdFindNow_Click();
    }

    Document document;
    frmProcFind form;
};

TEST_F(FindTest, TextStatementsJoinTheChosenFields) {
    const QString select = QStringLiteral(
        "SELECT P.ProcKey, C.Name AS CatName, P.Name, P.Type, P.Desc, P.Code, P.LastChanged FROM [Procedure] "
        "AS P "
        "INNER JOIN Category AS C ON P.CatKey = C.CatKey WHERE ");
    // catNames, procNames, procDesc, procCode, text, the conditions and the end of the statement
    const std::tuple<bool, bool, bool, bool, const char*, const char*> cases[] = {
        {true, true, true, false, "it's",
         " C.Name Like '*it''s*' OR   P.Name Like '*it''s*' OR  P.Desc Like '*it''s*'  ORDER BY C.Name, "
         "P.Name"},
        {false, false, false, true, "Get File", " P.Code Like '*Get File*'  ORDER BY C.Name, P.Name"},
        {true, true, true, true, "a?[0-9]#",
         " C.Name Like '*a?[0-9]#*' OR   P.Name Like '*a?[0-9]#*' OR  P.Desc Like '*a?[0-9]#*' OR  P.Code "
         "Like '*a?[0-9]#*'  ORDER BY C.Name, P.Name"},
        {false, true, false, false, " x ", "  P.Name Like '* x *'  ORDER BY C.Name, P.Name"},
    };
    for (const auto& [cat, name, desc, code, text, conditions] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(store::searchByTextSQL(QString::fromUtf8(text), {cat, name, desc, code}),
                  select + QString::fromUtf8(conditions));
    }
}

TEST_F(FindTest, InputIsCheckedAndTheFieldsAreRemembered) {
    store::SaveSetting(store::generalAppName(), kSection, "Proc Desc Checkbox", "0");
    form.Form_Load();
    EXPECT_TRUE(form.chkCatNames->isChecked());
    EXPECT_TRUE(form.chkProcNames->isChecked());
    EXPECT_FALSE(form.chkProcDesc->isChecked());
    EXPECT_FALSE(form.chkProcCode->isChecked());

    findText("   ");
    form.chkCatNames->setChecked(false);
    form.chkProcNames->setChecked(false);
    findText("x");
    ASSERT_EQ(boxes().size(), 2);
    EXPECT_EQ(boxes()[0].text, "Please enter Search Criteria.");
    EXPECT_EQ(boxes()[1].text, "Please 'check' at least one area to search!");
    for (const auto& box : boxes()) {
        EXPECT_EQ(box.title, "Oops!");
        EXPECT_EQ(box.icon, ui::vbInformation);
    }
    EXPECT_TRUE(document.calls.isEmpty());
    EXPECT_TRUE(history().isEmpty());

    form.chkProcCode->setChecked(true);
    findText("x");
    EXPECT_EQ(document.calls,
              QStringList({"SetForSearch", "ProcRefresh", "StatusBar Search results Displayed..."}));
    EXPECT_EQ(document.search, form.searchStatement());
    for (const char* key : {"Cat Name Checkbox", "Proc Name Checkbox", "Proc Desc Checkbox"})
        EXPECT_EQ(store::GetSetting(store::generalAppName(), kSection, QString::fromLatin1(key)), "0");
    // The code field is never remembered.
    frmProcFind again;
    again.Form_Load();
    EXPECT_FALSE(again.chkProcCode->isChecked());
    // Close, and Esc, close the window.
    for (bool esc : {false, true}) {
        again.show();
        if (esc) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&again, &key);
        } else {
            again.cmdCancel_Click();
        }
        EXPECT_FALSE(again.isVisible()) << esc;
    }
}

TEST_F(FindTest, HistoryKeepsTwentyTextsNewestFirstWithoutGaps) {
    QStringList twenty;
    for (int i = 1; i <= 20; ++i) twenty << QStringLiteral("e%1").arg(i);
    const QStringList nineteen = twenty.mid(0, 19);
    // stored before, searched text, stored after
    const std::tuple<QStringList, QString, QStringList> cases[] = {
        {{}, "alpha", {"alpha"}},
        {{"a", "b", "c"}, "b", {"b", "a", "c"}},  // moves up; its old key does not stay empty
        {{"a", "", "c"}, "d", {"d", "a", "c"}},   // a gap left by an older version closes
        {{"Alpha"}, "alpha", {"alpha", "Alpha"}},
        {{"it's"}, "it's", {"it's"}},
        {twenty, "new", QStringList{"new"} + nineteen},  // the oldest goes
        {twenty, "e20", QStringList{"e20"} + nineteen},
        {twenty + QStringList{"e21"}, "e5", QStringList{"e5"} + twenty.mid(0, 4) + twenty.mid(5)},
    };
    for (const auto& [before, text, after] : cases) {
        SCOPED_TRACE(text.toStdString());
        setHistory(before);
        form.Form_Load();
        EXPECT_EQ(form.cboFind->currentText(), before.value(0));
        findText(text);
        EXPECT_EQ(history(), after);
        EXPECT_EQ(form.cboFind->currentText(), text);
        EXPECT_EQ(form.cboFind->itemText(0), text);
        EXPECT_EQ(form.cboFind->count(), after.size());
    }
}

TEST_F(FindTest, DateRangeTakesWholeDaysMonthFirstInAnyLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto db = store::createLibrary(path("a.mdb"), {QString(), "G", QDateTime()});
    db->Execute("INSERT INTO Category (CatKey, ParentKey, Name) VALUES (1, 0, 'Dates')");
    // 4 March 2024 is the day searched; 3 April would be found if day and month swapped.
    const std::pair<const char*, const char*> items[] = {
        {"morning", "#03/04/2024 09:00:00#"},
        {"dayOnly", "#03/04/2024#"},
        {"lastSecond", "#03/04/2024 23:59:59#"},
        {"dayBefore", "#03/03/2024 23:59:59#"},
        {"dayAfter", "#03/05/2024#"},
        {"swapped", "#04/03/2024#"},
    };
    int key = 0;
    for (const auto& [name, changed] : items)
        db->Execute(
            QStringLiteral("INSERT INTO [Procedure] (ProcKey, CatKey, Name, Type, LastChanged) VALUES "
                           "(%1, 1, '%2', 'Text/Code', %3)")
                .arg(++key)
                .arg(QString::fromLatin1(name), QString::fromLatin1(changed)));
    document.library = db.get();
    form.Form_Load();
    form.TabStrip->setSelectedKey("Date");
    EXPECT_TRUE(form.picContainer[1]->isVisibleTo(&form));
    EXPECT_FALSE(form.picContainer[0]->isVisibleTo(&form));
    form.dtpFrom->setDate(QDate(2024, 3, 4));
    form.dtpTo->setDate(QDate(2024, 3, 4));
    form.cmdFindNow_Click();
    EXPECT_TRUE(document.search.contains(QStringLiteral(
        " P.LastChanged >= #03/04/2024 00:00:00# AND P.LastChanged <= #03/04/2024 23:59:59#  ORDER BY")))
        << document.search.toStdString();
    EXPECT_EQ(document.rows, QStringList({"dayOnly", "lastSecond", "morning"}));
    EXPECT_EQ(document.calls.last(), "StatusBar Search results Displayed...");

    // From after To finds nothing, without a message; a date search writes no history.
    form.dtpFrom->setDate(QDate(2024, 3, 5));
    form.cmdFindNow_Click();
    EXPECT_TRUE(document.rows.isEmpty());
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_TRUE(history().isEmpty());
    QLocale::setDefault(before);
}

}  // namespace
