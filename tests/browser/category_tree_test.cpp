#include "browser/MRVDocument.h"

#include "tests/browser/browser_fixture.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>

using namespace browsertest;

namespace {

class CategoryTreeTest : public BrowserTest {
protected:
    // A PNG picture of one colour.
    static QByteArray png(const QColor& colour) {
        QPixmap picture(32, 32);
        picture.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        return bytes;
    }
    static void setImage(const QString& file, int catKey, const QByteArray& bytes) {
        auto db = engine::openDatabase(file);
        auto rs =
            db->OpenRecordset(QStringLiteral("SELECT Image FROM Category WHERE CatKey = %1").arg(catKey));
        rs->Edit();
        rs->Fields(0).AppendChunk(bytes);
        rs->Update();
        rs->Close();
        db->Close();
    }
    static QStringList childTexts(controls::TreeNode* parent) {
        QStringList texts;
        for (controls::TreeNode* n = parent->child(); n; n = n->next()) texts << n->text();
        return texts;
    }
};

TEST_F(CategoryTreeTest, TreeShowsGenerationsInNameOrderWithoutOrphans) {
    const QString lib = makeLibrary(
        QStringLiteral("tree.mdb"),
        {category(1, 0, QStringLiteral("Zeta")), category(2, 0, QStringLiteral("alpha")),
         category(3, 1, QStringLiteral("Strings")),
         category(4, 1, QStringLiteral("Files"), QStringLiteral("File")),
         category(5, 99, QStringLiteral("Orphan")), category(6, 5, QStringLiteral("Orphan child")),
         category(7, 2, QStringLiteral("Links"), QStringLiteral("WebSite")),
         category(8, 3, QStringLiteral("Deep")),
         category(9, 0, QStringLiteral("Misc"), QStringLiteral("Text/Code")),
         // Two rows pointing at each other are not reachable from the root either.
         category(10, 11, QStringLiteral("Loop A")), category(11, 10, QStringLiteral("Loop B"))});
    setInstanceSetting(QStringLiteral("Category Tree Current Category"), QStringLiteral("8 Key"));
    browser::MRVDocument* doc = open(lib);

    controls::TreeNode* root = node(doc, QStringLiteral("0 Key"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(), QStringLiteral("tree.mdb"));
    EXPECT_EQ(root->image(), QStringLiteral("MRV"));
    EXPECT_TRUE(root->expanded());
    EXPECT_EQ(childTexts(root), (QStringList{"alpha", "Misc", "Zeta"}));
    EXPECT_EQ(childTexts(node(doc, "1 Key")), (QStringList{"Files", "Strings"}));
    EXPECT_EQ(node(doc, "8 Key")->parent(), node(doc, "3 Key"));
    EXPECT_EQ(doc->treCats->count(), 8);
    for (const char* key : {"5 Key", "6 Key", "10 Key", "11 Key"}) EXPECT_EQ(node(doc, key), nullptr) << key;

    EXPECT_EQ(node(doc, "4 Key")->image(), QStringLiteral("FILE"));
    EXPECT_EQ(node(doc, "4 Key")->tag(), QStringLiteral("File"));
    EXPECT_EQ(node(doc, "7 Key")->image(), QStringLiteral("WEB"));
    EXPECT_EQ(node(doc, "9 Key")->image(), QStringLiteral("FOLDER"));
    EXPECT_EQ(node(doc, "9 Key")->tag(), QStringLiteral("Text/Code"));
    EXPECT_EQ(node(doc, "2 Key")->image(), QStringLiteral("FOLDER"));

    // The saved node is selected and can be seen.
    EXPECT_EQ(doc->treCats->selectedItem(), node(doc, "8 Key"));
    EXPECT_TRUE(node(doc, "3 Key")->expanded());
    EXPECT_EQ(doc->CurrentCategoryKey(), 8);
    closeAll();

    setInstanceSetting(QStringLiteral("Category Tree Current Category"), QStringLiteral("5 Key"));
    doc = open(lib);
    EXPECT_EQ(doc->treCats->selectedItem(), node(doc, "0 Key"));
    EXPECT_EQ(doc->CurrentCategoryKey(), 0);
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(CategoryTreeTest, ThousandCategoriesLoadQuickly) {
    QStringList rows;
    for (int i = 1; i <= 1000; ++i)
        rows << category(i, i <= 10 ? 0 : (i - 1) / 10, QStringLiteral("Cat %1").arg(i));
    const QString lib = makeLibrary(QStringLiteral("big.mdb"), rows);
    browser::MRVDocument* doc = open(lib);
    EXPECT_EQ(doc->treCats->count(), 1001);
    QElapsedTimer timer;
    timer.start();
    doc->CatTreeLoad();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(doc->treCats->count(), 1001);
}

TEST_F(CategoryTreeTest, CustomPicturesShowOnlyWhenSwitchedOn) {
    const QString lib = makeLibrary(
        QStringLiteral("pics.mdb"),
        {category(1, 0, QStringLiteral("Painted")), category(2, 0, QStringLiteral("Painted")),
         category(3, 0, QStringLiteral("Web"), QStringLiteral("WebSite")),
         category(4, 0, QStringLiteral("Plain")), category(5, 0, QStringLiteral("<New Category>")),
         item(1, 1, QStringLiteral("Routine"), QStringLiteral("Text/Code")),
         item(2, 4, QStringLiteral("Other"), QStringLiteral("Text/Code"))});
    setImage(lib, 1, png(Qt::red));
    setImage(lib, 2, png(Qt::blue));
    setImage(lib, 3, png(Qt::green));
    setImage(lib, 5, png(Qt::yellow));
    setImage(lib, 4, "not a picture");

    for (bool custom : {false, true}) {
        SCOPED_TRACE(custom);
        setInstanceSetting(QStringLiteral("Display using Custom Icons"), custom ? "1" : "0");
        browser::MRVDocument* doc = open(lib);
        // Loaded either way; the first of two names wins, unreadable and unnamed ones are left out.
        EXPECT_TRUE(doc->imgSmallIcons->contains(QStringLiteral("Painted")));
        EXPECT_TRUE(doc->imgLargeIcons->contains(QStringLiteral("Web")));
        EXPECT_FALSE(doc->imgSmallIcons->contains(QStringLiteral("Plain")));
        EXPECT_FALSE(doc->imgSmallIcons->contains(QStringLiteral("<New Category>")));
        const QColor painted = doc->LargeImage(QStringLiteral("Painted")).toImage().pixelColor(5, 5);
        EXPECT_TRUE(painted == QColor(Qt::red) || painted == QColor(Qt::blue));

        EXPECT_EQ(node(doc, "1 Key")->image(), custom ? QStringLiteral("Painted") : QStringLiteral("FOLDER"));
        EXPECT_EQ(node(doc, "3 Key")->image(), QStringLiteral("WEB"));
        EXPECT_EQ(node(doc, "4 Key")->image(), QStringLiteral("FOLDER"));

        // Text items take their category's picture in the list, or TEXT without one.
        const controls::ListItem* routine = doc->lstvProcs->findItem(QStringLiteral("1 key"));
        const controls::ListItem* other = doc->lstvProcs->findItem(QStringLiteral("2 key"));
        ASSERT_TRUE(routine && other);
        EXPECT_EQ(routine->icon(), custom ? QStringLiteral("Painted") : QStringLiteral("TEXT"));
        EXPECT_EQ(routine->smallIcon(), custom ? QStringLiteral("Painted") : QStringLiteral("TEXT"));
        EXPECT_EQ(other->icon(), QStringLiteral("TEXT"));
        EXPECT_EQ(other->smallIcon(), QStringLiteral("TEXT"));
        EXPECT_TRUE(boxes().isEmpty());
        closeAll();
    }
}

TEST_F(CategoryTreeTest, CatImageSaveStoresPictureAndType) {
    const QString lib =
        makeLibrary(QStringLiteral("save.mdb"), {category(1, 0, QStringLiteral("One"), "File")});
    setImage(lib, 1, "old");
    browser::MRVDocument* doc = open(lib);

    doc->CatImageSave(1, QString(), QStringLiteral("  "));
    EXPECT_EQ(scalar(lib, "SELECT Type FROM Category WHERE CatKey = 1").toString(), QStringLiteral("1"));
    EXPECT_EQ(scalar(lib, "SELECT Image FROM Category WHERE CatKey = 1").toByteArray(), QByteArray("old"));

    // Longer than two pieces and not a whole number of them.
    QByteArray picture;
    for (int i = 0; i < 70000; ++i) picture.append(char(i * 7));
    const QString file = path(QStringLiteral("icon.ico"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(picture);
    }
    doc->CatImageSave(1, file, QStringLiteral("Text/Code"));
    EXPECT_EQ(scalar(lib, "SELECT Type FROM Category WHERE CatKey = 1").toString(),
              QStringLiteral("Text/Code"));
    EXPECT_EQ(scalar(lib, "SELECT Image FROM Category WHERE CatKey = 1").toByteArray(), picture);
    EXPECT_TRUE(boxes().isEmpty());

    // A picture file that cannot be read is reported with the category's number.
    doc->CatImageSave(1, path(QStringLiteral("missing.ico")), QStringLiteral("File"));
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].text.contains(QStringLiteral("MRVDocument.CatImageSave (lCatKey = 1)")));
    EXPECT_EQ(scalar(lib, "SELECT Type FROM Category WHERE CatKey = 1").toString(),
              QStringLiteral("Text/Code"));
}

TEST_F(CategoryTreeTest, AddChildCreatesAnEmptyCategoryBelowTheSelection) {
    const QString lib = makeLibrary(QStringLiteral("add.mdb"), {category(1, 0, QStringLiteral("One"))});
    browser::MRVDocument* doc = open(lib);

    doc->dispatchTool(QStringLiteral("BTN_CAT_ADDCHILD"));
    controls::TreeNode* added = doc->treCats->selectedItem();
    ASSERT_NE(added, nullptr);
    const int key = browser::MRVDocument::keyNumber(added->key());
    EXPECT_GT(key, 1);
    EXPECT_EQ(added->key(), QString::number(key) + QStringLiteral(" Key"));
    EXPECT_EQ(added->text(), QStringLiteral("<New Category>"));
    EXPECT_EQ(added->image(), QStringLiteral("FOLDER"));
    EXPECT_EQ(added->parent(), node(doc, "0 Key"));
    EXPECT_EQ(
        scalar(lib, QStringLiteral("SELECT ParentKey FROM Category WHERE CatKey = %1").arg(key)).toInt(), 0);
    // Listed as the empty category it is, which stores it as a plain one.
    EXPECT_EQ(rowKeys(doc), QStringList{QStringLiteral("Parent TreeNode")});
    EXPECT_EQ(statusText(doc), QStringLiteral("Cat: '<New Category>'  (0 Items Loaded)... "));
    EXPECT_EQ(scalar(lib, QStringLiteral("SELECT Type FROM Category WHERE CatKey = %1").arg(key)).toString(),
              QStringLiteral("1"));
    // The user types the name straight away.
    EXPECT_NE(doc->treCats->viewport()->findChild<QLineEdit*>(), nullptr);

    click(doc, QStringLiteral("1 Key"));
    doc->CatAddChild();
    const int below = browser::MRVDocument::keyNumber(doc->treCats->selectedItem()->key());
    EXPECT_EQ(
        scalar(lib, QStringLiteral("SELECT ParentKey FROM Category WHERE CatKey = %1").arg(below)).toInt(),
        1);
    EXPECT_EQ(doc->treCats->selectedItem()->parent(), node(doc, "1 Key"));
}

TEST_F(CategoryTreeTest, DeleteRefusesRootAndParentsAndAsksFirst) {
    const QString lib =
        makeLibrary(QStringLiteral("del.mdb"),
                    {category(1, 0, QStringLiteral("Parent")), category(2, 1, QStringLiteral("Full")),
                     category(3, 1, QStringLiteral("Empty")),
                     item(1, 2, QStringLiteral("Kept?"), QStringLiteral("Text/Code"))});
    browser::MRVDocument* doc = open(lib);

    doc->CatDelete();
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, QStringLiteral("Not Allowed!"));
    EXPECT_EQ(boxes()[0].text, QStringLiteral("You cannot delete 'Root' key!"));
    EXPECT_EQ(boxes()[0].icon, ui::vbInformation);

    click(doc, QStringLiteral("1 Key"));
    doc->CatDelete();
    ASSERT_EQ(boxes().size(), 2);
    EXPECT_EQ(boxes()[1].title, QStringLiteral("Must Delete children first"));
    EXPECT_EQ(
        boxes()[1].text,
        QStringLiteral("You cannot delete a Category that has 'child' categories associated with it.\r\n\r\n"
                       "First Delete all of the 'child' categories, then you can delete this Category."));

    click(doc, QStringLiteral("2 Key"));
    ui::testing::queueAnswer(ui::vbNo);
    doc->CatDelete();
    ASSERT_EQ(boxes().size(), 3);
    const ui::testing::ShownBox& nuts = boxes()[2];
    EXPECT_EQ(nuts.title, QStringLiteral("Are you nuts?"));
    EXPECT_EQ(nuts.text,
              QStringLiteral("Hey Man!  There are procedures associated with this Category!  I suggest you "
                             "not delete this Category until you move them to another Category!\r\n\r\n"
                             "The Procedures will be DELETED along with this Category!\r\n\r\n"
                             "Continue, and Delete Category AND Procedures!?"));
    EXPECT_EQ(nuts.icon, ui::vbCritical);
    EXPECT_EQ(nuts.defaultButton, 2);
    EXPECT_NE(node(doc, "2 Key"), nullptr);
    EXPECT_EQ(scalar(lib, "SELECT count(*) FROM [Procedure]").toInt(), 1);

    ui::testing::queueAnswer(ui::vbYes);
    doc->CatDelete();
    EXPECT_EQ(node(doc, "2 Key"), nullptr);
    EXPECT_EQ(scalar(lib, "SELECT count(*) FROM Category WHERE CatKey = 2").toInt(), 0);
    EXPECT_EQ(scalar(lib, "SELECT count(*) FROM [Procedure]").toInt(), 0);
    // The list follows the node the tree selects instead.
    ASSERT_NE(doc->treCats->selectedItem(), nullptr);
    EXPECT_TRUE(statusText(doc).startsWith("Cat: '" + doc->treCats->selectedItem()->text() + "'"));

    click(doc, QStringLiteral("3 Key"));
    ui::testing::queueAnswer(ui::vbYes);
    doc->CatDelete();
    EXPECT_EQ(boxes().last().title, QStringLiteral("Permenently Delete?"));
    EXPECT_EQ(boxes().last().text, QStringLiteral("DELETE this Category?\n\nCategory: 'Empty'"));
    EXPECT_EQ(boxes().last().icon, ui::vbQuestion);
    EXPECT_EQ(node(doc, "3 Key"), nullptr);
    for (const auto& box : boxes()) EXPECT_TRUE(box.foreground);
}

TEST_F(CategoryTreeTest, ClearImageNeedsCustomPicturesSwitchedOn) {
    const QString lib = makeLibrary(QStringLiteral("clear.mdb"), {category(1, 0, QStringLiteral("Painted"))});
    setImage(lib, 1, png(Qt::red));
    browser::MRVDocument* doc = open(lib);
    click(doc, QStringLiteral("1 Key"));

    ui::testing::queueAnswer(ui::vbYes);
    doc->CatClearImage();
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, QStringLiteral("Ouch!  That hurt!"));
    EXPECT_EQ(boxes()[0].text,
              QStringLiteral(
                  "Before you can 'Clear' the Custom Image from a Tree Node, you must Check the 'Display "
                  "using Custom Icons' checkbox in the System Properties window.\n\nWould you like to "
                  "display the System Properties window now?"));
    EXPECT_EQ(boxes()[0].icon, ui::vbInformation);
    EXPECT_FALSE(scalar(lib, "SELECT Image FROM Category WHERE CatKey = 1").isNull());
    closeAll();

    setInstanceSetting(QStringLiteral("Display using Custom Icons"), QStringLiteral("1"));
    ui::testing::clear();
    doc = open(lib);
    EXPECT_EQ(node(doc, "1 Key")->image(), QStringLiteral("Painted"));
    ui::testing::queueAnswer(ui::vbNo);
    doc->CatClearImage();
    EXPECT_EQ(boxes().last().title, QStringLiteral("Clear Image?"));
    EXPECT_EQ(boxes().last().text,
              QStringLiteral("Clear the 'Custom Category Image' for Category: \n\n\tPainted"));
    EXPECT_EQ(node(doc, "1 Key")->image(), QStringLiteral("Painted"));

    ui::testing::queueAnswer(ui::vbYes);
    doc->CatClearImage();
    EXPECT_TRUE(scalar(lib, "SELECT Image FROM Category WHERE CatKey = 1").isNull());
    EXPECT_EQ(node(doc, "1 Key")->image(), QStringLiteral("FOLDER"));
    EXPECT_FALSE(doc->imgLargeIcons->contains(QStringLiteral("Painted")));
    EXPECT_FALSE(doc->imgSmallIcons->contains(QStringLiteral("Painted")));
}

}  // namespace
