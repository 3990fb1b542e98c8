#include "browser/MRVDocument.h"

#include "tests/browser/browser_fixture.h"

using namespace browsertest;

namespace {

class ItemListTest : public BrowserTest {
protected:
    // Categories: Code (1) with Sub (2) and Links (3, a web category) below it; Web (4); Mixed (5);
    // Holder (6) with only a file category (7) below it; Empty (8).
    QString makeSample() {
        return makeLibrary(
            QStringLiteral("items.mdb"),
            {category(1, 0, QStringLiteral("Code")), category(2, 1, QStringLiteral("Sub")),
             category(3, 1, QStringLiteral("Links"), QStringLiteral("WebSite")),
             category(4, 0, QStringLiteral("Web")), category(5, 0, QStringLiteral("Mixed")),
             category(6, 0, QStringLiteral("Holder")),
             category(7, 6, QStringLiteral("Stored"), QStringLiteral("File")),
             category(8, 0, QStringLiteral("Empty")),
             item(1, 1, QStringLiteral("Zip it"), QStringLiteral("Text/Code"), QStringLiteral("Packs")),
             item(2, 1, QStringLiteral("alpha"), QStringLiteral("Text/Code")),
             item(3, 1, QStringLiteral("http://example.org"), QStringLiteral("WebSite"),
                  QStringLiteral("Example")),
             item(4, 1, QStringLiteral("notes.txt"), QStringLiteral("File"), QStringLiteral("Notes")),
             item(5, 4, QStringLiteral("http://a.org"), QStringLiteral("WebSite"), QStringLiteral("  ")),
             item(6, 4, QStringLiteral("http://b.org"), QStringLiteral("WebSite")),
             item(7, 4, QStringLiteral("one"), QStringLiteral("Text/Code")),
             item(8, 4, QStringLiteral("two"), QStringLiteral("Text/Code"), QString(),
                  QStringLiteral("Null")),
             item(9, 5, QStringLiteral("http://c.org"), QStringLiteral("WebSite")),
             item(10, 5, QStringLiteral("three"), QStringLiteral("Text/Code")),
             item(11, 5, QStringLiteral("four"), QStringLiteral("Text/Code"))});
    }
    static QString type(const QString& lib, int cat) {
        return scalar(lib, QStringLiteral("SELECT Type FROM Category WHERE CatKey = %1").arg(cat)).toString();
    }
};

TEST_F(ItemListTest, RootListsFoldersThenEveryItemByCategoryAndName) {
    const QString lib = makeSample();
    browser::MRVDocument* doc = open(lib);
    const QStringList keys = rowKeys(doc);
    // Top categories in tree order, then items ordered by category name, then item name.
    const auto folder = [doc](int cat) {
        return QString::number(node(doc, QString::number(cat) + " Key")->index()) +
               QStringLiteral(" TreeNode");
    };
    EXPECT_EQ(keys,
              (QStringList{folder(1), folder(8), folder(6), folder(5), folder(4), "2 key", "3 key", "4 key",
                           "1 key", "11 key", "9 key", "10 key", "5 key", "6 key", "7 key", "8 key"}));
    EXPECT_EQ(doc->lstvProcs->item(folder(8))->text(), QStringLiteral("Empty"));
    EXPECT_EQ(doc->lstvProcs->item(folder(8))->icon(), QStringLiteral("FOLDER"));
    EXPECT_EQ(doc->lstvProcs->item(folder(8))->smallIcon(), QStringLiteral("FOLDER"));
    EXPECT_EQ(statusText(doc), QStringLiteral("Root: All (11) Items Loaded... "));
    EXPECT_EQ(instanceSetting(QStringLiteral("Category Tree Current Category")), QStringLiteral("0 Key"));
    // The root has no kind of its own: nothing is written for it.
    for (int cat : {1, 4, 5, 6, 8}) EXPECT_TRUE(type(lib, cat).isEmpty()) << cat;

    EXPECT_EQ(doc->lstvProcs->columnCount(), 5);
    QStringList columns;
    for (int i = 1; i <= 5; ++i) columns << doc->lstvProcs->columnText(i);
    EXPECT_EQ(columns, (QStringList{"Name", "Category", "Type", "Changed", "Description"}));
}

TEST_F(ItemListTest, CategoryRowsShowEachKindOfItem) {
    const QString lib = makeSample();
    browser::MRVDocument* doc = open(lib);
    click(doc, QStringLiteral("1 Key"));

    const QString sub = QString::number(node(doc, "2 Key")->index()) + " TreeNode";
    const QString links = QString::number(node(doc, "3 Key")->index()) + " TreeNode";
    EXPECT_EQ(rowKeys(doc), (QStringList{"Parent TreeNode", links, sub, "2 key", "3 key", "4 key", "1 key"}));
    const controls::ListItem* parent = doc->lstvProcs->item(QStringLiteral("Parent TreeNode"));
    EXPECT_EQ(parent->text(), QStringLiteral("   . .      "));
    EXPECT_TRUE(parent->icon().isEmpty());
    EXPECT_TRUE(parent->subItem(1).isEmpty());
    EXPECT_EQ(doc->lstvProcs->item(links)->text(), QStringLiteral("Links"));

    const controls::ListItem* text = doc->lstvProcs->item(QStringLiteral("1 key"));
    EXPECT_EQ(text->text(), QStringLiteral("Zip it"));
    EXPECT_EQ(text->tag(), QStringLiteral("Text/Code"));
    EXPECT_EQ(text->icon(), QStringLiteral("TEXT"));
    EXPECT_EQ(text->smallIcon(), QStringLiteral("TEXT"));
    EXPECT_EQ(text->subItem(1), QStringLiteral("Code"));
    EXPECT_EQ(text->subItem(2), QStringLiteral("Text/Code"));
    EXPECT_EQ(text->subItem(3), QStringLiteral("03/04/2024"));
    EXPECT_EQ(text->subItem(4), QStringLiteral("Packs"));

    const controls::ListItem* web = doc->lstvProcs->item(QStringLiteral("3 key"));
    EXPECT_EQ(web->text(), QStringLiteral("Example"));
    EXPECT_EQ(web->subItem(4), QStringLiteral("http://example.org"));
    EXPECT_EQ(web->icon(), QStringLiteral("WEB"));
    EXPECT_EQ(web->tag(), QStringLiteral("WebSite"));

    const controls::ListItem* file = doc->lstvProcs->item(QStringLiteral("4 key"));
    EXPECT_EQ(file->text(), QStringLiteral("notes.txt"));
    EXPECT_EQ(file->icon(), QStringLiteral("FILE"));
    EXPECT_EQ(file->smallIcon(), QStringLiteral("FILE"));
    EXPECT_EQ(file->subItem(4), QStringLiteral("Notes"));

    EXPECT_EQ(statusText(doc), QStringLiteral("Cat: 'Code'  (4 Items Loaded)... "));
    EXPECT_EQ(instanceSetting(QStringLiteral("Category Tree Current Category")), QStringLiteral("1 Key"));

    // Shortcuts without a description show their address, and an empty description column.
    click(doc, QStringLiteral("4 Key"));
    for (const char* key : {"5 key", "6 key"}) {
        const controls::ListItem* bare = doc->lstvProcs->item(QString::fromLatin1(key));
        EXPECT_TRUE(bare->text().startsWith(QStringLiteral("http://"))) << key;
        EXPECT_TRUE(bare->subItem(4).trimmed().isEmpty()) << key;
    }
    EXPECT_TRUE(doc->lstvProcs->item(QStringLiteral("8 key"))->subItem(3).isEmpty());

    // Without folder rows only the way back up and the items are listed.
    setInstanceSetting(QStringLiteral("Display Folders in Listview"), QStringLiteral("0"));
    click(doc, QStringLiteral("1 Key"));
    EXPECT_EQ(rowKeys(doc), (QStringList{"Parent TreeNode", "2 key", "3 key", "4 key", "1 key"}));
}

TEST_F(ItemListTest, CategoryTakesTheKindOfWhatItHolds) {
    const QString lib = makeSample();
    browser::MRVDocument* doc = open(lib);

    // Two web items of four: a web category.
    click(doc, QStringLiteral("4 Key"));
    EXPECT_EQ(node(doc, "4 Key")->image(), QStringLiteral("WEB"));
    EXPECT_EQ(node(doc, "4 Key")->tag(), QStringLiteral("WebSite"));
    EXPECT_EQ(type(lib, 4), QStringLiteral("WebSite"));

    // One of three: a folder, stored as type 1.
    click(doc, QStringLiteral("5 Key"));
    EXPECT_EQ(node(doc, "5 Key")->image(), QStringLiteral("FOLDER"));
    EXPECT_TRUE(node(doc, "5 Key")->tag().isEmpty());
    EXPECT_EQ(type(lib, 5), QStringLiteral("1"));

    // Only a file category below it: a file category.
    click(doc, QStringLiteral("6 Key"));
    EXPECT_EQ(node(doc, "6 Key")->image(), QStringLiteral("FILE"));
    EXPECT_EQ(type(lib, 6), QStringLiteral("File"));

    // Four items and two sub-categories, one of them web: two of six is not enough.
    click(doc, QStringLiteral("1 Key"));
    EXPECT_EQ(node(doc, "1 Key")->image(), QStringLiteral("FOLDER"));
    EXPECT_EQ(type(lib, 1), QStringLiteral("1"));

    // Empty: a folder; the stored kinds show at the next load, which selects the start-up node.
    click(doc, QStringLiteral("8 Key"));
    EXPECT_EQ(node(doc, "8 Key")->image(), QStringLiteral("FOLDER"));
    EXPECT_EQ(type(lib, 8), QStringLiteral("1"));
    doc->SystemInit();
    EXPECT_EQ(node(doc, "4 Key")->image(), QStringLiteral("WEB"));
    EXPECT_EQ(node(doc, "6 Key")->image(), QStringLiteral("FILE"));
    EXPECT_EQ(doc->treCats->selectedItem(), node(doc, "0 Key"));
}

TEST_F(ItemListTest, EmptyCategoryKeepsItsCustomPicture) {
    const QString lib = makeSample();
    setInstanceSetting(QStringLiteral("Display using Custom Icons"), QStringLiteral("1"));
    browser::MRVDocument* doc = open(lib);
    node(doc, "8 Key")->setImage(QStringLiteral("Empty"));
    node(doc, "8 Key")->setTag(QStringLiteral("Text/Code"));
    click(doc, QStringLiteral("8 Key"));
    EXPECT_EQ(node(doc, "8 Key")->image(), QStringLiteral("Empty"));
    EXPECT_EQ(node(doc, "8 Key")->tag(), QStringLiteral("Text/Code"));
    EXPECT_EQ(type(lib, 8), QStringLiteral("1"));
}

TEST_F(ItemListTest, SearchResultsLeaveTreeAndSettingsAlone) {
    const QString lib = makeSample();
    browser::MRVDocument* doc = open(lib);
    click(doc, QStringLiteral("5 Key"));
    const QString before = statusText(doc);
    const QString query = QStringLiteral(
        "SELECT P.ProcKey, C.Name AS CatName, P.Name, P.Type, P.Desc, P.Code, P.LastChanged "
        "FROM [Procedure] AS P INNER JOIN Category AS C ON P.CatKey = C.CatKey WHERE "
        " C.Name Like '*o*' OR   P.Name Like '*o*' OR  P.Desc Like '*o*'  ORDER BY C.Name, P.Name");
    doc->SetForSearch();
    EXPECT_EQ(doc->treCats->selectedItem(), nullptr);
    EXPECT_TRUE(doc->treCats->isHidden());
    EXPECT_EQ(instanceSetting(QStringLiteral("Category Tree Visible")), QStringLiteral("False"));
    EXPECT_EQ(doc->lstvProcs->view(), controls::lvwReport);
    doc->ProcRefresh(query);

    EXPECT_EQ(doc->SearchSQL(), query);
    // Everything but "three", whose name, category and description have no "o".
    EXPECT_EQ(rowKeys(doc).size(), 10);
    EXPECT_FALSE(rowKeys(doc).contains(QStringLiteral("10 key")));
    EXPECT_FALSE(rowKeys(doc).contains(QStringLiteral("Parent TreeNode")));
    EXPECT_EQ(statusText(doc), before);
    EXPECT_EQ(instanceSetting(QStringLiteral("Category Tree Current Category")), QStringLiteral("5 Key"));
    EXPECT_TRUE(type(lib, 4).isEmpty());

    // A broken statement is reported and lists nothing.
    doc->ProcRefresh(QStringLiteral("SELECT nonsense FROM nowhere"));
    EXPECT_EQ(doc->lstvProcs->count(), 0);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].text.contains(QStringLiteral("MRVDocument.ProcRefresh")));

    // A click on a node ends the search.
    doc->treCats->show();
    click(doc, QStringLiteral("4 Key"));
    EXPECT_TRUE(doc->SearchSQL().isEmpty());
    EXPECT_EQ(rowKeys(doc).first(), QStringLiteral("Parent TreeNode"));
}

}  // namespace
