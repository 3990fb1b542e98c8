#include "ide_fixture.h"

#include "ide/addin_manager.h"

#include <QClipboard>
#include <QMenu>
#include <QTableWidget>
#include <QToolBar>

using idetest::IdeTest;
using idetest::raised;

namespace {

using ObjectModelTest = IdeTest;

TEST_F(ObjectModelTest, UnknownNamesIndexesOutOfRangeAndGoneObjectsRaise) {
    ide::Project* project = vbe()->newProject("P");
    ide::Control* gone = vbe()->bar("Help")->addCommand("x", {});
    gone->Delete();
    ide::CommandBarControls* help = vbe()->bar("Help")->Controls();
    const int count = help->Count();
    const struct {
        const char* what;
        std::function<void()> call;
        int number;
    } cases[] = {
        {"bar by unknown name", [&] { vbe()->CommandBars()->Item("Nope"); }, ide::errInvalidArgument},
        {"bar 0", [&] { vbe()->CommandBars()->Item(0); }, ide::errSubscriptOutOfRange},
        {"bar past the end", [&] { vbe()->CommandBars()->Item(vbe()->CommandBars()->Count() + 1); },
         ide::errSubscriptOutOfRange},
        {"control 0", [&] { help->Item(0); }, ide::errSubscriptOutOfRange},
        {"add before 0", [&] { help->Add(ide::ControlButton, 0); }, ide::errInvalidArgument},
        {"add past the end + 1", [&] { help->Add(ide::ControlButton, count + 2); }, ide::errInvalidArgument},
        {"add another type", [&] { help->Add(2); }, ide::errInvalidArgument},
        {"add-in by unknown ProgID", [&] { vbe()->Addins()->Item("No.Such"); }, ide::errInvalidArgument},
        {"project by unknown name", [&] { vbe()->VBProjects()->Item("Q"); }, ide::errInvalidArgument},
        {"component 1 of none", [&] { project->VBComponents()->Item(1); }, ide::errSubscriptOutOfRange},
        {"file name 2", [&] { project->addNew(ide::FileModule)->FileNames(2); }, ide::errSubscriptOutOfRange},
        {"deleted control's index", [&] { gone->Index(); }, ide::errObjectRequired},
        {"deleted control's bar", [&] { gone->Parent(); }, ide::errObjectRequired},
        {"events of no control", [&] { vbe()->Events()->CommandBarEvents(nullptr); }, ide::errObjectRequired},
        {"events of a deleted control", [&] { vbe()->Events()->CommandBarEvents(gone); },
         ide::errObjectRequired},
        {"face from an empty clipboard",
         [&] { QApplication::clipboard()->clear(), help->Item(1)->PasteFace(); }, ide::errInvalidArgument},
    };
    for (const auto& c : cases) EXPECT_EQ(raised(c.call).number, c.number) << c.what;
    EXPECT_EQ(help->Count(), count) << "nothing was added by the failed calls";
    EXPECT_EQ(vbe()->VBProjects()->Item("p"), project) << "names compare without case";
}

// Controls go where Add and moves put them; the menus and toolbars show them with a separator
// before each group; a click reaches the control's event sinks before the IDE's own command.
TEST_F(ObjectModelTest, ControlsAreAddedMovedAndDeletedAndTheBarsShowThem) {
    ide::Bar* help = vbe()->bar("Help");
    ide::Bar* code = vbe()->bar("Code");
    ASSERT_EQ(captions("Help"), (QStringList{"&Keyboard Shortcuts", "&About Morvane IDE"}));
    auto* a = static_cast<ide::Control*>(help->Controls()->Add(ide::ControlButton, 2));
    a->setCaption("A");
    a->setBeginGroup(true);
    auto* b = static_cast<ide::Control*>(help->Controls()->Add(ide::ControlButton));
    b->setCaption("B");
    EXPECT_EQ(captions("Help"), (QStringList{"&Keyboard Shortcuts", "|A", "&About Morvane IDE", "B"}));
    EXPECT_EQ(a->Index(), 2);
    auto* menu = qobject_cast<QMenu*>(window->barWidget(help));
    ASSERT_NE(menu, nullptr);
    QStringList shown;
    for (const QAction* action : menu->actions()) shown << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(shown, (QStringList{"&Keyboard Shortcuts", "-", "A", "&About Morvane IDE", "B"}));

    a->moveTo(code, 2);
    EXPECT_EQ(a->Parent(), code);
    EXPECT_EQ(a->Index(), 2);
    EXPECT_TRUE(window->barWidget(code)->actions().contains(a->action()));
    EXPECT_FALSE(menu->actions().contains(a->action()));
    b->moveTo(help, 1);
    EXPECT_EQ(captions("Help"), (QStringList{"B", "&Keyboard Shortcuts", "&About Morvane IDE"}));
    EXPECT_EQ(raised([&] { b->moveTo(help, 4); }).number, ide::errInvalidArgument);
    EXPECT_EQ(b->Index(), 1) << "a refused move leaves the control where it was";

    QStringList heard;
    QObject::connect(vbe()->Events()->CommandBarEvents(b), &ide::CommandBarEventSource::Click,
                     [&](ide::CommandBarControl* c) { heard << "click " + c->Caption(); });
    b->setCommand([&] { heard << "command"; });
    b->action()->trigger();
    EXPECT_EQ(heard, (QStringList{"click B", "command"}));

    b->Delete();
    settle();
    EXPECT_EQ(captions("Help"), (QStringList{"&Keyboard Shortcuts", "&About Morvane IDE"}));
    EXPECT_EQ(menu->actions().size(), 2);

    code->setVisible(false);
    EXPECT_TRUE(window->barWidget(code)->isHidden());
    static_cast<QToolBar*>(window->barWidget(code))->toggleViewAction()->trigger();
    EXPECT_TRUE(code->Visible()) << "the user showing the toolbar shows the bar";
}

// A tool window is the add-in's: dropping it destroys the dock and the document in it. Its
// placement is remembered under its position identifier and given back to the next one.
TEST_F(ObjectModelTest, ToolWindowsGoWithTheirReferenceAndKeepTheirPlacement) {
    connectAddIn();
    window->show();
    const QString id = "{00000000-1111-2222-3333-444444444444}";
    QObject* document = nullptr;
    std::shared_ptr<ide::Window> held =
        vbe()->Windows()->CreateToolWindow(entry(), ide::Connect::kDocumentProgId, "T", id, document);
    ASSERT_NE(document, nullptr);
    auto* dock = static_cast<ide::ToolWindow*>(held.get())->dock();
    EXPECT_FALSE(held->Visible()) << "created hidden";
    EXPECT_EQ(dock->objectName(), id);
    held->setVisible(true);
    EXPECT_TRUE(held->Visible());
    EXPECT_EQ(window->dockWidgetArea(dock), Qt::RightDockWidgetArea) << "the first placement";
    window->addDockWidget(Qt::BottomDockWidgetArea, dock);

    const QPointer<QObject> watchDocument(document);
    const QPointer<QDockWidget> watchDock(dock);
    held.reset();
    EXPECT_TRUE(watchDocument.isNull());
    EXPECT_TRUE(watchDock.isNull());

    held = vbe()->Windows()->CreateToolWindow(entry(), ide::Connect::kDocumentProgId, "T", id, document);
    EXPECT_EQ(window->dockWidgetArea(static_cast<ide::ToolWindow*>(held.get())->dock()),
              Qt::BottomDockWidgetArea);

    // One the add-in fails to release goes when the add-in is disconnected.
    const QPointer<QObject> leaked(document);
    disconnectAddIn();
    EXPECT_TRUE(leaked.isNull());
    EXPECT_EQ(raised([&] { held->Visible(); }).number, ide::errObjectRequired);

    EXPECT_EQ(
        raised([&] { vbe()->Windows()->CreateToolWindow(entry(), "No.Class", "T", id, document); }).number,
        ide::errObjectRequired)
        << "a disconnected add-in cannot create one";
    connectAddIn();
    const int docks = window->findChildren<QDockWidget*>().size();
    EXPECT_EQ(
        raised([&] { vbe()->Windows()->CreateToolWindow(entry(), "No.Class", "T", id, document); }).number,
        dochost::errClassNotRegistered);
    EXPECT_EQ(window->findChildren<QDockWidget*>().size(), docks) << "no dock is left behind";
}

// "1" connects at start, "0" only lists; the manager connects, disconnects and writes the choice.
TEST_F(ObjectModelTest, TheAddInListDecidesWhatLoadsAndTheManagerChangesIt) {
    idetest::writeBytes(store::addInListPath(), "[Add-Ins32]\nOther.AddIn=1\nMorvane.Connect=0\nBroken=1\n");
    window->startAddIns();
    ASSERT_EQ(vbe()->addIns().size(), 3);
    EXPECT_FALSE(entry()->isConnected());
    EXPECT_TRUE(captions("Add-Ins").size() == 1) << "nothing of Morvane yet";
    EXPECT_EQ(boxTitles(), (QStringList{"Morvane IDE", "Morvane IDE"})) << "the two unknown classes are told";
    EXPECT_TRUE(boxes()[0].text.contains("Other.AddIn"));
    ui::testing::clear();

    ui::testing::setFormHandler("AddInManager", [](QWidget* form) {
        auto* manager = static_cast<ide::AddInManager*>(form);
        manager->tblAddIns->item(1, ide::AddInManager::LoadedColumn)->setCheckState(Qt::Checked);
        manager->tblAddIns->item(1, ide::AddInManager::StartupColumn)->setCheckState(Qt::Checked);
        manager->apply();
        return 1;
    });
    vbe()->bar("Add-Ins")->controls()[0]->action()->trigger();
    EXPECT_TRUE(entry()->isConnected());
    EXPECT_EQ(captions("Add-Ins").last(), ide::Connect::kCaption);
    EXPECT_EQ(
        platform::GetPrivateProfileString("Add-Ins32", "Morvane.Connect", "", 10, store::addInListPath()),
        "1");
    EXPECT_EQ(platform::GetPrivateProfileString("Add-Ins32", "Other.AddIn", "", 10, store::addInListPath()),
              "1")
        << "the others keep their entries";

    window->close();
    EXPECT_FALSE(entry()->isConnected()) << "closing the IDE disconnects";
    EXPECT_EQ(captions("Add-Ins").size(), 1);
    ui::testing::setFormHandler("AddInManager", {});
}

}  // namespace
