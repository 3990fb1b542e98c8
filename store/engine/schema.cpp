// Schema exchange with the design master: what the master has and the library lacks is added.

#include "store/engine/database_p.h"
#include "store/engine/replication.h"

#include <QHash>

namespace engine {

namespace {

// Column definitions of a CREATE TABLE statement, by lower-case column name, as written.
QHash<QString, QString> columnDefinitions(const QString& createSql) {
    QHash<QString, QString> defs;
    const int open = createSql.indexOf('(');
    const int close = createSql.lastIndexOf(')');
    if (open < 0 || close <= open) return defs;
    const QString body = createSql.mid(open + 1, close - open - 1);
    QStringList parts;
    int depth = 0, start = 0;
    QChar quote;
    for (int i = 0; i < body.size(); ++i) {
        const QChar c = body[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == '\'' || c == '"' || c == '`' || c == '[')
            quote = c == '[' ? QChar(']') : c;
        else if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        else if (c == ',' && depth == 0) {
            parts << body.mid(start, i - start).trimmed();
            start = i + 1;
        }
    }
    parts << body.mid(start).trimmed();
    for (const QString& part : parts) {
        QString name;
        if (part.startsWith('"') || part.startsWith('`') || part.startsWith('[') || part.startsWith('\'')) {
            const QChar end = part[0] == '[' ? QChar(']') : part[0];
            name = part.mid(1, part.indexOf(end, 1) - 1);
        } else {
            name = part.section(' ', 0, 0);
        }
        const QString upper = name.toUpper();
        if (upper == "PRIMARY" || upper == "UNIQUE" || upper == "CHECK" || upper == "FOREIGN" ||
            upper == "CONSTRAINT")
            continue;
        defs.insert(name.toLower(), part);
    }
    return defs;
}

struct SchemaObject {
    QString type, name, table, sql;
};

QList<SchemaObject> schemaObjects(sqlite3* db, const QString& context) {
    QList<SchemaObject> objects;
    Statement st(db,
                 "SELECT type, name, tbl_name, sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY rowid",
                 context);
    while (st.step()) objects.append({st.text(0), st.text(1), st.text(2), st.text(3)});
    return objects;
}

}  // namespace

QStringList applySchema(Database& target, const QString& masterPath) {
    const std::unique_ptr<Database> master = openDatabase(masterPath, false, true);
    const QList<SchemaObject> wanted = schemaObjects(master->handle(), masterPath);
    QHash<QString, QStringList> columnOrder;  // the master's column order, for the columns added
    for (const SchemaObject& o : wanted) {
        if (o.type != "table") continue;
        Statement info(master->handle(), "PRAGMA table_info(" + quoteIdent(o.name) + ")", masterPath);
        while (info.step()) columnOrder[o.name].append(info.text(1));
    }
    master->Close();

    sqlite3* db = target.handle();
    if (!db) throw Error(errObjectClosed, QString("The Code Library '%1' is closed.").arg(target.Name()));
    const QString context = target.Name();
    QHash<QString, SchemaObject> present;
    for (const SchemaObject& o : schemaObjects(db, context))
        present.insert(o.type + ':' + o.name.toLower(), o);

    QStringList added;
    Savepoint savepoint(db, "mrv_schema", context);
    // Tables and columns first, so that indexes and triggers find what they refer to.
    for (const SchemaObject& o : wanted) {
        if (o.type != "table" || o.name.startsWith("sqlite_") || isHiddenName(o.name)) continue;
        const auto it = present.constFind("table:" + o.name.toLower());
        if (it == present.constEnd()) {
            exec(db, o.sql, context);
            added << QString("table %1").arg(o.name);
            continue;
        }
        const QHash<QString, QString> have = columnDefinitions(it->sql);
        const QHash<QString, QString> want = columnDefinitions(o.sql);
        for (const QString& column : columnOrder.value(o.name)) {
            if (have.contains(column.toLower())) continue;
            const QString def = want.value(column.toLower(), quoteIdent(column));
            exec(db, QString("ALTER TABLE %1 ADD COLUMN %2").arg(quoteIdent(it->name), def), context);
            added << QString("column %1.%2").arg(o.name, column);
        }
    }
    for (const SchemaObject& o : wanted) {
        if ((o.type != "index" && o.type != "trigger") || isHiddenName(o.name) || isHiddenName(o.table))
            continue;
        if (present.contains(o.type + ':' + o.name.toLower())) continue;
        exec(db, o.sql, context);
        added << QString("%1 %2").arg(o.type, o.name);
    }
    // A table added to a replica needs its identities and change tracking like the others, and older
    // change tracking is brought up to date.
    if (isReplicable(target)) MakeReplicable(target);
    installTypeChecks(db, context);
    savepoint.release();
    return added;
}

}  // namespace engine
