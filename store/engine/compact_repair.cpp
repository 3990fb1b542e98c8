// Whole-file operations: compact into a new file, repair in place.

#include "store/engine/database_p.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cstdio>

namespace engine {

namespace {

// A file written beside its final name and renamed into place when complete, so that the final name
// never holds a half-written library.
class PendingFile {
public:
    explicit PendingFile(const QString& finalPath) : m_final(finalPath), m_work(finalPath + ".mrv-new") {
        remove();
    }
    ~PendingFile() {
        if (!m_done) remove();
    }
    const QString& path() const { return m_work; }
    void commit() {
        if (std::rename(QFile::encodeName(m_work).constData(), QFile::encodeName(m_final).constData()) != 0)
            throw Error(errDiskIO, QString("Cannot write '%1'.").arg(m_final));
        m_done = true;
    }

private:
    void remove() {
        QFile::remove(m_work);
        QFile::remove(m_work + "-journal");
    }
    QString m_final, m_work;
    bool m_done = false;
};

void stamp(sqlite3* db, const QString& context, int applicationId, int userVersion) {
    exec(db,
         QString("PRAGMA application_id = %1; PRAGMA user_version = %2; PRAGMA journal_mode = DELETE")
             .arg(applicationId)
             .arg(userVersion),
         context);
}

}  // namespace

void CompactDatabase(const QString& source, const QString& destination, int options) {
    Q_UNUSED(options);  // every file this engine writes is in its one format
    if (QFileInfo::exists(destination))
        throw Error(errDatabaseExists, QString("Cannot compact into '%1': a file of that name already exists.")
                                           .arg(destination));
    const std::unique_ptr<Database> src = openDatabase(source, false, true);
    PendingFile out(QFileInfo(destination).absoluteFilePath());
    exec(src->handle(), "VACUUM INTO " + quoteLiteral(out.path()), source);
    src->Close();
    {
        const std::unique_ptr<Database> dst = openDatabase(out.path());
        stamp(dst->handle(), destination, kApplicationId, kFormatVersion);
        rebuildSearchIndex(*dst);
        dst->Close();
    }
    out.commit();
}

namespace {

struct Salvage {
    sqlite3* out;
    RepairReport& report;
    QString context;

    bool tryExec(const QString& sql) {
        return sqlite3_exec(out, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    // A damaged page read may already have ended the transaction.
    void endTransaction(bool keep) {
        if (!sqlite3_get_autocommit(out)) tryExec(keep ? "COMMIT" : "ROLLBACK");
    }

    // Copies a table row by row, stepping over what cannot be read.
    void copyRows(const QString& table, const QStringList& columns, const QStringList& blobColumns) {
        const QString qt = quoteIdent(table);
        QStringList quotedColumns;
        for (const QString& c : columns) quotedColumns << quoteIdent(c);
        // Row identities are kept (replicas refer to rows by them), also in tables without a key column.
        const QString all = quotedColumns.join(", ");
        if (tryExec("BEGIN")) {
            if (tryExec(QString("INSERT INTO main.%1(rowid, %2) SELECT rowid, %2 FROM old.%1").arg(qt, all))) {
                const int copied = sqlite3_changes(out);
                if (tryExec("COMMIT")) {
                    report.rowsRecovered += copied;
                    return;
                }
            }
            endTransaction(false);
        }
        QStringList withoutBlobs;
        for (const QString& c : columns) withoutBlobs << (blobColumns.contains(c) ? "NULL" : "old." + qt + "." + quoteIdent(c));

        sqlite3_stmt* next = nullptr;
        sqlite3_stmt* whole = nullptr;
        sqlite3_stmt* partial = nullptr;
        auto prep = [&](const QString& sql, sqlite3_stmt** st) {
            return sqlite3_prepare_v2(out, sql.toUtf8().constData(), -1, st, nullptr) == SQLITE_OK;
        };
        const bool ready =
            prep(QString("SELECT rowid FROM old.%1 WHERE rowid > ?1 ORDER BY rowid LIMIT 1").arg(qt), &next) &&
            prep(QString("INSERT INTO main.%1(rowid, %2) SELECT rowid, %2 FROM old.%1 WHERE rowid = ?1").arg(qt, all),
                 &whole) &&
            prep(QString("INSERT INTO main.%1 (rowid, %2) SELECT rowid, %3 FROM old.%1 WHERE rowid = ?1")
                     .arg(qt, quotedColumns.join(", "), withoutBlobs.join(", ")),
                 &partial);
        if (ready) {
            // Seeks the first row after a key: a row, the end, or an unreadable page on the way.
            enum Seek { Row, End, Damaged };
            sqlite3_int64 found = 0;
            auto seek = [&](sqlite3_int64 after) {
                sqlite3_reset(next);
                sqlite3_bind_int64(next, 1, after);
                const int rc = sqlite3_step(next);
                if (rc == SQLITE_ROW) {
                    found = sqlite3_column_int64(next, 0);
                    return Row;
                }
                return rc == SQLITE_DONE ? End : Damaged;
            };
            sqlite3_int64 after = INT64_MIN;
            while (true) {
                Seek result = seek(after);
                if (result == Damaged) {
                    // Probe further and further ahead for a readable page, then narrow back to where the
                    // damage ends so that no readable row is skipped.
                    sqlite3_int64 bad = after;
                    sqlite3_int64 probe = after < 0 ? 0 : after;
                    qint64 gap = 1;
                    while (result == Damaged && probe < INT64_MAX - gap) {
                        probe += gap;
                        gap *= 2;
                        result = seek(probe);
                        if (result == Damaged) bad = probe;
                    }
                    if (result == Damaged) {
                        report.lost << QString("rows of %1 after key %2").arg(table).arg(bad);
                        break;
                    }
                    sqlite3_int64 good = probe;
                    while (good - bad > 1) {
                        const sqlite3_int64 mid = bad + (good - bad) / 2;
                        if (seek(mid) == Damaged) bad = mid;
                        else good = mid;
                    }
                    report.lost << QString("rows of %1 with keys from %2 to %3").arg(table).arg(after).arg(good);
                    after = good;
                    continue;
                }
                if (result == End) break;
                const sqlite3_int64 rowid = found;
                after = rowid;
                sqlite3_reset(whole);
                sqlite3_bind_int64(whole, 1, rowid);
                if (sqlite3_step(whole) == SQLITE_DONE) {
                    ++report.rowsRecovered;
                    continue;
                }
                sqlite3_reset(partial);
                sqlite3_bind_int64(partial, 1, rowid);
                if (!blobColumns.isEmpty() && sqlite3_step(partial) == SQLITE_DONE) {
                    ++report.rowsRecovered;
                    report.lost << QString("the stored data (%1) of row %2 of %3")
                                       .arg(blobColumns.join(", "))
                                       .arg(rowid)
                                       .arg(table);
                } else {
                    report.lost << QString("row %1 of %2").arg(rowid).arg(table);
                }
            }
        } else {
            report.lost << QString("all rows of %1").arg(table);
        }
        sqlite3_finalize(next);
        sqlite3_finalize(whole);
        sqlite3_finalize(partial);
    }
};

}  // namespace

namespace {

// A file cut off inside a page would have the missing tail of that page read as zeros, turning the
// rows stored there into rows of zeros. Salvage from a copy cut back to whole pages instead, so that
// such rows count as lost rather than as rescued. Returns the copy's path, or empty when not needed.
QString pageAlignedCopy(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith("SQLite format 3")) return QString();
    qint64 pageSize = qint64(uchar(header[16])) << 8 | uchar(header[17]);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || file.size() % pageSize == 0) return QString();
    const QString copy = path + ".mrv-read";
    QFile::remove(copy);
    if (!QFile::copy(path, copy) || !QFile::resize(copy, file.size() / pageSize * pageSize))
        throw Error(errDiskIO, QString("Cannot make a working copy of '%1'.").arg(path));
    return copy;
}

}  // namespace

RepairReport RepairDatabase(const QString& path) {
    RepairReport report;
    const QString target = QFileInfo(path).absoluteFilePath();
    // Opening rolls back a journal left by a program that stopped mid-write.
    { openFile(target, false, false, false); }
    const QString aligned = pageAlignedCopy(target);
    const auto removeAligned = qScopeGuard([&] {
        if (!aligned.isEmpty()) QFile::remove(aligned);
    });
    const QString full = aligned.isEmpty() ? target : aligned;
    int applicationId = kApplicationId, userVersion = kFormatVersion;
    {
        bool cutShort = !aligned.isEmpty();
        try {
            openDatabase(full, false, true);
        } catch (const Error& e) {
            cutShort = e.number() == errDamaged;
        }
        const std::unique_ptr<Database> db = openFile(full, false, true, false);
        try {
            Statement check(db->handle(), "PRAGMA integrity_check", full);
            if (!cutShort && check.step() && check.text(0) == "ok" && !check.step()) return report;
        } catch (const Error&) {
            // Damage bad enough to stop the check itself: salvage below.
        }
        try {
            Statement ids(db->handle(), "PRAGMA application_id", full);
            if (ids.step() && ids.integer(0) != 0) applicationId = int(ids.integer(0));
            Statement version(db->handle(), "PRAGMA user_version", full);
            if (version.step() && version.integer(0) != 0) userVersion = int(version.integer(0));
        } catch (const Error&) {
        }
    }
    report.wasDamaged = true;

    struct Object {
        QString type, name, sql;
    };
    QList<Object> objects;
    {
        const std::unique_ptr<Database> db = openFile(full, false, true, false);
        try {
            Statement st(db->handle(), "SELECT type, name, sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY rowid",
                         full);
            while (st.step()) objects.append({st.text(0), st.text(1), st.text(2)});
        } catch (const Error&) {
            throw Error(errDamaged,
                        QString("The Code Library '%1' is too badly damaged to be repaired: its list of tables cannot "
                                "be read.")
                            .arg(full));
        }
    }

    PendingFile pending(target);
    sqlite3* out = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(pending.path()).constData(), &out, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        sqlite3_close_v2(out);
        throw Error(errDiskIO, QString("Cannot create the repaired copy of '%1'.").arg(full));
    }
    try {
        Salvage salvage{out, report, full};
        // Rows are copied in small transactions: a read of a damaged page can end a transaction that spans
        // it. The copy is only a work file, so nothing is synced until it is complete (the stamp below).
        exec(out, "PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF", full);
        exec(out, "BEGIN", full);
        // A search index's own tables come with it; its rows are made anew below.
        const auto indexPart = [](const Object& o) {
            return isSearchIndexTable(o.name) && !o.sql.startsWith("CREATE VIRTUAL", Qt::CaseInsensitive);
        };
        for (const Object& o : objects)
            if (o.type == "table" && !o.name.startsWith("sqlite_") && !indexPart(o)) exec(out, o.sql, full);
        exec(out, "COMMIT", full);
        exec(out, "PRAGMA writable_schema = ON", full);  // see openFile: read a file cut short too
        exec(out, "ATTACH DATABASE " + quoteLiteral(full) + " AS old", full);
        for (const Object& o : objects) {
            if (o.type != "table" || o.name.startsWith("sqlite_") || isSearchIndexTable(o.name)) continue;
            QStringList columns, blobs;
            Statement info(out, "PRAGMA main.table_info(" + quoteIdent(o.name) + ")", full);
            while (info.step()) {
                columns << info.text(1);
                if (columnFromDeclaration(info.text(1), info.text(2)).type == dbLongBinary) blobs << info.text(1);
            }
            salvage.copyRows(o.name, columns, blobs);
        }
        // Counters must not hand out keys that were used before the damage.
        if (!salvage.tryExec("INSERT OR REPLACE INTO main.sqlite_sequence SELECT * FROM old.sqlite_sequence"))
            report.lost << "the record of the highest keys used";
        for (const Object& o : objects) {
            if (o.type == "table" || o.name.startsWith("sqlite_")) continue;
            if (!salvage.tryExec(o.sql)) report.lost << QString("%1 %2").arg(o.type, o.name);
        }
        salvage.endTransaction(true);
        rebuildSearchIndexes(out, full);
        exec(out, "DETACH DATABASE old", full);
        exec(out, "PRAGMA synchronous = FULL", full);
        stamp(out, full, applicationId, userVersion);
        sqlite3_close_v2(out);
        out = nullptr;
    } catch (...) {
        sqlite3_close_v2(out);
        throw;
    }
    if (report.rowsRecovered == 0 && !report.lost.isEmpty() && objects.isEmpty())
        throw Error(errDamaged, QString("Nothing could be read from '%1'.").arg(full));
    QFile::remove(target + "-journal");
    pending.commit();
    return report;
}

}  // namespace engine
