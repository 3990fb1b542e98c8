#include "ide_fixture.h"

#include "ide/project_file.h"

#include <QTextDocument>

using idetest::IdeTest;
using idetest::raised;
using idetest::readBytes;
using idetest::writeBytes;

namespace {

using ProjectTest = IdeTest;

TEST(ProjectFile, ReadsWhatItWritesAndRefusesEveryCutOrGarbledText) {
    const ide::ProjectFile project{"Tools ü", {"A.bas", "/x/B.cls"}};
    const QByteArray text = ide::projectFileText(project);
    EXPECT_EQ(text, "MorvaneProject 1\nName=Tools \xC3\xBC\nFile=A.bas\nFile=/x/B.cls\nEnd\n");
    const ide::ProjectFile back = ide::parseProjectFile(text, "p");
    EXPECT_EQ(back.name, project.name);
    EXPECT_EQ(back.files, project.files);
    const ide::ProjectFile loose = ide::parseProjectFile(
        "\xEF\xBB\xBFMorvaneProject 1\r\n; by hand\r\n\r\n  name =  N  \r\nWindow=left\r\nFILE= A.bas\r\nend",
        "p");
    EXPECT_EQ(loose.name, "N");
    EXPECT_EQ(loose.files, QStringList{"A.bas"});

    // Cut anywhere before its end, it is refused, never half read.
    for (int size = 0; size < text.size() - 1; ++size)
        EXPECT_EQ(raised([&] { ide::parseProjectFile(text.left(size), "p"); }).number, ide::errProjectFormat)
            << size;
    for (const QByteArray& bad :
         {QByteArray("MorvaneProject 1\nFile=A.bas\n"), QByteArray("MorvaneProject 1\nName=\n"),
          QByteArray("MorvaneProject 1\nName=A\nName=B\n"), QByteArray("MorvaneProject 1\nNo\n"),
          QByteArray("MorvaneProject 1\nName=A\0\n", 21), QByteArray("Other 1\nName=A\n"),
          QByteArray("MorvaneProject 1\nName=\xFF\n")})
        EXPECT_EQ(raised([&] { ide::parseProjectFile(bad, "p"); }).number, ide::errProjectFormat)
            << bad.toStdString();
    EXPECT_EQ(raised([&] { ide::parseProjectFile("MorvaneProject 2\nName=A\nEnd\n", "p"); }).number,
              ide::errProjectVersion);
    for (const QString& name : {QStringLiteral("two\nlines"), QString(), QStringLiteral(" padded")})
        EXPECT_EQ(raised([&] { ide::projectFileText({name, {}}); }).number, ide::errInvalidArgument);
}

// Components keep their bytes: line ends and a Latin-1 file come back as they were read, and a
// character Latin-1 cannot hold turns the file into UTF-8 rather than being lost.
TEST_F(ProjectTest, ComponentsAndProjectsAreSavedAndReadBackWithoutLoss) {
    writeBytes(path("p/Old.bas"), "Attribute VB_Name = \"Old\"\r\n' caf\xE9\r\n");
    writeBytes(path("shared/Lib.bas"), "x\n");
    ide::Project* project = vbe()->newProject("Tools");
    QStringList heard;
    QObject::connect(vbe()->Events()->FileEvents(nullptr), &ide::FileEventSource::AfterAddFile,
                     [&](ide::VBProject* p, int type, const QString& f) {
                         heard << QStringLiteral("%1|%2|%3").arg(p->Name()).arg(type).arg(f);
                     });
    ide::Component* old = project->addFile(path("p/Old.bas"));
    ide::Component* lib = project->addFile(path("shared/Lib.bas"));
    EXPECT_EQ(heard, (QStringList{"Tools|2|" + path("p/Old.bas"), "Tools|2|" + path("shared/Lib.bas")}));
    EXPECT_EQ(raised([&] { project->addFile(path("p/Old.bas")); }).number, ide::errInvalidArgument);
    EXPECT_EQ(raised([&] { project->addFile(path("p/None.bas")); }).number, ide::errPathAccess);
    EXPECT_EQ(project->VBComponents()->Count(), 2);
    EXPECT_EQ(old->document()->toPlainText(), "Attribute VB_Name = \"Old\"\n' caf\u00E9\n");

    old->SaveAs(path("p/Copy.bas"));
    EXPECT_EQ(readBytes(path("p/Copy.bas")), readBytes(path("p/Old.bas")));
    EXPECT_EQ(old->FileNames(1), path("p/Copy.bas"));
    old->document()->setPlainText("' \u20AC\n");
    old->save();
    EXPECT_EQ(readBytes(path("p/Copy.bas")), "' \xE2\x82\xAC\r\n");

    ide::Component* fresh = project->addNew(ide::FileClass);
    EXPECT_EQ(fresh->name(), "Class1");
    EXPECT_EQ(raised([&] { project->save(path("p/Tools.mrvp")); }).number, ide::errInvalidArgument)
        << "a component without a file cannot be listed";
    fresh->SaveAs(path("p/Class1.cls"));
    project->save(path("p/Tools.mrvp"));
    EXPECT_FALSE(project->isModified());
    EXPECT_EQ(readBytes(path("p/Tools.mrvp")),
              "MorvaneProject 1\nName=Tools\nFile=Copy.bas\nFile=" + path("shared/Lib.bas").toUtf8() +
                  "\nFile=Class1.cls\nEnd\n");

    ide::Project* reopened = vbe()->openProject(path("p/Tools.mrvp"));
    ASSERT_EQ(reopened->VBComponents()->Count(), 3);
    EXPECT_EQ(reopened->VBComponents()->Item(1)->FileNames(1), path("p/Copy.bas"));
    EXPECT_EQ(reopened->VBComponents()->Item(2)->FileNames(1), lib->FileNames(1));
    EXPECT_EQ(reopened->FileName(), path("p/Tools.mrvp"));
    EXPECT_EQ(heard.size(), 2) << "opening a project adds no file";

    EXPECT_EQ(raised([&] { old->SaveAs(path("missing/folder/X.bas")); }).number, ide::errPathAccess);
    EXPECT_EQ(old->FileNames(1), path("p/Copy.bas")) << "a failed save keeps the file it had";
}

}  // namespace
