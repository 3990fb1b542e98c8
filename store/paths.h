#pragma once

#include <QString>

namespace store {

// The folder of the running executable, without a trailing separator. Read-only at run time.
QString programFolder();
// Tests point the program folder elsewhere; an empty text goes back to the executable's folder.
void setProgramFolder(const QString& folder);

// The design master of the libraries' schema: its DatabaseVersion is the current version.
QString designMasterPath();

}  // namespace store
