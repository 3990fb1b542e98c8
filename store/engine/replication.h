#pragma once

// Replica sets: libraries that are copies of one another and exchange their changes.
//
// Every row of a replicable library has a hidden identity that is the same in every replica, and a
// version: the replica that last changed it and that replica's change counter. Each file knows, per
// replica, up to which counter it has received that replica's changes; an exchange sends exactly the
// rows and deletions the receiver has not seen, in one transaction in the receiving file.

#include "store/engine/engine.h"

#include <functional>

namespace engine {

enum SyncType { dbRepExportChanges = 1, dbRepImportChanges = 2, dbRepImpExpChanges = 4 };

// A column that holds the counter key of a row in another (or the same) table. Exchanges translate
// these through the rows' identities, so that references stay right when keys differ. The
// application knows its tables and names them; the file keeps them.
struct ReplicaReference {
    QString table, column, target;
};

bool isReplicable(Database& db);
// Adds row identities and change tracking to every user table and records the references (those
// recorded before stay); idempotent. Sets "Replicable" = "T".
void MakeReplicable(Database& db, const QList<ReplicaReference>& references = {});
// A new member of db's replica set at path (errDatabaseExists when a file is there), in step with db.
void MakeReplica(Database& db, const QString& path, const QString& description, int options = 0);
// The library becomes the first member of a new replica set: a fresh identity and no history.
void StartNewReplicaSet(Database& db);

struct SyncReport {
    int inserted = 0, updated = 0, deleted = 0, conflicts = 0, keysMoved = 0;
};
// Exchanges changes with the library at otherPath: dbRepExportChanges sends this library's changes,
// dbRepImportChanges receives the other's, dbRepImpExpChanges does both.
SyncReport Synchronize(Database& db, const QString& otherPath, int type);

// Forgets records of deletions made before the given UTC time. A partner that has not yet received
// them can no longer exchange with this file (it is refused rather than silently keeping rows).
int PurgeTombstones(Database& db, const QDateTime& before);

struct ReplicaIdentity {
    QString setId, replicaId, description;
};
ReplicaIdentity replicaIdentity(Database& db);

// Next counter for a new row of a table in a replicable library (each replica draws from its own
// block so that two replicas adding rows do not share keys); -1 when the table has no block.
qint64 nextReplicaKey(sqlite3* db, const QString& table);

// After a repair has rebuilt a replica's file (db: the new file, before its triggers and indexes are
// made): when its records of its rows are not whole (bookkeepingLost, or rows and records that do not
// match), the replica takes a new identity in its set and forgets what it had received, so that the
// next exchanges send every row again instead of silently leaving some out; rows that lost their
// records get new ones and travel as new rows. Returns what that means for the user, or empty.
QString RebaseAfterRepair(sqlite3* db, const QString& context, bool bookkeepingLost);

// For tests: called at each step of an exchange with a running step number.
void setExchangeHook(std::function<void(int)> hook);

}  // namespace engine
