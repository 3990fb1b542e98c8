#include "store/repair_compact.h"

#include "tests/child_process.h"
#include "tests/store/store_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <sqlite3.h>
#include <sys/stat.h>

using namespace storetest;

namespace {

using Step = store::RepairCompactStep;

// Pages of a table's leaves, for damaging one where it matters.
QList<int> leafPages(const QString& file, const QString& table) {
    QList<int> pages;
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY pageno",
                       -1, &st, nullptr);
    sqlite3_bind_text(st, 1, table.toUtf8().constData(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st) == SQLITE_ROW) pages << sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return pages;
}

void damagePage(const QString& file, int page) {
    QByteArray bytes = readBytes(file);
    for (int i = 0; i < 4096; ++i) bytes[(page - 1) * 4096 + i] = char(0xA5 ^ i);
    writeBytes(file, bytes);
}

// Items by name, or "damaged" when the file does not read whole.
QStringList itemNames(const QString& file) {
    try {
        auto db = engine::openDatabase(file, false, true);
        if (scalar(db.get(), "PRAGMA integrity_check").toString() != "ok") return {"damaged"};
        QStringList names;
        for (auto rs = db->OpenRecordset("SELECT Name FROM [Procedure] ORDER BY Name"); !rs->eof();
             rs->MoveNext())
            names << rs->Fields(0).text();
        return names;
    } catch (const engine::Error&) {
        return {"damaged"};
    }
}

class RepairCompactTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        engine::setBusyTimeout(300);
        m_library = makeLibrary("Main.mdb");
        fill(m_library, 30, 2000);
        execute(m_library, {"DELETE FROM [Procedure] WHERE ProcKey > 10"});  // pages to drop
        m_original = readBytes(m_library);
    }
    QStringList files() const { return QDir(path(QString())).entryList(QDir::Files, QDir::Name); }
    // Every outcome but success: the old bytes under the library's name and nothing beside them.
    void expectRestored(const QByteArray& original) {
        EXPECT_EQ(readBytes(m_library), original);
        EXPECT_EQ(files(), QStringList{"Main.mdb"});
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, "Error occured during operation");
        EXPECT_TRUE(boxes()[0].text.endsWith("\n\nYour original Database has been restored!"));
    }
    // A library damaged in one page of its items.
    void damage() {
        fill(m_library, 40, 3000);
        damagePage(m_library, leafPages(m_library, "Procedure").value(2));
        m_original = readBytes(m_library);
        ASSERT_EQ(itemNames(m_library), QStringList{"damaged"});
    }
    QString m_library;
    QByteArray m_original;
};

TEST_F(RepairCompactTest, ReplacesTheLibraryWithACompactedCopyAndLeavesNothingBeside) {
    ASSERT_TRUE(QFile::remove(m_library));
    // The last four characters give way to the backup's and work copy's extensions, whatever they were.
    for (const auto& [name, base] : {std::pair{"Main.mdb", "Main"}, {"Main.db", "Mai"}}) {
        SCOPED_TRACE(name);
        const QString library = path(QString::fromLatin1(name)), stem = path(QString::fromLatin1(base));
        writeBytes(library, m_original);
        writeBytes(stem + ".bak", "stale backup of an earlier failure");
        writeBytes(stem + ".tmp", "stale work copy");
        QStringList duringCompact;
        store::setRepairCompactFaultHook([&](Step step) {
            if (step == Step::Compact) duringCompact = files();
        });
        RecordingStatus status;
        ASSERT_TRUE(store::RepairCompact(library, &status));

        EXPECT_EQ(status.texts, (QStringList{" Repairing Database...", " Compacting Database..."}));
        EXPECT_TRUE(boxes().isEmpty());
        // The library keeps its name throughout: the backup is a second name for the old file.
        QStringList expected{QString::fromLatin1(base) + ".bak", QString::fromLatin1(name),
                             QString::fromLatin1(base) + ".tmp"};
        expected.sort();
        EXPECT_EQ(duringCompact, expected);
        EXPECT_EQ(files(), QStringList{QString::fromLatin1(name)});
        const QByteArray result = readBytes(library);
        EXPECT_EQ(qFromBigEndian<qint32>(result.constData() + 68), engine::kApplicationId);
        EXPECT_LT(result.size(), m_original.size());
        engine::Database* db = nullptr;
        ASSERT_TRUE(open(library, db));
        EXPECT_EQ(scalar(db, "SELECT Count(*) FROM [Procedure]").toInt(), 10);
        close(db);
        QFile::remove(library);
    }
}

TEST_F(RepairCompactTest, TheNewFileKeepsTheModeAndGroupOfTheOld) {
    // A group the user may give files: any, for root; else one of the user's own besides the first.
    gid_t groups[64];
    const int count = getgroups(64, groups);
    const gid_t other = geteuid() == 0 ? 1 : count > 1 ? groups[1] : getegid();
    for (const mode_t mode : {0600, 0444, 0660}) {
        SCOPED_TRACE(mode);
        writeBytes(m_library, m_original);
        ASSERT_EQ(chmod(QFile::encodeName(m_library).constData(), mode), 0);
        if (mode == 0660) {
            ASSERT_EQ(chown(QFile::encodeName(m_library).constData(), uid_t(-1), other), 0);
        }
        ASSERT_TRUE(store::RepairCompact(m_library));
        struct stat st {};
        ASSERT_EQ(stat(QFile::encodeName(m_library).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        if (mode == 0660) {
            EXPECT_EQ(st.st_gid, other);
        }
        EXPECT_LT(st.st_size, m_original.size());
        chmod(QFile::encodeName(m_library).constData(), 0644);
    }
}

// A library reached through a link is repaired where the link leads: the link stays a link, the
// file it leads to is the compacted library, and nothing is left beside either.
TEST_F(RepairCompactTest, ALibraryBehindALinkIsRepairedWhereTheLinkLeads) {
    const QString link = path("elsewhere/Link.mdb");
    QDir().mkpath(path("elsewhere"));
    ASSERT_TRUE(QFile::link(m_library, link));
    const QStringList names = itemNames(m_library);
    ASSERT_TRUE(store::RepairCompact(link));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), m_library);
    EXPECT_EQ(itemNames(m_library), names);
    EXPECT_LT(readBytes(m_library).size(), m_original.size());
    EXPECT_EQ(files(), QStringList{"Main.mdb"});
    EXPECT_EQ(QDir(path("elsewhere")).entryList(QDir::Files | QDir::System), QStringList{"Link.mdb"});
}

TEST_F(RepairCompactTest, FaultAtEveryStepPutsTheOriginalBack) {
    for (Step failing : {Step::Copy, Step::Repair, Step::Rename, Step::Compact}) {
        SCOPED_TRACE(int(failing));
        ui::testing::clear();
        store::setRepairCompactFaultHook([&](Step step) {
            if (step == failing) throw engine::Error(engine::errDiskIO, "Disk or network error.");
        });
        RecordingStatus status;
        EXPECT_FALSE(store::RepairCompact(m_library, &status));
        expectRestored(m_original);
        expectBox(0, "Error occured during operation",
                  QStringLiteral(
                      "Error: 3026\n\nDisk or network error.\n\nYour original Database has been restored!"),
                  ui::vbOKOnly | ui::vbCritical);
        EXPECT_EQ(status.texts.value(status.texts.size() - 1), " Error: Disk or network error.");
    }
}

TEST_F(RepairCompactTest, RealFailuresAreRecoveredToo) {
    // A file that is no database: the repair refuses it.
    const QByteArray text("Attribute VB_Name = \"Module1\"\r\n");
    writeBytes(m_library, text);
    EXPECT_FALSE(store::RepairCompact(m_library));
    expectRestored(text);

    // A stale backup that cannot be deleted is never taken for the library.
    ui::testing::clear();
    writeBytes(m_library, m_original);
    QDir(path(QString())).mkpath("Main.bak/kept");
    EXPECT_FALSE(store::RepairCompact(m_library));
    expectRestored(m_original);

    ui::testing::clear();
    QFile::remove(m_library);
    EXPECT_FALSE(store::RepairCompact(m_library));
    EXPECT_EQ(boxes().size(), 1);
    EXPECT_TRUE(files().isEmpty());

    // Too short a path to replace an extension in: nothing is touched.
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(path(QString())));
    writeBytes("abc", "abc");
    const QStringList before = QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    ui::testing::clear();
    EXPECT_THROW(store::RepairCompact("abc"), engine::Error);
    EXPECT_EQ(QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    EXPECT_TRUE(boxes().isEmpty());
    QDir::setCurrent(cwd);
}

TEST_F(RepairCompactTest, AnotherProgramWritingLosesNoCommittedRow) {
    fill(m_library, 200, 2000);  // a repair that takes a while
    {
        engine::setBusyTimeout(3000);  // the writer's commits, on a busy machine
        childproc::Writer writer(m_library, "INSERT INTO [Procedure] (CatKey, Name) VALUES (1, 'w%1')");
        int repaired = 0;
        for (int i = 0; i < 8; ++i) {
            usleep(30000);
            repaired += store::RepairCompact(m_library) ? 1 : 0;
        }
        const QList<int> committed = writer.stop();
        EXPECT_GT(repaired, 0);
        ASSERT_FALSE(committed.isEmpty());
        const QStringList names = itemNames(m_library);
        for (int i : committed) EXPECT_TRUE(names.contains(QStringLiteral("w%1").arg(i))) << i;
    }

    // A transaction open in another program: the repair waits for it, then says the library is in
    // use and changes nothing; the other program's commit lands in the library.
    engine::setBusyTimeout(300);
    int toChild[2], toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    const pid_t child = fork();
    if (child == 0) {
        alarm(60);  // never outlives a test that failed before telling it to go on
        auto db = engine::openDatabase(m_library);
        db->Execute("BEGIN IMMEDIATE");
        db->Execute("INSERT INTO [Procedure] (CatKey, Name) VALUES (1, 'pending')");
        char c = 0;
        (void)!write(toParent[1], &c, 1);
        (void)!read(toChild[0], &c, 1);
        db->Execute("COMMIT");
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    const QByteArray before = readBytes(m_library);
    ui::testing::clear();
    EXPECT_FALSE(store::RepairCompact(m_library));
    EXPECT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes().value(0).text.startsWith("Error: 3045\n\nThe Code Library '" + m_library +
                                                 "' is in use by another program."));
    EXPECT_EQ(readBytes(m_library), before);
    (void)!write(toChild[1], &c, 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(itemNames(m_library).contains("pending"));
}

TEST_F(RepairCompactTest, AJournalLeftByAKilledProgramIsRolledBackFirst) {
    const QStringList before = itemNames(m_library);
    // A program stops half-way through a change large enough to reach the file itself.
    EXPECT_EQ(childproc::run([&] {
                  auto db = engine::openDatabase(m_library);
                  db->Execute("PRAGMA cache_size = 10");
                  db->Execute("BEGIN");
                  db->Execute("UPDATE [Procedure] SET Code = Code & Code & Code, Name = 'half'");
                  _exit(0);
                  return 0;
              }),
              0);
    ASSERT_TRUE(QFile::exists(m_library + "-journal"));
    ASSERT_NE(readBytes(m_library), m_original);

    EXPECT_TRUE(store::RepairCompact(m_library));
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(files(), QStringList{"Main.mdb"});
    EXPECT_EQ(itemNames(m_library), before);
}

TEST_F(RepairCompactTest, KilledAtAnyStepTheLibrarysNameHoldsAWholeLibrary) {
    for (const bool damaged : {false, true}) {
        SCOPED_TRACE(damaged);
        if (damaged) damage();
        // What the name may hold after a kill: the old file as it was, or the finished new one.
        const QString reference = path("Reference.mdb");
        writeBytes(reference, m_original);
        const int steps = childproc::countSteps([&] { ASSERT_TRUE(store::RepairCompact(reference)); });
        const QStringList repaired = itemNames(reference);
        ASSERT_NE(repaired, QStringList{"damaged"});
        QFile::remove(reference);
        ASSERT_GE(steps, damaged ? 12 : 8);
        for (int step = 1; step <= steps; ++step) {
            SCOPED_TRACE(step);
            writeBytes(m_library, m_original);
            EXPECT_EQ(childproc::killedAt(step, [&] { store::RepairCompact(m_library); }), 9);
            EXPECT_FALSE(QFile::exists(m_library + "-journal"));
            if (readBytes(m_library) != m_original) {
                EXPECT_EQ(itemNames(m_library), repaired);
            }
            // The next run clears what the killed one left.
            ui::testing::clear();
            EXPECT_TRUE(store::RepairCompact(m_library));
            EXPECT_EQ(files(), QStringList{"Main.mdb"});
            EXPECT_EQ(itemNames(m_library), repaired);
        }
    }
}

TEST_F(RepairCompactTest, AFullDiskKeepsTheOriginalAndSaysWhere) {
    damage();
    // The disk fills up while the work copy is made, while the damaged rows are rescued, and while
    // the new library is written.
    for (Step full : {Step::Copy, Step::Repair, Step::Compact}) {
        SCOPED_TRACE(int(full));
        const QString said = path("said.txt");
        const int result = childproc::run([&] {
            store::setRepairCompactFaultHook([&](Step step) {
                if (step == full) childproc::limitFileSize(full == Step::Copy ? m_original.size() / 2 : 8192);
            });
            const bool ok = store::RepairCompact(m_library);
            childproc::limitFileSize(RLIM_INFINITY);
            if (!boxes().isEmpty()) writeBytes(said, boxes().constLast().text.toUtf8());
            return ok ? 1 : 0;
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(readBytes(m_library), m_original);
        const QString text = QString::fromUtf8(readBytes(said));
        EXPECT_TRUE(text.contains("The disk holding '" + folder() + "' is full")) << text.toStdString();
        EXPECT_FALSE(text.contains(".tmp") || text.contains(".mrv-"));
        QFile::remove(said);
        EXPECT_EQ(files(), QStringList{"Main.mdb"});
    }
}

TEST_F(RepairCompactTest, ALibraryCutShortIsRescuedAndNoMessageNamesAWorkFile) {
    const QByteArray sample =
        readBytes(QStringLiteral(MRV_TEST_PROGRAM_DIR "/Library/Sample Code Library.mdb"));
    ASSERT_FALSE(sample.isEmpty());
    // Cut off inside its list of tables: what the pages still hold comes back, with every table.
    writeBytes(m_library, sample.left(sample.size() * 50 / 66));
    EXPECT_TRUE(store::RepairCompact(m_library));
    EXPECT_EQ(itemNames(m_library), QStringList());  // the items' pages were past the cut
    {
        auto db = engine::openDatabase(m_library);
        EXPECT_EQ(scalar(db.get(), "SELECT Count(*) FROM [Category]").toInt(), 9);
        EXPECT_EQ(scalar(db.get(), "SELECT GroupName FROM [System]").toString(), "Original Morvane");
    }
    ASSERT_EQ(boxes().size(), 1);  // what could not be rescued
    EXPECT_EQ(boxes()[0].title, "Repair and Compact");
    // Cut off before its list of tables: nothing to rescue, and the message is about the library.
    ui::testing::clear();
    writeBytes(m_library, sample.left(4096));  // the first page: the root of the list of tables
    EXPECT_FALSE(store::RepairCompact(m_library));
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].text.contains(m_library));
    for (const auto& box : boxes()) EXPECT_FALSE(box.text.contains(".tmp") || box.text.contains(".mrv-"));
}

TEST_F(RepairCompactTest, ALibraryLeftOnlyAsItsBackupIsPutBackWhenOpened) {
    // A backup the user keeps (the synchronisation makes them) is not taken for the library.
    ASSERT_TRUE(QFile::rename(m_library, path("Main.bak")));
    engine::Database* db = nullptr;
    EXPECT_FALSE(open(m_library, db));
    EXPECT_EQ(boxes().size(), 1);
    // What a repair killed half-way left on a version that moved the library aside first: a repair
    // or an open puts it back.
    ui::testing::clear();
    writeBytes(path("Main.tmp"), m_original);
    EXPECT_TRUE(store::RepairCompact(m_library));
    ASSERT_TRUE(QFile::rename(m_library, path("Main.bak")));
    writeBytes(path("Main.tmp"), m_original);
    ASSERT_TRUE(open(m_library, db));
    EXPECT_EQ(scalar(db, "SELECT Count(*) FROM [Procedure]").toInt(), 10);
    EXPECT_EQ(files(), QStringList{"Main.mdb"});
    EXPECT_TRUE(boxes().isEmpty());
}

}  // namespace
