#include "platform/controls.h"

#include "platform_fixture.h"

#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QTabBar>

#include <gtest/gtest.h>

#include <algorithm>

using namespace controls;
using platformtest::errorOf;

namespace {

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

void pressKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::processEvents();  // an editor commits its text queued
}

// Starts an edit, types text and presses Return; false when no editor opened. Closed editors
// linger hidden until deleted later, so only a visible one counts.
template <typename View>
bool editLabel(View& view, QWidget* viewport, const QString& text) {
    view.startLabelEdit();
    for (QLineEdit* editor : viewport->findChildren<QLineEdit*>()) {
        if (!editor->isVisible()) continue;
        editor->setText(text);
        pressKey(editor, Qt::Key_Return);
        return true;
    }
    return false;
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
    const auto text = [](const TreeNode* n) { return n ? n->text() : QStringLiteral("-"); };
    EXPECT_EQ(t.tree.firstRoot(), t.root);
    EXPECT_EQ(t.root->children(), 3);
    EXPECT_EQ(childTexts(t.root), QStringList({"A", "B", "C"}));
    EXPECT_EQ(
        QStringList({text(t.root->parent()), text(t.c->next()), text(t.b->previous()), text(t.a->previous()),
                     text(t.b->firstSibling()), text(t.a->lastSibling()), text(t.a1->parent()),
                     text(t.a2->root()), text(t.a1->lastSibling()), text(t.a1->child())}),
        QStringList({"-", "-", "A", "-", "A", "C", "A", "Library.mdb", "A2", "-"}));
    t.tree.add("2 Key", tvwNext, "n", "after B");
    t.tree.add("2 Key", tvwPrevious, "p", "before B");
    t.tree.add("2 Key", tvwFirst, "f", "first");
    t.tree.add("2 Key", tvwLast, "l", "last");
    EXPECT_EQ(childTexts(t.root), QStringList({"first", "A", "before B", "B", "after B", "C", "last"}));
    // Indexes number the nodes in the order they were added, whatever their place.
    EXPECT_EQ(t.tree.node("f")->index(), 9);
    EXPECT_EQ(t.tree.findNodeByIndex(8)->text(), "before B");
}

TEST(TreeView, KeysAreUniqueFoundAtOnceAndFreedWithTheirNodes) {
    SampleTree t;
    EXPECT_EQ(errorOf([&] { t.tree.add("0 Key", tvwChild, "2 Key", "again"); }), errKeyNotUnique);
    EXPECT_EQ(errorOf([&] { t.tree.add("99 Key", tvwChild, "6 Key", "orphan"); }), errElementNotFound);
    EXPECT_EQ(errorOf([&] { t.tree.node("99 Key"); }), errElementNotFound);
    EXPECT_EQ(errorOf([&] { t.b->setKey("1 Key"); }), errKeyNotUnique);
    EXPECT_EQ(t.tree.count(), 6);

    // A cleared key can be given to another node; a node without a key is not found by "".
    t.a1->setKey(QString());
    EXPECT_EQ(t.tree.findNode(QString()), nullptr);
    t.b->setKey("4 Key");
    EXPECT_EQ(t.tree.node("4 Key"), t.b);

    // Removing A takes its children and their keys and indexes; the others keep their indexes.
    const int cIndex = t.c->index();
    t.tree.remove("1 Key");
    EXPECT_EQ(t.tree.count(), 3);
    EXPECT_EQ(t.tree.findNode("5 Key"), nullptr);
    EXPECT_EQ(t.tree.findNodeByIndex(5), nullptr);
    EXPECT_EQ(t.tree.findNodeByIndex(cIndex), t.c);
    t.tree.add("0 Key", tvwChild, "5 Key", "reused");
    EXPECT_EQ(t.tree.node("5 Key")->index(), 7);

    t.tree.clear();
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
    EXPECT_TRUE(t.root->selected());
    t.tree.remove(t.tree.add("0 Key", tvwChild, "8 Key", "unselected"));
    EXPECT_EQ(t.tree.selectedItem(), t.root);
}

TEST(TreeView, KeyboardClicksReportTheNodeAndLabelEditsCanBeRefused) {
    SampleTree t;
    QList<TreeNode*> clicked;
    QObject::connect(&t.tree, &TreeView::nodeClick, [&](TreeNode* n) { clicked << n; });
    t.tree.show();
    t.tree.ensureVisible(t.a1);
    EXPECT_TRUE(t.a->expanded());
    t.tree.setSelectedItem(t.a);
    EXPECT_TRUE(clicked.isEmpty()) << "selecting in code is no click";
    pressKey(&t.tree, Qt::Key_Down);
    EXPECT_EQ(clicked, QList<TreeNode*>{t.a1});
    // A key the handler takes goes no further.
    QObject::connect(&t.tree, &TreeView::keyDown, [](int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Up) key = 0;
    });
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(&t.tree, &up);
    EXPECT_TRUE(up.isAccepted());
    EXPECT_EQ(t.tree.selectedItem(), t.a1);
    const QRect a2Rect = t.tree.visualRect(t.tree.indexFromNode(t.a2));
    EXPECT_EQ(t.tree.hitTest(t.tree.viewport()->mapTo(&t.tree, a2Rect.center())), t.a2);

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
    EXPECT_FALSE(editLabel(t.tree, t.tree.viewport(), "Refused"));
    EXPECT_EQ(asked, t.b);
    refuseBefore = false;
    ASSERT_TRUE(editLabel(t.tree, t.tree.viewport(), "Renamed"));
    EXPECT_EQ(offered, "Renamed");
    EXPECT_EQ(t.b->text(), "B");
    refuseAfter = false;
    ASSERT_TRUE(editLabel(t.tree, t.tree.viewport(), "Renamed again"));
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
    EXPECT_FALSE(images.contains("folder"));
    EXPECT_EQ(images.item("FOLDER").availableSizes().value(0), QSize(16, 16));
    EXPECT_EQ(errorOf([&] { images.add("WEB", QPixmap(16, 16)); }), errKeyNotUnique);
    EXPECT_EQ(errorOf([&] { images.item("Utils"); }), errElementNotFound);
    EXPECT_EQ(errorOf([&] { images.remove("Utils"); }), errElementNotFound);
    EXPECT_FALSE(images.find("Utils").has_value());

    int changed = 0;
    QObject::connect(&images, &ImageList::changed, [&] { ++changed; });
    images.renameKey("FOLDER", "Utils");
    EXPECT_TRUE(images.contains("Utils") && !images.contains("FOLDER"));
    EXPECT_EQ(errorOf([&] { images.renameKey("Utils", "WEB"); }), errKeyNotUnique);
    images.renameKey("Utils", QString());  // blanked: the picture stays, nobody finds it
    EXPECT_EQ(images.count(), 3);
    images.remove("WEB");
    EXPECT_EQ(images.count(), 2);
    EXPECT_EQ(changed, 3);
}

TEST(ListView, KeysAndIndexesFollowAddsAndRemovesInOneNotification) {
    ListView list;
    for (int i = 1; i <= 5; ++i) list.add(QString("%1 key").arg(i), QString("Item %1").arg(i));
    EXPECT_EQ(list.item("3 key")->index(), 3);
    EXPECT_EQ(list.item(4)->key(), "4 key");
    EXPECT_EQ(errorOf([&] { list.add("2 key", "again"); }), errKeyNotUnique);
    EXPECT_EQ(errorOf([&] { list.item("9 key"); }) + errorOf([&] { list.item(6); }) +
                  errorOf([&] { list.item(0); }),
              3 * errElementNotFound);
    ListItem* fourth = list.item("4 key");
    list.remove("2 key");
    EXPECT_EQ(fourth->index(), 3);
    EXPECT_EQ(list.findItem("2 key"), nullptr);
    list.add("2 key", "back");
    EXPECT_EQ(list.item("2 key")->index(), 5);
    list.item(1)->setSubItem(3, "third");
    EXPECT_EQ(list.item(1)->subItem(3), "third");
    EXPECT_EQ(list.item(1)->subItem(9), "");
    list.clear();
    EXPECT_EQ(list.findItem("1 key"), nullptr);

    // Rows added one by one reach the view in one notification, or at the end of an update.
    list.setView(lvwReport);
    QAbstractItemModel* model = list.detailsView()->model();
    int inserted = 0;
    QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    for (int i = 0; i < 1000; ++i) list.add(QString::number(i), "row");
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

    // A long list is gone at once, its keys free again, however its rows are freed.
    for (int i = 1500; i < 6000; ++i) list.add(QString::number(i), "row");
    list.clear();
    EXPECT_EQ(model->rowCount(), 0);
    list.add("1", "again");
    EXPECT_EQ(list.count(), 1);
}

TEST(ListView, SortingIgnoresCaseKeepsTiesAndSurvivesItsColumn) {
    ListView list;
    list.addColumn("Name");
    list.addColumn("Changed");
    for (const QString name : {"banana", "Apple", "cherry", "apple pie", "B", "b"})
        list.add(name + " key", name)->setSubItem(1, QString::number(name.size()));
    list.setSorted(true);
    EXPECT_EQ(labels(list), QStringList({"Apple", "apple pie", "B", "b", "banana", "cherry"}));
    list.setSortOrder(lvwDescending);
    EXPECT_EQ(labels(list), QStringList({"cherry", "banana", "B", "b", "apple pie", "Apple"}));
    list.add("Zed key", "Zed");  // added while sorted: goes to its place
    EXPECT_EQ(list.item("Zed key")->index(), 1);
    // A row's own sort text stands in for what it shows.
    list.item("B key")->setSortText(0, "zzz");
    list.setSortOrder(lvwDescending);
    EXPECT_EQ(list.item("B key")->index(), 1);
    list.item("B key")->setSortText(0, QString());

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
    // Equal keys now: a new row goes last and the others keep their order.
    list.add("new key", "aaa");
    EXPECT_EQ(labels(list), order + QStringList{"aaa"});
}

// Rows known by number: texts come from the source, a few windows at a time, and a row turns into a
// ListItem only when a caller asks for one.
TEST(ListView, RowsByNumberAreReadWhenShownAndBecomeItemsWhenAsked) {
    struct Source : ListRowSource {
        QHash<qint64, QPair<QString, QString>> rows;  // id: label, date sort text
        mutable int reads = 0;
        void readRows(const qint64* ids, int count, ListRowData* out) const override {
            ++reads;
            for (int i = 0; i < count; ++i)
                if (rows.contains(ids[i])) {
                    out[i].text = rows[ids[i]].first;
                    out[i].subItems = {QStringLiteral("shown ") + rows[ids[i]].second};
                    out[i].sortTexts.insert(1, rows[ids[i]].second);
                }
        }
        QString key(qint64 id) const override { return QString::number(id) + " key"; }
        qint64 idOfKey(const QString& key) const override {
            return key.endsWith(" key") ? key.section(' ', 0, 0).toLongLong() : -1;
        }
    } source;
    source.rows = {{30, {"cherry", "1"}}, {10, {"Apple", "3"}}, {20, {"banana", "2"}}};
    ListView list;
    list.addColumn("Name");
    list.addColumn("Changed");
    list.setRowSource(&source);
    list.add("folder", "b-folder");
    list.addRows({30, 10, 99, 20});  // 99: gone from the source meanwhile
    QCoreApplication::processEvents();
    ASSERT_EQ(list.count(), 5);
    QAbstractItemModel* model = list.detailsView()->model();
    const auto shown = [&](int row, int column) { return model->index(row, column).data().toString(); };
    EXPECT_EQ(shown(1, 0), "cherry");
    EXPECT_EQ(shown(4, 1), "shown 2");
    EXPECT_EQ(shown(3, 0), "");
    EXPECT_EQ(source.reads, 1);  // the neighbours came with the first row
    EXPECT_EQ(list.loadedItem(2), nullptr);

    // Found by key: an item with the texts of that moment, which callers may change.
    ListItem* apple = list.findItem("10 key");
    ASSERT_NE(apple, nullptr);
    EXPECT_EQ(apple->text(), "Apple");
    EXPECT_EQ(apple->index(), 3);
    EXPECT_EQ(list.loadedItem(3), apple);
    EXPECT_EQ(list.findItem("11 key"), nullptr);
    EXPECT_EQ(list.findItem("folder"), list.item(1));

    // Sorting reads the rows it does not hold; an item keeps its own sort text.
    const struct {
        int key;
        ListSortOrder order;
        QStringList labels;
    } sorts[] = {
        {0, lvwAscending, {"", "Apple", "b-folder", "banana", "cherry"}},
        {1, lvwAscending, {"", "b-folder", "cherry", "banana", "Apple"}},  // ties keep their order
        {1, lvwDescending, {"Apple", "banana", "cherry", "", "b-folder"}},
    };
    for (const auto& sort : sorts) {
        list.setSorted(false);
        list.setSortKey(sort.key);
        list.setSortOrder(sort.order);
        list.setSorted(true);
        QStringList order;
        for (int row = 0; row < list.count(); ++row) order << shown(row, 0);
        EXPECT_EQ(order, sort.labels) << sort.key;
    }
    EXPECT_EQ(apple->index(), 1);

    // What the source says now shows once the list forgets what it read; an item keeps its texts.
    source.rows[30].first = "cherries";
    source.rows[10].first = "Apples";
    list.refreshRows();
    EXPECT_EQ(shown(2, 0), "cherries");
    EXPECT_EQ(shown(0, 0), "Apple");
    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.findItem("10 key"), nullptr);
}

TEST(ListView, ViewsShowTheirOwnListAndIcons) {
    ImageList large(QSize(32, 32)), small(QSize(16, 16));
    large.add("TEXT", QPixmap(32, 32));
    small.add("TEXT", QPixmap(16, 16));
    ListView list;
    list.setIcons(&large);
    list.setSmallIcons(&small);
    EXPECT_EQ(list.addColumn("Name", 150), 1);
    EXPECT_EQ(list.addColumn("Category", 80), 2);
    list.add("1 key", "Proc", "TEXT", "TEXT");
    list.add("2 key", "No picture", "MISSING", "MISSING");
    // A whole sentence last: the small views must not size every cell to it.
    list.add("3 key", QString("A described web shortcut ").repeated(8), "TEXT", "TEXT");
    list.setSelectedItem(list.item(1));
    list.resize(900, 300);
    list.show();

    const struct {
        ListViewStyle view;
        QListView::ViewMode mode;
        QListView::Flow flow;
        QSize icon;
    } iconViews[] = {{lvwIcon, QListView::IconMode, QListView::LeftToRight, QSize(32, 32)},
                     {lvwList, QListView::ListMode, QListView::TopToBottom, QSize(16, 16)},
                     {lvwSmallIcon, QListView::ListMode, QListView::LeftToRight, QSize(16, 16)}};
    for (const auto& v : iconViews) {
        list.setView(v.view);
        EXPECT_EQ(list.currentView(), list.iconView()) << v.view;
        EXPECT_EQ(list.iconView()->viewMode(), v.mode) << v.view;
        EXPECT_EQ(list.iconView()->flow(), v.flow) << v.view;
        EXPECT_EQ(list.iconView()->iconSize(), v.icon) << v.view;
        QApplication::processEvents();
        EXPECT_LT(list.iconView()->visualRect(list.iconView()->model()->index(0, 0)).width(), 300) << v.view;
    }
    list.setView(lvwReport);
    EXPECT_EQ(list.currentView(), list.detailsView());
    const auto decoration = [&](int row) {
        return list.detailsView()->model()->index(row, 0).data(Qt::DecorationRole);
    };
    EXPECT_FALSE(decoration(0).value<QIcon>().isNull());
    EXPECT_TRUE(decoration(1).value<QIcon>().isNull())
        << "a key missing from the image list shows no picture";
    EXPECT_EQ(list.detailsView()->header()->sectionSize(0), 150);
    EXPECT_EQ(list.detailsView()->model()->headerData(1, Qt::Horizontal).toString(), "Category");
    EXPECT_EQ(list.selectedItem(), list.item(1)) << "one selection whatever the view";
    QList<int> clicked;
    QObject::connect(&list, &ListView::columnClick, [&](int index) { clicked << index; });
    emit list.detailsView()->header()->sectionClicked(1);
    EXPECT_EQ(clicked, QList<int>{2});
}

// The browser's first row in a category ("back to the parent") has no picture; the pictures of
// the rows after it are whole all the same, and a wide window gives its room to the last column.
TEST(ListView, RowsFitTheirPicturesAndTheLastColumnTakesTheRoomLeft) {
    ImageList small(QSize(16, 16));
    small.add("TEXT", QPixmap(16, 16));
    ListView list;
    list.setSmallIcons(&small);
    list.addColumn("Name", 100);
    list.addColumn("Description", 100);
    list.add("Parent TreeNode", "   . .      ", QString(), QString());
    list.add("1 key", "Proc", "TEXT", "TEXT");
    list.setView(lvwReport);
    list.resize(900, 300);
    list.show();
    QApplication::processEvents();
    QTreeView* view = list.detailsView();
    for (int row : {0, 1}) EXPECT_GE(view->visualRect(view->model()->index(row, 0)).height(), 18) << row;
    EXPECT_EQ(view->header()->sectionSize(0), 100);
    EXPECT_EQ(view->header()->sectionSize(0) + view->header()->sectionSize(1), view->viewport()->width());
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
    // A key the receiver takes goes no further; the Return that ends a label edit is no key of the list.
    QList<int> keys;
    QObject::connect(&list, &ListView::keyDown, [&](int& key, Qt::KeyboardModifiers) {
        keys << key;
        if (key == Qt::Key_Down) key = 0;
    });
    pressKey(list.detailsView(), Qt::Key_Down);
    EXPECT_EQ(clicked, QList<ListItem*>{second});
    QWidget* viewport = list.detailsView()->viewport();
    EXPECT_FALSE(editLabel(list, viewport, "Refused"));
    list.setSelectedItem(first);
    ASSERT_TRUE(editLabel(list, viewport, "report.txt"));
    EXPECT_EQ(first->text(), "report.BAS");
    ASSERT_TRUE(editLabel(list, viewport, "summary.BAS"));
    EXPECT_EQ(first->text(), "summary.BAS");
    // An edit begun on another column edits the label.
    EXPECT_EQ(keys, QList<int>{Qt::Key_Down});
    list.detailsView()->edit(list.detailsView()->model()->index(0, 1));
    const QList<QLineEdit*> editors = viewport->findChildren<QLineEdit*>();
    EXPECT_TRUE(std::any_of(editors.begin(), editors.end(),
                            [](QLineEdit* e) { return e->isVisible() && e->text() == "summary.BAS"; }));
}

TEST(StatusBar, PanelsByIndexAndKeyWithClocks) {
    StatusBar bar;
    EXPECT_EQ(bar.addPanel("Ready...", 200, "status", sbrText, sbrSpring)->index(), 1);
    StatusPanel* time = bar.addPanel(QString(), 60, "time", sbrTime);
    StatusPanel* date = bar.addPanel(QString(), 80, QString(), sbrDate);
    EXPECT_EQ(bar.panel("time"), time);
    EXPECT_EQ(errorOf([&] { bar.panel(4); }), errElementNotFound);
    EXPECT_EQ(errorOf([&] { bar.addPanel("x", 10, "time"); }), errKeyNotUnique);
    EXPECT_EQ(date->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    EXPECT_FALSE(time->text().isEmpty());
    bar.panel(1)->setText("<b>Cat: '<New Category>'</b>");
    EXPECT_EQ(bar.panel(1)->textFormat(), Qt::PlainText) << "texts are never markup";
    bar.removePanel(2);
    EXPECT_EQ(bar.panel(2), date);
    EXPECT_EQ(errorOf([&] { bar.panel("time"); }), errElementNotFound);

    // A double click is one click and one double click, as the old control reported it.
    QStringList events;
    QObject::connect(&bar, &StatusBar::panelClick, [&](StatusPanel*) { events << "click"; });
    QObject::connect(&bar, &StatusBar::panelDblClick, [&](StatusPanel*) { events << "dblclick"; });
    StatusPanel* panel = bar.panel(1);
    panel->resize(100, 20);
    const QPointF at(5, 5);
    for (QEvent::Type type :
         {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
          QEvent::MouseButtonRelease, QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, panel->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &event);
    }
    EXPECT_EQ(events, QStringList({"click", "dblclick", "click"}));
}

TEST(TabStrip, KeyedTabsSelectionAndClientArea) {
    TabStrip tabs;
    int clicked = 0;
    QObject::connect(&tabs, &TabStrip::click, [&] { ++clicked; });
    tabs.add("string", "By String");
    EXPECT_EQ(tabs.add("date", "By Date"), 2);
    EXPECT_EQ(tabs.selectedKey(), "string");  // adding the first tab selects it without a click
    EXPECT_EQ(errorOf([&] { tabs.add("date", "again"); }), errKeyNotUnique);
    EXPECT_EQ(errorOf([&] { tabs.setSelectedIndex(3); }), errElementNotFound);
    tabs.setSelectedKey("date");
    EXPECT_EQ(tabs.selectedIndex(), 2);
    EXPECT_EQ(clicked, 1);
    tabs.resize(300, 200);
    EXPECT_GE(tabs.clientRect().top(), tabs.tabBar()->geometry().bottom());
    EXPECT_TRUE(tabs.rect().contains(tabs.clientRect()));
}
