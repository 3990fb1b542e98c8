#pragma once

// Internals shared by the engine's source files.

#include "store/engine/engine.h"
#include "store/engine/sql_dialect.h"

#include <QHash>
#include <QSet>

#include <sqlite3.h>

#include <memory>
#include <optional>

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

// The file a connection has open under a schema name ("main", or an attached one).
QString fileOf(sqlite3* db, const char* schema = "main");

// Maps a SQLite result code to the engine's numbered error. Messages name the file (and the table or
// field where SQLite says which); the statement, when given, is named only where it is the fault.
[[noreturn]] void throwSqlite(sqlite3* db, int rc, const QString& file, const QString& statement = QString());

// Owning handles for SQLite's objects: finalised or closed on every way out of a scope.
struct FinalizeStatement {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;
struct CloseBlob {
    void operator()(sqlite3_blob* blob) const { sqlite3_blob_close(blob); }
};
using BlobHandle = std::unique_ptr<sqlite3_blob, CloseBlob>;

// A prepared statement whose errors name the file it runs on.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql, const QString& file);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return m_stmt.get(); }
    bool step();  // true on a row, false when done; throws on error
    void reset() { sqlite3_reset(m_stmt.get()); }
    void bind(int index, const QVariant& value);
    QString text(int column) const;
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt.get(), column); }

private:
    sqlite3* m_db;
    StatementHandle m_stmt;
    QString m_file;
};

// A savepoint rolled back unless released, so that a change is applied whole or not at all, also
// inside a transaction the caller holds.
class Savepoint {
public:
    Savepoint(sqlite3* db, const char* name, const QString& file);
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    void release();

private:
    sqlite3* m_db;
    QByteArray m_name;
    QString m_file;
    bool m_open = true;
};

void exec(sqlite3* db, const QString& sql, const QString& file);
// Creates one of the engine's triggers, or replaces it when the file holds another version of it.
// sql is "CREATE TRIGGER <name> ..." without IF NOT EXISTS, as SQLite keeps it.
void ensureTrigger(sqlite3* db, const QString& name, const QString& sql, const QString& file);
// Binds a value that has already been converted to its storage form.
void bindValue(sqlite3_stmt* stmt, int index, const QVariant& value);

// Field types for statements: triggers on every user table refuse what the recordset would refuse
// (type_checks.cpp). Brought in step after every change to the tables the engine makes.
void installTypeChecks(sqlite3* db, const QString& file);
void dropTypeChecks(sqlite3* db, const QString& file);
// The error a check raised, from SQLite's message; none when the message is not a check's.
std::optional<Error> typeCheckError(const QString& message);

// Converts a value to what a column of this type stores (throws errConversion / errFieldTooSmall).
QVariant coerceForColumn(const QVariant& value, const ColumnInfo& column);
// Reads a result column as the field type gives it.
QVariant readColumn(sqlite3_stmt* stmt, int column, FieldType type, bool typed);

// A search index the file holds, made by this engine and kept complete by its triggers.
struct SearchIndexInfo {
    QString table;
    QStringList fields;
    QString key;  // the table's INTEGER PRIMARY KEY column, empty when it has none
};
// The trusted search indexes of a connection's main file (search_index.cpp).
QList<SearchIndexInfo> searchIndexes(sqlite3* db, const QString& file);
bool isSearchIndexTable(const QString& name);
// Every search index the file holds, made anew from the rows (dropped when it cannot be).
void rebuildSearchIndexes(sqlite3* db, const QString& file);
void dropSearchIndexes(sqlite3* db, const QString& file);

// A table a SELECT reads, as the search rewrite needs to know it.
struct SearchSource {
    QString table, qualifier;
    bool plain = true;  // in the main file, named without a schema
};

struct Database::Private {
    QString path;
    sqlite3* db = nullptr;
    bool readOnly = false;
    QSet<RecordsetData*> recordsets;

    // Column types of the user's tables, reread when the schema changes.
    const TableInfo* table(const QString& name);
    QHash<QString, TableInfo> tables;
    int schemaVersion = -1;

    // The trusted search indexes, reread when the schema changes.
    const QList<SearchIndexInfo>& searchIndexes();
    QList<SearchIndexInfo> indexes;
    int indexesVersion = -1;

    void ensureOpen() const;
    QString context() const { return path; }
};

// The clauses after FROM of a SELECT (tokens from restBegin; the sources from fromBegin) when its
// condition is Likes joined by OR: with a tie-break on the sources' row identities, so that the order
// does not hang on how rows were found, and with the candidates taken from the search index when it
// answers every Like. Nothing for any other statement.
std::optional<QString> searchRewrite(Database::Private& d, const std::vector<dialect::Token>& tokens,
                                     size_t fromBegin, size_t restBegin, const QList<SearchSource>& sources);

}  // namespace engine
