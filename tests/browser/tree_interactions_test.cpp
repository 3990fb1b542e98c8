#include "browser/MRVDocument.h"

#include "platform/toolbar.h"
#include "platform/twips.h"
#include "tests/browser/browser_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

using namespace browsertest;

namespace {

class TreeInteractionsTest : public BrowserTest {
protected:
    // Edits the selected node's label as the user would; false when no editor opened.
    static bool rename(browser::MRVDocument* doc, const QString& key, const QString& text) {
        doc->treCats->setSelectedItem(node(doc, key));
        doc->treCats->startLabelEdit();
        for (QLineEdit* editor : doc->treCats->viewport()->findChildren<QLineEdit*>()) {
            if (!editor->isVisible()) continue;
            editor->setText(text);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(editor, &enter);
            QApplication::processEvents();
            return true;
        }
        return false;
    }
    static QString storedName(const QString& lib, int catKey) {
        return categoryField(lib, "Name", catKey).toString();
    }
    static void key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(target, &press);
    }
    static void mouse(QWidget* target, QEvent::Type type, int x, Qt::MouseButton button = Qt::LeftButton) {
        const QPointF at(x, 5);
        QMouseEvent event(type, at, target->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
};

TEST_F(TreeInteractionsTest, RenameWritesTheLibraryAndKeepsPictures) {
    const QString lib =
        makeLibrary("r.mdb", {category(1, 0, "Utils"), category(2, 0, "Pics"), category(3, 1, "Pics"),
                              category(4, 0, "Links", "WebSite"), category(5, 0, "Icons"),
                              item(1, 2, "Draw", "Text/Code"), item(2, 5, "Paint", "Text/Code")});
    setImage(lib, 2, png(Qt::red));
    setImage(lib, 5, png(Qt::blue));
    setInstanceSetting("Display using Custom Icons", "1");
    browser::MRVDocument* doc = open(lib);
    doc->show();
    click(doc, "5 Key");

    EXPECT_FALSE(rename(doc, "0 Key", "Other.mdb")) << "the root keeps its name";
    // node, typed name, name stored and shown, the node's picture key
    const std::tuple<int, const char*, const char*, const char*> cases[] = {
        {1, "Utility's", "Utility's", "FOLDER"},
        {1, "   ", "Utility's", "FOLDER"},        // refused: the old name stays
        {4, "Web Links", "Web Links", "WEB"},     // the shared web picture is not the category's
        {5, "Pictures", "Pictures", "Pictures"},  // its own picture follows the name
        {2, "Images", "Images", "Images"},        // a namesake (3) keeps showing the picture
    };
    for (const auto& [catKey, typed, name, image] : cases) {
        SCOPED_TRACE(typed);
        const QString key = QString::number(catKey) + " Key";
        ASSERT_TRUE(rename(doc, key, QString::fromUtf8(typed)));
        EXPECT_EQ(storedName(lib, catKey), QString::fromUtf8(name));
        EXPECT_EQ(node(doc, key)->text(), QString::fromUtf8(name));
        EXPECT_EQ(node(doc, key)->image(), QString::fromUtf8(image));
        EXPECT_TRUE(doc->imgSmallIcons->contains(QString::fromUtf8(image)));
        EXPECT_TRUE(doc->imgLargeIcons->contains(QString::fromUtf8(image)));
    }
    ASSERT_EQ(boxTitles(), QStringList{"Oops!"});
    EXPECT_TRUE(boxes()[0].text.contains("'Utility's'"));
    EXPECT_EQ(node(doc, "3 Key")->image(), "Pics");
    EXPECT_TRUE(doc->imgSmallIcons->contains("Pics"));
    EXPECT_FALSE(doc->imgSmallIcons->contains("Icons"));
    EXPECT_TRUE(doc->imgSmallIcons->contains("WEB"));
    // The list still shows the renamed category's picture, and so does a reload.
    EXPECT_EQ(row(doc, "2 key").section('|', 0, 2), "Paint|Pictures|Pictures");
    doc->SystemInit();
    EXPECT_EQ(node(doc, "5 Key")->image(), "Pictures");
    EXPECT_EQ(node(doc, "2 Key")->image(), "Images");
}

TEST_F(TreeInteractionsTest, KeysAndTheRightButtonActOnTheTree) {
    const QString lib = makeLibrary("k.mdb", {category(1, 0, "Utils"), category(2, 0, "Misc")});
    browser::MRVDocument* doc = open(lib);
    doc->show();
    click(doc, "0 Key");
    sound::testing::clear();
    key(doc->treCats, Qt::Key_Delete, Qt::ShiftModifier);  // not without Shift, Ctrl or Alt
    key(doc->treCats, Qt::Key_Delete);
    EXPECT_EQ(boxTitles(), QStringList{"Not Allowed!"});
    key(doc->treCats, Qt::Key_Insert);
    EXPECT_EQ(scalar(lib, "SELECT count(*) FROM Category").toInt(), 3);
    EXPECT_EQ(doc->treCats->selectedItem()->text(), "<New Category>");
    EXPECT_TRUE(sound::testing::playedFiles().isEmpty()) << "no key went on to a command";

    // The right button selects the node it points at, lists it, and opens the category menu there.
    doc->treCats->setFocus();
    const QRect misc = doc->treCats->visualRect(doc->treCats->indexFromNode(node(doc, "2 Key")));
    const QPointF at = misc.center();
    QMouseEvent press(QEvent::MouseButtonPress, at, doc->treCats->viewport()->mapToGlobal(at),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(doc->treCats->viewport(), &press);
    EXPECT_EQ(doc->treCats->selectedItem(), node(doc, "2 Key"));
    EXPECT_TRUE(statusText(doc).startsWith("Cat: 'Misc'"));
    QApplication::processEvents();
    QMenu* menu = doc->ActiveBar1->band("mnuPopUpCat")->menu();
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST_F(TreeInteractionsTest, TreeVisibilityIsOneStateForEveryWayAndSurvivesARestart) {
    const QString lib = makeLibrary("v.mdb", {category(1, 0, "Utils")});
    const auto check = [](browser::MRVDocument* doc, bool shown) {
        EXPECT_EQ(doc->treCats->isHidden(), !shown);
        EXPECT_EQ(doc->picVertSplitter->isHidden(), !shown);
        EXPECT_EQ(doc->chkShowHideTreeview->isChecked(), shown);
        int copies = 0;
        for (const toolbar::Band* band : doc->ActiveBar1->bands())
            if (const toolbar::Tool* t = band->tools().find("BTN_VIEWCATEGORIES")) {
                ++copies;
                EXPECT_EQ(t->isChecked(), shown) << band->name().toStdString();
            }
        EXPECT_GE(copies, 2);
        EXPECT_EQ(instanceSetting("Category Tree Visible"), shown ? "True" : "False");
    };
    browser::MRVDocument* doc = open(lib);
    doc->show();
    const std::function<void()> ways[] = {
        [&] { doc->dispatchTool("BTN_VIEWCATEGORIES", "mnuView"); },
        [&] { doc->dispatchTool("BTN_VIEWCATEGORIES", "Standard"); },
        [&] { doc->ActiveBar1->handleKey(QKeyCombination(Qt::Key_F9)); },
        [&] { doc->chkShowHideTreeview->click(); },
        [&] { doc->SetForSearch(); },
    };
    bool shown = true;
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        ways[i]();
        shown = i < 4 ? !shown : false;  // the four ways toggle; a search hides
        check(doc, shown);
        // What was saved is what the next start shows.
        closeAll();
        doc = open(lib);
        doc->show();
        check(doc, shown);
    }
}

TEST_F(TreeInteractionsTest, SplitterMovesOnlyWithinItsBoundsAndRemembersTheWidth) {
    browser::MRVDocument* doc = open(makeLibrary("s.mdb"));
    doc->resize(800, 500);
    doc->show();
    QWidget* area = doc->findChild<QWidget*>("documentArea");
    const auto twips = [doc](int pixels) { return platform::pixelsToTwipsX(pixels, doc); };
    const double W = twips(area->width());
    QFrame* bar = doc->picVertSplitter;
    const int start = bar->x();

    mouse(bar, QEvent::MouseButtonPress, 0);
    EXPECT_EQ(bar->palette().color(QPalette::Button), QColor(0x80, 0x80, 0x80));
    // target left edge in pixels, whether the bar may go there
    const int px400 = platform::twipsToPixelsX(400, doc), pxRight = platform::twipsToPixelsX(W - 400, doc);
    const std::pair<int, bool> moves[] = {
        {px400 - 5, false},   {px400 - 1, twips(px400 - 1) > 400}, {px400 + 1, true},
        {pxRight + 3, false}, {pxRight, twips(pxRight) < W - 400}, {pxRight - 2, true},
        {2, false},
    };
    for (const auto& [target, allowed] : moves) {
        SCOPED_TRACE(target);
        const int before = bar->x();
        mouse(bar, QEvent::MouseMove, target - bar->x());
        EXPECT_EQ(bar->x(), allowed ? target : before);
    }
    // The layout waits for the drag.
    const int dragged = bar->x();
    doc->FormatWindow();
    EXPECT_EQ(bar->x(), dragged);
    EXPECT_NE(dragged, start);
    mouse(bar, QEvent::MouseButtonRelease, 0);
    EXPECT_NE(bar->palette().color(QPalette::Button), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(doc->treCats->width(), platform::twipsToPixelsX(twips(dragged) + 15, doc));
    EXPECT_EQ(instanceSetting("Category Tree Width"), QString::number(qRound(twips(doc->treCats->width()))));
    // Another button ends a drag as the release does.
    mouse(bar, QEvent::MouseButtonPress, 0);
    mouse(bar, QEvent::MouseButtonPress, 0, Qt::RightButton);
    mouse(bar, QEvent::MouseMove, -30);
    EXPECT_EQ(bar->x(), dragged);
}

}  // namespace
