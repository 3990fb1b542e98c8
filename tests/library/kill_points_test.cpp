// A process killed at every step of each operation that writes a library file, and at moments in the
// middle of its longest step: the target is afterwards the old file or the complete new one, and the
// source (the open library) is as it was.

#include "library_fixture.h"

#include "library/frmDBNew.h"
#include "store/archiver.h"
#include "store/library_files.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <unistd.h>

using namespace librarytest;
using storetest::readBytes;

namespace {

enum Operation { Group, Copy, Pack, Unpack, Replica };
const char* const kNames[] = {"group", "copy", "pack", "unpack", "replica"};

void run(Operation op, const QString& source, const QString& target) {
    const std::unique_ptr<engine::Database> held =
        op == Group || op == Replica ? store::lockForReplacement(target) : nullptr;
    switch (op) {
        case Group:
            store::createGroupLibrary(source, target, store::newGroupGuid(), QDateTime::currentDateTime(),
                                      "G");
            break;
        case Copy:
            store::copyLibraryFile(source, target);
            break;
        case Pack:
            store::packLibrary(source, target, 1);
            break;
        case Unpack:
            store::unpackLibrary(source, target);
            break;
        case Replica:
            store::replaceWithReplica(source, target);
            break;
    }
}

class KillPointsTest : public LibraryTest {
protected:
    // The operation in a child process, killed at its step number at (0: never) or, once it says the
    // step named go has begun, after delay milliseconds. The child's exit code, or -1 when killed.
    int child(Operation op, const QString& source, const QString& target, int at, const char* go = "",
              int delay = 0) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MRV_KILL_OP", QString::number(op));
        env.insert("MRV_KILL_SOURCE", source);
        env.insert("MRV_KILL_TARGET", target);
        env.insert("MRV_KILL_AT", QString::number(at));
        env.insert("MRV_KILL_GO", go);
        process.setProcessEnvironment(env);
        process.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=KillPointsChild.Run"});
        if (*go && process.waitForReadyRead(20000) && process.readAll().contains("go")) {
            QThread::msleep(delay);
            process.kill();
        }
        process.waitForFinished(60000);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
};

TEST(KillPointsChild, Run) {
    const QByteArray op = qgetenv("MRV_KILL_OP");
    if (op.isEmpty()) GTEST_SKIP() << "started by the kill-point sweeps";
    ui::testing::enableRecording();
    const int at = qEnvironmentVariableIntValue("MRV_KILL_AT");
    const QByteArray go = qgetenv("MRV_KILL_GO");
    int steps = 0;
    store::setStepHook([&](const char* step) {
        if (++steps == at) _exit(9);  // as abrupt as a kill: no cleanup, no rollback
        if (go == step) {
            fputs("go\n", stdout);
            fflush(stdout);
        }
    });
    run(Operation(op.toInt()), qEnvironmentVariable("MRV_KILL_SOURCE"),
        qEnvironmentVariable("MRV_KILL_TARGET"));
    _exit(0);
}

TEST_F(KillPointsTest, EveryStepLeavesTheOldTargetOrTheNewOne) {
    const QString source = makeGroup("source.mdb", {"kept", "moved"});
    execute(source, {"UPDATE [Procedure] SET Code = '" + QString(4 << 20, 'x') + "' WHERE Name = 'moved'"});
    const QString old = makeGroup("old.mdb", {"old item"});
    const QString archive = path("source.zip");
    store::packLibrary(source, archive, 4);
    const QByteArray sourceBytes = readBytes(source), oldBytes = readBytes(old);
    const QByteArray oldArchive = "PK an archive from before, long enough to count";
    const QString setId = engine::replicaIdentity(*engine::openDatabase(source)).setId;
    // Whether target holds the complete result of op.
    const auto isNew = [&](Operation op, const QString& target) {
        switch (op) {
            case Group:
                return items(target).isEmpty() && scalar(engine::openDatabase(target).get(),
                                                         "SELECT GroupName FROM [System]") == QVariant("G");
            case Copy:
            case Unpack:
                return readBytes(target) == sourceBytes;
            case Pack:
                return unzipped(target) == sourceBytes;
            case Replica:
                return items(target) == items(source) &&
                       engine::replicaIdentity(*engine::openDatabase(target)).setId == setId;
        }
        return false;
    };
    const char* const longest[] = {"compact", "copy", "pack", "unpack", "lock"};
    for (const Operation op : {Group, Copy, Pack, Unpack, Replica}) {
        SCOPED_TRACE(kNames[op]);
        const QString from = op == Unpack ? archive : source;
        const QString suffix = op == Pack ? ".zip" : ".mdb";
        const auto fresh = [&](const QString& name) {
            const QString target = path(QString(kNames[op]) + "-" + name + "/source" + suffix);
            QDir().mkpath(QFileInfo(target).absolutePath());
            storetest::writeBytes(target, op == Pack ? oldArchive : oldBytes);
            return target;
        };
        // The uninterrupted run gives the number of steps.
        int steps = 0;
        store::setStepHook([&](const char*) { ++steps; });
        const QString reference = fresh("reference");
        run(op, from, reference);
        store::setStepHook({});
        ASSERT_TRUE(isNew(op, reference));
        ASSERT_GT(steps, 2);
        for (int at = 1; at <= steps + 6; ++at) {
            SCOPED_TRACE(at);
            const bool timed = at > steps;
            const QString target = fresh(QString::number(at));
            const int code = timed ? child(op, from, target, 0, longest[op], (at - steps - 1) * 7)
                                   : child(op, from, target, at);
            if (!timed) {
                EXPECT_EQ(code, 9);
            }
            const bool kept = readBytes(target) == (op == Pack ? oldArchive : oldBytes);
            EXPECT_TRUE(kept || isNew(op, target));
            EXPECT_EQ(readBytes(source), sourceBytes);
        }
    }
}

}  // namespace
