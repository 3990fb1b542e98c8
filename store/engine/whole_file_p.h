#pragma once

// Internals of the whole-file operations (lock.cpp, compact_repair.cpp, salvage.cpp): the engine's own
// connections, the file header, and the pieces of a repair.

#include "store/engine/database_p.h"

#include <QFile>

#include <memory>

namespace engine {

// A connection the engine opens for its own work on a whole file, closed however the work ends.
struct ConnectionCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

// Opens path with flags (never creating it unless asked), with the busy timeout and the dialect's
// functions (a schema may use them).
Connection connect(const QString& path, int flags);

// A failed write to file (a new file the user does not know as such): a full disk is said so, with
// its folder; anything else as SQLite reports it. Messages name shownAs.
[[noreturn]] void throwWriteFailure(sqlite3* db, int rc, const QString& file, const QString& shownAs);
// True for the results that mean writing failed, as opposed to reading damage.
bool isWriteFailure(int rc);

// What the first 100 bytes of a database file say.
struct FileHeader {
    bool valid = false;  // begins like an SQLite file
    qint64 pageSize = 0;
    qint64 pages = 0;  // the page count the header gives, 0 when it gives none
    qint64 fileSize = 0;
    int reservedBytes = 0;
    int encoding = 1;
    int applicationId = 0, userVersion = 0;
    bool rollbackMode = false;  // not write-ahead logging
    // Shorter than its header says, or ending inside a page.
    bool cutShort() const { return valid && (fileSize % pageSize != 0 || fileSize < pages * pageSize); }
};
FileHeader readHeader(const QString& path);
FileHeader parseHeader(const QByteArray& first100, qint64 fileSize);

struct SchemaObject {
    QString type, name, table, sql;
    qint64 rootPage = 0;
};

// A private copy of a damaged file that SQLite can read: cut back to whole pages (a page cut off
// part-way would have its missing tail read as zeros, turning its rows into rows of zeros), and with
// a schema that loads: where the file's list of tables does not load (cut off part-way, or naming
// pages that are gone), the list is rebuilt from what can be read of it, without the tables whose
// pages are gone. Removed when done.
class DamagedCopy {
public:
    DamagedCopy(const QString& path, const FileHeader& header);
    ~DamagedCopy();
    DamagedCopy(const DamagedCopy&) = delete;
    DamagedCopy& operator=(const DamagedCopy&) = delete;
    const QString& path() const { return m_path; }
    static QString pathFor(const QString& damaged) { return damaged + ".mrv-read"; }
    qint64 pages() const { return m_pages; }
    // Every object of the damaged file's schema that could be read, in their order there.
    const QList<SchemaObject>& objects() const { return m_objects; }

private:
    void copyWholePages(const QString& from, const FileHeader& header);
    bool readSchema();
    void rebuildSchema(const FileHeader& header);
    QByteArray firstPage(QFile& file, const FileHeader& header) const;
    QString m_path;
    qint64 m_pages = 0;
    QList<SchemaObject> m_objects;
};

// Writes every row of the damaged copy that can still be read into the new, empty file at outPath,
// with the copy's schema and stamp; what could not be read goes to the report. A replica whose
// records of its rows did not survive whole is re-based (see RebaseAfterRepair).
void salvage(const DamagedCopy& source, const QString& outPath, const FileHeader& stamp,
             RepairReport& report);

}  // namespace engine
