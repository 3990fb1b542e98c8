#include "ide_fixture.h"

#include "platform/help.h"
#include "platform/shell.h"
#include "store/error_report.h"
#include "store/library_schema.h"

#include <QClipboard>
#include <QDirIterator>
#include <QDockWidget>
#include <QMimeData>
#include <QStandardPaths>

using idetest::FakeDocument;
using idetest::IdeTest;

namespace {

const QStringList kStandard = {"New Project", "Open Project", "Save Project",   "|Add File",
                               "Remove File", "|Cut",         "Copy",           "Paste",
                               "|Undo",       "Redo",         "|Project Window"};

class ConnectTest : public IdeTest {
protected:
    // Where the add-in's button stands: "bar index group".
    QString buttonPlace() const {
        for (const ide::Bar* bar : vbe()->bars())
            for (const ide::Control* c : bar->controls())
                if (c->Caption() == ide::Connect::kCaption && bar->Name() != QLatin1String("Add-Ins"))
                    return QStringLiteral("%1 %2 %3")
                        .arg(bar->Name())
                        .arg(c->Index())
                        .arg(c->BeginGroup() ? "true" : "false");
        return "none";
    }
    // Every control the add-in may have left, anywhere.
    int addInControls() const {
        int n = 0;
        for (const ide::Bar* bar : vbe()->bars())
            for (const ide::Control* c : bar->controls())
                n += c->Caption() == ide::Connect::kCaption ||
                     c->Caption() == ide::Connect::kWebSiteCaption ||
                     c->Caption() == ide::Connect::kHelpCaption;
        return n;
    }
    // Two distinct sound files for showing and hiding, in the sound theme.
    static QString themeSound(const char* id) {
        const QString file = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/sounds/freedesktop/stereo/%1.oga").arg(QLatin1String(id));
        idetest::writeBytes(file, "sound");
        return file;
    }
    static void click(ide::CommandBarControl* control) {
        static_cast<ide::Control*>(control)->action()->trigger();
    }
};

// The button before the last control of "Standard" with a separator, the "Add-Ins" entry at the
// end, the two Help entries before the menu's former last entry; every face drawn in memory,
// nothing written into the program folder, the user's clipboard untouched.
TEST_F(ConnectTest, ConnectionPutsTheFourControlsInPlaceAndLeavesTheClipboardAlone) {
    auto* mine = new QMimeData;
    mine->setText("the user's text");
    mine->setData("application/x-user", "bytes");
    QApplication::clipboard()->setMimeData(mine);
    int clipboardChanges = 0;
    QObject::connect(QApplication::clipboard(), &QClipboard::dataChanged, [&] { ++clipboardChanges; });

    ide::Connect* addIn = connectAddIn();
    ASSERT_NE(addIn, nullptr);
    EXPECT_EQ(QApplication::clipboard()->mimeData(), mine);
    EXPECT_EQ(clipboardChanges, 0);
    EXPECT_FALSE(
        QDirIterator(store::programFolder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories)
            .hasNext());

    QStringList standard = kStandard;
    standard.insert(10, "|Morvane");
    EXPECT_EQ(captions("Standard"), standard);
    EXPECT_EQ(captions("Add-Ins"), (QStringList{"&Add-In Manager...", "Morvane"}));
    EXPECT_EQ(captions("Help"), (QStringList{"&Keyboard Shortcuts", "|Varnholt Software Website...",
                                             "Morvane Help", "&About Morvane IDE"}));
    auto* button = static_cast<ide::Control*>(addIn->toolbarButton());
    EXPECT_EQ(button->tooltipText(), "Show Morvane");
    const auto* menuEntry = static_cast<ide::Control*>(addIn->addInMenuEntry());
    EXPECT_EQ(menuEntry->face(), button->face()) << "both show the program's face";
    const QImage web = static_cast<ide::Control*>(addIn->webSiteEntry())->face();
    ASSERT_EQ(web.size(), QSize(16, 16));
    EXPECT_NE(web, button->face());
    // The picture's green is left out: the window's background shows through there.
    EXPECT_EQ(web.pixel(0, 0), window->palette().color(QPalette::Window).rgb());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_NE(web.pixel(x, y) & RGB_MASK, 0x00FF00u) << x << "," << y;
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(FakeDocument::created, 0) << "the browser waits for the first click";

    disconnectAddIn();
    EXPECT_EQ(addInControls(), 0);
    EXPECT_EQ(captions("Standard"), kStandard);
    EXPECT_EQ(QApplication::clipboard()->mimeData(), mine);
}

// A bar missing at connection: the message, then the connection stops at the following step with
// the report naming it.
TEST_F(ConnectTest, AMissingBarIsToldAndTheConnectionStopsAtTheNextStep) {
    const struct {
        QStringList bars;
        QStringList titles;
        QString report;
    } cases[] = {
        {{"Standard", "Help"}, {"Error", "Morvane Error"}, "Connect.IDTExtensibility_OnConnection - Step 7"},
        {{"Standard", "Add-Ins"},
         {"Error", "Morvane Error"},
         "Connect.IDTExtensibility_OnConnection - Step 9"},
        {{"Add-Ins", "Help"},
         {"Morvane Error", "Morvane Error"},
         "Connect.IDTExtensibility_OnConnection - Step 5"},
    };
    store::RegisterAddIn();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bars.join(u',').toStdString());
        ui::testing::clear();
        ide::Vbe bare;
        for (const QString& name : c.bars) {
            ide::Bar* bar =
                bare.addBar(name, name == QLatin1String("Standard") ? ide::Bar::Toolbar : ide::Bar::Menu);
            bar->addCommand("One", {});
            bar->addCommand("Two", {});
        }
        bare.readAddInList();
        static_cast<ide::AddInEntry*>(bare.Addins()->Item(ide::Connect::kProgId))
            ->connectAddIn(ide::ConnectAfterStartup);
        ASSERT_EQ(boxTitles(), c.titles);
        if (c.titles[0] == QLatin1String("Error")) {
            EXPECT_EQ(boxes()[0].text, QStringLiteral("Error: The Morvane could NOT FIND the VB '") +
                                           (c.bars.contains("Help") ? "Add-Ins" : "Help") + "' Commandbar!");
            EXPECT_EQ(boxes()[0].buttons | boxes()[0].icon, ui::vbOKOnly | ui::vbExclamation);
            EXPECT_TRUE(boxes()[0].foreground);
        }
        EXPECT_TRUE(boxes().last().text.contains("'" + c.report + "'")) << boxes().last().text.toStdString();
    }
}

// With "AutoLoad Toolwindow" = 1 the browser opens during connection; when its library cannot be
// opened, no command is added, the window and its document are destroyed, and the announcement of
// the add-in instance is taken back.
TEST_F(ConnectTest, AutoLoadOpensTheBrowserOrAddsNoCommandWhenItsLibraryCannotOpen) {
    dochost::registerDocumentClass(ide::Connect::kDocumentProgId, browser::createDocument);
    store::SaveSetting(store::generalAppName(), "General Properties", "Show Tips at Startup", "0");
    store::SaveSetting(ide::Connect::addInApp(), "Properties", "AutoLoad Toolwindow", "1");
    const QString library = path("Code.mdb");
    store::createLibrary(library, {QString(), "G", QDateTime()})->Close();
    const int docks = window->findChildren<QDockWidget*>().size();

    for (const QString& current : {path("missing.mdb"), library}) {
        SCOPED_TRACE(current.toStdString());
        ui::testing::clear();
        store::SaveSetting(ide::Connect::addInApp(), "Properties", "Current Library", current);
        ide::Connect* addIn = connectAddIn();
        const bool opens = current == library;
        EXPECT_EQ(loadingInstance(), "0");
        EXPECT_FALSE(browser::MRVDocument::toolWindowCreating());
        if (!opens) {
            EXPECT_EQ(addInControls(), 0);
            EXPECT_EQ(addIn->toolWindow(), nullptr);
            settle();
            EXPECT_EQ(window->findChildren<QDockWidget*>().size(), docks) << "the window is not left behind";
            EXPECT_TRUE(window->findChildren<browser::MRVDocument*>().isEmpty());
            EXPECT_TRUE(boxTitles().contains("Database NOT FOUND!")) << boxTitles().join(',').toStdString();
            disconnectAddIn();
            continue;
        }
        EXPECT_EQ(addInControls(), 4);
        ASSERT_NE(addIn->toolWindow(), nullptr);
        EXPECT_TRUE(addIn->toolWindow()->Visible());
        auto* document = qobject_cast<browser::MRVDocument*>(addIn->document());
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->InstanceType(), browser::MRVDocument::AddInInstance);
        EXPECT_EQ(document->DBFileName(), library);
        EXPECT_EQ(document->VBInstance(), vbe());
        EXPECT_EQ(document->Connect(), addIn);
        // The document's own hide command reaches the add-in by name.
        dochost::invokeObjectMethod(document->Connect(), "HideWindow");
        EXPECT_FALSE(addIn->toolWindow()->Visible());
        disconnectAddIn();
        EXPECT_TRUE(window->findChildren<browser::MRVDocument*>().isEmpty());
    }
}

// Where the button goes at the next connection comes from where the user left it.
TEST_F(ConnectTest, DisconnectionRemembersTheButtonsBarIndexAndGroup) {
    const struct {
        const char* name;
        QStringList stored;  // Toolbar, Position, Begin Group before connecting; empty: none
        QString placed;      // the button at connection
        std::function<void(ide::Vbe*, ide::Control*)> userDoes;
        QStringList remembered;  // after disconnection
    } cases[] = {
        {"first connection", {}, "Standard 11 true", {}, {"Standard", "11", "True"}},
        {"moved to another toolbar",
         {},
         "Standard 11 true",
         [](ide::Vbe* v, ide::Control* b) { b->moveTo(v->bar("Code"), 2); },
         {"Code", "2", "True"}},
        {"put back there next time", {"Code", "2", "True"}, "Code 2 true", {}, {"Code", "2", "True"}},
        {"moved within its bar, group turned off",
         {"Standard", "11", "True"},
         "Standard 11 true",
         [](ide::Vbe* v, ide::Control* b) { b->moveTo(v->bar("Standard"), 3), b->setBeginGroup(false); },
         {"Standard", "3", "False"}},
        {"left in place, group turned off",
         {"Standard", "4", "True"},
         "Standard 4 true",
         [](ide::Vbe*, ide::Control* b) { b->setBeginGroup(false); },
         {"Standard", "4", "False"}},
        {"stored place past the bar's end",
         {"Standard", "99", "False"},
         "Standard 11 false",
         {},
         {"Standard", "11", "False"}},
        {"stored bar gone", {"Gone", "2", "True"}, "Standard 11 true", {}, {"Standard", "11", "True"}},
        {"stored place not a number",
         {"Standard", "x", "True"},
         "Standard 11 true",
         {},
         {"Standard", "11", "True"}},
        {"deleted by the user",
         {},
         "Standard 11 true",
         [](ide::Vbe*, ide::Control* b) { b->Delete(); },
         {"<none>", "<none>", "<none>"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store::DeleteSetting(ide::Connect::addInApp(), "VB Button");
        if (!c.stored.isEmpty()) setButtonSettings(c.stored[0], c.stored[1], c.stored[2]);
        ide::Connect* addIn = connectAddIn();
        EXPECT_EQ(buttonPlace(), c.placed);
        if (c.userDoes) c.userDoes(vbe(), static_cast<ide::Control*>(addIn->toolbarButton()));
        settle();
        disconnectAddIn();
        EXPECT_EQ(
            (QStringList{buttonSetting("Toolbar"), buttonSetting("Position"), buttonSetting("Begin Group")}),
            c.remembered);
        EXPECT_EQ(addInControls(), 0);
        EXPECT_TRUE(boxes().isEmpty());
    }
}

// The button and the "Add-Ins" entry show and hide the browser: no sound at the first show,
// "RestoreDown" at hiding, "RestoreUp" at every later show. The document's hide command goes
// through HideWindow and leaves that memory alone.
TEST_F(ConnectTest, TogglingShowsAndHidesTheBrowserWithItsSounds) {
    const QString up = themeSound("window-unminimized"), down = themeSound("window-unmaximized");
    ide::Connect* addIn = connectAddIn();
    const auto played = [] { return sound::testing::playedFiles(); };

    click(addIn->toolbarButton());
    ASSERT_NE(addIn->toolWindow(), nullptr);
    FakeDocument* document = FakeDocument::last;
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->loadingInstance, "1");
    EXPECT_TRUE(document->flagAtCreation) << "the document was created while layout waits";
    EXPECT_EQ(document->formatCalls, 1);
    EXPECT_EQ(document->formatsWhileCreating, 0);
    EXPECT_EQ(document->VBInstance(), vbe());
    EXPECT_EQ(document->Connect(), addIn);
    EXPECT_TRUE(addIn->toolWindow()->Visible());
    EXPECT_TRUE(played().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    click(addIn->toolbarButton());
    EXPECT_FALSE(addIn->toolWindow()->Visible());
    EXPECT_EQ(played(), QStringList{down});
    EXPECT_EQ(document->formatCalls, 2);
    click(addIn->addInMenuEntry());
    EXPECT_TRUE(addIn->toolWindow()->Visible());
    EXPECT_EQ(played(), (QStringList{down, up}));

    dochost::invokeObjectMethod(addIn, "HideWindow");
    EXPECT_FALSE(addIn->toolWindow()->Visible());
    click(addIn->toolbarButton());
    EXPECT_TRUE(addIn->toolWindow()->Visible());
    EXPECT_EQ(played(), (QStringList{down, up, up}));
    EXPECT_EQ(FakeDocument::created, 1) << "hiding keeps the window and its document";
    disconnectAddIn();
    EXPECT_EQ(FakeDocument::destroyed, 1);

    // No library opens: the click only ends; the next click tries again.
    sound::testing::clear();
    FakeDocument::library.clear();
    addIn = connectAddIn();
    click(addIn->toolbarButton());
    EXPECT_EQ(addIn->toolWindow(), nullptr);
    EXPECT_EQ(FakeDocument::destroyed, 2);
    EXPECT_EQ(loadingInstance(), "0");
    EXPECT_TRUE(played().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    FakeDocument::library = "/libraries/Code.mdb";
    click(addIn->toolbarButton());
    EXPECT_TRUE(addIn->toolWindow()->Visible());
    EXPECT_TRUE(played().isEmpty()) << "the first show that happened makes no sound";
    EXPECT_TRUE(boxes().isEmpty());
}

// A tool window whose document cannot be created at all: the error is reported, the click ends,
// and the next document any host creates is not taken for the add-in's.
TEST_F(ConnectTest, AToolWindowThatCannotBeCreatedIsReportedAndTakesBackTheAnnouncement) {
    ide::Connect* addIn = connectAddIn();
    dochost::unregisterDocumentClass(ide::Connect::kDocumentProgId);
    click(addIn->toolbarButton());
    EXPECT_EQ(addIn->toolWindow(), nullptr);
    ASSERT_EQ(boxTitles(), QStringList{"Morvane Error"});
    EXPECT_TRUE(boxes()[0].text.contains("'Connect.LoadVBToolWindow'"));
    EXPECT_EQ(loadingInstance(), "0");
    EXPECT_FALSE(browser::MRVDocument::toolWindowCreating());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ConnectTest, TheHelpEntriesOpenTheHelpAndAfterAskingTheWebSite) {
    ide::Connect* addIn = connectAddIn();
    for (int answer : {ui::vbNo, ui::vbYes}) {
        ui::testing::clear();
        shell::testing::clearOpenedUrls();
        ui::testing::queueAnswer(answer);
        click(addIn->webSiteEntry());
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, "Visit Home Page");
        EXPECT_EQ(boxes()[0].text, "This will Navigate to the 'VarnholtSoftware' Website!\n\nContinue?");
        EXPECT_EQ(boxes()[0].buttons | boxes()[0].icon, ui::vbYesNo | ui::vbInformation);
        EXPECT_EQ(shell::testing::openedUrls().size(), answer == ui::vbYes ? 1 : 0);
    }
    EXPECT_EQ(shell::testing::openedUrls()[0].toString(), QLatin1String(store::kWebSiteAddress));
    click(addIn->helpEntry());
    ASSERT_NE(help::helpWindow(), nullptr);
    help::WinHelp(nullptr, store::helpFile(), help::HELP_QUIT);
}

}  // namespace
