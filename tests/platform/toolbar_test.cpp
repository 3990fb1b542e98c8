#include "platform/toolbar.h"

#include "platform/ui.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

using namespace toolbar;

namespace {

QIcon square(Qt::GlobalColor color) {
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

// The browser's bands in small: a menu bar opening a File menu, a toolbar with four pages and a
// popup menu; BTN_Open and BTN_Edit stand in several bands.
void build(Bar& bar) {
    bar.defineMenuTool("BTN_FILE", "&File", "mnuFile");
    bar.defineTool("BTN_Open", "&Open...")->setShortcut(QKeySequence("Ctrl+O"));
    bar.defineTool("BTN_Edit", "&Edit")->setShortcut(QKeySequence("Ctrl+E"));
    bar.defineTool("BTN_DELETE", "&Delete")->setShortcut(QKeySequence(Qt::Key_Delete));
    bar.defineTool("BTN_VIEWCATEGORIES", "&Categories");
    bar.defineTool("BTN_Hide", "&Hide");
    bar.defineComboTool("BTN_CATEGORY", "Category", 150);

    bar.addBand("mnuMain", BandKind::MenuBar, "Menu Bar")->addTool("BTN_FILE");
    Band* file = bar.addBand("mnuFile", BandKind::SubMenu, "File");
    file->addTool("BTN_Open");
    file->addSeparator();
    file->addTool("BTN_Hide");
    Band* standard = bar.addBand("Standard", BandKind::ToolBar, "Standard");
    for (const char* page : {"Library", "Edit", "View", "Category"}) standard->addPage(page);
    standard->addTool("BTN_Open", 0);
    standard->addTool("BTN_Edit", 1);
    standard->addTool("BTN_DELETE", 1);
    standard->addSeparator(1);
    standard->addTool("BTN_VIEWCATEGORIES", 2);
    standard->addTool("BTN_CATEGORY", 3);
    Band* popup = bar.addBand("mnuPopUpProc", BandKind::Popup, "Item");
    popup->addTool("BTN_Edit");
    popup->addTool("BTN_DELETE");
}

const QByteArray kSmallLayout =
    "MorvaneToolbarLayout 1\n"
    "tool BTN_Only caption=\"Only\"\n"
    "band Lone kind=toolbar\n"
    "  item BTN_Only\n"
    "endband\n"
    "end\n";

// What the user would see, read from the widgets and actions rather than from the layout file,
// so that a round trip compares more than the writer with itself.
QString dump(const Bar& bar) {
    QStringList out;
    auto state = [](const Tool* t) {
        const QImage image = t->picture().pixmap(16, 16).toImage();
        return QStringLiteral("%1|%2|%3|%4|%5|c%6 e%7 v%8 w%9 pic=%10")
            .arg(t->caption(), t->toolTip(), t->shortcut().toString(), t->pictureName(), t->category())
            .arg(t->isChecked())
            .arg(t->isEnabled())
            .arg(t->isVisible())
            .arg(t->width())
            .arg(image.isNull() ? QStringLiteral("none") : QString::number(image.pixel(8, 8), 16));
    };
    for (const Tool* t : bar.tools()) out << "tool " + t->name() + " " + t->opens() + " " + state(t);
    for (const Band* b : bar.bands()) {
        out << QStringLiteral("band %1 %2 [%3] v%4 dock%5 style%6 page%7 [%8]")
                   .arg(b->name())
                   .arg(int(b->kind()))
                   .arg(b->widget()->windowTitle())
                   .arg(b->isVisible())
                   .arg(int(b->dock()))
                   .arg(int(b->buttonStyle()))
                   .arg(b->currentPage())
                   .arg(b->pages().join(','));
        for (const Tool* t : b->tools()) out << "  copy " + t->name() + QString::number(t->page()) + state(t);
        for (const QAction* a : b->widget()->actions()) {
            out << QStringLiteral("  action %1 sep%2 [%3] [%4] %5 c%6 e%7 v%8 menu=%9")
                       .arg(a->objectName())
                       .arg(a->isSeparator())
                       .arg(a->text(), a->toolTip(), a->shortcut().toString())
                       .arg(a->isChecked())
                       .arg(a->isEnabled())
                       .arg(a->isVisible())
                       .arg(a->menu() ? a->menu()->objectName() : QString());
        }
    }
    return out.join('\n');
}

struct Clicks {
    explicit Clicks(Bar& bar) {
        QObject::connect(&bar, &Bar::toolClicked,
                         [this](const QString& tool, const QString& band) { list << tool + "@" + band; });
    }
    QStringList list;
};

void expectLayoutError(const std::function<void()>& f, int number, const QString& fragment = QString()) {
    try {
        f();
        ADD_FAILURE() << "no error";
    } catch (const engine::Error& e) {
        EXPECT_EQ(e.number(), number) << e.what();
        EXPECT_TRUE(e.description().contains(fragment)) << e.what();
    }
}

}  // namespace

TEST(Toolbar, BarCollectionChangesEveryCopyBandCollectionOnlyItsOwn) {
    Bar bar;
    build(bar);
    Tool* standardEdit = bar.band("Standard")->tools()["BTN_Edit"];
    Tool* popupEdit = bar.band("mnuPopUpProc")->tools()["BTN_Edit"];

    bar.tools()["BTN_Edit"]->setEnabled(false);
    EXPECT_FALSE(standardEdit->isEnabled());
    EXPECT_FALSE(popupEdit->action()->isEnabled());

    popupEdit->setEnabled(true);
    EXPECT_TRUE(popupEdit->action()->isEnabled());
    EXPECT_FALSE(standardEdit->action()->isEnabled());
    EXPECT_FALSE(bar.tools()["BTN_Edit"]->isEnabled());

    bar.band("mnuFile")->tools()["BTN_Hide"]->setCaption("E&xit");
    EXPECT_EQ(bar.band("mnuFile")->menu()->actions().last()->text(), "E&xit");
    EXPECT_EQ(bar.tools()["BTN_Hide"]->caption(), "&Hide");

    bar.tools()["BTN_Edit"]->setChecked(true);
    EXPECT_TRUE(standardEdit->action()->isChecked());
    EXPECT_TRUE(popupEdit->action()->isChecked());
    bar.tools()["BTN_Edit"]->setVisible(false);
    EXPECT_FALSE(popupEdit->action()->isVisible());

    expectLayoutError([&] { bar.tools()["BTN_Nothing"]; }, engine::errItemNotFound, "BTN_Nothing");
    expectLayoutError([&] { bar.band("mnuPopUpProc")->tools()["BTN_Open"]; }, engine::errItemNotFound);
    expectLayoutError([&] { bar.band("mnuNothing"); }, engine::errItemNotFound);
}

TEST(Toolbar, ClickReportsToolAndBandAndLeavesTheCheckMarkAlone) {
    Bar bar;
    build(bar);
    Clicks clicks(bar);
    bar.band("Standard")->tools()["BTN_Edit"]->action()->trigger();
    bar.band("mnuPopUpProc")->tools()["BTN_Edit"]->action()->trigger();
    qobject_cast<QToolButton*>(bar.band("Standard")->toolBar()->findChild<QToolButton*>("BTN_Open"))->click();
    EXPECT_EQ(clicks.list, QStringList({"BTN_Edit@Standard", "BTN_Edit@mnuPopUpProc", "BTN_Open@Standard"}));

    Tool* categories = bar.band("Standard")->tools()["BTN_VIEWCATEGORIES"];
    categories->setChecked(true);
    categories->action()->trigger();
    EXPECT_TRUE(categories->isChecked());
    EXPECT_TRUE(categories->action()->isChecked());
    categories->setChecked(false);
    categories->action()->trigger();
    EXPECT_FALSE(categories->action()->isChecked());
}

TEST(Toolbar, AcceleratorsFireForVisibleEnabledToolsInShownBands) {
    Bar bar;
    build(bar);
    Clicks clicks(bar);
    const QKeyCombination ctrlO(Qt::ControlModifier, Qt::Key_O);

    EXPECT_TRUE(bar.handleKey(ctrlO));
    EXPECT_TRUE(bar.handleKey(ctrlO, false));  // the release is claimed but clicks nothing
    EXPECT_EQ(clicks.list, QStringList({"BTN_Open@mnuFile"}));
    EXPECT_FALSE(bar.handleKey(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_O)));
    EXPECT_FALSE(bar.handleKey(QKeyCombination(Qt::ControlModifier, Qt::Key_Control)));

    // The menu's copy disabled, the toolbar's still answers; with the toolbar hidden nothing does.
    bar.band("mnuFile")->tools()["BTN_Open"]->setEnabled(false);
    EXPECT_TRUE(bar.handleKey(ctrlO));
    EXPECT_EQ(clicks.list.last(), "BTN_Open@Standard");
    bar.band("Standard")->setVisible(false);
    EXPECT_FALSE(bar.handleKey(ctrlO));
    bar.band("Standard")->setVisible(true);

    // The keypad's Delete is Delete; a tool on another page of a shown toolbar still has its key.
    const QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::KeypadModifier);
    EXPECT_TRUE(bar.handleKeyEvent(&del));
    EXPECT_EQ(clicks.list.last(), "BTN_DELETE@Standard");
    bar.tools()["BTN_DELETE"]->setVisible(false);
    EXPECT_FALSE(bar.handleKeyEvent(&del));
    EXPECT_EQ(clicks.list.size(), 3);
}

TEST(Toolbar, PagesShowOneSetOfToolsAtATime) {
    Bar bar;
    build(bar);
    Band* standard = bar.band("Standard");
    QList<int> pages;
    QObject::connect(&bar, &Bar::pageChanged, [&](const QString& band, int page) {
        EXPECT_EQ(band, "Standard");
        pages << page;
    });
    auto shown = [&](const char* tool) { return standard->tools()[tool]->action()->isVisible(); };
    QAction* separator = standard->toolBar()->findChild<QAction*>("Standard_Separator3");
    ASSERT_TRUE(separator);

    EXPECT_TRUE(shown("BTN_Open"));
    EXPECT_FALSE(shown("BTN_Edit"));
    EXPECT_FALSE(separator->isVisible());
    standard->setCurrentPage(1);
    EXPECT_FALSE(shown("BTN_Open"));
    EXPECT_TRUE(shown("BTN_Edit"));
    EXPECT_TRUE(separator->isVisible());
    standard->setCurrentPage(1);
    standard->setCurrentPage(99);
    EXPECT_EQ(standard->currentPage(), 3);
    EXPECT_TRUE(shown("BTN_CATEGORY"));
    standard->setCurrentPage(-4);

    // A tool hidden by its state stays hidden on its own page; the user's tab click is reported.
    bar.tools()["BTN_VIEWCATEGORIES"]->setVisible(false);
    standard->toolBar()->findChild<QTabBar*>("Standard_Pages")->setCurrentIndex(2);
    EXPECT_EQ(standard->currentPage(), 2);
    EXPECT_FALSE(shown("BTN_VIEWCATEGORIES"));
    EXPECT_EQ(pages, QList<int>({1, 3, 0, 2}));

    expectLayoutError([&] { standard->addTool("BTN_Hide", 4); }, errToolbarDefinition);
    expectLayoutError([&] { bar.band("mnuFile")->addPage("One"); }, errToolbarDefinition);
}

TEST(Toolbar, LayoutFileRoundTripKeepsEveryState) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("pics");
    QPixmap green(16, 16);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(dir.filePath("pics/new.png")));
    registerPicture("open", square(Qt::red));

    Bar bar;
    build(bar);
    bar.setPictureFolder(dir.path());
    bar.tools()["BTN_Open"]->setPicture("builtin:open");
    bar.tools()["BTN_Edit"]->setPicture("pics/new.png");
    bar.tools()["BTN_Edit"]->setToolTip("Edit \"this\" item\\now\nplease\x01, ünïcode ✓");
    bar.tools()["BTN_DELETE"]->setCategory("Items");
    bar.tools()["BTN_Hide"]->setPicture("pics/missing.png");
    bar.band("mnuFile")->tools()["BTN_Hide"]->setCaption("E&xit");
    bar.band("mnuPopUpProc")->tools()["BTN_Edit"]->setEnabled(false);
    bar.band("Standard")->tools()["BTN_VIEWCATEGORIES"]->setChecked(true);
    bar.band("Standard")->tools()["BTN_Open"]->setShortcut(QKeySequence("F3"));
    bar.band("Standard")->tools()["BTN_CATEGORY"]->setWidth(90);
    bar.band("Standard")->setCurrentPage(2);
    bar.band("Standard")->setDock(Dock::Left);
    bar.band("Standard")->setButtonStyle(ButtonStyle::IconAndText);
    bar.band("mnuMain")->setVisible(false);
    bar.addBand("Empty", BandKind::ToolBar, "");

    const QString path = dir.filePath("Toolbars.tb");
    bar.saveLayout(path);
    Bar loaded;
    QStringList changes;
    QObject::connect(&loaded, &Bar::layoutChanged, [&](const QString& band) { changes << band; });
    loaded.loadLayout(path);
    EXPECT_EQ(dump(loaded), dump(bar));
    EXPECT_EQ(loaded.layoutText(), bar.layoutText());
    EXPECT_FALSE(loaded.tools()["BTN_Edit"]->picture().isNull());
    EXPECT_EQ(changes, QStringList({QString()}));
}

TEST(Toolbar, CutShortLayoutIsRefusedAndTheOldOneKept) {
    Bar source;
    build(source);
    source.band("mnuFile")->tools()["BTN_Hide"]->setCaption("E&xit \"now\"");
    const QByteArray full = source.layoutText();
    const QString fullDump = dump(source);

    Bar bar;
    bar.loadLayoutText(kSmallLayout);
    const QString smallDump = dump(bar);
    int loaded = 0;
    for (qsizetype length = 0; length < full.size(); ++length) {
        try {
            bar.loadLayoutText(full.left(length));
            ++loaded;
            EXPECT_EQ(length, full.size() - 1) << "a file cut at " << length << " loaded";
            EXPECT_EQ(dump(bar), fullDump);
            bar.loadLayoutText(kSmallLayout);
        } catch (const engine::Error& e) {
            EXPECT_EQ(e.number(), errLayoutFormat);
            EXPECT_EQ(dump(bar), smallDump) << "cut at " << length;
        }
    }
    EXPECT_EQ(loaded, 1);  // only the file without its last line break
}

TEST(Toolbar, DamagedOrForeignLayoutIsRefusedAndTheOldOneKept) {
    const QByteArray head = "MorvaneToolbarLayout 1\n";
    const QByteArray menuBand = "band P kind=popup\nendband\n";
    const struct {
        QByteArray text;
        const char* fragment;
    } cases[] = {
        {"", "empty"},
        {"\x89PNG\r\n\x1a\n\0\0\0\rIHDR", "not a toolbar layout"},
        {"[InternetShortcut]\nURL=http://example.com/\n", "not a toolbar layout"},
        {"MorvaneToolbarLayout 2\nend\n", "newer version"},
        {"MorvaneToolbarLayout one\nend\n", "header"},
        {head + "tool A\nwidget B\nend\n", "line 3"},
        {head + "tool A caption=\"unended\nend\n", "does not end"},
        {head + "tool A caption=\"a\\qb\"\nend\n", "escape"},
        {head + "tool A caption=\"a\"b\nend\n", "blank"},
        {head + "tool A checked=2\nend\n", "0 or 1"},
        {head + "tool A colour=red\nend\n", "colour"},
        {head + "tool A shortcut=\"Ctrl+Nothing\"\nend\n", "key combination"},
        {head + "tool A\ntool A\nend\n", "twice"},
        {head + "band B\n  item A\nendband\nend\n", "not defined"},
        {head + "band B\nband C\nendband\nend\n", "endband"},
        {head + "band B kind=menubar\nendband\nband C kind=menubar\nendband\nend\n",
         "more than one menu bar"},
        {head + "tool M kind=menu opens=T\nband T\n  item M\nendband\nend\n", "no menu band"},
        {head + "tool M kind=menu opens=P\n" + "band P kind=popup\n  item M\nendband\nend\n", "opens itself"},
        {head + "tool C kind=combo\n" + menuBand + "band Q kind=popup\n  item C\nendband\nend\n", "combo"},
        {head + "band T page=1\n  page \"One\"\nendband\nend\n", "no page 1"},
        {head + "band P kind=popup\n  page \"One\"\nendband\nend\n", "only toolbars"},
        {head + "tool A caption=\"\xff\"\nend\n", "UTF-8"},
        {head + "tool A caption=\"a\x02\"\nend\n", "control character"},
        {head + "end\ntool A\n", "after the end"},
        {head + "tool A\n", "cut short"},
    };
    QTemporaryDir dir;
    Bar bar;
    build(bar);
    const QString before = dump(bar);
    for (const auto& c : cases) {
        const QString path = dir.filePath("Toolbars.tb");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.text);
        file.close();
        SCOPED_TRACE(c.text.toStdString());
        expectLayoutError([&] { bar.loadLayout(path); }, errLayoutFormat, c.fragment);
        EXPECT_EQ(dump(bar), before);
    }
    expectLayoutError([&] { bar.loadLayout(dir.filePath("none.tb")); }, engine::errFileNotFound);
    expectLayoutError([&] { bar.saveLayout(dir.filePath("no/such/folder.tb")); }, engine::errCantOpen);
    EXPECT_EQ(dump(bar), before);
}

TEST(Toolbar, HandWrittenLayoutTakesDefaultsAndCopiesInheritTheirTool) {
    Bar bar;
    bar.loadLayoutText(
        "\xEF\xBB\xBFMorvaneToolbarLayout 1\r\n"
        "# written by hand\r\n"
        "\r\n"
        "tool BTN_SAVE caption=\" &Save Procedure\" tip=\"Save Procedure\" shortcut=\"Ctrl+S\"\r\n"
        "tool BTN_CLOSE caption=\"E&xit\" enabled=0\r\n"
        "band Standard kind=toolbar style=both\r\n"
        "\titem BTN_SAVE\r\n"
        "\titem BTN_CLOSE caption=\"&Close\" enabled=1\r\n"
        "endband\r\n"
        "end\r\n");
    const Band* standard = bar.band("Standard");
    EXPECT_TRUE(standard->isVisible());
    EXPECT_EQ(standard->dock(), Dock::Top);
    EXPECT_EQ(standard->toolBar()->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    const Tool* save = standard->tools()["BTN_SAVE"];
    EXPECT_EQ(save->action()->text(), " &Save Procedure");
    EXPECT_EQ(save->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(standard->tools()["BTN_CLOSE"]->caption(), "&Close");
    EXPECT_TRUE(standard->tools()["BTN_CLOSE"]->action()->isEnabled());
    EXPECT_FALSE(bar.tools()["BTN_CLOSE"]->isEnabled());
}

TEST(Toolbar, PlacesItsBandsInAMainWindowOrAPlainWidget) {
    QMainWindow window;
    Bar bar(&window);
    build(bar);
    auto* central = new QWidget;
    bar.attach(&window, central);
    EXPECT_EQ(window.centralWidget(), central);
    EXPECT_EQ(window.menuBar(), bar.band("mnuMain")->menuBar());
    QToolBar* standard = bar.band("Standard")->toolBar();
    EXPECT_EQ(window.toolBarArea(standard), Qt::TopToolBarArea);
    QStringList changes;
    QObject::connect(&bar, &Bar::layoutChanged, [&](const QString& band) { changes << band; });
    bar.band("Standard")->setDock(Dock::Right);
    EXPECT_EQ(window.toolBarArea(standard), Qt::RightToolBarArea);
    bar.band("mnuMain")->setVisible(false);
    EXPECT_TRUE(window.menuBar()->isHidden());
    EXPECT_EQ(bar.band("mnuPopUpProc")->menu()->parentWidget(), &window);
    EXPECT_EQ(changes, QStringList({"Standard", "mnuMain"}));

    // A new layout replaces the old bands in the window.
    bar.loadLayoutText(kSmallLayout);
    EXPECT_EQ(window.toolBarArea(bar.band("Lone")->toolBar()), Qt::TopToolBarArea);
    EXPECT_TRUE(window.findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly).size() == 1);
    EXPECT_FALSE(window.findChild<QMenuBar*>("mnuMain"));

    QWidget host;
    Bar embedded;
    build(embedded);
    auto* content = new QWidget;
    embedded.attach(&host, content);
    embedded.band("Standard")->setDock(Dock::Left);
    host.resize(500, 300);
    host.show();
    QApplication::processEvents();
    const QToolBar* left = embedded.band("Standard")->toolBar();
    EXPECT_EQ(left->orientation(), Qt::Vertical);
    EXPECT_LT(left->geometry().right(), content->geometry().left());
    EXPECT_LT(embedded.band("mnuMain")->menuBar()->geometry().bottom(), content->geometry().top());
    embedded.band("Standard")->setDock(Dock::Bottom);
    QApplication::processEvents();
    EXPECT_GT(left->geometry().top(), content->geometry().bottom());

    QWidget laidOut;
    new QVBoxLayout(&laidOut);
    Bar third;
    expectLayoutError([&] { third.attach(&laidOut); }, errToolbarDefinition, "layout");
}

TEST(Toolbar, BandsDialogShowsAndHidesBands) {
    ui::testing::enableRecording();
    QMainWindow window;
    Bar bar;
    build(bar);
    bar.attach(&window, new QWidget);
    window.show();
    bar.showBandsDialog(&window);
    auto* dialog = window.findChild<QDialog*>("frmBands");
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->findChild<QCheckBox*>("chkmnuPopUpProc"));
    auto* standard = dialog->findChild<QCheckBox*>("chkStandard");
    ASSERT_TRUE(standard);
    EXPECT_TRUE(standard->isChecked());

    standard->click();
    EXPECT_FALSE(bar.band("Standard")->isVisible());
    EXPECT_TRUE(bar.band("Standard")->toolBar()->isHidden());
    dialog->findChild<QCheckBox*>("chkmnuMain")->click();
    EXPECT_TRUE(window.menuBar()->isHidden());

    bar.band("Standard")->setVisible(true);
    EXPECT_TRUE(standard->isChecked());
    bar.band("Standard")->toolBar()->toggleViewAction()->trigger();  // the window's own menu
    EXPECT_FALSE(bar.band("Standard")->isVisible());
    EXPECT_FALSE(standard->isChecked());

    bar.loadLayoutText(kSmallLayout);
    EXPECT_TRUE(dialog->findChild<QCheckBox*>("chkLone"));
    EXPECT_FALSE(dialog->findChild<QCheckBox*>("chkStandard"));
    dialog->findChild<QPushButton*>("cmdClose")->click();
    EXPECT_FALSE(dialog->isVisible());
}

TEST(Toolbar, PopupOpensWithoutWaitingWhileRecording) {
    ui::testing::enableRecording();
    QMainWindow window;
    Bar bar;
    build(bar);
    bar.attach(&window);
    window.show();
    QStringList opened;
    QObject::connect(&bar, &Bar::bandOpened, [&](const QString& band) { opened << band; });
    Clicks clicks(bar);

    bar.popupMenu("mnuPopUpProc", window.mapToGlobal(QPoint(20, 20)));
    QMenu* menu = bar.band("mnuPopUpProc")->menu();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(opened, QStringList({"mnuPopUpProc"}));
    menu->findChild<QAction*>("BTN_DELETE")->trigger();
    EXPECT_EQ(clicks.list, QStringList({"BTN_DELETE@mnuPopUpProc"}));
    menu->hide();
    expectLayoutError([&] { bar.popupMenu("Standard"); }, errToolbarDefinition);
}

TEST(Toolbar, DefinitionsThatCannotWorkAreRefused) {
    Bar bar;
    build(bar);
    const QString before = dump(bar);
    expectLayoutError([&] { bar.defineTool("BTN_Open"); }, errToolbarDefinition, "taken");
    expectLayoutError([&] { bar.defineTool("BTN Open"); }, errToolbarDefinition, "valid");
    expectLayoutError([&] { bar.addBand("Standard", BandKind::Popup); }, errToolbarDefinition);
    expectLayoutError([&] { bar.addBand("Second", BandKind::MenuBar); }, errToolbarDefinition);
    expectLayoutError([&] { bar.band("mnuFile")->addTool("BTN_CATEGORY"); }, errToolbarDefinition, "combo");
    expectLayoutError([&] { bar.band("mnuFile")->addTool("BTN_Open"); }, errToolbarDefinition, "already");
    expectLayoutError([&] { bar.band("mnuFile")->addTool("BTN_FILE"); }, errToolbarDefinition, "itself");
    // A cycle through a second menu.
    bar.defineMenuTool("BTN_MORE", "More", "mnuMore");
    Band* more = bar.addBand("mnuMore", BandKind::SubMenu);
    more->addTool("BTN_FILE");
    expectLayoutError([&] { bar.band("mnuFile")->addTool("BTN_MORE"); }, errToolbarDefinition, "itself");

    Layout bad = bar.layout();
    bad.bands[0].items.append(ItemDef{"BTN_Unknown", 0, {}});
    const QString withMore = dump(bar);
    expectLayoutError([&] { bar.setLayout(bad); }, errToolbarDefinition, "BTN_Unknown");
    EXPECT_EQ(dump(bar), withMore);
    EXPECT_NE(withMore, before);
}
