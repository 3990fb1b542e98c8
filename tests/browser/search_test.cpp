#include "browser/MRVDocument.h"

#include "browser/search_runner.h"
#include "editor/frmProcFind.h"
#include "tests/browser/browser_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <chrono>
#include <thread>

using namespace browsertest;

namespace {

class SearchTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        m_lib = makeLibrary(
            QStringLiteral("search.mdb"),
            {category(1, 0, "Strings"), category(2, 0, "Files"), category(3, 2, "Paths"),
             item(1, 1, "Left", "Text/Code", "take the start"), item(2, 1, "Trim", "Text/Code"),
             item(3, 2, "GetFile", "Text/Code", "read a FILE"), item(4, 3, "it''s here", "Text/Code"),
             item(5, 3, "Path2File", "Text/Code", "joins a path"),
             item(6, 2, "Getfile7", "File", "[draft]")});
        doc = open(m_lib);
        doc->resize(900, 600);
        doc->show();
    }
    static bool waitFor(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 10000) {
            // Sleeps between looks, leaving the processor to the search.
            QEventLoop pause;
            QTimer::singleShot(10, &pause, &QEventLoop::quit);
            pause.exec();
        }
        return done();
    }
    // Types text into the search box one character at a time, as the user would, and waits for the list.
    void type(const QString& text) {
        doc->txtSearch->clear();
        for (QChar c : text) doc->txtSearch->insert(c);
        ASSERT_TRUE(waitFor([this] { return !doc->quickSearchPending(); }));
    }
    QStringList found() const {
        QStringList keys = rowKeys(doc);
        keys.sort();
        return keys;
    }
    static QStringList items(const char* numbers) {
        QStringList keys;
        for (const QString& n : QString::fromLatin1(numbers).split(' ', Qt::SkipEmptyParts))
            keys << n + " key";
        keys.sort();
        return keys;
    }

    QString m_lib;
    browser::MRVDocument* doc = nullptr;
};

TEST_F(SearchTest, TypingListsWhatTheStatementFinds) {
    EXPECT_EQ(
        browser::MRVDocument::quickSearchSQL(QStringLiteral("  ")),
        QStringLiteral("SELECT P.ProcKey, C.Name AS CatName, P.Name, P.Type, P.Desc, P.Code, P.LastChanged "
                       "FROM [Procedure] AS P INNER JOIN Category AS C ON P.CatKey = C.CatKey WHERE "
                       " C.Name = NULL "));
    click(doc, QStringLiteral("2 Key"));
    emit doc->StatusBar1->panelClick(doc->StatusBar1->panel(2));
    EXPECT_TRUE(doc->txtSearch->isVisible());
    EXPECT_EQ(statusText(doc), QStringLiteral("Ready... "));
    // typed text, the items listed
    const std::pair<const char*, const char*> cases[] = {
        {"str", "1 2"},     // the category's name matches: all of Strings
        {"STR", "1 2"},     // whatever the case
        {"it's", "4"},      // an apostrophe is text, not the end of a literal
        {"file", "3 5 6"},  // names and descriptions
        {"get?ile#", "6"},  // the box's wildcards stay wildcards
        {"pat[hx]2", "5"},  // a list of characters
        {"path", "4 5"},    // a sub-category's name, a description
        {"   ", ""},        // blanks: nothing
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        type(QString::fromUtf8(text));
        EXPECT_EQ(found(), items(expected));
        EXPECT_EQ(doc->SearchSQL(), browser::MRVDocument::quickSearchSQL(QString::fromUtf8(text)));
        EXPECT_EQ(doc->treCats->selectedItem(), nullptr);
        EXPECT_TRUE(doc->treCats->isHidden());
        EXPECT_EQ(doc->lstvProcs->view(), controls::lvwReport);
    }
    EXPECT_TRUE(boxes().isEmpty());
    // Rows show as a category's rows do.
    type(QStringLiteral("trim"));
    EXPECT_EQ(row(doc, QStringLiteral("2 key")),
              QStringLiteral("Trim|TEXT|TEXT|Text/Code|Strings|Text/Code|03/04/2024|"));
}

TEST_F(SearchTest, HidingTheBoxKeepsTheResults) {
    emit doc->StatusBar1->panelClick(doc->StatusBar1->panel(2));
    type(QStringLiteral("file"));
    const QStringList results = found();
    ASSERT_EQ(results, items("3 5 6"));

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(doc->txtSearch, &esc);
    EXPECT_FALSE(doc->txtSearch->isVisible());
    EXPECT_EQ(found(), results);
    // Back again with what it held.
    emit doc->StatusBar1->panelClick(doc->StatusBar1->panel(2));
    EXPECT_TRUE(doc->txtSearch->isVisible());
    EXPECT_EQ(doc->txtSearch->text(), QStringLiteral("file"));

    // Its own menu and another window leave it; anything else taking the focus hides it.
    for (Qt::FocusReason reason : {Qt::PopupFocusReason, Qt::ActiveWindowFocusReason, Qt::MouseFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(doc->txtSearch, &out);
        EXPECT_EQ(doc->txtSearch->isVisible(), reason != Qt::MouseFocusReason) << reason;
    }
    EXPECT_EQ(found(), results);
    EXPECT_EQ(doc->SearchSQL(), browser::MRVDocument::quickSearchSQL(QStringLiteral("file")));

    // A double click shows the library's path in place of the box.
    emit doc->StatusBar1->panelClick(doc->StatusBar1->panel(2));
    emit doc->StatusBar1->panelDblClick(doc->StatusBar1->panel(2));
    EXPECT_FALSE(doc->txtSearch->isVisible());
    EXPECT_EQ(statusText(doc), m_lib + ' ');
}

TEST_F(SearchTest, OnlyTheNewestSearchReachesTheList) {
    // Keystrokes faster than the queries: the list ends with the last text's rows, and only those.
    for (const char* text : {"f", "fi", "fil", "file", "files"})
        doc->txtSearch->setText(QString::fromLatin1(text));
    ASSERT_TRUE(waitFor([this] { return !doc->quickSearchPending(); }));
    EXPECT_EQ(found(), items("3 6"));
    EXPECT_EQ(doc->SearchSQL(), browser::MRVDocument::quickSearchSQL(QStringLiteral("files")));

    // A search that has finished but not yet been shown when a newer one starts is never shown.
    browser::SearchRunner runner;
    QStringList reported;
    QObject::connect(&runner, &browser::SearchRunner::finished,
                     [&](std::shared_ptr<const browser::SearchResult> r) {
                         reported << r->sql + QString::number(r->keys.size());
                     });
    const QString older = browser::MRVDocument::quickSearchSQL(QStringLiteral("t"));
    const QString newer = browser::MRVDocument::quickSearchSQL(QStringLiteral("trim"));
    runner.start(m_lib, older);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // done and on its way to this thread
    runner.start(m_lib, newer);
    ASSERT_TRUE(waitFor([&] { return !runner.pending(); }));
    EXPECT_EQ(reported, QStringList{newer + "1"});
    // A click on a category while a search runs ends the search: its rows never come.
    doc->txtSearch->setText(QStringLiteral("trim"));
    doc->dispatchTool(QStringLiteral("BTN_VIEWCATEGORIES"));
    click(doc, QStringLiteral("1 Key"));
    ASSERT_TRUE(waitFor([this] { return !doc->quickSearchPending(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QApplication::processEvents();
    EXPECT_TRUE(doc->SearchSQL().isEmpty());
    EXPECT_EQ(rowKeys(doc), QStringList({"Parent TreeNode", "1 key", "2 key"}));
}

TEST_F(SearchTest, FindWindowIsOneAndHandsItsSearchToTheDocument) {
    doc->dispatchTool(QStringLiteral("BTN_FINDPROCS"));
    auto finders = [] {
        QList<frmProcFind*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<frmProcFind*>(w); f && f->isVisible()) found << f;
        return found;
    };
    ASSERT_EQ(finders().size(), 1);
    frmProcFind* find = finders().first();
    EXPECT_EQ(find->MainWindow(), doc);
    // F3 in the tree finds that window; the key does not go on to the command as well.
    sound::testing::clear();
    doc->treCats->setFocus();
    QKeyEvent f3(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
    QApplication::sendEvent(doc->treCats, &f3);
    EXPECT_EQ(finders().size(), 1);
    EXPECT_TRUE(sound::testing::playedFiles().isEmpty());

    find->cboFind->setEditText(QStringLiteral("file"));
    find->cmdFindNow_Click();
    EXPECT_EQ(found(), items("3 5 6"));
    EXPECT_EQ(doc->SearchSQL(), find->searchStatement());
    EXPECT_TRUE(doc->treCats->isHidden());
    EXPECT_EQ(statusText(doc), QStringLiteral("Search results Displayed... "));
    // The window goes with its document.
    closeAll();
    EXPECT_TRUE(finders().isEmpty());
}

}  // namespace
