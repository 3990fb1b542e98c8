#include "store/repair_compact.h"

#include "tests/store/store_fixture.h"

#include <QtEndian>

using namespace storetest;

namespace {

using Step = store::RepairCompactStep;

class RepairCompactTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        m_library = makeLibrary(QStringLiteral("Main.mdb"));
        QStringList fill;
        for (int i = 0; i < 30; ++i)
            fill << QStringLiteral("INSERT INTO [Procedure] (CatKey, Name, Code) VALUES (1, 'P%1', '%2')")
                        .arg(i)
                        .arg(QString(2000, QLatin1Char('x')));
        fill << QStringLiteral("DELETE FROM [Procedure] WHERE ProcKey > 10");  // free pages to drop
        execute(m_library, fill);
        m_original = readBytes(m_library);
    }
    static bool hasOurStamp(const QByteArray& bytes) {
        return bytes.size() > 72 && qFromBigEndian<qint32>(bytes.constData() + 68) == engine::kApplicationId;
    }
    // Every outcome but success: the old bytes under the library's name and nothing else left.
    void expectRestored(const QByteArray& original) {
        EXPECT_EQ(readBytes(m_library), original);
        EXPECT_FALSE(QFile::exists(m_work));
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, QStringLiteral("Error occured during operation"));
        EXPECT_TRUE(
            boxes()[0].text.endsWith(QStringLiteral("\n\nYour original Database has been restored!")));
    }
    QString m_library;
    QByteArray m_original;
    const QString m_backup = path(QStringLiteral("Main.bak"));
    const QString m_work = path(QStringLiteral("Main.tmp"));
};

TEST_F(RepairCompactTest, ReplacesTheLibraryWithACompactedCopy) {
    writeBytes(m_backup, "stale backup of an earlier failure");
    writeBytes(m_work, "stale work copy");
    RecordingStatus status;
    ASSERT_TRUE(store::RepairCompact(m_library, &status));

    EXPECT_EQ(status.texts, (QStringList{QStringLiteral(" Repairing Database..."),
                                         QStringLiteral(" Compacting Database...")}));
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_FALSE(QFile::exists(m_backup));
    EXPECT_FALSE(QFile::exists(m_work));
    const QByteArray result = readBytes(m_library);
    EXPECT_TRUE(hasOurStamp(result));
    EXPECT_LT(result.size(), m_original.size());
    engine::Database* db = nullptr;
    ASSERT_TRUE(open(m_library, db));
    EXPECT_EQ(scalar(db, QStringLiteral("SELECT Count(*) FROM [Procedure]")).toInt(), 10);
}

TEST_F(RepairCompactTest, TwoLetterExtensionLosesALetterOfTheName) {
    const QString library = path(QStringLiteral("Main.db"));
    ASSERT_TRUE(QFile::rename(m_library, library));
    QStringList duringCompact;
    store::setRepairCompactFaultHook([&](Step step) {
        if (step == Step::Compact) duringCompact = QDir(path(QString())).entryList(QDir::Files, QDir::Name);
    });
    EXPECT_TRUE(store::RepairCompact(library));
    EXPECT_EQ(duringCompact, (QStringList{QStringLiteral("Mai.bak"), QStringLiteral("Mai.tmp")}));
    EXPECT_EQ(QDir(path(QString())).entryList(QDir::Files), QStringList{QStringLiteral("Main.db")});
}

TEST_F(RepairCompactTest, FaultAtEveryStepPutsTheOriginalBack) {
    for (Step failing : {Step::Copy, Step::Repair, Step::Rename, Step::Compact}) {
        SCOPED_TRACE(int(failing));
        ui::testing::clear();
        store::setRepairCompactFaultHook([&](Step step) {
            if (step != failing) return;
            // A compaction that dies half-way leaves part of a file under the library's name.
            if (step == Step::Compact) writeBytes(m_library, "half a library");
            throw engine::Error(engine::errDiskIO, QStringLiteral("Disk or network error."));
        });
        RecordingStatus status;
        EXPECT_FALSE(store::RepairCompact(m_library, &status));
        expectRestored(m_original);
        EXPECT_FALSE(QFile::exists(m_backup));
        ASSERT_FALSE(status.texts.isEmpty());
        EXPECT_EQ(status.texts.last(), QStringLiteral(" Error: Disk or network error."));
        expectBox(0, QStringLiteral("Error occured during operation"),
                  QStringLiteral(
                      "Error: 3026\n\nDisk or network error.\n\nYour original Database has been restored!"),
                  ui::vbOKOnly | ui::vbCritical);
    }
}

TEST_F(RepairCompactTest, RealFailuresAreRecoveredToo) {
    const QByteArray text("Attribute VB_Name = \"Module1\"\r\n");
    writeBytes(m_library, text);
    EXPECT_FALSE(store::RepairCompact(m_library));  // the repair refuses a file that is no database
    expectRestored(text);

    // A stale backup that cannot be deleted is never taken for the library.
    ui::testing::clear();
    writeBytes(m_library, m_original);
    QDir(path(QString())).mkpath(QStringLiteral("Main.bak/kept"));
    EXPECT_FALSE(store::RepairCompact(m_library));
    expectRestored(m_original);

    ui::testing::clear();
    QFile::remove(m_library);
    EXPECT_FALSE(store::RepairCompact(m_library));
    EXPECT_EQ(boxes().size(), 1);
    EXPECT_TRUE(QDir(path(QString())).entryList(QDir::Files).isEmpty());
}

TEST_F(RepairCompactTest, PathShorterThanFourCharactersTouchesNothing) {
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(path(QString())));
    writeBytes(QStringLiteral("abc"), "abc");
    const QStringList before = QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_THROW(store::RepairCompact(QStringLiteral("abc")), engine::Error);
    EXPECT_EQ(QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    EXPECT_TRUE(boxes().isEmpty());
    QDir::setCurrent(cwd);
}

}  // namespace
