#include "browser/MRVDocument.h"

#include "editor/frmProcEdit.h"
#include "platform/shell.h"
#include "platform/toolbar.h"
#include "store/files.h"
#include "tests/browser/browser_fixture.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDate>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

#include <algorithm>

using namespace browsertest;

namespace {

class ItemOperationsTest : public BrowserTest {
protected:
    // Utils (1) holds Sub (2) and the items; the item numbered like Sub's folder row is an item too.
    void SetUp() override {
        BrowserTest::SetUp();
        shell::testing::setHandOverLimit(0);  // the stand-in programs never hand their file on
        shell::testing::clearOpenedUrls();
        m_lib =
            makeLibrary("ops.mdb", {category(1, 0, "Utils"), category(2, 1, "Sub"),
                                    item(1, 1, "Alpha", "Text/Code", "first", "#12/31/1999#"),
                                    item(2, 1, "Beta", "Text/Code", QString(), "#01/01/2000#"),
                                    item(3, 1, "http://example.org", "WebSite", "Example", "#12/31/2029#"),
                                    item(4, 1, "report.BAS", "File", "File", "#01/01/2030#"),
                                    item(5, 1, "notes.doc", "File"), item(6, 1, "setup.exe", "File"),
                                    item(7, 1, "../x.txt", "File"), item(8, 1, "README", "File"),
                                    item(9, 1, "same.txt", "File"), item(10, 2, "same.txt", "File")});
        m_doc = open(m_lib);
        click(m_doc, "1 Key");
    }
    void TearDown() override {
        shell::testing::setHandOverLimit(2000);
        BrowserTest::TearDown();
    }
    controls::ListItem* select(const QString& key) {
        controls::ListItem* row = m_doc->lstvProcs->findItem(key);
        m_doc->lstvProcs->setSelectedItem(row);
        return row;
    }
    QVariant value(const QString& sql) const { return scalar(m_lib, sql); }
    void store(int key, const QByteArray& bytes) { storeFile(m_lib, key, bytes); }
    // A program standing in for the user's: it logs the file it was given, then runs body on it.
    QString program(const QString& body) {
        return script("helper.sh", "echo \"$1\" >> '" + path("log") + "'\n" + body);
    }
    QStringList logged() const {
        QFile f(path("log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                           : QStringList();
    }
    bool enabled(const char* band, const char* tool) const {
        toolbar::Band* b = m_doc->ActiveBar1->findBand(QString::fromLatin1(band));
        toolbar::Tool* t = b ? b->tools().find(QString::fromLatin1(tool))
                             : m_doc->ActiveBar1->tools().find(QString::fromLatin1(tool));
        return t->isEnabled();
    }

    QString m_lib;
    browser::MRVDocument* m_doc = nullptr;
};

TEST_F(ItemOperationsTest, SetProcToolsFollowsTheSelectedRow) {
    const QString sub = folderRow(m_doc, "2 Key");
    // row, then Open File, File Properties, Edit (popup copies), Copy Code, Delete (everywhere)
    const std::pair<QString, const char*> cases[] = {
        {"4 key", "11101"}, {"5 key", "11001"}, {sub, "00000"},
        {"1 key", "00111"}, {"3 key", "00101"}, {QString(), "00100"},  // no row: Edit stays as it was
    };
    for (const auto& [key, expected] : cases) {
        SCOPED_TRACE(key.toStdString());
        select(key);
        emit m_doc->lstvProcs->click();
        const bool states[] = {enabled("mnuPopUpProc", "BTN_OPENFILE"),
                               enabled("mnuPopUpProc", "BTN_FILEPROPERTIES"),
                               enabled("mnuPopUpProc", "BTN_Edit"), enabled(nullptr, "BTN_COPYPROC"),
                               enabled(nullptr, "BTN_DELETE")};
        QString got;
        for (bool state : states) got += state ? '1' : '0';
        EXPECT_EQ(got, QString::fromLatin1(expected));
    }
}

TEST_F(ItemOperationsTest, CategoryRowsAreNeverTakenForItems) {
    const QString sub = folderRow(m_doc, "2 Key");
    ASSERT_EQ(browser::MRVDocument::keyNumber(sub), 3);  // the number of an item as well
    QGuiApplication::clipboard()->setText("before");
    for (int key : {int(Qt::Key_Delete), int(Qt::Key_Return)}) {
        select(sub);
        emit m_doc->lstvProcs->keyDown(key, Qt::NoModifier);
        EXPECT_EQ(key, 0);
    }
    m_doc->ProcEdit();
    m_doc->ProcCopy();
    m_doc->ProcFileOpen();
    m_doc->dispatchTool("BTN_DELETE");
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(value("SELECT COUNT(*) FROM [Procedure] WHERE ProcKey = 3").toInt(), 1);
    EXPECT_TRUE(m_doc->findChildren<frmProcEdit*>().isEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    // A double click on it goes into the category.
    emit m_doc->lstvProcs->dblClick();
    EXPECT_EQ(m_doc->treCats->selectedItem()->key(), "2 Key");
    select("Parent TreeNode");
    emit m_doc->lstvProcs->dblClick();
    EXPECT_EQ(m_doc->treCats->selectedItem()->key(), "1 Key");
}

TEST_F(ItemOperationsTest, RenameInPlaceIsWrittenToTheLibrary) {
    // row, new text, answer to a question, label kept, the SQL that reads the stored text, its value
    const std::tuple<const char*, const char*, int, const char*, const char*, const char*> cases[] = {
        {"1 key", "Al'pha \"1\"", 0, "Al'pha \"1\"", "Name FROM [Procedure] WHERE ProcKey = 1",
         "Al'pha \"1\""},
        {"3 key", "Sample", 0, "Sample", "[Desc] FROM [Procedure] WHERE ProcKey = 3", "Sample"},
        {"3 key", "Sample", 0, "Sample", "Name FROM [Procedure] WHERE ProcKey = 3", "http://example.org"},
        {"2 key", "   ", 0, "Beta", "Name FROM [Procedure] WHERE ProcKey = 2", "Beta"},
        {"4 key", "report.txt", ui::vbNo, "report.BAS", "Name FROM [Procedure] WHERE ProcKey = 4",
         "report.BAS"},
        {"4 key", "report.txt", ui::vbYes, "report.txt", "Name FROM [Procedure] WHERE ProcKey = 4",
         "report.txt"},
    };
    for (const auto& [key, text, answer, label, sql, stored] : cases) {
        SCOPED_TRACE(text);
        ui::testing::clear();
        if (answer) ui::testing::queueAnswer(answer);
        controls::ListItem* row = select(QString::fromLatin1(key));
        bool cancel = false;
        emit m_doc->lstvProcs->beforeLabelEdit(row, cancel);
        ASSERT_FALSE(cancel);
        emit m_doc->lstvProcs->afterLabelEdit(row, cancel, QString::fromUtf8(text));
        if (!cancel) row->setText(QString::fromUtf8(text));
        EXPECT_EQ(row->text(), QString::fromUtf8(label));
        EXPECT_EQ(value(QStringLiteral("SELECT ") + sql).toString(), QString::fromUtf8(stored));
        EXPECT_EQ(boxes().size(), answer || QString::fromLatin1(text).trimmed().isEmpty() ? 1 : 0);
    }
    EXPECT_EQ(boxes()[0].title, "Change File Extension WARNING");
    // Nothing is renamed on a category row, or while the root shows every item.
    bool cancel = false;
    emit m_doc->lstvProcs->beforeLabelEdit(select(folderRow(m_doc, "2 Key")), cancel);
    EXPECT_TRUE(cancel);
    click(m_doc, "0 Key");
    cancel = false;
    emit m_doc->lstvProcs->beforeLabelEdit(select("1 key"), cancel);
    EXPECT_TRUE(cancel);
}

TEST_F(ItemOperationsTest, TheChangedColumnSortsByTheStoredDateAcrossCenturies) {
    const auto dated = [this] {
        QStringList keys;
        for (const QString& key : rowKeys(m_doc))
            if (QStringList{"1 key", "2 key", "3 key", "4 key"}.contains(key)) keys << key;
        return keys.join(' ');
    };
    EXPECT_EQ(m_doc->lstvProcs->findItem("4 key")->subItem(3), "01/01/2030");
    const QString up = "1 key 2 key 3 key 4 key", down = "4 key 3 key 2 key 1 key";
    emit m_doc->lstvProcs->columnClick(4);
    EXPECT_EQ(dated(), up);  // the first date sort is ascending
    emit m_doc->lstvProcs->columnClick(4);
    EXPECT_EQ(dated(), down);
    emit m_doc->lstvProcs->columnClick(1);  // by name, the other way round: ascending
    EXPECT_EQ(m_doc->lstvProcs->sortOrder(), controls::lvwAscending);
    emit m_doc->lstvProcs->columnClick(4);
    EXPECT_EQ(dated(), down);
    // A refresh keeps the order and sorts by the dates again, not by the text shown.
    m_doc->ProcRefresh();
    EXPECT_EQ(dated(), down);
}

TEST_F(ItemOperationsTest, StoredFilesOpenInTheirProgramAndChangesComeBack) {
    store(4, "Attribute VB_Name = \"Report\"\n");
    store(9, "nine");
    store(10, "ten");
    // answer to the save question (0: not asked), program body, bytes stored afterwards
    const std::tuple<int, const char*, QByteArray> cases[] = {
        {0, "true", "Attribute VB_Name = \"Report\"\n"},
        {ui::vbNo, "echo more >> \"$1\"", "Attribute VB_Name = \"Report\"\n"},
        {ui::vbYes, "echo more >> \"$1\"", "Attribute VB_Name = \"Report\"\nmore\n"},
    };
    for (const auto& [answer, body, stored] : cases) {
        SCOPED_TRACE(body);
        ui::testing::clear();
        if (answer) ui::testing::queueAnswer(answer);
        m_doc->ProcFileOpen(select("4 key"), program(QString::fromLatin1(body)));
        EXPECT_EQ(boxes().size(), answer ? 1 : 0);
        EXPECT_EQ(value("SELECT File FROM [Procedure] WHERE ProcKey = 4").toByteArray(), stored);
    }
    EXPECT_EQ(boxes()[0].title, "Save your changes to the Code Library?");
    EXPECT_EQ(value("SELECT LastChanged FROM [Procedure] WHERE ProcKey = 4").toDateTime().date(),
              QDate::currentDate());

    // Names from the library never lead out of the temporary folder, nor two items into one file.
    QFile::remove(path("log"));
    const QString helper = program("echo more >> \"$1\"");
    for (const char* key : {"7 key", "9 key", "10 key"}) {
        ui::testing::queueAnswer(ui::vbYes);
        if (QString::fromLatin1(key) == QLatin1String("10 key")) click(m_doc, "2 Key");
        m_doc->ProcFileOpen(select(QString::fromLatin1(key)), helper);
    }
    const QStringList paths = logged();
    ASSERT_EQ(paths.size(), 3);
    for (const QString& p : paths)
        EXPECT_EQ(QFileInfo(QFileInfo(p).absolutePath()).absolutePath() + '/', store::tempFolder());
    EXPECT_NE(paths[1], paths[2]);
    EXPECT_EQ(value("SELECT File FROM [Procedure] WHERE ProcKey = 9").toByteArray(), "ninemore\n");
    EXPECT_EQ(value("SELECT File FROM [Procedure] WHERE ProcKey = 10").toByteArray(), "tenmore\n");
}

TEST_F(ItemOperationsTest, ProgramsAskFirstAndNamesWithoutExtensionAreRefused) {
    store(6, "#!/bin/sh\necho hi\n");
    // row, the one box shown (answered No)
    for (const auto& [key, title] :
         {std::pair{"6 key", "Open File?"}, std::pair{"8 key", "Invalid file extension"}}) {
        ui::testing::clear();
        ui::testing::queueAnswer(ui::vbNo);
        m_doc->ProcFileOpen(select(QString::fromLatin1(key)), program("true"));
        EXPECT_EQ(boxTitles(), QStringList{QString::fromLatin1(title)}) << key;
    }
    EXPECT_TRUE(logged().isEmpty());

    // A double click asks by the kind of file, and once.
    for (const auto& [key, question] : {std::pair{"6 key", "Run this Program?"},
                                        std::pair{"5 key", "Open this file with it's associated program?"}}) {
        ui::testing::clear();
        ui::testing::queueAnswer(ui::vbNo);
        select(QString::fromLatin1(key));
        emit m_doc->lstvProcs->dblClick();
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, "Open File?");
        EXPECT_TRUE(boxes()[0].text.startsWith(QString::fromLatin1(question))) << key;
    }
}

TEST_F(ItemOperationsTest, KeysCopyDeleteAndTheWebPrompt) {
    select("1 key");
    m_doc->dispatchTool("BTN_COPYPROC");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "code");
    EXPECT_EQ(statusText(m_doc), "Procedure Copied to Clipboard... ");

    // Keys with Ctrl held are left alone; Insert opens a new editor; Enter edits; Delete asks.
    int insert = Qt::Key_Insert;
    emit m_doc->lstvProcs->keyDown(insert, Qt::ControlModifier);
    EXPECT_NE(insert, 0);
    emit m_doc->lstvProcs->keyDown(insert, Qt::NoModifier);
    int enter = Qt::Key_Return;
    emit m_doc->lstvProcs->keyDown(enter, Qt::NoModifier);
    emit m_doc->lstvProcs->keyDown(enter = Qt::Key_Return, Qt::NoModifier);  // the same item: raised again
    QList<qint64> editing;
    for (frmProcEdit* e : m_doc->findChildren<frmProcEdit*>()) editing << e->ProcKey();
    std::sort(editing.begin(), editing.end());
    EXPECT_EQ(editing, (QList<qint64>{0, 1}));

    for (int answer : {ui::vbNo, ui::vbYes}) {
        ui::testing::clear();
        ui::testing::queueAnswer(answer);
        int del = Qt::Key_Delete;
        emit m_doc->lstvProcs->keyDown(del, Qt::NoModifier);
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, "Confirm Deletion");
        EXPECT_EQ(boxes()[0].defaultButton, 2);
        EXPECT_EQ(m_doc->lstvProcs->findItem("1 key") != nullptr, answer == ui::vbNo);
    }
    EXPECT_EQ(value("SELECT COUNT(*) FROM [Procedure] WHERE ProcKey = 1").toInt(), 0);

    // The web shortcut shows its description; Yes goes to its address, No edits it.
    for (int answer : {ui::vbYes, ui::vbNo}) {
        ui::testing::clear();
        ui::testing::queueAnswer(answer);
        select("3 key");
        emit m_doc->lstvProcs->dblClick();
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].text.section('\n', 0, 0), "Navigate to: \"Example\"?");
    }
    EXPECT_EQ(shell::testing::openedUrls(), QList<QUrl>{QUrl("http://example.org")});
    EXPECT_EQ(m_doc->findChildren<frmProcEdit*>().size(), 3);

    // Without a category there is nowhere to put a new item.
    m_doc->treCats->setSelectedItem(nullptr);
    ui::testing::clear();
    m_doc->ProcNew();
    EXPECT_EQ(boxTitles(), QStringList{"Select Category First"});
}

TEST_F(ItemOperationsTest, AnEditorKeepsItsTextAcrossALibraryReplacement) {
    select("2 key");
    m_doc->ProcEdit();
    QPointer<frmProcEdit> editor = m_doc->findChild<frmProcEdit*>();
    ASSERT_TRUE(editor);
    editor->txtProcCode->setPlainText("unsaved");
    // The file is replaced by a copy, as a repair does; the old one stays beside it.
    const QString old = m_lib + ".old";
    const auto replace = [&old](QString& library) {
        return QFile::rename(library, old) && QFile::copy(old, library);
    };

    ui::testing::queueAnswer(ui::vbCancel);
    EXPECT_EQ(m_doc->replaceLibrary(replace), store::LibraryReplacement::Cancelled);
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_EQ(m_doc->DBFileName(), m_lib);

    ui::testing::queueAnswer(ui::vbNo);  // not now: the editor keeps the text
    EXPECT_EQ(m_doc->replaceLibrary(replace), store::LibraryReplacement::Succeeded);
    ASSERT_TRUE(editor);
    EXPECT_EQ(m_doc->DBFileName(), m_lib);
    EXPECT_EQ(editor->txtProcCode->toPlainText(), "unsaved");
    ASSERT_TRUE(editor->ProcSave());
    EXPECT_EQ(value("SELECT Code FROM [Procedure] WHERE ProcKey = 2").toString(), "unsaved");
    EXPECT_EQ(scalar(old, "SELECT Code FROM [Procedure] WHERE ProcKey = 2").toString(), "code");

    // Another library: asked to save first, then closed.
    editor->txtProcCode->setPlainText("saved first");
    const QString other = makeLibrary("other.mdb");
    ui::testing::queueAnswer(ui::vbYes);
    engine::Database* handle = nullptr;
    QString otherPath = other;
    EXPECT_TRUE(m_doc->ReOpenDB(otherPath, handle));
    EXPECT_EQ(handle, m_doc->database());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(editor);
    EXPECT_EQ(value("SELECT Code FROM [Procedure] WHERE ProcKey = 2").toString(), "saved first");
    EXPECT_EQ(instanceSetting("Current Library"), other);
}

}  // namespace
