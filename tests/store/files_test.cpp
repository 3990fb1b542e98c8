// Item content files: stored files in pieces, the temporary folder and its list, shortcuts, path
// helpers, and the shell services driven with small scripts standing in for programs.

#include "store_fixture.h"

#include "platform/shell.h"
#include "store/files.h"
#include "store/settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTimeZone>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

using namespace storetest;

namespace {

QByteArray pattern(qint64 size) {
    QByteArray b(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i) b[i] = char((i * 7 + i / 251) & 0xff);
    return b;
}

QWidget* topLevel(const QString& objectName) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == objectName && w->isVisible()) return w;
    return nullptr;
}

// Presses Done in the wait window once it has been showing for a while, counting the presses.
class DoneClicker {
public:
    explicit DoneClicker(int afterMs = 0) {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this, afterMs] {
            QWidget* w = topLevel(QStringLiteral("frmWaitForFile"));
            if (!w) return;
            if (!m_shown.isValid()) m_shown.start();
            if (m_shown.elapsed() < afterMs) return;
            m_shown.invalidate();
            ++clicks;
            w->findChild<QPushButton*>(QStringLiteral("cmdDone"))->click();
        });
        m_timer.start();
    }
    int clicks = 0;

private:
    QTimer m_timer;
    QElapsedTimer m_shown;
};

const QString kTemp = QStringLiteral("Temp Files");

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

    // A shell script standing in for a program.
    QString script(const QString& name, const QString& body) {
        const QString file = path(name);
        writeBytes(file, "#!/bin/sh\n" + body.toUtf8() + "\n");
        QFile::setPermissions(file, QFile::permissions(file) | QFile::ExeOwner);
        return file;
    }

    // A library with one "File" item; its key.
    int addFileItem(engine::Database*& db) {
        makeMaster();
        EXPECT_TRUE(open(makeLibrary(QStringLiteral("lib.mdb")), db));
        db->Execute(
            QStringLiteral("INSERT INTO [Procedure] (CatKey, Name, Type) VALUES (1, 'x.bin', 'File')"));
        return scalar(db, QStringLiteral("SELECT Max(ProcKey) FROM [Procedure]")).toInt();
    }
    bool load(engine::Database* db, int key, const QString& file) {
        auto rs =
            db->OpenRecordset(QStringLiteral("SELECT File FROM [Procedure] Where ProcKey = %1").arg(key));
        rs->Edit();
        const bool ok = store::BlobSaveToField(rs->Fields(QStringLiteral("File")), file);
        ok ? rs->Update() : rs->CancelUpdate();
        return ok;
    }
    void extract(engine::Database* db, int key, const QString& file) {
        auto rs =
            db->OpenRecordset(QStringLiteral("SELECT File FROM [Procedure] Where ProcKey = %1").arg(key),
                              engine::dbOpenSnapshot);
        store::BLOBSaveToFile(rs->Fields(QStringLiteral("File")), file);
    }
};

TEST_F(FilesTest, StoredFilesRoundTripAtPieceBoundaries) {
    engine::Database* db = nullptr;
    const int key = addFileItem(db);
    for (qint64 size : {10LL, 32768LL, 32769LL, 32778LL, 65536LL}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = pattern(size);
        writeBytes(path("in.bin"), bytes);
        ASSERT_TRUE(load(db, key, path("in.bin")));
        EXPECT_EQ(scalar(db, QStringLiteral("SELECT File FROM [Procedure]")).toByteArray(), bytes);
        extract(db, key, path("out.bin"));
        EXPECT_EQ(readBytes(path("out.bin")), bytes);
    }
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(FilesTest, ExtractReplacesALongerEarlierExtractAndEmptyFilesStoreEmpty) {
    engine::Database* db = nullptr;
    const int key = addFileItem(db);
    writeBytes(path("in.bin"), pattern(65536));
    ASSERT_TRUE(load(db, key, path("in.bin")));
    extract(db, key, path("out.bin"));
    writeBytes(path("in.bin"), "short");
    ASSERT_TRUE(load(db, key, path("in.bin")));
    extract(db, key, path("out.bin"));
    EXPECT_EQ(readBytes(path("out.bin")), QByteArray("short"));

    // A file the user emptied is stored empty, not left holding the old bytes.
    writeBytes(path("in.bin"), QByteArray());
    ASSERT_TRUE(load(db, key, path("in.bin")));
    auto rs = db->OpenRecordset(QStringLiteral("SELECT File FROM [Procedure]"), engine::dbOpenSnapshot);
    EXPECT_FALSE(rs->Fields(QStringLiteral("File")).IsNull());
    EXPECT_EQ(rs->Fields(QStringLiteral("File")).FieldSize(), 0);
    rs->Close();
    extract(db, key, path("out.bin"));
    EXPECT_TRUE(QFile::exists(path("out.bin")));
    EXPECT_EQ(QFileInfo(path("out.bin")).size(), 0);
}

TEST_F(FilesTest, FileErrorsAreReportedWithTheRoutinesLocation) {
    engine::Database* db = nullptr;
    const int key = addFileItem(db);
    writeBytes(path("in.bin"), "kept");
    ASSERT_TRUE(load(db, key, path("in.bin")));

    EXPECT_FALSE(load(db, key, QString()));  // no path: nothing happens at all
    EXPECT_TRUE(boxes().isEmpty());

    EXPECT_FALSE(load(db, key, path("missing.bin")));
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, QStringLiteral("Morvane Error"));
    EXPECT_TRUE(boxes()[0].text.startsWith(QStringLiteral("Error #53\n")));
    EXPECT_TRUE(boxes()[0].text.contains(QStringLiteral("Occured in Procedure: 'bCodeLib.BlobSaveToField'")));
    EXPECT_EQ(scalar(db, QStringLiteral("SELECT File FROM [Procedure]")).toByteArray(), QByteArray("kept"));

    extract(db, key, path("no-such-folder/out.bin"));
    ASSERT_EQ(boxes().size(), 2);
    EXPECT_TRUE(boxes()[1].text.startsWith(QStringLiteral("Error #75\n")));
    EXPECT_TRUE(boxes()[1].text.contains(QStringLiteral("Occured in Procedure: 'bCodeLib.BLOBSaveToFile'")));
}

TEST_F(FilesTest, TempFolderIsPrivateAndItemNamesCannotLeaveIt) {
    const QString folder = store::tempFolder();
    ASSERT_TRUE(folder.endsWith('/'));
    EXPECT_EQ(QFileInfo(folder.chopped(1)).absolutePath(), QDir::tempPath());
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const QString inside = folder.chopped(1);
    const QString longName = QString(300, QChar(0x00E9)) + QStringLiteral(".bas");
    const QList<QPair<QString, QString>> cases = {
        {QStringLiteral("Module1.bas"), QStringLiteral("Module1.bas")},
        {QStringLiteral("Ünïcode 名前.txt"), QStringLiteral("Ünïcode 名前.txt")},
        {QStringLiteral("../../etc/passwd"), QStringLiteral(".._.._etc_passwd")},
        {QStringLiteral("/abs/path.txt"), QStringLiteral("_abs_path.txt")},
        {QStringLiteral(".."), QStringLiteral("_..")},
        {QStringLiteral("."), QStringLiteral("_.")},
        {QString(), QStringLiteral("_")},
        {QStringLiteral("a") + QChar(0) + QStringLiteral("/b.txt"), QStringLiteral("a_b.txt")},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(store::tempItemPath(name), folder + expected);
    const QString fitted = QFileInfo(store::tempItemPath(longName)).fileName();
    EXPECT_LE(fitted.toUtf8().size(), 255);
    EXPECT_TRUE(fitted.endsWith(QStringLiteral(".bas")));
    EXPECT_EQ(QFileInfo(store::tempItemPath(longName)).absolutePath(), inside);

    const QString a = store::uniqueTempFileName(QStringLiteral("MVL")), b = store::uniqueTempFileName("MVL");
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith(QStringLiteral("MVL")));
    EXPECT_TRUE(store::FileExists(a) && QFileInfo(a).size() == 0);
    EXPECT_EQ(QFileInfo(a).absolutePath(), inside);
}

TEST_F(FilesTest, TempFolderNameTakenByALinkIsNotFollowed) {
    const QString name = QDir::tempPath() + QStringLiteral("/morvane-") + QString::number(::geteuid());
    QDir().mkpath(path("elsewhere"));
    ASSERT_TRUE(QFile::link(path("elsewhere"), name));
    const QString folder = store::tempFolder();
    EXPECT_NE(folder, name + '/');
    EXPECT_TRUE(folder.startsWith(QDir::tempPath() + '/'));
    EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, 0);  // nothing for group or others
    store::uniqueTempFileName(QStringLiteral("X"));
    EXPECT_TRUE(QDir(path("elsewhere")).isEmpty());
}

TEST_F(FilesTest, TempFilesAreRegisteredAndCleanedUpToTheFirstGap) {
    const QString app = store::generalAppName();
    writeBytes(path("one"), "1");
    writeBytes(path("three"), "3");
    store::RegisterTempFile(path("one"));
    store::RegisterTempFile(path("gone"));  // deleted meanwhile: its key goes all the same
    store::RegisterTempFile(path("three"));
    EXPECT_EQ(store::GetSetting(app, kTemp, "3"), path("three"));

    // An emptied key is taken again before new ones.
    store::SaveSetting(app, kTemp, "2", QString());
    store::RegisterTempFile(path("two"));
    EXPECT_EQ(store::GetSetting(app, kTemp, "2"), path("two"));

    store::DeleteTempFiles();
    EXPECT_FALSE(QFile::exists(path("one")));
    EXPECT_FALSE(QFile::exists(path("three")));
    EXPECT_TRUE(store::GetSettingKeys(app, kTemp).isEmpty());

    // The clean-up stops at the first missing key.
    writeBytes(path("early"), "x");
    writeBytes(path("late"), "x");
    store::SaveSetting(app, kTemp, "1", path("early"));
    store::SaveSetting(app, kTemp, "3", path("late"));
    store::DeleteTempFiles();
    EXPECT_FALSE(QFile::exists(path("early")));
    EXPECT_TRUE(QFile::exists(path("late")));
    EXPECT_EQ(store::GetSettingKeys(app, kTemp), QStringList{"3"});
}

TEST_F(FilesTest, TheThousandAndFirstTempFileIsNeverCleanedUp) {
    const QString app = store::generalAppName();
    {
        // Filled in one write: through SaveSetting every key would rewrite the file.
        QSettings raw(store::settingsFilePath(), QSettings::IniFormat);
        for (int i = 1; i <= 1000; ++i)
            raw.setValue(QStringLiteral("Varnholt Software/Morvane/Temp Files/%1").arg(i),
                         path("f%1").arg(i));
    }
    ASSERT_EQ(store::GetSetting(app, kTemp, "1000"), path("f1000"));
    writeBytes(path("f1"), "x");
    writeBytes(path("f1000"), "x");
    writeBytes(path("overflow"), "x");
    store::RegisterTempFile(path("overflow"));
    EXPECT_EQ(store::GetSetting(app, kTemp, "1001"), path("overflow"));
    store::DeleteTempFiles();
    EXPECT_EQ(store::GetSettingKeys(app, kTemp), QStringList{"1001"});
    EXPECT_FALSE(QFile::exists(path("f1")));
    EXPECT_FALSE(QFile::exists(path("f1000")));
    EXPECT_TRUE(QFile::exists(path("overflow")));
}

TEST_F(FilesTest, WebShortcutIsTwoCrLfLines) {
    store::WriteWebShortcut(QStringLiteral("http://www.example.com/a?b=c&d"), path("s.url"));
    EXPECT_EQ(readBytes(path("s.url")),
              QByteArray("[InternetShortcut]\r\nURL=http://www.example.com/a?b=c&d\r\n"));
    store::WriteWebShortcut(QStringLiteral("www.x.org\r\nIconFile=/etc/passwd"), path("s.url"));
    EXPECT_EQ(readBytes(path("s.url")), QByteArray("[InternetShortcut]\r\nURL=www.x.org\r\n"));
    EXPECT_THROW(store::WriteWebShortcut(QStringLiteral("www.x.org"), path("missing/s.url")), engine::Error);
}

TEST_F(FilesTest, IsURLKnowsOnlyPlainWebAndWww) {
    for (const char* yes : {"http://x", "HTTP://X.COM", "www.example.com", "WWW.EXAMPLE.COM", "Www."})
        EXPECT_TRUE(store::IsURL(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"https://x.com", "ftp://x", "mailto:a@b", " www.x.com", "http:/x", "www", ""})
        EXPECT_FALSE(store::IsURL(QString::fromLatin1(no))) << no;
}

TEST_F(FilesTest, PathHelpers) {
    ASSERT_TRUE(QFile::link(path("nowhere"), path("dangling")));
    EXPECT_TRUE(store::PathExists(path(".")));
    EXPECT_TRUE(store::PathExists(path("dangling")));  // an entry, though not a file
    EXPECT_FALSE(store::FileExists(path("dangling")));
    EXPECT_FALSE(store::PathExists(path("nowhere")));
    EXPECT_EQ(store::ParentFolder(QStringLiteral("/home/u/a.txt")), QStringLiteral("/home/u"));
    EXPECT_EQ(store::ParentFolder(QStringLiteral("/a.txt")), QString());  // no trailing "/" left either
    EXPECT_EQ(store::FileNamePart(QStringLiteral("/home/u/a.txt")), QStringLiteral("a.txt"));
    EXPECT_EQ(store::FileNamePart(QStringLiteral("a.txt")), QStringLiteral("a.txt"));
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
    EXPECT_EQ(times.lastWrite, QStringLiteral("02/03/01 04:05:06"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(times.creation)
                    .hasMatch())
        << times.creation.toStdString();

    const store::FileTimes missing = store::GetFileTimes(path("missing.txt"));
    EXPECT_EQ(missing.creation, QStringLiteral("Error"));
    EXPECT_EQ(missing.lastWrite, QStringLiteral("Error"));
}

TEST_F(FilesTest, ShellOpenTurnsTargetsIntoUrls) {
    store::ShellOpen(QStringLiteral("www.Example.com/x"));
    store::ShellOpen(QStringLiteral("http://example.com/a b"));
    store::ShellOpen(QStringLiteral("mailto: support@morvane.org"));
    store::ShellOpen(QStringLiteral("help/index.html"));
    store::ShellOpen(path("a file.txt"));
    const QList<QUrl>& urls = shell::testing::openedUrls();
    ASSERT_EQ(urls.size(), 5);
    EXPECT_EQ(urls[0], QUrl(QStringLiteral("http://www.Example.com/x")));
    EXPECT_EQ(urls[1].host(), QStringLiteral("example.com"));
    EXPECT_EQ(urls[1].path(), QStringLiteral("/a b"));
    EXPECT_EQ(urls[2].toString(), QStringLiteral("mailto:support@morvane.org"));
    EXPECT_EQ(urls[3], QUrl::fromLocalFile(store::programFolder() + QStringLiteral("/help/index.html")));
    EXPECT_EQ(urls[4], QUrl::fromLocalFile(path("a file.txt")));
}

TEST_F(FilesTest, OpenFileAndWaitTellsChangesAndKeepsTheInterfaceLive) {
    shell::testing::setHandOverLimit(100);
    writeBytes(path("doc.txt"), "text");
    const QString editor = script("editor.sh", QStringLiteral("sleep 0.3; echo more >> \"$1\""));
    const QString viewer = script("viewer.sh", QStringLiteral("sleep 0.3"));
    DoneClicker done;
    bool timerFired = false;
    QTimer::singleShot(50, [&] { timerFired = true; });
    EXPECT_TRUE(store::OpenFileAndWait(path("doc.txt"), editor));
    EXPECT_TRUE(timerFired);
    EXPECT_EQ(readBytes(path("doc.txt")), QByteArray("textmore\n"));
    EXPECT_FALSE(store::OpenFileAndWait(path("doc.txt"), viewer));
    EXPECT_EQ(done.clicks, 0);  // both ran long enough to count as the program itself
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(FilesTest, ProgramThatHandsTheFileOverIsFollowedByTheDoneWindow) {
    shell::testing::setHandOverLimit(5000);
    writeBytes(path("doc.txt"), "text");
    // Stands in for a program whose running instance takes the file: it ends at once, the edit
    // happens later, before the user presses Done.
    const QString handOver = script("handover.sh", QStringLiteral("(sleep 0.2; echo more >> \"$1\") &"));
    DoneClicker done(600);
    EXPECT_TRUE(store::OpenFileAndWait(path("doc.txt"), handOver));
    EXPECT_GE(done.clicks, 1);
    // A program that fails at once handed nothing over.
    EXPECT_FALSE(store::OpenFileAndWait(path("doc.txt"), script("fail.sh", QStringLiteral("exit 3"))));
    EXPECT_EQ(done.clicks, 1);
}

TEST_F(FilesTest, DocumentsOpenWithTheDesktopsDefaultProgram) {
    shell::testing::setHandOverLimit(100);
    const QString log = path("args.log");
    const QString editor =
        script("my editor.sh", QStringLiteral("sleep 0.3; for a in \"$@\"; do echo \"$a\" >> '") + log +
                                   QStringLiteral("'; done; echo x >> \"$2\""));
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString apps = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    QDir().mkpath(apps);
    writeBytes(
        config + QStringLiteral("/mimeapps.list"),
        "[Default Applications]\ntext/plain=morvane-test-missing.desktop;morvane-test-editor.desktop;\n");
    writeBytes(apps + QStringLiteral("/morvane-test-editor.desktop"),
               "[Desktop Entry]\nType=Application\nName=Test Editor\nExec=\"" + editor.toUtf8() +
                   "\" --name=%c %f\n");
    writeBytes(path("doc.txt"), "text");
    EXPECT_TRUE(store::OpenFileAndWait(path("doc.txt")));
    EXPECT_EQ(readBytes(log), "--name=Test Editor\n" + path("doc.txt").toUtf8() + "\n");
}

TEST_F(FilesTest, NothingToStartSaysSoAndReportsNoChange) {
    writeBytes(path("doc.txt"), "text");
    EXPECT_FALSE(store::OpenFileAndWait(path("doc.txt"), path("no-such-program")));
    ASSERT_EQ(boxes().size(), 1);
    expectBox(0, QStringLiteral("Error Opening File"), "Unable to open this file: \n " + path("doc.txt"),
              ui::vbOKOnly | ui::vbExclamation);
}

TEST_F(FilesTest, ShellAndWaitSplitsWithoutAShellAndWaits) {
    const QString log = path("args.log");
    const QString echo =
        script("echo args.sh", QStringLiteral("sleep 0.2; for a in \"$@\"; do echo \"$a\" >> '") + log +
                                   QStringLiteral("'; done"));
    bool timerFired = false;
    QTimer::singleShot(50, [&] { timerFired = true; });
    store::ShellAndWait('"' + echo + QStringLiteral("\" \"a b\" $HOME;rm"));
    EXPECT_TRUE(timerFired);
    EXPECT_EQ(readBytes(log), QByteArray("a b\n$HOME;rm\n"));
    try {
        store::ShellAndWait(path("no-such-program") + QStringLiteral(" x"));
        ADD_FAILURE() << "no error";
    } catch (const engine::Error& error) {
        EXPECT_EQ(error.number(), 53);
    }
}

TEST_F(FilesTest, CopyAsksBeforeReplacingAndLeavesTheDestinationOnFailure) {
    writeBytes(path("src.bin"), pattern(100000));
    EXPECT_TRUE(store::ShellFileCopy(path("src.bin"), path("dst.bin")));
    EXPECT_EQ(readBytes(path("dst.bin")), pattern(100000));
    EXPECT_TRUE(boxes().isEmpty());

    writeBytes(path("dst.bin"), "old");
    ui::testing::queueAnswer(ui::vbNo);
    EXPECT_FALSE(store::ShellFileCopy(path("src.bin"), path("dst.bin")));
    EXPECT_EQ(readBytes(path("dst.bin")), QByteArray("old"));
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(boxes()[0].title, QStringLiteral("Confirm File Replace"));
    ui::testing::queueAnswer(ui::vbYes);
    EXPECT_TRUE(store::ShellFileCopy(path("src.bin"), path("dst.bin")));
    EXPECT_EQ(readBytes(path("dst.bin")), pattern(100000));

    QDir().mkpath(path("into"));
    EXPECT_TRUE(store::ShellFileCopy(path("src.bin"), path("into")));
    EXPECT_TRUE(store::FileExists(path("into/src.bin")));

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
    for (const ui::testing::ShownBox& box : boxes())
        EXPECT_EQ(box.title, QStringLiteral("Error Copying File"));
    EXPECT_EQ(readBytes(path("dst.bin")), QByteArray("old"));

    // No temporary copies are left beside the destinations.
    EXPECT_EQ(QDir(path(".")).entryList({QStringLiteral("*dst.bin*")}, QDir::Files | QDir::Hidden),
              QStringList{"dst.bin"});
}

TEST_F(FilesTest, PropertiesWithoutASessionBusShowOurOwnWindow) {
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    writeBytes(path("notes.txt"), "0123456789");
    store::ShowFileProperties(path("notes.txt"));
    QWidget* window = topLevel(QStringLiteral("frmFileProperties"));
    ASSERT_NE(window, nullptr);
    const auto text = [window](const char* name) {
        const auto* label = window->findChild<QLabel*>(QLatin1String(name));
        return label ? label->text() : QStringLiteral("(none)");
    };
    EXPECT_EQ(text("lblName"), QStringLiteral("notes.txt"));
    EXPECT_EQ(text("lblFolder"), QFileInfo(path("notes.txt")).absolutePath());
    EXPECT_TRUE(text("lblSize").contains(QStringLiteral("(10 bytes)"))) << text("lblSize").toStdString();
    EXPECT_TRUE(text("lblType").contains(QStringLiteral("text/plain")));
    EXPECT_TRUE(text("lblPermissions").startsWith(QStringLiteral("rw")));
    delete window;
}
