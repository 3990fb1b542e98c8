#pragma once

// The shared workspace and the routines through which every library is opened and closed.

#include "store/engine/engine.h"

#include <QString>

namespace store {

// Creates the one workspace every library is opened in (user "admin", no password). Called at
// start-up; DBOpen calls it when nobody has.
void startWorkspace();
// The shared workspace, or nullptr before startWorkspace().
engine::Workspace* sharedWorkspace();

// Opens the library at fileName in the shared workspace and validates its schema, upgrading it
// when the design master is newer. Every failure has told the user (a message or the error
// report) and returns false; database is then left as it was and the failed file is closed.
bool DBOpen(const QString& fileName, engine::Database*& database);
// True when the library's schema is current (or newer) or was upgraded to the design master's;
// false when the file is not a library or the upgrade failed. The master is only ever read.
bool DBValidateVersion(engine::Database* database);
// Closes database, ignoring any error, and sets it to nullptr.
void DBClose(engine::Database*& database);

// text with every single quote doubled, for an SQL literal between single quotes.
QString SQLQuote(const QString& text);

}  // namespace store
