#include "platform/controls.h"

#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMouseEvent>
#include <QTabBar>

#include <gtest/gtest.h>

using namespace controls;

namespace {

template <typename F>
int errorNumberOf(F&& f) {
    try {
        f();
    } catch (const engine::Error& e) {
        return e.number();
    }
    return 0;
}

QStringList childTexts(const TreeNode* parent) {
    QStringList texts;
    for (const TreeNode* n = parent->child(); n; n = n->next()) texts << n->text();
    return texts;
}

QStringList labels(const ListView& list) {
    QStringList texts;
    for (int i = 1; i <= list.count(); ++i) texts << list.item(i)->text();
    return texts;
}

// The open editor; closed ones linger hidden until deleted later.
QLineEdit* openEditor(QWidget* view) {
    for (QLineEdit* editor : view->findChildren<QLineEdit*>())
        if (editor->isVisible()) return editor;
    return nullptr;
}

void pressKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::processEvents();  // an editor commits its text queued
}

// A tree like the category tree: root with A (A1, A2), B, C.
struct SampleTree {
    TreeView tree;
    TreeNode* root = tree.add(QString(), tvwChild, "0 Key", "Library.mdb", "MRV");
    TreeNode* a = tree.add("0 Key", tvwChild, "1 Key", "A");
    TreeNode* b = tree.add("0 Key", tvwChild, "2 Key", "B");
    TreeNode* c = tree.add("0 Key", tvwChild, "3 Key", "C");
    TreeNode* a1 = tree.add("1 Key", tvwChild, "4 Key", "A1");
    TreeNode* a2 = tree.add("1 Key", tvwChild, "5 Key", "A2");
};

}  // namespace

TEST(TreeView, NavigationFollowsTheTreeAndRelationshipsPlaceNodes) {
    SampleTree t;
    EXPECT_EQ(t.tree.count(), 6);
    EXPECT_EQ(t.tree.firstRoot(), t.root);
    EXPECT_EQ(t.root->parent(), nullptr);
    EXPECT_EQ(t.root->children(), 3);
    EXPECT_EQ(t.root->child(), t.a);
    EXPECT_EQ(t.a->next(), t.b);
    EXPECT_EQ(t.c->next(), nullptr);
    EXPECT_EQ(t.b->previous(), t.a);
    EXPECT_EQ(t.a->previous(), nullptr);
    EXPECT_EQ(t.b->firstSibling(), t.a);
    EXPECT_EQ(t.a->lastSibling(), t.c);
    EXPECT_EQ(t.a1->parent(), t.a);
    EXPECT_EQ(t.a2->root(), t.root);
    EXPECT_EQ(t.a1->lastSibling(), t.a2);
    EXPECT_EQ(t.a1->child(), nullptr);
    EXPECT_EQ(t.a1->children(), 0);

    t.tree.add("2 Key", tvwNext, "n", "after B");
    t.tree.add("2 Key", tvwPrevious, "p", "before B");
    t.tree.add("2 Key", tvwFirst, "f", "first");
    t.tree.add("2 Key", tvwLast, "l", "last");
    EXPECT_EQ(childTexts(t.root), QStringList({"first", "A", "before B", "B", "after B", "C", "last"}));
    // Indexes number the nodes in the order they were added, whatever their place.
    EXPECT_EQ(t.root->index(), 1);
    EXPECT_EQ(t.a2->index(), 6);
    EXPECT_EQ(t.tree.node("f")->index(), 9);
    EXPECT_EQ(t.tree.findNodeByIndex(8)->text(), "before B");
}

TEST(TreeView, KeysAreUniqueFoundAtOnceAndFreedWithTheirNodes) {
    SampleTree t;
    EXPECT_EQ(errorNumberOf([&] { t.tree.add("0 Key", tvwChild, "2 Key", "again"); }), errKeyNotUnique);
    EXPECT_EQ(errorNumberOf([&] { t.tree.add("99 Key", tvwChild, "6 Key", "orphan"); }), errElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { t.tree.node("99 Key"); }), errElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { t.b->setKey("1 Key"); }), errKeyNotUnique);
    EXPECT_EQ(t.tree.findNode("99 Key"), nullptr);
    EXPECT_EQ(t.tree.count(), 6);

    // A cleared key can be given to another node; a node without a key is not found by "".
    t.a1->setKey(QString());
    EXPECT_EQ(t.tree.findNode(QString()), nullptr);
    EXPECT_EQ(t.tree.findNode("4 Key"), nullptr);
    t.b->setKey("4 Key");
    EXPECT_EQ(t.tree.node("4 Key"), t.b);

    // Removing A takes its children and their keys and indexes; the others keep their indexes.
    const int cIndex = t.c->index();
    t.tree.remove("1 Key");
    EXPECT_EQ(t.tree.count(), 3);
    EXPECT_EQ(t.tree.findNode("5 Key"), nullptr);
    EXPECT_EQ(t.tree.findNodeByIndex(5), nullptr);
    EXPECT_EQ(t.tree.findNodeByIndex(cIndex), t.c);
    EXPECT_EQ(childTexts(t.root), QStringList({"B", "C"}));
    t.tree.add("0 Key", tvwChild, "5 Key", "reused");
    EXPECT_EQ(t.tree.node("5 Key")->index(), 7);

    t.tree.clear();
    EXPECT_EQ(t.tree.count(), 0);
    EXPECT_EQ(t.tree.findNode("0 Key"), nullptr);
    EXPECT_EQ(t.tree.add(QString(), tvwChild, "0 Key", "fresh")->index(), 1);
}

TEST(TreeView, RemovingTheSelectedBranchSelectsANeighbour) {
    SampleTree t;
    t.tree.setSelectedItem(t.a1);
    t.tree.setDropHighlight(t.a1);
    t.tree.remove(t.a);  // selection inside the removed branch
    EXPECT_EQ(t.tree.selectedItem(), t.b);
    EXPECT_EQ(t.tree.dropHighlight(), nullptr);

    t.tree.setSelectedItem(t.c);
    t.tree.remove(t.c);  // the last sibling: the one before it
    EXPECT_EQ(t.tree.selectedItem(), t.b);
    t.tree.remove(t.b);  // an only child: its parent
    EXPECT_EQ(t.tree.selectedItem(), t.root);
    EXPECT_TRUE(t.root->selected());

    TreeNode* other = t.tree.add("0 Key", tvwChild, "9 Key", "other");
    t.tree.setSelectedItem(other);
    t.tree.remove(t.tree.add("0 Key", tvwChild, "8 Key", "unselected"));
    EXPECT_EQ(t.tree.selectedItem(), other);
}

TEST(TreeView, ClicksByKeyboardReportTheNodeButSelectingInCodeDoesNot) {
    SampleTree t;
    QList<TreeNode*> clicked;
    QObject::connect(&t.tree, &TreeView::nodeClick, [&](TreeNode* n) { clicked << n; });
    t.tree.show();
    t.tree.ensureVisible(t.a1);
    EXPECT_TRUE(t.a->expanded());
    t.tree.setSelectedItem(t.a);
    EXPECT_TRUE(clicked.isEmpty());
    pressKey(&t.tree, Qt::Key_Down);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.first(), t.a1);
    EXPECT_EQ(t.tree.selectedItem(), t.a1);

    const QRect a2Rect = t.tree.visualRect(t.tree.indexFromNode(t.a2));
    const QPoint inControl = t.tree.viewport()->mapTo(&t.tree, a2Rect.center());
    EXPECT_EQ(t.tree.hitTest(inControl), t.a2);
}

TEST(TreeView, LabelEditCanBeRefusedBeforeAndAfter) {
    SampleTree t;
    t.tree.show();
    bool refuseBefore = true, refuseAfter = true;
    TreeNode* asked = nullptr;
    QString offered;
    QObject::connect(&t.tree, &TreeView::beforeLabelEdit, [&](TreeNode* n, bool& cancel) {
        asked = n;
        cancel = refuseBefore;
    });
    QObject::connect(&t.tree, &TreeView::afterLabelEdit, [&](TreeNode*, bool& cancel, const QString& text) {
        offered = text;
        cancel = refuseAfter;
    });
    t.tree.setSelectedItem(t.b);
    t.tree.startLabelEdit();
    EXPECT_EQ(asked, t.b);
    EXPECT_EQ(openEditor(t.tree.viewport()), nullptr);

    const auto editTo = [&](const QString& text) {
        t.tree.startLabelEdit();
        QLineEdit* editor = openEditor(t.tree.viewport());
        if (!editor) return false;
        editor->setText(text);
        pressKey(editor, Qt::Key_Return);
        return true;
    };
    refuseBefore = false;
    ASSERT_TRUE(editTo("Renamed"));
    EXPECT_EQ(offered, "Renamed");
    EXPECT_EQ(t.b->text(), "B");
    refuseAfter = false;
    ASSERT_TRUE(editTo("Renamed again"));
    EXPECT_EQ(t.b->text(), "Renamed again");
}

TEST(ImageList, KeysFindPicturesAndMissingOnesAreReported) {
    ImageList images(QSize(16, 16));
    QPixmap big(48, 48);
    big.fill(Qt::red);
    images.add("FOLDER", big);
    images.add("WEB", QPixmap(16, 16));
    images.add(QString(), QPixmap(16, 16));
    EXPECT_EQ(images.count(), 3);
    EXPECT_EQ(images.keys(), QStringList({"FOLDER", "WEB"}));
    EXPECT_TRUE(images.contains("FOLDER"));
    EXPECT_FALSE(images.contains("folder"));
    EXPECT_FALSE(images.contains(QString()));
    EXPECT_EQ(images.item("FOLDER").availableSizes().value(0), QSize(16, 16));

    EXPECT_EQ(errorNumberOf([&] { images.add("WEB", QPixmap(16, 16)); }), errKeyNotUnique);
    EXPECT_EQ(errorNumberOf([&] { images.item("Utils"); }), errElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { images.remove("Utils"); }), errElementNotFound);
    EXPECT_FALSE(images.find("Utils").has_value());
    EXPECT_TRUE(images.find("WEB").has_value());

    int changed = 0;
    QObject::connect(&images, &ImageList::changed, [&] { ++changed; });
    images.renameKey("FOLDER", "Utils");
    EXPECT_TRUE(images.contains("Utils"));
    EXPECT_FALSE(images.contains("FOLDER"));
    EXPECT_EQ(errorNumberOf([&] { images.renameKey("Utils", "WEB"); }), errKeyNotUnique);
    images.renameKey("Utils", QString());  // blanked: the picture stays, nobody finds it
    EXPECT_EQ(images.count(), 3);
    EXPECT_FALSE(images.find("Utils"));
    images.remove("WEB");
    EXPECT_EQ(images.count(), 2);
    EXPECT_EQ(changed, 3);
}

TEST(ListView, KeysAndIndexesFollowAddsAndRemoves) {
    ListView list;
    for (int i = 1; i <= 5; ++i) list.add(QString("%1 key").arg(i), QString("Item %1").arg(i));
    EXPECT_EQ(list.count(), 5);
    EXPECT_EQ(list.item("3 key")->index(), 3);
    EXPECT_EQ(list.item(4)->key(), "4 key");
    EXPECT_EQ(errorNumberOf([&] { list.add("2 key", "again"); }), errKeyNotUnique);
    EXPECT_EQ(errorNumberOf([&] { list.item("9 key"); }), errElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { list.item(6); }), errElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { list.item(0); }), errElementNotFound);
    EXPECT_EQ(list.findItem("9 key"), nullptr);

    ListItem* fourth = list.item("4 key");
    list.remove("2 key");
    EXPECT_EQ(fourth->index(), 3);
    EXPECT_EQ(list.findItem("2 key"), nullptr);
    list.add("2 key", "back");
    EXPECT_EQ(list.item("2 key")->index(), 5);

    ListItem* row = list.item("1 key");
    row->setSubItem(3, "third");
    EXPECT_EQ(row->subItem(3), "third");
    EXPECT_EQ(row->subItem(1), "");
    EXPECT_EQ(row->subItem(9), "");

    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.findItem("1 key"), nullptr);
    list.add("1 key", "after clear");
    EXPECT_EQ(list.item(1)->text(), "after clear");
}

TEST(ListView, RowsAddedOneByOneReachTheViewsInOneNotification) {
    ListView list;
    list.setView(lvwReport);
    QAbstractItemModel* model = list.detailsView()->model();
    int inserted = 0;
    QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    for (int i = 0; i < 1000; ++i) list.add(QString::number(i), "row");
    EXPECT_EQ(list.count(), 1000);
    QApplication::processEvents();
    EXPECT_EQ(model->rowCount(), 1000);
    EXPECT_EQ(inserted, 1);

    list.beginUpdate();
    for (int i = 1000; i < 1500; ++i) list.add(QString::number(i), "row");
    QApplication::processEvents();  // still gathering
    EXPECT_EQ(model->rowCount(), 1000);
    list.endUpdate();
    EXPECT_EQ(model->rowCount(), 1500);
    EXPECT_EQ(inserted, 2);
}

TEST(ListView, SortingIgnoresCaseKeepsTiesAndSurvivesItsColumn) {
    ListView list;
    list.addColumn("Name");
    list.addColumn("Changed");
    const QStringList names = {"banana", "Apple", "cherry", "apple pie", "B", "b"};
    for (const QString& name : names)
        list.add(name + " key", name)->setSubItem(1, QString::number(name.size()));

    list.setSorted(true);
    EXPECT_EQ(labels(list), QStringList({"Apple", "apple pie", "B", "b", "banana", "cherry"}));
    list.setSortOrder(lvwDescending);
    EXPECT_EQ(labels(list), QStringList({"cherry", "banana", "B", "b", "apple pie", "Apple"}));
    // Rows added while sorted go to their place.
    list.add("Zed key", "Zed");
    EXPECT_EQ(list.item("Zed key")->index(), 1);

    // Sorting on a temporary column whose removal leaves the order made.
    list.setSorted(false);
    const int temp = list.addColumn("temp");
    const QStringList order = {"cherry", "Apple", "b", "Zed", "banana", "apple pie", "B"};
    for (int i = 0; i < order.size(); ++i)
        list.item(order[i] + " key")->setSubItem(temp - 1, QString::number(i));
    list.setSortOrder(lvwAscending);
    list.setSortKey(temp - 1);
    list.setSorted(true);
    list.removeColumn(temp);
    EXPECT_EQ(labels(list), order);
    EXPECT_EQ(list.item("Apple key")->subItem(temp - 1), "");
    // Equal keys now: a new row goes last and the others keep their order.
    list.add("new key", "aaa");
    EXPECT_EQ(labels(list), order + QStringList{"aaa"});
}

TEST(ListView, ViewsShowTheirOwnListAndIcons) {
    ImageList large(QSize(32, 32)), small(QSize(16, 16));
    QPixmap red(32, 32), blue(16, 16);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    large.add("TEXT", red);
    small.add("TEXT", blue);
    ListView list;
    list.setIcons(&large);
    list.setSmallIcons(&small);
    EXPECT_EQ(list.addColumn("Name", 150), 1);
    EXPECT_EQ(list.addColumn("Category", 80), 2);
    list.add("1 key", "Proc", "TEXT", "TEXT");
    list.add("2 key", "No picture", "MISSING", "MISSING");
    list.setSelectedItem(list.item(1));

    const auto decorationSize = [&](int row) {
        const QModelIndex index = list.detailsView()->model()->index(row, 0);
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        return icon.isNull() ? QSize() : icon.availableSizes().value(0);
    };
    list.setView(lvwIcon);
    EXPECT_EQ(list.currentView(), list.iconView());
    EXPECT_EQ(list.iconView()->viewMode(), QListView::IconMode);
    EXPECT_EQ(list.iconView()->iconSize(), QSize(32, 32));
    EXPECT_EQ(decorationSize(0), QSize(32, 32));
    EXPECT_EQ(decorationSize(1), QSize());

    list.setView(lvwList);
    EXPECT_EQ(list.iconView()->viewMode(), QListView::ListMode);
    EXPECT_EQ(list.iconView()->flow(), QListView::TopToBottom);
    EXPECT_EQ(list.iconView()->iconSize(), QSize(16, 16));
    EXPECT_EQ(decorationSize(0), QSize(16, 16));
    list.setView(lvwSmallIcon);
    EXPECT_EQ(list.iconView()->flow(), QListView::LeftToRight);

    list.setView(lvwReport);
    EXPECT_EQ(list.currentView(), list.detailsView());
    EXPECT_EQ(list.detailsView()->header()->sectionSize(0), 150);
    EXPECT_EQ(list.detailsView()->model()->headerData(1, Qt::Horizontal).toString(), "Category");
    // One selection whatever the view.
    EXPECT_EQ(list.selectedItem(), list.item(1));

    QList<int> clicked;
    QObject::connect(&list, &ListView::columnClick, [&](int index) { clicked << index; });
    emit list.detailsView()->header()->sectionClicked(1);
    EXPECT_EQ(clicked, QList<int>{2});
}

TEST(ListView, LabelEditCanBeRefusedAndKeyboardSelectionIsAClick) {
    ListView list;
    list.addColumn("Name");
    list.addColumn("Type");
    list.setView(lvwReport);
    ListItem* first = list.add("1 key", "report.BAS");
    ListItem* second = list.add("2 TreeNode", "Folder");
    list.show();
    QApplication::processEvents();

    QList<ListItem*> clicked;
    QObject::connect(&list, &ListView::itemClick, [&](ListItem* item) { clicked << item; });
    list.setSelectedItem(first);
    pressKey(list.detailsView(), Qt::Key_Down);
    EXPECT_EQ(clicked, QList<ListItem*>{second});

    QObject::connect(&list, &ListView::beforeLabelEdit,
                     [](ListItem* item, bool& cancel) { cancel = item->key().contains("TreeNode"); });
    QObject::connect(&list, &ListView::afterLabelEdit,
                     [](ListItem*, bool& cancel, const QString& text) { cancel = !text.endsWith(".BAS"); });
    list.startLabelEdit();
    EXPECT_EQ(openEditor(list.detailsView()->viewport()), nullptr);

    list.setSelectedItem(first);
    // An edit begun on another column edits the label.
    list.detailsView()->edit(list.detailsView()->model()->index(0, 1));
    QLineEdit* editor = openEditor(list.detailsView()->viewport());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "report.BAS");
    editor->setText("report.txt");
    pressKey(editor, Qt::Key_Return);
    EXPECT_EQ(first->text(), "report.BAS");

    list.startLabelEdit();
    editor = openEditor(list.detailsView()->viewport());
    ASSERT_NE(editor, nullptr);
    editor->setText("summary.BAS");
    pressKey(editor, Qt::Key_Return);
    EXPECT_EQ(first->text(), "summary.BAS");
}

TEST(StatusBar, PanelsByIndexAndKeyWithClocksAndClicks) {
    StatusBar bar;
    EXPECT_EQ(bar.addPanel("Ready...", 200, "status", sbrText, sbrSpring)->index(), 1);
    StatusPanel* time = bar.addPanel(QString(), 60, "time", sbrTime);
    StatusPanel* date = bar.addPanel(QString(), 80, QString(), sbrDate);
    EXPECT_EQ(bar.panelCount(), 3);
    EXPECT_EQ(bar.panel("time"), time);
    EXPECT_EQ(bar.panel(3), date);
    EXPECT_EQ(errorNumberOf([&] { bar.panel(4); }), errElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { bar.panel("search"); }), errElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { bar.addPanel("x", 10, "time"); }), errKeyNotUnique);
    EXPECT_EQ(date->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    EXPECT_FALSE(time->text().isEmpty());

    // Texts are never markup.
    bar.panel(1)->setText("<b>Cat: '<New Category>'</b>");
    EXPECT_EQ(bar.panel(1)->textFormat(), Qt::PlainText);

    QList<StatusPanel*> clicks, doubleClicks;
    QObject::connect(&bar, &StatusBar::panelClick, [&](StatusPanel* p) { clicks << p; });
    QObject::connect(&bar, &StatusBar::panelDblClick, [&](StatusPanel* p) { doubleClicks << p; });
    const QPointF inside(2, 2);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, time->mapToGlobal(inside), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(time, &release);
    QMouseEvent twice(QEvent::MouseButtonDblClick, inside, date->mapToGlobal(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(date, &twice);
    EXPECT_EQ(clicks, QList<StatusPanel*>{time});
    EXPECT_EQ(doubleClicks, QList<StatusPanel*>{date});

    bar.removePanel(2);
    EXPECT_EQ(date->index(), 2);
    EXPECT_EQ(errorNumberOf([&] { bar.panel("time"); }), errElementNotFound);
}

TEST(TabStrip, KeyedTabsSelectionAndClientArea) {
    TabStrip tabs;
    int clicked = 0;
    QObject::connect(&tabs, &TabStrip::click, [&] { ++clicked; });
    EXPECT_EQ(tabs.add("string", "By String"), 1);
    EXPECT_EQ(tabs.add("date", "By Date"), 2);
    EXPECT_EQ(clicked, 0);  // adding the first tab selects it without a click
    EXPECT_EQ(tabs.selectedIndex(), 1);
    EXPECT_EQ(tabs.selectedKey(), "string");
    EXPECT_EQ(tabs.indexOf("date"), 2);
    EXPECT_EQ(tabs.indexOf("size"), 0);
    EXPECT_EQ(tabs.caption(2), "By Date");
    EXPECT_EQ(errorNumberOf([&] { tabs.add("date", "again"); }), errKeyNotUnique);
    EXPECT_EQ(errorNumberOf([&] { tabs.tab("size"); }), errElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { tabs.setSelectedIndex(3); }), errElementNotFound);

    tabs.setSelectedKey("date");
    EXPECT_EQ(tabs.selectedIndex(), 2);
    EXPECT_EQ(clicked, 1);

    tabs.resize(300, 200);
    const QRect client = tabs.clientRect();
    EXPECT_GE(client.top(), tabs.tabBar()->geometry().bottom());
    EXPECT_TRUE(tabs.rect().contains(client));
    EXPECT_GT(client.height(), 100);
}
