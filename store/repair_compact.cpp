#include "store/repair_compact.h"

#include "platform/ui.h"
#include "store/engine/engine.h"
#include "store/engine/error.h"
#include "store/files.h"

#include <QFile>

#include <exception>
#include <optional>

namespace store {

namespace {

const QString LF = QStringLiteral("\n");

// The numbers the old platform gave its file errors.
enum FileErrorNumber { errInvalidArgument = 5, errFileNotFound = 53, errPathFileAccess = 75 };

std::function<void(RepairCompactStep)>& faultHook() {
    static std::function<void(RepairCompactStep)> hook;
    return hook;
}

void step(RepairCompactStep which) {
    if (faultHook()) faultHook()(which);
}

void copyFile(const QString& from, const QString& to) {
    if (!FileExists(from)) throw engine::Error(errFileNotFound, QStringLiteral("File not found: ") + from);
    QFile source(from);
    if (!source.copy(to))
        throw engine::Error(errPathFileAccess, QStringLiteral("Path/File access error: ") + to +
                                                   QStringLiteral(" (") + source.errorString() +
                                                   QStringLiteral(")"));
}

void renameFile(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.rename(to))
        throw engine::Error(errPathFileAccess, QStringLiteral("Path/File access error: ") + from +
                                                   QStringLiteral(" (") + source.errorString() +
                                                   QStringLiteral(")"));
}

void setStatus(StatusTarget* status, const QString& text) {
    if (status) status->setStatusBar(text);
}

}  // namespace

void setRepairCompactFaultHook(std::function<void(RepairCompactStep)> hook) {
    faultHook() = std::move(hook);
}

bool RepairCompact(const QString& libraryPath, StatusTarget* status) {
    if (libraryPath.size() < 4)
        throw engine::Error(errInvalidArgument, QStringLiteral("Invalid procedure call or argument"));
    const QString base = libraryPath.left(libraryPath.size() - 4);
    const QString backupPath = base + QStringLiteral(".bak");
    const QString workPath = base + QStringLiteral(".tmp");

    QFile::remove(backupPath);
    QFile::remove(workPath);

    // Whether the old file sits under the backup name: a stale backup that could not be deleted
    // must never be taken for it.
    bool movedAside = false;
    std::optional<engine::Error> failure;
    try {
        step(RepairCompactStep::Copy);
        copyFile(libraryPath, workPath);
        setStatus(status, QStringLiteral(" Repairing Database..."));
        step(RepairCompactStep::Repair);
        engine::RepairDatabase(workPath);
        step(RepairCompactStep::Rename);
        renameFile(libraryPath, backupPath);
        movedAside = true;
        setStatus(status, QStringLiteral(" Compacting Database..."));
        step(RepairCompactStep::Compact);
        engine::CompactDatabase(workPath, libraryPath, engine::dbVersion30);
    } catch (const engine::Error& err) {
        failure = err;
    } catch (const std::exception& err) {
        failure = engine::Error(engine::errEngine, QString::fromLocal8Bit(err.what()));
    }
    if (!failure) {
        QFile::remove(backupPath);
        QFile::remove(workPath);
        return true;
    }

    // Moving the backup back rather than copying it: the old file is never without a name.
    bool restored = true;
    if (movedAside) {
        QFile::remove(libraryPath);
        restored = QFile::rename(backupPath, libraryPath);
    }
    QFile::remove(workPath);
    setStatus(status, QStringLiteral(" Error: ") + failure->description());
    const QString outcome =
        restored ? QStringLiteral("Your original Database has been restored!")
                 : QStringLiteral("Your original Database could not be restored; it is kept as:") + LF +
                       backupPath;
    ui::MsgBox(QStringLiteral("Error: ") + QString::number(failure->number()) + LF + LF +
                   failure->description() + LF + LF + outcome,
               ui::vbOKOnly | ui::vbCritical | ui::vbMsgBoxSetForeground,
               QStringLiteral("Error occured during operation"));
    return false;
}

}  // namespace store
