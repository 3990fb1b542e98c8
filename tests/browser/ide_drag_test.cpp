#include "browser/ide_drag.h"

#include "platform/dochost.h"
#include "store/startup.h"
#include "tests/browser/browser_fixture.h"

#include <QPointer>

using namespace browsertest;

namespace {

// The IDE file watcher as the document sees it: created by name, given its members by name.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* VBInstance READ VBInstance WRITE setVBInstance)
    Q_PROPERTY(QString DragFile READ DragFile WRITE setDragFile)
public:
    using QObject::QObject;
    QObject* VBInstance() const { return m_vbe; }
    void setVBInstance(QObject* vbe) { m_vbe = vbe; }
    QString DragFile() const { return m_dragFile; }
    void setDragFile(const QString& path) { m_dragFile = path; }

private:
    QPointer<QObject> m_vbe;
    QString m_dragFile;
};

class IdeDragTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        dochost::registerObjectClass("Morvane.cVBIDE", [](QObject* p) { return new FakeWatcher(p); });
        ideWindow.setWindowTitle("Tools - " + store::kIdeWindowTitle);
    }
    void TearDown() override {
        dochost::unregisterObjectClass("Morvane.cVBIDE");
        BrowserTest::TearDown();
    }
    static void setSharedFolder(const QString& folder) {
        store::SaveSetting(store::generalAppName(), "General Properties", "Shared Module Folder", folder);
    }
    FakeWatcher* watcher() const { return static_cast<FakeWatcher*>(link.watcher()); }

    browser::MRVDocument document;
    browser::IdeDragLink link;
    QObject vbe;
    QWidget ideWindow;
};

TEST_F(IdeDragTest, WithoutTheIdeTheDocumentLetsGoOfIt) {
    setSharedFolder(path(""));
    document.setVBInstance(&vbe);
    ideWindow.show();
    link.startFileDrag(&document, {});
    ASSERT_NE(watcher(), nullptr);
    ideWindow.hide();
    link.startFileDrag(&document, {});
    EXPECT_EQ(document.VBInstance(), nullptr);
    EXPECT_EQ(watcher(), nullptr);
    link.completeFileDrag(&document, path("Mod.bas"));
    EXPECT_TRUE(boxes().isEmpty());
}

// Beside the IDE the shared module folder must be set and exist before the watcher is given the IDE;
// the drag goes on either way.
TEST_F(IdeDragTest, TheSharedModuleFolderIsCheckedBeforeTheWatcherIsAttached) {
    ideWindow.show();
    QDir().mkpath(path("shared"));
    const struct {
        const char* name;
        QString setting;      // "" for none
        QString setByDialog;  // what the preferences dialog stores, "" for nothing
        bool addIn;
        QStringList titles;
        bool attached;
    } cases[] = {
        {"none, none chosen", "", "", true, {"Specify a Shared Module Folder"}, false},
        {"none, one chosen", "", path("shared/"), true, {"Specify a Shared Module Folder"}, true},
        {"missing folder", path("gone/"), "", true, {"Shared Module Folder does not exist"}, false},
        {"folder with separator", path("shared/"), "", true, {}, true},
        {"folder without", path("shared"), "", true, {}, true},
        {"not the add-in", path("shared"), "", false, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui::testing::clear();
        delete link.watcher();
        store::DeleteSetting(store::generalAppName(), "General Properties", "Shared Module Folder");
        if (!c.setting.isEmpty()) setSharedFolder(c.setting);
        document.setVBInstance(c.addIn ? &vbe : nullptr);
        int dialogs = 0;
        link.startFileDrag(&document, [&] {
            ++dialogs;
            if (!c.setByDialog.isEmpty()) setSharedFolder(c.setByDialog);
        });
        EXPECT_EQ(boxTitles(), c.titles);
        EXPECT_EQ(dialogs, c.setting.isEmpty() ? 1 : 0);
        if (!c.titles.isEmpty()) {
            EXPECT_EQ(boxes()[0].helpContext, 48);
            EXPECT_EQ(boxes()[0].helpButton, c.setting.isEmpty());
        }
        ASSERT_EQ(watcher() != nullptr, c.attached);
        if (!c.attached) continue;
        EXPECT_EQ(watcher()->VBInstance(), &vbe);
        link.fileWritten(path("tmp/Mod.bas"));
        EXPECT_EQ(watcher()->DragFile(), path("tmp/Mod.bas"));
        FakeWatcher* first = watcher();
        link.startFileDrag(&document, {});
        EXPECT_EQ(watcher(), first) << "created once";
    }
}

// A document that is not the add-in cannot tell the IDE where a code file belongs: it warns, until
// told not to.
TEST_F(IdeDragTest, OutsideTheAddInACodeFileDragWarnsUntilToldNotTo) {
    ideWindow.show();
    const struct {
        QString file;
        bool addIn;
        int answer;
        bool warned, stopWarning;
    } cases[] = {
        {"Notes.txt", false, 0, false, false},        {"Mod.bas", true, 0, false, false},
        {"Form1.FRM", false, ui::vbYes, true, false}, {"Class1.cls", false, ui::vbNo, true, true},
        {"Mod.bas", false, 0, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        ui::testing::clear();
        if (c.answer) ui::testing::queueAnswer(c.answer);
        document.setVBInstance(c.addIn ? &vbe : nullptr);
        link.completeFileDrag(&document, path("tmp/") + c.file);
        ASSERT_EQ(boxes().size(), c.warned ? 1 : 0);
        EXPECT_EQ(link.NoProjectWarning(), c.stopWarning);
        if (!c.warned) continue;
        EXPECT_EQ(boxes()[0].title, "Visual Basic Warning!");
        EXPECT_EQ(boxes()[0].buttons | boxes()[0].icon, ui::vbYesNo | ui::vbQuestion);
        EXPECT_TRUE(boxes()[0].text.endsWith("Would you like to continue to receive this warning?"));
    }
}

}  // namespace

#include "ide_drag_test.moc"
