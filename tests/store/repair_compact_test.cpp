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
        fill(m_library, 30, 2000);
        execute(m_library, {QStringLiteral("DELETE FROM [Procedure] WHERE ProcKey > 10")});  // pages to drop
        m_original = readBytes(m_library);
    }
    QStringList files() const { return QDir(path(QString())).entryList(QDir::Files, QDir::Name); }
    // Every outcome but success: the old bytes under the library's name and nothing beside them.
    void expectRestored(const QByteArray& original) {
        EXPECT_EQ(readBytes(m_library), original);
        EXPECT_EQ(files(), QStringList{QStringLiteral("Main.mdb")});
        ASSERT_EQ(boxes().size(), 1);
        EXPECT_EQ(boxes()[0].title, QStringLiteral("Error occured during operation"));
        EXPECT_TRUE(
            boxes()[0].text.endsWith(QStringLiteral("\n\nYour original Database has been restored!")));
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
        writeBytes(stem + QStringLiteral(".bak"), "stale backup of an earlier failure");
        writeBytes(stem + QStringLiteral(".tmp"), "stale work copy");
        QStringList duringCompact;
        store::setRepairCompactFaultHook([&](Step step) {
            if (step == Step::Compact) duringCompact = files();
        });
        RecordingStatus status;
        ASSERT_TRUE(store::RepairCompact(library, &status));

        EXPECT_EQ(status.texts, (QStringList{QStringLiteral(" Repairing Database..."),
                                             QStringLiteral(" Compacting Database...")}));
        EXPECT_TRUE(boxes().isEmpty());
        EXPECT_EQ(duringCompact, (QStringList{QString::fromLatin1(base) + QStringLiteral(".bak"),
                                              QString::fromLatin1(base) + QStringLiteral(".tmp")}));
        EXPECT_EQ(files(), QStringList{QString::fromLatin1(name)});
        const QByteArray result = readBytes(library);
        EXPECT_EQ(qFromBigEndian<qint32>(result.constData() + 68), engine::kApplicationId);
        EXPECT_LT(result.size(), m_original.size());
        engine::Database* db = nullptr;
        ASSERT_TRUE(open(library, db));
        EXPECT_EQ(scalar(db, QStringLiteral("SELECT Count(*) FROM [Procedure]")).toInt(), 10);
        close(db);
        QFile::remove(library);
    }
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
        expectBox(0, QStringLiteral("Error occured during operation"),
                  QStringLiteral(
                      "Error: 3026\n\nDisk or network error.\n\nYour original Database has been restored!"),
                  ui::vbOKOnly | ui::vbCritical);
        EXPECT_EQ(status.texts.value(status.texts.size() - 1),
                  QStringLiteral(" Error: Disk or network error."));
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
    QDir(path(QString())).mkpath(QStringLiteral("Main.bak/kept"));
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
    writeBytes(QStringLiteral("abc"), "abc");
    const QStringList before = QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    ui::testing::clear();
    EXPECT_THROW(store::RepairCompact(QStringLiteral("abc")), engine::Error);
    EXPECT_EQ(QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    EXPECT_TRUE(boxes().isEmpty());
    QDir::setCurrent(cwd);
}

}  // namespace
