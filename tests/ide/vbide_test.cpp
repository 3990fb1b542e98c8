#include "ide_fixture.h"

#include "ide/cVBIDE.h"

using idetest::IdeTest;
using idetest::readBytes;
using idetest::writeBytes;

namespace {

class FileWatcherTest : public IdeTest {
protected:
    void SetUp() override {
        IdeTest::SetUp();
        watcher.setVBInstance(vbe());
    }
    void setSharedFolder(const QString& folder) {
        store::SaveSetting(store::generalAppName(), "General Properties", "Shared Module Folder", folder);
    }
    // A project, saved in "p" or never saved.
    ide::Project* project(bool saved) {
        ide::Project* p = vbe()->newProject("Tools");
        QDir().mkpath(path("p"));
        if (saved) p->save(path("p/Tools.mrvp"));
        return p;
    }

    ide::cVBIDE watcher;
};

// Every branch, for a project saved or not, with files in the project's folder, the shared folder,
// both or neither, and the shared folder set with and without its trailing separator.
TEST_F(FileWatcherTest, TheDroppedModuleGoesWhereTheTableSaysAfterTheQuestions) {
    enum Where { Temp, Shared, InProject };
    const QList<int> kYes = {ui::vbOK, ui::vbYes}, kNo = {ui::vbOK, ui::vbNo};
    const QString warn = "WARNING: FILE ALREADY EXISTS!", exists = "File Exists!",
                  where = "Where to save this file?", remove = "WARNING: REMOVE THIS FILE!";
    const struct {
        const char* branch;
        bool saved, inShared, inProject;
        QList<int> answers;  // to the boxes in turn
        QStringList titles;
        Where savedTo;
    } cases[] = {
        {"a", false, true, false, {}, {warn}, Temp},
        {"a", false, true, true, {}, {warn}, Temp},
        {"b", false, false, false, {}, {"Project has not been saved!"}, Shared},
        {"b", false, false, true, {}, {"Project has not been saved!"}, Shared},
        {"c", true, true, true, {}, {warn}, Temp},
        {"d yes", true, false, true, kYes, {exists, where}, Shared},
        {"d no", true, false, true, kNo, {exists, where, remove}, Temp},
        {"e yes", true, true, false, kYes, {exists, where}, InProject},
        {"e no", true, true, false, kNo, {exists, where, remove}, Temp},
        {"f yes", true, false, false, {ui::vbYes}, {where}, InProject},
        {"f no", true, false, false, {ui::vbNo}, {where}, Shared},
    };
    for (const char* separator : {"", "/"})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.branch) + (c.saved ? " saved" : " unsaved") +
                         (c.inShared ? " shared" : "") + (c.inProject ? " project" : "") + " separator '" +
                         separator + "'");
            QDir(path("p")).removeRecursively();
            QDir(path("shared")).removeRecursively();
            QDir().mkpath(path("shared"));
            const QString dragged = path("tmp/Mod.bas"), shared = path("shared/Mod.bas"),
                          inProject = path("p/Mod.bas");
            writeBytes(dragged, "dragged\n");
            if (c.inShared) writeBytes(shared, "shared\n");
            if (c.inProject) writeBytes(inProject, "project\n");
            setSharedFolder(path("shared") + separator);
            ide::Project* p = project(c.saved);
            ui::testing::clear();
            for (int answer : c.answers) ui::testing::queueAnswer(answer);
            watcher.setDragFile(dragged);

            ide::Component* component = p->addFile(dragged);
            EXPECT_EQ(boxTitles(), c.titles);
            const QString expected = c.savedTo == Temp ? dragged : c.savedTo == Shared ? shared : inProject;
            EXPECT_EQ(component->FileNames(1), expected);
            EXPECT_EQ(readBytes(expected), "dragged\n");
            if (c.inShared && c.savedTo != Shared) {
                EXPECT_EQ(readBytes(shared), "shared\n");
            }
            if (c.inProject && c.savedTo != InProject) {
                EXPECT_EQ(readBytes(inProject), "project\n");
            }
            EXPECT_FALSE(QFileInfo::exists(path("sharedMod.bas"))) << "never beside the folder";
            EXPECT_EQ(watcher.DragFile(), dragged) << "kept after a handled file";
            vbe()->closeProject(p);
        }
}

TEST_F(FileWatcherTest, TheMessagesReadAsWritten) {
    setSharedFolder(path("shared/"));
    QDir().mkpath(path("shared"));
    const QString dragged = path("tmp/Mod.bas");
    writeBytes(dragged, "x");
    const QString help = store::helpFile();

    watcher.setDragFile(dragged);
    ide::Project* unsaved = project(false);
    unsaved->addFile(dragged);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].text,
              "This Project \"Tools\" has NOT yet been SAVED!\n\nThe dropped file \"Mod.bas\" will be "
              "stored in the 'Shared Folder':\n\n   " +
                  path("shared/Mod.bas"));
    EXPECT_EQ(boxes()[0].buttons | boxes()[0].icon, ui::vbOKOnly | ui::vbExclamation);
    EXPECT_TRUE(boxes()[0].foreground);
    EXPECT_EQ(boxes()[0].helpFile, help);
    EXPECT_EQ(boxes()[0].helpContext, 48);
    vbe()->closeProject(unsaved);

    ui::testing::clear();
    ui::testing::queueAnswer(ui::vbOK);
    ui::testing::queueAnswer(ui::vbNo);
    QFile::remove(path("shared/Mod.bas"));
    ide::Project* saved = project(true);
    writeBytes(path("p/Mod.bas"), "x");
    saved->addFile(dragged);
    ASSERT_EQ(boxes().size(), 3);
    EXPECT_EQ(boxes()[0].text, "This file already exists in this Project's Folder!");
    EXPECT_FALSE(boxes()[0].foreground);
    EXPECT_EQ(boxes()[1].text,
              "Save this Module \"Mod.bas\" in the \"" + path("shared/") + "\" Shared Folder?");
    EXPECT_EQ(boxes()[1].buttons | boxes()[1].icon, ui::vbYesNo | ui::vbQuestion);
    EXPECT_EQ(boxes()[2].text,
              "This file \"Mod.bas\" has been saved in the 'Windows Temp' folder, and WILL BE DELETED."
              "\n\nWARNING:\nYou should REMOVE this file from your Project.");
    vbe()->closeProject(saved);

    ui::testing::clear();
    QFile::remove(path("p/Mod.bas"));
    saved = project(true);
    saved->addFile(dragged);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].text,
              "Save this Module \"Mod.bas\" in the \"Tools\" 'Projects Folder':\n\n   " + path("p") +
                  "\n\nClick 'No' to save this file in the 'Shared Folder':\n\n   " + path("shared"));
}

// Files the user adds any other way are left alone and make the watcher forget the drag; the
// drag's file is known again whatever its case and surrounding blanks.
TEST_F(FileWatcherTest, OtherFilesAreLeftAloneAndForgetTheDrag) {
    setSharedFolder(path("shared/"));
    QDir().mkpath(path("shared"));
    writeBytes(path("tmp/Other.bas"), "o");
    writeBytes(path("tmp/Mod.bas"), "m");
    ide::Project* p = project(false);
    watcher.setDragFile(path("tmp/Mod.bas"));
    ide::Component* other = p->addFile(path("tmp/Other.bas"));
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(other->FileNames(1), path("tmp/Other.bas"));
    EXPECT_EQ(watcher.DragFile(), QString());

    watcher.setDragFile("  " + path("tmp/Mod.bas").toUpper() + " ");
    ide::Component* mod = p->addFile(path("tmp/Mod.bas"));
    EXPECT_EQ(mod->FileNames(1), path("shared/Mod.bas"));
    EXPECT_EQ(boxTitles(), QStringList{"Project has not been saved!"});

    // With no shared folder set, the module stays where the drag put it, and the save is reported.
    ui::testing::clear();
    setSharedFolder(QString());
    writeBytes(path("tmp/Lone.bas"), "l");
    watcher.setDragFile(path("tmp/Lone.bas"));
    EXPECT_EQ(p->addFile(path("tmp/Lone.bas"))->FileNames(1), path("tmp/Lone.bas"));
    EXPECT_EQ(boxTitles(), (QStringList{"Project has not been saved!", "Morvane Error"}));
    EXPECT_FALSE(QFileInfo::exists("/Lone.bas"));
}

}  // namespace
