// Rescuing what a damaged library file still holds: a copy of it that SQLite can read (DamagedCopy)
// and the copy of its rows into a new file (salvage). Every read of the damaged file is bounded by
// its pages, so that a repair always ends whatever the pages say, and each row is taken once.

#include "base/replace_file.h"
#include "store/engine/replication.h"
#include "store/engine/whole_file_p.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <optional>

namespace engine {

namespace {

quint32 be32(const uchar* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}
void putBe32(uchar* p, quint32 v) {
    for (int i = 3; i >= 0; --i, v >>= 8) p[i] = uchar(v);
}

QString tooDamaged(const QString& path, const QString& why) {
    return QString("The Code Library '%1' is too badly damaged to be repaired: %2.").arg(path, why);
}

// A table as only its rows are read: its columns without the constraints that would need indexes
// the damaged file may have lost. A table without rowid keeps its key: the key is the table.
QString readableTableSql(const SchemaObject& table) {
    if (table.name.startsWith("sqlite_", Qt::CaseInsensitive) ||
        table.sql.contains("WITHOUT ROWID", Qt::CaseInsensitive))
        return table.sql;
    const Connection scratch = connect(":memory:", SQLITE_OPEN_READWRITE);
    if (sqlite3_exec(scratch.get(), table.sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return QString();
    QStringList columns;
    QString alias;
    int keyColumns = 0;
    Statement info(scratch.get(), "PRAGMA table_info(" + quoteIdent(table.name) + ")", table.name);
    while (info.step()) {
        columns << quoteIdent(info.text(1)) + " " + info.text(2);
        if (info.integer(5) > 0 && ++keyColumns == 1 &&
            info.text(2).compare("INTEGER", Qt::CaseInsensitive) == 0)
            alias = info.text(1);
    }
    // The rowid's other name must stay one, or its values would read as Null.
    if (keyColumns == 1 && !alias.isEmpty()) {
        const int i = columns.indexOf(quoteIdent(alias) + " INTEGER");
        if (i >= 0) columns[i] += " PRIMARY KEY";
    }
    return QString("CREATE TABLE %1(%2)").arg(quoteIdent(table.name), columns.join(", "));
}

}  // namespace

// ---- The readable copy -------------------------------------------------------------------------

DamagedCopy::DamagedCopy(const QString& path, const FileHeader& header) : m_path(pathFor(path)) {
    copyWholePages(path, header);
    if (!readSchema()) rebuildSchema(header);
}

DamagedCopy::~DamagedCopy() {
    QFile::remove(m_path);
    QFile::remove(m_path + "-journal");
}

void DamagedCopy::copyWholePages(const QString& from, const FileHeader& header) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw Error(errCantOpen, QString("The file '%1' cannot be read.").arg(from));
    const QString folder = QFileInfo(m_path).absolutePath();
    const int out =
        ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) throw mrv::writeError(errno, folder, from);
    const auto closeOut = qScopeGuard([out] { ::close(out); });
    m_pages = header.fileSize / header.pageSize;
    for (qint64 left = m_pages * header.pageSize; left > 0;) {
        QByteArray block = in.read(qMin<qint64>(left, 1 << 20));
        if (block.isEmpty()) throw Error(errDiskIO, QString("The file '%1' cannot be read.").arg(from));
        if (left == m_pages * header.pageSize && block.size() >= 32)
            putBe32(reinterpret_cast<uchar*>(block.data()) + 28, quint32(m_pages));  // what is really there
        mrv::writeAll(out, block.constData(), block.size(), folder, from);
        left -= block.size();
    }
}

// Reads the list of tables; true when the schema also loads as it stands, with every table's pages
// in the file.
bool DamagedCopy::readSchema() {
    m_objects.clear();
    const Connection db = connect(m_path, SQLITE_OPEN_READWRITE);
    exec(db.get(), "PRAGMA writable_schema = ON", m_path);
    bool loads = true;
    // A schema that does not load fails the first statement; the second reads the list as it stands.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::unique_ptr<Statement> list;
        try {
            list = std::make_unique<Statement>(
                db.get(), "SELECT type, name, tbl_name, rootpage, sql FROM sqlite_master ORDER BY rowid",
                m_path);
        } catch (const Error&) {
            loads = false;
            continue;
        }
        try {
            while (list->step()) {
                const SchemaObject o{list->text(0), list->text(1), list->text(2), list->text(4),
                                     list->integer(3)};
                if ((o.type == "table" || o.type == "index") && (o.rootPage < 1 || o.rootPage > m_pages))
                    loads = false;
                m_objects.append(o);
            }
        } catch (const Error&) {
            return false;  // cut off part-way: what was read is what there is
        }
        return loads;
    }
    return false;
}

void DamagedCopy::rebuildSchema(const FileHeader& header) {
    if (header.encoding != 1 || header.reservedBytes != 0 ||
        std::none_of(m_objects.begin(), m_objects.end(),
                     [](const SchemaObject& o) { return o.type == "table"; }))
        throw Error(errDamaged, tooDamaged(m_path, "its list of tables cannot be read"));
    // The old first page held nothing but the start of the list: a new one takes its place.
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite)) throw Error(errCantOpen, tooDamaged(m_path, "it cannot be read"));
    const QByteArray first = firstPage(file, header);
    if (!file.seek(0) || file.write(first) != first.size() || !file.flush())
        throw Error(errDiskIO, tooDamaged(m_path, "its list of tables cannot be rebuilt"));
    file.close();
    const QList<SchemaObject> everything = m_objects;
    if (!readSchema()) throw Error(errDamaged, tooDamaged(m_path, "its list of tables cannot be rebuilt"));
    m_objects = everything;  // the new file gets every object, with the tables that lost their rows empty
}

namespace {

// Whether the table's root page is still in the file and is the root of a tree of its kind.
bool rootIsThere(QFile& file, const SchemaObject& table, qint64 pageSize, qint64 pages) {
    if (table.rootPage < 2 || table.rootPage > pages || !file.seek((table.rootPage - 1) * pageSize))
        return false;
    const QByteArray kind = file.read(1);
    if (kind.isEmpty()) return false;
    if (table.sql.contains("WITHOUT ROWID", Qt::CaseInsensitive)) return kind[0] == 0x02 || kind[0] == 0x0A;
    return kind[0] == 0x05 || kind[0] == 0x0D;
}

}  // namespace

// A first page whose list holds the tables whose pages are still there, made by SQLite itself in a
// database of the same page size, with the damaged file's page count and stamp.
QByteArray DamagedCopy::firstPage(QFile& file, const FileHeader& header) const {
    const Connection shadow = connect(":memory:", SQLITE_OPEN_READWRITE);
    exec(shadow.get(), QString("PRAGMA page_size = %1; PRAGMA writable_schema = ON").arg(header.pageSize),
         m_path);
    Statement add(
        shadow.get(),
        "INSERT INTO sqlite_master(type, name, tbl_name, rootpage, sql) VALUES ('table', ?1, ?1, ?2, ?3)",
        m_path);
    for (const SchemaObject& table : m_objects) {
        if (table.type != "table") continue;
        const QString sql = readableTableSql(table);
        if (sql.isEmpty() || !rootIsThere(file, table, header.pageSize, m_pages))
            continue;  // the salvage says so
        add.reset();
        add.bind(1, table.name);
        add.bind(2, table.rootPage);
        add.bind(3, sql);
        add.step();
    }
    sqlite3_int64 size = 0;
    const std::unique_ptr<uchar, void (*)(void*)> image(sqlite3_serialize(shadow.get(), "main", &size, 0),
                                                        sqlite3_free);
    if (!image || size != header.pageSize)
        throw Error(errDamaged, tooDamaged(m_path, "its list of tables cannot be rebuilt"));
    uchar* first = image.get();
    putBe32(first + 24, 1);  // the change counter, and the version the page count is valid for
    putBe32(first + 92, 1);
    putBe32(first + 28, quint32(m_pages));
    putBe32(first + 40, be32(first + 40) + 1);
    putBe32(first + 60, quint32(header.userVersion));
    putBe32(first + 68, quint32(header.applicationId));
    return QByteArray(reinterpret_cast<const char*>(first), int(size));
}

// ---- Copying the rows --------------------------------------------------------------------------

namespace {

struct TableShape {
    QString name, quoted;
    QStringList columns, blobColumns, keyColumns;
    bool hasRowid = true;
};

class Salvage {
public:
    Salvage(const DamagedCopy& source, const QString& outPath, RepairReport& report)
        : m_source(source),
          m_outPath(outPath),
          m_report(report),
          m_out(connect(outPath, SQLITE_OPEN_READWRITE)) {
        // Rows move in many small transactions of a work file that is synced once, when complete.
        exec(m_out.get(),
             "PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF; PRAGMA cell_size_check = ON", outPath);
        sqlite3_progress_handler(m_out.get(), 1000, &Salvage::spend, this);
    }
    ~Salvage() { sqlite3_progress_handler(m_out.get(), 0, nullptr, nullptr); }

    void run(const FileHeader& stamp) {
        createTables();
        exec(m_out.get(), "ATTACH DATABASE " + quoteLiteral(m_source.path()) + " AS old", m_outPath);
        // The search index is derived: its tables come with its definition and its rows are made anew.
        for (const SchemaObject& o : m_source.objects())
            if (o.type == "table" && !o.name.startsWith("sqlite_", Qt::CaseInsensitive) &&
                !isSearchIndexTable(o.name))
                copyTable(o.name);
        copyCounters();
        if (tableExists("main", "mrv_replica"))
            m_report.replicaRebased = RebaseAfterRepair(m_out.get(), m_outPath, m_bookkeepingLost);
        createOtherObjects();
        rebuildSearchIndexes(m_out.get(), m_outPath);
        exec(m_out.get(), "DETACH DATABASE old", m_outPath);
        m_report.lost.removeDuplicates();
        execWriting(QString("PRAGMA application_id = %1; PRAGMA user_version = %2")
                        .arg(stamp.applicationId ? stamp.applicationId : kApplicationId)
                        .arg(stamp.userVersion ? stamp.userVersion : kFormatVersion));
    }

private:
    // A damaged file can send a read round in circles: every table gets a budget of steps in
    // proportion to the pages of the file, and a read that spends it ends as damaged.
    static int spend(void* self) { return --static_cast<Salvage*>(self)->m_budget < 0 ? 1 : 0; }
    void refillBudget() { m_budget = 1000 + m_source.pages() * 100; }

    // false when the damaged file cannot be read; a failure to write throws.
    bool tryExec(const QString& sql) {
        const int rc = sqlite3_exec(m_out.get(), sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK && isWriteFailure(rc)) throwWriteFailure(m_out.get(), rc, m_outPath, m_outPath);
        return rc == SQLITE_OK;
    }
    void execWriting(const QString& sql) {
        const int rc = sqlite3_exec(m_out.get(), sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) throwWriteFailure(m_out.get(), rc, m_outPath, m_outPath);
    }
    // Steps a statement, throwing on a failure to write; the result code otherwise.
    int step(sqlite3_stmt* st) {
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE && isWriteFailure(rc))
            throwWriteFailure(m_out.get(), rc, m_outPath, m_outPath);
        return rc;
    }

    bool tableExists(const char* schema, const QString& name) {
        Statement st(m_out.get(),
                     QString("SELECT 1 FROM %1.sqlite_master WHERE type = 'table' AND name = ?1").arg(schema),
                     m_outPath);
        st.bind(1, name);
        return st.step();
    }

    // The engine's own tables are told of as a whole, by what losing them means for a replica.
    void lose(const TableShape& t, const QString& what) {
        if (isHiddenName(t.name))
            m_bookkeepingLost = true;
        else
            m_report.lost << what;
    }

    void createTables() {
        execWriting("BEGIN");
        for (const SchemaObject& o : m_source.objects()) {
            if (o.type != "table" || o.name.startsWith("sqlite_", Qt::CaseInsensitive)) continue;
            if (isSearchIndexTable(o.name) && !o.sql.startsWith("CREATE VIRTUAL", Qt::CaseInsensitive))
                continue;
            if (!tryExec(o.sql)) m_report.lost << QString("table %1 (its definition is damaged)").arg(o.name);
        }
        execWriting("COMMIT");
    }

    TableShape shapeOf(const QString& table) {
        TableShape t;
        t.name = table;
        t.quoted = quoteIdent(table);
        QMap<int, QString> key;
        Statement info(m_out.get(), "PRAGMA main.table_info(" + t.quoted + ")", m_outPath);
        while (info.step()) {
            t.columns << quoteIdent(info.text(1));
            if (columnFromDeclaration(info.text(1), info.text(2)).type == dbLongBinary)
                t.blobColumns << quoteIdent(info.text(1));
            if (info.integer(5) > 0) key.insert(int(info.integer(5)), quoteIdent(info.text(1)));
        }
        t.keyColumns = key.values();
        sqlite3_stmt* probe = nullptr;
        t.hasRowid =
            sqlite3_prepare_v2(m_out.get(), ("SELECT rowid FROM main." + t.quoted).toUtf8().constData(), -1,
                               &probe, nullptr) == SQLITE_OK;
        sqlite3_finalize(probe);
        return t;
    }

    void copyTable(const QString& table) {
        if (!tableExists("main", table)) return;
        const TableShape t = shapeOf(table);
        if (!tableExists("old", table)) {
            lose(t, QString("all rows of %1 (its pages are gone)").arg(table));
            return;
        }
        refillBudget();
        if (copyAll(t)) return;
        refillBudget();
        if (t.hasRowid)
            copyByRowid(t);
        else
            copyByKey(t);
    }

    // The whole table in one statement: the usual case, where the damage lies elsewhere.
    bool copyAll(const TableShape& t) {
        const QString rowid = t.hasRowid ? "rowid, " : "";
        execWriting("BEGIN");
        // A torn tree can list a row twice; the first one read is kept.
        if (tryExec(QString("INSERT OR IGNORE INTO main.%1(%2%3) SELECT %2%3 FROM old.%1")
                        .arg(t.quoted, rowid, t.columns.join(", ")))) {
            const int copied = sqlite3_changes(m_out.get());
            execWriting("COMMIT");
            m_report.rowsRecovered += copied;
            return true;
        }
        if (!sqlite3_get_autocommit(m_out.get())) tryExec("ROLLBACK");
        return false;
    }

    enum class Found { Row, End, Damaged, Exhausted };

    // The first row at or after from; a row before from is the damage of a tree out of order.
    Found seek(Statement& next, qint64 from, qint64& rowid) {
        next.reset();
        sqlite3_bind_int64(next.get(), 1, from);
        const int rc = step(next.get());
        if (rc == SQLITE_ROW) {
            rowid = sqlite3_column_int64(next.get(), 0);
            return rowid >= from ? Found::Row : Found::Damaged;
        }
        if (rc == SQLITE_DONE) return Found::End;
        return (rc & 0xff) == SQLITE_INTERRUPT ? Found::Exhausted : Found::Damaged;
    }

    // Where the readable rows go on after a damaged stretch from from: probes further and further
    // ahead, then narrows back so that no readable row is skipped. Empty when nothing after it reads.
    std::optional<qint64> pastDamage(Statement& next, qint64 from) {
        qint64 bad = from, probe = from, gap = 1, rowid = 0;
        Found result = Found::Damaged;
        while (result == Found::Damaged && probe < INT64_MAX - gap) {
            probe += gap;
            gap *= 2;
            result = seek(next, probe, rowid);
            if (result == Found::Damaged) bad = probe;
        }
        if (result != Found::Row) return std::nullopt;
        qint64 good = probe;
        while (good - bad > 1) {
            const qint64 mid = bad + (good - bad) / 2;
            const Found at = seek(next, mid, rowid);
            if (at == Found::Exhausted) return std::nullopt;
            (at == Found::Damaged ? bad : good) = mid;
        }
        return good;
    }

    // Row by row: in the table's own order as far as it reads, then by seeking every key from the
    // start past the damaged stretches.
    void copyByRowid(const TableShape& t) {
        std::unique_ptr<Statement> scan, next, whole, partial;
        QStringList withoutBlobs;
        for (const QString& c : t.columns) withoutBlobs << (t.blobColumns.contains(c) ? "NULL" : c);
        try {
            scan = std::make_unique<Statement>(m_out.get(), QString("SELECT rowid FROM old.%1").arg(t.quoted),
                                               m_outPath);
            next = std::make_unique<Statement>(
                m_out.get(),
                QString("SELECT rowid FROM old.%1 WHERE rowid >= ?1 ORDER BY rowid LIMIT 1").arg(t.quoted),
                m_outPath);
            const QString insert(
                "INSERT OR IGNORE INTO main.%1(rowid, %2) SELECT rowid, %3 FROM old.%1 WHERE rowid = ?1");
            whole = std::make_unique<Statement>(
                m_out.get(), insert.arg(t.quoted, t.columns.join(", "), t.columns.join(", ")), m_outPath);
            partial = std::make_unique<Statement>(
                m_out.get(), insert.arg(t.quoted, t.columns.join(", "), withoutBlobs.join(", ")), m_outPath);
        } catch (const Error&) {
            lose(t, QString("all rows of %1").arg(t.name));
            return;
        }
        int rc;
        while ((rc = step(scan->get())) == SQLITE_ROW)
            copyRow(t, *whole, *partial, sqlite3_column_int64(scan->get(), 0));
        scan->reset();
        if (rc == SQLITE_DONE) return;
        refillBudget();
        seekRows(t, *next, *whole, *partial);
    }

    void seekRows(const TableShape& t, Statement& next, Statement& whole, Statement& partial) {
        qint64 from = INT64_MIN, rowid = 0;
        while (true) {
            const Found found = seek(next, from, rowid);
            if (found == Found::End) return;
            // Keys are told from the first one read on; before it, the rows are simply not reached.
            const QString fromKey = from == INT64_MIN ? QString("the start") : QString("key %1").arg(from);
            if (found == Found::Exhausted) {
                lose(t, QString("rows of %1 from %2 on (its pages lead in circles)").arg(t.name, fromKey));
                return;
            }
            if (found == Found::Damaged) {
                const std::optional<qint64> resume = pastDamage(next, from);
                if (!resume) {
                    lose(t, QString("rows of %1 from %2 on").arg(t.name, fromKey));
                    return;
                }
                lose(t, QString("rows of %1 from %2 to key %3").arg(t.name, fromKey).arg(*resume - 1));
                from = *resume;
                continue;
            }
            copyRow(t, whole, partial, rowid);
            if (rowid == INT64_MAX) return;
            from = rowid + 1;
        }
    }

    // One row by its rowid; without its stored files when only those cannot be read. A row already
    // taken (a damaged tree can list one twice) is not taken again.
    void copyRow(const TableShape& t, Statement& whole, Statement& partial, qint64 rowid) {
        for (Statement* insert : {&whole, &partial}) {
            if (insert == &partial && t.blobColumns.isEmpty()) break;
            insert->reset();
            sqlite3_bind_int64(insert->get(), 1, rowid);
            if (step(insert->get()) != SQLITE_DONE) continue;
            if (sqlite3_changes(m_out.get()) == 1) {
                ++m_report.rowsRecovered;
                if (insert == &partial)
                    lose(t, QString("the stored data (%1) of row %2 of %3")
                                .arg(t.blobColumns.join(", "))
                                .arg(rowid)
                                .arg(t.name));
            }
            return;
        }
        lose(t, QString("row %1 of %2").arg(rowid).arg(t.name));
    }

    // Tables without rowid (the replicas' records of rows) in the order of their key: forwards up to
    // the damage, then backwards from the end to it.
    void copyByKey(const TableShape& t) {
        const QString keys = t.keyColumns.join(", ");
        QStringList params, descending;
        for (int i = 1; i <= t.keyColumns.size(); ++i) params << QString("?%1").arg(i);
        for (const QString& k : t.keyColumns) descending << k + " DESC";
        std::unique_ptr<Statement> forward, backward, insert;
        try {
            forward = std::make_unique<Statement>(
                m_out.get(), QString("SELECT %1 FROM old.%2 ORDER BY %1").arg(keys, t.quoted), m_outPath);
            backward = std::make_unique<Statement>(
                m_out.get(),
                QString("SELECT %1 FROM old.%2 ORDER BY %3").arg(keys, t.quoted, descending.join(", ")),
                m_outPath);
            insert = std::make_unique<Statement>(
                m_out.get(),
                QString("INSERT OR IGNORE INTO main.%1(%2) SELECT %2 FROM old.%1 WHERE (%3) = (%4)")
                    .arg(t.quoted, t.columns.join(", "), keys, params.join(", ")),
                m_outPath);
        } catch (const Error&) {
            lose(t, QString("all rows of %1").arg(t.name));
            return;
        }
        if (copyKeyed(*forward, *insert, false)) return;
        refillBudget();
        copyKeyed(*backward, *insert, true);
        lose(t, QString("rows of %1 in a damaged stretch").arg(t.name));
    }

    // Copies the rows a scan lists; true when it reached its end. Backwards it stops at the first
    // row already taken: the forward scan got that far.
    bool copyKeyed(Statement& scan, Statement& insert, bool stopAtTaken) {
        int rc;
        while ((rc = step(scan.get())) == SQLITE_ROW) {
            insert.reset();
            for (int i = 0; i < sqlite3_column_count(scan.get()); ++i)
                sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(scan.get(), i));
            if (step(insert.get()) != SQLITE_DONE) continue;
            if (sqlite3_changes(m_out.get()) == 1)
                ++m_report.rowsRecovered;
            else if (stopAtTaken)
                break;
        }
        scan.reset();
        return rc == SQLITE_DONE;
    }

    // Counters must not hand out keys that were used before the damage.
    void copyCounters() {
        if (!tableExists("main", "sqlite_sequence") || !tableExists("old", "sqlite_sequence")) return;
        if (!tryExec("INSERT OR REPLACE INTO main.sqlite_sequence SELECT * FROM old.sqlite_sequence"))
            m_report.lost << "the record of the highest keys used";
    }

    void createOtherObjects() {
        for (const SchemaObject& o : m_source.objects()) {
            if (o.type == "table" || o.sql.isEmpty() || o.name.startsWith("sqlite_", Qt::CaseInsensitive))
                continue;
            if (!tryExec(o.sql)) {
                if (isHiddenName(o.name))
                    m_bookkeepingLost = true;
                else
                    m_report.lost << QString("%1 %2").arg(o.type, o.name);
            }
        }
    }

    const DamagedCopy& m_source;
    QString m_outPath;
    RepairReport& m_report;
    Connection m_out;
    qint64 m_budget = 0;
    bool m_bookkeepingLost = false;
};

}  // namespace

void salvage(const DamagedCopy& source, const QString& outPath, const FileHeader& stamp,
             RepairReport& report) {
    Salvage(source, outPath, report).run(stamp);
}

}  // namespace engine
