#pragma once

// The two replica operations the browser document publishes: make a replica of a library, and make
// a library replicable. Failures go to the error report with the document's location texts.

#include "store/status_target.h"

#include <QString>

namespace store {

// Makes replica as a new member of source's replica set, described as "Replica of " + source.
// options 0 passes none. result is true when the replica was made.
void MakeReplica(const QString& source, const QString& replica, int options, bool& result,
                 StatusTarget* document = nullptr);
// Marks a library as replicable ("Replicable" = "T"); true on success, also when it already was.
bool SetReplicable(const QString& library, StatusTarget* document = nullptr);

}  // namespace store
