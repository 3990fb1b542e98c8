// The routines the forms share: moving a category branch, the category move test, the count of
// visible windows and the edit commands.

#include "store/form_routines.h"
#include "base/error.h"
#include "tests/seam_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

using controls::TreeNode;
using controls::TreeView;

namespace {

struct Node {
    const char *parent, *key, *text, *image = "FOLDER", *tag = "";
};

// A tree whose root "0 Key" is named "Lib", with nodes added in the order given.
void build(TreeView& tree, std::initializer_list<Node> nodes) {
    tree.add(QString(), controls::tvwChild, "0 Key", "Lib", "MRV");
    for (const Node& n : nodes) tree.add(n.parent, controls::tvwChild, n.key, n.text, n.image)->setTag(n.tag);
}

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

TEST(MoveTreeBranch, MovesWholeBranchesAndLeavesWithKeysTextsImagesTagsAndOrder) {
    TreeView tree;
    build(tree, {{"0 Key", "1 Key", "Source"},
                 {"1 Key", "11 Key", "Same", "WEB", "WebSite"},
                 {"11 Key", "111 Key", "Child", "FILE", "File"},
                 {"111 Key", "1111 Key", "Leaf"},  // the last below the first "Same"
                 {"1 Key", "12 Key", "Between"},
                 {"1 Key", "13 Key", "Same"},
                 {"0 Key", "2 Key", "Target"},
                 {"2 Key", "21 Key", "Already there"},
                 {"0 Key", "3 Key", "Loose", "Utils", "Text/Code"}});
    tree.setSelectedItem(tree.node("111 Key"));

    ASSERT_TRUE(store::MoveTreeBranch(tree, "3 Key", "12 Key"));
    ASSERT_TRUE(store::MoveTreeBranch(tree, "1 Key", "2 Key"));
    const QStringList moved = {"2 Key:Target[FOLDER,]",          "  21 Key:Already there[FOLDER,]",
                               "  1 Key:Source[FOLDER,]",        "    11 Key:Same[WEB,WebSite]",
                               "      111 Key:Child[FILE,File]", "        1111 Key:Leaf[FOLDER,]",
                               "    12 Key:Between[FOLDER,]",    "      3 Key:Loose[Utils,Text/Code]",
                               "    13 Key:Same[FOLDER,]"};
    EXPECT_EQ(describe(tree.node("0 Key")), moved);
    EXPECT_EQ(tree.count(), 10);
    EXPECT_EQ(tree.selectedItem(), tree.node("111 Key"));
    EXPECT_TRUE(tree.node("2 Key")->expanded());

    // Impossible moves change nothing.
    EXPECT_FALSE(store::MoveTreeBranch(tree, "1 Key", "111 Key"));  // into its own branch
    EXPECT_FALSE(store::MoveTreeBranch(tree, "2 Key", "2 Key"));
    for (const auto& [source, target] : {std::pair{"9 Key", "2 Key"}, {"1 Key", "9 Key"}})
        EXPECT_EQ(seamtest::raised([&] { store::MoveTreeBranch(tree, source, target); }).number,
                  controls::errElementNotFound)
            << source << " -> " << target;
    EXPECT_EQ(describe(tree.node("0 Key")), moved);
}

TEST(IsValidCategoryMove, RefusesItsOwnBranchByKeyNotByName) {
    TreeView tree;
    build(tree, {{"0 Key", "1 Key", "Utils"},
                 {"1 Key", "2 Key", "Strings"},
                 {"2 Key", "3 Key", "Deep"},
                 {"0 Key", "4 Key", "Misc"},
                 {"4 Key", "5 Key", "Utils"},  // another category of the same name
                 {"5 Key", "6 Key", "Sub"},
                 {"0 Key", "7 Key", "Other"},
                 {"7 Key", "8 Key", "Lib"}});
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"0 Key", "7 Key", false},                            // the root
        {"2 Key", "1 Key", false},                            // onto its own parent: nothing would move
        {"1 Key", "1 Key", false},                            // onto itself
        {"1 Key", "3 Key", false},                            // onto its own grandchild
        {"9 Key", "7 Key", false},                            // missing nodes
        {"2 Key", "9 Key", false}, {"2 Key", "5 Key", true},  // a namesake of its parent is another category
        {"1 Key", "5 Key", true},                             // ... and so is a namesake of its own
        {"1 Key", "6 Key", true},                             // below a different category of the same name
        {"5 Key", "2 Key", true},                             // a namesake on the target's path
        {"2 Key", "7 Key", true},  {"6 Key", "3 Key", true},
        {"8 Key", "4 Key", true},  {"2 Key", "0 Key", true},  // onto the root
    };
    for (const auto& [source, target, valid] : cases)
        EXPECT_EQ(store::IsValidCategoryMove(tree, source, target), valid) << source << " -> " << target;
}

TEST(CountVisibleWindows, CountsVisibleTitlesContainingTheText) {
    const QString ide = "Code Workbench";
    QWidget first, second, hidden, other, longTitle;
    first.setWindowTitle("Project1 - " + ide + " [design]");
    second.setWindowTitle("Project2 - " + ide + " [run]");
    hidden.setWindowTitle(ide);
    other.setWindowTitle("Notepad");
    longTitle.setWindowTitle(QString(250, 'x') + ide);  // the text lies beyond 255 characters
    for (QWidget* w : {&first, &second, &other, &longTitle, &hidden}) w->show();
    hidden.hide();
    QApplication::processEvents();
    EXPECT_EQ(store::CountVisibleWindows(&first, ide), 2);
    EXPECT_EQ(store::GetWindowTitle(&longTitle).size(), 255);
    second.hide();
    EXPECT_EQ(store::CountVisibleWindows(&first, ide), 1);

    // A child window counts its visible siblings.
    QList<QWidget*> children;
    for (int i = 0; i < 3; ++i) {
        children << new QWidget(&other);
        children.last()->setWindowTitle(ide);
        children.last()->setVisible(i < 2);
    }
    EXPECT_EQ(store::CountVisibleWindows(children[0], ide), 2);
}

TEST(EditCommand, ActsOnTheFocusedTextBoxOnly) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* line = new QLineEdit;
    auto* plain = new QPlainTextEdit;
    auto* button = new QPushButton("Go");
    for (QWidget* w :
         {static_cast<QWidget*>(line), static_cast<QWidget*>(plain), static_cast<QWidget*>(button)})
        layout->addWidget(w);
    button->setFocusPolicy(Qt::StrongFocus);
    window.show();
    window.activateWindow();
    const auto focus = [](QWidget* w) {
        w->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), w);
    };
    const auto clipboard = [] { return QApplication::clipboard()->text(); };

    focus(line);
    line->setText("Public Sub Main()");
    line->setSelection(7, 3);  // "Sub"
    store::EditCommand(store::editCut);
    EXPECT_EQ(clipboard(), "Sub");
    EXPECT_EQ(line->text(), "Public  Main()");
    line->setSelection(8, 4);  // "Main"
    store::EditCommand(store::editPaste);
    EXPECT_EQ(line->text(), "Public  Sub()");
    line->setSelection(0, 7);
    store::EditCommand(store::editDelete);
    store::EditCommand(store::editDelete);  // no selection left: nothing more goes
    store::EditCommand(4);
    EXPECT_EQ(line->text(), " Sub()");
    line->setReadOnly(true);  // a read-only box only gives its text away
    line->selectAll();
    store::EditCommand(store::editCut);
    EXPECT_EQ(clipboard(), " Sub()");
    EXPECT_EQ(line->text(), " Sub()");

    focus(plain);
    plain->setPlainText("line one\nline two");
    plain->selectAll();
    store::EditCommand(store::editPaste);
    EXPECT_EQ(plain->toPlainText(), " Sub()");

    focus(button);
    line->setReadOnly(false);
    line->selectAll();
    store::EditCommand(store::editCut);
    EXPECT_EQ(line->text(), " Sub()");
}

}  // namespace
