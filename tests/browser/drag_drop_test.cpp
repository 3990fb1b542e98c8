#include "browser/MRVDocument.h"

#include "browser/drag_data.h"
#include "editor/frmProcEdit.h"
#include "store/files.h"
#include "tests/browser/browser_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QUrl>

using namespace browsertest;
using browser::DragExchange;
using browser::ItemMimeData;
using storetest::writeBytes;

namespace {

class DragDropTest : public BrowserTest {
protected:
    // Utils (1) with Sub (2) below it, Other (3) with a namesake Utils (4) below it.
    void SetUp() override {
        BrowserTest::SetUp();
        m_lib = makeLibrary(
            "a.mdb", {category(1, 0, "Utils"), category(2, 1, "Sub"), category(3, 0, "Other"),
                      category(4, 3, "Utils"), item(1, 1, "Alpha", "Text/Code", "first"),
                      item(2, 1, "http://example.org/a", "WebSite", "Search/page"),
                      item(3, 1, "../data.bin", "File", "File"), item(4, 1, "http://nodesc.org/x", "WebSite"),
                      "UPDATE [Procedure] SET Code = 'Sub Alpha()' WHERE ProcKey = 1"});
        storeFile(m_lib, 3, m_bytes);
        m_doc = open(m_lib);
        click(m_doc, "1 Key");
    }
    void TearDown() override {
        DragExchange() = {};
        BrowserTest::TearDown();
    }
    static void setPrompts(bool on) {
        store::SaveSetting(store::generalAppName(), "General Properties", "Use Drag & Drop Prompts",
                           on ? "1" : "0");
    }
    // A drag started on the row key of doc's list.
    static std::unique_ptr<ItemMimeData> drag(browser::MRVDocument* doc, const QString& key) {
        doc->lstvProcs->setSelectedItem(doc->lstvProcs->findItem(key));
        return std::unique_ptr<ItemMimeData>(doc->lstvProcs_OLEStartDrag());
    }
    static QMimeData* files(const QStringList& paths) {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << (p.contains("://") ? QUrl(p) : QUrl::fromLocalFile(p));
        data->setUrls(urls);
        return data;
    }
    // "type|name|desc|code" of every item of the category, in name order.
    static QStringList items(const QString& lib, int catKey) {
        auto db = engine::openDatabase(lib, false, true);
        auto rs = db->OpenRecordset(
            QStringLiteral("SELECT Type, Name, [Desc], Code FROM [Procedure] WHERE CatKey = %1 ORDER BY Name")
                .arg(catKey),
            engine::dbOpenSnapshot);
        QStringList found;
        for (; !rs->eof(); rs->MoveNext())
            found << QStringList{rs->Fields(0).text(), rs->Fields(1).text(), rs->Fields(2).text(),
                                 rs->Fields(3).text()}
                         .join('|');
        return found;
    }
    // "type|first text" of each editor the drops opened; they are closed.
    QStringList editors() {
        QStringList opened;
        for (frmProcEdit* e : m_doc->findChildren<frmProcEdit*>()) {
            opened << e->CodeType() + '|' +
                          (e->CodeType() == "WebSite" ? e->txtProcName->text()
                                                      : e->txtProcCode->toPlainText());
            delete e;
        }
        return opened;
    }

    QString m_lib;
    browser::MRVDocument* m_doc = nullptr;
    const QByteArray m_bytes = QByteArray("stored\0bytes", 12).repeated(5000);
};

// Each kind of row declares its format at the start and is read and written only when a target asks.
TEST_F(DragDropTest, ItemsGoOutInTheirFormatsWrittenOnlyWhenAsked) {
    EXPECT_EQ(drag(m_doc, folderRow(m_doc, "2 Key")), nullptr) << "a category row is no item";
    EXPECT_EQ(drag(m_doc, "Parent TreeNode"), nullptr);
    EXPECT_FALSE(m_doc->DragSource());

    const struct {
        const char* key;
        QStringList formats;
        const char* fileName;  // nullptr: text
        QByteArray content;
    } cases[] = {
        // clang-format off
        {"1 key", {"text/plain", browser::kItemFormat}, nullptr, "Sub Alpha()"},
        {"2 key", {"text/uri-list", browser::kItemFormat}, "Search_page.url", "[InternetShortcut]\r\nURL=http://example.org/a\r\n"},
        {"4 key", {"text/uri-list", browser::kItemFormat}, "nodesc.org.url", "[InternetShortcut]\r\nURL=http://nodesc.org/x\r\n"},
        {"3 key", {"text/uri-list", browser::kItemFormat}, ".._data.bin", m_bytes},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const auto data = drag(m_doc, c.key);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->formats(), c.formats);
        EXPECT_TRUE(m_doc->DragSource());
        EXPECT_TRUE(DragExchange().InProgress);
        EXPECT_EQ(DragExchange().Name, m_doc->lstvProcs->selectedItem()->text());
        EXPECT_EQ(DragExchange().DatabaseName, m_lib);
        EXPECT_EQ(DragExchange().Type, "") << "nothing read before a target asks";
        EXPECT_EQ(data->supplied(), 0);

        if (!c.fileName) {
            EXPECT_EQ(data->data("text/plain"), c.content);
            EXPECT_EQ(DragExchange().FilePath, "");
        } else {
            const QList<QUrl> urls = data->urls();
            ASSERT_EQ(urls.size(), 1);
            const QString file = urls[0].toLocalFile();
            EXPECT_EQ(QFileInfo(file).fileName(), c.fileName);
            // A folder of its own inside the private one, listed for deletion.
            EXPECT_EQ(QFileInfo(QFileInfo(file).absolutePath()).absolutePath() + '/', store::tempFolder());
            EXPECT_EQ(storetest::readBytes(file), c.content);
            EXPECT_EQ(m_doc->DragFilePath(), file);
            if (QString(c.fileName).endsWith(".url")) {
                EXPECT_EQ(store::ReadWebShortcut(file), DragExchange().Name) << "the round trip";
            }
        }
        data->data(c.formats[0]);
        data->data(browser::kItemFormat);
        EXPECT_EQ(data->supplied(), 1) << "written once";
        m_doc->lstvProcs_OLECompleteDrag(Qt::CopyAction);
        EXPECT_FALSE(m_doc->DragSource());
        EXPECT_FALSE(DragExchange().InProgress);
        EXPECT_EQ(m_doc->DragFilePath(), "");
    }
}

TEST_F(DragDropTest, DropsOnTheList) {
    writeBytes(path("one.txt"), "1");
    writeBytes(path("two.txt"), "22");
    writeBytes(path("three.txt"), "333");
    writeBytes(path("site.url"), "[InternetShortcut]\r\nURL=https://site.org/\r\n");
    writeBytes(path("bad.url"), "[InternetShortcut]\r\nHotKey=0\r\n");
    writeBytes(path("link.desktop"), "[Desktop Entry]\nType=Link\nName=Docs\nURL=https://docs.org/a\\sb\n");
    const QString missing = path("gone.txt");
    const auto text = [](const QString& t) {
        auto* d = new QMimeData;
        d->setText(t);
        return d;
    };
    const auto mozUrl = [] {
        auto* d = new QMimeData;
        const QString value = "https://moz.org/\nThe title";
        d->setData("text/x-moz-url",
                   QByteArray(reinterpret_cast<const char*>(value.utf16()), value.size() * 2));
        return d;
    };
    const struct {
        const char* name;
        QMimeData* data;
        const char* node;  // selected category, "" for none
        bool prompts;
        QList<int> answers;
        QStringList titles, editors;
        QString status;
        int stored;  // files added to Utils
    } cases[] = {
        // clang-format off
        {"no category", text("x"), "", true, {}, {}, {}, "Ready...", 0},
        {"root", text("x"), "0 Key", true, {}, {"Error"}, {}, "Error: Cannot drop code on the Root Category!", 0},
        {"text", text("Sub New()"), "1 Key", true, {ui::vbYes}, {"New Code?"}, {"Text/Code|Sub New()"}, "", 0},
        {"text declined", text("Sub New()"), "1 Key", true, {ui::vbNo}, {"New Code?"}, {}, "Ready...", 0},
        {"text, no prompts", text("Sub New()"), "1 Key", false, {}, {}, {"Text/Code|Sub New()"}, "", 0},
        {"address", text("www.x.org"), "1 Key", true, {ui::vbYes}, {"Drop Web Page?"}, {"WebSite|www.x.org"}, "", 0},
        {"browser link", files({"https://b.org/p?q=1"}), "1 Key", true, {ui::vbYes}, {"Drop Web Page?"},
         {"WebSite|https://b.org/p?q=1"}, "", 0},
        {"moz link", mozUrl(), "1 Key", false, {}, {}, {"WebSite|https://moz.org/"}, "", 0},
        {"shortcut file", files({path("site.url"), path("bad.url")}), "1 Key", true, {ui::vbYes}, {"Drop Web Page?"},
         {"WebSite|https://site.org/"}, "", 0},
        {"desktop link", files({path("link.desktop")}), "1 Key", false, {}, {}, {"WebSite|https://docs.org/a b"}, "", 0},
        {"one file", files({path("one.txt")}), "1 Key", true, {ui::vbYes}, {"Drop new File?"}, {},
         "Dropped File '" + path("one.txt") + "' was Saved...", 1},
        {"three files, no prompts", files({path("one.txt"), path("two.txt"), path("three.txt")}), "1 Key", false, {},
         {}, {}, "Dropped 3 Files were Saved...", 3},
        {"a failure is not counted", files({path("one.txt"), missing, path("two.txt")}), "1 Key", false, {},
         {"reported"}, {}, "Dropped 2 Files were Saved...  Error: 1 File was not Saved!", 2},
        {"one declined", files({path("one.txt"), path("two.txt")}), "1 Key", true, {ui::vbNo, ui::vbYes},
         {"Drop new File?", "Drop new File?"}, {}, "Dropped File '" + path("two.txt") + "' was Saved...", 1},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<QMimeData> data(c.data);
        ui::testing::clear();
        for (int a : c.answers) ui::testing::queueAnswer(a);
        setPrompts(c.prompts);
        if (*c.node)
            click(m_doc, c.node);
        else
            m_doc->treCats->setSelectedItem(nullptr);
        const int before = items(m_lib, 1).size();
        m_doc->StatusBar("-");
        const Qt::DropAction over = m_doc->lstvProcs_OLEDragOver(data.get(), Qt::CopyAction | Qt::LinkAction);
        EXPECT_NE(over, Qt::IgnoreAction);
        m_doc->lstvProcs_OLEDragDrop(data.get(), over);
        if (c.titles == QStringList{"reported"}) {
            // The file that could not be read goes to the error report.
            ASSERT_EQ(boxes().size(), 1);
            EXPECT_TRUE(boxes()[0].text.contains(missing));
        } else {
            EXPECT_EQ(boxTitles(), c.titles);
        }
        EXPECT_EQ(editors(), c.editors);
        if (!c.status.isEmpty()) {
            EXPECT_EQ(statusText(m_doc).trimmed(), c.status);
        }
        EXPECT_EQ(items(m_lib, 1).size() - before, c.stored);
    }
    const QStringList utils = items(m_lib, 1);
    EXPECT_TRUE(utils.contains("File|two.txt|File|")) << utils.join("\n").toStdString();
}

// Two documents of one process hand each other items; the same library asks first, whatever the prompts.
TEST_F(DragDropTest, ItemsBetweenDocuments) {
    const QString other = makeLibrary("b.mdb", {category(7, 0, "Inbox")});
    browser::MRVDocument* target = open(other);
    click(target, "7 Key");
    setPrompts(true);

    // Own list: refused without a word.
    auto own = drag(m_doc, "1 key");
    EXPECT_EQ(m_doc->lstvProcs_OLEDragOver(own.get(), Qt::CopyAction), Qt::IgnoreAction);
    EXPECT_EQ(statusText(m_doc).trimmed(), "Dragging 'Alpha' code...");
    EXPECT_EQ(m_doc->lstvProcs_OLEDragDrop(own.get(), Qt::CopyAction), Qt::IgnoreAction);
    m_doc->lstvProcs_OLECompleteDrag(Qt::IgnoreAction);

    for (const char* key : {"1 key", "2 key", "3 key"}) {
        SCOPED_TRACE(key);
        ui::testing::clear();
        auto data = drag(m_doc, key);
        EXPECT_EQ(target->lstvProcs_OLEDragOver(data.get(), Qt::CopyAction), Qt::CopyAction);
        EXPECT_EQ(statusText(target).trimmed(), "Drop Item from another Code Library?");
        ui::testing::queueAnswer(ui::vbYes);
        target->lstvProcs_OLEDragDrop(data.get(), Qt::CopyAction);
        EXPECT_EQ(boxTitles(), QStringList{"Drop Item from another Code Library?"});
        EXPECT_EQ(DragExchange().Name, "") << "cleared by the target";
        m_doc->lstvProcs_OLECompleteDrag(Qt::CopyAction);
    }
    EXPECT_EQ(items(other, 7), (QStringList{"File|.._data.bin|File|", "Text/Code|Alpha|first|Sub Alpha()",
                                            "WebSite|http://example.org/a|Search/page|WebSite"}));
    {
        auto db = engine::openDatabase(other, false, true);
        auto rs =
            db->OpenRecordset("SELECT File FROM [Procedure] WHERE Type = 'File'", engine::dbOpenSnapshot);
        EXPECT_EQ(rs->Fields(0).Value().toByteArray(), m_bytes);
    }

    // Declined: the record is cleared, nothing written.
    ui::testing::clear();
    auto declined = drag(m_doc, "1 key");
    ui::testing::queueAnswer(ui::vbNo);
    EXPECT_EQ(target->lstvProcs_OLEDragDrop(declined.get(), Qt::CopyAction), Qt::IgnoreAction);
    EXPECT_EQ(statusText(target).trimmed(), "Drop Cancelled!");
    EXPECT_EQ(DragExchange().Name, "");
    EXPECT_EQ(declined->supplied(), 0);
    m_doc->lstvProcs_OLECompleteDrag(Qt::CopyAction);
    EXPECT_EQ(items(other, 7).size(), 3);

    // The same library open twice: its question comes even with the prompts off; No keeps the record.
    setPrompts(false);
    browser::MRVDocument* twin = open(m_lib);
    click(twin, "3 Key");
    for (int answer : {ui::vbNo, ui::vbYes}) {
        ui::testing::clear();
        auto data = drag(m_doc, "1 key");
        ui::testing::queueAnswer(answer);
        twin->lstvProcs_OLEDragDrop(data.get(), Qt::CopyAction);
        EXPECT_EQ(boxTitles(), QStringList{"Drag and Drop to the SAME Database?"});
        EXPECT_TRUE(boxes()[0].text.contains(m_lib));
        EXPECT_EQ(DragExchange().Name, answer == ui::vbNo ? "Alpha" : "");
        EXPECT_EQ(items(m_lib, 3).size(), answer == ui::vbNo ? 0 : 1);
        m_doc->lstvProcs_OLECompleteDrag(Qt::CopyAction);
    }

    // From a document of another process the whole item comes in a format of ours; only a file that
    // such a document extracted is taken from it.
    ui::testing::clear();
    browser::DragExchangeRecord sent{false, "/elsewhere.mdb", "Far", "Text/Code", "d", "Sub Far()", ""};
    QMimeData far;
    far.setData(browser::kItemFormat, sent.toJson());
    far.setText("Sub Far()");
    target->lstvProcs_OLEDragDrop(&far, Qt::CopyAction);
    sent = {false, "/elsewhere.mdb", "secret", "File", "File", "", path("one.txt")};
    writeBytes(path("one.txt"), "not extracted");
    QMimeData file;
    file.setData(browser::kItemFormat, sent.toJson());
    file.setUrls({QUrl::fromLocalFile(path("one.txt"))});
    target->lstvProcs_OLEDragDrop(&file, Qt::CopyAction);
    // Over the display the file list comes with text beside it; what the item is decides.
    sent.Name = "far.url";
    sent.FilePath = store::ExtractWebShortcut("http://far.org/", "far");
    QMimeData extracted;
    extracted.setData(browser::kItemFormat, sent.toJson());
    extracted.setUrls({QUrl::fromLocalFile(sent.FilePath)});
    extracted.setText(sent.FilePath);
    target->lstvProcs_OLEDragDrop(&extracted, Qt::CopyAction);
    EXPECT_TRUE(items(other, 7).contains("Text/Code|Far|d|Sub Far()"));
    EXPECT_TRUE(items(other, 7).contains("File|far.url|File|"));
    EXPECT_EQ(items(other, 7).size(), 5);
}

// Moving a category: refused into its own branch and onto its parent, allowed anywhere else (a
// namesake elsewhere included); the library changes first and the tree only after it.
TEST_F(DragDropTest, CategoryMoves) {
    m_doc->resize(800, 600);
    m_doc->show();
    QApplication::processEvents();
    setPrompts(false);
    const auto parentOf = [this](int catKey) { return categoryField(m_lib, "ParentKey", catKey).toInt(); };
    const auto move = [this](const QString& from, const QString& to) {
        controls::TreeNode* n = node(m_doc, from);
        n->ensureVisible();
        QApplication::processEvents();
        const QPoint at = m_doc->treCats->viewport()->mapTo(
            m_doc->treCats, m_doc->treCats->visualRect(m_doc->treCats->indexFromNode(n)).center());
        emit m_doc->treCats->mouseDown(Qt::LeftButton, Qt::NoModifier, at);
        ASSERT_EQ(m_doc->DragNode(), n);
        m_doc->beginCategoryDrag();
        EXPECT_TRUE(m_doc->CategoryDragging());
        const std::unique_ptr<QMimeData> dropped(files({"/x"}));
        EXPECT_EQ(m_doc->lstvProcs_OLEDragOver(dropped.get(), Qt::CopyAction), Qt::IgnoreAction);
        m_doc->treCats_DragOver(node(m_doc, to));
        EXPECT_EQ(m_doc->treCats->dropHighlight(), node(m_doc, to));
        m_doc->treCats_DragDrop();
        EXPECT_FALSE(m_doc->CategoryDragging());
        EXPECT_EQ(m_doc->treCats->dropHighlight(), nullptr);
        m_doc->treCats_MouseUp();
    };
    const struct {
        const char *from, *to;
        int catKey, parent;  // the category moved and its parent afterwards
        const char* status;
    } cases[] = {
        {"1 Key", "1 Key", 1, 0, "Error: Cannot move a Category to it's own 'Child' ..."},
        {"1 Key", "2 Key", 1, 0, "Error: Cannot move a Category to it's own 'Child' ..."},
        {"2 Key", "1 Key", 2, 1, "Error: Cannot move a Category to it's own 'Child' ..."},
        {"0 Key", "3 Key", 0, 0, "Error: Cannot move a Category to it's own 'Child' ..."},
        {"1 Key", "4 Key", 1, 4, "Category Moved ..."},  // below a namesake of another branch
        {"2 Key", "0 Key", 2, 0, "Category Moved ..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " to " + c.to);
        move(c.from, c.to);
        EXPECT_EQ(statusText(m_doc).trimmed(), c.status);
        if (c.catKey == 0) continue;
        EXPECT_EQ(parentOf(c.catKey), c.parent);
        EXPECT_EQ(node(m_doc, QString::number(c.catKey) + " Key")->parent()->key(),
                  QString::number(c.parent) + " Key");
    }
    EXPECT_EQ(node(m_doc, "1 Key")->parent(), node(m_doc, "4 Key"));

    // A library that refuses the change keeps the tree as it was.
    storetest::execute(
        m_lib, {"CREATE TRIGGER refuse BEFORE UPDATE ON Category BEGIN SELECT RAISE(ABORT, 'no'); END"});
    ui::testing::clear();
    move("3 Key", "2 Key");
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].text.contains("MRVDocument.treCats_DragDrop"));
    EXPECT_EQ(parentOf(3), 0);
    EXPECT_EQ(node(m_doc, "3 Key")->parent()->key(), "0 Key");
}

// An item row dropped on a node is filed there after the question; its category is known by number.
TEST_F(DragDropTest, ItemsFiledOnTreeNodes) {
    setPrompts(true);
    const struct {
        const char* target;
        QList<int> answers;
        const char* status;
        int catKey;  // Alpha's category afterwards
    } cases[] = {
        {"1 Key", {}, "Cannot assign it to the 'SAME' Category!", 1},
        {"0 Key", {}, "Cannot assign it to the 'Root' Category!", 1},
        {"4 Key", {ui::vbNo}, "Ready...", 1},
        {"4 Key", {ui::vbYes}, "Procedure Category Changed ...", 4},  // another "Utils"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        click(m_doc, "1 Key");
        ui::testing::clear();
        for (int a : c.answers) ui::testing::queueAnswer(a);
        auto data = drag(m_doc, "1 key");
        EXPECT_EQ(m_doc->treCats_OLEDragOver(data.get(), node(m_doc, c.target)), Qt::CopyAction);
        EXPECT_EQ(statusText(m_doc).trimmed(), "Change Category?");
        m_doc->treCats_OLEDragDrop(data.get(), Qt::CopyAction);
        m_doc->lstvProcs_OLECompleteDrag(Qt::CopyAction);
        EXPECT_EQ(boxes().size(), c.answers.size());
        if (!c.answers.isEmpty()) {
            EXPECT_EQ(boxes()[0].text, "MOVE Procedure: 'Alpha'\n     TO Category: 'Utils'?");
        }
        EXPECT_EQ(statusText(m_doc).trimmed(), c.status);
        EXPECT_EQ(scalar(m_lib, "SELECT CatKey FROM [Procedure] WHERE ProcKey = 1").toInt(), c.catKey);
        EXPECT_EQ(m_doc->lstvProcs->findItem("1 key") != nullptr, c.catKey == 1);
    }
}

TEST_F(DragDropTest, PicturesDroppedOnNodes) {
    writeBytes(path("readme.txt"), "text");
    writeBytes(path("app.png"), png(Qt::green));
    writeBytes(path("fake.png"), "not a picture");
    const struct {
        const char* file;
        bool custom;
        QStringList titles;
        const char* status;
        bool stored;
    } cases[] = {
        // clang-format off
        {"readme.txt", true, {"Only Icons can be assigned as the image of a Tree Node!"},
         "Error: Only 'Icon' files allowed to be assigned as the image of a Category!", false},
        {"app.png", false, {"Ouch!  That hurt!"}, "-", false},
        {"fake.png", true, {"Only Icons can be assigned as the image of a Tree Node!"}, "-", false},
        {"app.png", true, {}, "-", true},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.custom ? " custom" : ""));
        ui::testing::clear();
        ui::testing::queueAnswer(ui::vbNo);
        setInstanceSetting("Display using Custom Icons", c.custom ? "1" : "0");
        m_doc->StatusBar("-");
        const std::unique_ptr<QMimeData> data(files({path(c.file)}));
        EXPECT_EQ(m_doc->treCats_OLEDragOver(data.get(), node(m_doc, "0 Key")), Qt::IgnoreAction);
        EXPECT_EQ(m_doc->treCats->dropHighlight(), nullptr) << "never the root";
        EXPECT_EQ(m_doc->treCats_OLEDragOver(data.get(), node(m_doc, "1 Key")), Qt::CopyAction);
        m_doc->treCats_OLEDragDrop(data.get(), Qt::CopyAction);
        EXPECT_EQ(boxTitles(), c.titles);
        EXPECT_EQ(statusText(m_doc).trimmed(), c.status);
        EXPECT_EQ(m_doc->treCats->dropHighlight(), nullptr);
        EXPECT_EQ(!categoryField(m_lib, "Image", 1).isNull(), c.stored);
    }
    EXPECT_EQ(node(m_doc, "1 Key")->image(), "Utils");
    EXPECT_TRUE(m_doc->imgSmallIcons->contains("Utils"));

    // A category still called "<New Category>" must be named first.
    m_doc->CatAddChild();
    QApplication::processEvents();
    controls::TreeNode* fresh = m_doc->treCats->selectedItem();
    const std::unique_ptr<QMimeData> data(files({path("app.png")}));
    m_doc->treCats_OLEDragOver(data.get(), fresh);
    m_doc->treCats_OLEDragDrop(data.get(), Qt::CopyAction);
    EXPECT_EQ(statusText(m_doc).trimmed(),
              "Error: You MUST change the Category Name from the default, before dragging an Icon file.");
}

}  // namespace
