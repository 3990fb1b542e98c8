#pragma once

// Internals shared by the engine's source files.

#include "store/engine/engine.h"

#include <QHash>
#include <QSet>

#include <sqlite3.h>

namespace engine {

struct ColumnInfo {
    QString name;
    FieldType type = dbText;
    int size = 0;
    bool counter = false;
    bool hidden = false;  // the engine's own bookkeeping columns (prefix "mrv_")
};

struct TableInfo {
    QString name;
    QList<ColumnInfo> columns;
    int indexOf(const QString& column) const;
};

// Objects whose names start with this are the engine's own and never shown as user data.
inline constexpr char kHiddenPrefix[] = "mrv_";
bool isHiddenName(const QString& name);

inline QString quoteIdent(const QString& name) {
    QString q = name;
    q.replace('"', "\"\"");
    return '"' + q + '"';
}

inline QString quoteLiteral(const QString& text) {
    QString q = text;
    q.replace('\'', "''");
    return '\'' + q + '\'';
}

// The column type a declared SQLite type stands for.
ColumnInfo columnFromDeclaration(const QString& name, const QString& declared);

// openDatabase, optionally without refusing a file shorter than its header says (repair reads
// what is there).
std::unique_ptr<Database> openFile(const QString& path, bool exclusive, bool readOnly, bool checkSize);

// Maps a SQLite result code to the engine's numbered error, naming the file or object.
[[noreturn]] void throwSqlite(sqlite3* db, int rc, const QString& context);

// Small RAII statement holder.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql, const QString& context);
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return m_stmt; }
    bool step();  // true on a row, false when done; throws on error
    void reset() { sqlite3_reset(m_stmt); }
    void bind(int index, const QVariant& value);
    QString text(int column) const;
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    QString m_context;
};

void exec(sqlite3* db, const QString& sql, const QString& context);
// Binds a value that has already been converted to its storage form.
void bindValue(sqlite3_stmt* stmt, int index, const QVariant& value);

// Converts a value to what a column of this type stores (throws errConversion / errFieldTooSmall).
QVariant coerceForColumn(const QVariant& value, const ColumnInfo& column);
// Reads a result column as the field type gives it.
QVariant readColumn(sqlite3_stmt* stmt, int column, FieldType type, bool typed);

struct Database::Private {
    QString path;
    sqlite3* db = nullptr;
    bool readOnly = false;
    QSet<RecordsetData*> recordsets;

    // Column types of the user's tables, reread when the schema changes.
    const TableInfo* table(const QString& name);
    QHash<QString, TableInfo> tables;
    int schemaVersion = -1;

    void ensureOpen() const;
    QString context() const { return path; }
};

}  // namespace engine
