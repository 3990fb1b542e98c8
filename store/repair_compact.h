#pragma once

// Repairs a closed library file and rewrites it compacted, keeping the old file until the new
// one is complete and putting it back when anything fails.

#include "store/status_target.h"

#include <QString>

#include <functional>

namespace store {

// The steps that can fail, in order (Rename: the old file takes its second name).
enum class RepairCompactStep { Copy, Repair, Rename, Compact };

// Beside libraryPath (its last four characters replaced): "<base>.bak" is a second name for the old
// file until success, "<base>.tmp" is the work copy. The library is held under SQLite's exclusive
// lock throughout and keeps its name until the new file, complete and synced, is renamed over it.
// Returns true on success (having told the user what a damaged library lost); on failure, also
// when another program has the library in use (error 3045), the old file is under its name as it
// was, the user has been told and false is returned. A path shorter than four characters throws
// engine::Error before any file is touched.
bool RepairCompact(const QString& libraryPath, StatusTarget* status = nullptr);

// Called before each step; a test makes a step fail by throwing engine::Error from it. An
// empty function removes the hook.
void setRepairCompactFaultHook(std::function<void(RepairCompactStep)> hook);

}  // namespace store
