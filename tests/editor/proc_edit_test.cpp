// The item editor driven through its handlers against a library lent by a stand-in document.

#include "editor/frmProcEdit.h"
#include "tests/store/fake_main_window.h"
#include "tests/store/store_fixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

using namespace storetest;

namespace {

class ProcEditTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        m_file = makeLibrary("lib.mdb");
        execute(m_file, {"INSERT INTO Category (CatKey, ParentKey, Name) VALUES (1, 0, 'Utils')",
                         "INSERT INTO Category (CatKey, ParentKey, Name) VALUES (2, 0, 'Web')",
                         QStringLiteral("INSERT INTO [Procedure] (ProcKey, CatKey, Name, Type, Code) "
                                        "VALUES (7, 2, 'Odd', 'Macro', 'keep me')")});
        ASSERT_TRUE(open(m_file, m_main.db));
        m_main.category = 1;
    }
    // An editor loaded as the document loads one; owned by the test until it closes itself.
    frmProcEdit* editor(qint64 key, const QString& type, const QString& code = QString()) {
        auto* e = new frmProcEdit;
        m_editors << e;
        e->setProcKey(key);
        if (!type.isEmpty()) e->setCodeType(type);
        e->setCode(code);
        e->setMainWindow(&m_main);
        e->Form_Load();
        return e;
    }
    void TearDown() override {
        for (const QPointer<frmProcEdit>& e : m_editors) delete e.data();
        StoreTest::TearDown();
    }
    QVariant value(const QString& sql) { return scalar(m_main.db, sql); }

    QString m_file;
    FakeMainWindow m_main;
    QList<QPointer<frmProcEdit>> m_editors;
};

TEST_F(ProcEditTest, ParseProcNameTakesTheWordBeforeTheParenthesis) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"Public Function GetValue(ByVal A As Long) As Long", "GetValue", "Function"},
        {"Sub   Main ()", "", "Main"},  // the blank before "(" starts an empty word
        {"Max(a, b)", "Max", ""},
        {"no parenthesis here", "", ""},
    };
    for (const auto& [code, name, previous] : cases) {
        QString n, p;
        frmProcEdit::ParseProcName(QString::fromLatin1(code), n, p);
        EXPECT_EQ(n, QString::fromLatin1(name)) << code;
        EXPECT_EQ(p, QString::fromLatin1(previous)) << code;
    }
}

TEST_F(ProcEditTest, SaveChecksNameCodeAndCategoryAndKeepsTheText) {
    // name, code, category index, message shown ("" = saved)
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {"  ", "x", 0, "Error: You cannot save the Procedure WITHOUT a Name!"},
        {"Max", " \n ", 0, "Error: You cannot save the Procedure WITHOUT entering any Code/Text!"},
        {"Max", "x", -1, "Error: You must select a Category from the Category combobox!"},
        {"www.example.org", "", 0, ""},  // an address needs no code
    };
    for (const auto& [name, code, category, message] : cases) {
        SCOPED_TRACE(name);
        ui::testing::clear();
        frmProcEdit* e = editor(0, "Text/Code");
        e->txtProcName->setText(QString::fromLatin1(name));
        e->txtProcCode->setPlainText(QString::fromLatin1(code));
        e->cboCategory->setCurrentIndex(category);
        EXPECT_EQ(e->ProcSave(), !*message);
        if (*message) {
            ASSERT_EQ(boxes().size(), 1);
            EXPECT_EQ(boxes()[0].title, "Oops!");
            EXPECT_EQ(boxes()[0].text, QString::fromLatin1(message));
            EXPECT_EQ(e->txtProcName->text(), QString::fromLatin1(name));
            EXPECT_TRUE(e->changed());
        }
    }
    EXPECT_EQ(value("SELECT Type FROM [Procedure] WHERE Name = 'www.example.org'").toString(), "WebSite");
    EXPECT_EQ(value("SELECT Code FROM [Procedure] WHERE Name = 'www.example.org'").toString(),
              "Web ShortCut");
}

TEST_F(ProcEditTest, ANewItemSavedTwiceIsOneRowWithTodaysDate) {
    frmProcEdit* e = editor(0, "Text/Code", "Function Twice(x)\nEnd Function");
    EXPECT_EQ(e->txtProcName->text(), "Twice");
    EXPECT_EQ(e->cboCategory->currentText(), "Utils");  // the document's category
    EXPECT_TRUE(e->changed());
    e->txtProcDesc->setPlainText("  Doubles. \n \r\n");
    ASSERT_TRUE(e->ProcSave());
    const qint64 key = e->ProcKey();
    EXPECT_NE(key, 0);
    e->txtProcCode->appendPlainText("' more");
    e->cboCategory->setCurrentIndex(1);
    ASSERT_TRUE(e->ProcSave());
    EXPECT_EQ(e->ProcKey(), key);
    EXPECT_EQ(value("SELECT COUNT(*) FROM [Procedure] WHERE Name = 'Twice'").toInt(), 1);
    const QString row = " FROM [Procedure] WHERE ProcKey = " + QString::number(key);
    EXPECT_EQ(value("SELECT [Desc]" + row).toString(), "Doubles.");
    EXPECT_EQ(e->txtProcDesc->toPlainText(), "Doubles.");
    EXPECT_EQ(value("SELECT CatKey" + row).toInt(), 2);
    EXPECT_TRUE(value("SELECT Code" + row).toString().endsWith("' more"));
    EXPECT_EQ(value("SELECT LastChanged" + row).toDateTime().date(), QDate::currentDate());
    EXPECT_EQ(value("SELECT Owner" + row).toInt(), 1);
    EXPECT_EQ(m_main.status.last(), "Procedure Saved...");
    EXPECT_EQ(m_main.refreshes.size(), 2);
    EXPECT_FALSE(e->changed());
}

TEST_F(ProcEditTest, TypesAreKeptOrBecomeWebShortcutsAsTheirNameSays) {
    // An item of a type the editor does not know keeps its code, as text.
    frmProcEdit* odd = editor(7, QString());
    EXPECT_EQ(odd->txtProcCode->toPlainText(), "keep me");
    EXPECT_EQ(odd->cboCategory->currentText(), "Web");
    ASSERT_TRUE(odd->ProcSave());
    EXPECT_EQ(value("SELECT Type FROM [Procedure] WHERE ProcKey = 7").toString(), "Text/Code");
    EXPECT_EQ(value("SELECT Code FROM [Procedure] WHERE ProcKey = 7").toString(), "keep me");

    frmProcEdit* web = editor(0, "WebSite", "https://example.org/");
    EXPECT_EQ(web->lblName->text(), "URL: ");
    EXPECT_EQ(web->txtProcName->text(), "https://example.org/");
    EXPECT_TRUE(web->txtProcCode->isHidden());
    ASSERT_TRUE(web->ProcSave());
    EXPECT_EQ(value("SELECT Code FROM [Procedure] WHERE Type = 'WebSite'").toString(), "Web Shortcut");
}

TEST_F(ProcEditTest, ClosingAsksAboutUnsavedChanges) {
    // answer, window still open, row written
    const std::tuple<int, bool, bool> cases[] = {
        {ui::vbCancel, true, false}, {ui::vbNo, false, false}, {ui::vbYes, false, true}};
    for (const auto& [answer, stays, written] : cases) {
        SCOPED_TRACE(answer);
        execute(m_file, {"DELETE FROM [Procedure] WHERE Name = 'Closing'"});
        ui::testing::clear();
        QPointer<frmProcEdit> e = editor(0, "Text/Code");
        e->show();
        e->txtProcName->setText("Closing");
        e->txtProcCode->setPlainText("x");
        ui::testing::queueAnswer(answer);
        e->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, "Save Changes?");
        EXPECT_EQ(boxes()[0].buttons, ui::vbYesNoCancel);
        EXPECT_EQ(!e.isNull() && e->isVisible(), stays);
        EXPECT_EQ(value("SELECT COUNT(*) FROM [Procedure] WHERE Name = 'Closing'").toInt(), written ? 1 : 0);
    }
    // Yes with a save that fails keeps the window and the text; an untouched new editor asks nothing.
    ui::testing::clear();
    QPointer<frmProcEdit> failing = editor(0, "Text/Code");
    failing->show();
    failing->txtProcName->setText("No code");
    ui::testing::queueAnswer(ui::vbYes);
    failing->close();
    EXPECT_TRUE(failing->isVisible());
    EXPECT_EQ(boxes().size(), 2);
    QPointer<frmProcEdit> untouched = editor(0, "Text/Code");
    untouched->show();
    untouched->close();
    EXPECT_EQ(boxes().size(), 2);
    EXPECT_FALSE(m_main.users.contains(untouched.data()));
}

TEST_F(ProcEditTest, ALibraryReplacementAsksFirstAndNeverWritesThroughAStaleHandle) {
    frmProcEdit* e = editor(0, "Text/Code");
    ASSERT_TRUE(m_main.users.contains(e));
    e->txtProcName->setText("Pending");
    e->txtProcCode->setPlainText("x");
    ui::testing::queueAnswer(ui::vbCancel);
    EXPECT_FALSE(e->libraryClosing());
    ui::testing::queueAnswer(ui::vbNo);
    EXPECT_TRUE(e->libraryClosing());
    // While the library is away the text stays and nothing is written anywhere.
    engine::Database* lent = m_main.db;
    m_main.db = nullptr;
    ui::testing::clear();
    EXPECT_FALSE(e->ProcSave());
    EXPECT_EQ(boxes().size(), 1);
    m_main.db = lent;
    e->libraryReopened(true);
    EXPECT_EQ(e->txtProcName->text(), "Pending");
    ASSERT_TRUE(e->ProcSave());
    // Another library: the editor goes without asking again.
    QPointer<frmProcEdit> gone = e;
    e->show();
    m_main.users.clear();
    e->libraryReopened(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
}

}  // namespace
