// The routines the forms share: moving a category branch, the category move test, tab panels,
// top-most windows and the count of visible windows.

#include "store/form_routines.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

using controls::TreeNode;
using controls::TreeView;
using controls::tvwChild;

namespace {

// "key:text[image,tag]" for each node of the branch below node, depth first, children indented.
QStringList describe(const TreeNode* node, int depth = 0) {
    QStringList lines;
    for (const TreeNode* n = node->child(); n; n = n->next()) {
        lines << QString(depth * 2, ' ') + n->key() + ":" + n->text() + "[" + n->image() + "," + n->tag() +
                     "]";
        lines << describe(n, depth + 1);
    }
    return lines;
}

TreeNode* addNode(TreeView& tree, const QString& parent, const QString& key, const QString& text,
                  const QString& image = "FOLDER", const QString& tag = QString()) {
    TreeNode* node = tree.add(parent, tvwChild, key, text, image);
    node->setTag(tag);
    return node;
}

int controlErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const engine::Error& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(MoveTreeBranch, MovesTheWholeBranchWithKeysTextsImagesTagsAndOrder) {
    TreeView tree;
    tree.add(QString(), tvwChild, "0 Key", "Library.mdb", "MRV");
    addNode(tree, "0 Key", "1 Key", "Source");
    addNode(tree, "1 Key", "11 Key", "Web", "WEB", "WebSite");
    addNode(tree, "1 Key", "12 Key", "Middle");
    addNode(tree, "12 Key", "121 Key", "Deep", "FILE", "File");
    addNode(tree, "12 Key", "122 Key", "Deeper");
    addNode(tree, "1 Key", "13 Key", "Last");
    addNode(tree, "0 Key", "2 Key", "Target");
    addNode(tree, "2 Key", "21 Key", "Already there");
    const int count = tree.count();
    tree.setSelectedItem(tree.node("121 Key"));

    ASSERT_TRUE(store::MoveTreeBranch(tree, "1 Key", "2 Key"));
    EXPECT_EQ(tree.count(), count);
    EXPECT_EQ(describe(tree.node("0 Key")),
              QStringList({"2 Key:Target[FOLDER,]", "  21 Key:Already there[FOLDER,]",
                           "  1 Key:Source[FOLDER,]", "    11 Key:Web[WEB,WebSite]",
                           "    12 Key:Middle[FOLDER,]", "      121 Key:Deep[FILE,File]",
                           "      122 Key:Deeper[FOLDER,]", "    13 Key:Last[FOLDER,]"}));
    EXPECT_EQ(tree.selectedItem(), tree.node("121 Key"));
    EXPECT_TRUE(tree.node("2 Key")->expanded());
}

TEST(MoveTreeBranch, SiblingsNamedLikeTheLastOneMoveToo) {
    TreeView tree;
    tree.add(QString(), tvwChild, "0 Key", "Library.mdb", "MRV");
    addNode(tree, "0 Key", "1 Key", "Source");
    addNode(tree, "1 Key", "11 Key", "Same");
    addNode(tree, "11 Key", "111 Key", "Child");
    addNode(tree, "111 Key", "1111 Key", "Leaf");  // the last below Same
    addNode(tree, "1 Key", "12 Key", "Between");
    addNode(tree, "1 Key", "13 Key", "Same");
    addNode(tree, "0 Key", "2 Key", "Target");

    ASSERT_TRUE(store::MoveTreeBranch(tree, "1 Key", "2 Key"));
    EXPECT_EQ(tree.count(), 8);
    EXPECT_EQ(
        describe(tree.node("2 Key")),
        QStringList({"1 Key:Source[FOLDER,]", "  11 Key:Same[FOLDER,]", "    111 Key:Child[FOLDER,]",
                     "      1111 Key:Leaf[FOLDER,]", "  12 Key:Between[FOLDER,]", "  13 Key:Same[FOLDER,]"}));
}

TEST(MoveTreeBranch, LeafSourcesMoveAloneAndImpossibleMovesChangeNothing) {
    TreeView tree;
    tree.add(QString(), tvwChild, "0 Key", "Library.mdb", "MRV");
    addNode(tree, "0 Key", "1 Key", "Leaf", "Utils", "Text/Code");
    addNode(tree, "0 Key", "2 Key", "Parent");
    addNode(tree, "2 Key", "3 Key", "Child");

    ASSERT_TRUE(store::MoveTreeBranch(tree, "1 Key", "3 Key"));
    EXPECT_EQ(describe(tree.node("0 Key")), QStringList({"2 Key:Parent[FOLDER,]", "  3 Key:Child[FOLDER,]",
                                                         "    1 Key:Leaf[Utils,Text/Code]"}));

    const QStringList before = describe(tree.node("0 Key"));
    EXPECT_FALSE(store::MoveTreeBranch(tree, "2 Key", "1 Key"));  // into its own branch
    EXPECT_FALSE(store::MoveTreeBranch(tree, "2 Key", "2 Key"));
    EXPECT_EQ(describe(tree.node("0 Key")), before);
    EXPECT_EQ(controlErrorOf([&] { store::MoveTreeBranch(tree, "9 Key", "2 Key"); }),
              controls::errElementNotFound);
    EXPECT_EQ(controlErrorOf([&] { store::MoveTreeBranch(tree, "1 Key", "9 Key"); }),
              controls::errElementNotFound);
    EXPECT_EQ(describe(tree.node("0 Key")), before);
}

TEST(IsValidCategoryMove, RefusesByNameAndAcceptsTheRest) {
    TreeView tree;
    tree.add(QString(), tvwChild, "0 Key", "Lib");
    addNode(tree, "0 Key", "1 Key", "Utils");
    addNode(tree, "1 Key", "2 Key", "Strings");
    addNode(tree, "2 Key", "3 Key", "Deep");
    addNode(tree, "0 Key", "4 Key", "Misc");
    addNode(tree, "4 Key", "5 Key", "Utils");  // another category of the same name
    addNode(tree, "5 Key", "6 Key", "Sub");
    addNode(tree, "0 Key", "7 Key", "Other");
    addNode(tree, "7 Key", "8 Key", "Lib");

    struct Case {
        const char *source, *target;
        bool valid;
    };
    const Case cases[] = {
        {"0 Key", "7 Key", false},  // the root
        {"2 Key", "5 Key", false},  // the target has the name of the source's parent
        {"2 Key", "1 Key", false},  // ... such as the parent itself
        {"1 Key", "5 Key", false},  // the source's own name
        {"1 Key", "3 Key", false},  // onto its own grandchild
        {"1 Key", "6 Key", false},  // below a different category of the same name
        {"2 Key", "7 Key", true},  {"3 Key", "6 Key", true},
        {"5 Key", "2 Key", false},                            // a namesake of the source on the target's path
        {"6 Key", "3 Key", true},  {"8 Key", "4 Key", true},  // the root's name is never compared
        {"2 Key", "0 Key", true},                             // onto the root
        {"1 Key", "0 Key", false},                            // onto its own parent
        {"9 Key", "7 Key", false},                            // missing nodes
        {"2 Key", "9 Key", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(store::IsValidCategoryMove(tree, c.source, c.target), c.valid)
            << c.source << " -> " << c.target;
}

TEST(ShowTabPanel, ShowsTheSelectedTabsPanelOverTheClientArea) {
    QWidget form;
    form.resize(400, 300);
    auto* tabs = new controls::TabStrip(&form);
    tabs->setGeometry(10, 20, 300, 200);
    tabs->add("general", "General");
    tabs->add("display", "Display");
    tabs->add("sounds", "Sounds");
    QList<QWidget*> panels;
    for (int i = 0; i < 2; ++i) panels << new QWidget(&form);  // the third tab has no panel
    form.show();

    tabs->setSelectedIndex(2);
    store::ShowTabPanel(*tabs, panels);
    EXPECT_FALSE(panels[0]->isVisible());
    EXPECT_FALSE(panels[0]->isEnabled());
    EXPECT_TRUE(panels[1]->isVisible());
    EXPECT_TRUE(panels[1]->isEnabled());
    EXPECT_EQ(panels[1]->geometry(), tabs->clientRect().translated(tabs->pos()));

    tabs->setSelectedIndex(3);
    store::ShowTabPanel(*tabs, panels);
    EXPECT_FALSE(panels[1]->isVisible());
    tabs->setSelectedIndex(1);
    store::ShowTabPanel(*tabs, panels);
    EXPECT_TRUE(panels[0]->isVisible());
    EXPECT_TRUE(panels[0]->isEnabled());
    EXPECT_FALSE(panels[1]->isVisible());
}

TEST(SetTopMost, ChangesTheLayerButNotThePlace) {
    QWidget tip;
    tip.setGeometry(100, 120, 300, 200);
    tip.show();
    QApplication::processEvents();
    const QRect place = tip.geometry();

    store::SetTopMost(&tip, true);
    EXPECT_TRUE(tip.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(tip.isVisible());
    EXPECT_EQ(tip.geometry(), place);
    store::SetTopMost(&tip, false);
    EXPECT_FALSE(tip.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(tip.isVisible());
    EXPECT_EQ(tip.geometry(), place);

    QWidget hidden;
    store::SetTopMost(&hidden, true);
    EXPECT_FALSE(hidden.isVisible());
    store::SetTopMost(nullptr, true);
}

TEST(CountVisibleWindows, CountsVisibleTitlesContainingTheText) {
    const QString ide = "Code Workbench";
    QWidget first, second, hidden, other, longTitle;
    first.setWindowTitle("Project1 - " + ide + " [design]");
    second.setWindowTitle("Project2 - " + ide + " [run]");
    hidden.setWindowTitle(ide);
    other.setWindowTitle("Notepad");
    longTitle.setWindowTitle(QString(250, 'x') + ide);  // the text lies beyond 255 characters
    for (QWidget* w : {&first, &second, &other, &longTitle}) w->show();
    hidden.show();
    hidden.hide();
    QApplication::processEvents();

    EXPECT_EQ(store::CountVisibleWindows(&first, ide), 2);
    EXPECT_EQ(store::CountVisibleWindows(&other, "Notepad"), 1);
    EXPECT_EQ(store::GetWindowTitle(&longTitle).size(), 255);
    second.hide();
    EXPECT_EQ(store::CountVisibleWindows(&first, ide), 1);

    // A child window counts its visible siblings.
    auto* a = new QWidget(&other);
    auto* b = new QWidget(&other);
    auto* c = new QWidget(&other);
    a->setWindowTitle(ide);
    b->setWindowTitle(ide);
    c->setWindowTitle(ide);
    a->show();
    b->show();
    EXPECT_EQ(store::CountVisibleWindows(a, ide), 2);
}

TEST(SetFullRowSelect, AddsWholeRowSelectionToTheListsStyle) {
    controls::ListView list;
    list.setExtendedStyle(0x1);
    EXPECT_FALSE(list.fullRowSelect());
    store::SetFullRowSelect(list);
    EXPECT_TRUE(list.fullRowSelect());
    EXPECT_EQ(list.extendedStyle(), 0x1 | controls::ListView::FullRowSelect);
}
