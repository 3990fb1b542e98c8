#pragma once

// Repairs a closed library file and rewrites it compacted, keeping the old file until the new
// one is complete and putting it back when anything fails.

#include "store/status_target.h"

#include <QString>

#include <functional>

namespace store {

// The steps that can fail, in order.
enum class RepairCompactStep { Copy, Repair, Rename, Compact };

// Beside libraryPath (its last four characters replaced): "<base>.bak" holds the old file until
// success, "<base>.tmp" is the work copy. Returns true on success; on failure the old file is
// back under its name, the user has been told and false is returned. A path shorter than four
// characters throws engine::Error before any file is touched.
bool RepairCompact(const QString& libraryPath, StatusTarget* status = nullptr);

// Called before each step; a test makes a step fail by throwing engine::Error from it. An
// empty function removes the hook.
void setRepairCompactFaultHook(std::function<void(RepairCompactStep)> hook);

}  // namespace store
