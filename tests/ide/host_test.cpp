#include "ide_fixture.h"

#include "ide/cVBIDE.h"
#include "ide/code_pane.h"
#include "ide/customize_dialog.h"
#include "ide/project_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
#include <QUrl>

using idetest::IdeTest;
using idetest::readBytes;
using idetest::writeBytes;

namespace {

class HostTest : public IdeTest {
protected:
    // Drags data over widget and drops it, as the desktop delivers a drop; whether it was taken.
    static bool drop(QWidget* widget, QMimeData* data) {
        const std::unique_ptr<QMimeData> owned(data);
        const QPointF at(4, 4);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &dropped);
        return dropped.isAccepted();
    }
    static QMimeData* files(const QStringList& paths) {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data->setUrls(urls);
        return data;
    }
    static QMimeData* text(const QString& t) {
        auto* data = new QMimeData;
        data->setText(t);
        return data;
    }
};

// The browser's drag of a stored code file lands here: the file list is taken, the file added after
// the drop is over, and the watcher then saves the module where it belongs.
TEST_F(HostTest, TheProjectWindowAddsDroppedFilesAndTheWatcherPlacesThem) {
    writeBytes(path("p/Tools.mrvp"), "MorvaneProject 1\nName=Tools\nFile=Main.bas\nEnd\n");
    writeBytes(path("p/Main.bas"), "Sub Main()\nEnd Sub\n");
    writeBytes(path("tmp/FileUtils.bas"), "Public Function Exists() As Boolean\nEnd Function\n");
    QDir().mkpath(path("shared"));
    store::SaveSetting(store::generalAppName(), "General Properties", "Shared Module Folder", path("shared"));
    ASSERT_TRUE(window->openProject(path("p")));
    ide::cVBIDE watcher;
    watcher.setVBInstance(vbe());
    watcher.setDragFile(path("tmp/FileUtils.bas"));
    QWidget* target = window->projectWindow()->viewport();

    EXPECT_FALSE(drop(target, text("Dim X")));
    ui::testing::queueAnswer(ui::vbYes);
    ASSERT_TRUE(drop(target, files({path("tmp/FileUtils.bas")})));
    EXPECT_EQ(window->project()->components().size(), 1) << "nothing happens inside the drop";
    QApplication::processEvents();
    ASSERT_EQ(window->project()->components().size(), 2);
    EXPECT_EQ(boxTitles(), QStringList{"Where to save this file?"});
    EXPECT_EQ(window->project()->components()[1]->FileNames(1), path("p/FileUtils.bas"));
    EXPECT_EQ(readBytes(path("p/FileUtils.bas")), readBytes(path("tmp/FileUtils.bas")));
    EXPECT_EQ(window->projectWindow()->selectedComponent(), window->project()->components()[1]);

    ASSERT_TRUE(window->saveProject(false));
    EXPECT_EQ(readBytes(path("p/Tools.mrvp")),
              "MorvaneProject 1\nName=Tools\nFile=Main.bas\nFile=FileUtils.bas\nEnd\n");

    // A file already in the project is told, not added twice.
    ui::testing::clear();
    ASSERT_TRUE(drop(target, files({path("p/Main.bas")})));
    QApplication::processEvents();
    EXPECT_EQ(window->project()->components().size(), 2);
    EXPECT_EQ(boxTitles(), QStringList{"Morvane IDE"});
}

// A folder of modules without a project file opens as a new project of them, named after the folder;
// the first save writes its project file there, and closing before asks.
TEST_F(HostTest, AFolderWithoutAProjectFileOpensAsAProjectOfItsModules) {
    writeBytes(path("Tools/b.bas"), "Sub B()\nEnd Sub\n");
    writeBytes(path("Tools/A.cls"), "' class\n");
    writeBytes(path("Tools/notes.txt"), "not a module\n");
    ASSERT_TRUE(window->openProject(path("Tools")));
    ide::Project* project = window->project();
    EXPECT_EQ(project->Name(), "Tools");
    ASSERT_EQ(project->components().size(), 2);
    EXPECT_EQ(project->components()[0]->fileName(), path("Tools/A.cls"));
    EXPECT_EQ(project->components()[1]->fileName(), path("Tools/b.bas"));
    EXPECT_TRUE(project->isModified());
    EXPECT_FALSE(QFile::exists(path("Tools/Tools.mrvp")));
    ui::testing::queueAnswer(ui::vbCancel);
    EXPECT_FALSE(window->newProject());
    ASSERT_TRUE(window->saveProject(false));
    EXPECT_EQ(readBytes(path("Tools/Tools.mrvp")),
              "MorvaneProject 1\nName=Tools\nFile=A.cls\nFile=b.bas\nEnd\n");
}

// Code dragged from the browser arrives as text where it is dropped; a dragged code file's text
// arrives too; a file that is no text brings nothing.
TEST_F(HostTest, CodePanesTakeDroppedTextAndTextFilesInAFixedWidthFont) {
    writeBytes(path("p/Main.bas"), "End Sub\n");
    writeBytes(path("FileUtils.bas"), "' from a file\r\n");
    writeBytes(path("picture.png"), QByteArray("\x89PNG\0\0", 6));
    window->newProject();
    ide::CodePane* pane = window->openCodePane(window->project()->addFile(path("p/Main.bas")));
    EXPECT_TRUE(pane->font().fixedPitch());
    window->resize(800, 600);
    window->show();
    QApplication::processEvents();

    ASSERT_TRUE(drop(pane->viewport(), text("Sub Main()\n")));
    EXPECT_EQ(pane->toPlainText(), "Sub Main()\nEnd Sub\n");
    ASSERT_TRUE(drop(pane->viewport(), files({path("FileUtils.bas")})));
    EXPECT_EQ(pane->toPlainText(), "' from a file\nSub Main()\nEnd Sub\n");
    drop(pane->viewport(), files({path("picture.png")}));
    EXPECT_EQ(pane->toPlainText(), "' from a file\nSub Main()\nEnd Sub\n");
    EXPECT_TRUE(window->project()->components()[0]->isModified());
    EXPECT_TRUE(window->windowTitle().startsWith("Project1* - Morvane IDE"));

    pane->selectAll();
    pane->indentLines(true);
    pane->commentLines(true);
    EXPECT_EQ(pane->toPlainText(), "'    ' from a file\n'    Sub Main()\n'    End Sub\n");
    pane->commentLines(false);
    pane->indentLines(false);
    EXPECT_EQ(pane->toPlainText(), "' from a file\nSub Main()\nEnd Sub\n");
}

TEST_F(HostTest, CustomizingMovesAndDeletesControls) {
    ide::CustomizeDialog dialog(vbe());
    dialog.selectBar(vbe()->bar("Standard"));
    dialog.lstControls->setCurrentRow(6);  // Copy
    dialog.moveDown();
    EXPECT_EQ(captions("Standard").mid(5, 3), (QStringList{"|Cut", "Paste", "Copy"}));
    EXPECT_EQ(dialog.currentControl()->Caption(), "Copy");
    dialog.chkBeginGroup->setChecked(true);
    EXPECT_TRUE(dialog.currentControl()->BeginGroup());
    dialog.cboTarget->setCurrentIndex(1);  // Code
    dialog.moveToTarget();
    EXPECT_EQ(captions("Code").last(), "|Copy");
    EXPECT_EQ(dialog.currentBar(), vbe()->bar("Code"));
    ui::testing::queueAnswer(ui::vbYes);
    dialog.deleteControl();
    settle();
    EXPECT_FALSE(captions("Code").contains("|Copy"));
    EXPECT_EQ(dialog.cmdDelete->isEnabled(), dialog.currentControl() != nullptr);
}

TEST_F(HostTest, ClosingAsksToSaveAChangedProjectAndSavesWhereTheUserSays) {
    window->newProject();
    window->openCodePane(window->project()->addNew(ide::FileModule))->setPlainText("Sub A()\nEnd Sub\n");
    window->show();
    ui::testing::queueAnswer(ui::vbCancel);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());

    ui::testing::clear();
    ui::testing::queueAnswer(ui::vbYes);
    ui::testing::queueFileName(path("q/Module1.bas"));
    ui::testing::queueFileName(path("q/Project1"));
    QDir().mkpath(path("q"));
    EXPECT_TRUE(window->close());
    EXPECT_EQ(readBytes(path("q/Module1.bas")), "Sub A()\nEnd Sub\n");
    EXPECT_EQ(readBytes(path("q/Project1.mrvp")), "MorvaneProject 1\nName=Project1\nFile=Module1.bas\nEnd\n");
}

}  // namespace
