#include "browser/MRVDocument.h"

#include "library/frmDBList.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "store/files.h"
#include "tests/browser/browser_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

using namespace browsertest;

namespace {

const QString kGeneral = QStringLiteral("General Properties");

QString loadingInstance() {
    return store::GetSetting(store::generalAppName(), kGeneral, QStringLiteral("Loading Instance"));
}

class DocumentTest : public BrowserTest {};

TEST_F(DocumentTest, InstanceKindIsHandedOverThroughLoadingInstance) {
    const QString lib = makeLibrary(QStringLiteral("a.mdb"));
    const QString other = makeLibrary(QStringLiteral("b.mdb"));
    setInstanceSetting(QStringLiteral("Current Library"), lib, QStringLiteral("\\(VB Add-In)"));
    setInstanceSetting(QStringLiteral("Current Library"), lib, QStringLiteral("\\(Client)"));

    struct Case {
        QString loading;
        int type;
        QString name;
    };
    for (const Case& c : {Case{"1", 1, "\\(VB Add-In)"}, Case{"2", 2, "\\(Client)"},
                          Case{"3", 3, "\\(Browser)"}, Case{"0", 3, "\\(Browser)"}}) {
        SCOPED_TRACE(c.loading.toStdString());
        browser::MRVDocument* doc = open(other, c.loading);
        EXPECT_EQ(doc->InstanceType(), c.type);
        EXPECT_EQ(doc->InstanceName(), c.name);
        EXPECT_EQ(doc->property("InstanceType").toInt(), c.type);
        EXPECT_EQ(loadingInstance(), QStringLiteral("0"));
        // Each kind reads its own "Current Library".
        EXPECT_EQ(doc->DBFileName(), c.type == 3 ? other : lib);
    }

    // After an add-in instance, a document nobody announces is a browser.
    open(QString(), QStringLiteral("1"));
    ui::testing::clear();
    m_documents.push_back(std::make_unique<browser::MRVDocument>());
    m_documents.back()->InitProperties();
    EXPECT_EQ(m_documents.back()->InstanceName(), QStringLiteral("\\(Browser)"));

    // Any other value starts nothing: no settings, no library, no dialog.
    browser::MRVDocument* empty = open(QString(), QStringLiteral("7"));
    EXPECT_EQ(empty->InstanceType(), 0);
    EXPECT_TRUE(empty->DBFileName().isEmpty());
    EXPECT_EQ(loadingInstance(), QStringLiteral("7"));
    EXPECT_TRUE(ui::testing::shownDialogs().isEmpty());
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(DocumentTest, FirstStartOpensTheSampleLibrary) {
    store::setProgramFolder(QStringLiteral(MRV_TEST_PROGRAM_DIR));
    // The build's program folder stays as it is: the user's copy is opened.
    store::setWritableCheck([](const QString&) { return false; });
    browser::MRVDocument* doc = open(QString());

    const QString sample = store::sampleLibraryPath();
    EXPECT_TRUE(sample.startsWith(store::userDataFolder()));
    EXPECT_EQ(instanceSetting(QStringLiteral("Current Library")), sample);
    EXPECT_EQ(store::GetSetting(store::generalAppName(), QStringLiteral("Libraries"), QStringLiteral("1")),
              sample + QStringLiteral(";Original Morvane"));
    EXPECT_EQ(doc->DBFileName(), sample);
    EXPECT_EQ(doc->treCats->findNode(QStringLiteral("0 Key"))->text(),
              QStringLiteral("Sample Code Library.mdb"));
    EXPECT_GT(doc->treCats->count(), 1);
    EXPECT_GT(doc->lstvProcs->count(), 0);
    EXPECT_TRUE(statusText(doc).startsWith(QStringLiteral("Root: All (")));
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_TRUE(ui::testing::shownDialogs().isEmpty());
}

TEST_F(DocumentTest, FirstStartWithoutSampleAsksForALibrary) {
    browser::MRVDocument* doc = open(QString());
    EXPECT_EQ(boxTitles(), QStringList{QStringLiteral("Database NOT FOUND!")});
    ASSERT_EQ(ui::testing::shownDialogs().size(), 1);
    EXPECT_EQ(ui::testing::shownDialogs()[0].text, QStringLiteral("frmDBList"));
    EXPECT_TRUE(doc->DBFileName().isEmpty());
    EXPECT_EQ(doc->treCats->count(), 0);
    // Written before the open failed; the next start tries it again.
    EXPECT_EQ(instanceSetting(QStringLiteral("Current Library")), store::sampleLibraryPath());
}

TEST_F(DocumentTest, FailingLibraryBringsTheChooserBackUntilCancel) {
    const QString vanishing = makeLibrary(QStringLiteral("vanishing.mdb"));
    const QString good = makeLibrary(QStringLiteral("good.mdb"));
    for (const QString& lib : {good, vanishing})
        store::AddToRecentList(lib, QStringLiteral("G"), store::generalAppName(), QStringLiteral("Libraries"),
                               20);

    for (bool pickGood : {false, true}) {
        SCOPED_TRACE(pickGood);
        ui::testing::clear();
        closeAll();
        QFile::copy(good, vanishing);
        int shown = 0;
        QStringList initDirs;
        ui::testing::setFormHandler(QStringLiteral("frmDBList"), [&](QWidget* form) {
            auto* list = static_cast<frmDBList*>(form);
            initDirs << list->InitDir();
            ++shown;
            if (shown == 1) {
                // Chosen, then gone before the browser opens it.
                list->lstvDatabases->setSelectedItem(list->lstvDatabases->findItem(vanishing));
                list->cmdOk_Click();
                QFile::remove(vanishing);
            } else if (pickGood) {
                list->lstvDatabases->setSelectedItem(list->lstvDatabases->findItem(good));
                list->cmdOk_Click();
            } else {
                list->cmdCancel_Click();
            }
            return 0;
        });
        browser::MRVDocument* doc = open(path(QStringLiteral("missing.mdb")));
        EXPECT_EQ(shown, 2);
        EXPECT_EQ(boxTitles(), QStringList(2, QStringLiteral("Database NOT FOUND!")));
        EXPECT_EQ(initDirs.value(0), store::programFolder() + QStringLiteral("/Library"));
        EXPECT_EQ(doc->DBFileName(), pickGood ? good : QString());
        EXPECT_EQ(instanceSetting(QStringLiteral("Current Library")),
                  pickGood ? good : path(QStringLiteral("missing.mdb")));
        EXPECT_EQ(doc->treCats->count(), pickGood ? 1 : 0);
    }
}

TEST_F(DocumentTest, OpenCommandReplacesTheLibraryOrKeepsTheOld) {
    const QString first = makeLibrary(QStringLiteral("first.mdb"), {category(1, 0, QStringLiteral("One"))});
    const QString second = makeLibrary(QStringLiteral("second.mdb"));
    store::AddToRecentList(second, QStringLiteral("G"), store::generalAppName(), QStringLiteral("Libraries"),
                           20);
    browser::MRVDocument* doc = open(first);

    ui::testing::setFormHandler(QStringLiteral("frmDBList"), [](QWidget* form) {
        static_cast<frmDBList*>(form)->cmdCancel_Click();
        return 0;
    });
    doc->dispatchTool(QStringLiteral("BTN_Open"));
    EXPECT_EQ(doc->DBFileName(), first);
    EXPECT_EQ(doc->treCats->count(), 2);
    EXPECT_EQ(ui::testing::shownDialogs().last().initialDir, QString());

    QString initDir;
    ui::testing::setFormHandler(QStringLiteral("frmDBList"), [&](QWidget* form) {
        auto* list = static_cast<frmDBList*>(form);
        initDir = list->InitDir();
        list->lstvDatabases->setSelectedItem(list->lstvDatabases->findItem(second));
        list->cmdOk_Click();
        return 0;
    });
    doc->dispatchTool(QStringLiteral("BTN_Open"));
    EXPECT_EQ(initDir, m_dir.path());
    EXPECT_EQ(doc->DBFileName(), second);
    EXPECT_EQ(doc->treCats->count(), 1);
    EXPECT_EQ(instanceSetting(QStringLiteral("Current Library")), second);
    EXPECT_EQ(statusText(doc), QStringLiteral("Opened Database: ") + second + QStringLiteral(" "));
    // The replaced library is closed, not left open beside the new one.
    QStringList open;
    for (engine::Database* db : store::sharedWorkspace()->Databases()) open << db->Name();
    EXPECT_FALSE(open.contains(first));
}

TEST_F(DocumentTest, KeysReachTheToolbarAccelerators) {
    const QString lib = makeLibrary(QStringLiteral("a.mdb"));
    browser::MRVDocument* doc = open(lib);
    doc->show();
    sound::testing::clear();
    QKeyEvent other(QEvent::KeyPress, Qt::Key_F24, Qt::NoModifier);
    QApplication::sendEvent(doc, &other);
    EXPECT_FALSE(other.isAccepted());
    // Ctrl+O is the open command's key in the default layout.
    QKeyEvent open(QEvent::KeyPress, Qt::Key_O, Qt::ControlModifier);
    QApplication::sendEvent(doc, &open);
    EXPECT_TRUE(open.isAccepted());
    ASSERT_EQ(ui::testing::shownDialogs().size(), 1);
    EXPECT_EQ(ui::testing::shownDialogs()[0].text, QStringLiteral("frmDBList"));
    EXPECT_EQ(sound::testing::playedFiles().size(), 3)
        << sound::testing::playedFiles().join(',').toStdString();
}

TEST_F(DocumentTest, NoLibraryCommandsAskToOpenOne) {
    browser::MRVDocument* doc = open(path(QStringLiteral("missing.mdb")));
    ui::testing::clear();
    ui::testing::queueAnswer(ui::vbNo);
    doc->dispatchTool(QStringLiteral("BTN_CAT_ADDCHILD"));
    EXPECT_EQ(boxTitles(), QStringList{QStringLiteral("System not Started!")});
    EXPECT_EQ(boxes()[0].buttons, ui::vbYesNo);
    EXPECT_EQ(boxes()[0].icon, ui::vbExclamation);
    EXPECT_TRUE(ui::testing::shownDialogs().isEmpty());
    EXPECT_EQ(doc->treCats->count(), 0);
}

TEST_F(DocumentTest, SettingsAreRestoredPerInstance) {
    const QString lib = makeLibrary(QStringLiteral("a.mdb"));
    setInstanceSetting(QStringLiteral("Category Tree Visible"), QStringLiteral("False"));
    setInstanceSetting(QStringLiteral("Procedure Listview Style"), QStringLiteral("1"));
    browser::MRVDocument* doc = open(lib);
    EXPECT_TRUE(doc->treCats->isHidden());
    EXPECT_TRUE(doc->picVertSplitter->isHidden());
    EXPECT_FALSE(doc->chkShowHideTreeview->isChecked());
    EXPECT_EQ(doc->lstvProcs->view(), controls::lvwSmallIcon);
    if (toolbar::Tool* t = doc->ActiveBar1->tools().find(QStringLiteral("BTN_VIEWCATEGORIES"))) {
        EXPECT_FALSE(t->isChecked());
    }
    // The work file for category pictures exists and is listed for deletion.
    const QStringList temps = store::GetSettingKeys(store::generalAppName(), QStringLiteral("Temp Files"));
    ASSERT_FALSE(temps.isEmpty());
    const QString work =
        store::GetSetting(store::generalAppName(), QStringLiteral("Temp Files"), temps.last());
    EXPECT_TRUE(QFileInfo(work).fileName().startsWith(QStringLiteral("MVL")));
    EXPECT_TRUE(store::FileExists(work));
}

TEST_F(DocumentTest, FormatWindowPlacesTreeSplitterAndList) {
    const QString lib = makeLibrary(QStringLiteral("a.mdb"));
    browser::MRVDocument* doc = open(lib);
    QWidget* area = doc->findChild<QWidget*>(QStringLiteral("documentArea"));
    ASSERT_NE(area, nullptr);
    const auto twipsX = [doc](int px) { return platform::pixelsToTwipsX(px, doc); };
    const auto px = [doc](double twips) { return platform::twipsToPixelsX(twips, doc); };
    // Laid out only once shown: the placeholder size before that would squeeze the tree.
    doc->resize(400, 300);
    doc->show();
    EXPECT_EQ(doc->treCats->width(), px(2600));
    // The area below the bars is what the layout works in.
    const auto layOut = [&](int width) {
        area->resize(width, 400);
        doc->FormatWindow();
    };

    layOut(800);
    const int S = doc->StatusBar1->height();
    const int H = area->height();
    EXPECT_EQ(doc->StatusBar1->geometry(), QRect(0, H - S, 800, S));
    // Tree width 2600 twips: the splitter 15 twips inside it.
    EXPECT_EQ(doc->picVertSplitter->x(), px(2585));
    EXPECT_EQ(doc->picVertSplitter->y(), 0);
    EXPECT_EQ(doc->picVertSplitter->height(), H - S);
    const QRect tree = doc->treCats->geometry();
    EXPECT_EQ(tree.topLeft(), QPoint(0, -1));
    EXPECT_EQ(tree.height(), H - S + 2);
    EXPECT_EQ(tree.right() + 1, px(2600));
    const QRect list = doc->lstvProcs->geometry();
    EXPECT_EQ(list.x(), doc->picVertSplitter->geometry().right());
    EXPECT_EQ(list.y(), -1);
    EXPECT_EQ(list.right() + 1, 800);
    EXPECT_EQ(list.height(), H - S + 2);
    EXPECT_EQ(doc->chkShowHideTreeview->y(),
              platform::twipsToPixelsY(platform::pixelsToTwipsY(H - S, doc) + 20, doc));

    // A splitter too near the left edge moves to 400 twips.
    doc->picVertSplitter->move(px(150), 0);
    doc->FormatWindow();
    EXPECT_EQ(doc->picVertSplitter->x(), px(400));

    // Narrow: kept 400 twips from the right edge.
    doc->picVertSplitter->move(px(2585), 0);
    layOut(px(1200));
    EXPECT_EQ(twipsX(area->width()), 1200);
    EXPECT_EQ(doc->picVertSplitter->x(), px(800));

    // So narrow that no place is 400 twips from both edges: the splitter stays where it was.
    doc->picVertSplitter->move(px(2585), 0);
    layOut(px(390));
    EXPECT_LE(twipsX(area->width()), 400);
    EXPECT_EQ(doc->picVertSplitter->x(), px(2585));

    // Tree hidden: the list takes the whole width, flush with the edges.
    layOut(800);
    doc->treCats->hide();
    doc->FormatWindow();
    EXPECT_TRUE(doc->picVertSplitter->isHidden());
    EXPECT_EQ(doc->lstvProcs->geometry(), QRect(0, 0, 800, H - S));

    // While the add-in creates its window nothing moves.
    browser::MRVDocument::setToolWindowCreating(true);
    doc->treCats->show();
    doc->FormatWindow();
    browser::MRVDocument::setToolWindowCreating(false);
    EXPECT_EQ(doc->lstvProcs->geometry(), QRect(0, 0, 800, H - S));
}

TEST_F(DocumentTest, StatusMessagesFallBackToReady) {
    browser::MRVDocument doc;
    // Coarse timers report their slack in the time left; this test reads it.
    doc.Timer1->setTimerType(Qt::PreciseTimer);
    EXPECT_FALSE(doc.Timer1->isActive());
    EXPECT_EQ(doc.Timer1->interval(), 30000);

    doc.StatusBar(QStringLiteral("Opening Database..."));
    EXPECT_EQ(statusText(&doc), QStringLiteral("Opening Database... "));
    EXPECT_TRUE(doc.Timer1->isActive());
    EXPECT_EQ(doc.Timer1->interval(), 30000);

    ASSERT_TRUE(QMetaObject::invokeMethod(doc.Timer1, "timeout"));
    EXPECT_EQ(statusText(&doc), QStringLiteral("Ready... "));
    EXPECT_EQ(doc.Timer1->interval(), 15000);
    EXPECT_TRUE(doc.Timer1->isActive());

    // The same message again is not written but starts the wait afresh.
    QElapsedTimer waited;
    waited.start();
    while (doc.Timer1->remainingTime() > 14950) QThread::msleep(5);
    doc.StatusBar(QStringLiteral("Ready..."));
    EXPECT_GT(doc.Timer1->remainingTime(), 14950);
    EXPECT_EQ(statusText(&doc), QStringLiteral("Ready... "));
}

TEST_F(DocumentTest, ShowOffersTheTipOnceAndMarksTheDocumentLoaded) {
    const QString lib = makeLibrary(QStringLiteral("a.mdb"));
    const QString startSound = store::programFolder() + QStringLiteral("/digital.wav");
    QFile(startSound).open(QIODevice::WriteOnly);
    for (const QString& tips : {QStringLiteral("1"), QStringLiteral("0")}) {
        SCOPED_TRACE(tips.toStdString());
        store::SaveSetting(store::generalAppName(), kGeneral, QStringLiteral("Show Tips at Startup"), tips);
        browser::MRVDocument* doc = open(lib);
        EXPECT_FALSE(doc->DocumentIsLoaded());
        sound::testing::clear();
        doc->show();
        EXPECT_TRUE(doc->DocumentIsLoaded());
        EXPECT_EQ(sound::testing::playedFiles(), QStringList{startSound});
        EXPECT_EQ(doc->findChildren<QWidget*>(QStringLiteral("frmTip")).size(), tips == "1" ? 1 : 0);
        doc->hide();
        doc->show();
        EXPECT_EQ(doc->findChildren<QWidget*>(QStringLiteral("frmTip")).size(), tips == "1" ? 1 : 0);
        closeAll();
    }
}

TEST_F(DocumentTest, TerminateSavesOnlyALoadedDocument) {
    const QString lib = makeLibrary(QStringLiteral("a.mdb"));
    const auto libraryOpen = [&] {
        for (engine::Database* db : store::sharedWorkspace()->Databases())
            if (db->Name() == lib) return true;
        return false;
    };
    const auto page = [] {
        return store::GetSetting(instanceApp(), QStringLiteral("Toolbars"),
                                 QStringLiteral("Standard Toolbar's Current Page"), QStringLiteral("<none>"));
    };

    browser::MRVDocument* doc = open(lib);
    const QString layout = doc->userLayoutFile();
    EXPECT_TRUE(libraryOpen());
    closeAll();
    EXPECT_FALSE(QFile::exists(layout));
    EXPECT_EQ(page(), QStringLiteral("<none>"));
    // Never loaded, so its handle stays with the workspace until the process ends.
    EXPECT_TRUE(libraryOpen());
    for (engine::Database* db : store::sharedWorkspace()->Databases())
        if (db->Name() == lib) db->Close();

    doc = open(lib);
    doc->show();
    closeAll();
    EXPECT_TRUE(QFile::exists(layout));
    EXPECT_TRUE(layout.startsWith(store::userDataFolder()));
    EXPECT_NE(page(), QStringLiteral("<none>"));
    EXPECT_FALSE(libraryOpen());
    EXPECT_TRUE(store::GetSettingKeys(store::generalAppName(), QStringLiteral("Temp Files")).isEmpty());
}

TEST_F(DocumentTest, LayoutComesFromTheUserThenTheProgramFolder) {
    const QString lib = makeLibrary(QStringLiteral("a.mdb"));
    const QString mine = QStringLiteral(
        "MorvaneToolbarLayout 1\ntool BTN_Open caption=\"Mine\"\nband Standard kind=toolbar\n  item "
        "BTN_Open\n"
        "endband\nend\n");
    const QString installed = QStringLiteral(
        "MorvaneToolbarLayout 1\ntool BTN_Open caption=\"Installed\"\nband Standard kind=toolbar\n  item "
        "BTN_Open\n"
        "endband\nend\n");
    const auto write = [](const QString& file, const QString& text) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    };
    write(store::programFolder() + QStringLiteral("/Toolbars.tb"), installed);
    browser::MRVDocument* doc = open(lib);
    EXPECT_EQ(doc->ActiveBar1->tools()[QStringLiteral("BTN_Open")]->caption(), QStringLiteral("Installed"));
    closeAll();

    write(store::userDataFolder() + QStringLiteral("/Toolbars.tb"), mine);
    doc = open(lib);
    EXPECT_EQ(doc->ActiveBar1->tools()[QStringLiteral("BTN_Open")]->caption(), QStringLiteral("Mine"));
    closeAll();

    // A damaged copy of the user's is reported and the installed one used.
    write(store::userDataFolder() + QStringLiteral("/Toolbars.tb"), mine.left(40));
    doc = open(lib);
    EXPECT_EQ(doc->ActiveBar1->tools()[QStringLiteral("BTN_Open")]->caption(), QStringLiteral("Installed"));
    EXPECT_EQ(boxes().size(), 1);
}

TEST_F(DocumentTest, DefaultLayoutsHoldEveryCommand) {
    const QStringList tools = {"BTN_ABOUTBOX",
                               "BTN_CAT_ADDCHILD",
                               "BTN_CAT_DELCHILD",
                               "BTN_CLEAR_CAT_IMAGE",
                               "BTN_COPYPROC",
                               "BTN_COPYTO",
                               "BTN_Clear",
                               "BTN_Copy",
                               "BTN_Cut",
                               "BTN_DELETE",
                               "BTN_EMAIL_BUGS",
                               "BTN_EMAIL_LIBRARY",
                               "BTN_Edit",
                               "BTN_FILEPROPERTIES",
                               "BTN_FINDPROCS",
                               "BTN_HELPCONTENTS",
                               "BTN_HELPINDEX",
                               "BTN_Hide",
                               "BTN_NEW_DB",
                               "BTN_New",
                               "BTN_OPENFILE",
                               "BTN_Open",
                               "BTN_PROPERTIES",
                               "BTN_Paste",
                               "BTN_REPAIR_COMPACT",
                               "BTN_REPLICATE_DB",
                               "BTN_SYNC_DBS",
                               "BTN_TIPOFTHEDAY",
                               "BTN_VB_ADDINS",
                               "BTN_VIEWCATEGORIES",
                               "BTN_VIEWCHANGE",
                               "BTN_VIEWMENUBAR",
                               "BTN_VIEWTOOLBAR",
                               "BTN_View_Details",
                               "BTN_View_Icon",
                               "BTN_View_List",
                               "BTN_View_Small_Icon",
                               "BTN_WEBSITE"};
    for (const QString& file : {QStringLiteral("Toolbars.tb"), QStringLiteral("VBToolbars.tb")}) {
        SCOPED_TRACE(file.toStdString());
        QFile builtIn(QStringLiteral(":/toolbars/") + file);
        ASSERT_TRUE(builtIn.open(QIODevice::ReadOnly));
        toolbar::Bar bar;
        bar.loadLayoutText(builtIn.readAll(), QStringLiteral(":/toolbars"));
        for (const char* band : {"mnuMain", "mnuFile", "Standard", "mnuPopUpProc", "mnuPopUpCat"})
            EXPECT_NE(bar.findBand(QString::fromLatin1(band)), nullptr) << band;
        QStringList placed;
        for (toolbar::Band* band : bar.bands())
            for (toolbar::Tool* tool : band->tools()) placed << tool->name();
        for (const QString& tool : tools) EXPECT_TRUE(placed.contains(tool)) << tool.toStdString();
    }
}

TEST_F(DocumentTest, WebShortcutAddressIsReadFromItsSection) {
    browser::MRVDocument doc;
    const auto url = [&](const QByteArray& text) {
        const QString file = path(QStringLiteral("s.url"));
        QFile f(file);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
        f.close();
        return doc.GetURLFromFile(file);
    };
    EXPECT_EQ(url("[InternetShortcut]\r\nURL=http://example.org/a\r\n"),
              QStringLiteral("http://example.org/a"));
    EXPECT_EQ(url("[DEFAULT]\nBASEURL=http://x\n  [InternetShortcut]  \nurl=www.example.org\n"),
              QStringLiteral("www.example.org"));
    EXPECT_EQ(url("[InternetShortcut]\nIDList=\nHotKey=0\nURL=http://example.org/b\n"),
              QStringLiteral("http://example.org/b"));
    EXPECT_EQ(url("URL=http://outside.org\n[Other]\nURL=http://other.org\n"), QString());
    EXPECT_EQ(url("[InternetShortcut]\n[Other]\nURL=http://other.org\n"), QString());
    EXPECT_EQ(url("[InternetShortcut]"), QString());
    EXPECT_EQ(url(QByteArray(40000, 'x') + "\n[InternetShortcut]\nURL=http://late.org\n"), QString());
    EXPECT_EQ(doc.GetURLFromFile(path(QStringLiteral("none.url"))), QString());

    // Cut short anywhere: never more than the address, never a crash.
    const QByteArray whole = "[InternetShortcut]\r\nURL=http://example.org/cut\r\n";
    for (int n = 0; n <= whole.size(); ++n)
        EXPECT_TRUE(QStringLiteral("http://example.org/cut").startsWith(url(whole.left(n)))) << n;

    const QString temp = doc.GetWinTempFileName(QStringLiteral("MVL"));
    EXPECT_TRUE(store::FileExists(temp));
    EXPECT_TRUE(temp.startsWith(store::tempFolder()));
    EXPECT_TRUE(QFileInfo(temp).fileName().startsWith(QStringLiteral("MVL")));
    EXPECT_NE(doc.GetWinTempFileName(QStringLiteral("MVL")), temp);
}

TEST_F(DocumentTest, HostsReachTheDocumentByName) {
    const QString lib = makeLibrary(QStringLiteral("a.mdb"), {category(12, 0, QStringLiteral("Twelve"))});
    setInstanceSetting(QStringLiteral("Category Tree Current Category"), QStringLiteral("12 Key"));
    setInstanceSetting(QStringLiteral("Current Library"), lib);
    QObject client;
    QWidget* widget = browser::createDocument(nullptr);
    std::unique_ptr<QWidget> owned(widget);
    EXPECT_TRUE(widget->setProperty("Client", QVariant::fromValue<QObject*>(&client)));
    EXPECT_EQ(widget->property("Client").value<QObject*>(), &client);
    EXPECT_TRUE(QMetaObject::invokeMethod(widget, "FormatWindow"));
    EXPECT_EQ(widget->property("InstanceType").toInt(), 3);
    EXPECT_EQ(widget->property("DBFileName").toString(), lib);
    EXPECT_EQ(widget->property("CurrentCategoryKey").toInt(), 12);
    EXPECT_FALSE(widget->property("DocumentIsLoaded").toBool());

    auto* doc = static_cast<browser::MRVDocument*>(widget);
    EXPECT_TRUE(doc->LargeImage(QStringLiteral("no such key")).isNull());
    QString path = lib;
    engine::Database* handle = doc->database();
    EXPECT_TRUE(doc->ReOpenDB(path, handle));
    EXPECT_EQ(handle, doc->database());
    EXPECT_EQ(doc->DBFileName(), lib);
    QString missing = this->path(QStringLiteral("gone.mdb"));
    EXPECT_FALSE(doc->ReOpenDB(missing, handle));
    EXPECT_EQ(handle, nullptr);
    EXPECT_TRUE(doc->DBFileName().isEmpty());
}

}  // namespace
