// Item content files: stored files in pieces, the temporary folder and its list, shortcuts, path
// helpers, and the shell services driven with small scripts standing in for programs.

#include "store_fixture.h"

#include "platform/shell.h"
#include "store/files.h"
#include "store/settings.h"

#include <QApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTimeZone>
#include <QTimer>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace storetest;

namespace {

QByteArray pattern(qint64 size) {
    QByteArray b(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i) b[i] = char((i * 7 + i / 251) & 0xff);
    return b;
}

const QString kTemp = "Temp Files";

}  // namespace

class FilesTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        shell::testing::clearOpenedUrls();
    }
    void TearDown() override {
        shell::testing::setHandOverLimit(2000);
        StoreTest::TearDown();
    }

    // A library with one "File" item, whose field the tests load and extract.
    void addFileItem() {
        ASSERT_TRUE(open(makeLibrary("lib.mdb"), m_db));
        m_db->Execute("INSERT INTO [Procedure] (CatKey, Name, Type) VALUES (1, 'x.bin', 'File')");
    }
    std::unique_ptr<engine::Recordset> field(bool edit = false) {
        return m_db->OpenRecordset("SELECT File FROM [Procedure]",
                                   edit ? engine::dbOpenDynaset : engine::dbOpenSnapshot);
    }
    bool load(const QString& file) {
        auto rs = field(true);
        rs->Edit();
        const bool ok = store::BlobSaveToField(rs->Fields("File"), file);
        ok ? rs->Update() : rs->CancelUpdate();
        return ok;
    }
    void extract(const QString& file) { store::BLOBSaveToFile(field()->Fields("File"), file); }
    engine::Database* m_db = nullptr;
};

TEST_F(FilesTest, StoredFilesRoundTripAtPieceBoundariesAndErrorsAreReported) {
    addFileItem();
    // Largest first, so that every extract replaces a longer earlier one; an emptied file is stored
    // empty, not left holding the old bytes.
    for (qint64 size : {65536LL, 32778LL, 32769LL, 32768LL, 10LL, 0LL}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = pattern(size);
        writeBytes(path("in.bin"), bytes);
        ASSERT_TRUE(load(path("in.bin")));
        auto rs = field();
        EXPECT_FALSE(rs->Fields("File").IsNull());
        EXPECT_EQ(rs->Fields("File").Value().toByteArray(), bytes);
        rs->Close();
        extract(path("out.bin"));
        EXPECT_TRUE(QFile::exists(path("out.bin")));
        EXPECT_EQ(readBytes(path("out.bin")), bytes);
    }
    EXPECT_TRUE(boxes().isEmpty());

    // Errors are reported with the routine's location, and the stored bytes kept.
    writeBytes(path("in.bin"), "kept");
    ASSERT_TRUE(load(path("in.bin")));
    EXPECT_FALSE(load(QString()));  // no path: nothing happens at all
    EXPECT_TRUE(boxes().isEmpty());

    EXPECT_FALSE(load(path("missing.bin")));
    extract(path("no-such-folder/out.bin"));
    ASSERT_EQ(boxes().size(), 2);
    EXPECT_EQ(boxes()[0].title, "Morvane Error");
    EXPECT_TRUE(boxes()[0].text.startsWith("Error #53\n"));
    EXPECT_TRUE(boxes()[0].text.contains("Occured in Procedure: 'bCodeLib.BlobSaveToField'"));
    EXPECT_TRUE(boxes()[1].text.startsWith("Error #75\n"));
    EXPECT_TRUE(boxes()[1].text.contains("Occured in Procedure: 'bCodeLib.BLOBSaveToFile'"));
    EXPECT_EQ(scalar(m_db, "SELECT File FROM [Procedure]").toByteArray(), QByteArray("kept"));
}

TEST_F(FilesTest, TempFolderIsPrivateAndNothingLeadsOutOfIt) {
    // The usual name is taken by a link to elsewhere: it is not followed.
    const QString usual = QDir::tempPath() + "/morvane-" + QString::number(::geteuid());
    QDir().mkpath(path("elsewhere"));
    ASSERT_TRUE(QFile::link(path("elsewhere"), usual));
    const QString folder = store::tempFolder();
    const QString inside = folder.chopped(1);
    ASSERT_TRUE(folder.endsWith('/'));
    EXPECT_NE(inside, usual);
    EXPECT_EQ(QFileInfo(inside).absolutePath(), QDir::tempPath());
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const QString longName = QString(300, QChar(0x00E9)) + ".bas";
    const std::pair<const char*, const char*> cases[] = {{"Ünïcode 名前.txt", "Ünïcode 名前.txt"},
                                                         {"../../etc/passwd", ".._.._etc_passwd"},
                                                         {"/abs/path.txt", "_abs_path.txt"},
                                                         {"..", "_.."},
                                                         {".", "_."},
                                                         {"", "_"}};
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(store::tempItemPath(QString::fromUtf8(name)), folder + safe);
    EXPECT_EQ(store::tempItemPath(QStringLiteral("a") + QChar(0) + "/b.txt"), folder + "a_b.txt");
    const QString fitted = QFileInfo(store::tempItemPath(longName)).fileName();
    EXPECT_LE(fitted.toUtf8().size(), 255);
    EXPECT_TRUE(fitted.endsWith(".bas"));
    EXPECT_EQ(QFileInfo(store::tempItemPath(longName)).absolutePath(), inside);

    const QString a = store::uniqueTempFileName("MVL"), b = store::uniqueTempFileName("MVL");
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith("MVL"));
    EXPECT_TRUE(store::FileExists(a) && QFileInfo(a).size() == 0);
    EXPECT_EQ(QFileInfo(a).absolutePath(), inside);
    EXPECT_TRUE(QDir(path("elsewhere")).isEmpty());
}

TEST_F(FilesTest, ExtractionsGetAFolderEachAndNoExecutableBit) {
    addFileItem();
    writeBytes(path("in.bin"), "#!/bin/sh\necho hi\n");
    ASSERT_TRUE(load(path("in.bin")));
    QStringList paths;
    for (const char* name : {"../x.sh", "../x.sh", "/etc/passwd", ".."}) {
        const QString extracted = store::ExtractStoredFile(field()->Fields(0), QString::fromLatin1(name));
        SCOPED_TRACE(name);
        ASSERT_FALSE(extracted.isEmpty());
        // One level below the private folder, whatever the name says.
        EXPECT_EQ(QFileInfo(QFileInfo(extracted).absolutePath()).absolutePath() + '/', store::tempFolder());
        EXPECT_EQ(readBytes(extracted), QByteArray("#!/bin/sh\necho hi\n"));
        EXPECT_EQ(QFile::permissions(extracted) & (QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther), 0);
        EXPECT_FALSE(paths.contains(extracted));  // two of one name never share a file
        paths << extracted;
    }
    EXPECT_EQ(QFileInfo(paths[0]).fileName(), ".._x.sh");
    EXPECT_TRUE(store::IsExecutableFile(paths[0]));  // by its first line
    store::DeleteTempFiles();
    for (const QString& extracted : paths)
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(extracted).absolutePath()));

    // By name when there is no file yet, by content when there is.
    for (const char* yes : {"setup.exe", "RUN.BAT", "start.sh", "app.desktop", "tool.py"})
        EXPECT_TRUE(store::IsExecutableFile(path(QString::fromLatin1(yes)))) << yes;
    for (const char* no : {"notes.txt", "report.doc", "page.html", "Module.bas", "README"})
        EXPECT_FALSE(store::IsExecutableFile(path(QString::fromLatin1(no)))) << no;
    ASSERT_TRUE(QFile::copy("/bin/true", path("README")));  // a program, whatever its name
    EXPECT_TRUE(store::IsExecutableFile(path("README")));
}

TEST_F(FilesTest, TempFilesAreRegisteredAndCleanedUpToTheFirstGap) {
    const QString app = store::generalAppName();
    const auto temp = [](const QString& name) { return store::tempFolder() + name; };
    writeBytes(temp("one"), "1");
    writeBytes(temp("three"), "3");
    store::RegisterTempFile(temp("one"));
    store::RegisterTempFile(temp("gone"));  // deleted meanwhile: its key goes all the same
    store::RegisterTempFile(temp("three"));
    EXPECT_EQ(store::GetSetting(app, kTemp, "3"), temp("three"));
    // An emptied key is taken again before new ones.
    store::SaveSetting(app, kTemp, "2", QString());
    store::RegisterTempFile(temp("two"));
    EXPECT_EQ(store::GetSetting(app, kTemp, "2"), temp("two"));
    store::DeleteTempFiles();
    EXPECT_FALSE(QFile::exists(temp("one")) || QFile::exists(temp("three")));
    EXPECT_TRUE(store::GetSettingKeys(app, kTemp).isEmpty());

    // The clean-up stops at the first missing key; the thousand and first is never read.
    for (const char* name : {"early", "late", "overflow"}) writeBytes(temp(name), "x");
    {
        // Filled in one write: through SaveSetting every key would rewrite the file.
        QSettings raw(store::settingsFilePath(), QSettings::IniFormat);
        raw.setValue("Varnholt Software/Morvane/Temp Files/1", temp("early"));
        for (int i = 3; i <= 1000; ++i)
            raw.setValue(QStringLiteral("Varnholt Software/Morvane/Temp Files/%1").arg(i), temp("late"));
    }
    store::SaveSetting(app, kTemp, "2", temp("early"));
    store::RegisterTempFile(temp("overflow"));
    EXPECT_EQ(store::GetSetting(app, kTemp, "1001"), temp("overflow"));
    store::DeleteSetting(app, kTemp, "2");
    store::DeleteTempFiles();
    EXPECT_FALSE(QFile::exists(temp("early")));
    EXPECT_TRUE(QFile::exists(temp("late")) && QFile::exists(temp("overflow")));
    EXPECT_EQ(store::GetSettingKeys(app, kTemp).size(), 999);
}

// The list is text anyone with the user's rights can edit: a file outside the private folder is
// never deleted, whatever way the entry names it, and the entry is dropped.
TEST_F(FilesTest, TempFileCleanUpDeletesNothingOutsideThePrivateFolder) {
    const QString app = store::generalAppName();
    const QString decoy = path("decoy");
    writeBytes(decoy, "keep");
    ASSERT_TRUE(QFile::link(decoy, store::tempFolder() + "link"));
    ASSERT_TRUE(QFile::link(folder(), store::tempFolder() + "folder"));
    const QString up = store::tempFolder() + QDir(store::tempFolder()).relativeFilePath(decoy);
    ASSERT_TRUE(QFile::exists(up));
    const QStringList entries{decoy, up, store::tempFolder() + "folder/decoy", "decoy",
                              store::tempFolder() + "link"};
    for (const QString& entry : entries) store::RegisterTempFile(entry);
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(folder());
    store::DeleteTempFiles();
    QDir::setCurrent(cwd);
    EXPECT_EQ(readBytes(decoy), "keep");
    EXPECT_FALSE(QFileInfo(store::tempFolder() + "link").isSymLink());  // the link itself was ours
    EXPECT_TRUE(store::GetSettingKeys(app, kTemp).isEmpty());
}

TEST_F(FilesTest, WebShortcutsAndAddresses) {
    store::WriteWebShortcut("http://www.example.com/a?b=c&d", path("s.url"));
    EXPECT_EQ(readBytes(path("s.url")),
              QByteArray("[InternetShortcut]\r\nURL=http://www.example.com/a?b=c&d\r\n"));
    store::WriteWebShortcut("www.x.org\r\nIconFile=/etc/passwd", path("s.url"));
    EXPECT_EQ(readBytes(path("s.url")), QByteArray("[InternetShortcut]\r\nURL=www.x.org\r\n"));
    EXPECT_THROW(store::WriteWebShortcut("www.x.org", path("missing/s.url")), engine::Error);

    for (const char* yes : {"http://x", "HTTP://X.COM", "https://x.com", "HTTPS://X", "www.example.com",
                            "WWW.EXAMPLE.COM", "Www."})
        EXPECT_TRUE(store::IsURL(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"https:/x.com", "ftp://x", "mailto:a@b", " www.x.com", "http:/x", "www", ""})
        EXPECT_FALSE(store::IsURL(QString::fromLatin1(no))) << no;
}

// Shortcuts and desktop links give the address of their own section only, and cut short anywhere
// never more than the address, never a crash.
TEST_F(FilesTest, WebShortcutsAndDesktopLinksAreReadFromTheirSection) {
    const QString shortcut = path("s.url"), link = path("l.desktop");
    const auto url = [&](const QString& file, const QByteArray& text) {
        writeBytes(file, text);
        return file == link ? store::ReadDesktopLink(file) : store::ReadWebShortcut(file);
    };
    const std::tuple<QString, QByteArray, const char*> cases[] = {
        {shortcut, "[InternetShortcut]\r\nURL=http://example.org/a\r\n", "http://example.org/a"},
        {shortcut, "[DEFAULT]\nBASEURL=http://x\n  [InternetShortcut]  \nurl=www.example.org\n",
         "www.example.org"},
        {shortcut, "[InternetShortcut]\nIDList=\nHotKey=0\nURL=http://example.org/b\n",
         "http://example.org/b"},
        {shortcut, "URL=http://outside.org\n[Other]\nURL=http://other.org\n", ""},
        {shortcut, "[InternetShortcut]\n[Other]\nURL=http://other.org\n", ""},
        {shortcut, QByteArray(40000, 'x') + "\n[InternetShortcut]\nURL=http://late.org\n", ""},
        {link, "[Desktop Entry]\nType=Link\nName=Docs\nURL=https://docs.org/a\\sb\n", "https://docs.org/a b"},
        {link, "# c\n[Desktop Entry]\nURL[de]=http://de.org\nURL = http://x.org/\nType = Link\n",
         "http://x.org/"},
        {link, "[Desktop Entry]\nType=Application\nExec=sh\nURL=http://x.org\n", ""},
        {link, "[Desktop Entry]\nType=Link\n[Other]\nURL=http://other.org\n", ""},
        {link, "Type=Link\nURL=http://outside.org\n", ""},
    };
    for (const auto& [file, text, address] : cases)
        EXPECT_EQ(url(file, text), QString::fromUtf8(address)) << text.left(60).data();
    for (const auto& [file, whole] :
         {std::pair{shortcut, QByteArray("[InternetShortcut]\r\nURL=http://example.org/cut\r\n")},
          std::pair{link, QByteArray("[Desktop Entry]\r\nType=Link\r\nURL=http://example.org/cut\r\n")}})
        for (int n = 0; n <= whole.size(); ++n)
            EXPECT_TRUE(QStringLiteral("http://example.org/cut").startsWith(url(file, whole.left(n)))) << n;
    EXPECT_EQ(store::ReadDesktopLink(folder()), QString());
    EXPECT_TRUE(boxes().isEmpty());

    // An address longer than the file's first 32000 characters is refused, not cut.
    EXPECT_EQ(url(shortcut, "[InternetShortcut]\r\nURL=http://x.org/" + QByteArray(50 << 20, 'a') + "\r\n"),
              QString());
    ASSERT_EQ(boxes().size(), 1);
    expectBox(0, "Web Shortcut",
              "The web shortcut '" + path("s.url") +
                  "' holds an address longer than 32000 characters.\n\nIt is not taken: no web address is "
                  "that long.",
              ui::vbOKOnly | ui::vbExclamation);
    // Nothing but a regular file is read: a pipe nobody writes to would wait for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.url")).constData(), 0600), 0);
    EXPECT_EQ(store::ReadWebShortcut(path("pipe.url")), QString());
    for (const QString& other : {path("none.url"), folder(), QStringLiteral("/dev/zero")})
        EXPECT_EQ(store::ReadWebShortcut(other), QString()) << other.toStdString();
}

// A web shortcut dragged out: a file of its own under a safe name, which reads back the address.
TEST_F(FilesTest, WebShortcutsAreExtractedUnderSafeNames) {
    QStringList written;
    for (const char* name : {"Search page", "../../a/b", "Search page"}) {
        SCOPED_TRACE(name);
        const QString file = store::ExtractWebShortcut("http://example.org/?q=1", name);
        ASSERT_FALSE(file.isEmpty());
        EXPECT_EQ(QFileInfo(QFileInfo(file).absolutePath()).absolutePath() + '/', store::tempFolder());
        EXPECT_EQ(store::ReadWebShortcut(file), "http://example.org/?q=1");
        EXPECT_TRUE(store::IsExtractedFile(file));
        EXPECT_FALSE(written.contains(file));
        written << file;
    }
    EXPECT_EQ(QFileInfo(written[0]).fileName(), "Search page.url");
    EXPECT_EQ(QFileInfo(written[1]).fileName(), ".._.._a_b.url");
    writeBytes(path("mine.url"), "x");
    EXPECT_FALSE(store::IsExtractedFile(path("mine.url")));
    store::DeleteTempFiles();
    for (const QString& file : written) EXPECT_FALSE(QFileInfo::exists(file));
}

TEST_F(FilesTest, PathHelpers) {
    writeBytes(path("a file.mdb"), "x");
    ASSERT_TRUE(QFile::link(path("a file.mdb"), path("link.mdb")));
    ASSERT_TRUE(QFile::link(path("nowhere"), path("dangling")));
    EXPECT_TRUE(store::FileExists(path("a file.mdb")));
    EXPECT_TRUE(store::FileExists(path("link.mdb")));
    for (const QString& no :
         {path("."), path("missing.mdb"), path("dangling"), QString(), QStringLiteral("/dev/null")})
        EXPECT_FALSE(store::FileExists(no)) << no.toStdString();
    EXPECT_TRUE(store::PathExists(path(".")));
    EXPECT_TRUE(store::PathExists(path("dangling")));  // an entry, though not a file
    EXPECT_FALSE(store::PathExists(path("nowhere")));
    EXPECT_EQ(store::ParentFolder("/home/u/a.txt"), "/home/u");
    EXPECT_EQ(store::ParentFolder("/a.txt"), QString());  // no trailing "/" left either
    EXPECT_EQ(store::FileNamePart("/home/u/a.txt"), "a.txt");
    EXPECT_EQ(store::FileNamePart("a.txt"), "a.txt");
}

TEST_F(FilesTest, FileTimesAreUtcTextOrError) {
    // Far from UTC, so that a conversion to local time would show.
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Pacific/Kiritimati");
    ::tzset();
    writeBytes(path("t.txt"), "x");
    QFile file(path("t.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), QTimeZone::utc()),
                                 QFileDevice::FileModificationTime));
    file.close();
    const store::FileTimes times = store::GetFileTimes(path("t.txt"));
    oldTz.isNull() ? qunsetenv("TZ") : qputenv("TZ", oldTz);
    ::tzset();
    EXPECT_EQ(times.lastWrite, "02/03/01 04:05:06");
    EXPECT_TRUE(
        QRegularExpression("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(times.creation).hasMatch())
        << times.creation.toStdString();
    const store::FileTimes missing = store::GetFileTimes(path("missing.txt"));
    EXPECT_EQ(missing.creation + missing.lastWrite, "ErrorError");
}

TEST_F(FilesTest, ShellOpenTurnsTargetsIntoUrls) {
    const QList<QPair<QString, QUrl>> cases = {
        {"www.Example.com/x", QUrl("http://www.Example.com/x")},
        {"http://example.com/a b", QUrl("http://example.com/a%20b")},
        {"mailto: support@morvane.org", QUrl("mailto:support@morvane.org")},
        {"help/index.html", QUrl::fromLocalFile(store::programFolder() + "/help/index.html")},
        {path("a file.txt"), QUrl::fromLocalFile(path("a file.txt"))}};
    for (const auto& [target, url] : cases) {
        shell::testing::clearOpenedUrls();
        store::ShellOpen(target);
        EXPECT_EQ(shell::testing::openedUrls(), QList<QUrl>{url}) << target.toStdString();
    }
}

TEST_F(FilesTest, OpenFileAndWaitTellsWhetherTheFileChanged) {
    writeBytes(path("doc.txt"), "text");
    const auto waits = [] {
        int n = 0;
        for (const ui::testing::ShownDialog& d : ui::testing::shownDialogs())
            n += d.kind == ui::testing::DialogKind::Wait && d.title == "Waiting for doc.txt";
        return n;
    };
    bool timerFired = false;
    QTimer::singleShot(50, [&] { timerFired = true; });
    // Programs that run a while are the program itself: no Done window, the interface live meanwhile.
    shell::testing::setHandOverLimit(100);
    EXPECT_TRUE(store::OpenFileAndWait(path("doc.txt"), script("ed.sh", "sleep 0.3; echo more >> \"$1\"")));
    EXPECT_TRUE(timerFired);
    EXPECT_EQ(readBytes(path("doc.txt")), QByteArray("textmore\n"));
    EXPECT_FALSE(store::OpenFileAndWait(path("doc.txt"), script("viewer.sh", "sleep 0.3")));
    EXPECT_EQ(waits(), 0);

    // One that ends at once handed the file to its running instance: the user says when they are
    // done, through the seam (answered at once while it records).
    shell::testing::setHandOverLimit(5000);
    EXPECT_TRUE(store::OpenFileAndWait(path("doc.txt"), script("hand.sh", "echo more >> \"$1\"")));
    EXPECT_EQ(waits(), 1);
    // One that fails at once handed nothing over.
    EXPECT_FALSE(store::OpenFileAndWait(path("doc.txt"), script("fail.sh", "exit 3")));
    EXPECT_EQ(waits(), 1);
    EXPECT_TRUE(boxes().isEmpty());

    EXPECT_FALSE(store::OpenFileAndWait(path("doc.txt"), path("no-such-program")));
    ASSERT_EQ(boxes().size(), 1);
    expectBox(0, "Error Opening File", "Unable to open this file: \n " + path("doc.txt"),
              ui::vbOKOnly | ui::vbExclamation);
}

TEST_F(FilesTest, ShellAndWaitSplitsWithoutAShellAndWaits) {
    const QString log = path("args.log");
    bool timerFired = false;
    QTimer::singleShot(50, [&] { timerFired = true; });
    const QString echo =
        script("echo args.sh", "sleep 0.2; for a in \"$@\"; do echo \"$a\" >> '" + log + "'; done");
    store::ShellAndWait('"' + echo + "\" \"a b\" $HOME;rm");
    EXPECT_TRUE(timerFired);
    EXPECT_EQ(readBytes(log), QByteArray("a b\n$HOME;rm\n"));
    EXPECT_EQ(seamtest::raised([&] { store::ShellAndWait(path("no-such-program") + " x"); }).number, 53);
}

TEST_F(FilesTest, CopyAsksBeforeReplacingAndLeavesTheDestinationOnFailure) {
    const QByteArray bytes = pattern(100000);
    writeBytes(path("src.bin"), bytes);
    writeBytes(path("dst.bin"), "old");
    ui::testing::queueAnswer(ui::vbNo);
    EXPECT_FALSE(store::ShellFileCopy(path("src.bin"), path("dst.bin")));
    EXPECT_EQ(readBytes(path("dst.bin")), QByteArray("old"));
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, "Confirm File Replace");
    ui::testing::queueAnswer(ui::vbYes);
    EXPECT_TRUE(store::ShellFileCopy(path("src.bin"), path("dst.bin")));
    EXPECT_EQ(readBytes(path("dst.bin")), bytes);
    QDir().mkpath(path("into"));
    EXPECT_TRUE(store::ShellFileCopy(path("src.bin"), path("into")));
    EXPECT_EQ(readBytes(path("into/src.bin")), bytes);

    ui::testing::clear();
    writeBytes(path("dst.bin"), "old");
    writeBytes(path("plain"), "a file, not a folder");
    const QList<QPair<QString, QString>> failures = {
        {path("missing.bin"), path("dst.bin")},      // no source
        {path("into"), path("dst.bin")},             // a folder is not a file to copy
        {path("src.bin"), path("no-folder/d.bin")},  // no destination folder
        {path("src.bin"), path("plain/d.bin")},      // the destination folder is a file
        {path("dst.bin"), path("dst.bin")},          // onto itself
    };
    for (const auto& [from, to] : failures)
        EXPECT_FALSE(store::ShellFileCopy(from, to)) << from.toStdString();
    EXPECT_EQ(boxes().size(), failures.size());
    for (const ui::testing::ShownBox& box : boxes()) EXPECT_EQ(box.title, "Error Copying File");
    EXPECT_EQ(readBytes(path("dst.bin")), QByteArray("old"));
    // No temporary copies are left beside the destinations.
    EXPECT_EQ(QDir(path(".")).entryList({"*dst.bin*"}, QDir::Files | QDir::Hidden), QStringList{"dst.bin"});
}
