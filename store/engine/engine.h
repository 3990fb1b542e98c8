#pragma once

// The database engine: a DAO-shaped layer over SQLite. Libraries are single SQLite files in
// rollback-journal mode; SQL arrives in the old dialect and is translated on the way in.

#include "store/engine/error.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace mrv {
class FileReplacement;
}

namespace engine {

// Workspace types and recordset constants keep the old engine's values.
enum WorkspaceType { dbUseJet = 2 };
enum RecordsetType { dbOpenTable = 1, dbOpenDynaset = 2, dbOpenSnapshot = 4 };
enum RecordsetOption { dbDenyWrite = 1, dbDenyRead = 2, dbReadOnly = 4 };
enum CompactOption { dbVersion30 = 32 };
enum FieldType {
    dbBoolean = 1,
    dbByte = 2,
    dbInteger = 3,  // 16-bit
    dbLong = 4,     // 32-bit; a counter is a long with dbAutoIncrField
    dbDouble = 7,
    dbDate = 8,
    dbText = 10,
    dbLongBinary = 11,
    dbMemo = 12,
};
enum FieldAttribute { dbAutoIncrField = 16 };

// Largest stored file: SQLite's own limit on one value is 10^9 bytes, and the rest of the row
// needs a little room, so the engine refuses anything from here on with a clear error.
constexpr qint64 kMaxLongBinary = 1'000'000'000 - 1024 * 1024;
// Pieces of long binary values move in blocks of this size.
constexpr int kChunkSize = 32768;

// Format stamp of a library file written by this engine ("3.0").
constexpr int kApplicationId = 0x4D52564C;  // "MRVL"
constexpr int kFormatVersion = 30;

class Database;
class Recordset;
struct RecordsetData;

// How long a connection waits on another process's lock before it reports errLocked.
void setBusyTimeout(int milliseconds);
int busyTimeout();

// The engine's clock, which dates the changes replicas exchange: SQL on the engine's connections
// reads it as 'now'. Tests set it so that the order of changes does not hang on the wall clock; an
// empty function brings back the system clock.
void setClock(std::function<QDateTime()> clock);
QDateTime currentTime();

// Date text in and out. Read: "mm/dd/yyyy", with " hh:mm:ss" when there is a time of day.
QString dateToText(const QDateTime& value);
// Stored form: ISO "yyyy-MM-dd" or "yyyy-MM-dd hh:mm:ss".
QString dateToStorage(const QDateTime& value);
// Accepts m/d/yy, m/d/yyyy (month first whatever the locale), ISO, each with an optional
// hh:mm[:ss]; two-digit years 00-29 are 2000s, 30-99 1900s. Invalid QDateTime when not a date.
QDateTime parseDate(const QString& text);
// A value read from a field as text, as the old engine's conversion gave it (dates as above,
// numbers without exponent, Null as an empty text).
QString valueToText(const QVariant& value);

class Field {
public:
    QString Name() const;
    FieldType Type() const;
    int Size() const;  // declared length of a text field, 0 otherwise
    int Attributes() const;
    bool IsNull() const { return Value().isNull(); }

    // Null is an invalid QVariant; dates come back as QDateTime, numbers as int/double,
    // text as QString, long binary as QByteArray (read whole: use GetChunk for big values).
    QVariant Value() const;
    QString text() const { return valueToText(Value()); }
    void setValue(const QVariant& value);

    // Long binary (and memo) in pieces. The first AppendChunk after AddNew or Edit starts a
    // new value; later ones add to it. Nothing is held in memory beyond one piece.
    void AppendChunk(const QByteArray& piece);
    QByteArray GetChunk(qint64 offset, qint64 length) const;
    qint64 FieldSize() const;

private:
    friend class Recordset;
    friend struct RecordsetData;
    Field(RecordsetData* rs, int index) : m_rs(rs), m_index(index) {}
    RecordsetData* m_rs;
    int m_index;
};

class Recordset {
public:
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Field access by (case-insensitive) name or position; errItemNotFound for unknown names.
    Field Fields(const QString& name);
    Field Fields(int index);
    int FieldCount() const;
    QVariant operator[](const QString& name) { return Fields(name).Value(); }

    bool eof() const;
    bool bof() const;
    void MoveFirst();
    void MoveNext();
    void MoveLast();
    // Rows the query returns (counted once, on first use).
    long RecordCount();

    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    bool Updatable() const;

    // Bookmarks are row identities of the source table (updatable recordsets only).
    QByteArray Bookmark() const;
    void setBookmark(const QByteArray& bookmark);
    QByteArray LastModified() const;

    void Close();

private:
    friend class Database;
    explicit Recordset(std::unique_ptr<RecordsetData> d);
    std::unique_ptr<RecordsetData> d;
};

struct PropertyValue {
    QString name;
    int type = dbText;
    QVariant value;
};

class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Full path of the open file.
    QString Name() const;
    bool isOpen() const;
    bool readOnly() const;

    // UPDATE, DELETE, INSERT and DDL statements in the old dialect. Returns rows affected. Values
    // are held to the fields' types as a recordset holds them (errConversion, errFieldTooSmall); text
    // after a NUL is refused (errSyntax).
    long Execute(const QString& sql);
    // An SQL text or a table name.
    std::unique_ptr<Recordset> OpenRecordset(const QString& source, RecordsetType type = dbOpenDynaset,
                                             int options = 0);

    // Database properties live in a hidden table of the file.
    PropertyValue CreateProperty(const QString& name, int type, const QVariant& value) const;
    void AppendProperty(const PropertyValue& property);  // errPropertyExists when present
    bool hasProperty(const QString& name) const;
    QVariant Property(const QString& name) const;                  // errPropertyNotFound when absent
    void setProperty(const QString& name, const QVariant& value);  // errPropertyNotFound when absent

    // Replication (see replication.h): exchange changes with another member of the replica set
    // (1 export, 2 import, 4 both ways), or make a new member.
    void Synchronize(const QString& otherPath, int exchangeType);
    void MakeReplica(const QString& path, const QString& description, int options = 0);

    // Every user table (not the engine's hidden ones), in creation order.
    QStringList TableNames() const;

    void Close();

    // For the engine's own tools (repair, schema exchange, replication, benchmarks).
    sqlite3* handle() const;

    struct Private;
    explicit Database(std::unique_ptr<Private> d);

private:
    std::unique_ptr<Private> d;
};

// Opens a library file: missing → errFileNotFound; not a database → errNotADatabase; damaged →
// errDamaged; held by another process → errLocked. Never creates a file.
std::unique_ptr<Database> openDatabase(const QString& path, bool exclusive = false, bool readOnly = false);
// Creates a new empty file in our format (errDatabaseExists when one is there).
std::unique_ptr<Database> createDatabase(const QString& path);

class Workspace {
public:
    Workspace(QString name = QString(), QString user = "admin", QString password = QString(),
              int type = dbUseJet);
    ~Workspace();
    QString Name() const { return m_name; }
    QString UserName() const { return m_user; }
    int Type() const { return m_type; }

    // The workspace owns what it opens; Close on the database (or the workspace) ends it.
    Database* OpenDatabase(const QString& path, bool exclusive = false, bool readOnly = false);
    QList<Database*> Databases() const;
    void Close();

private:
    QString m_name, m_user, m_password;
    int m_type;
    std::vector<std::unique_ptr<Database>> m_databases;
};

// Brings the tables, columns and indexes of the design master at masterPath that the target
// lacks into the target: nothing is dropped, no rows move, the master is opened read-only.
// Returns a description of each object added.
QStringList applySchema(Database& target, const QString& masterPath);

// Writes a compacted copy of source at destination in our format (errDatabaseExists when the
// destination exists). The source file is not changed; the copy takes its mode.
void CompactDatabase(const QString& source, const QString& destination, int options = dbVersion30);
// The same into the new file of a replacement (committed by the caller); messages name shownAs. A
// source that cannot be read whole raises errDamaged.
void CompactInto(const QString& source, mrv::FileReplacement& out, const QString& shownAs);

// A trigram index over text fields, from which a SELECT whose condition is Likes of the form
// '*text*' (three characters or more) takes its candidate rows rather than reading every row; the
// result is the same. Kept by plain-SQL triggers; derived data, never exchanged between replicas.
struct SearchIndexFields {
    QString table;
    QStringList fields;
};
// Makes the index of each table's fields where the file lacks it or holds another, filled from the
// rows. Nothing happens on a read-only file, or where this SQLite has no full-text module.
void ensureSearchIndex(Database& db, const QList<SearchIndexFields>& indexes);
// Makes every search index the file holds anew from its rows.
void rebuildSearchIndex(Database& db);

struct RepairReport {
    bool wasDamaged = false;
    long rowsRecovered = 0;
    QStringList lost;  // plain descriptions of what could not be read
    // A replica whose records of its rows could not be rescued whole starts afresh in its replica set
    // (see replication.h): what that means for the user, or empty.
    QString replicaRebased;
};
// Repairs a closed file in place: a sound file is left as it is; a damaged one is rebuilt from
// every row that can still be read (errDamaged when nothing at all can be read). Messages name
// shownAs (the path when empty): repair often works on a copy the user never sees.
RepairReport RepairDatabase(const QString& path, const QString& shownAs = QString());
// Whether a closed file is whole: as long as its header says, and passing SQLite's integrity check.
bool IsSoundDatabase(const QString& path);
// The rebuild alone, for a file already known to be damaged.
RepairReport RebuildDatabase(const QString& path, const QString& shownAs = QString());

// SQLite's exclusive lock on a library file, held from construction to destruction: no other
// program reads or changes the file meanwhile, so that it can be copied whole and replaced in one
// step. A journal left by a program that stopped mid-write is rolled back first. errLocked ("in use
// by another program") when the lock cannot be had within the busy timeout; nothing is changed then.
class LibraryLock {
public:
    explicit LibraryLock(const QString& path);
    ~LibraryLock();
    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;
    const QString& path() const;

    // Copies the file as it is, damage and all, to a new file at destination. It is read through a
    // handle the lock holds: closing any other handle to the file in this process ends the lock.
    void copyTo(const QString& destination) const;
    // A second name for the file (a hard link, or a copy where the file system has none), so that
    // the old file stays whole under it when the library's name takes a new file.
    void keepAs(const QString& backup) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Removes a work file of the engine's and what the engine's work on it may have left beside it.
void removeWorkFiles(const QString& path);

// Where RepairCompact keeps a second name for the old file of the library at path until the new
// one is in place, and its work copy: the path less its last four characters, with ".bak", ".tmp".
QString backupPath(const QString& path);
QString workCopyPath(const QString& path);
// A library whose name holds nothing while its backup and work copy are there was being repaired
// when its program stopped (on a version that moved the library aside first): the backup goes back
// under its name. A backup alone may be one the user keeps, and stays. Every open passes here.
void recoverInterruptedReplace(const QString& path);

}  // namespace engine
