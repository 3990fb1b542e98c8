#include "browser/MRVDocument.h"

#include "editor/frmProcEdit.h"
#include "platform/help.h"
#include "platform/toolbar.h"
#include "store/startup.h"
#include "tests/browser/browser_fixture.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>

using namespace browsertest;

namespace {

// Stands for the client and the add-in: the document calls them by name.
class Host : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void ExitClient() { ++exits; }
    Q_INVOKABLE void HideWindow() { ++hides; }
    int exits = 0, hides = 0;
};

// A client whose ExitClient closes its window, as the real one does.
class ClosingClient : public QObject {
    Q_OBJECT
public:
    explicit ClosingClient(QWidget* window) : m_window(window) {}
    Q_INVOKABLE void ExitClient() { m_window->close(); }

private:
    QWidget* m_window;
};

using CommandsTest = BrowserTest;

toolbar::Tool* tool(browser::MRVDocument* doc, const char* name) {
    return doc->ActiveBar1->tools().find(QString::fromLatin1(name));
}

TEST_F(CommandsTest, EveryToolOfBothLayoutsIsRoutedAndUnbuiltOnesSaySo) {
    const QString lib = makeLibrary("a.mdb");
    for (const char* loading : {"0", "1"}) {
        SCOPED_TRACE(loading);
        browser::MRVDocument* doc = open(lib, QString::fromLatin1(loading));
        for (const toolbar::Tool* t : doc->ActiveBar1->tools()) {
            if (t->kind() != toolbar::ToolKind::Button) continue;
            EXPECT_TRUE(browser::MRVDocument::routesTool(t->name())) << t->name().toStdString();
            if (browser::MRVDocument::commandBuilt(t->name())) continue;
            EXPECT_FALSE(t->isEnabled()) << t->name().toStdString();
            EXPECT_TRUE(t->toolTip().endsWith("(not available yet)")) << t->name().toStdString();
        }
        // The saved layout keeps the tools as defined, so a command built later is offered at once.
        const QString layout = doc->userLayoutFile();
        doc->show();
        closeAll();
        QFile saved(layout);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_FALSE(saved.readAll().contains("not available yet"));
    }
    EXPECT_FALSE(browser::MRVDocument::routesTool("BTN_MENU_FILE"));
    EXPECT_FALSE(browser::MRVDocument::commandBuilt("BTN_EMAIL_LIBRARY"));

    // A name in no row only sounds; an unbuilt command reached from code says so.
    browser::MRVDocument* doc = open(lib);
    ui::testing::clear();
    sound::testing::clear();
    doc->dispatchTool("BTN_NO_SUCH_TOOL");
    doc->dispatchTool("btn_open");
    EXPECT_EQ(sound::testing::playedFiles().size(), 2);
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_TRUE(ui::testing::shownDialogs().isEmpty());
    doc->dispatchTool("BTN_EMAIL_LIBRARY");
    EXPECT_EQ(statusText(doc), "'E-mail Code Library' is not available yet... ");
}

TEST_F(CommandsTest, WithoutLibraryOnlyOpenRuns) {
    browser::MRVDocument* doc = open(path("missing.mdb"));
    for (const char* name : {"BTN_New", "BTN_VIEWCHANGE", "BTN_Hide", "BTN_ABOUTBOX", "BTN_CAT_ADDCHILD"}) {
        SCOPED_TRACE(name);
        ui::testing::clear();
        sound::testing::clear();
        ui::testing::queueAnswer(ui::vbNo);
        const int view = doc->lstvProcs->view();
        doc->dispatchTool(QString::fromLatin1(name));
        EXPECT_EQ(boxTitles(), QStringList{"System not Started!"});
        EXPECT_EQ(boxes()[0].buttons | boxes()[0].icon, ui::vbYesNo | ui::vbExclamation);
        EXPECT_TRUE(sound::testing::playedFiles().isEmpty());  // no menu sound before the answer
        EXPECT_EQ(doc->lstvProcs->view(), view);
        EXPECT_TRUE(ui::testing::shownDialogs().isEmpty());
    }
    // Yes, and the open command itself, go to the library list.
    ui::testing::clear();
    ui::testing::queueAnswer(ui::vbYes);
    doc->dispatchTool("BTN_VIEWCHANGE");
    doc->dispatchTool("BTN_Open");
    ASSERT_EQ(ui::testing::shownDialogs().size(), 2);
    EXPECT_EQ(ui::testing::shownDialogs()[1].text, "frmDBList");
    EXPECT_EQ(boxes().size(), 1);
}

TEST_F(CommandsTest, ExitEndsTheClientAndHideHidesTheAddIn) {
    const QString lib = makeLibrary("a.mdb");
    setInstanceSetting("Current Library", lib, "\\(Client)");
    setInstanceSetting("Current Library", lib, "\\(VB Add-In)");
    // loading, calls of ExitClient, calls of HideWindow, the tool shown, its File menu caption
    const std::tuple<const char*, int, int, bool, const char*> cases[] = {
        {"2", 1, 0, true, "E&xit"}, {"1", 0, 1, true, "&Hide"}, {"0", 0, 0, false, "E&xit"}};
    for (const auto& [loading, exits, hides, shown, caption] : cases) {
        SCOPED_TRACE(loading);
        Host host;
        browser::MRVDocument* doc = open(lib, QString::fromLatin1(loading));
        doc->setClient(&host);
        doc->setConnect(&host);
        EXPECT_EQ(tool(doc, "BTN_Hide")->isVisible(), shown);
        EXPECT_EQ(doc->ActiveBar1->band("mnuFile")->tools()["BTN_Hide"]->caption(),
                  QString::fromLatin1(caption));
        doc->dispatchTool("BTN_Hide");
        EXPECT_EQ(host.exits, exits);
        EXPECT_EQ(host.hides, hides);
        // The client is let go once it was asked to end.
        EXPECT_EQ(doc->Client(), exits ? nullptr : &host);
        closeAll();
    }
}

TEST_F(CommandsTest, ExitAsksOpenEditorsFirstAndCancelKeepsTheWindow) {
    setInstanceSetting("Current Library", makeLibrary("a.mdb"), "\\(Client)");
    store::SaveSetting(store::generalAppName(), "General Properties", "Loading Instance", "2");
    QWidget window;
    auto* doc = new browser::MRVDocument(&window);
    doc->InitProperties();
    window.show();
    ClosingClient client(&window);
    doc->setClient(&client);
    frmProcEdit* editor = doc->openEditor(0, "Text/Code");
    editor->txtProcName->setText("unsaved");
    for (int answer : {ui::vbCancel, ui::vbNo}) {
        ui::testing::clear();
        ui::testing::queueAnswer(answer);
        doc->dispatchTool("BTN_Hide");
        EXPECT_EQ(boxTitles(), QStringList{"Save Changes?"});
        EXPECT_EQ(window.isVisible(), answer == ui::vbCancel);
        EXPECT_EQ(doc->Client(), answer == ui::vbCancel ? &client : nullptr);
    }
}

// The tree's own command: see the tree's visibility test.
TEST_F(CommandsTest, ViewCommandsChangeTheWindowAndRememberWhatThePartSays) {
    browser::MRVDocument* doc = open(makeLibrary("a.mdb"));
    doc->show();
    const auto toolbars = [](const char* key) {
        return store::GetSetting(instanceApp(), "Toolbars", QString::fromLatin1(key));
    };
    doc->dispatchTool("BTN_VIEWCHANGE");  // details -> large icons, remembered
    EXPECT_EQ(doc->lstvProcs->view(), controls::lvwIcon);
    EXPECT_EQ(instanceSetting("Procedure Listview Style"), "0");
    doc->dispatchTool("BTN_View_List");  // not remembered
    EXPECT_EQ(doc->lstvProcs->view(), controls::lvwList);
    EXPECT_EQ(instanceSetting("Procedure Listview Style"), "0");

    for (bool hidden : {true, false}) {
        doc->dispatchTool("BTN_VIEWMENUBAR");
        EXPECT_EQ(doc->ActiveBar1->band("mnuMain")->isVisible(), !hidden);
        EXPECT_EQ(tool(doc, "BTN_VIEWMENUBAR")->isChecked(), hidden);
        EXPECT_EQ(toolbars("Menu Visible"), hidden ? "False" : "True");
    }
}

TEST_F(CommandsTest, HelpOpensInEveryHostAndPagesReportWhereYouAre) {
    const QString lib = makeLibrary("a.mdb", {category(1, 0, "Utils")});
    browser::MRVDocument* doc = open(lib);  // a plain browser window
    help::WinHelp(nullptr, store::helpFile(), help::HELP_QUIT);
    QCoreApplication::processEvents();
    doc->dispatchTool("BTN_HELPINDEX");
    ASSERT_NE(help::helpWindow(), nullptr);
    EXPECT_TRUE(help::helpWindow()->isVisible());
    help::WinHelp(nullptr, store::helpFile(), help::HELP_QUIT);

    toolbar::Band* standard = doc->ActiveBar1->band("Standard");
    standard->setCurrentPage(3);
    EXPECT_EQ(statusText(doc), "Current Category: " + lib.section('/', -1) + ' ');
    standard->setCurrentPage(0);
    EXPECT_EQ(statusText(doc), "Connected To: " + lib + ' ');
}

TEST_F(CommandsTest, AddInEntryIsAskedForBothWays) {
    browser::MRVDocument* doc = open(makeLibrary("a.mdb"));
    ASSERT_FALSE(store::IsAddInRegistered());
    for (int answer : {ui::vbNo, ui::vbYes, ui::vbYes}) {
        const bool before = store::IsAddInRegistered();
        ui::testing::clear();
        ui::testing::queueAnswer(answer);
        doc->dispatchTool("BTN_VB_ADDINS");
        const bool after = answer == ui::vbYes ? !before : before;
        EXPECT_EQ(boxTitles(), QStringList{before ? "Remove from VB Add-Ins?" : "Add to VB Add-Ins?"});
        EXPECT_EQ(store::IsAddInRegistered(), after);
        EXPECT_EQ(tool(doc, "BTN_VB_ADDINS")->isChecked(), after);
        EXPECT_EQ(tool(doc, "BTN_VB_ADDINS")->caption(),
                  after ? "Remove from &VB Add-Ins" : "Add to &VB Add-Ins");
    }
}

}  // namespace

#include "commands_test.moc"
