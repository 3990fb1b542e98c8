// Whole-file operations: compact into a new file, repair in place. Every new file is written beside
// its final name and renamed into place when complete (base/replace_file.h).

#include "base/replace_file.h"
#include "store/engine/sql_dialect.h"
#include "store/engine/whole_file_p.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace engine {

Connection connect(const QString& path, int flags) {
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags | SQLITE_OPEN_EXRESCODE, nullptr);
    Connection owned(db);
    if (rc != SQLITE_OK) throwSqlite(db, rc, path);
    sqlite3_busy_timeout(db, busyTimeout());
    dialect::registerFunctions(db);
    return owned;
}

bool isWriteFailure(int rc) {
    switch (rc & 0xff) {
        case SQLITE_FULL:
        case SQLITE_NOMEM:
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
            return true;
        case SQLITE_IOERR:
            return rc != SQLITE_IOERR_READ && rc != SQLITE_IOERR_SHORT_READ;
        default:
            return false;
    }
}

void throwWriteFailure(sqlite3* db, int rc, const QString& file, const QString& shownAs) {
    const int errnum = sqlite3_system_errno(db);
    const bool io = (rc & 0xff) == SQLITE_IOERR || (rc & 0xff) == SQLITE_FULL;
    if ((rc & 0xff) == SQLITE_FULL || (io && (errnum == ENOSPC || errnum == EDQUOT || errnum == EFBIG)))
        throw mrv::writeError(errnum == 0 ? ENOSPC : errnum, QFileInfo(file).absolutePath(), shownAs);
    throwSqlite(db, rc, shownAs);
}

FileHeader readHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return FileHeader();
    return parseHeader(file.read(100), file.size());
}

FileHeader parseHeader(const QByteArray& bytes, qint64 fileSize) {
    FileHeader h;
    h.fileSize = fileSize;
    if (bytes.size() < 100 || !bytes.startsWith(QByteArray("SQLite format 3\0", 16))) return h;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    auto be32 = [p](int at) {
        return quint32(p[at]) << 24 | quint32(p[at + 1]) << 16 | quint32(p[at + 2]) << 8 | p[at + 3];
    };
    h.pageSize = p[16] << 8 | p[17];
    if (h.pageSize == 1) h.pageSize = 65536;
    if (h.pageSize < 512 || (h.pageSize & (h.pageSize - 1))) return h;
    h.valid = true;
    // The page count is only to be trusted when the program that wrote it last also kept it.
    if (be32(24) == be32(92)) h.pages = be32(28);
    h.reservedBytes = p[20];
    h.encoding = int(be32(56));
    h.userVersion = int(be32(60));
    h.applicationId = int(be32(68));
    h.rollbackMode = p[18] == 1 && p[19] == 1;
    return h;
}

namespace {

// Errors name the file the user knows, never a work file of ours.
[[noreturn]] void rethrowAs(const Error& error, const QStringList& internal, const QString& shownAs) {
    QString description = error.description();
    for (const QString& path : internal) description.replace(path, shownAs);
    throw Error(error.number(), description);
}

// Opening for writing rolls back a journal left by a program that stopped mid-write, without reading
// the schema, which may be what is damaged.
void rollBackJournal(const QString& path) {
    const Connection db = connect(path, SQLITE_OPEN_READWRITE);
    exec(db.get(), "PRAGMA writable_schema = ON; BEGIN IMMEDIATE; ROLLBACK", path);
}

}  // namespace

namespace {

// VACUUM INTO copies the stamp of its source; only a file without ours needs writing a second time.
void stamp(const QString& path) {
    const FileHeader h = readHeader(path);
    if (h.applicationId == kApplicationId && h.userVersion == kFormatVersion && h.rollbackMode) return;
    const Connection db = connect(path, SQLITE_OPEN_READWRITE);
    const QString sql =
        QString("PRAGMA journal_mode = DELETE; PRAGMA application_id = %1; PRAGMA user_version = %2")
            .arg(kApplicationId)
            .arg(kFormatVersion);
    const int rc = sqlite3_exec(db.get(), sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throwWriteFailure(db.get(), rc, path, path);
}

}  // namespace

bool IsSoundDatabase(const QString& path) {
    if (readHeader(path).cutShort()) return false;
    try {
        const std::unique_ptr<Database> db = openFile(path, false, true, false);
        // Mapped: the check reads every page, and a read call for each costs as much as the check.
        exec(db->handle(), "PRAGMA mmap_size = 2000000000", path);
        Statement check(db->handle(), "PRAGMA integrity_check", path);
        return check.step() && check.text(0) == "ok" && !check.step();
    } catch (const Error&) {
        return false;
    }
}

void CompactInto(const QString& source, mrv::FileReplacement& out, const QString& shownAs) {
    const QString from = QFileInfo(source).absoluteFilePath();
    try {
        {
            // What is missing, foreign or cut short is said here, as for any open.
            const std::unique_ptr<Database> src = openDatabase(from, false, true);
            const int rc = sqlite3_exec(src->handle(),
                                        ("VACUUM INTO " + quoteLiteral(out.workPath())).toUtf8().constData(),
                                        nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK && isWriteFailure(rc))
                throwWriteFailure(src->handle(), rc, out.workPath(), shownAs);
            if (rc != SQLITE_OK)
                throw Error(errDamaged,
                            QString("The Code Library '%1' is damaged and needs to be repaired (%2).")
                                .arg(from, QString::fromUtf8(sqlite3_errmsg(src->handle()))));
        }
        mrv::fileStep();
        stamp(out.workPath());
        {
            // The search index is made anew, packed as tightly as the rows.
            const std::unique_ptr<Database> copy = openFile(out.workPath(), false, false, false);
            rebuildSearchIndex(*copy);
        }
    } catch (const Error& e) {
        rethrowAs(e, {out.workPath()}, shownAs);
    }
}

void CompactDatabase(const QString& source, const QString& destination, int options) {
    Q_UNUSED(options);  // every file this engine writes is in its one format
    if (QFileInfo::exists(destination))
        throw Error(
            errDatabaseExists,
            QString("Cannot compact into '%1': a file of that name already exists.").arg(destination));
    mrv::FileReplacement out(destination, mrv::FileReplacement::CreateNew, source);
    CompactInto(source, out, out.target());
    out.commit();
}

RepairReport RepairDatabase(const QString& path, const QString& shownAs) {
    const QString target = QFileInfo(path).absoluteFilePath();
    try {
        if (!QFileInfo::exists(target))
            throw Error(errFileNotFound, QString("Could not find the file '%1'.").arg(target));
        rollBackJournal(target);
        if (IsSoundDatabase(target)) return RepairReport();
    } catch (const Error& e) {
        rethrowAs(e, {target}, shownAs.isEmpty() ? target : shownAs);
    }
    return RebuildDatabase(target, shownAs);
}

RepairReport RebuildDatabase(const QString& path, const QString& shownAs) {
    const QString target = QFileInfo(path).absoluteFilePath();
    RepairReport report;
    try {
        const FileHeader header = readHeader(target);
        if (!header.valid)
            throw Error(
                errNotADatabase,
                QString("'%1' is not a Code Library database: its format is not recognised.").arg(target));
        report.wasDamaged = true;
        const DamagedCopy source(target, header);
        mrv::fileStep();
        mrv::FileReplacement out(target);
        salvage(source, out.workPath(), header, report);
        mrv::fileStep();
        if (report.rowsRecovered == 0 && source.objects().isEmpty())
            throw Error(errDamaged, QString("Nothing could be read from '%1'.").arg(target));
        out.commit();
    } catch (const Error& e) {
        rethrowAs(e, {DamagedCopy::pathFor(target), mrv::FileReplacement::workPathFor(target), target},
                  shownAs.isEmpty() ? target : shownAs);
    }
    return report;
}

}  // namespace engine
