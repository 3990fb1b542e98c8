#include "browser/MRVDocument.h"
#include "browser/item_rows.h"

#include "tests/browser/browser_fixture.h"

using namespace browsertest;

namespace {

// The list keys of the items numbered in numbers ("2 3").
QStringList itemKeys(const QString& numbers) {
    QStringList keys;
    for (const QString& n : numbers.split(QLatin1Char(' '))) keys << n + " key";
    return keys;
}

class ItemListTest : public BrowserTest {
protected:
    // Categories: Code (1) with Sub (2) and Links (3, a web category) below it; Web (4); Mixed (5);
    // Holder (6) with only a file category (7) below it; Empty (8).
    void SetUp() override {
        BrowserTest::SetUp();
        m_lib = makeLibrary(
            "items.mdb",
            {category(1, 0, "Code"), category(2, 1, "Sub"), category(3, 1, "Links", "WebSite"),
             category(4, 0, "Web"), category(5, 0, "Mixed"), category(6, 0, "Holder"),
             category(7, 6, "Stored", "File"), category(8, 0, "Empty"),
             item(1, 1, "Zip it", "Text/Code", "Packs"), item(2, 1, "alpha", "Text/Code"),
             item(3, 1, "http://example.org", "WebSite", "Example"), item(4, 1, "notes.txt", "File", "Notes"),
             item(5, 4, "http://a.org", "WebSite", "  "), item(6, 4, "http://b.org", "WebSite"),
             item(7, 4, "one", "Text/Code"), item(8, 4, "two", "Text/Code", QString(), "Null"),
             item(9, 5, "http://c.org", "WebSite"), item(10, 5, "three", "Text/Code"),
             item(11, 5, "four", "Text/Code")});
    }
    QString type(int cat) const { return categoryField(m_lib, "Type", cat).toString(); }
    QString m_lib;
};

TEST_F(ItemListTest, RootListsFoldersThenEveryItemByCategoryAndName) {
    browser::MRVDocument* doc = open(m_lib);
    // Top categories in tree order, then items ordered by category name, then item name.
    QStringList expected;
    for (const char* cat : {"1 Key", "8 Key", "6 Key", "5 Key", "4 Key"}) expected << folderRow(doc, cat);
    expected << itemKeys("2 3 4 1 11 9 10 5 6 7 8");
    EXPECT_EQ(rowKeys(doc), expected);
    EXPECT_EQ(row(doc, folderRow(doc, "8 Key")), "Empty|FOLDER|FOLDER|||||");
    EXPECT_EQ(statusText(doc), "Root: All (11) Items Loaded... ");
    EXPECT_EQ(instanceSetting("Category Tree Current Category"), "0 Key");
    // The root has no kind of its own: nothing is written for it.
    for (int cat : {1, 4, 5, 6, 8}) EXPECT_TRUE(type(cat).isEmpty()) << cat;
}

TEST_F(ItemListTest, CategoryRowsShowEachKindOfItem) {
    browser::MRVDocument* doc = open(m_lib);
    click(doc, "1 Key");
    EXPECT_EQ(rowKeys(doc), (QStringList{"Parent TreeNode", folderRow(doc, "3 Key"), folderRow(doc, "2 Key"),
                                         "2 key", "3 key", "4 key", "1 key"}));
    const std::pair<QString, const char*> rows[] = {
        {"Parent TreeNode", "   . .      |||||||"},
        {folderRow(doc, "3 Key"), "Links|FOLDER|FOLDER|||||"},
        {"1 key", "Zip it|TEXT|TEXT|Text/Code|Code|Text/Code|03/04/2024|Packs"},
        // A shortcut shows its description, and its address in the description column.
        {"3 key", "Example|WEB|WEB|WebSite|Code|WebSite|03/04/2024|http://example.org"},
        {"4 key", "notes.txt|FILE|FILE|File|Code|File|03/04/2024|Notes"},
    };
    for (const auto& [key, text] : rows)
        EXPECT_EQ(row(doc, key), QString::fromUtf8(text)) << key.toStdString();
    EXPECT_EQ(statusText(doc), "Cat: 'Code'  (4 Items Loaded)... ");
    EXPECT_EQ(instanceSetting("Category Tree Current Category"), "1 Key");

    // Shortcuts without a description show their address, and an empty description column.
    click(doc, "4 Key");
    for (const char* key : {"5 key", "6 key"}) {
        const controls::ListItem* bare = doc->lstvProcs->item(QString::fromLatin1(key));
        EXPECT_TRUE(bare->text().startsWith("http://")) << key;
        EXPECT_TRUE(bare->subItem(4).trimmed().isEmpty()) << key;
    }
    EXPECT_TRUE(doc->lstvProcs->item("8 key")->subItem(3).isEmpty());  // no date

    // Without folder rows only the way back up and the items are listed.
    setInstanceSetting("Display Folders in Listview", "0");
    click(doc, "1 Key");
    EXPECT_EQ(rowKeys(doc), (QStringList{"Parent TreeNode", "2 key", "3 key", "4 key", "1 key"}));
}

TEST_F(ItemListTest, CategoryTakesTheKindOfWhatItHolds) {
    setInstanceSetting("Display using Custom Icons", "1");
    browser::MRVDocument* doc = open(m_lib);
    // An empty category keeps the custom picture it has, and is stored as a plain one.
    node(doc, "8 Key")->setImage("Empty");
    node(doc, "8 Key")->setTag("Text/Code");
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"4 Key", "WEB", "WebSite", "WebSite"},  // two web items of four
        {"5 Key", "FOLDER", "", "1"},            // one of three
        {"6 Key", "FILE", "File", "File"},       // only a file category below it
        {"1 Key", "FOLDER", "", "1"},            // two of four items and two sub-categories is not enough
        {"8 Key", "Empty", "Text/Code", "1"},
    };
    for (const auto& [key, image, tag, stored] : cases) {
        SCOPED_TRACE(key);
        click(doc, QString::fromLatin1(key));
        EXPECT_EQ(node(doc, key)->image(), QString::fromLatin1(image));
        EXPECT_EQ(node(doc, key)->tag(), QString::fromLatin1(tag));
        EXPECT_EQ(type(browser::MRVDocument::keyNumber(key)), QString::fromLatin1(stored));
    }
    // The stored kinds show at the next load, which selects the start-up node.
    doc->SystemInit();
    EXPECT_EQ(node(doc, "4 Key")->image(), "WEB");
    EXPECT_EQ(node(doc, "6 Key")->image(), "FILE");
    EXPECT_EQ(doc->treCats->selectedItem(), node(doc, "0 Key"));
}

TEST_F(ItemListTest, SearchResultsLeaveTreeAndSettingsAlone) {
    browser::MRVDocument* doc = open(m_lib);
    click(doc, "5 Key");
    const QString before = statusText(doc);
    const QString query = QStringLiteral(
        "SELECT P.ProcKey, C.Name AS CatName, P.Name, P.Type, P.Desc, P.Code, P.LastChanged "
        "FROM [Procedure] AS P INNER JOIN Category AS C ON P.CatKey = C.CatKey WHERE "
        " C.Name Like '*o*' OR   P.Name Like '*o*' OR  P.Desc Like '*o*'  ORDER BY C.Name, P.Name");
    doc->SetForSearch();  // the tree hidden: see the tree's visibility test
    EXPECT_EQ(doc->treCats->selectedItem(), nullptr);
    EXPECT_EQ(doc->lstvProcs->view(), controls::lvwReport);
    doc->ProcRefresh(query);
    EXPECT_EQ(doc->SearchSQL(), query);
    // Everything but "three", whose name, category and description have no "o".
    QStringList found = rowKeys(doc);
    found.sort();
    QStringList expected = itemKeys("1 11 2 3 4 5 6 7 8 9");
    expected.sort();
    EXPECT_EQ(found, expected);
    EXPECT_EQ(statusText(doc), before);
    EXPECT_EQ(instanceSetting("Category Tree Current Category"), "5 Key");
    EXPECT_TRUE(type(4).isEmpty());

    // A broken statement is reported and lists nothing.
    doc->ProcRefresh("SELECT nonsense FROM nowhere");
    EXPECT_EQ(doc->lstvProcs->count(), 0);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].text.contains("MRVDocument.ProcRefresh"));
    // A click on a node ends the search.
    doc->treCats->show();
    click(doc, "4 Key");
    EXPECT_TRUE(doc->SearchSQL().isEmpty());
    EXPECT_EQ(rowKeys(doc).first(), "Parent TreeNode");
}

// Sorting reads only the sorted column's fields: for every column, and for a row that is gone, the
// text must be the one the whole row gives (described and bare web shortcuts, files, no date).
TEST_F(ItemListTest, SortTextsReadAloneAreThoseOfTheWholeRows) {
    const auto db = engine::openDatabase(m_lib, false, true);
    const browser::ItemRowSource source([&] { return db.get(); }, nullptr);
    const std::vector<qint64> ids{11, 3, 5, 6, 4, 8, 1, 99, 2};
    std::vector<controls::ListRowData> rows(ids.size());
    source.readRows(ids.data(), int(ids.size()), rows.data());
    for (int key = 0; key <= 5; ++key) {
        std::vector<QString> texts(ids.size());
        source.readSortTexts(ids.data(), int(ids.size()), key, texts.data());
        for (size_t i = 0; i < ids.size(); ++i)
            EXPECT_EQ(texts[i], controls::sortTextOf(rows[i], key))
                << "column " << key << ", item " << ids[i];
    }
}

}  // namespace
