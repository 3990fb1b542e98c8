#include "store/engine/replication.h"

#include "base/replace_file.h"
#include "store/engine/whole_file_p.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QUrl>
#include <QUuid>

#include <map>

namespace engine {

namespace {

std::function<void(int)> g_hook;

QString newId() {
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

// The engine's clock (see setClock), as the text change times are kept and compared in.
constexpr char kNow[] = "strftime('%Y-%m-%d %H:%M:%f','now')";

// Key blocks: the first member of a set draws from below 2^30, each replica from its own block of
// 2^20 keys above it, chosen from its identity.
constexpr qint64 kBlockSize = qint64(1) << 20;
constexpr qint64 kReplicaBlocks = 1023;
constexpr qint64 kFirstMemberLimit = (qint64(1) << 30) - 1;

qint64 blockBase(const QString& replicaId) {
    const QByteArray hash = QCryptographicHash::hash(replicaId.toUtf8(), QCryptographicHash::Sha1);
    const quint32 h = quint32(uchar(hash[0])) << 24 | quint32(uchar(hash[1])) << 16 |
                      quint32(uchar(hash[2])) << 8 | quint32(uchar(hash[3]));
    return (qint64(1) << 30) + qint64(1 + h % kReplicaBlocks) * kBlockSize;
}

// Where a row goes when its key is already taken by another row: a key derived from its identity,
// below zero so that it never moves the counters of new rows. Both sides of an exchange derive the
// same key, so the two files agree.
qint64 collisionKey(const QString& guid) {
    bool ok = false;
    const qint64 v = guid.left(7).toLongLong(&ok, 16);
    return -(1 + (ok ? v : qHash(guid)) % (qint64(1) << 28));
}

bool hasTable(sqlite3* db, const QString& schema, const QString& name) {
    Statement st(db, QString("SELECT 1 FROM %1.sqlite_master WHERE type = 'table' AND name = ?1").arg(schema),
                 fileOf(db, qPrintable(schema)));
    st.bind(1, name);
    return st.step();
}

struct TableShape {
    QString name;
    QString pk;            // the INTEGER PRIMARY KEY column, empty when the table has none
    QStringList columns;   // user columns other than pk
    QStringList declared;  // their declared types, for conflict tables
};

TableShape tableShape(sqlite3* db, const QString& schema, const QString& table) {
    TableShape shape;
    shape.name = table;
    Statement info(db, QString("PRAGMA %1.table_info(%2)").arg(schema, quoteIdent(table)),
                   fileOf(db, qPrintable(schema)));
    int pkCount = 0;
    QString pkName, pkType;
    while (info.step()) {
        const QString name = info.text(1);
        if (isHiddenName(name)) continue;
        if (info.integer(5) > 0) {
            ++pkCount;
            pkName = name;
            pkType = info.text(2);
        }
        shape.columns << name;
        shape.declared << info.text(2);
    }
    if (pkCount == 1 && pkType.compare("INTEGER", Qt::CaseInsensitive) == 0) {
        const int i = shape.columns.indexOf(pkName);
        shape.pk = pkName;
        shape.columns.removeAt(i);
        shape.declared.removeAt(i);
    }
    return shape;
}

QStringList userTables(sqlite3* db, const QString& schema) {
    Statement st(db,
                 QString("SELECT name FROM %1.sqlite_master WHERE type = 'table' ORDER BY rowid").arg(schema),
                 fileOf(db, qPrintable(schema)));
    QStringList names;
    while (st.step()) {
        const QString n = st.text(0);
        if (!n.startsWith("sqlite_", Qt::CaseInsensitive) && !isHiddenName(n)) names << n;
    }
    return names;
}

// Change tracking of a table: (name, statement) of each trigger.
QList<std::pair<QString, QString>> triggers(const QString& table) {
    const QString t = quoteLiteral(table);
    const QString self = "(SELECT replica_id FROM mrv_replica)";
    const QString gen = "(SELECT k.gen FROM mrv_knowledge k, mrv_replica r WHERE k.replica = r.replica_id)";
    const QString bump = "UPDATE mrv_knowledge SET gen = gen + 1 WHERE replica = " + self;
    const QString applying = "(SELECT applying FROM mrv_replica)";
    const QString q = quoteIdent(table);
    const QString insert = "mrv_" + table + "_insert", update = "mrv_" + table + "_update",
                  remove = "mrv_" + table + "_delete";
    return {
        {insert, QString("CREATE TRIGGER %1 AFTER INSERT ON %2 WHEN %3 = 0 BEGIN %4; "
                         "INSERT OR REPLACE INTO mrv_rows(tbl, rid, guid, origin, gen, time) "
                         "VALUES (%5, NEW.rowid, lower(hex(randomblob(16))), %6, %7, %8); END")
                     .arg(quoteIdent(insert), q, applying, bump, t, self, gen, kNow)},
        {update, QString("CREATE TRIGGER %1 AFTER UPDATE ON %2 WHEN %3 = 0 BEGIN %4; "
                         "UPDATE OR REPLACE mrv_rows SET rid = NEW.rowid, origin = %6, gen = %7, time = %8 "
                         "WHERE tbl = %5 AND rid = OLD.rowid; END")
                     .arg(quoteIdent(update), q, applying, bump, t, self, gen, kNow)},
        {remove,
         QString("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN "
                 "UPDATE mrv_knowledge SET gen = gen + 1 WHERE replica = %5 AND %3 = 0; "
                 "INSERT OR REPLACE INTO mrv_tombstones(tbl, guid, origin, gen, time) "
                 "SELECT %4, guid, %5, %6, %7 FROM mrv_rows WHERE tbl = %4 AND rid = OLD.rowid AND %3 = 0; "
                 "DELETE FROM mrv_rows WHERE tbl = %4 AND rid = OLD.rowid; END")
             .arg(quoteIdent(remove), q, applying, t, self, gen, kNow)},
    };
}

// Above every key the table has ever used, so that deleted keys are never handed out again.
QString firstFreeKey(sqlite3* db, const QString& table) {
    Statement st(db,
                 QString("SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = ?1), 0), "
                         "coalesce((SELECT max(rowid) FROM %1), 0)) + 1")
                     .arg(quoteIdent(table)),
                 fileOf(db));
    st.bind(1, table);
    st.step();
    return QString::number(st.integer(0));
}

void step(int& counter) {
    ++counter;
    if (g_hook) g_hook(counter);
}

}  // namespace

void setExchangeHook(std::function<void(int)> hook) {
    g_hook = std::move(hook);
}

bool isReplicable(Database& db) {
    if (!db.handle())
        throw Error(errObjectClosed, QString("The Code Library '%1' is closed.").arg(db.Name()));
    return hasTable(db.handle(), "main", "mrv_replica");
}

ReplicaIdentity replicaIdentity(Database& db) {
    if (!isReplicable(db)) return {};
    Statement st(db.handle(), "SELECT set_id, replica_id, description FROM mrv_replica", db.Name());
    if (!st.step()) return {};
    return {st.text(0), st.text(1), st.text(2)};
}

void MakeReplicable(Database& db, const QList<ReplicaReference>& references) {
    sqlite3* h = db.handle();
    if (!h) throw Error(errObjectClosed, QString("The Code Library '%1' is closed.").arg(db.Name()));
    const QString ctx = db.Name();
    Savepoint savepoint(h, "mrv_replicable", ctx);
    if (!hasTable(h, "main", "mrv_replica")) {
        const QString id = newId();
        exec(h,
             "CREATE TABLE mrv_replica(set_id TEXT NOT NULL, replica_id TEXT NOT NULL, description TEXT, "
             "applying INTEGER NOT NULL DEFAULT 0);"
             "CREATE TABLE mrv_knowledge(replica TEXT PRIMARY KEY, gen INTEGER NOT NULL, "
             "purged INTEGER NOT NULL DEFAULT 0);"
             "CREATE TABLE mrv_rows(tbl TEXT NOT NULL, rid INTEGER NOT NULL, guid TEXT NOT NULL, "
             "origin TEXT NOT NULL, gen INTEGER NOT NULL, time TEXT NOT NULL, PRIMARY KEY(tbl, rid)) WITHOUT "
             "ROWID;"
             "CREATE UNIQUE INDEX mrv_rows_guid ON mrv_rows(tbl, guid);"
             "CREATE INDEX mrv_rows_change ON mrv_rows(tbl, origin, gen);"
             "CREATE TABLE mrv_tombstones(tbl TEXT NOT NULL, guid TEXT NOT NULL, origin TEXT NOT NULL, "
             "gen INTEGER NOT NULL, time TEXT NOT NULL, PRIMARY KEY(tbl, guid)) WITHOUT ROWID;"
             "CREATE INDEX mrv_tombstones_change ON mrv_tombstones(origin, gen);"
             "CREATE TABLE mrv_references(tbl TEXT NOT NULL, col TEXT NOT NULL, target TEXT NOT NULL, "
             "PRIMARY KEY(tbl, col)) WITHOUT ROWID;"
             "CREATE TABLE mrv_keys(tbl TEXT PRIMARY KEY, next INTEGER NOT NULL, last INTEGER NOT NULL);"
             "CREATE TABLE mrv_partners(replica TEXT PRIMARY KEY, path TEXT, last_exchange TEXT);"
             "CREATE TABLE mrv_conflicts(id INTEGER PRIMARY KEY, tbl TEXT NOT NULL, guid TEXT NOT NULL, "
             "reason TEXT NOT NULL, recorded TEXT NOT NULL, origin TEXT, gen INTEGER, time TEXT);",
             ctx);
        exec(h,
             QString("INSERT INTO mrv_replica(set_id, replica_id, description) VALUES (%1, %2, '');"
                     "INSERT INTO mrv_knowledge(replica, gen) VALUES (%2, 0);")
                 .arg(quoteLiteral(newId()), quoteLiteral(id)),
             ctx);
    }
    Statement self(h, "SELECT replica_id FROM mrv_replica", ctx);
    self.step();
    const QString id = self.text(0);
    for (const QString& table : userTables(h, "main")) {
        const TableShape shape = tableShape(h, "main", table);
        // Rows already there belong to the set from its start: counter 0 of this member.
        exec(h,
             QString("INSERT INTO mrv_rows(tbl, rid, guid, origin, gen, time) "
                     "SELECT %1, t.rowid, lower(hex(randomblob(16))), %2, 0, %3 FROM %4 AS t "
                     "WHERE NOT EXISTS (SELECT 1 FROM mrv_rows m WHERE m.tbl = %1 AND m.rid = t.rowid)")
                 .arg(quoteLiteral(table), quoteLiteral(id), kNow, quoteIdent(table)),
             ctx);
        for (const auto& [name, sql] : triggers(table)) ensureTrigger(h, name, sql, ctx);
        if (!shape.pk.isEmpty()) {
            exec(h,
                 QString("INSERT OR IGNORE INTO mrv_keys(tbl, next, last) VALUES (%1, %2, %3)")
                     .arg(quoteLiteral(table), firstFreeKey(h, table))
                     .arg(kFirstMemberLimit),
                 ctx);
        }
    }
    for (const ReplicaReference& r : references) {
        if (!hasTable(h, "main", r.table) || !hasTable(h, "main", r.target)) continue;
        exec(h,
             QString("INSERT OR IGNORE INTO mrv_references(tbl, col, target) VALUES (%1, %2, %3)")
                 .arg(quoteLiteral(r.table), quoteLiteral(r.column), quoteLiteral(r.target)),
             ctx);
    }
    exec(h,
         "CREATE TABLE IF NOT EXISTS mrv_properties(Name TEXT PRIMARY KEY COLLATE NOCASE, Type INTEGER, "
         "Value);"
         "INSERT OR REPLACE INTO mrv_properties(Name, Type, Value) VALUES ('Replicable', 10, 'T')",
         ctx);
    installTypeChecks(h, ctx);  // they now stand aside while an exchange applies rows
    savepoint.release();
}

qint64 nextReplicaKey(sqlite3* db, const QString& table) {
    if (!hasTable(db, "main", "mrv_keys")) return -1;
    Statement keys(db, "SELECT next, last FROM mrv_keys WHERE tbl = ?1", fileOf(db));
    keys.bind(1, table);
    if (!keys.step()) return -1;
    qint64 next = keys.integer(0);
    const qint64 last = keys.integer(1);
    keys.reset();
    Statement used(db, QString("SELECT 1 FROM %1 WHERE rowid = ?1").arg(quoteIdent(table)), fileOf(db));
    for (; next <= last; ++next) {
        used.reset();
        used.bind(1, next);
        if (!used.step()) break;
    }
    if (next > last) return -1;  // the block is used up: the engine's own counter takes over
    Statement save(db, "UPDATE mrv_keys SET next = ?1 WHERE tbl = ?2", fileOf(db));
    save.bind(1, next + 1);
    save.bind(2, table);
    save.step();
    return next;
}

void MakeReplica(Database& db, const QString& path, const QString& description, int options) {
    Q_UNUSED(options);  // no partial or read-only replicas: every member holds every row
    if (QFileInfo::exists(path))
        throw Error(errDatabaseExists,
                    QString("Cannot make a replica at '%1': a file of that name already exists.").arg(path));
    if (!isReplicable(db)) MakeReplicable(db);
    // The new member is private when its source is.
    mrv::FileReplacement out(path, mrv::FileReplacement::CreateNew, db.Name());
    const QString full = out.target();
    const QString work = out.workPath();
    try {
        const int rc = sqlite3_exec(db.handle(), ("VACUUM INTO " + quoteLiteral(work)).toUtf8().constData(),
                                    nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) throwWriteFailure(db.handle(), rc, work, full);
        mrv::fileStep();
        {
            const std::unique_ptr<Database> copy = openDatabase(work);
            sqlite3* h = copy->handle();
            const QString id = newId();
            exec(h, "BEGIN IMMEDIATE", work);
            Statement setId(h, "UPDATE mrv_replica SET replica_id = ?1, description = ?2, applying = 0",
                            work);
            setId.bind(1, id);
            setId.bind(2, description);
            setId.step();
            exec(h,
                 QString("INSERT INTO mrv_knowledge(replica, gen) VALUES (%1, 0);"
                         "DELETE FROM mrv_partners; DELETE FROM mrv_conflicts;"
                         "UPDATE mrv_keys SET next = %2, last = %3;")
                     .arg(quoteLiteral(id))
                     .arg(blockBase(id))
                     .arg(blockBase(id) + kBlockSize - 1),
                 work);
            for (const QString& table : userTables(h, "main"))
                if (hasTable(h, "main", "mrv_conflict_" + table))
                    exec(h, "DROP TABLE " + quoteIdent("mrv_conflict_" + table), work);
            exec(h, "COMMIT", work);
            exec(h,
                 QString("PRAGMA application_id = %1; PRAGMA user_version = %2; PRAGMA journal_mode = DELETE")
                     .arg(kApplicationId)
                     .arg(kFormatVersion),
                 work);
        }
        mrv::fileStep();
        out.commit();
    } catch (const Error& e) {
        // The work file is never named: the replica is what the user asked for.
        throw Error(e.number(), QString(e.description()).replace(work, full));
    }
}

void StartNewReplicaSet(Database& db) {
    if (!isReplicable(db)) {
        MakeReplicable(db);
        return;
    }
    sqlite3* h = db.handle();
    const QString ctx = db.Name();
    const QString id = newId();
    Savepoint savepoint(h, "mrv_newset", ctx);
    exec(h,
         QString("UPDATE mrv_replica SET set_id = %1, replica_id = %2, description = '', applying = 0;"
                 "DELETE FROM mrv_knowledge; INSERT INTO mrv_knowledge(replica, gen) VALUES (%2, 0);"
                 "UPDATE mrv_rows SET origin = %2, gen = 0;"
                 "DELETE FROM mrv_tombstones; DELETE FROM mrv_partners; DELETE FROM mrv_conflicts;")
             .arg(quoteLiteral(newId()), quoteLiteral(id)),
         ctx);
    for (const QString& table : userTables(h, "main")) {
        if (hasTable(h, "main", "mrv_conflict_" + table))
            exec(h, "DROP TABLE " + quoteIdent("mrv_conflict_" + table), ctx);
        if (!tableShape(h, "main", table).pk.isEmpty())
            exec(h,
                 QString("UPDATE mrv_keys SET next = max(next, %1), last = %2 WHERE tbl = %3")
                     .arg(firstFreeKey(h, table))
                     .arg(kFirstMemberLimit)
                     .arg(quoteLiteral(table)),
                 ctx);
    }
    savepoint.release();
}

namespace {

qint64 countOf(sqlite3* db, const QString& sql, const QString& context) {
    Statement st(db, sql, context);
    return st.step() ? st.integer(0) : 0;
}

// Rows without a record, and records without a row, over every user table.
std::pair<qint64, qint64> unmatchedRows(sqlite3* db, const QStringList& tables, const QString& context) {
    qint64 unrecorded = 0, gone = 0;
    for (const QString& table : tables) {
        const QString q = quoteIdent(table), t = quoteLiteral(table);
        unrecorded += countOf(db,
                              QString("SELECT count(*) FROM main.%1 AS r WHERE NOT EXISTS "
                                      "(SELECT 1 FROM main.mrv_rows m WHERE m.tbl = %2 AND m.rid = r.rowid)")
                                  .arg(q, t),
                              context);
        gone += countOf(db,
                        QString("SELECT count(*) FROM main.mrv_rows m WHERE m.tbl = %2 AND NOT EXISTS "
                                "(SELECT 1 FROM main.%1 WHERE rowid = m.rid)")
                            .arg(q, t),
                        context);
    }
    return {unrecorded, gone};
}

}  // namespace

QString RebaseAfterRepair(sqlite3* db, const QString& context, bool bookkeepingLost) {
    const QStringList tables = userTables(db, "main");
    const auto [unrecorded, gone] = unmatchedRows(db, tables, context);
    const bool identity =
        countOf(db, "SELECT count(*) FROM main.mrv_replica", context) == 1 &&
        countOf(
            db,
            "SELECT count(*) FROM main.mrv_knowledge k JOIN main.mrv_replica r ON k.replica = r.replica_id",
            context) == 1;
    const qint64 twins = countOf(
        db, "SELECT count(*) FROM (SELECT 1 FROM main.mrv_rows GROUP BY tbl, guid HAVING count(*) > 1)",
        context);
    if (!bookkeepingLost && identity && unrecorded == 0 && gone == 0 && twins == 0) return QString();
    // A library that never exchanged with another has nobody to tell.
    const bool shared = !identity || countOf(db, "SELECT count(*) FROM main.mrv_partners", context) > 0 ||
                        countOf(db,
                                "SELECT count(*) FROM main.mrv_knowledge WHERE replica NOT IN (SELECT "
                                "replica_id FROM main.mrv_replica)",
                                context) > 0;

    // A new identity that has received nothing: the other members send all they have (rows lost here
    // come back), and take every change made here, under the old identity or the new one.
    QString setId = newId(), description;
    {
        Statement old(db, "SELECT set_id, description FROM main.mrv_replica", context);
        if (old.step()) setId = old.text(0), description = old.text(1);
    }
    const QString id = newId();
    QStringList sql{
        "DELETE FROM main.mrv_replica",
        QString("INSERT INTO main.mrv_replica(set_id, replica_id, description) VALUES (%1, %2, %3)")
            .arg(quoteLiteral(setId), quoteLiteral(id), quoteLiteral(description)),
        "DELETE FROM main.mrv_knowledge",
        QString("INSERT INTO main.mrv_knowledge(replica, gen) VALUES (%1, 1)").arg(quoteLiteral(id)),
        "DELETE FROM main.mrv_rows WHERE (tbl, rid) NOT IN (SELECT tbl, min(rid) FROM main.mrv_rows GROUP BY "
        "tbl, guid)",
        QString("UPDATE main.mrv_keys SET next = %1, last = %2")
            .arg(blockBase(id))
            .arg(blockBase(id) + kBlockSize - 1),
    };
    QStringList known;
    for (const QString& table : tables) {
        const QString q = quoteIdent(table), t = quoteLiteral(table);
        known << t;
        sql << QString(
                   "DELETE FROM main.mrv_rows WHERE tbl = %2 AND NOT EXISTS (SELECT 1 FROM main.%1 WHERE "
                   "rowid = rid)")
                   .arg(q, t)
            << QString(
                   "INSERT INTO main.mrv_rows(tbl, rid, guid, origin, gen, time) "
                   "SELECT %2, r.rowid, lower(hex(randomblob(16))), %3, 1, %4 FROM main.%1 AS r WHERE NOT "
                   "EXISTS "
                   "(SELECT 1 FROM main.mrv_rows m WHERE m.tbl = %2 AND m.rid = r.rowid)")
                   .arg(q, t, quoteLiteral(id), kNow);
    }
    sql << QString("DELETE FROM main.mrv_rows WHERE tbl NOT IN (%1)")
               .arg(known.isEmpty() ? "''" : known.join(", "));
    exec(db, "SAVEPOINT mrv_rebase; " + sql.join("; ") + "; RELEASE mrv_rebase", context);
    if (!shared) return QString();

    QString text =
        "The replica records of this library could not be rescued whole, so it rejoins its replica set "
        "under a new identity: its next synchronisation exchanges every row again, and what was deleted "
        "here but not yet sent may come back.";
    if (unrecorded > 0)
        text += QString(" %1 rows that had lost their records will reach the other members as new rows.")
                    .arg(unrecorded);
    return text;
}

int PurgeTombstones(Database& db, const QDateTime& before) {
    if (!isReplicable(db)) return 0;
    sqlite3* h = db.handle();
    const QString cutoff = before.toUTC().toString("yyyy-MM-dd HH:mm:ss.zzz");
    Savepoint savepoint(h, "mrv_purge", db.Name());
    Statement mark(
        h,
        "UPDATE mrv_knowledge SET purged = max(purged, coalesce((SELECT max(gen) FROM mrv_tombstones t "
        "WHERE t.origin = mrv_knowledge.replica AND t.time < ?1), 0))",
        db.Name());
    mark.bind(1, cutoff);
    mark.step();
    Statement purge(h, "DELETE FROM mrv_tombstones WHERE time < ?1", db.Name());
    purge.bind(1, cutoff);
    purge.step();
    const int n = sqlite3_changes(h);
    savepoint.release();
    return n;
}

// ---- The exchange --------------------------------------------------------------------------

namespace {

struct Version {
    QString origin;
    qint64 gen = 0;
    QString time;
};

// The rule for a row changed in both files, or changed in one and deleted in the other:
//  - a deletion wins over a change; the changed row is kept whole in the receiving file's conflict
//    table;
//  - of two changes, the later one (by the time of the change, UTC) wins; at equal times the change
//    made in the replica with the greater identity wins; the loser is kept whole in the conflict table.
// Both files apply the same rule to the same two versions, so they converge whichever way the
// exchange runs.
bool incomingWins(const Version& incoming, const Version& local) {
    if (incoming.time != local.time) return incoming.time > local.time;
    return incoming.origin > local.origin;
}

class Exchange {
public:
    Exchange(const QString& srcPath, const QString& dstPath, SyncReport& report)
        : m_src(srcPath), m_dst(dstPath), m_report(report) {}

    void run() {
        const std::unique_ptr<Database> dst = openDatabase(m_dst);
        m_db = dst->handle();
        const QString uri =
            QUrl::fromLocalFile(QFileInfo(m_src).absoluteFilePath()).toString(QUrl::FullyEncoded) +
            "?mode=ro";
        exec(m_db, "ATTACH DATABASE " + quoteLiteral(uri) + " AS src", m_src);
        exec(m_db, "BEGIN IMMEDIATE", m_dst);
        try {
            check();
            exec(m_db, "UPDATE main.mrv_replica SET applying = 1", m_dst);
            loadKnowledge();
            const QStringList srcTables = userTables(m_db, "src");
            for (const QString& table : userTables(m_db, "main"))
                if (srcTables.contains(table, Qt::CaseInsensitive)) applyRows(table);
            applyDeletions();
            fixReferences();
            mergeKnowledge();
            exec(m_db, "UPDATE main.mrv_replica SET applying = 0", m_dst);
            step(m_steps);
            m_cache.clear();
            exec(m_db, "COMMIT", m_dst);
        } catch (...) {
            m_cache.clear();
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        exec(m_db, "DETACH DATABASE src", m_dst);
    }

private:
    void check() {
        if (!hasTable(m_db, "src", "mrv_replica"))
            throw Error(errNotUpdatable,
                        QString("'%1' is not a replica: it cannot be synchronised.").arg(m_src));
        if (!hasTable(m_db, "main", "mrv_replica"))
            throw Error(errNotUpdatable,
                        QString("'%1' is not a replica: it cannot be synchronised.").arg(m_dst));
        Statement ids(m_db,
                      "SELECT s.set_id, s.replica_id, d.set_id, d.replica_id FROM src.mrv_replica s, "
                      "main.mrv_replica d",
                      m_dst);
        if (!ids.step())
            throw Error(errDamaged, QString("The replica records of '%1' are missing.").arg(m_dst));
        if (ids.text(0) != ids.text(2))
            throw Error(errNotUpdatable,
                        QString("'%1' and '%2' are not members of the same replica set.").arg(m_src, m_dst));
        if (ids.text(1) == ids.text(3))
            throw Error(
                errNotUpdatable,
                QString("'%1' and '%2' are the same replica (one is a copy of the other); they cannot be "
                        "synchronised with each other.")
                    .arg(m_src, m_dst));
        m_srcId = ids.text(1);
        m_dstId = ids.text(3);
        Statement purged(
            m_db,
            "SELECT 1 FROM src.mrv_knowledge s LEFT JOIN main.mrv_knowledge d ON d.replica = s.replica "
            "WHERE s.purged > coalesce(d.gen, 0)",
            m_dst);
        if (purged.step())
            throw Error(
                errNotUpdatable,
                QString("'%1' has discarded records of deletions that '%2' has not yet received; the two can "
                        "no longer be synchronised safely.")
                    .arg(m_src, m_dst));
    }

    void loadKnowledge() {
        Statement st(m_db, "SELECT replica, gen FROM src.mrv_knowledge", m_src);
        while (st.step()) m_srcKnows.insert(st.text(0), st.integer(1));
        Statement refs(m_db, "SELECT tbl, col, target FROM main.mrv_references", m_dst);
        while (refs.step()) {
            m_refsFrom[refs.text(0)].append({refs.text(1), refs.text(2)});
            m_refsTo[refs.text(2)].append({refs.text(0), refs.text(1)});
        }
    }

    // Statements run once per row are prepared once per exchange.
    Statement& prepared(const QString& sql) {
        std::unique_ptr<Statement>& st = m_cache[sql];
        if (st)
            st->reset();
        else
            st = std::make_unique<Statement>(m_db, sql, m_dst);
        return *st;
    }

    bool mainHasTable(const QString& table) {
        auto it = m_mainTables.find(table);
        if (it == m_mainTables.end()) it = m_mainTables.insert(table, hasTable(m_db, "main", table));
        return *it;
    }

    bool srcKnows(const Version& v) const { return v.gen <= m_srcKnows.value(v.origin, -1); }

    TableShape shapeOf(const QString& table) {
        auto it = m_shapes.find(table);
        if (it != m_shapes.end()) return *it;
        TableShape main = tableShape(m_db, "main", table);
        const TableShape src = tableShape(m_db, "src", table);
        // Only the columns both files have travel; the rest keep their values.
        for (int i = main.columns.size() - 1; i >= 0; --i) {
            if (!src.columns.contains(main.columns[i], Qt::CaseInsensitive)) {
                main.columns.removeAt(i);
                main.declared.removeAt(i);
            }
        }
        return m_shapes.insert(table, main).value();
    }

    QString columnList(const TableShape& s, const QString& prefix = QString()) const {
        QStringList out;
        for (const QString& c : s.columns) out << prefix + quoteIdent(c);
        return out.join(", ");
    }

    void saveConflict(const QString& schema, const QString& table, qint64 rid, const QString& guid,
                      const Version& version, const QString& reason) {
        const TableShape s = shapeOf(table);
        const QString conflictTable = "mrv_conflict_" + table;
        if (!hasTable(m_db, "main", conflictTable)) {
            QStringList defs{"mrv_conflict INTEGER PRIMARY KEY"};
            if (!s.pk.isEmpty()) defs << quoteIdent(s.pk) + " INTEGER";
            for (int i = 0; i < s.columns.size(); ++i) defs << quoteIdent(s.columns[i]) + " " + s.declared[i];
            exec(m_db, QString("CREATE TABLE main.%1(%2)").arg(quoteIdent(conflictTable), defs.join(", ")),
                 m_dst);
        }
        Statement head(m_db,
                       "INSERT INTO main.mrv_conflicts(tbl, guid, reason, recorded, origin, gen, time) "
                       "VALUES (?1, ?2, ?3, " +
                           QString(kNow) + ", ?4, ?5, ?6)",
                       m_dst);
        head.bind(1, table);
        head.bind(2, guid);
        head.bind(3, reason);
        head.bind(4, version.origin);
        head.bind(5, version.gen);
        head.bind(6, version.time);
        head.step();
        const qint64 id = sqlite3_last_insert_rowid(m_db);
        const QString pkCol = s.pk.isEmpty() ? QString() : quoteIdent(s.pk) + ", ";
        Statement copy(
            m_db,
            QString("INSERT INTO main.%1(mrv_conflict, %2%3) SELECT ?1, %2%3 FROM %4.%5 WHERE rowid = ?2")
                .arg(quoteIdent(conflictTable), pkCol, columnList(s), schema, quoteIdent(table)),
            m_dst);
        copy.bind(1, id);
        copy.bind(2, rid);
        copy.step();
        ++m_report.conflicts;
    }

    bool keyTaken(const QString& table, qint64 key) {
        Statement& st = prepared(QString("SELECT 1 FROM main.%1 WHERE rowid = ?1").arg(quoteIdent(table)));
        st.bind(1, key);
        const bool taken = st.step();
        st.reset();
        return taken;
    }

    qint64 freeCollisionKey(const QString& table, const QString& guid) {
        qint64 key = collisionKey(guid);
        while (keyTaken(table, key)) --key;
        return key;
    }

    // Moves a row of this file to another key, with every reference to it.
    void moveLocalRow(const QString& table, qint64 from, qint64 to) {
        exec(m_db,
             QString("UPDATE main.%1 SET rowid = %2 WHERE rowid = %3")
                 .arg(quoteIdent(table))
                 .arg(to)
                 .arg(from),
             m_dst);
        exec(m_db,
             QString("UPDATE main.mrv_rows SET rid = %1 WHERE tbl = %2 AND rid = %3")
                 .arg(to)
                 .arg(quoteLiteral(table))
                 .arg(from),
             m_dst);
        for (const auto& [tbl, col] : m_refsTo.value(table))
            exec(m_db,
                 QString("UPDATE main.%1 SET %2 = %3 WHERE %2 = %4")
                     .arg(quoteIdent(tbl), quoteIdent(col))
                     .arg(to)
                     .arg(from),
                 m_dst);
        ++m_report.keysMoved;
    }

    void setMeta(const QString& table, qint64 rid, const QString& guid, const Version& v) {
        Statement& st = prepared(
            "INSERT OR REPLACE INTO main.mrv_rows(tbl, rid, guid, origin, gen, time) VALUES (?1, ?2, ?3, ?4, "
            "?5, ?6)");
        st.bind(1, table);
        st.bind(2, rid);
        st.bind(3, guid);
        st.bind(4, v.origin);
        st.bind(5, v.gen);
        st.bind(6, v.time);
        st.step();
    }

    qint64 insertRow(const QString& table, qint64 srid, const QString& guid) {
        const TableShape s = shapeOf(table);
        qint64 key = srid;
        if (!s.pk.isEmpty() && keyTaken(table, srid)) {
            Statement& occupant = prepared("SELECT guid FROM main.mrv_rows WHERE tbl = ?1 AND rid = ?2");
            occupant.bind(1, table);
            occupant.bind(2, srid);
            const QString other = occupant.step() ? occupant.text(0) : QString();
            occupant.reset();
            // The row with the smaller identity keeps the key; the other moves to its derived key.
            if (!other.isEmpty() && guid < other) {
                moveLocalRow(table, srid, freeCollisionKey(table, other));
            } else {
                key = freeCollisionKey(table, guid);
                ++m_report.keysMoved;
            }
        }
        const QString cols = columnList(s);
        const QString sep = s.columns.isEmpty() ? QString() : ", ";
        if (!s.pk.isEmpty()) {
            Statement& ins =
                prepared(QString("INSERT INTO main.%1(rowid%2%3) SELECT ?1%2%3 FROM src.%1 WHERE rowid = ?2")
                             .arg(quoteIdent(table), sep, cols));
            ins.bind(1, key);
            ins.bind(2, srid);
            ins.step();
            return key;
        }
        Statement& ins = prepared(QString("INSERT INTO main.%1(%2) SELECT %2 FROM src.%1 WHERE rowid = ?1")
                                      .arg(quoteIdent(table), cols));
        ins.bind(1, srid);
        ins.step();
        return sqlite3_last_insert_rowid(m_db);
    }

    void updateRow(const QString& table, qint64 lrid, qint64 srid) {
        const TableShape s = shapeOf(table);
        if (s.columns.isEmpty()) return;
        Statement& up = prepared(
            QString("UPDATE main.%1 SET (%2) = (SELECT %2 FROM src.%1 WHERE rowid = ?1) WHERE rowid = ?2")
                .arg(quoteIdent(table), columnList(s)));
        up.bind(1, srid);
        up.bind(2, lrid);
        up.step();
    }

    // True when the incoming row refers to a row that this file has deleted (an item filed in, or a
    // category moved under, a category deleted here).
    bool refersToDeletedRow(const QString& table, qint64 srid) {
        for (const auto& [col, target] : m_refsFrom.value(table)) {
            Statement& deleted = prepared(
                QString("SELECT 1 FROM src.%1 t JOIN src.mrv_rows r ON r.tbl = ?1 AND r.rid = t.%2 "
                        "JOIN main.mrv_tombstones d ON d.tbl = ?1 AND d.guid = r.guid WHERE t.rowid = ?2")
                    .arg(quoteIdent(table), quoteIdent(col)));
            deleted.bind(1, target);
            deleted.bind(2, srid);
            const bool found = deleted.step();
            deleted.reset();
            if (found) return true;
        }
        return false;
    }

    void applyRows(const QString& table) {
        Statement incoming(m_db,
                           "SELECT s.rid, s.guid, s.origin, s.gen, s.time, l.rid, l.origin, l.gen, l.time "
                           "FROM src.mrv_rows s "
                           "LEFT JOIN main.mrv_knowledge k ON k.replica = s.origin "
                           "LEFT JOIN main.mrv_rows l ON l.tbl = s.tbl AND l.guid = s.guid "
                           "WHERE s.tbl = ?1 AND s.gen > coalesce(k.gen, -1) ORDER BY s.rid",
                           m_src);
        incoming.bind(1, table);
        Statement tomb(m_db, "SELECT origin, gen, time FROM main.mrv_tombstones WHERE tbl = ?1 AND guid = ?2",
                       m_dst);
        while (incoming.step()) {
            step(m_steps);
            const qint64 srid = incoming.integer(0);
            const QString guid = incoming.text(1);
            const Version in{incoming.text(2), incoming.integer(3), incoming.text(4)};
            if (sqlite3_column_type(incoming.get(), 5) != SQLITE_NULL) {
                const qint64 lrid = incoming.integer(5);
                const Version local{incoming.text(6), incoming.integer(7), incoming.text(8)};
                if (local.origin == in.origin && local.gen == in.gen) continue;
                if (refersToDeletedRow(table, srid)) {
                    // What it now belongs to is gone here: the deletion wins, as the other file will find
                    // when the deletion reaches it.
                    saveConflict("src", table, srid, guid, in,
                                 "what it belongs to was deleted in the other library");
                    deleteRow(table, lrid);
                    continue;
                }
                if (!srcKnows(local)) {
                    if (!incomingWins(in, local)) {
                        saveConflict("src", table, srid, guid, in,
                                     "changed in both libraries; this change lost");
                        continue;
                    }
                    saveConflict("main", table, lrid, guid, local,
                                 "changed in both libraries; this change lost");
                }
                updateRow(table, lrid, srid);
                setMeta(table, lrid, guid, in);
                m_applied.append({table, lrid});
                ++m_report.updated;
                continue;
            }
            tomb.reset();
            tomb.bind(1, table);
            tomb.bind(2, guid);
            if (tomb.step()) {
                saveConflict("src", table, srid, guid, in, "changed in one library and deleted in the other");
                continue;
            }
            if (refersToDeletedRow(table, srid)) {
                saveConflict("src", table, srid, guid, in,
                             "what it belongs to was deleted in the other library");
                continue;
            }
            const qint64 lrid = insertRow(table, srid, guid);
            setMeta(table, lrid, guid, in);
            m_applied.append({table, lrid});
            ++m_report.inserted;
        }
    }

    void applyDeletions() {
        Statement incoming(m_db,
                           "SELECT t.tbl, t.guid, t.origin, t.gen, t.time FROM src.mrv_tombstones t "
                           "LEFT JOIN main.mrv_knowledge k ON k.replica = t.origin "
                           "WHERE t.gen > coalesce(k.gen, -1) ORDER BY t.origin, t.gen",
                           m_src);
        Statement local(m_db, "SELECT rid, origin, gen, time FROM main.mrv_rows WHERE tbl = ?1 AND guid = ?2",
                        m_dst);
        Statement keep(
            m_db,
            "INSERT OR REPLACE INTO main.mrv_tombstones(tbl, guid, origin, gen, time) VALUES (?1, ?2, ?3, "
            "?4, ?5)",
            m_dst);
        while (incoming.step()) {
            step(m_steps);
            const QString table = incoming.text(0);
            const QString guid = incoming.text(1);
            const Version in{incoming.text(2), incoming.integer(3), incoming.text(4)};
            local.reset();
            local.bind(1, table);
            local.bind(2, guid);
            if (local.step() && mainHasTable(table)) {
                const qint64 rid = local.integer(0);
                const Version mine{local.text(1), local.integer(2), local.text(3)};
                local.reset();
                if (!srcKnows(mine))
                    saveConflict("main", table, rid, guid, mine,
                                 "changed in one library and deleted in the other");
                keepUnseenDependents(table, rid);
                deleteRow(table, rid);
            }
            local.reset();
            keep.reset();
            keep.bind(1, table);
            keep.bind(2, guid);
            keep.bind(3, in.origin);
            keep.bind(4, in.gen);
            keep.bind(5, in.time);
            keep.step();
        }
    }

    // Rows of this file that refer to a row being deleted and that the other file has never seen
    // (an item added here to a category deleted there): the library's own rules may delete them
    // with their parent, so they are kept in the conflict table first.
    void keepUnseenDependents(const QString& target, qint64 rid) {
        for (const auto& [table, col] : m_refsTo.value(target)) {
            Statement& rows =
                prepared(QString("SELECT m.rid, m.guid, m.origin, m.gen, m.time FROM main.%1 t "
                                 "JOIN main.mrv_rows m ON m.tbl = ?1 AND m.rid = t.rowid WHERE t.%2 = ?2")
                             .arg(quoteIdent(table), quoteIdent(col)));
            rows.bind(1, table);
            rows.bind(2, rid);
            while (rows.step()) {
                const Version v{rows.text(2), rows.integer(3), rows.text(4)};
                if (!srcKnows(v) && !(table == target && rows.integer(0) == rid))
                    saveConflict("main", table, rows.integer(0), rows.text(1), v,
                                 "what it belongs to was deleted in the other library");
            }
            rows.reset();
        }
    }

    void deleteRow(const QString& table, qint64 rid) {
        Statement& del = prepared(QString("DELETE FROM main.%1 WHERE rowid = ?1").arg(quoteIdent(table)));
        del.bind(1, rid);
        del.step();
        ++m_report.deleted;
    }

    // Rows arrive with the other file's keys in their reference columns; where the row referred to
    // has a different key here, translate it through the rows' identities.
    void fixReferences() {
        if (m_applied.isEmpty()) return;
        exec(m_db,
             "CREATE TEMP TABLE IF NOT EXISTS mrv_applied(tbl TEXT, rid INTEGER); DELETE FROM mrv_applied",
             m_dst);
        {
            Statement add(m_db, "INSERT INTO temp.mrv_applied(tbl, rid) VALUES (?1, ?2)", m_dst);
            for (const auto& [table, rid] : m_applied) {
                add.reset();
                add.bind(1, table);
                add.bind(2, rid);
                add.step();
            }
        }
        Statement refs(m_db, "SELECT tbl, col, target FROM main.mrv_references", m_dst);
        while (refs.step()) {
            const QString table = refs.text(0), col = refs.text(1), target = refs.text(2);
            if (!hasTable(m_db, "main", table) || !hasTable(m_db, "src", target)) continue;
            step(m_steps);
            exec(m_db,
                 QString("UPDATE main.%1 SET %2 = (SELECT l.rid FROM src.mrv_rows s JOIN main.mrv_rows l "
                         "ON l.tbl = s.tbl AND l.guid = s.guid WHERE s.tbl = %3 AND s.rid = main.%1.%2) "
                         "WHERE rowid IN (SELECT rid FROM temp.mrv_applied WHERE tbl = %4) "
                         "AND EXISTS (SELECT 1 FROM src.mrv_rows s JOIN main.mrv_rows l ON l.tbl = s.tbl AND "
                         "l.guid = s.guid WHERE s.tbl = %3 AND s.rid = main.%1.%2 AND l.rid <> s.rid)")
                     .arg(quoteIdent(table), quoteIdent(col), quoteLiteral(target), quoteLiteral(table)),
                 m_dst);
        }
        exec(m_db, "DELETE FROM temp.mrv_applied", m_dst);
    }

    void mergeKnowledge() {
        // max() also lifts this file's own counter when the other knows more of it (this file was
        // restored from an older copy): its next changes must not reuse numbers already seen.
        exec(m_db,
             "INSERT INTO main.mrv_knowledge(replica, gen) SELECT replica, gen FROM src.mrv_knowledge WHERE "
             "true "
             "ON CONFLICT(replica) DO UPDATE SET gen = max(gen, excluded.gen)",
             m_dst);
        Statement partner(
            m_db,
            "INSERT OR REPLACE INTO main.mrv_partners(replica, path, last_exchange) VALUES (?1, ?2, " +
                QString(kNow) + ")",
            m_dst);
        partner.bind(1, m_srcId);
        partner.bind(2, m_src);
        partner.step();
    }

    QString m_src, m_dst;
    SyncReport& m_report;
    sqlite3* m_db = nullptr;
    QString m_srcId, m_dstId;
    QHash<QString, qint64> m_srcKnows;
    QHash<QString, TableShape> m_shapes;
    QList<std::pair<QString, qint64>> m_applied;
    std::map<QString, std::unique_ptr<Statement>> m_cache;
    QHash<QString, QList<std::pair<QString, QString>>> m_refsFrom;  // table → (column, target)
    QHash<QString, QList<std::pair<QString, QString>>> m_refsTo;    // target → (table, column)
    QHash<QString, bool> m_mainTables;
    int m_steps = 0;
};

}  // namespace

SyncReport Synchronize(Database& db, const QString& otherPath, int type) {
    if (!db.handle())
        throw Error(errObjectClosed, QString("The Code Library '%1' is closed.").arg(db.Name()));
    if (type != dbRepExportChanges && type != dbRepImportChanges && type != dbRepImpExpChanges)
        throw Error(errConversion, QString("Unknown exchange type %1.").arg(type));
    const QFileInfo other(otherPath);
    if (!other.exists())
        throw Error(errFileNotFound, QString("Could not find the file '%1'.").arg(otherPath));
    const QString me = db.Name();
    if (other.canonicalFilePath() == QFileInfo(me).canonicalFilePath())
        throw Error(errNotUpdatable, QString("'%1' cannot be synchronised with itself.").arg(me));
    // An exchange cut short leaves a journal beside the library it was writing; the other file is read
    // through a read-only attachment, which cannot roll that back, so both are opened normally first.
    for (const QString& file : {me, otherPath}) openDatabase(file)->Close();
    SyncReport report;
    if (type == dbRepImportChanges || type == dbRepImpExpChanges) Exchange(otherPath, me, report).run();
    if (type == dbRepExportChanges || type == dbRepImpExpChanges) Exchange(me, otherPath, report).run();
    return report;
}

}  // namespace engine
