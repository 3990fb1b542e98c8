// The copy dialog: To and From, plain and zipped, onto nothing, over a file or not; the refusals; the
// archiver failing or missing; archives that try to write elsewhere.

#include "library_fixture.h"

#include "library/frmDBCopy.h"
#include "platform/controls.h"
#include "store/archiver.h"
#include "store/library_files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProcess>

using namespace librarytest;
using storetest::readBytes;
using storetest::writeBytes;

namespace {

// An archive zip makes of the files (name, content), written at archive. zip never stores names that
// lead out of the folder, so hostile names are put in afterwards over placeholders of their length.
void zipFiles(const QString& archive, const QList<std::pair<QString, QByteArray>>& files,
              const QList<std::pair<QByteArray, QByteArray>>& renames = {}) {
    QTemporaryDir staging;
    for (const auto& [name, data] : files) writeBytes(staging.filePath(name), data);
    QProcess zip;
    zip.setWorkingDirectory(staging.path());
    zip.start("zip", {"-q", "-r", "-D", "-0", archive, "."});
    zip.waitForFinished();
    QByteArray bytes = readBytes(archive);
    for (const auto& [from, to] : renames) bytes.replace(from, to);
    writeBytes(archive, bytes);
}

class CopyTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        m_path = qgetenv("PATH");
        library = makeGroup("a.mdb", {"X", "Y"});
        openInDocument(library);
        QDir(folder()).mkpath("out");
    }
    void TearDown() override {
        qputenv("PATH", m_path);
        LibraryTest::TearDown();
    }
    // The programs the archiver is looked for in: a folder of these scripts only.
    void archiverScripts(const QList<std::pair<QString, QByteArray>>& scripts) {
        const QString bin = path("bin" + QString::number(++m_bins));
        QDir(bin).mkpath(".");
        for (const auto& [name, text] : scripts) {
            writeBytes(bin + "/" + name, "#!/bin/sh\n" + text + "\n");
            QFile::setPermissions(bin + "/" + name, QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(bin));
    }
    std::unique_ptr<frmDBCopy> dialog(int tab) {
        auto form = std::make_unique<frmDBCopy>();
        form->setCurrentDBPath(library);
        form->setMainWindow(&doc);
        form->Form_Load();
        form->TabStrip1->setSelectedIndex(tab);
        form->chkRepairAndCompact->setChecked(false);
        return form;
    }
    // Runs a copy, Yes to "Begin?" and answer to any other question; the titles of the boxes shown.
    QStringList copyTo(const QString& target, bool zip, int answer = ui::vbYes) {
        auto form = dialog(1);
        form->cboCopyToTarget->setEditText(target);
        form->chkUseWinZip[0]->setChecked(zip);
        return go(*form, answer);
    }
    QStringList copyFrom(const QString& source, const QString& target, bool unpack, int answer = ui::vbYes) {
        auto form = dialog(2);
        form->cboCopyFromSource->setEditText(source);
        form->cboCopyFromTarget->setEditText(target);
        form->chkUseWinZip[1]->setChecked(unpack);
        form->chkUseWinZip_Click(1);
        return go(*form, answer);
    }
    QStringList go(frmDBCopy& form, int answer) {
        ui::testing::clear();
        ui::testing::queueAnswer(ui::vbYes);
        ui::testing::queueAnswer(answer);
        form.cmdGo_Click();
        return boxTitles();
    }

    QString library;
    QByteArray m_path;
    int m_bins = 0;
};

TEST_F(CopyTest, ToAndFromPlainAndZippedOverNothingOrAnOldFile) {
    const QString archive = path("src/a.zip");
    QDir(folder()).mkpath("src");
    store::packLibrary(library, archive, 1);
    const QByteArray original = readBytes(library);
    enum Target { Absent, Replaced, Kept };
    for (const Target target : {Absent, Replaced, Kept}) {
        const QList<QString> overwrite =
            target == Absent ? QList<QString>{} : QList<QString>{"Overwrite Existing Library?"};
        const QString done = target == Kept ? "Cancelled" : "Operation Completed!";
        for (const bool zip : {false, true}) {
            SCOPED_TRACE(QString("to %1 %2").arg(target).arg(zip).toStdString());
            const QString out = path(QString("to%1%2/").arg(target).arg(zip)),
                          file = out + (zip ? "a.zip" : "a.mdb");
            QDir().mkpath(out);
            if (target != Absent) writeBytes(file, "an older file of the same name, long enough");
            const QByteArray before = readBytes(file);
            EXPECT_EQ(copyTo(out, zip, target == Kept ? ui::vbNo : ui::vbYes),
                      QStringList{"Begin?"} + overwrite + QStringList{done});
            if (target == Kept) {
                EXPECT_EQ(readBytes(file), before);
            } else {
                EXPECT_EQ(zip ? unzipped(file, "a.mdb") : readBytes(file), original);
            }
            EXPECT_EQ(doc.DBFileName(), library);
        }
        for (const int kind : {0, 1, 2}) {  // a library, an archive unpacked, an archive as it is
            SCOPED_TRACE(QString("from %1 %2").arg(target).arg(kind).toStdString());
            const QString out = path(QString("from%1%2/").arg(target).arg(kind));
            const QString file = out + (kind == 2 ? "a.zip" : "a.mdb");
            QDir().mkpath(out);
            if (target != Absent) writeBytes(file, "an older file of the same name, long enough");
            const QByteArray before = readBytes(file);
            const QStringList asked =
                target == Absent ? QStringList{} : QStringList{"Overwrite Existing Code Library?"};
            EXPECT_EQ(copyFrom(kind == 0 ? library : archive, out, kind == 1,
                               target == Kept ? ui::vbNo : ui::vbYes),
                      QStringList{"Begin?"} + asked + QStringList{done});
            EXPECT_EQ(readBytes(file), target == Kept ? before : kind == 2 ? readBytes(archive) : original);
        }
    }
    EXPECT_TRUE(leftovers().isEmpty());
    // Repaired and compacted first, the open library is replaced: closed, and opened again after.
    const int inits = doc.systemInits;
    auto form = dialog(1);
    form->cboCopyToTarget->setEditText(path("repaired"));
    form->chkRepairAndCompact->setChecked(true);
    form->chkUseWinZip[0]->setChecked(false);
    EXPECT_EQ(go(*form, ui::vbYes).last(), "Operation Completed!");
    EXPECT_EQ(doc.systemInits, inits + 1);
    EXPECT_EQ(items(path("repaired/a.mdb")), items(library));
}

TEST_F(CopyTest, TheOpenLibraryIsNeverTheTarget) {
    QFile::link(folder(), path("out/link"));
    const int inits = doc.systemInits;
    for (const QString& own : {folder(), folder() + "/./", path("out/link")}) {
        SCOPED_TRACE(own.toStdString());
        EXPECT_EQ(copyTo(own, false), (QStringList{"Begin?", "Error"}));
        EXPECT_EQ(copyFrom(path("out/link/a.mdb"), own, false), (QStringList{"Begin?", "Error"}));
    }
    EXPECT_EQ(doc.systemInits, inits);  // never closed
    EXPECT_EQ(items(library), (QStringList{"X=from a.mdb", "Y=from a.mdb"}));
    // Packed, the copy may go beside the library.
    EXPECT_EQ(copyTo(path("out/link"), true).last(), "Operation Completed!");
    EXPECT_TRUE(QFile::exists(path("a.zip")));
}

TEST_F(CopyTest, AMissingOrFailingArchiverLeavesTheOldArchiveAndSaysWhy) {
    const QString stale = path("out/a.zip");
    // program scripts, the text the report gives
    const std::pair<QList<std::pair<QString, QByteArray>>, QString> cases[] = {
        {{}, "The program 'zip' was not found"},
        {{{"zip", "printf 'PK a half-made archive, long enough' > \"$4\"; exit 12"}}, "exit status 12"},
        {{{"zip", "exit 0"}}, "made no archive"},
    };
    for (const auto& [scripts, reason] : cases) {
        SCOPED_TRACE(reason.toStdString());
        writeBytes(stale, "PK an archive from an earlier run, long enough");
        archiverScripts(scripts);
        EXPECT_EQ(copyTo(path("out"), true),
                  (QStringList{"Begin?", "Overwrite Existing Library?", "Zip Failed!", "Operation Failed!",
                               "Morvane Error"}));
        EXPECT_TRUE(boxes().last().text.contains(reason)) << boxes().last().text.toStdString();
        EXPECT_EQ(readBytes(stale), "PK an archive from an earlier run, long enough");
        EXPECT_TRUE(QDir(path("out"))
                        .entryList(QDir::Hidden | QDir::Files)
                        .filter(QRegularExpression("^\\."))
                        .isEmpty());
    }
    // Without the programs the boxes cannot be ticked.
    archiverScripts({});
    auto form = dialog(1);
    for (int i : {0, 1}) {
        ui::testing::clear();
        form->chkUseWinZip[i]->setChecked(true);
        form->chkUseWinZip_Click(i);
        EXPECT_FALSE(form->chkUseWinZip[i]->isChecked());
        ASSERT_EQ(boxTitles(), QStringList{"Sorry!"});
        EXPECT_EQ(boxes()[0].text, "You must install Zip on your PC before this feature is available.");
    }
}

TEST_F(CopyTest, UnpackingWritesTheLibraryMemberOnlyAndOnlyThere) {
    const QByteArray bytes = readBytes(library);
    QDir(folder()).mkpath("in");
    zipFiles(path("in/hostile.zip"),
             {{"XX/evil.txt", "escaped"},
              {"other.txt", "not asked for"},
              {"sub/YY/YY/HOSTILE.MDB", bytes},
              {"ZZZZ/absolute.txt", "escaped"}},
             {{"XX/evil", "../evil"}, {"sub/YY/YY/", "sub/../../"}, {"ZZZZ/absolute", "/tmp/absolute"}});
    EXPECT_EQ(copyFrom(path("in/hostile.zip"), path("in/deep"), true).last(), "Operation Completed!");
    EXPECT_EQ(readBytes(path("in/deep/hostile.mdb")), bytes);
    EXPECT_EQ(QDir(path("in/deep")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"hostile.mdb"});
    for (const QString& escaped :
         {path("evil.txt"), path("in/evil.txt"), path("in/other.txt"), QString("/tmp/absolute.txt")})
        EXPECT_FALSE(QFile::exists(escaped)) << escaped.toStdString();
    // An archive without a library: nothing written, and the reason told.
    zipFiles(path("in/empty.zip"), {{"readme.txt", "no library here"}});
    EXPECT_EQ(copyFrom(path("in/empty.zip"), path("in/deep"), true).mid(1, 2),
              (QStringList{"Zip Failed!", "Operation Failed!"}));
    EXPECT_FALSE(QFile::exists(path("in/deep/empty.mdb")));
}

TEST_F(CopyTest, EndingsInAnyCaseAndAMissingSource) {
    library = makeGroup("Mixed.MDB", {"M"});
    openInDocument(library);
    EXPECT_EQ(copyTo(path("out"), true).last(), "Operation Completed!");
    EXPECT_EQ(unzipped(path("out/Mixed.zip"), "Mixed.MDB"), readBytes(library));
    QFile::rename(path("out/Mixed.zip"), path("out/Mixed.ZIP"));
    EXPECT_EQ(copyFrom(path("out/Mixed.ZIP"), path("back"), true).last(), "Operation Completed!");
    EXPECT_EQ(readBytes(path("back/Mixed.mdb")), readBytes(library));
    EXPECT_EQ(copyFrom(path("out/gone.mdb"), path("back"), false),
              QStringList{"Select Existing Source Code Library"});
}

TEST_F(CopyTest, OptionsFollowTheSourceAndTheSettingsComeBack) {
    auto form = dialog(2);
    EXPECT_EQ(form->cboCopyToTarget->currentText(), store::removableMediaFolder());
    EXPECT_EQ(form->cboCopyFromSource->currentText(), library);
    EXPECT_EQ(form->cboCopyFromTarget->toolTip(), store::userDataFolder() + "/Library");
    const auto enabled = [&](QCheckBox* box) { return box->isEnabledTo(form->picContainer[1]); };
    // source, unzip ticked, then: unzip enabled, overwrite enabled, sync enabled
    const std::tuple<QString, bool, bool, bool, bool> cases[] = {
        {"b.MDB", true, false, false, true},
        {"b.ZIP", false, true, false, false},
        {"b.zip", true, true, true, true},
    };
    for (const auto& [source, unzip, unzipOn, overwriteOn, syncOn] : cases) {
        form->cboCopyFromSource->setEditText(source);
        form->chkUseWinZip[1]->setChecked(unzip);
        form->chkUseWinZip_Click(1);
        EXPECT_EQ(enabled(form->chkUseWinZip[1]), unzipOn) << source.toStdString();
        EXPECT_EQ(enabled(form->chkWinZipOverwrite), overwriteOn) << source.toStdString();
        EXPECT_EQ(enabled(form->chkSyncAfterCopy), syncOn) << source.toStdString();
    }
    copyTo(path("out"), true);
    form = dialog(1);
    EXPECT_EQ(form->cboCopyToTarget->currentText(), path("out"));
    EXPECT_TRUE(form->chkUseWinZip[0]->isChecked());
    form->close();
    EXPECT_EQ(store::GetSetting(store::generalAppName(), "General Properties", "Copy Window Current Tab"),
              "1");
}

}  // namespace
