#include "browser/MRVDocument.h"

#include "library/frmDBList.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "prefs/frmTip.h"
#include "store/files.h"
#include "tests/browser/browser_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QThread>
#include <QTimer>

using namespace browsertest;

namespace {

const QString kGeneral = "General Properties";

bool isOpen(const QString& library) {
    for (engine::Database* db : store::sharedWorkspace()->Databases())
        if (db->Name() == library) return true;
    return false;
}

// Answers the library chooser with the library choose() gives, or cancels it when that is empty.
void answerChooser(const std::function<QString(frmDBList*)>& choose,
                   const std::function<void()>& afterOk = {}) {
    ui::testing::setFormHandler("frmDBList", [choose, afterOk](QWidget* form) {
        auto* list = static_cast<frmDBList*>(form);
        const QString library = choose(list);
        if (library.isEmpty()) {
            list->cmdCancel_Click();
        } else {
            list->lstvDatabases->setSelectedItem(list->lstvDatabases->findItem(library));
            list->cmdOk_Click();
            if (afterOk) afterOk();
        }
        return 0;
    });
}

using DocumentTest = BrowserTest;

TEST_F(DocumentTest, InstanceKindIsHandedOverThroughLoadingInstance) {
    const QString lib = makeLibrary("a.mdb");
    const QString other = makeLibrary("b.mdb");
    for (const char* suffix : {"\\(VB Add-In)", "\\(Client)"})
        setInstanceSetting("Current Library", lib, QString::fromLatin1(suffix));

    // Each kind reads its own "Current Library"; the value goes back to "0" for the next document.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"1", 1, "\\(VB Add-In)"}, {"2", 2, "\\(Client)"}, {"3", 3, "\\(Browser)"}, {"0", 3, "\\(Browser)"}};
    for (const auto& [loading, type, name] : cases) {
        SCOPED_TRACE(loading);
        browser::MRVDocument* doc = open(other, QString::fromLatin1(loading));
        EXPECT_EQ(doc->InstanceType(), type);
        EXPECT_EQ(doc->InstanceName(), QString::fromLatin1(name));
        EXPECT_EQ(doc->property("InstanceType").toInt(), type);
        EXPECT_EQ(loadingInstance(), "0");
        EXPECT_EQ(doc->DBFileName(), type == 3 ? other : lib);
    }

    // Any other value starts nothing: no settings, no library, no dialog.
    ui::testing::clear();
    browser::MRVDocument* empty = open(QString(), "7");
    EXPECT_EQ(empty->InstanceType(), 0);
    EXPECT_TRUE(empty->DBFileName().isEmpty());
    EXPECT_EQ(loadingInstance(), "7");
    EXPECT_TRUE(ui::testing::shownDialogs().isEmpty());
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(DocumentTest, FirstStartOpensTheSampleLibrary) {
    store::setProgramFolder(QStringLiteral(MRV_TEST_PROGRAM_DIR));
    // The build's program folder stays as it is: the user's copy is opened.
    browser::MRVDocument* doc = open(QString());
    const QString sample = store::sampleLibraryPath();
    EXPECT_TRUE(sample.startsWith(store::userDataFolder()));
    EXPECT_EQ(instanceSetting("Current Library"), sample);
    EXPECT_EQ(store::GetSetting(store::generalAppName(), "Libraries", "1"), sample + ";Original Morvane");
    EXPECT_EQ(doc->DBFileName(), sample);
    EXPECT_EQ(node(doc, "0 Key")->text(), "Sample Code Library.mdb");
    EXPECT_GT(doc->lstvProcs->count(), 0);
    EXPECT_TRUE(statusText(doc).startsWith("Root: All ("));
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_TRUE(ui::testing::shownDialogs().isEmpty());
}

// An earlier build let the client work on the program folder's sample; the user's copy, made from
// it, replaces it as the current library.
TEST_F(DocumentTest, ACurrentLibraryInTheProgramFolderMovesToTheUsersCopy) {
    ASSERT_TRUE(QFile::copy(makeLibrary("s.mdb"), store::installedSamplePath()));
    browser::MRVDocument* doc = open(store::installedSamplePath());
    EXPECT_EQ(doc->DBFileName(), store::sampleLibraryPath());
    EXPECT_TRUE(doc->DBFileName().startsWith(store::userDataFolder()));
    EXPECT_EQ(instanceSetting("Current Library"), store::sampleLibraryPath());
}

// The keys go to the item list from the start, and again once the tip window has closed.
TEST_F(DocumentTest, TheListHasTheKeyboardAfterStartAndAfterTheTip) {
    store::SaveSetting(store::generalAppName(), "General Properties", "Show Tips at Startup", "1");
    browser::MRVDocument* doc = open(makeLibrary("a.mdb", {category(1, 0, "C")}));
    doc->resize(800, 600);
    doc->show();
    doc->activateWindow();
    QApplication::processEvents();
    auto* tip = doc->findChild<frmTip*>();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(doc->focusWidget(), doc->lstvProcs->currentView());
    tip->cmdOK->click();
    QApplication::processEvents();
    doc->activateWindow();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), doc->lstvProcs->currentView());
}

// Without a width of the user's the tree takes a share of the window, not a fixed width (a saved
// one is kept: see the layout test).
TEST_F(DocumentTest, TheTreesFirstWidthIsAShareOfTheWindow) {
    const QString lib = makeLibrary("a.mdb");
    for (const int width : {700, 1200}) {
        browser::MRVDocument* doc = open(lib);
        doc->resize(width, 600);
        doc->show();
        QApplication::processEvents();
        EXPECT_NEAR(doc->treCats->width(), width * 0.3, 20) << width;
        closeAll();
    }
}

TEST_F(DocumentTest, FailingLibraryBringsTheChooserBackUntilCancel) {
    const QString vanishing = makeLibrary("vanishing.mdb");
    const QString good = makeLibrary("good.mdb");
    for (const QString& lib : {good, vanishing})
        store::AddToRecentList(lib, "G", store::generalAppName(), "Libraries", 20);

    // A first start without a sample library: its path is remembered before the open fails.
    for (bool pickGood : {false, true}) {
        SCOPED_TRACE(pickGood);
        ui::testing::clear();
        closeAll();
        QFile::copy(good, vanishing);
        QStringList initDirs;
        // The first choice is gone before the browser opens it.
        answerChooser(
            [&](frmDBList* list) {
                initDirs << list->InitDir();
                return initDirs.size() == 1 ? vanishing : pickGood ? good : QString();
            },
            [&] { QFile::remove(vanishing); });
        browser::MRVDocument* doc = open(QString());
        EXPECT_EQ(initDirs.size(), 2);
        EXPECT_EQ(boxTitles(), QStringList(2, "Database NOT FOUND!"));
        EXPECT_EQ(initDirs.value(0), store::userDataFolder() + "/Library");
        EXPECT_EQ(doc->DBFileName(), pickGood ? good : QString());
        EXPECT_EQ(instanceSetting("Current Library"), pickGood ? good : store::sampleLibraryPath());
        EXPECT_EQ(doc->treCats->count(), pickGood ? 1 : 0);
    }
}

TEST_F(DocumentTest, OpenCommandReplacesTheLibraryOrKeepsTheOld) {
    const QString first = makeLibrary("first.mdb", {category(1, 0, "One")});
    const QString second = makeLibrary("second.mdb");
    store::AddToRecentList(second, "G", store::generalAppName(), "Libraries", 20);
    browser::MRVDocument* doc = open(first);
    answerChooser([](frmDBList*) { return QString(); });
    doc->dispatchTool("BTN_Open");
    EXPECT_EQ(doc->DBFileName(), first);
    EXPECT_EQ(doc->treCats->count(), 2);

    QString initDir;
    answerChooser([&](frmDBList* list) {
        initDir = list->InitDir();
        return second;
    });
    doc->dispatchTool("BTN_Open");
    EXPECT_EQ(initDir, m_dir.path());
    EXPECT_EQ(doc->DBFileName(), second);
    EXPECT_EQ(doc->treCats->count(), 1);
    EXPECT_EQ(instanceSetting("Current Library"), second);
    EXPECT_EQ(statusText(doc), "Opened Database: " + second + " ");
    EXPECT_FALSE(isOpen(first));  // closed, not left open beside the new one
}

TEST_F(DocumentTest, KeysReachTheToolbar) {
    browser::MRVDocument* doc = open(path("missing.mdb"));
    doc->show();
    ui::testing::clear();
    sound::testing::clear();
    QKeyEvent other(QEvent::KeyPress, Qt::Key_F24, Qt::NoModifier);
    QApplication::sendEvent(doc, &other);
    EXPECT_FALSE(other.isAccepted());
    QKeyEvent open(QEvent::KeyPress, Qt::Key_O, Qt::ControlModifier);  // the open command's key
    QApplication::sendEvent(doc, &open);
    EXPECT_TRUE(open.isAccepted());
    ASSERT_EQ(ui::testing::shownDialogs().size(), 1);
    EXPECT_EQ(ui::testing::shownDialogs()[0].text, "frmDBList");
    EXPECT_EQ(sound::testing::playedFiles().size(), 3);
}

TEST_F(DocumentTest, SettingsAreRestoredPerInstance) {
    // The tree's visibility: see its own test.
    setInstanceSetting("Procedure Listview Style", "1");
    browser::MRVDocument* doc = open(makeLibrary("a.mdb"));
    EXPECT_EQ(doc->lstvProcs->view(), controls::lvwSmallIcon);
    // The work file for category pictures exists and is listed for deletion.
    const QStringList temps = store::GetSettingKeys(store::generalAppName(), "Temp Files");
    ASSERT_FALSE(temps.isEmpty());
    const QString work = store::GetSetting(store::generalAppName(), "Temp Files", temps.last());
    EXPECT_TRUE(QFileInfo(work).fileName().startsWith("MVL"));
    EXPECT_TRUE(store::FileExists(work));
}

TEST_F(DocumentTest, FormatWindowPlacesTreeSplitterAndList) {
    setInstanceSetting("Category Tree Width", "2600");
    browser::MRVDocument* doc = open(makeLibrary("a.mdb"));
    QWidget* area = doc->findChild<QWidget*>("documentArea");
    ASSERT_NE(area, nullptr);
    const auto px = [doc](double twips) { return platform::twipsToPixelsX(twips, doc); };
    // Laid out only once shown: the placeholder size before that would squeeze the tree.
    doc->resize(400, 300);
    doc->show();
    EXPECT_EQ(doc->treCats->width(), px(2600));
    // The area below the bars is what the layout works in.
    const auto layOut = [&](int width, int splitter) {
        doc->picVertSplitter->move(px(splitter), 0);
        area->resize(width, 400);
        doc->FormatWindow();
    };

    layOut(800, 2585);
    const int S = doc->StatusBar1->height(), H = area->height();
    EXPECT_EQ(doc->StatusBar1->geometry(), QRect(0, H - S, 800, S));
    // Tree width 2600 twips: the splitter 15 twips inside it; tree and list one pixel past the edges.
    EXPECT_EQ(doc->picVertSplitter->geometry(), QRect(px(2585), 0, doc->picVertSplitter->width(), H - S));
    EXPECT_EQ(doc->treCats->geometry(), QRect(0, -1, px(2600), H - S + 2));
    const QRect list = doc->lstvProcs->geometry();
    EXPECT_EQ(list, QRect(QPoint(doc->picVertSplitter->geometry().right(), -1), QPoint(799, H - S)));
    EXPECT_EQ(doc->chkShowHideTreeview->y(),
              platform::twipsToPixelsY(platform::pixelsToTwipsY(H - S, doc) + 20, doc));

    layOut(800, 150);  // too near the left edge: moved to 400 twips
    EXPECT_EQ(doc->picVertSplitter->x(), px(400));
    layOut(px(1200), 2585);  // narrow: kept 400 twips from the right edge
    EXPECT_EQ(platform::pixelsToTwipsX(area->width(), doc), 1200);
    EXPECT_EQ(doc->picVertSplitter->x(), px(800));
    layOut(px(390), 2585);  // no place 400 twips from both edges: the splitter stays
    EXPECT_EQ(doc->picVertSplitter->x(), px(2585));

    // Tree hidden: the list takes the whole width, flush with the edges.
    layOut(800, 2585);
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
    doc.StatusBar("Opening Database...");
    EXPECT_EQ(statusText(&doc), "Opening Database... ");
    EXPECT_TRUE(doc.Timer1->isActive());
    EXPECT_EQ(doc.Timer1->interval(), 30000);

    ASSERT_TRUE(QMetaObject::invokeMethod(doc.Timer1, "timeout"));
    EXPECT_EQ(statusText(&doc), "Ready... ");
    EXPECT_EQ(doc.Timer1->interval(), 15000);
    EXPECT_TRUE(doc.Timer1->isActive());

    // The same message again is not written but starts the wait afresh.
    while (doc.Timer1->remainingTime() > 14700) QThread::msleep(5);
    const int left = doc.Timer1->remainingTime();
    doc.StatusBar("Ready...");
    EXPECT_GT(doc.Timer1->remainingTime(), left);  // a running wait only ever shrinks
    EXPECT_EQ(statusText(&doc), "Ready... ");
}

TEST_F(DocumentTest, ShowOffersTheTipOnceAndTerminateSavesOnlyALoadedDocument) {
    const QString lib = makeLibrary("a.mdb");
    const QString startSound = store::programFolder() + "/digital.wav";
    QFile(startSound).open(QIODevice::WriteOnly);
    const auto page = [] {
        return store::GetSetting(instanceApp(), "Toolbars", "Standard Toolbar's Current Page", "<none>");
    };

    // Never shown: nothing saved, and its handle stays with the workspace until the process ends.
    browser::MRVDocument* doc = open(lib);
    const QString layout = doc->userLayoutFile();
    closeAll();
    EXPECT_FALSE(QFile::exists(layout));
    EXPECT_EQ(page(), "<none>");
    EXPECT_TRUE(isOpen(lib));
    for (engine::Database* db : store::sharedWorkspace()->Databases())
        if (db->Name() == lib) db->Close();

    for (const char* tips : {"1", "0"}) {
        SCOPED_TRACE(tips);
        store::SaveSetting(store::generalAppName(), kGeneral, "Show Tips at Startup", tips);
        doc = open(lib);
        EXPECT_FALSE(doc->DocumentIsLoaded());
        sound::testing::clear();
        doc->show();
        EXPECT_TRUE(doc->DocumentIsLoaded());
        EXPECT_EQ(sound::testing::playedFiles(), QStringList{startSound});
        doc->hide();
        doc->show();
        EXPECT_EQ(doc->findChildren<QWidget*>("frmTip").size(), *tips == '1' ? 1 : 0);
        closeAll();
        EXPECT_TRUE(QFile::exists(layout));
        EXPECT_TRUE(layout.startsWith(store::userDataFolder()));
        EXPECT_NE(page(), "<none>");
        EXPECT_FALSE(isOpen(lib));
        EXPECT_TRUE(store::GetSettingKeys(store::generalAppName(), "Temp Files").isEmpty());
    }
}

TEST_F(DocumentTest, LayoutComesFromTheUserThenTheProgramFolder) {
    const QString lib = makeLibrary("a.mdb");
    const auto write = [](const QString& file, const QString& caption, int length = -1) {
        storetest::writeBytes(file,
                              QStringLiteral("MorvaneToolbarLayout 1\ntool BTN_Open caption=\"%1\"\nband "
                                             "Standard kind=toolbar\n  item BTN_Open\nendband\nend\n")
                                  .arg(caption)
                                  .left(length)
                                  .toUtf8());
    };
    const auto caption = [&] {
        const QString text = open(lib)->ActiveBar1->tools()["BTN_Open"]->caption();
        closeAll();
        return text;
    };
    write(store::programFolder() + "/Toolbars.tb", "Installed");
    EXPECT_EQ(caption(), "Installed");
    write(store::userDataFolder() + "/Toolbars.tb", "Mine");
    EXPECT_EQ(caption(), "Mine");
    // A damaged copy of the user's is reported and the installed one used; the user's file stays as
    // it was, not saved over when the document ends.
    const QString mine = store::userDataFolder() + "/Toolbars.tb";
    write(mine, "Mine", 40);
    const QByteArray damaged = storetest::readBytes(mine);
    EXPECT_EQ(caption(), "Installed");
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, "Toolbar Layout");
    EXPECT_TRUE(boxes()[0].text.contains(mine));
    EXPECT_EQ(storetest::readBytes(mine), damaged);
}

TEST_F(DocumentTest, HostsReachTheDocumentByName) {
    const QString lib = makeLibrary("a.mdb", {category(12, 0, "Twelve")});
    setInstanceSetting("Category Tree Current Category", "12 Key");
    setInstanceSetting("Current Library", lib);
    QObject client;
    std::unique_ptr<QWidget> widget(browser::createDocument(nullptr));
    EXPECT_TRUE(widget->setProperty("Client", QVariant::fromValue<QObject*>(&client)));
    EXPECT_EQ(widget->property("Client").value<QObject*>(), &client);
    EXPECT_TRUE(QMetaObject::invokeMethod(widget.get(), "FormatWindow"));
    EXPECT_EQ(widget->property("InstanceType").toInt(), 3);
    EXPECT_EQ(widget->property("DBFileName").toString(), lib);
    EXPECT_EQ(widget->property("CurrentCategoryKey").toInt(), 12);
    EXPECT_FALSE(widget->property("DocumentIsLoaded").toBool());

    auto* doc = static_cast<browser::MRVDocument*>(widget.get());
    QString path = lib;
    engine::Database* handle = doc->database();
    EXPECT_TRUE(doc->ReOpenDB(path, handle));
    EXPECT_EQ(handle, doc->database());
    QString missing = this->path("gone.mdb");
    EXPECT_FALSE(doc->ReOpenDB(missing, handle));
    EXPECT_EQ(handle, nullptr);
    EXPECT_TRUE(doc->DBFileName().isEmpty());
}

}  // namespace
