#include "platform/toolbar.h"

#include "platform/ui.h"
#include "platform_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

using namespace toolbar;
using platformtest::raised;

namespace {

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
    "MorvaneToolbarLayout 1\ntool BTN_Only caption=\"Only\"\nband Lone kind=toolbar\n  item BTN_Only\n"
    "endband\nend\n";

QString bits(std::initializer_list<bool> flags) {
    QString out;
    for (bool f : flags) out += f ? u'1' : u'0';
    return out;
}

QString number(int n) {
    return QString::number(n);
}

// What the user would see, read from the widgets and actions rather than from the layout file,
// so that a round trip compares more than the writer with itself.
QString dump(const Bar& bar) {
    QStringList out;
    auto state = [](const Tool* t) {
        const QImage image = t->picture().pixmap(16, 16).toImage();
        const QString picture = image.isNull() ? QString("none") : QString::number(image.pixel(8, 8), 16);
        return QStringList({t->caption(), t->toolTip(), t->shortcut().toString(), t->pictureName(),
                            t->category(), bits({t->isChecked(), t->isEnabled(), t->isVisible()}),
                            number(t->width()), picture})
            .join('|');
    };
    for (const Tool* t : bar.tools()) out << "tool " + t->name() + " " + t->opens() + " " + state(t);
    for (const Band* b : bar.bands()) {
        out << QStringList({"band " + b->name(), number(int(b->kind())), b->widget()->windowTitle(),
                            bits({b->isVisible()}), number(int(b->dock())), number(int(b->buttonStyle())),
                            number(b->currentPage()), b->pages().join(',')})
                   .join('|');
        for (const Tool* t : b->tools()) out << "  copy " + t->name() + number(t->page()) + state(t);
        for (const QAction* a : b->widget()->actions()) {
            out << QStringList({"  action " + a->objectName(),
                                bits({a->isSeparator(), a->isChecked(), a->isEnabled(), a->isVisible()}),
                                a->text(), a->toolTip(), a->shortcut().toString(),
                                a->menu() ? a->menu()->objectName() : QString()})
                       .join('|');
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
    const platformtest::Raised error = raised(f);
    EXPECT_EQ(error.number, number) << error.description.toStdString();
    EXPECT_TRUE(error.description.contains(fragment)) << error.description.toStdString();
}

class ToolbarTest : public ::testing::Test {
protected:
    void SetUp() override { build(bar); }
    Bar bar;
    Clicks clicks{bar};
};

}  // namespace

TEST_F(ToolbarTest, BarCollectionChangesEveryCopyBandCollectionOnlyItsOwn) {
    Tool* standardEdit = bar.band("Standard")->tools()["BTN_Edit"];
    Tool* popupEdit = bar.band("mnuPopUpProc")->tools()["BTN_Edit"];
    bar.tools()["BTN_Edit"]->setEnabled(false);
    EXPECT_FALSE(standardEdit->isEnabled() || popupEdit->action()->isEnabled());
    popupEdit->setEnabled(true);
    EXPECT_TRUE(popupEdit->action()->isEnabled());
    // The state, not the action: an action off its page is hidden, and hidden actions read as disabled.
    EXPECT_FALSE(standardEdit->isEnabled() || bar.tools()["BTN_Edit"]->isEnabled());
    bar.band("mnuFile")->tools()["BTN_Hide"]->setCaption("E&xit");
    EXPECT_EQ(bar.band("mnuFile")->menu()->actions().last()->text(), "E&xit");
    EXPECT_EQ(bar.tools()["BTN_Hide"]->caption(), "&Hide");
    bar.tools()["BTN_Edit"]->setChecked(true);
    EXPECT_TRUE(popupEdit->action()->isChecked());
    bar.tools()["BTN_Edit"]->setVisible(false);
    EXPECT_FALSE(popupEdit->action()->isVisible());

    // Clicks name the band; the program owns the check mark, so a click does not flip it.
    popupEdit->action()->trigger();
    bar.band("Standard")->toolBar()->findChild<QToolButton*>("BTN_Open")->click();
    EXPECT_EQ(clicks.list, QStringList({"BTN_Edit@mnuPopUpProc", "BTN_Open@Standard"}));
    bar.tools()["BTN_VIEWCATEGORIES"]->setChecked(true);
    bar.band("Standard")->tools()["BTN_VIEWCATEGORIES"]->action()->trigger();
    EXPECT_TRUE(bar.band("Standard")->tools()["BTN_VIEWCATEGORIES"]->action()->isChecked());

    expectLayoutError([&] { bar.tools()["BTN_Nothing"]; }, mrv::errItemNotFound, "BTN_Nothing");
    expectLayoutError([&] { bar.band("mnuPopUpProc")->tools()["BTN_Open"]; }, mrv::errItemNotFound);
    expectLayoutError([&] { bar.band("mnuNothing"); }, mrv::errItemNotFound);
}

TEST_F(ToolbarTest, AcceleratorsFireForVisibleEnabledToolsInShownBands) {
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

TEST_F(ToolbarTest, PagesShowOneSetOfToolsAtATime) {
    Band* standard = bar.band("Standard");
    QList<int> pages;
    QObject::connect(&bar, &Bar::pageChanged, [&](const QString&, int page) { pages << page; });
    auto shown = [&](const char* tool) { return standard->tools()[tool]->action()->isVisible(); };
    QAction* separator = standard->toolBar()->findChild<QAction*>("Standard_Separator3");
    ASSERT_TRUE(separator);
    EXPECT_TRUE(shown("BTN_Open"));
    EXPECT_FALSE(shown("BTN_Edit") || separator->isVisible());
    standard->setCurrentPage(1);
    EXPECT_FALSE(shown("BTN_Open"));
    EXPECT_TRUE(shown("BTN_Edit") && separator->isVisible());
    standard->setCurrentPage(99);
    EXPECT_EQ(standard->currentPage(), 3);
    standard->setCurrentPage(-4);
    // A tool hidden by its state stays hidden on its own page; the user's tab click is reported.
    bar.tools()["BTN_VIEWCATEGORIES"]->setVisible(false);
    standard->toolBar()->findChild<QTabBar*>("Standard_Pages")->setCurrentIndex(2);
    EXPECT_FALSE(shown("BTN_VIEWCATEGORIES"));
    EXPECT_EQ(pages, QList<int>({1, 3, 0, 2}));
}

TEST_F(ToolbarTest, LayoutFileRoundTripKeepsEveryState) {
    QTemporaryDir dir;
    QPixmap green(16, 16), red(16, 16);
    green.fill(Qt::green);
    red.fill(Qt::red);
    ASSERT_TRUE(QDir(dir.path()).mkpath("pics") && green.save(dir.filePath("pics/new.png")));
    registerPicture("open", QIcon(red));
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

    // Written by hand: byte-order mark, CRLF, comments, defaults, and copies that inherit their tool.
    loaded.loadLayoutText(
        "\xEF\xBB\xBFMorvaneToolbarLayout 1\r\n# by hand\r\n\r\n"
        "tool BTN_CLOSE caption=\"E&xit\" enabled=0 shortcut=\"Ctrl+S\"\r\n"
        "band Standard kind=toolbar style=both\r\n\titem BTN_CLOSE caption=\"&Close\"\r\n"
        "endband\r\nend\r\n");
    const Band* standard = loaded.band("Standard");
    EXPECT_TRUE(standard->isVisible());
    EXPECT_EQ(standard->dock(), Dock::Top);
    EXPECT_EQ(standard->toolBar()->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    EXPECT_EQ(standard->tools()["BTN_CLOSE"]->action()->text(), "&Close");
    EXPECT_EQ(standard->tools()["BTN_CLOSE"]->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_FALSE(standard->tools()["BTN_CLOSE"]->action()->isEnabled());
}

namespace {

QByteArray repeated(const QByteArray& text, int times) {
    return text.repeated(times);
}

QByteArray numbered(const char* line, int times) {
    QByteArray text;
    for (int i = 0; i < times; ++i) text += QString::fromLatin1(line).arg(i).toLatin1();
    return text;
}

// A menu bar whose menu opens a submenu that opens the next, levels deep.
QByteArray deepMenus(int levels) {
    QByteArray text;
    for (int i = 0; i < levels; ++i)
        text += "tool M" + QByteArray::number(i) + " kind=menu opens=S" + QByteArray::number(i) + "\n";
    text += "band Bar kind=menubar\n  item M0\nendband\n";
    for (int i = 0; i < levels; ++i) {
        text += "band S" + QByteArray::number(i) + " kind=submenu\n";
        if (i + 1 < levels) text += "  item M" + QByteArray::number(i + 1) + "\n";
        text += "endband\n";
    }
    return text + "end\n";
}

}  // namespace

TEST_F(ToolbarTest, CutDamagedOrForeignLayoutIsRefusedAndTheOldOneKept) {
    bar.band("mnuFile")->tools()["BTN_Hide"]->setCaption("E&xit \"now\"");
    const QByteArray full = bar.layoutText();
    const QString fullDump = dump(bar);
    Bar small;
    small.loadLayoutText(kSmallLayout);
    const QString smallDump = dump(small);
    int loaded = 0;
    for (qsizetype length = 0; length < full.size(); ++length) {
        try {
            small.loadLayoutText(full.left(length));
            ++loaded;
            EXPECT_EQ(length, full.size() - 1) << "a file cut at " << length << " loaded";
            EXPECT_EQ(dump(small), fullDump);
            small.loadLayoutText(kSmallLayout);
        } catch (const mrv::Error& e) {
            EXPECT_EQ(e.number(), errLayoutFormat);
            EXPECT_EQ(dump(small), smallDump) << "cut at " << length;
        }
    }
    EXPECT_EQ(loaded, 1);  // only the file without its last line break

    const QByteArray head = "MorvaneToolbarLayout 1\n";
    const struct {
        QByteArray text;
        const char* fragment;
    } cases[] = {
        {"", "empty"},
        {"\x89PNG\r\n\x1a\n\0\0\0\rIHDR", "not a toolbar layout"},
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
        {head + "tool M kind=menu opens=T\nband T\n  item M\nendband\nend\n", "no menu band"},
        {head + "tool M kind=menu opens=P\nband P kind=popup\n  item M\nendband\nend\n", "opens itself"},
        {head + "band T page=1\n  page \"One\"\nendband\nend\n", "no page 1"},
        {head + "tool A caption=\"\xff\"\nend\n", "UTF-8"},
        {head + "tool A caption=\"a\x02\"\nend\n", "control character"},
        {head + "end\ntool A\n", "after the end"},
        {head + "band T\n" + repeated("  page \"P\"\n", 65) + "endband\nend\n", "more than 64 pages"},
        // Deep and wide layouts within the size limit stop at the first line past a limit.
        {head + deepMenus(11), "nested more than 10 deep"},
        {head + deepMenus(37400), "more than 1000 tools"},
        {head + repeated("band B\nendband\n", 32000) + "end\n", "more than 100 bands"},
        {head + "tool A\nband B\n" + repeated("  separator\n", 4001) + "endband\nend\n", "4000 items"},
        {head + numbered("tool T%1\n", 1001) + "end\n", "1000 tools"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("Toolbars.tb");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(80).toStdString());
        platformtest::writeFile(path, c.text);
        expectLayoutError([&] { bar.loadLayout(path); }, errLayoutFormat, c.fragment);
        EXPECT_EQ(dump(bar), fullDump);
    }
    Bar deep;
    EXPECT_NO_THROW(deep.loadLayoutText("MorvaneToolbarLayout 1\n" + deepMenus(9)));
    expectLayoutError([&] { bar.loadLayout(dir.filePath("none.tb")); }, mrv::errFileNotFound);
    expectLayoutError([&] { bar.saveLayout(dir.filePath("no/such/folder.tb")); }, mrv::errCantOpen);
}

TEST_F(ToolbarTest, InAMainWindowBandsDockHideAndPopUp) {
    ui::testing::enableRecording();
    QMainWindow window;
    auto* central = new QWidget;
    bar.attach(&window, central);
    window.show();
    EXPECT_EQ(window.centralWidget(), central);
    EXPECT_EQ(window.menuBar(), bar.band("mnuMain")->menuBar());
    EXPECT_EQ(bar.band("mnuPopUpProc")->menu()->parentWidget(), &window);
    QToolBar* toolBar = bar.band("Standard")->toolBar();
    QStringList changes;
    QObject::connect(&bar, &Bar::layoutChanged, [&](const QString& band) { changes << band; });
    bar.band("Standard")->setDock(Dock::Right);
    EXPECT_EQ(window.toolBarArea(toolBar), Qt::RightToolBarArea);
    bar.band("mnuMain")->setVisible(false);
    EXPECT_TRUE(window.menuBar()->isHidden());
    EXPECT_EQ(changes, QStringList({"Standard", "mnuMain"}));

    bar.showBandsDialog(&window);
    auto* dialog = window.findChild<QDialog*>("frmBands");
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->findChild<QCheckBox*>("chkmnuPopUpProc"));
    auto* standard = dialog->findChild<QCheckBox*>("chkStandard");
    ASSERT_TRUE(standard && standard->isChecked());
    standard->click();
    EXPECT_TRUE(toolBar->isHidden());
    bar.band("Standard")->setVisible(true);
    EXPECT_TRUE(standard->isChecked());
    toolBar->toggleViewAction()->trigger();  // the window's own menu
    EXPECT_FALSE(bar.band("Standard")->isVisible() || standard->isChecked());

    // Popups open without waiting while the seam records.
    QStringList opened;
    QObject::connect(&bar, &Bar::bandOpened, [&](const QString& band) { opened << band; });
    bar.popupMenu("mnuPopUpProc", window.mapToGlobal(QPoint(20, 20)));
    QMenu* menu = bar.band("mnuPopUpProc")->menu();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(opened, QStringList({"mnuPopUpProc"}));
    menu->findChild<QAction*>("BTN_DELETE")->trigger();
    EXPECT_EQ(clicks.list, QStringList({"BTN_DELETE@mnuPopUpProc"}));
    menu->hide();
    expectLayoutError([&] { bar.popupMenu("Standard"); }, errToolbarDefinition);

    // A new layout replaces the old bands in the window and in the dialog.
    bar.loadLayoutText(kSmallLayout);
    EXPECT_EQ(window.findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    EXPECT_FALSE(window.findChild<QMenuBar*>("mnuMain"));
    EXPECT_TRUE(dialog->findChild<QCheckBox*>("chkLone") && !dialog->findChild<QCheckBox*>("chkStandard"));
    dialog->findChild<QPushButton*>("cmdClose")->click();
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ToolbarTest, InAPlainWidgetBandsSurroundTheContent) {
    QWidget host;
    auto* content = new QWidget;
    bar.attach(&host, content);
    bar.band("Standard")->setDock(Dock::Left);
    host.resize(500, 300);
    host.show();
    QApplication::processEvents();
    const QToolBar* left = bar.band("Standard")->toolBar();
    EXPECT_EQ(left->orientation(), Qt::Vertical);
    EXPECT_LT(left->geometry().right(), content->geometry().left());
    EXPECT_LT(bar.band("mnuMain")->menuBar()->geometry().bottom(), content->geometry().top());
    QWidget laidOut;
    new QVBoxLayout(&laidOut);
    expectLayoutError([&] { Bar().attach(&laidOut); }, errToolbarDefinition, "layout");
}

TEST_F(ToolbarTest, DefinitionsThatCannotWorkAreRefused) {
    expectLayoutError([&] { bar.defineTool("BTN_Open"); }, errToolbarDefinition, "taken");
    expectLayoutError([&] { bar.defineTool("BTN Open"); }, errToolbarDefinition, "valid");
    expectLayoutError([&] { bar.addBand("Standard", BandKind::Popup); }, errToolbarDefinition);
    expectLayoutError([&] { bar.addBand("Second", BandKind::MenuBar); }, errToolbarDefinition);
    expectLayoutError([&] { bar.band("mnuFile")->addTool("BTN_CATEGORY"); }, errToolbarDefinition, "combo");
    expectLayoutError([&] { bar.band("mnuFile")->addTool("BTN_Open"); }, errToolbarDefinition, "already");
    expectLayoutError([&] { bar.band("Standard")->addTool("BTN_Hide", 4); }, errToolbarDefinition);
    expectLayoutError([&] { bar.band("mnuFile")->addPage("One"); }, errToolbarDefinition);
    // A cycle through a second menu.
    bar.defineMenuTool("BTN_MORE", "More", "mnuMore");
    bar.addBand("mnuMore", BandKind::SubMenu)->addTool("BTN_FILE");
    expectLayoutError([&] { bar.band("mnuFile")->addTool("BTN_MORE"); }, errToolbarDefinition, "itself");

    Layout bad = bar.layout();
    bad.bands[0].items.append(ItemDef{"BTN_Unknown", 0, {}});
    const QString before = dump(bar);
    expectLayoutError([&] { bar.setLayout(bad); }, errToolbarDefinition, "BTN_Unknown");
    EXPECT_EQ(dump(bar), before);
}
