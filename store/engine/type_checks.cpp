// Field types for statements. A recordset converts and checks every value before it writes it;
// statements reach the table directly, so every user table carries two triggers that refuse what a
// field cannot hold, with the error numbers the recordset raises. They check only what a statement
// changes: a value stored before the checks existed stays readable and the rest of its row
// writable. In a replica they stand aside while an exchange applies another member's rows, which
// that member has already accepted.

#include "store/engine/database_p.h"

#include <QRegularExpression>
#include <QSet>

namespace engine {

namespace {

constexpr char kPrefix[] = "mrv_types_";

// The condition under which value v fits the column, in SQL; empty when every value fits.
QString fits(const ColumnInfo& c, const QString& v) {
    const auto whole = [&](qint64 lo, qint64 hi) {
        return QString("typeof(%1) = 'integer' AND %1 BETWEEN %2 AND %3").arg(v).arg(lo).arg(hi);
    };
    switch (c.type) {
        case dbText:
            return c.size > 0 ? QString("length(%1) <= %2").arg(v).arg(c.size) : QString();
        case dbLong:
            return whole(INT32_MIN, INT32_MAX);
        case dbInteger:
            return whole(INT16_MIN, INT16_MAX);
        case dbByte:
            return whole(0, 255);
        case dbBoolean:
            return QString("typeof(%1) = 'integer'").arg(v);
        case dbDouble:
            return QString("typeof(%1) IN ('integer', 'real')").arg(v);
        case dbDate:
            // The stored forms only, and real days: date() alone lets 30 February through.
            return QString(
                       "typeof(%1) = 'text' AND (%1 = date(%1, '+0 days') OR %1 = datetime(%1, '+0 days'))")
                .arg(v);
        case dbMemo:
        case dbLongBinary:
            break;
    }
    return QString();
}

// What the trigger raises; typeCheckError reads it back.
QString tag(const ColumnInfo& c, const QString& table) {
    return QString("mrv_type %1 %2 %3.%4")
        .arg(int(c.type))
        .arg(c.size)
        .arg(quoteIdent(table), quoteIdent(c.name));
}

// The columns a statement could give a value of the wrong type: not the row identity, which SQLite
// itself keeps a whole number.
QList<ColumnInfo> checkedColumns(sqlite3* db, const QString& table, const QString& file) {
    QList<ColumnInfo> columns;
    QString integerKey;
    int keyColumns = 0;
    Statement info(db, "PRAGMA main.table_info(" + quoteIdent(table) + ")", file);
    while (info.step()) {
        if (info.integer(5) > 0) {
            ++keyColumns;
            if (info.text(2).compare("INTEGER", Qt::CaseInsensitive) == 0) integerKey = info.text(1);
        }
        const ColumnInfo c = columnFromDeclaration(info.text(1), info.text(2));
        if (!c.hidden && !fits(c, "v").isEmpty()) columns << c;
    }
    if (keyColumns == 1 && !integerKey.isEmpty())
        columns.removeIf([&](const ColumnInfo& c) { return c.name == integerKey; });
    return columns;
}

QStringList userTables(sqlite3* db, const QString& file) {
    QStringList tables;
    Statement st(db, "SELECT name FROM main.sqlite_master WHERE type = 'table'", file);
    while (st.step())
        if (!st.text(0).startsWith("sqlite_", Qt::CaseInsensitive) && !isHiddenName(st.text(0)))
            tables << st.text(0);
    return tables;
}

QStringList typeTriggerNames(sqlite3* db, const QString& file) {
    QStringList names;
    Statement st(db, "SELECT name FROM main.sqlite_master WHERE type = 'trigger'", file);
    while (st.step())
        if (st.text(0).startsWith(QLatin1String(kPrefix), Qt::CaseInsensitive)) names << st.text(0);
    return names;
}

// The insert and update triggers of one table (name, statement).
QList<std::pair<QString, QString>> typeTriggers(const QString& table, const QList<ColumnInfo>& columns,
                                                bool replicable) {
    QStringList onInsert, onUpdate;
    for (const ColumnInfo& c : columns) {
        const QString raise = " THEN RAISE(ABORT, " + quoteLiteral(tag(c, table)) + ')';
        const QString v = "NEW." + quoteIdent(c.name);
        const QString wrong = QString("NOT (%1 IS NULL OR coalesce(%2, 0))").arg(v, fits(c, v));
        onInsert << "WHEN " + wrong + raise;
        onUpdate << QString("WHEN %1 IS NOT OLD.%2 AND %3").arg(v, quoteIdent(c.name), wrong) + raise;
    }
    const QString when = replicable ? " WHEN coalesce((SELECT applying FROM mrv_replica), 0) = 0" : QString();
    const auto trigger = [&](const char* event, const QStringList& cases) {
        const QString name = kPrefix + QString(event).toLower() + '_' + table;
        return std::pair(name, QString("CREATE TRIGGER %1 BEFORE %2 ON %3%4 BEGIN SELECT CASE %5 END; END")
                                   .arg(quoteIdent(name), event, quoteIdent(table), when, cases.join(' ')));
    };
    return {trigger("INSERT", onInsert), trigger("UPDATE", onUpdate)};
}

}  // namespace

void installTypeChecks(sqlite3* db, const QString& file) {
    Statement replica(db, "SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND name = 'mrv_replica'",
                      file);
    const bool replicable = replica.step();
    QSet<QString> wanted;
    for (const QString& table : userTables(db, file)) {
        const QList<ColumnInfo> columns = checkedColumns(db, table, file);
        if (columns.isEmpty()) continue;
        for (const auto& [name, sql] : typeTriggers(table, columns, replicable)) {
            ensureTrigger(db, name, sql, file);
            wanted << name.toLower();
        }
    }
    // Checks of tables renamed, dropped or left without checked fields.
    for (const QString& name : typeTriggerNames(db, file))
        if (!wanted.contains(name.toLower())) exec(db, "DROP TRIGGER " + quoteIdent(name), file);
}

void dropTypeChecks(sqlite3* db, const QString& file) {
    for (const QString& name : typeTriggerNames(db, file)) exec(db, "DROP TRIGGER " + quoteIdent(name), file);
}

std::optional<Error> typeCheckError(const QString& message) {
    static const QRegularExpression pattern(
        R"re(^mrv_type (\d+) (\d+) "((?:[^"]|"")*)"\."((?:[^"]|"")*)"$)re");
    const QRegularExpressionMatch m = pattern.match(message);
    if (!m.hasMatch()) return std::nullopt;
    const auto type = FieldType(m.captured(1).toInt());
    const QString table = m.captured(3).replace("\"\"", "\""), field = m.captured(4).replace("\"\"", "\"");
    if (type == dbText)
        return Error(errFieldTooSmall, QString("The text is too long for the field '%1' of '%2': at most %3 "
                                               "characters fit.")
                                           .arg(field, table, m.captured(2)));
    QString takes;
    switch (type) {
        case dbLong:
            takes = QString("whole numbers from %1 to %2").arg(INT32_MIN).arg(INT32_MAX);
            break;
        case dbInteger:
            takes = QString("whole numbers from %1 to %2").arg(INT16_MIN).arg(INT16_MAX);
            break;
        case dbByte:
            takes = "whole numbers from 0 to 255";
            break;
        case dbBoolean:
            takes = "Yes/No values";
            break;
        case dbDate:
            takes = "dates";
            break;
        default:
            takes = "numbers";
            break;
    }
    return Error(errConversion,
                 QString("The value cannot be stored in the field '%1' of '%2', which takes %3.")
                     .arg(field, table, takes));
}

}  // namespace engine
