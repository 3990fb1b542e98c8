// The default toolbar layouts and the pictures compiled into the program: they must load, carry
// every tool the browser dispatches, and resolve the same from the resource and the program folder.

#include "platform/toolbar.h"
#include "resources/resources.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>

#include <gtest/gtest.h>

#include <memory>

using namespace toolbar;

namespace {

const QStringList kLayouts = {QStringLiteral("Toolbars.tb"), QStringLiteral("VBToolbars.tb")};

// Every tool the browser's dispatcher, SettingsLoad and SetProcTools name.
const QStringList kRequiredTools =
    QStringLiteral(
        "BTN_Open BTN_New BTN_Edit BTN_DELETE BTN_COPYPROC BTN_OPENFILE BTN_FILEPROPERTIES "
        "BTN_FINDPROCS BTN_CAT_ADDCHILD BTN_CAT_DELCHILD BTN_CLEAR_CAT_IMAGE BTN_Cut BTN_Copy "
        "BTN_Paste BTN_Clear BTN_VIEWCHANGE BTN_View_Icon BTN_View_Small_Icon BTN_View_List "
        "BTN_View_Details BTN_VIEWCATEGORIES BTN_VIEWMENUBAR BTN_VIEWTOOLBAR BTN_PROPERTIES "
        "BTN_HELPCONTENTS BTN_HELPINDEX BTN_TIPOFTHEDAY BTN_ABOUTBOX BTN_WEBSITE BTN_EMAIL_BUGS "
        "BTN_EMAIL_LIBRARY BTN_VB_ADDINS BTN_Hide BTN_COPYTO BTN_NEW_DB BTN_REPLICATE_DB "
        "BTN_SYNC_DBS BTN_REPAIR_COMPACT")
        .split(u' ');

QString programFolder() {
    return QStringLiteral(MRV_TEST_PROGRAM_DIR);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::unique_ptr<Bar> load(const QString& path) {
    initResources();
    auto bar = std::make_unique<Bar>();
    bar->loadLayout(path);
    return bar;
}

QStringList bandsHolding(const Bar& bar, const QString& tool) {
    QStringList out;
    for (const Band* band : bar.bands())
        if (band->tools().find(tool)) out << band->name();
    return out;
}

// The character after the single "&" of a caption, in lower case; a null char when there is none.
QChar accessKey(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&') continue;
        if (caption[i + 1] != u'&') return caption[i + 1].toLower();
        ++i;
    }
    return {};
}

}  // namespace

TEST(ToolbarResources, BothLayoutsLoadTheSameFromTheResourceAndFromTheProgramFolder) {
    for (const QString& name : kLayouts) {
        SCOPED_TRACE(name.toStdString());
        const QString resource = ":/toolbars/" + name;
        const QString copy = programFolder() + "/" + name;
        // The build copies the file; a stale copy would show other menus than the resource.
        ASSERT_FALSE(readAll(resource).isEmpty());
        EXPECT_EQ(readAll(copy), readAll(resource));

        const auto fromResource = load(resource);
        const auto fromFolder = load(copy);
        EXPECT_EQ(fromResource->layoutText(), fromFolder->layoutText());
        for (const Tool* tool : fromFolder->tools()) {
            if (tool->kind() == ToolKind::Button) {
                EXPECT_FALSE(tool->picture().isNull()) << tool->name().toStdString();
            }
        }

        // Moved elsewhere the file still finds its pictures: they are resource paths.
        QTemporaryDir elsewhere;
        ASSERT_TRUE(QFile::copy(copy, elsewhere.filePath(name)));
        const auto moved = load(elsewhere.filePath(name));
        EXPECT_FALSE(moved->tools()["BTN_Open"]->picture().isNull());
    }
}

TEST(ToolbarResources, EveryRequiredToolStandsInABandWithCaptionAndPicture) {
    for (const QString& name : kLayouts) {
        SCOPED_TRACE(name.toStdString());
        const auto bar = load(":/toolbars/" + name);
        for (const QString& toolName : kRequiredTools) {
            SCOPED_TRACE(toolName.toStdString());
            const Tool* tool = bar->tools().find(toolName);
            ASSERT_NE(tool, nullptr);
            EXPECT_FALSE(bandsHolding(*bar, toolName).isEmpty());
            EXPECT_FALSE(tool->caption().isEmpty());
            EXPECT_FALSE(tool->toolTip().isEmpty());
            const QPixmap small = tool->picture().pixmap(16, 16);
            ASSERT_FALSE(small.isNull());
            EXPECT_EQ(small.size(), QSize(16, 16));
            // The @2x twin is there for large buttons.
            EXPECT_EQ(tool->picture().pixmap(32, 32).size(), QSize(32, 32));
        }
        // The browser changes these through one band's collection, which throws for a missing tool.
        EXPECT_NO_THROW(bar->band("mnuFile")->tools()["BTN_Hide"]);
        EXPECT_NO_THROW(bar->band("mnuFile")->tools()["BTN_VB_ADDINS"]);
        for (const char* tool : {"BTN_OPENFILE", "BTN_FILEPROPERTIES", "BTN_Edit"})
            EXPECT_NO_THROW(bar->band("mnuPopUpProc")->tools()[tool]) << tool;
    }
}

TEST(ToolbarResources, InstanceKindsStartWithTheirOwnHideAndAddInTools) {
    const auto client = load(":/toolbars/Toolbars.tb");
    const auto addIn = load(":/toolbars/VBToolbars.tb");
    EXPECT_EQ(client->band("mnuFile")->tools()["BTN_Hide"]->caption(), "E&xit");
    EXPECT_EQ(addIn->band("mnuFile")->tools()["BTN_Hide"]->caption(), "&Hide");
    EXPECT_EQ(client->tools()["BTN_VB_ADDINS"]->caption(), "Add to &VB Add-Ins");
    EXPECT_TRUE(client->band("mnuFile")->tools()["BTN_VB_ADDINS"]->isVisible());
    for (const Tool* copy :
         {addIn->tools()["BTN_VB_ADDINS"], addIn->band("mnuFile")->tools()["BTN_VB_ADDINS"]}) {
        EXPECT_FALSE(copy->isVisible());
        EXPECT_FALSE(copy->isEnabled());
    }
    // Checked means "tree shown", which is how a first start finds it.
    EXPECT_TRUE(client->tools()["BTN_VIEWCATEGORIES"]->isChecked());
    EXPECT_FALSE(client->tools()["BTN_VIEWMENUBAR"]->isChecked());
}

TEST(ToolbarResources, BandsAndStandardPagesAreWhereTheBrowserLooks) {
    for (const QString& name : kLayouts) {
        SCOPED_TRACE(name.toStdString());
        const auto bar = load(":/toolbars/" + name);
        EXPECT_EQ(bar->band("mnuMain")->kind(), BandKind::MenuBar);
        EXPECT_TRUE(bar->band("mnuFile")->isMenu());
        EXPECT_EQ(bar->band("mnuPopUpProc")->kind(), BandKind::Popup);
        EXPECT_EQ(bar->band("mnuPopUpCat")->kind(), BandKind::Popup);

        const Band* standard = bar->band("Standard");
        ASSERT_EQ(standard->kind(), BandKind::ToolBar);
        ASSERT_GE(standard->pages().size(), 4);
        EXPECT_EQ(standard->currentPage(), 0);
        // A page change reports the library on page 0 and the category on page 3.
        EXPECT_EQ(standard->pages()[0], "Library");
        EXPECT_EQ(standard->pages()[3], "Categories");
        EXPECT_EQ(standard->tools()["BTN_Open"]->page(), 0);
        EXPECT_EQ(standard->tools()["BTN_CAT_ADDCHILD"]->page(), 3);
        QSet<int> used;
        for (const Tool* tool : standard->tools()) used.insert(tool->page());
        EXPECT_EQ(used.size(), standard->pages().size()) << "a page without tools";

        for (const Tool* menu : bar->band("mnuMain")->tools()) EXPECT_EQ(menu->kind(), ToolKind::Menu);
    }
}

TEST(ToolbarResources, NoKeyServesTwoToolsOrStealsTheListAndTreeKeys) {
    // The toolbar sees keys first; these belong to the item list, the tree and the search box.
    const QSet<QKeySequence> reserved = {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Insert),
                                         QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter),
                                         QKeySequence(Qt::Key_Escape)};
    for (const QString& name : kLayouts) {
        SCOPED_TRACE(name.toStdString());
        const auto bar = load(":/toolbars/" + name);
        QHash<QKeySequence, QString> owner;
        auto claim = [&](const Tool* tool) {
            if (tool->shortcut().isEmpty()) return;
            const QString key = tool->shortcut().toString();
            EXPECT_FALSE(reserved.contains(tool->shortcut())) << key.toStdString();
            const QString previous = owner.value(tool->shortcut());
            EXPECT_TRUE(previous.isEmpty() || previous == tool->name())
                << key.toStdString() << ": " << previous.toStdString() << " and "
                << tool->name().toStdString();
            owner.insert(tool->shortcut(), tool->name());
        };
        for (const Tool* tool : bar->tools()) claim(tool);
        for (const Band* band : bar->bands())
            for (const Tool* tool : band->tools()) claim(tool);
        EXPECT_EQ(owner.value(QKeySequence("Ctrl+O")), "BTN_Open");
        EXPECT_EQ(owner.value(QKeySequence("F1")), "BTN_HELPCONTENTS");
        EXPECT_EQ(owner.value(QKeySequence("F3")), "BTN_FINDPROCS");
    }
}

TEST(ToolbarResources, EachMenuEntryHasItsOwnAccessKey) {
    for (const QString& name : kLayouts) {
        SCOPED_TRACE(name.toStdString());
        const auto bar = load(":/toolbars/" + name);
        for (const Band* band : bar->bands()) {
            if (band->kind() == BandKind::ToolBar) continue;
            QHash<QChar, QString> keys;
            for (const Tool* tool : band->tools()) {
                if (!tool->isVisible()) continue;
                const QChar key = accessKey(tool->caption());
                EXPECT_FALSE(key.isNull())
                    << band->name().toStdString() << ": " << tool->name().toStdString();
                if (key.isNull()) continue;
                EXPECT_FALSE(keys.contains(key))
                    << band->name().toStdString() << ": " << QString(key).toStdString() << " for "
                    << keys.value(key).toStdString() << " and " << tool->name().toStdString();
                keys.insert(key, tool->name());
            }
        }
    }
}

TEST(ToolbarResources, ImageListPicturesExistAtBothSizesAndDiffer) {
    initResources();
    QList<QImage> seen;
    for (const char* key : {"FILE", "FOLDER", "TEXT", "MRV", "WEB"}) {
        for (int size : {16, 32}) {
            const QString path = QStringLiteral(":/icons/%1%2.png").arg(key).arg(size);
            const QImage image(path);
            ASSERT_FALSE(image.isNull()) << path.toStdString();
            EXPECT_EQ(image.size(), QSize(size, size)) << path.toStdString();
            EXPECT_TRUE(image.hasAlphaChannel()) << path.toStdString();
            // A copy mistake would give two keys one picture.
            for (const QImage& other : seen) EXPECT_FALSE(image == other) << path.toStdString();
            seen << image;
        }
    }
}

TEST(ToolbarResources, ToolPicturesAreSixteenPixelsWithTwinsTwiceTheSize) {
    initResources();
    const QDir folder(QStringLiteral(":/toolbar"));
    const QStringList files = folder.entryList({QStringLiteral("*.png")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        QImage image(folder.filePath(file));
        ASSERT_FALSE(image.isNull());
        const bool twin = file.endsWith(QLatin1String("@2x.png"));
        EXPECT_EQ(image.size(), twin ? QSize(32, 32) : QSize(16, 16));
        if (!twin) {
            EXPECT_TRUE(files.contains(QString(file).replace(".png", "@2x.png")));
        }
    }
}

TEST(ToolbarResources, PicturesResolveFromResourcePathsAndBesideTheLayout) {
    initResources();
    QTemporaryDir dir;
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(dir.filePath("mine.png")));
    QFile file(dir.filePath("layout.tb"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "MorvaneToolbarLayout 1\n"
        "tool BTN_A picture=\":/toolbar/open.png\"\n"
        "tool BTN_B picture=\"qrc:/toolbar/open.png\"\n"
        "tool BTN_C picture=\"mine.png\"\n"
        "tool BTN_D picture=\":/toolbar/no-such-picture.png\"\n"
        "tool BTN_E picture=\":/toolbar/open@2x.png\"\n"
        "band Standard kind=toolbar\n  item BTN_A\n  item BTN_B\n  item BTN_C\n  item BTN_D\n  item BTN_E\n"
        "endband\nend\n");
    file.close();
    Bar bar;
    bar.loadLayout(file.fileName());
    const QImage open = QImage(":/toolbar/open.png").convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage open2x =
        QImage(":/toolbar/open@2x.png").convertToFormat(QImage::Format_ARGB32_Premultiplied);
    auto at = [&](const char* tool, int size) {
        return bar.tools()[tool]
            ->picture()
            .pixmap(size, size)
            .toImage()
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    EXPECT_TRUE(at("BTN_A", 16) == open);
    EXPECT_TRUE(at("BTN_A", 32) == open2x);
    EXPECT_TRUE(at("BTN_B", 16) == open);
    EXPECT_EQ(at("BTN_C", 16).pixel(8, 8), QColor(Qt::red).rgba());
    EXPECT_TRUE(bar.tools()["BTN_D"]->picture().isNull());
    // A twin named directly is one picture, not looked for twice.
    EXPECT_EQ(bar.tools()["BTN_E"]->picture().availableSizes().size(), 1);
    // Toolbar buttons show the pictures at the size they are drawn for.
    EXPECT_EQ(bar.band("Standard")->toolBar()->iconSize(), QSize(16, 16));
}

// Pictures of the menu bar, of the Standard toolbar on each page and of the open View menu, kept
// under the build folder for a person to look at.
TEST(ToolbarResources, ScreenshotsOfTheClientLayout) {
    const auto bar = load(":/toolbars/Toolbars.tb");
    QMainWindow window;
    window.setWindowTitle("Morvane");
    auto* content = new QTextEdit;
    bar->attach(&window, content);
    window.resize(820, 160);
    window.show();
    const QString out = QCoreApplication::applicationDirPath() + "/screenshots";
    ASSERT_TRUE(QDir().mkpath(out));
    Band* standard = bar->band("Standard");
    for (int page = 0; page < standard->pages().size(); ++page) {
        standard->setCurrentPage(page);
        QApplication::processEvents();
        const QImage shot = window.grab().toImage();
        ASSERT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(QStringLiteral("%1/toolbars_page%2.png").arg(out).arg(page)));
    }
    QMenu* view = bar->band("mnuView")->menu();
    view->popup(window.mapToGlobal(QPoint(0, 0)));
    QApplication::processEvents();
    const QImage menu = view->grab().toImage();
    ASSERT_FALSE(menu.isNull());
    EXPECT_TRUE(menu.save(out + "/toolbars_menu_view.png"));
    view->hide();
}
