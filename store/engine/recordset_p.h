#pragma once

#include "store/engine/database_p.h"

#include <QTemporaryFile>

#include <memory>
#include <optional>
#include <vector>

namespace engine {

struct FieldDesc {
    QString name;
    ColumnInfo column;      // type, size; name of the source column when there is one
    QString table;          // source table; empty for an expression
    int sourceIndex = -1;   // which FROM source the column belongs to
    int col = -1;           // result column holding the value (for a deferred blob: its length)
    bool deferred = false;  // long binary read on demand through the row's identity
    int rowidCol = -1;      // result column with the source row's identity
    bool typed = false;     // the column's declared type is known
};

// Pieces written before Update: one piece in memory, the rest in a temporary file.
struct Spool {
    qint64 size = 0;
    QByteArray pending;
    std::unique_ptr<QTemporaryFile> file;
    void append(const QByteArray& piece, const QString& field);
    uchar* mapped = nullptr;
    // All the bytes, to be bound once: a pointer into the mapped file, or the piece in memory.
    std::pair<const char*, qint64> bytes();
};

struct SelectShape;  // a SELECT as the recordset reads it (recordset.cpp)

struct RecordsetData {
    RecordsetData(Database::Private* db, const QString& source, RecordsetType type, int options);
    ~RecordsetData();

    Database::Private* db;
    QString source;  // as the caller gave it
    QString sql;     // what SQLite runs
    QString rowSql;  // the same row by its identity (updatable recordsets)
    int type;
    int options;
    StatementHandle stmt;
    std::vector<FieldDesc> fields;
    QHash<QString, int> byName;  // lower-case field name → index

    bool updatable = false;
    QString whyNotUpdatable;
    QString baseTable;
    int baseRowidCol = -1;

    enum Position { BeforeFirst, OnRow, AfterLast };
    Position position = BeforeFirst;
    bool empty = false;
    // A row fetched by its identity (a bookmark, or the current row after Edit/Update).
    std::optional<std::vector<QVariant>> overlay;
    qint64 overlayRowid = -1;

    enum EditMode { NoEdit, Adding, Editing };
    EditMode mode = NoEdit;
    qint64 editRowid = -1;
    std::vector<std::optional<QVariant>> changes;
    std::vector<std::unique_ptr<Spool>> spools;
    qint64 lastModified = -1;
    long recordCount = -1;

    BlobHandle blob;
    int blobField = -1;
    qint64 blobRowid = -1;
    // The last INSERT or UPDATE, kept for the next row of the same fields: preparing one compiles
    // every trigger of the table anew.
    QString writeText;
    std::unique_ptr<Statement> writeStatement;

    void detach();  // the database closed under us
    void check() const;
    QString selectText() const;
    void prepare();
    void expandSelect(const SelectShape& shape, const QList<const TableInfo*>& tables);
    void compile();
    void describeFields();
    void stepRow();
    void requireRow() const;
    int fieldIndex(const QString& name) const;
    QVariant value(int field) const;
    qint64 rowidOf(int field) const;
    qint64 fieldSize(int field) const;
    qint64 storedLength(int field) const;  // -1 for Null
    QByteArray chunk(int field, qint64 offset, qint64 length);
    void setValue(int field, const QVariant& value);
    void appendChunk(int field, const QByteArray& piece);
    void closeBlob();
    void loadOverlay(qint64 rowid);
    void update();
    void drawReplicaKeys(QStringList& columns, std::vector<QVariant>& keys);
    qint64 writeRow(const QStringList& keyColumns, const std::vector<QVariant>& keys,
                    std::vector<int>& large);
    void writeLargeValues(qint64 rowid, const std::vector<int>& large);
    void endEdit();
    void requireUpdatable() const;
};

}  // namespace engine
