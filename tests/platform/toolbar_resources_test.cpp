// The default toolbar layouts and the pictures compiled into the program: they must load, carry
// every tool the browser dispatches, and resolve the same from the resource and the program folder.

#include "platform/toolbar.h"
#include "platform_fixture.h"
#include "resources/resources.h"

#include <QHash>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QToolBar>

#include <gtest/gtest.h>

#include <memory>

using namespace toolbar;
using platformtest::readFile;

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

std::unique_ptr<Bar> load(const QString& path) {
    initResources();
    auto bar = std::make_unique<Bar>();
    bar->loadLayout(path);
    return bar;
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

TEST(ToolbarResources, BothLayoutsLoadWithEveryRequiredToolWhereTheBrowserLooks) {
    for (const QString& name : kLayouts) {
        SCOPED_TRACE(name.toStdString());
        // The build copies the file; a stale copy would show other menus than the resource.
        const QString copy = QStringLiteral(MRV_TEST_PROGRAM_DIR "/") + name;
        ASSERT_FALSE(readFile(":/toolbars/" + name).isEmpty());
        EXPECT_EQ(readFile(copy), readFile(":/toolbars/" + name));
        const auto bar = load(":/toolbars/" + name);
        EXPECT_EQ(load(copy)->layoutText(), bar->layoutText());
        // Moved elsewhere the file still finds its pictures: they are resource paths.
        QTemporaryDir elsewhere;
        ASSERT_TRUE(QFile::copy(copy, elsewhere.filePath(name)));
        EXPECT_FALSE(load(elsewhere.filePath(name))->tools()["BTN_Open"]->picture().isNull());

        for (const QString& toolName : kRequiredTools) {
            SCOPED_TRACE(toolName.toStdString());
            const Tool* tool = bar->tools().find(toolName);
            ASSERT_NE(tool, nullptr);
            bool inABand = false;
            for (const Band* band : bar->bands()) inABand = inABand || band->tools().find(toolName);
            EXPECT_TRUE(inABand);
            EXPECT_FALSE(tool->caption().isEmpty() || tool->toolTip().isEmpty());
            // The @2x twin is there for large buttons.
            EXPECT_EQ(tool->picture().pixmap(16, 16).size(), QSize(16, 16));
            EXPECT_EQ(tool->picture().pixmap(32, 32).size(), QSize(32, 32));
        }
        // The browser changes these through one band's collection, which throws for a missing tool.
        for (const char* tool : {"BTN_Hide", "BTN_VB_ADDINS"})
            EXPECT_NO_THROW(bar->band("mnuFile")->tools()[tool]) << tool;
        for (const char* tool : {"BTN_OPENFILE", "BTN_FILEPROPERTIES", "BTN_Edit"})
            EXPECT_NO_THROW(bar->band("mnuPopUpProc")->tools()[tool]) << tool;

        EXPECT_EQ(bar->band("mnuMain")->kind(), BandKind::MenuBar);
        for (const Tool* menu : bar->band("mnuMain")->tools()) EXPECT_EQ(menu->kind(), ToolKind::Menu);
        EXPECT_EQ(bar->band("mnuPopUpCat")->kind(), BandKind::Popup);
        // A page change reports the library on page 0 and the category on page 3.
        const Band* standard = bar->band("Standard");
        ASSERT_GE(standard->pages().size(), 4);
        EXPECT_EQ(standard->currentPage(), 0);
        EXPECT_EQ(standard->pages()[0], "Library");
        EXPECT_EQ(standard->pages()[3], "Categories");
        EXPECT_EQ(standard->tools()["BTN_CAT_ADDCHILD"]->page(), 3);
        QSet<int> used;
        for (const Tool* tool : standard->tools()) used.insert(tool->page());
        EXPECT_EQ(used.size(), standard->pages().size()) << "a page without tools";
    }
}

TEST(ToolbarResources, NoKeyServesTwoToolsOrStealsTheListKeysAndMenuAccessKeysDiffer) {
    // The toolbar sees keys first; these belong to the item list, the tree and the search box.
    const QSet<QKeySequence> reserved = {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Insert),
                                         QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter),
                                         QKeySequence(Qt::Key_Escape)};
    for (const QString& name : kLayouts) {
        SCOPED_TRACE(name.toStdString());
        const auto bar = load(":/toolbars/" + name);
        QHash<QKeySequence, QString> owner;
        for (const Band* band : bar->bands()) {
            QHash<QChar, QString> accessKeys;
            for (const Tool* tool : band->tools()) {
                const std::string name = (band->name() + ": " + tool->name()).toStdString();
                if (!tool->shortcut().isEmpty()) {
                    EXPECT_FALSE(reserved.contains(tool->shortcut())) << name;
                    EXPECT_EQ(owner.value(tool->shortcut(), tool->name()), tool->name()) << name;
                    owner.insert(tool->shortcut(), tool->name());
                }
                if (band->kind() == BandKind::ToolBar || !tool->isVisible()) continue;
                const QChar key = accessKey(tool->caption());
                EXPECT_FALSE(key.isNull() || accessKeys.contains(key))
                    << name << " " << accessKeys.value(key).toStdString();
                accessKeys.insert(key, tool->name());
            }
        }
        EXPECT_EQ(owner.value(QKeySequence("Ctrl+O")), "BTN_Open");
        EXPECT_EQ(owner.value(QKeySequence("F1")), "BTN_HELPCONTENTS");
        EXPECT_EQ(owner.value(QKeySequence("F3")), "BTN_FINDPROCS");
    }
}

TEST(ToolbarResources, ImageListPicturesComeAtBothSizesAndDiffer) {
    initResources();
    QList<QImage> seen;
    for (const char* key : {"FILE", "FOLDER", "TEXT", "MRV", "WEB"}) {
        for (int size : {16, 32}) {
            const QString path = QStringLiteral(":/icons/%1%2.png").arg(key).arg(size);
            const QImage image(path);
            EXPECT_EQ(image.size(), QSize(size, size)) << path.toStdString();
            EXPECT_TRUE(image.hasAlphaChannel()) << path.toStdString();
            // A copy mistake would give two keys one picture.
            for (const QImage& other : seen) EXPECT_FALSE(image == other) << path.toStdString();
            seen << image;
        }
    }
}

// Pictures beside the layout are found by the round trip in toolbar_test.cpp.
TEST(ToolbarResources, PicturesResolveFromResourcePaths) {
    initResources();
    Bar bar;
    bar.loadLayoutText(
        "MorvaneToolbarLayout 1\n"
        "tool BTN_A picture=\":/toolbar/open.png\"\n"
        "tool BTN_B picture=\"qrc:/toolbar/open.png\"\n"
        "tool BTN_D picture=\":/toolbar/no-such-picture.png\"\n"
        "tool BTN_E picture=\":/toolbar/open@2x.png\"\n"
        "band Standard kind=toolbar\n  item BTN_A\n  item BTN_B\n  item BTN_D\n  item BTN_E\n"
        "endband\nend\n");
    const auto image = [](const QImage& i) { return i.convertToFormat(QImage::Format_ARGB32_Premultiplied); };
    const auto at = [&](const char* tool, int size) {
        return image(bar.tools()[tool]->picture().pixmap(size, size).toImage());
    };
    EXPECT_TRUE(at("BTN_A", 32) == image(QImage(":/toolbar/open@2x.png")));
    EXPECT_TRUE(at("BTN_B", 16) == image(QImage(":/toolbar/open.png")));
    EXPECT_TRUE(bar.tools()["BTN_D"]->picture().isNull());
    // A twin named directly is one picture, not looked for twice.
    EXPECT_EQ(bar.tools()["BTN_E"]->picture().availableSizes().size(), 1);
    // Toolbar buttons show the pictures at the size they are drawn for.
    EXPECT_EQ(bar.band("Standard")->toolBar()->iconSize(), QSize(16, 16));
}
