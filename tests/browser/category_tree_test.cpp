#include "browser/MRVDocument.h"

#include "tests/browser/browser_fixture.h"

#include <QLineEdit>

using namespace browsertest;

namespace {

using CategoryTreeTest = BrowserTest;

TEST_F(CategoryTreeTest, TreeShowsGenerationsInNameOrderWithoutOrphans) {
    const QString lib =
        makeLibrary("tree.mdb", {category(1, 0, "Zeta"), category(2, 0, "alpha"), category(3, 1, "Strings"),
                                 category(4, 1, "Files", "File"), category(5, 99, "Orphan"),
                                 category(6, 5, "Orphan child"), category(7, 2, "Links", "WebSite"),
                                 category(8, 3, "Deep"), category(9, 0, "Misc", "Text/Code"),
                                 // Two rows pointing at each other are not reachable from the root either.
                                 category(10, 11, "Loop A"), category(11, 10, "Loop B")});
    setInstanceSetting("Category Tree Current Category", "8 Key");
    browser::MRVDocument* doc = open(lib);

    controls::TreeNode* root = node(doc, "0 Key");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text() + "|" + root->image(), "tree.mdb|MRV");
    EXPECT_TRUE(root->expanded());
    const auto children = [](controls::TreeNode* parent) {
        QStringList texts;
        for (controls::TreeNode* n = parent->child(); n; n = n->next()) texts << n->text();
        return texts;
    };
    EXPECT_EQ(children(root), (QStringList{"alpha", "Misc", "Zeta"}));
    EXPECT_EQ(children(node(doc, "1 Key")), (QStringList{"Files", "Strings"}));
    EXPECT_EQ(node(doc, "8 Key")->parent(), node(doc, "3 Key"));
    EXPECT_EQ(doc->treCats->count(), 8);
    for (const char* key : {"5 Key", "6 Key", "10 Key", "11 Key"}) EXPECT_EQ(node(doc, key), nullptr) << key;
    for (const auto& [key, picture] : {std::pair{"4 Key", "FILE|File"},
                                       {"7 Key", "WEB|WebSite"},
                                       {"9 Key", "FOLDER|Text/Code"},
                                       {"2 Key", "FOLDER|"}})
        EXPECT_EQ(node(doc, key)->image() + "|" + node(doc, key)->tag(), picture) << key;

    // The saved node is selected and can be seen.
    EXPECT_EQ(doc->treCats->selectedItem(), node(doc, "8 Key"));
    EXPECT_TRUE(node(doc, "3 Key")->expanded());
    EXPECT_EQ(doc->CurrentCategoryKey(), 8);
    closeAll();
    // A saved node that is not in the tree: the root.
    setInstanceSetting("Category Tree Current Category", "5 Key");
    doc = open(lib);
    EXPECT_EQ(doc->treCats->selectedItem(), node(doc, "0 Key"));
    EXPECT_EQ(doc->CurrentCategoryKey(), 0);
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(CategoryTreeTest, CustomPicturesShowOnlyWhenSwitchedOn) {
    const QString lib = makeLibrary(
        "pics.mdb", {category(1, 0, "Painted"), category(2, 0, "Painted"), category(3, 0, "Web", "WebSite"),
                     category(4, 0, "Plain"), category(5, 0, "<New Category>"),
                     item(1, 1, "Routine", "Text/Code"), item(2, 4, "Other", "Text/Code")});
    setImage(lib, 1, png(Qt::red));
    setImage(lib, 2, png(Qt::blue));
    setImage(lib, 3, png(Qt::green));
    setImage(lib, 5, png(Qt::yellow));
    setImage(lib, 4, "not a picture");

    for (bool custom : {false, true}) {
        SCOPED_TRACE(custom);
        setInstanceSetting("Display using Custom Icons", custom ? "1" : "0");
        browser::MRVDocument* doc = open(lib);
        // Loaded either way; the first of two names wins, unreadable and unnamed ones are left out.
        EXPECT_TRUE(doc->imgSmallIcons->contains("Painted"));
        EXPECT_TRUE(doc->imgLargeIcons->contains("Web"));
        EXPECT_FALSE(doc->imgSmallIcons->contains("Plain"));
        EXPECT_FALSE(doc->imgSmallIcons->contains("<New Category>"));
        const QColor painted = doc->LargeImage("Painted").toImage().pixelColor(5, 5);
        EXPECT_TRUE(painted == QColor(Qt::red) || painted == QColor(Qt::blue));

        const QString mine = custom ? "Painted" : "FOLDER";
        EXPECT_EQ(node(doc, "1 Key")->image(), mine);
        EXPECT_EQ(node(doc, "3 Key")->image(), "WEB");
        EXPECT_EQ(node(doc, "4 Key")->image(), "FOLDER");
        // Text items take their category's picture in the list, or TEXT without one.
        const QString text = custom ? "Painted" : "TEXT";
        EXPECT_TRUE(row(doc, "1 key").startsWith("Routine|" + text + "|" + text + "|"));
        EXPECT_TRUE(row(doc, "2 key").startsWith("Other|TEXT|TEXT|"));
        EXPECT_TRUE(boxes().isEmpty());
        closeAll();
    }
}

TEST_F(CategoryTreeTest, CatImageSaveStoresPictureAndType) {
    const QString lib = makeLibrary("save.mdb", {category(1, 0, "One", "File")});
    setImage(lib, 1, "old");
    browser::MRVDocument* doc = open(lib);
    doc->CatImageSave(1, QString(), "  ");
    EXPECT_EQ(categoryField(lib, "Type", 1).toString(), "1");
    EXPECT_EQ(categoryField(lib, "Image", 1).toByteArray(), QByteArray("old"));

    // Longer than two pieces and not a whole number of them.
    QByteArray picture;
    for (int i = 0; i < 70000; ++i) picture.append(char(i * 7));
    QFile file(path("icon.ico"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(picture);
    file.close();
    doc->CatImageSave(1, file.fileName(), "Text/Code");
    EXPECT_EQ(categoryField(lib, "Type", 1).toString(), "Text/Code");
    EXPECT_EQ(categoryField(lib, "Image", 1).toByteArray(), picture);
    EXPECT_TRUE(boxes().isEmpty());

    // A picture file that cannot be read is reported with the category's number.
    doc->CatImageSave(1, path("missing.ico"), "File");
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].text.contains("MRVDocument.CatImageSave (lCatKey = 1)"));
    EXPECT_EQ(categoryField(lib, "Type", 1).toString(), "Text/Code");
}

TEST_F(CategoryTreeTest, AddChildCreatesAnEmptyCategoryBelowTheSelection) {
    const QString lib = makeLibrary("add.mdb", {category(1, 0, "One")});
    browser::MRVDocument* doc = open(lib);
    for (const char* parent : {"0 Key", "1 Key"}) {
        SCOPED_TRACE(parent);
        click(doc, QString::fromLatin1(parent));
        doc->dispatchTool("BTN_CAT_ADDCHILD");
        controls::TreeNode* added = doc->treCats->selectedItem();
        ASSERT_NE(added, nullptr);
        const int key = browser::MRVDocument::keyNumber(added->key());
        EXPECT_GT(key, 1);
        EXPECT_EQ(added->key(), QString::number(key) + " Key");
        EXPECT_EQ(added->text() + "|" + added->image(), "<New Category>|FOLDER");
        EXPECT_EQ(added->parent(), node(doc, parent));
        EXPECT_EQ(categoryField(lib, "ParentKey", key).toInt(), browser::MRVDocument::keyNumber(parent));
        // Listed as the empty category it is, which stores it as a plain one.
        EXPECT_EQ(rowKeys(doc), QStringList{"Parent TreeNode"});
        EXPECT_EQ(statusText(doc), "Cat: '<New Category>'  (0 Items Loaded)... ");
        EXPECT_EQ(categoryField(lib, "Type", key).toString(), "1");
        // The user types the name straight away.
        EXPECT_NE(doc->treCats->viewport()->findChild<QLineEdit*>(), nullptr);
    }
}

TEST_F(CategoryTreeTest, DeleteRefusesRootAndParentsAndAsksFirst) {
    const QString lib = makeLibrary("del.mdb", {category(1, 0, "Parent"), category(2, 1, "Full"),
                                                category(3, 1, "Empty"), item(1, 2, "Kept?", "Text/Code")});
    browser::MRVDocument* doc = open(lib);
    doc->CatDelete();
    click(doc, "1 Key");
    doc->CatDelete();
    click(doc, "2 Key");
    ui::testing::queueAnswer(ui::vbNo);
    doc->CatDelete();
    EXPECT_NE(node(doc, "2 Key"), nullptr);
    EXPECT_EQ(scalar(lib, "SELECT count(*) FROM [Procedure]").toInt(), 1);
    const std::tuple<const char*, const char*, int> shown[] = {
        {"Not Allowed!", "You cannot delete 'Root' key!", ui::vbInformation},
        {"Must Delete children first",
         "You cannot delete a Category that has 'child' categories associated with it.\r\n\r\nFirst Delete "
         "all of "
         "the 'child' categories, then you can delete this Category.",
         ui::vbInformation},
        {"Are you nuts?",
         "Hey Man!  There are procedures associated with this Category!  I suggest you not delete this "
         "Category "
         "until you move them to another Category!\r\n\r\nThe Procedures will be DELETED along with this "
         "Category!\r\n\r\nContinue, and Delete Category AND Procedures!?",
         ui::vbCritical},
    };
    ASSERT_EQ(boxes().size(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto& [title, text, icon] = shown[i];
        EXPECT_EQ(boxes()[i].title, QString::fromLatin1(title));
        EXPECT_EQ(boxes()[i].text, QString::fromLatin1(text));
        EXPECT_EQ(boxes()[i].icon, icon) << title;
    }
    EXPECT_EQ(boxes()[2].defaultButton, 2);

    ui::testing::queueAnswer(ui::vbYes);
    doc->CatDelete();
    EXPECT_EQ(node(doc, "2 Key"), nullptr);
    EXPECT_EQ(scalar(lib, "SELECT count(*) FROM Category WHERE CatKey = 2").toInt(), 0);
    EXPECT_EQ(scalar(lib, "SELECT count(*) FROM [Procedure]").toInt(), 0);
    // The list follows the node the tree selects instead.
    ASSERT_NE(doc->treCats->selectedItem(), nullptr);
    EXPECT_TRUE(statusText(doc).startsWith("Cat: '" + doc->treCats->selectedItem()->text() + "'"));

    click(doc, "3 Key");
    ui::testing::queueAnswer(ui::vbYes);
    doc->CatDelete();
    EXPECT_EQ(boxes().last().title, "Permenently Delete?");
    EXPECT_EQ(boxes().last().text, "DELETE this Category?\n\nCategory: 'Empty'");
    EXPECT_EQ(boxes().last().icon, ui::vbQuestion);
    EXPECT_EQ(node(doc, "3 Key"), nullptr);
    for (const auto& box : boxes()) EXPECT_TRUE(box.foreground);
}

TEST_F(CategoryTreeTest, ClearImageNeedsCustomPicturesSwitchedOn) {
    const QString lib = makeLibrary("clear.mdb", {category(1, 0, "Painted")});
    setImage(lib, 1, png(Qt::red));
    browser::MRVDocument* doc = open(lib);
    click(doc, "1 Key");
    ui::testing::queueAnswer(ui::vbYes);
    doc->CatClearImage();
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, "Ouch!  That hurt!");
    EXPECT_EQ(boxes()[0].text,
              QStringLiteral(
                  "Before you can 'Clear' the Custom Image from a Tree Node, you must Check the 'Display "
                  "using Custom Icons' checkbox in the System Properties window.\n\nWould you like to "
                  "display the System Properties window now?"));
    EXPECT_EQ(boxes()[0].icon, ui::vbInformation);
    EXPECT_FALSE(categoryField(lib, "Image", 1).isNull());
    // Yes opens the preferences, where the option is.
    ASSERT_EQ(ui::testing::shownDialogs().size(), 1);
    EXPECT_EQ(ui::testing::shownDialogs()[0].text, "frmProperties");
    closeAll();

    setInstanceSetting("Display using Custom Icons", "1");
    doc = open(lib);
    for (int answer : {ui::vbNo, ui::vbYes}) {
        EXPECT_EQ(node(doc, "1 Key")->image(), "Painted");
        ui::testing::queueAnswer(answer);
        doc->CatClearImage();
    }
    EXPECT_EQ(boxes().last().title, "Clear Image?");
    EXPECT_EQ(boxes().last().text, "Clear the 'Custom Category Image' for Category: \n\n\tPainted");
    EXPECT_TRUE(categoryField(lib, "Image", 1).isNull());
    EXPECT_EQ(node(doc, "1 Key")->image(), "FOLDER");
    EXPECT_FALSE(doc->imgLargeIcons->contains("Painted"));
    EXPECT_FALSE(doc->imgSmallIcons->contains("Painted"));
}

}  // namespace
