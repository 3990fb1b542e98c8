#pragma once

// Synchronisation of two members of a library group, shared by the synchronise dialog and the
// command line: the group check, the backups and the engine's exchange.

#include "store/engine/engine.h"

#include <QString>

#include <functional>

class QWidget;

namespace store {

// In the order of the dialog's direction options.
enum class SyncDirection { Import = 0, Both = 1, Export = 2 };

// The engine's exchange type for a direction: import 2, both ways 4, export 1.
int syncExchangeType(SyncDirection direction);

// A library's group, from its System row ("" where the row or a field is missing).
struct GroupIdentity {
    QString guid, name, created;
};
// Throws engine::Error (errTableMissing when the library has no System table).
GroupIdentity readGroupIdentity(engine::Database& db);

enum class GroupCheck { SameGroup, OtherGroup, NotALibrary };
// Opens the library at otherPath read-only and compares its group with ours; other receives its
// group (left empty when it is no library). Throws engine::Error when it cannot be read at all.
GroupCheck checkSyncGroup(const GroupIdentity& ours, const QString& otherPath, GroupIdentity& other);

// The exchange itself, with the library at path closed by its owner: when backUp, the copies beside
// both files that the exchange changes (the other one first unless importing), then the engine's
// exchange in direction. status is told each step. False when a backup failed (its copy has told the
// user) and nothing was exchanged; throws engine::Error when the exchange fails.
bool synchronizeLibrary(const QString& path, const QString& other, SyncDirection direction, bool backUp,
                        const std::function<void(const QString&)>& status, QWidget* owner = nullptr);

}  // namespace store
