// The commands on whole libraries: check, compact, repair, replicate, sync, backup. Every one that
// replaces a library file holds its exclusive lock first and writes beside it.

#include "cli/cli.h"
#include "store/archiver.h"
#include "store/files.h"
#include "store/library_copy.h"
#include "store/library_files.h"
#include "store/library_sync.h"
#include "store/paths.h"
#include "store/repair_compact.h"
#include "store/status_target.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <sqlite3.h>

namespace cli {

namespace {

void noArguments(const Context& c, int count) {
    if (c.opt.arguments.size() != count)
        throw usage(c.opt.command, count == 0 ? QStringLiteral("No arguments are taken.")
                                              : QStringLiteral("Give exactly %1 argument(s).").arg(count));
}

QString existingLibrary(const Context& c) {
    const QString path = c.libraryPath();
    if (!store::PathExists(path))
        throw Failure(exitNotFound, QStringLiteral("Code Library not found: ") + path);
    return path;
}

// The lock held while a library is replaced; Failure when another program uses it.
std::unique_ptr<engine::Database> lockLibrary(const QString& path) {
    try {
        return store::lockForReplacement(path);
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
}

// Status texts of long operations, on standard error.
class StatusToError : public store::StatusTarget {
public:
    void setStatusBar(const QString& text) override { ui::MsgBox(text.trimmed()); }
};

int versionOf(engine::Database& db) {
    auto rs = db.OpenRecordset(QStringLiteral("SELECT DatabaseVersion FROM [System]"), engine::dbOpenSnapshot,
                               engine::dbReadOnly);
    return rs->eof() ? -1 : rs->Fields(0).Value().toInt();
}

long countOf(engine::Database& db, const QString& table) {
    auto rs = db.OpenRecordset(QStringLiteral("SELECT Count(*) FROM ") + table, engine::dbOpenSnapshot,
                               engine::dbReadOnly);
    return rs->Fields(0).Value().toLongLong();
}

}  // namespace

void runCheck(Context& c) {
    noArguments(c, 0);
    const QString path = existingLibrary(c);
    QJsonObject report{{QStringLiteral("library"), path}};
    QStringList problems;
    try {
        // Only read: an older library is told, not upgraded.
        const std::unique_ptr<engine::Database> db = engine::openDatabase(path, false, true);
        sqlite3_stmt* check = nullptr;
        sqlite3_prepare_v2(db->handle(), "PRAGMA quick_check", -1, &check, nullptr);
        while (check && sqlite3_step(check) == SQLITE_ROW) {
            const QString line =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
            if (line != QLatin1String("ok")) problems << line;
        }
        if (!check) problems << QString::fromUtf8(sqlite3_errmsg(db->handle()));
        sqlite3_finalize(check);
        const store::GroupIdentity group = store::readGroupIdentity(*db);
        const int version = versionOf(*db);
        int current = version;
        if (store::FileExists(store::designMasterPath()))
            current = versionOf(*engine::openDatabase(store::designMasterPath(), false, true));
        report.insert(QStringLiteral("group"), group.name);
        report.insert(QStringLiteral("groupGuid"), group.guid);
        report.insert(QStringLiteral("version"), version);
        report.insert(QStringLiteral("currentVersion"), current);
        report.insert(QStringLiteral("categories"), qint64(countOf(*db, QStringLiteral("Category"))));
        report.insert(QStringLiteral("items"), qint64(countOf(*db, QStringLiteral("[Procedure]"))));
    } catch (const engine::Error& err) {
        if (err.number() == engine::errTableMissing)
            throw Failure(exitFailed, QStringLiteral("Not a Code Library (it has no System table): ") + path);
        if (err.number() != engine::errDamaged) throw failureOf(err);
        problems << err.description();
    }
    report.insert(QStringLiteral("sound"), problems.isEmpty());
    if (c.opt.json) {
        report.insert(QStringLiteral("problems"), QJsonArray::fromStringList(problems));
        c.out.json(report);
    } else {
        c.out.line(QStringLiteral("Code Library: ") + path);
        if (report.contains(QStringLiteral("group")))
            c.out.line(QStringLiteral("Group: ") + report.value(QStringLiteral("group")).toString() + u' ' +
                       report.value(QStringLiteral("groupGuid")).toString());
        if (report.contains(QStringLiteral("version"))) {
            const int version = report.value(QStringLiteral("version")).toInt();
            const int current = report.value(QStringLiteral("currentVersion")).toInt();
            c.out.line(
                QStringLiteral("Schema version: %1").arg(version) +
                (version < current
                     ? QStringLiteral(" (older than %1: brought up to date when next opened)").arg(current)
                     : QString()));
            c.out.line(QStringLiteral("Categories: %1, items: %2")
                           .arg(report.value(QStringLiteral("categories")).toInteger())
                           .arg(report.value(QStringLiteral("items")).toInteger()));
        }
        c.out.line(problems.isEmpty() ? QStringLiteral("Sound.") : QStringLiteral("DAMAGED."));
    }
    if (!problems.isEmpty())
        throw Failure(exitFailed, QStringLiteral("The Code Library is damaged: ") +
                                      problems.join(QStringLiteral("; ")) +
                                      QStringLiteral("\nmorvane repair mends it."));
}

void runCompact(Context& c) {
    noArguments(c, 0);
    const QString path = existingLibrary(c);
    const qint64 before = QFileInfo(path).size();
    const std::unique_ptr<engine::Database> held = lockLibrary(path);
    if (!held)
        throw Failure(exitFailed, QStringLiteral("Not a sound Code Library: ") + path +
                                      QStringLiteral("\nmorvane repair mends a damaged one."));
    // Compacted through the connection that holds the lock: no other program writes meanwhile.
    const QString work = store::besideName(path);
    const QByteArray sql =
        "VACUUM INTO '" + QString(work).replace(u'\'', QStringLiteral("''")).toUtf8() + "'";
    if (sqlite3_exec(held->handle(), sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(held->handle()));
        QFile::remove(work);
        throw Failure(exitFailed,
                      QStringLiteral("Cannot compact '") + path + QStringLiteral("': ") + message);
    }
    try {
        store::moveIntoPlace(work, path);
    } catch (const engine::Error& err) {
        QFile::remove(work);
        throw failureOf(err);
    }
    const qint64 after = QFileInfo(path).size();
    if (c.opt.json)
        c.out.json(QJsonObject{{QStringLiteral("library"), path},
                               {QStringLiteral("before"), before},
                               {QStringLiteral("after"), after}});
    else
        c.out.line(QStringLiteral("Compacted %1: %2 bytes, was %3.").arg(path).arg(after).arg(before));
}

void runRepair(Context& c) {
    noArguments(c, 0);
    const QString path = existingLibrary(c);
    // In use elsewhere: told with its own status. The repair takes the library's lock itself.
    lockLibrary(path).reset();
    StatusToError status;
    bool repaired = false;
    try {
        repaired = store::RepairCompact(path, &status);
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
    if (!repaired)
        throw Failure(exitFailed, QStringLiteral("The repair failed; the Code Library is as it was."));
    c.out.line(QStringLiteral("Repaired and compacted ") + path);
}

void runReplicate(Context& c) {
    noArguments(c, 1);
    const QString source = existingLibrary(c);
    const QString target = QFileInfo(c.opt.arguments.first()).absoluteFilePath();
    if (store::sameFile(source, target))
        throw usage(c.opt.command,
                    QStringLiteral("The replica cannot take the place of the library itself."));
    c.openLibrary();  // a library, and up to date
    if (store::PathExists(target))
        c.confirm(QStringLiteral("The file '") + target +
                      QStringLiteral("' already exists.\n\nReplace it with the replica?"),
                  QStringLiteral("Replace File?"));
    const std::unique_ptr<engine::Database> held = lockLibrary(target);
    StatusToError status;
    if (!store::replaceWithReplica(source, target, &status))
        throw Failure(exitFailed, QStringLiteral("No replica was made."));
    c.out.line(target);
}

void runSync(Context& c) {
    noArguments(c, 1);
    const QString path = existingLibrary(c);
    const QString other = QFileInfo(c.opt.arguments.first()).absoluteFilePath();
    if (!store::PathExists(other))
        throw Failure(exitNotFound, QStringLiteral("Code Library not found: ") + other);
    if (store::sameFile(path, other))
        throw usage(c.opt.command, QStringLiteral("You can't Synchronize the opened database with itself!"));
    const store::SyncDirection direction =
        c.opt.direction == QLatin1String("import")   ? store::SyncDirection::Import
        : c.opt.direction == QLatin1String("export") ? store::SyncDirection::Export
                                                     : store::SyncDirection::Both;
    try {
        store::GroupIdentity ours, theirs;
        {
            const std::unique_ptr<engine::Database> db = c.openLibrary();
            ours = store::readGroupIdentity(*db);
        }
        switch (store::checkSyncGroup(ours, other, theirs)) {
            case store::GroupCheck::NotALibrary:
                throw Failure(exitFailed,
                              QStringLiteral("This is not a valid Code Library Database: ") + other);
            case store::GroupCheck::OtherGroup:
                throw Failure(
                    exitFailed,
                    QStringLiteral("This Code Library Database belongs to a DIFFERENT Database Group!\n") +
                        QStringLiteral("Current Library Group: \"") + ours.name +
                        QStringLiteral("\"\nSelected Library Group: \"") + theirs.name + u'"');
            case store::GroupCheck::SameGroup:
                break;
        }
        c.confirm(direction == store::SyncDirection::Import ? QStringLiteral("'Import' Code Library changes?")
                  : direction == store::SyncDirection::Export
                      ? QStringLiteral("'Export' Code Library changes?")
                      : QStringLiteral("Synchronize 'Both' Code Library changes?"),
                  QStringLiteral("Synchronize Code Libraries?"));
        if (!store::synchronizeLibrary(path, other, direction, !c.opt.noBackup,
                                       [](const QString& text) { ui::MsgBox(text.trimmed()); }))
            throw Failure(exitFailed, QStringLiteral("A backup failed; nothing was exchanged."));
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
    c.out.line(QStringLiteral("Synchronization Completed!"));
}

void runBackup(Context& c) {
    noArguments(c, 1);
    const QString path = existingLibrary(c);
    bool levelOk = true;
    const int level = c.opt.level.isEmpty() ? 1 : c.opt.level.toInt(&levelOk);
    if (!levelOk || level < 0 || level > 4)
        throw usage(c.opt.command, QStringLiteral("--level is 0 (most) to 4 (none)."));
    c.openLibrary();  // a library, and up to date
    const QString folder = QFileInfo(c.opt.arguments.first()).absoluteFilePath();
    const QString target = store::copyToTarget(path, folder, c.opt.zip);
    if (store::sameFile(target, path))
        throw usage(c.opt.command,
                    QStringLiteral("The backup would be the Code Library itself: give another folder."));
    if (store::PathExists(target))
        c.confirm(QStringLiteral("The Code Library ALREADY EXISTS in the Target Location!\n\n") +
                      QStringLiteral("Would you like to OVERWRITE the existing Code Library?\n\n      ") +
                      target,
                  QStringLiteral("Overwrite Existing Library?"));
    if (!QDir().mkpath(folder)) throw Failure(exitFailed, QStringLiteral("Cannot make the folder ") + folder);
    try {
        if (c.opt.zip)
            store::packLibrary(path, target, level);
        else if (!store::copyLibraryFile(path, target))
            throw Failure(exitFailed, QStringLiteral("Copy Failed!"));
    } catch (const engine::Error& err) {
        throw failureOf(err);
    }
    c.out.line(target);
}

}  // namespace cli
